// Materials and textures: channels, native text, procedural kinds, sampling, bumps and loading.

#include "material/texture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "imageio/ilbm.h"
#include "imageio/jpeg.h"
#include "material/material.h"
#include "material/native_text.h"
#include "material/procedural.h"
#include "material/sampling.h"
#include "support/test_files.h"

namespace orvane {
namespace {

// Every accessor's answer for channels -1..7 and amounts -1..3, to compare whole states.
std::vector<double> State(const Material& m) {
  std::vector<double> s;
  for (int ch = -1; ch <= kMaterialChannels; ++ch) {
    for (int i = -1; i <= 3; ++i) s.push_back(m.value(ch, i));
    const Rgb c = m.colour(ch);
    s.insert(s.end(), {m.tileX(ch), m.tileY(ch), double(c.r), double(c.g), double(c.b),
                       double(m.hasTexture(ch)), m.texture(ch) ? 1.0 : 0.0});
  }
  return s;
}

// The expected text `name` of the data folder, whole.
std::string Expected(const char* name) {
  return test::ReadText((std::filesystem::path(__FILE__).parent_path() / "data" / name).string());
}

std::string Joined(const LIST* text) {
  std::string joined;
  for (const ListNode* n = text ? text->head : nullptr; n; n = n->next) {
    if (const auto* line = dynamic_cast<const String*>(n->item)) {
      joined.append(line->c_str(), line->Length());
    }
  }
  return joined;
}

TEST(MaterialTest, OutOfRangeReadsAndIgnoredWrites) {
  Material m;
  EXPECT_EQ(m.GetType(), kItemMaterial);
  EXPECT_EQ(m.value(0, 3), 0.0f);
  EXPECT_EQ(m.tileX(-1), 1.0f);
  Texture t;
  const std::vector<double> before = State(m);
  for (int ch : {-1, 7}) {
    m.setValue(ch, 0, 5.0);
    m.setValueClamped(ch, 0, 5.0, 0.0, 10.0);
    m.setTiles(ch, 3.0, 4.0);
    m.setColour(ch, 1, 2, 3);
    m.setTexture(ch, &t);
    m.setHasTexture(ch, 1);
  }
  m.setValue(0, 3, 5.0);
  m.setValue(0, -1, 5.0);
  EXPECT_EQ(State(m), before);
}

TEST(MaterialTest, ClampedSetterAndTransparencyKeepingTheFilterAmountInStep) {
  Material m;
  m.setValueClamped(kHighlight, 2, 150.0, 0.0, 100.0);
  EXPECT_EQ(m.value(kHighlight, 2), 100.0f);
  m.setValueClamped(kHighlight, 2, std::nan(""), 7.0, 100.0);
  EXPECT_EQ(m.value(kHighlight, 2), 7.0f);
  m.setValue(kTransparent, 0, 0.25);
  EXPECT_EQ(m.value(kTransparent, 1), 0.5f);
  m.setValueClamped(kTransparent, 0, 4.0, 0.0, 1.0);
  EXPECT_EQ(m.value(kTransparent, 1), 1.0f);
  // No square root of a negative or NaN transparency.
  m.setValue(kTransparent, 0, -0.5);
  EXPECT_EQ(m.value(kTransparent, 1), 0.0f);
  m.setValue(kTransparent, 0, std::nan(""));
  EXPECT_EQ(m.value(kTransparent, 1), 0.0f);
  // The filter amount alone, and other channels, leave the transparency as it is.
  m.setValue(kTransparent, 0, 0.25);
  m.setValue(kTransparent, 1, 0.9);
  EXPECT_EQ(m.value(kTransparent, 0), 0.25f);
  m.setValue(kMirror, 0, 0.64);
  EXPECT_EQ(m.value(kMirror, 1), 0.0f);
}

TEST(MaterialTest, CopiesTakeAllChannelsButNotTheText) {
  Texture t;
  Material original;
  original.name = "gold";
  original.setValue(kTransparent, 0, 0.49);
  original.setTiles(kDiffuse, 2.0, 3.0);
  original.setColour(kGlow, 1, 2, 3);
  EXPECT_FALSE(original.usesAnyTexture());
  original.setTexture(kBump, &t);
  EXPECT_FALSE(original.usesTexture(&t));  // a texture without the flag is not in use
  original.setHasTexture(kBump, 1);
  EXPECT_TRUE(original.usesAnyTexture());
  EXPECT_TRUE(original.usesTexture(&t));
  original.setHasTexture(kMirror, 1);  // a flag without a texture
  EXPECT_FALSE(original.usesTexture(nullptr));
  original.WriteNative();

  const Material copy(original);
  EXPECT_EQ(copy.name, "gold");
  EXPECT_EQ(copy.text, nullptr);
  EXPECT_EQ(State(copy), State(original));
  EXPECT_EQ(copy.texture(kBump), &t);  // shared reference, not a new texture

  Material assigned;
  assigned.WriteNative();
  assigned = original;
  EXPECT_EQ(assigned.text, nullptr);
  EXPECT_EQ(State(assigned), State(original));
  EXPECT_NE(original.text, nullptr);  // the source keeps its cache
}

// "%5.2f" would pad 0.5 to " 0.50"; the general format keeps what two decimals would lose.
TEST(NativeNumbers, FixedFormatKeepsTwoDecimalsWithoutPaddingAndTruncationStaysInRange) {
  const struct {
    double v;
    const char* text;
  } cases[] = {{-2.7, "-2.70"},   {0.5, "0.50"},    {70.0, "70.00"},
               {100.0, "100.00"}, {0.125, "0.125"}, {-1.2345678, "-1.23457"},
               {3e12, "3e+12"}};
  for (const auto& c : cases) {
    const String s = FixedNumber(c.v);
    EXPECT_EQ(std::string(s.c_str(), s.Length()), c.text);
  }
  // Truncation goes toward zero and stays in range.
  EXPECT_EQ(TruncatedInteger(-12.7), -12);
  EXPECT_EQ(TruncatedInteger(std::nan("")), 0);
  EXPECT_GT(TruncatedInteger(1e300), 0);
  EXPECT_LT(TruncatedInteger(-1e300), 0);
}

// A palette texture is never named, so the default text comes back; the text is cached until
// freed.
TEST(MaterialText, DefaultMaterialWritesEveryChannelInOrderAndIsCached) {
  Texture palette(kTexturePalette);
  palette.name = "pal";
  Material m;
  m.setTexture(kDiffuse, &palette);
  m.setHasTexture(kDiffuse, 1);
  LIST* first = m.WriteNative();
  EXPECT_EQ(Joined(first), Expected("default_material.txt"));
  EXPECT_EQ(WrittenTexture(m, kDiffuse), nullptr);
  EXPECT_FALSE(NamesTexture(m, &palette));
  m.name = "renamed";
  EXPECT_EQ(m.WriteNative(), first);
  m.FreeText();
  EXPECT_EQ(m.text, nullptr);
  EXPECT_EQ(Joined(m.WriteNative()).rfind("material renamed{\n", 0), 0u);
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
  m.setTexture(kBump, &board);  // named without the flag; the bump colour never is
  EXPECT_EQ(Joined(m.WriteNative()), Expected("rock_material.txt"));
}

// Every kind with a block, the fractal once with its defaults and once with a palette; the
// palette kind writes nothing.
TEST(TextureText, EveryKindWithABlock) {
  Texture image(kTextureImage);
  image.name = "wood";
  image.fileName = "tex/wood.iff";
  Texture fractal(kTextureFractal);
  fractal.name = "apple";
  std::string text = Joined(image.WriteNative()) + Joined(fractal.WriteNative());
  fractal.FreeText();
  fractal.paletteName = "colours";
  fractal.fractal.iterations = 64;
  fractal.fractal.xMin = -0.125;
  Texture chess(kTextureChess);
  chess.name = "board";
  chess.twoColours.SetColour1(255, 0, 10);
  chess.twoColours.SetColour2(-1, 300, 0);
  Texture fade(kTextureFade);
  fade.name = "sky";
  Texture palette(kTexturePalette);
  palette.name = "pal";
  for (Texture* t : {&fractal, &chess, &fade, &palette}) text += Joined(t->WriteNative());
  EXPECT_EQ(text, Expected("textures.txt"));
}

std::unique_ptr<Picture> PaletteOf(int entries) {
  auto p = std::make_unique<Picture>();
  for (int i = 0; i < entries; ++i) {
    p->palette[i] = Rgb{uint8_t(10 * i), uint8_t(100 + i), uint8_t(255 - i)};
  }
  p->paletteCount = entries;
  return p;
}

// |z|² at c = (0.5, 1) runs 0, 1.25, 4.0625, 11.8: a bailout of 4, or a test after the step,
// stops earlier; the iteration limit ends escaping points too; degenerate inputs end at once.
TEST(MandelbrotTest, CountsWithBailoutBeforeTheLastStep) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    double cx, cy;
    int iterations, count;
    bool inside;
  } cases[] = {{0.0, 0.0, 20, 20, true},  {0.5, 1.0, 20, 4, false}, {-2.0, -1.0, 20, 3, false},
               {0.5, 1.0, 3, 3, true},    {0.0, 0.0, 0, 1, true},   {nan, nan, 20, 2, false},
               {1e300, 0.0, 20, 2, false}};
  for (const auto& c : cases) {
    bool inside = !c.inside;
    EXPECT_EQ(Fractal::MandelbrotCount(c.cx, c.cy, c.iterations, &inside), c.count) << c.cx;
    EXPECT_EQ(inside, c.inside) << c.cx;
  }
  EXPECT_EQ(Fractal::MandelbrotCount(1e300, 0.0, 20, nullptr), 2);
}

