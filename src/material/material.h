#pragma once
// Material: the surface description that scene objects point to — seven channels, each with
// three amounts, a colour, an optional texture and a tiling.
//
// Channels (index, scene-language word): 0 "diffus", 1 "highlight", 2 "mirror", 3 "transparent",
// 4 "glow", 5 "ambient", 6 "bump". What the three amounts of a channel mean:
//   diffuse      value[0] the diffuse factor
//   highlight    value[1] the highlight brightness; value[2] the stored highlight size s. Scene
//                files carry "highlight_size" as 100 - s (the reader stores 100 - f, the writer
//                writes 100 - s), so a larger written size is a smaller stored exponent.
//   mirror       value[0] the mirror factor
//   transparent  value[0] the transparency; value[1] the filter amount sqrt(value[0]), kept in
//                step by setValue (see there); value[2] the refraction index
//   glow, ambient, bump: value[0] the factor
//
// Ownership: a material references its textures (the scene's texture list owns them) and owns
// its text cache. Out-of-range channel or amount indexes never fail: reads answer 0.0 (amounts),
// 1.0 (tiles), black (colours), null (textures) or 0 (has-texture), and setters ignore them.

#include <cstdint>

#include "foundation/list.h"
#include "foundation/ov_string.h"
#include "imageio/picture.h"

namespace orvane {

class Texture;

enum MaterialChannel : int {
  kDiffuse = 0,
  kHighlight = 1,
  kMirror = 2,
  kTransparent = 3,
  kGlow = 4,
  kAmbient = 5,
  kBump = 6,
};
inline constexpr int kMaterialChannels = 7;

// One channel; the field order is the stored record's.
struct MaterialChannelRecord {
  float value[3] = {0.0f, 0.0f, 0.0f};
  float tileX = 1.0f;  // repetitions of the texture along u
  float tileY = 1.0f;  // along v
  Texture* texture = nullptr;
  uint8_t r = 255;
  uint8_t g = 255;
  uint8_t b = 255;
  uint32_t hasTexture = 0;  // 1 when `texture` is assigned and usable
};

class Material : public ListItem {
 public:
  // Name "standard"; every channel white, tiles 1, no texture; diffuse 1.0, highlight size 30.0,
  // ambient 0.1, bump colour black.
  Material();
  // Copies the name and the seven channels (texture references are shared); the copy starts
  // without a text cache.
  Material(const Material& other);
  // The same; this material's own text cache is dropped, since it no longer describes it.
  Material& operator=(const Material& other);
  ~Material() override;

  int Match(int) override { return 0; }
  int GetType() const override { return kItemMaterial; }

  float value(int ch, int i) const;
  // Stores v. Setting "transparent" (channel 3, amount 0) also sets the filter amount
  // value(3, 1) to sqrt(v), or 0 for v <= 0 or NaN, so every path that sets the transparency
  // (scene reader, editor, copies through setValueClamped) keeps the two in step. Setting
  // value(3, 1) directly is allowed and changes only the filter amount.
  void setValue(int ch, int i, double v);
  // Stores min(max(v, lower), upper) through setValue; a NaN v stores `lower`.
  void setValueClamped(int ch, int i, double v, double lower, double upper);

  float tileX(int ch) const;
  float tileY(int ch) const;
  void setTiles(int ch, double x, double y);

  Rgb colour(int ch) const;
  void setColour(int ch, uint8_t r, uint8_t g, uint8_t b);

  // The texture pointer and the has-texture flag are set separately: a channel samples its
  // texture only when the flag is 1 and the pointer is not null.
  Texture* texture(int ch) const;
  void setTexture(int ch, Texture* t);
  uint32_t hasTexture(int ch) const;
  void setHasTexture(int ch, uint32_t flag);

  // True when any channel's has-texture flag is 1.
  bool usesAnyTexture() const;
  // True when a channel whose has-texture flag is 1 holds `t` (false for null).
  bool usesTexture(const Texture* t) const;

  // Copies all seven channel records of `other` (amounts, tiles, texture references, colours,
  // flags); the name and the text cache stay.
  void CopyChannels(const Material& other);

  // The material as a scene-language block ("material NAME{" ... "}"), one String per line
  // with its line feed, in `text`; built unless it is already cached. Callers copy the lines
  // and call FreeText. Null when the list cannot be allocated.
  LIST* WriteNative();
  // The same cache filled with the material's VRML 1.0 "Material {" node (unindented lines)
  // or its two POV-Ray texture declarations ("NAME_sph" for spheres and meshes, "NAME_pln"
  // for planes, one line each; NAME is PovTextureName(name)). Callers FreeText before asking
  // for another format.
  LIST* WriteVrml();
  LIST* WritePov();
  // Empties and deletes the text cache.
  void FreeText();

  String name;
  // The cached written form of the material (owned Strings), built by the native writer;
  // null when there is none.
  LIST* text = nullptr;

 private:
  static bool ValidChannel(int ch) { return ch >= 0 && ch < kMaterialChannels; }
  void BuildNativeText(LIST& lines) const;
  void BuildVrmlText(LIST& lines) const;
  void BuildPovText(LIST& lines) const;

  MaterialChannelRecord channels_[kMaterialChannels];
};

// The material name as the start of a POV-Ray identifier: a name that is one already stays as
// it is; otherwise every byte other than an ASCII letter, digit or '_' becomes '_', and a
// leading digit gets a '_' before it ("glass-2" gives "glass_2", "1red" gives "_1red").
String PovTextureName(const String& materialName);

}  // namespace orvane
