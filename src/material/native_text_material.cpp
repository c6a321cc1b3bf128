// The native (scene-language) text of materials and textures.

#include "foundation/error_output.h"
#include "material/material.h"
#include "material/native_text.h"
#include "material/texture.h"

namespace orvane {

namespace {

// ORDER: the channels as a material block lists them, each with its scene-language word.
// The highlight writes its brightness (amount 1) and its size; the others amount 0.
struct ChannelText {
  int channel;
  const char* word;
};
constexpr ChannelText kChannelOrder[] = {
    {kDiffuse, "diffus"}, {kHighlight, "highlight"},
    {kMirror, "mirror"},  {kTransparent, "transparent"},
    {kGlow, "glow"},      {kAmbient, "ambient"},
    {kBump, "bump"},
};

String Keyword(const char* word, const char* suffix) {
  String keyword(word);
  keyword += suffix;
  return keyword;
}

void AppendChannel(LIST& lines, const Material& m, const ChannelText& c) {
  const int ch = c.channel;
  const bool highlight = ch == kHighlight;
  AppendTextLine(lines, NumberLine(c.word, m.value(ch, highlight ? 1 : 0)));
  if (highlight) {
    // The size is stored as 100 - s: the reader turns the written size back.
    const double size = 100.0 - static_cast<double>(m.value(kHighlight, 2));
    AppendTextLine(lines, String("highlight_size <") + FixedNumber(size) + ">\n");
  }
  if (ch != kBump) {
    AppendTextLine(lines, ColourLine(Keyword(c.word, "_color").c_str(), m.colour(ch)));
  }
  if (const Texture* texture = WrittenTexture(m, ch)) {
    AppendTextLine(lines, WordLine(Keyword(c.word, "_texture").c_str(), texture->name));
  }
  String tile = Keyword(c.word, "_tile <");
  String number;
  tile += number.Str(static_cast<double>(m.tileX(ch)));
  tile += ",";
  tile += number.Str(static_cast<double>(m.tileY(ch)));
  tile += ">\n";
  AppendTextLine(lines, tile);
  // The refraction index belongs to the transparent channel but follows the highlight.
  if (highlight) {
    AppendTextLine(lines, NumberLine("refraction", m.value(kTransparent, 2)));
  }
}

LIST* NewTextList() {
  LIST* list = TryNew<LIST>();
  if (!list) ErrorOutput() << "ERROR: Could not allocate LIST for text.\n";
  return list;
}

}  // namespace

LIST* Material::WriteNative() {
  if (text) return text;
  text = NewTextList();
  if (text) BuildNativeText(*text);
  return text;
}

// material NAME{ <the seven channels> }
void Material::BuildNativeText(LIST& lines) const {
  AppendTextLine(lines, BlockHeaderLine("material", name));
  for (const ChannelText& c : kChannelOrder) AppendChannel(lines, *this, c);
  AppendTextLine(lines, "}\n\n");
}

LIST* Texture::WriteNative() {
  if (text_) return text_.get();
  text_.reset(NewTextList());
  if (text_) BuildNativeText(*text_);
  return text_.get();
}

// image NAME{ load "FILE" }
// fractal NAME{ palette PALETTE  iterations <n>  limits <xmin,xmax,ymin,ymax> }
// chess NAME{ color1 <r,g,b>  color2 <r,g,b> }      (fade likewise)
void Texture::BuildNativeText(LIST& lines) const {
  switch (kind) {
    case kTextureImage:
      AppendTextLine(lines, BlockHeaderLine("image", name));
      AppendTextLine(lines, String("load \"") + fileName + "\"\n");
      break;
    case kTextureFractal:
      AppendTextLine(lines, BlockHeaderLine("fractal", name));
      if (!paletteName.IsEmpty()) AppendTextLine(lines, WordLine("palette", paletteName));
      AppendTextLine(lines, IntegerLine("iterations", fractal.iterations));
      AppendTextLine(lines, String("limits <") + FixedNumber(fractal.xMin) + "," +
                                FixedNumber(fractal.xMax) + "," + FixedNumber(fractal.yMin) + "," +
                                FixedNumber(fractal.yMax) + ">\n");
      break;
    case kTextureChess:
    case kTextureFade: {
      AppendTextLine(lines, BlockHeaderLine(kind == kTextureChess ? "chess" : "fade", name));
      const Colour16 c1 = twoColours.colour1();
      const Colour16 c2 = twoColours.colour2();
      AppendTextLine(lines, IntegerTripleLine("color1", c1.r, c1.g, c1.b));
      AppendTextLine(lines, IntegerTripleLine("color2", c2.r, c2.g, c2.b));
      break;
    }
    default:
      return;  // palettes are not written
  }
  AppendTextLine(lines, "}\n\n");
}

}  // namespace orvane