TEST(MandelbrotTest, IndexAndColourThroughPalette) {
  Fractal f;
  // No palette: n mod 256 and a grey ramp.
  EXPECT_EQ(f.IndexForC(0.5, 1.0), 4);
  EXPECT_EQ(f.ColourOf(20), (Rgb{20, 20, 20}));
  EXPECT_EQ(f.BrightnessOf(20), 20);
  auto sixteen = PaletteOf(16);
  f.SetPalette(sixteen.get());
  EXPECT_EQ(f.ColourOf(4), sixteen->palette[4]);
  // Inside points keep n mod 256, past the palette: black.
  EXPECT_EQ(f.IndexForC(0.0, 0.0), 20);
  EXPECT_EQ(f.ColourOf(20), (Rgb{0, 0, 0}));
  EXPECT_EQ(f.BrightnessOf(20), 0);
  f.SetOwnedPalette(PaletteOf(3));
  EXPECT_EQ(f.ownsPalette(), 1u);
  EXPECT_EQ(f.IndexForC(0.5, 1.0), 4 % 3);
  // A palette without entries counts as none (no division by zero).
  f.SetOwnedPalette(PaletteOf(0));
  EXPECT_EQ(f.IndexForC(0.5, 1.0), 4);
}

// 16 × 8 pixels over [-2, 2] × [-1, 1]: pixel (8, 4) is c = (0, 0). Without a palette the
// picture carries the 256-entry grey ramp.
TEST(FractalPictureTest, WrittenAndReadBack) {
  test::TempDir dir;
  Fractal f;
  f.pictureWidth = 16;
  f.pictureHeight = 8;
  f.xMin = -2.0;
  f.xMax = 2.0;
  f.yMin = -1.0;
  f.yMax = 1.0;
  auto sixteen = PaletteOf(16);
  for (const Picture* palette : {sixteen.get(), static_cast<Picture*>(nullptr)}) {
    f.SetPalette(palette);
    for (bool compress : {false, true}) {
      SCOPED_TRACE(testing::Message() << (palette ? "palette" : "grey") << ", packed " << compress);
      const std::string path = dir / (compress ? "packed.iff" : "plain.iff");
      ASSERT_EQ(f.WritePicture(path.c_str(), compress), 0);
      Picture read;
      ASSERT_EQ(readILBM(read, path.c_str(), true), kIlbmPaletteRead | kIlbmBodyRead);
      ASSERT_EQ(read.Width(), 16);
      ASSERT_EQ(read.Height(), 8);
      EXPECT_EQ(read.Pixel(8, 4), 20);    // inside
      EXPECT_EQ(read.Pixel(5, 3), 15);    // c = (-0.75, -0.25): x is the column, y the row
      ASSERT_EQ(read.paletteCount, 256);  // eight planes
      for (int i = 0; i < (palette ? 16 : 256); ++i) {
        const Rgb grey{uint8_t(i), uint8_t(i), uint8_t(i)};
        EXPECT_EQ(read.palette[i], palette ? palette->palette[i] : grey) << i;
      }
    }
  }
  // A failed write leaves no file.
  EXPECT_EQ(f.WritePicture((dir / "missing/dir/x.iff").c_str(), false), -1);
  f.pictureWidth = 0;
  EXPECT_EQ(f.WritePicture((dir / "empty.iff").c_str(), false), -1);
  EXPECT_FALSE(std::filesystem::exists(dir / "empty.iff"));
  f.pictureWidth = 16;
  f.pictureHeight = -3;
  EXPECT_EQ(f.WritePicture((dir / "negative.iff").c_str(), false), -1);
}

