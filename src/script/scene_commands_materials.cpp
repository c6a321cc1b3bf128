// Material blocks: seven channels, each with a factor, a colour, a tiling and a texture.

#include <cstring>

#include "material/material.h"
#include "material/texture.h"
#include "scene/scene.h"
#include "script/scene_commands.h"

namespace orvane::scene_commands {

namespace {

// The channel words: C <f> | C_color <r,g,b> | C_tile <u,v> | C_texture name.
struct ChannelWord {
  const char* word;
  int channel;
  int amount;       // the value index that C <f> sets
  bool has_colour;  // whether C_color exists
};

// ORDER: channel numbers of Material.
const ChannelWord kChannelWords[] = {
    {"diffus", kDiffuse, 0, true},
    {"highlight", kHighlight, 1, true},  // the highlight brightness
    {"mirror", kMirror, 0, true},
    {"transparent", kTransparent, 0, true},  // setValue keeps the filter amount in step
    {"glow", kGlow, 0, true},
    {"ambient", kAmbient, 0, true},
    {"bump", kBump, 0, false},
};

enum class ChannelPart { kFactor, kColour, kTile, kTexture };

struct ChannelSuffix {
  const char* suffix;
  ChannelPart part;
};
const ChannelSuffix kChannelSuffixes[] = {
    {"", ChannelPart::kFactor},
    {"_color", ChannelPart::kColour},
    {"_tile", ChannelPart::kTile},
    {"_texture", ChannelPart::kTexture},
};

// highlight_size <f>: stored as 100 - f, within 0..100
Param HighlightSize(BlockReader& b, Material& m) {
  if (b.Value()) m.setValueClamped(kHighlight, 2, 100.0 - double(b.Float(1)), 0.0, 100.0);
  return Param::kDone;
}

// highlight_brightness <f> (the same as highlight <f>)
Param HighlightBrightness(BlockReader& b, Material& m) {
  if (b.Value()) m.setValue(kHighlight, 1, b.Float(1));
  return Param::kDone;
}

// refraction <f>
Param Refraction(BlockReader& b, Material& m) {
  if (b.Value()) m.setValue(kTransparent, 2, b.Float(1));
  return Param::kDone;
}

const Keyword<Material> kMaterialExtras[] = {
    {"highlight_size", HighlightSize},              // highlight_size <f>
    {"highlight_brightness", HighlightBrightness},  // highlight_brightness <f>
    {"refraction", Refraction},                     // refraction <f>
};

// C_texture name
void ChannelTexture(BlockReader& b, Material& m, int channel) {
  String name;
  if (!b.Word(&name)) return;
  Texture* texture = FindTexture(b.scene.images, name);
  if (!texture) {
    b.Warning("): texture(bitmap/fractal) not found.\n");
    return;
  }
  m.setTexture(channel, texture);
  m.setHasTexture(channel, 1);
}

void ChannelPartParameter(BlockReader& b, Material& m, const ChannelWord& c, ChannelPart part) {
  if (part == ChannelPart::kTexture) {
    ChannelTexture(b, m, c.channel);
    return;
  }
  if (!b.Value()) return;
  switch (part) {
    case ChannelPart::kFactor:
      m.setValue(c.channel, c.amount, b.Float(1));
      break;
    case ChannelPart::kColour:
      m.setColour(c.channel, static_cast<uint8_t>(b.Int(1)), static_cast<uint8_t>(b.Int(2)),
                  static_cast<uint8_t>(b.Int(3)));
      break;
    case ChannelPart::kTile: {
      const float u = b.Float(1);
      const float v = b.Float(2);
      m.setTiles(c.channel, u, v);
      break;
    }
    case ChannelPart::kTexture:
      break;
  }
}

// Whether the bytes of `word` after its first `prefix_length` are `suffix`.
bool EndsWithAt(const String& word, int prefix_length, const char* suffix) {
  return prefix_length <= word.Length() && std::strcmp(word.c_str() + prefix_length, suffix) == 0;
}

// C, C_color, C_tile, C_texture for the seven channels (no bump_color).
Param ChannelParameter(BlockReader& b, Material& m, const String& word) {
  for (const ChannelWord& c : kChannelWords) {
    const int length = static_cast<int>(std::strlen(c.word));
    if (std::strncmp(word.c_str(), c.word, length) != 0) continue;
    for (const ChannelSuffix& s : kChannelSuffixes) {
      if (!EndsWithAt(word, length, s.suffix)) continue;
      if (s.part == ChannelPart::kColour && !c.has_colour) return Param::kUnknown;
      ChannelPartParameter(b, m, c, s.part);
      return Param::kDone;
    }
  }
  return Param::kUnknown;
}

}  // namespace

// material [name] { C <f> C_color <r,g,b> C_tile <u,v> C_texture t ... highlight_size <f>
//                   highlight_brightness <f> refraction <f> }
int MaterialBlock(BlockReader& b, const BlockHeader& h) {
  return ListedItem(b, h, b.scene.materials, MaterialParameter);
}

Param MaterialParameter(BlockReader& b, Material& material, const String& word) {
  const Param result = RunKeyword(kMaterialExtras, b, material, word);
  return result == Param::kUnknown ? ChannelParameter(b, material, word) : result;
}

}  // namespace orvane::scene_commands
