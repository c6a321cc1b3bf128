// Materials and textures: channels, native text, procedural kinds, sampling, bumps and loading.

#include "material/texture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "imageio/ilbm.h"
#include "imageio/jpeg.h"
#include "material/native_text.h"
#include "material/sampling.h"
#include "support/test_files.h"

namespace orvane {
namespace {

const std::filesystem::path kData = std::filesystem::path(__FILE__).parent_path() / "data";
const double kNan = std::nan("");
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
std::string Joined(const LIST* text) {
  std::string joined;
  for (const ListNode* n = text ? text->head : nullptr; n; n = n->next)
    joined += static_cast<const String*>(n->item)->c_str();
  return joined;
}

TEST(MaterialTest, OutOfRangeIgnoredClampingAndTheFilterAmountInStep) {
  Material m;
  EXPECT_EQ(m.GetType(), kItemMaterial);
  Texture t;
  const std::vector<double> before = State(m);
  for (int ch : {-1, 7}) {
    m.setValueClamped(ch, 0, 5.0, 0.0, 10.0);
    m.setTiles(ch, 3.0, 4.0);
    m.setColour(ch, 1, 2, 3);
    m.setTexture(ch, &t);
    m.setHasTexture(ch, 1);
  }
  m.setValue(0, 3, 5.0);
  m.setValue(0, -1, 5.0);
  EXPECT_EQ(State(m), before);
  m.setValueClamped(kHighlight, 2, 150.0, 0.0, 100.0);
  EXPECT_EQ(m.value(kHighlight, 2), 100.0f);
  m.setValueClamped(kHighlight, 2, kNan, 7.0, 100.0);
  EXPECT_EQ(m.value(kHighlight, 2), 7.0f);
  // The filter amount is the square root of the transparency, never of a negative or NaN one.
  for (const auto& [v, filter] : {std::pair{-0.5, 0.0f}, {kNan, 0.0f}, {0.25, 0.5f}}) {
    m.setValue(kTransparent, 0, v);
    EXPECT_EQ(m.value(kTransparent, 1), filter) << v;
  }
  // The filter amount alone, and other channels, leave the transparency as it is.
  m.setValue(kTransparent, 1, 0.9);
  EXPECT_EQ(m.value(kTransparent, 0), 0.25f);
  m.setValue(kMirror, 0, 0.64);
  EXPECT_EQ(m.value(kMirror, 1), 0.0f);
}

TEST(MaterialTest, CopiesTakeAllChannelsButNotTheText) {
  Texture t;
  Material original;
  original.name = "gold";
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
  const std::pair<double, const char*> cases[] = {
      {-2.7, "-2.70"}, {0.5, "0.50"}, {0.125, "0.125"}, {3e12, "3e+12"}};
  for (const auto& [v, text] : cases) {
    const String s = FixedNumber(v);
    EXPECT_EQ(std::string(s.c_str(), s.Length()), text);
  }
  EXPECT_EQ(TruncatedInteger(-12.7), -12);
  EXPECT_EQ(TruncatedInteger(kNan), 0);
  EXPECT_GT(TruncatedInteger(1e300), 0);
  EXPECT_LT(TruncatedInteger(-1e300), 0);
}

// Every channel in order, then the texture blocks (fade writes as chess; palettes write none).
// A palette texture is never named, nor the bump colour; the text is cached until freed.
TEST(NativeText, MaterialAndTextures) {
  Texture stone(kTextureImage), fractal(kTextureFractal), board(kTextureChess);
  Texture palette(kTexturePalette);
  stone.name = "stone";
  stone.fileName = "tex/wood.iff";
  fractal.name = "apple";
  fractal.WriteNative();
  fractal.FreeText();
  fractal.paletteName = "colours";
  fractal.fractal.iterations = 64;
  fractal.fractal.xMin = -0.125;
  board.name = "board";
  board.twoColours.SetColour1(255, 0, 10);
  board.twoColours.SetColour2(-1, 300, 0);
  Material m;
  m.name = "rock";
  m.setValue(kHighlight, 1, 0.75);
  m.setValue(kHighlight, 2, 12.5);  // written as the size 100 - 12.5
  m.setValue(kTransparent, 2, 1.33);
  m.setColour(kGlow, 1, 2, 3);
  m.setTiles(kDiffuse, 2, 0.5);
  m.setTexture(kDiffuse, &palette);
  m.setHasTexture(kDiffuse, 1);
  m.setTexture(kMirror, &stone);
  m.setHasTexture(kMirror, 1);
  m.setTexture(kBump, &board);  // named without the flag
  LIST* first = m.WriteNative();
  std::string text = Joined(first);
  for (Texture* t : {&stone, &fractal, &board, &palette}) text += Joined(t->WriteNative());
  EXPECT_EQ(text, test::ReadText((kData / "native_text.txt").string()));
  EXPECT_TRUE(NamesTexture(m, &board));
  EXPECT_FALSE(NamesTexture(m, &palette));
  m.name = "renamed";
  EXPECT_EQ(m.WriteNative(), first);
  m.FreeText();
  EXPECT_EQ(m.text, nullptr);
  EXPECT_EQ(Joined(m.WriteNative()).rfind("material renamed{\n", 0), 0u);
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
TEST(MandelbrotTest, CountsWithBailoutBeforeTheLastStepThenIndexAndColour) {
  const std::tuple<double, double, int, int, bool> cases[] = {
      {0.0, 0.0, 20, 20, true},  {0.5, 1.0, 20, 4, false}, {-2.0, -1.0, 20, 3, false},
      {0.5, 1.0, 3, 3, true},    {0.0, 0.0, 0, 1, true},   {kNan, kNan, 20, 2, false},
      {1e300, 0.0, 20, 2, false}};
  for (const auto& [cx, cy, iterations, count, inside] : cases) {
    bool got = !inside;
    EXPECT_EQ(Fractal::MandelbrotCount(cx, cy, iterations, &got), count) << cx;
    EXPECT_EQ(got, inside) << cx;
  }
  EXPECT_EQ(Fractal::MandelbrotCount(1e300, 0.0, 20, nullptr), 2);
  Fractal f;
  // No palette: n mod 256 and a grey ramp.
  EXPECT_EQ(f.IndexForC(0.5, 1.0), 4);
  EXPECT_EQ(f.ColourOf(20), (Rgb{20, 20, 20}));
  EXPECT_EQ(f.BrightnessOf(20), 20);
  auto sixteen = PaletteOf(16);
  f.SetPalette(sixteen.get());
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

// 16 × 8 pixels over [-2, 2] × [-1, 1] (the default y range): pixel (8, 4) is c = (0, 0).
// Without a palette the picture carries the 256-entry grey ramp.
TEST(FractalPictureTest, WrittenAndReadBack) {
  test::TempDir dir;
  Fractal f;
  f.pictureWidth = 16;
  f.pictureHeight = 8;
  f.xMin = -2.0;
  f.xMax = 2.0;
  auto sixteen = PaletteOf(16);
  for (const Picture* palette : {sixteen.get(), static_cast<Picture*>(nullptr)}) {
    f.SetPalette(palette);
    for (bool compress : {false, true}) {
      SCOPED_TRACE(testing::Message() << (palette ? "palette" : "grey") << ", packed " << compress);
      const std::string path = dir / (compress ? "packed.iff" : "plain.iff");
      ASSERT_EQ(f.WritePicture(path.c_str(), compress), 0);
      Picture read;
      ASSERT_EQ(readILBM(read, path.c_str(), true), kIlbmPaletteRead | kIlbmBodyRead);
      ASSERT_EQ(std::pair(read.Width(), read.Height()), std::pair(16, 8));
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
  f.pictureHeight = -3;
  EXPECT_EQ(f.WritePicture((dir / "empty.iff").c_str(), false), -1);
  EXPECT_FALSE(std::filesystem::exists(dir / "empty.iff"));
}

// The 2 × 2 test image: A (200, 0, 0) at (0, 0), B (0, 100, 0) at (1, 0), D (0, 0, 40) at
// (0, 1) and white at (1, 1).
constexpr Rgb kTexels[2][2] = {{{200, 0, 0}, {0, 100, 0}}, {{0, 0, 40}, {255, 255, 255}}};
std::unique_ptr<Picture> PalettePicture() {
  auto p = std::make_unique<Picture>();
  EXPECT_TRUE(p->Create(2, 2, 8));
  for (int i = 0; i < 4; ++i) {  // indices 10..13, so that lookups go through the palette
    p->palette[10 + i] = kTexels[i / 2][i % 2];
    p->SetPixel(i % 2, i / 2, uint8_t(10 + i));
  }
  p->paletteCount = 16;
  return p;
}
// A material whose `channel` is black and textured with `t`.
Material Textured(Texture* t, int channel = kDiffuse) {
  Material m;
  m.setColour(channel, 0, 0, 0);
  m.setTexture(channel, t);
  m.setHasTexture(channel, 1);
  return m;
}

// The filter gives 0.5 ((1 - fx) T + fx R + (1 - fy) T + fy D) of the texel T and its right (R)
// and lower (D) neighbours, wrapping; the channel colour (grey `base`) is added unclamped.
TEST(SamplingTest, ImageColoursBrightnessAndUnusableTextures) {
  Texture texture;
  texture.SetPicture(PalettePicture());
  const std::tuple<const char*, double, uint8_t, double, double, ColourF> cases[] = {
      {"0.5 A + 0.25 B + 0.25 D, not the diagonal", 1, 0, 0.25, 0.25, {100, 25, 10}},
      {"last column: 0.5 B + 0.25 A + 0.25 white", 1, 0, 0.75, 0.25, {113.75, 113.75, 63.75}},
      {"tiled to (1.25, 0.25)", 2, 0, 0.625, 0.125, {100, 25, 10}},
      {"outside [0, 1) repeats", 1, 0, 3.25, -0.75, {100, 25, 10}},
      {"white channel and texel", 1, 255, 0.5, 0.5, {510, 510, 510}},
      {"negative u: no lookup", 1, 7, -0.75, 0.25, {7, 7, 7}},
  };
  for (const auto& [what, tiles, base, u, v, expected] : cases) {
    SCOPED_TRACE(what);
    Material m = Textured(&texture);
    m.setTiles(kDiffuse, tiles, tiles);
    m.setColour(kDiffuse, base, base, base);
    EXPECT_EQ(SampleColour(m, kDiffuse, u, v), expected);
  }
  const Material m = Textured(&texture);
  // Brightnesses A 60, B 59, D 4 (truncated); a negative u is tiled like any other here.
  EXPECT_FLOAT_EQ(SampleBrightness(m, kDiffuse, -0.75, 0.25), 0.5f * 60 + 0.25f * 59 + 0.25f * 4);
  // Channels without a texture and channels outside the seven read full brightness.
  EXPECT_EQ(SampleBrightness(m, kMirror, 0.25, 0.25), 255.0f);
  EXPECT_EQ(SampleBrightness(m, 7, 0.25, 0.25), 255.0f);
  // A palette texture, an image without a picture, and an image without the flag.
  Texture palette(kTexturePalette), empty;
  palette.SetPicture(PalettePicture());
  for (Texture* t : {&palette, &empty, &texture}) {
    Material plain = Textured(t);
    plain.setHasTexture(kDiffuse, t == &texture ? 0 : 1);
    plain.setColour(kDiffuse, 7, 8, 9);
    EXPECT_EQ(SampleColour(plain, kDiffuse, 0.25, 0.25), (ColourF{7, 8, 9}));
    EXPECT_EQ(SampleBrightness(plain, kDiffuse, 0.25, 0.25), 255.0f);
  }
  EXPECT_EQ(SampleColour(m, 7, 0.25, 0.25), (ColourF{0, 0, 0}));
}

TEST(ProceduralTest, ChessFadeAndFractalColoursSampledAtTheTiledCoordinates) {
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
  EXPECT_EQ(FadeColour(p, 0.0, kNan), (Colour16{0, 0, 0}));
  EXPECT_EQ(p.Evaluate(4, 0.75, 0.25), p.colour2());
  EXPECT_EQ(p.output, p.colour2());
  EXPECT_EQ(p.Evaluate(5, 0.0, 0.0), p.colour1());
  Texture chess(kTextureChess), fade(kTextureFade), fractal(kTextureFractal);
  chess.twoColours.SetColour1(10, 20, 30);
  chess.twoColours.SetColour2(200, 100, 50);
  Material m = Textured(&chess);
  m.setTiles(kDiffuse, 2.0, 2.0);
  EXPECT_EQ(SampleColour(m, kDiffuse, 0.3, 0.1), (ColourF{200, 100, 50}));  // (0.6, 0.2)
  EXPECT_EQ(SampleColour(m, kDiffuse, 0.8, 0.9), (ColourF{10, 20, 30}));    // (0.6, 0.8)
  EXPECT_FLOAT_EQ(SampleBrightness(m, kDiffuse, 0.3, 0.1), 0.3f * 200 + 0.59f * 100 + 0.11f * 50);
  fade.twoColours.SetColour2(200, 100, 50);
  m = Textured(&fade);
  EXPECT_EQ(SampleColour(m, kDiffuse, 0.9, 0.5), (ColourF{100, 50, 25}));
  auto sixteen = PaletteOf(16);
  fractal.fractal.SetPalette(sixteen.get());
  fractal.fractal.xMin = 0.0;
  fractal.fractal.xMax = 1.0;
  m = Textured(&fractal);
  // c = (0.5, -1), the mirror image of (0.5, 1): index 4.
  EXPECT_EQ(fractal.fractal.Evaluate(0.5, 0.0), 4);
  EXPECT_EQ(SampleColour(m, kDiffuse, 0.5, 0.0), (ColourF{40, 104, 251}));
  EXPECT_EQ(SampleBrightness(m, kDiffuse, 0.5, 0.0), float(sixteen->PaletteBrightness(4)));
}

// On a plane: normal +Z, u along +X, v along -Y. The brightnesses of the test image are
// A 60, B 59, D 4 and white 255; the normal tilts away from rising brightness.
TEST(BumpTest, TiltsAwayFromRisingBrightnessOfABitmapOnly) {
  const Vec3 n{0, 0, 1}, x{1, 0, 0}, y{0, 1, 0};
  const auto Tilt = [](double fall_along_u, double fall_along_v) {
    return Vec3{float(fall_along_u / 255.0 * 0.5), float(-fall_along_v / 255.0 * 0.5), 0};
  };
  Texture image;
  image.SetPicture(PalettePicture());
  Material m = Textured(&image, kBump);
  EXPECT_EQ(BumpPerturbation(m, 0.25f, 0.25f, n, x, y), Vec3{});  // amount 0
  m.setValue(kBump, 0, 0.5);
  EXPECT_EQ(BumpPerturbation(m, 0.25f, 0.25f, n, x, y), Tilt(60 - 59, 60 - 4));  // at A
  // At B the neighbours wrap: A to its right, white below.
  EXPECT_EQ(BumpPerturbation(m, 0.75f, 0.25f, n, x, y), Tilt(59 - 60, 59 - 255));
  // A procedural texture has no bitmap to slope.
  Texture chess(kTextureChess);
  chess.twoColours.SetColour2(255, 255, 255);
  m.setTexture(kBump, &chess);
  EXPECT_EQ(BumpPerturbation(m, 0.4f, 0.1f, n, x, y), Vec3{});
}

TEST(TextureLoadTest, FindIffBmpJpegAndPaletteThroughTheSearchPathFailuresKeepTheTexture) {
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
  test::TempDir dir;
  Picture iff;  // 8 × 2 pixels, (1, 2, 3) at (7, 1)
  ASSERT_TRUE(iff.Create(8, 2, 8));
  iff.palette[3] = Rgb{1, 2, 3};
  iff.paletteCount = 4;
  iff.SetPixel(7, 1, 3);
  ASSERT_TRUE(writeILBM(iff, (dir / "a.iff").c_str(), true));
  Texture t;
  LIST paths;
  EXPECT_FALSE(t.LoadImage("a.iff", &paths));
  // The last search path without a trailing separator.
  for (const std::string& path : {dir / "nowhere", std::string(), dir.path().string()})
    paths.Append(new String(path.c_str()), 1);
  paths.First();
  ASSERT_TRUE(t.LoadImage("a.iff", &paths));
  EXPECT_EQ(t.dib(), nullptr);
  EXPECT_EQ(t.fileName, "a.iff");
  EXPECT_EQ(t.TexelColour(7, 1), (ColourF{1, 2, 3}));
  EXPECT_EQ(paths.current, paths.head);
  CDIB bmp;
  ASSERT_TRUE(bmp.Create24(3, 2));
  bmp.SetPixel(2, 1, 10, 20, 30);
  ASSERT_TRUE(bmp.Save((dir / "b.bmp").c_str()));
  ASSERT_TRUE(t.LoadImage("b.bmp", &paths));
  EXPECT_EQ(t.picture(), nullptr);
  EXPECT_EQ(t.Height(), 2);
  EXPECT_EQ(t.TexelColour(2, 1), (ColourF{10, 20, 30}));
  EXPECT_FLOAT_EQ(float(t.TexelBrightness(2, 1)), 0.3f * 10 + 0.59f * 20 + 0.11f * 30);
  JpegEncoder encoder;  // owns the file, null or not
  ASSERT_TRUE(encoder.Start(std::fopen((dir / "c.jpg").c_str(), "wb"), 8, 8, 95));
  const std::vector<uint8_t> row(24, 250);
  for (int y = 0; y < 8; ++y) ASSERT_TRUE(encoder.WriteRow(row.data()));
  ASSERT_TRUE(encoder.Finish());
  ASSERT_TRUE(t.LoadImage("c.jpg", &paths));
  EXPECT_NEAR(t.TexelColour(4, 4).r, 250, 8);
  // A palette refills the picture that fractals borrow, pixels included.
  Texture palette(kTexturePalette);
  ASSERT_TRUE(palette.CreatePicture(8, 8, 8));
  const Picture* borrowed = palette.picture();
  Fractal fractal;
  fractal.SetPalette(borrowed);
  ASSERT_TRUE(palette.LoadPalette("a.iff", &paths));
  EXPECT_EQ(palette.picture(), borrowed);
  EXPECT_EQ(fractal.ColourOf(3), (Rgb{1, 2, 3}));
  EXPECT_EQ(palette.Height(), 2);
  EXPECT_FALSE(palette.LoadPalette("missing.iff", &paths));
  EXPECT_EQ(fractal.ColourOf(3), (Rgb{1, 2, 3}));
  // Failures keep the texture as it was.
  ASSERT_TRUE(t.LoadImage("a.iff", &paths));
  paths.RemoveAll();
  const Picture* held = t.picture();
  // The data folder's 8-bit BMP is readable by the DIB class but has no texels to sample;
  // the JPEGs are cut short after their first marker.
  CDIB check;
  ASSERT_TRUE(check.Open((kData / "eight.bmp").c_str())) << check.LastError();
  ASSERT_EQ(check.BitsPerPixel(), 8);
  for (const char* name : {"missing.iff", "eight.bmp", "broken.jpg", "exif.jpg", "empty.iff"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(t.LoadImage((kData / name).c_str(), nullptr));
    EXPECT_EQ(t.picture(), held);
    EXPECT_EQ(t.fileName, "a.iff");
    EXPECT_EQ(t.TexelColour(7, 1), (ColourF{1, 2, 3}));
  }
  EXPECT_FALSE(t.LoadImage("", nullptr));
  EXPECT_FALSE(t.LoadImage(nullptr, nullptr));
}

}  // namespace
}  // namespace orvane