TEST(TwoColourTest, ChessFadeAndEvaluate) {
  TwoColourPattern p;
  p.SetColour1(0, 100, -9);
  p.SetColour2(255, 0, 0);
  EXPECT_EQ(p.colours, (std::array<int16_t, 6>{0, 255, 100, 0, -9, 0}));  // interleaved
  EXPECT_EQ(ChessColour(p, 0.5, 0.5), p.colour1());
  EXPECT_EQ(ChessColour(p, 0.5, 0.4999), p.colour2());
  // 127.5 and -4.5 truncate toward zero; u does not matter.
  EXPECT_EQ(FadeColour(p, 0.99, 0.5), (Colour16{127, 50, -4}));
  // Far outside [0, 1] the components stay in the 16-bit range; NaN gives 0.
  EXPECT_EQ(FadeColour(p, 0.0, 1000.0), (Colour16{32767, -32768, 8991}));
  EXPECT_EQ(FadeColour(p, 0.0, std::numeric_limits<double>::quiet_NaN()), (Colour16{0, 0, 0}));
  EXPECT_EQ(p.Evaluate(4, 0.75, 0.25), p.colour2());
  EXPECT_EQ(p.output, p.colour2());
  EXPECT_EQ(p.Evaluate(5, 0.0, 0.0), p.colour1());
}

