#pragma once
// Texture: a named picture or procedural pattern that material channels sample.
//
// Kinds (the numbers are stored): 1 image, 2 fractal, 3 palette, 4 chess, 5 fade.
//  - image: an 8-bit Picture with palette (read from IFF ILBM, or created for the drawing
//    commands) or a 24-bit CDIB (read from JPEG or BMP). The texture owns the picture it holds.
//  - fractal: the Fractal generator; its palette is normally borrowed from a palette texture,
//    which must outlive it (the scene's texture list keeps both until the scene is cleared).
//  - palette: an 8-bit Picture whose colour map serves fractals; it gives no texels.
//  - chess, fade: the two colours of the pattern.
//
// Texel coordinates run from (0, 0) at the top left to (Width() - 1, Height() - 1); texels
// outside the picture are black.

#include <cstdint>
#include <memory>

#include "foundation/list.h"
#include "foundation/ov_string.h"
#include "imageio/dib.h"
#include "imageio/picture.h"
#include "material/procedural.h"

namespace orvane {

enum TextureKind : int32_t {
  kTextureImage = 1,
  kTextureFractal = 2,
  kTexturePalette = 3,
  kTextureChess = 4,
  kTextureFade = 5,
};

// A colour as three floats on the 0..255 scale (sums may leave that range).
struct ColourF {
  float r = 0.0f;
  float g = 0.0f;
  float b = 0.0f;
  bool operator==(const ColourF&) const = default;
};

class Texture : public ListItem {
 public:
  explicit Texture(int32_t kind = kTextureImage);
  Texture(const Texture&) = delete;
  Texture& operator=(const Texture&) = delete;
  ~Texture() override;

  int Match(int) override { return 0; }
  int GetType() const override { return kItemTexture; }

  // The held pictures (at most one of the two at a time).
  Picture* picture() { return picture_.get(); }
  const Picture* picture() const { return picture_.get(); }
  const CDIB* dib() const { return dib_.get(); }
  // Replaces the held picture by `picture` (null releases it).
  void SetPicture(std::unique_ptr<Picture> picture);
  void SetDib(std::unique_ptr<CDIB> dib);
  // A new cleared 8-bit picture of width × height with `planes` planes, replacing the held
  // one. False, keeping the old picture, when the size is refused or cannot be allocated.
  bool CreatePicture(int32_t width, int32_t height, int32_t planes);

  // Size of the held picture; 0 × 0 without one.
  int32_t Width() const;
  int32_t Height() const;
  // True for an image texture (kind 1) that holds a picture with pixels.
  bool HasTexels() const;

  // Colour of texel (x, y): 8-bit pictures through their palette, 24-bit ones directly.
  ColourF TexelColour(int32_t x, int32_t y) const;
  // Brightness of texel (x, y): the palette brightness of its index for 8-bit pictures (whole
  // numbers), 0.3 R + 0.59 G + 0.11 B for 24-bit ones.
  double TexelBrightness(int32_t x, int32_t y) const;

  // Loads an image file, trying IFF ILBM first, then JPEG (when the file starts with
  // FF D8 FF E0) or else BMP (24-bit only). When `file` does not load as given, each String of
  // `searchPaths` (may be null) is tried in turn as path + "/" + file; no "/" is added to an
  // empty path or one that already ends in '/' or '\\'. On success the texture holds the new
  // picture and `fileName` is `file` as given; on failure nothing changes and the result is
  // false (the caller reports the name). An 8-bit result refills the Picture object already held
  // (so a fractal borrowing it as its palette stays valid); a 24-bit result releases it.
  bool LoadImage(const char* file, LIST* searchPaths);
  // Loads the colour map of an IFF ILBM file through the same search, and its pixels when it
  // has a body (otherwise the held pixels stay). True when a CMAP was read.
  bool LoadPalette(const char* file, LIST* searchPaths);

  // The texture as a scene-language block (image, fractal, chess or fade; a palette has
  // none), one String per line with its line feed, cached until FreeText. Callers copy the
  // lines and call FreeText. Null when the list cannot be allocated.
  LIST* WriteNative();
  void FreeText() { text_.reset(); }

  String name;
  String fileName;  // the image file as named in the scene
  // Fractal: the name of the texture that lends it its palette, written as "palette NAME";
  // empty when it has none. The scene writers refresh it from the scene's textures.
  String paletteName;
  int32_t kind;
  Fractal fractal;              // kind 2
  TwoColourPattern twoColours;  // kinds 4 and 5

 private:
  // Takes a loaded picture; an existing Picture object is refilled in place (its pixels only
  // when the loaded picture has any).
  void AdoptPicture(std::unique_ptr<Picture> loaded);

  void BuildNativeText(LIST& lines) const;

  std::unique_ptr<Picture> picture_;
  std::unique_ptr<CDIB> dib_;
  std::unique_ptr<LIST> text_;  // the cached native text
};

// The texture called `name` in a list of textures (items of other types are skipped), or null.
// Walks the nodes directly, so the list's current position does not move.
Texture* FindTexture(LIST* textures, const String& name);

// `path` joined with `file` as LoadImage does it.
String JoinSearchPath(const String& path, const char* file);

}  // namespace orvane
