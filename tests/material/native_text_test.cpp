// The native (scene-language) text of materials and textures, and the number formats of the
// native writers.

#include "material/native_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "material/material.h"
#include "material/texture.h"

namespace orvane {
namespace {

std::string Joined(const LIST* text) {
  std::string joined;
  for (const ListNode* n = text ? text->head : nullptr; n; n = n->next) {
    if (const auto* line = dynamic_cast<const String*>(n->item)) {
      joined.append(line->c_str(), line->Length());
    }
  }
  return joined;
}

std::string S(const String& s) {
  return std::string(s.c_str(), s.Length());
}

TEST(NativeNumbers, FixedFormatKeepsTwoDecimalsWithoutPadding) {
  EXPECT_EQ(S(FixedNumber(-2.7)), "-2.70");
  EXPECT_EQ(S(FixedNumber(0.5)), "0.50");  // "%5.2f" pads to " 0.50"
  EXPECT_EQ(S(FixedNumber(70.0)), "70.00");
  EXPECT_EQ(S(FixedNumber(100.0)), "100.00");
  // Two decimals would lose these: the general format keeps them.
  EXPECT_EQ(S(FixedNumber(0.125)), "0.125");
  EXPECT_EQ(S(FixedNumber(-1.2345678)), "-1.23457");
  EXPECT_EQ(S(FixedNumber(3e12)), "3e+12");
}

TEST(NativeNumbers, TruncationTowardZeroStaysInRange) {
  EXPECT_EQ(TruncatedInteger(-12.7), -12);
  EXPECT_EQ(TruncatedInteger(std::nan("")), 0);
  EXPECT_GT(TruncatedInteger(1e300), 0);
  EXPECT_LT(TruncatedInteger(-1e300), 0);
}

const char kDefaultMaterial[] =
    "material standard{\n"
    "diffus <1>\n"
    "diffus_color <255,255,255>\n"
    "diffus_tile <1,1>\n"
    "highlight <0>\n"
    "highlight_size <70.00>\n"
    "highlight_color <255,255,255>\n"
    "highlight_tile <1,1>\n"
    "refraction <0>\n"
    "mirror <0>\n"
    "mirror_color <255,255,255>\n"
    "mirror_tile <1,1>\n"
    "transparent <0>\n"
    "transparent_color <255,255,255>\n"
    "transparent_tile <1,1>\n"
    "glow <0>\n"
    "glow_color <255,255,255>\n"
    "glow_tile <1,1>\n"
    "ambient <0.1>\n"
    "ambient_color <255,255,255>\n"
    "ambient_tile <1,1>\n"
    "bump <0>\n"
    "bump_tile <1,1>\n"
    "}\n\n";

TEST(MaterialText, DefaultMaterialWritesEveryChannelInOrder) {
  Material m;
  EXPECT_EQ(Joined(m.WriteNative()), kDefaultMaterial);
}

TEST(MaterialText, ChannelAmountsColoursTilesAndTextures) {
  Texture stone(kTextureImage);
  stone.name = "stone";
  Texture board(kTextureChess);
  board.name = "board";
  Material m;
  m.name = "rock";
  m.setValue(kHighlight, 1, 0.75);
  m.setValue(kHighlight, 2, 12.5);  // written as the size 100 - 12.5
  m.setValue(kTransparent, 0, 0.25);
  m.setValue(kTransparent, 2, 1.33);
  m.setColour(kGlow, 1, 2, 3);
  m.setTiles(kDiffuse, 2, 0.5);
  m.setTexture(kMirror, &stone);
  m.setHasTexture(kMirror, 1);
  m.setTexture(kBump, &board);
  const std::string text = Joined(m.WriteNative());
  EXPECT_NE(text.find("highlight <0.75>\nhighlight_size <87.50>\n"), std::string::npos) << text;
  EXPECT_NE(text.find("highlight_tile <1,1>\nrefraction <1.33>\nmirror <0>\n"), std::string::npos);
  EXPECT_NE(text.find("mirror_color <255,255,255>\nmirror_texture stone\nmirror_tile <1,1>\n"),
            std::string::npos);
  EXPECT_NE(text.find("transparent <0.25>\n"), std::string::npos);
  EXPECT_NE(text.find("glow_color <1,2,3>\n"), std::string::npos);
  EXPECT_NE(text.find("diffus_tile <2,0.5>\n"), std::string::npos);
  EXPECT_NE(text.find("bump <0>\nbump_texture board\nbump_tile <1,1>\n}\n\n"), std::string::npos);
  EXPECT_EQ(text.find("bump_color"), std::string::npos);
}

TEST(MaterialText, PaletteTexturesAreNeverNamed) {
  Texture palette(kTexturePalette);
  palette.name = "pal";
  Material m;
  m.setTexture(kDiffuse, &palette);
  m.setHasTexture(kDiffuse, 1);
  EXPECT_EQ(Joined(m.WriteNative()), kDefaultMaterial);
  EXPECT_EQ(WrittenTexture(m, kDiffuse), nullptr);
  EXPECT_FALSE(NamesTexture(m, &palette));
}

TEST(MaterialText, CachedUntilFreed) {
  Material m;
  LIST* first = m.WriteNative();
  m.name = "renamed";
  EXPECT_EQ(m.WriteNative(), first);
  m.FreeText();
  EXPECT_EQ(m.text, nullptr);
  EXPECT_EQ(Joined(m.WriteNative()).rfind("material renamed{\n", 0), 0u);
}

TEST(TextureText, EveryKindWithABlock) {
  Texture image(kTextureImage);
  image.name = "wood";
  image.fileName = "tex/wood.iff";
  EXPECT_EQ(Joined(image.WriteNative()), "image wood{\nload \"tex/wood.iff\"\n}\n\n");

  Texture fractal(kTextureFractal);
  fractal.name = "apple";
  EXPECT_EQ(Joined(fractal.WriteNative()),
            "fractal apple{\niterations <20>\nlimits <-2.70,0.50,-1.00,1.00>\n}\n\n");
  fractal.FreeText();
  fractal.paletteName = "colours";
  fractal.fractal.iterations = 64;
  fractal.fractal.xMin = -0.125;
  EXPECT_EQ(Joined(fractal.WriteNative()),
            "fractal apple{\npalette colours\niterations <64>\nlimits <-0.125,0.50,-1.00,1.00>\n"
            "}\n\n");

  Texture chess(kTextureChess);
  chess.name = "board";
  chess.twoColours.SetColour1(255, 0, 10);
  chess.twoColours.SetColour2(-1, 300, 0);
  EXPECT_EQ(Joined(chess.WriteNative()),
            "chess board{\ncolor1 <255,0,10>\ncolor2 <-1,300,0>\n}\n\n");

  Texture fade(kTextureFade);
  fade.name = "sky";
  EXPECT_EQ(Joined(fade.WriteNative()), "fade sky{\ncolor1 <0,0,0>\ncolor2 <0,0,0>\n}\n\n");

  Texture palette(kTexturePalette);
  palette.name = "pal";
  EXPECT_EQ(Joined(palette.WriteNative()), "");
}

}  // namespace
}  // namespace orvane