// The 2 × 2 test image: A (200, 0, 0) at (0, 0), B (0, 100, 0) at (1, 0), D (0, 0, 40) at
// (0, 1) and white at (1, 1), which the filter never mixes in at the points used below.
constexpr Rgb kTexels[2][2] = {{{200, 0, 0}, {0, 100, 0}}, {{0, 0, 40}, {255, 255, 255}}};

std::unique_ptr<Picture> PalettePicture() {
  auto p = std::make_unique<Picture>();
  EXPECT_TRUE(p->Create(2, 2, 8));
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 2; ++x) {
      const int index = 10 + 2 * y + x;  // not the texel's position, so lookups use the palette
      p->palette[index] = kTexels[y][x];
      p->SetPixel(x, y, uint8_t(index));
    }
  }
  p->paletteCount = 16;
  return p;
}

std::unique_ptr<CDIB> DirectPicture() {
  auto d = std::make_unique<CDIB>();
  EXPECT_TRUE(d->Create24(2, 2));
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 2; ++x)
      d->SetPixel(x, y, kTexels[y][x].r, kTexels[y][x].g, kTexels[y][x].b);
  }
  return d;
}

// A material whose diffuse channel is black and textured with `t`.
Material Textured(Texture* t, int channel = kDiffuse) {
  Material m;
  m.setColour(channel, 0, 0, 0);
  m.setTexture(channel, t);
  m.setHasTexture(channel, 1);
  return m;
}

class SamplingTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (GetParam()) {
      texture_.SetDib(DirectPicture());
    } else {
      texture_.SetPicture(PalettePicture());
    }
  }
  Texture texture_;
};

INSTANTIATE_TEST_SUITE_P(EightAndTwentyFourBit, SamplingTest, ::testing::Bool());

// The filter gives 0.5 ((1 - fx) T + fx R + (1 - fy) T + fy D) of the texel T and its right (R)
// and lower (D) neighbours, wrapping at the edges; the channel colour (grey `base`) is added
// unclamped.
TEST_P(SamplingTest, ColoursAndBrightness) {
  ASSERT_TRUE(texture_.HasTexels());
  const struct {
    const char* what;
    double tiles;
    uint8_t base;
    double u, v;
    ColourF expected;
  } cases[] = {
      {"0.5 A + 0.25 B + 0.25 D, not the diagonal", 1, 0, 0.25, 0.25, {100, 25, 10}},
      {"last column: 0.5 B + 0.25 A + 0.25 white", 1, 0, 0.75, 0.25, {113.75, 113.75, 63.75}},
      {"last row: 0.5 D + 0.25 white + 0.25 A", 1, 0, 0.25, 0.75, {113.75, 63.75, 83.75}},
      {"tiled to (1.25, 0.25)", 2, 0, 0.625, 0.125, {100, 25, 10}},
      {"outside [0, 1) repeats", 1, 0, 3.25, -0.75, {100, 25, 10}},
      {"white channel and texel", 1, 255, 0.5, 0.5, {510, 510, 510}},
      {"negative u: no lookup", 1, 7, -0.75, 0.25, {7, 7, 7}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Material m = Textured(&texture_);
    m.setTiles(kDiffuse, c.tiles, c.tiles);
    m.setColour(kDiffuse, c.base, c.base, c.base);
    EXPECT_EQ(SampleColour(m, kDiffuse, c.u, c.v), c.expected);
  }
  const Material m = Textured(&texture_);
  // Texel brightnesses: A 60, B 59, D 4.4, which 8-bit pictures truncate to 4 through the
  // palette brightness. A negative u is tiled like any other here.
  const float expected = GetParam() ? 0.5f * 60 + 0.25f * 59 + 0.25f * 4.4f : 45.75f;
  EXPECT_FLOAT_EQ(SampleBrightness(m, kDiffuse, -0.75, 0.25), expected);
  // Channels without a texture and channels outside the seven read full brightness.
  EXPECT_EQ(SampleBrightness(m, kMirror, 0.25, 0.25), 255.0f);
  EXPECT_EQ(SampleBrightness(m, 7, 0.25, 0.25), 255.0f);
}

// A palette texture, an image without a picture, and an image without the flag.
TEST(SamplingTest, ChannelsWithoutAUsableTexture) {
  Texture palette(kTexturePalette);
  palette.SetPicture(PalettePicture());
  Texture empty;
  Texture image;
  image.SetPicture(PalettePicture());
  for (Texture* t : {&palette, &empty, &image}) {
    Material m = Textured(t);
    m.setHasTexture(kDiffuse, t == &image ? 0 : 1);
    m.setColour(kDiffuse, 7, 8, 9);
    EXPECT_EQ(SampleColour(m, kDiffuse, 0.25, 0.25), (ColourF{7, 8, 9}));
    EXPECT_EQ(SampleBrightness(m, kDiffuse, 0.25, 0.25), 255.0f);
  }
  EXPECT_EQ(SampleColour(Textured(&image), 7, 0.25, 0.25), (ColourF{0, 0, 0}));
}

TEST(SamplingTest, ProceduralTexturesAreSampledAtTheTiledCoordinates) {
  Texture chess(kTextureChess);
  chess.twoColours.SetColour1(10, 20, 30);
  chess.twoColours.SetColour2(200, 100, 50);
  Material m = Textured(&chess);
  m.setTiles(kDiffuse, 2.0, 2.0);
  EXPECT_EQ(SampleColour(m, kDiffuse, 0.3, 0.1), (ColourF{200, 100, 50}));  // (0.6, 0.2)
  EXPECT_EQ(SampleColour(m, kDiffuse, 0.8, 0.9), (ColourF{10, 20, 30}));    // (0.6, 0.8)
  EXPECT_FLOAT_EQ(SampleBrightness(m, kDiffuse, 0.3, 0.1), 0.3f * 200 + 0.59f * 100 + 0.11f * 50);

  Texture fade(kTextureFade);
  fade.twoColours.SetColour1(0, 0, 0);
  fade.twoColours.SetColour2(200, 100, 50);
  m = Textured(&fade);
  EXPECT_EQ(SampleColour(m, kDiffuse, 0.9, 0.5), (ColourF{100, 50, 25}));

  Texture fractal(kTextureFractal);
  auto sixteen = PaletteOf(16);
  fractal.fractal.SetPalette(sixteen.get());
  fractal.fractal.xMin = 0.0;
  fractal.fractal.xMax = 1.0;
  fractal.fractal.yMin = 0.0;
  fractal.fractal.yMax = 2.0;
  m = Textured(&fractal);
  // c = (0.5, 1.0): index 4.
  EXPECT_EQ(fractal.fractal.Evaluate(0.5, 0.5), 4);
  EXPECT_EQ(SampleColour(m, kDiffuse, 0.5, 0.5), (ColourF{40, 104, 251}));
  EXPECT_EQ(SampleBrightness(m, kDiffuse, 0.5, 0.5), float(sixteen->PaletteBrightness(4)));
}

// 4 × 4 pixels whose red rises 0, 100, 200, 250 (brightness 0, 30, 60, 75) along x or y.
std::unique_ptr<Picture> Gradient(bool along_x) {
  auto p = std::make_unique<Picture>();
  EXPECT_TRUE(p->Create(4, 4, 8));
  const uint8_t reds[4] = {0, 100, 200, 250};
  for (int i = 0; i < 4; ++i) p->palette[i] = Rgb{reds[i], 0, 0};
  p->paletteCount = 4;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) p->SetPixel(x, y, uint8_t(along_x ? x : y));
  }
  return p;
}

// The frame of a plane: normal +Z, u along +X.
const Vec3 kNormal{0, 0, 1};
const Vec3 kX{1, 0, 0};
const Vec3 kY{0, 1, 0};

TEST(BumpTest, TiltsAwayFromRisingBrightnessOfABitmapOnly) {
  Texture image;
  image.SetPicture(Gradient(true));
  Material m = Textured(&image, kBump);
  EXPECT_EQ(BumpPerturbation(m, 0.25f, 0.0f, kNormal, kX, kY), Vec3{});  // amount 0
  m.setValue(kBump, 0, 0.5);
  // Brightness rises toward +u (+X on a plane): the normal tilts toward -X.
  Vec3 p = BumpPerturbation(m, 0.25f, 0.0f, kNormal, kX, kY);  // b0 30, bx 60
  EXPECT_FLOAT_EQ(p.x, float(-30.0 / 255.0 * 0.5));
  EXPECT_EQ(p.y, 0.0f);
  EXPECT_EQ(p.z, 0.0f);
  // In the last column the neighbour wraps to column 0: a fall from 75 to 0.
  p = BumpPerturbation(m, 0.75f, 0.0f, kNormal, kX, kY);
  EXPECT_FLOAT_EQ(p.x, float(75.0 / 255.0 * 0.5));
  // Brightness rises toward +v, which is -Y on a plane; with the tangents turned a quarter
  // about Z the normal tilts toward -X.
  image.SetPicture(Gradient(false));
  p = BumpPerturbation(m, 0.0f, 0.25f, kNormal, Vec3{0, 1, 0}, Vec3{-1, 0, 0});
  EXPECT_FLOAT_EQ(p.x, float(-30.0 / 255.0 * 0.5));
  EXPECT_NEAR(p.y, 0.0f, 1e-7);
  // Without the flag, or with a procedural texture, there is no bitmap to slope.
  m.setHasTexture(kBump, 0);
  EXPECT_EQ(BumpPerturbation(m, 0.25f, 0.0f, kNormal, kX, kY), Vec3{});
  Texture chess(kTextureChess);
  chess.twoColours.SetColour2(255, 255, 255);
  m = Textured(&chess, kBump);
  m.setValue(kBump, 0, 1.0);
  EXPECT_EQ(BumpPerturbation(m, 0.4f, 0.1f, kNormal, kX, kY), Vec3{});
}

TEST(FindTextureTest, ByNameWithoutMovingTheListAndSearchPathJoins) {
  LIST list;
  auto* m = new Material;
  m->name = "board";  // not a texture
  auto* b = new Texture(kTextureChess);
  b->name = "board";
  list.Append(m, 1);
  list.Append(b, 1);
  list.First();
  const ListNode* current = list.current;
  EXPECT_EQ(FindTexture(&list, String("board")), b);
  EXPECT_EQ(FindTexture(&list, String("metal")), nullptr);
  EXPECT_EQ(FindTexture(nullptr, String("board")), nullptr);
  EXPECT_EQ(list.current, current);
  list.RemoveAll();
  EXPECT_EQ(JoinSearchPath(String("C:\\tex\\"), "a.iff"), "C:\\tex\\a.iff");
}

class TextureLoadTest : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(dir_.path() / "textures"); }
  void TearDown() override { paths_.RemoveAll(); }
  std::string Path(const std::string& name) const { return dir_ / name; }
  void AddSearchPath(const std::string& path) { paths_.Append(new String(path.c_str()), 1); }
  void WriteIff(const std::string& name) const {
    Picture p;
    ASSERT_TRUE(p.Create(8, 2, 8));
    p.palette[3] = Rgb{1, 2, 3};
    p.paletteCount = 4;
    p.SetPixel(7, 1, 3);
    ASSERT_TRUE(writeILBM(p, Path(name).c_str(), true));
  }

  test::TempDir dir_;
  LIST paths_;
};

TEST_F(TextureLoadTest, IffAsGivenAndThroughTheSearchPath) {
  WriteIff("textures/a.iff");
  Texture t;
  ASSERT_TRUE(t.LoadImage(Path("textures/a.iff").c_str(), nullptr));
  EXPECT_EQ(t.dib(), nullptr);
  EXPECT_EQ(t.TexelColour(7, 1), (ColourF{1, 2, 3}));

  Texture searched;
  EXPECT_FALSE(searched.LoadImage("a.iff", &paths_));
  AddSearchPath(Path("nowhere"));
  AddSearchPath("");
  AddSearchPath(Path("textures"));  // no trailing separator
  paths_.First();
  ASSERT_TRUE(searched.LoadImage("a.iff", &paths_));
  EXPECT_EQ(searched.fileName, "a.iff");
  EXPECT_EQ(searched.TexelColour(7, 1), (ColourF{1, 2, 3}));
  EXPECT_EQ(paths_.current, paths_.head);
}

TEST_F(TextureLoadTest, TwentyFourBitBmpAndJpeg) {
  CDIB bmp;
  ASSERT_TRUE(bmp.Create24(3, 2));
  bmp.SetPixel(2, 1, 10, 20, 30);
  ASSERT_TRUE(bmp.Save(Path("textures/b.bmp").c_str()));
  AddSearchPath(Path("textures"));
  Texture t;
  ASSERT_TRUE(t.LoadImage("b.bmp", &paths_));
  EXPECT_EQ(t.picture(), nullptr);
  EXPECT_EQ(t.Width(), 3);
  EXPECT_EQ(t.TexelColour(2, 1), (ColourF{10, 20, 30}));
  EXPECT_FLOAT_EQ(float(t.TexelBrightness(2, 1)), 0.3f * 10 + 0.59f * 20 + 0.11f * 30);

  std::FILE* file = std::fopen(Path("textures/c.jpg").c_str(), "wb");
  ASSERT_NE(file, nullptr);
  JpegEncoder encoder;
  ASSERT_TRUE(encoder.Start(file, 8, 8, 95));
  std::vector<uint8_t> red_row;
  for (int x = 0; x < 8; ++x) red_row.insert(red_row.end(), {250, 10, 10});
  for (int y = 0; y < 8; ++y) ASSERT_TRUE(encoder.WriteRow(red_row.data()));
  ASSERT_TRUE(encoder.Finish());
  ASSERT_TRUE(t.LoadImage("c.jpg", &paths_));
  EXPECT_NEAR(t.TexelColour(4, 4).r, 250, 8);
}

TEST_F(TextureLoadTest, FailuresKeepTheTexture) {
  WriteIff("keep.iff");
  Texture t;
  ASSERT_TRUE(t.LoadImage(Path("keep.iff").c_str(), nullptr));
  const Picture* held = t.picture();

  // The data folder's 8-bit BMP is readable by the DIB class but has no texels to sample;
  // the JPEGs are cut short after their first marker.
  const std::filesystem::path data = std::filesystem::path(__FILE__).parent_path() / "data";
  CDIB check;
  ASSERT_TRUE(check.Open((data / "eight.bmp").c_str())) << check.LastError();
  ASSERT_EQ(check.BitsPerPixel(), 8);
  for (const char* name : {"missing.iff", "eight.bmp", "broken.jpg", "exif.jpg", "empty.iff"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(t.LoadImage((data / name).c_str(), nullptr));
    EXPECT_EQ(t.picture(), held);
    EXPECT_EQ(t.fileName, Path("keep.iff").c_str());
    EXPECT_EQ(t.TexelColour(7, 1), (ColourF{1, 2, 3}));
  }
  EXPECT_FALSE(t.LoadImage("", nullptr));
  EXPECT_FALSE(t.LoadImage(nullptr, nullptr));
}

TEST_F(TextureLoadTest, PaletteRefillsTheBorrowedPicture) {
  WriteIff("colours.iff");
  Texture palette(kTexturePalette);
  ASSERT_TRUE(palette.CreatePicture(8, 8, 8));
  const Picture* borrowed = palette.picture();
  Texture fractal(kTextureFractal);
  fractal.fractal.SetPalette(borrowed);
  AddSearchPath(dir_.path().string());
  ASSERT_TRUE(palette.LoadPalette("colours.iff", &paths_));
  EXPECT_EQ(palette.picture(), borrowed);
  EXPECT_EQ(fractal.fractal.ColourOf(3), (Rgb{1, 2, 3}));
  EXPECT_EQ(palette.Height(), 2);  // the file's pixels came along
  EXPECT_FALSE(palette.LoadPalette("missing.iff", &paths_));
  EXPECT_EQ(fractal.fractal.ColourOf(3), (Rgb{1, 2, 3}));
}

}  // namespace
}  // namespace orvane
