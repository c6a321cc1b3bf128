#include "material/texture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "imageio/ilbm.h"
#include "imageio/jpeg.h"
#include "material/material.h"
#include "material/sampling.h"
#include "support/test_files.h"

namespace orvane {
namespace {

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

void ExpectColour(const ColourF& c, float r, float g, float b) {
  EXPECT_FLOAT_EQ(c.r, r);
  EXPECT_FLOAT_EQ(c.g, g);
  EXPECT_FLOAT_EQ(c.b, b);
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

TEST_P(SamplingTest, HalfHorizontalHalfVerticalFilter) {
  const Material m = Textured(&texture_);
  ASSERT_TRUE(texture_.HasTexels());
  // fx = fy = 0.5: 0.5 A + 0.25 B + 0.25 D, without the diagonal texel.
  ExpectColour(SampleColour(m, kDiffuse, 0.25, 0.25), 100.0f, 25.0f, 10.0f);
  // Texel centres give the texel itself.
  ExpectColour(SampleColour(m, kDiffuse, 0.0, 0.0), 200.0f, 0.0f, 0.0f);
  ExpectColour(SampleColour(m, kDiffuse, 0.5, 0.5), 255.0f, 255.0f, 255.0f);
}

TEST_P(SamplingTest, NeighboursWrapAtTheEdges) {
  const Material m = Textured(&texture_);
  // Last column: B is column 0 of the same row. 0.5 (0,100,0) + 0.25 (200,0,0) + 0.25 white.
  ExpectColour(SampleColour(m, kDiffuse, 0.75, 0.25), 113.75f, 113.75f, 63.75f);
  // Last row: D is row 0. 0.5 (0,0,40) + 0.25 white + 0.25 (200,0,0).
  ExpectColour(SampleColour(m, kDiffuse, 0.25, 0.75), 113.75f, 63.75f, 83.75f);
}

TEST_P(SamplingTest, TilesRepeatTheTexture) {
  Material m = Textured(&texture_);
  m.setTiles(kDiffuse, 2.0, 2.0);
  ExpectColour(SampleColour(m, kDiffuse, 0.625, 0.125), 100.0f, 25.0f, 10.0f);  // (1.25, 0.25)
  ExpectColour(SampleColour(m, kDiffuse, 0.875, 0.125), 113.75f, 113.75f, 63.75f);
  // Coordinates outside [0, 1) repeat as well.
  m.setTiles(kDiffuse, 1.0, 1.0);
  ExpectColour(SampleColour(m, kDiffuse, 3.25, -0.75), 100.0f, 25.0f, 10.0f);
}

TEST_P(SamplingTest, TexelsAddToTheChannelColourUnclamped) {
  Material m = Textured(&texture_);
  m.setColour(kDiffuse, 255, 255, 255);
  ExpectColour(SampleColour(m, kDiffuse, 0.5, 0.5), 510.0f, 510.0f, 510.0f);
}

TEST_P(SamplingTest, NegativeUDisablesOnlyTheColourLookup) {
  Material m = Textured(&texture_);
  m.setColour(kDiffuse, 7, 8, 9);
  ExpectColour(SampleColour(m, kDiffuse, -0.75, 0.25), 7.0f, 8.0f, 9.0f);
  EXPECT_EQ(SampleBrightness(m, kDiffuse, -0.75, 0.25), SampleBrightness(m, kDiffuse, 0.25, 0.25));
  EXPECT_LT(SampleBrightness(m, kDiffuse, -0.75, 0.25), 255.0f);
}

TEST_P(SamplingTest, Brightness) {
  const Material m = Textured(&texture_);
  // Texel brightnesses: A 60, B 59, D 4.4, which 8-bit pictures truncate to 4 through the
  // palette brightness.
  const float expected = GetParam() ? 0.5f * 60 + 0.25f * 59 + 0.25f * 4.4f : 45.75f;
  EXPECT_FLOAT_EQ(SampleBrightness(m, kDiffuse, 0.25, 0.25), expected);
  EXPECT_FLOAT_EQ(SampleBrightness(m, kDiffuse, 0.0, 0.0), 60.0f);
  // Channels without a texture and channels outside the seven read full brightness.
  EXPECT_EQ(SampleBrightness(m, kMirror, 0.25, 0.25), 255.0f);
  EXPECT_EQ(SampleBrightness(m, 7, 0.25, 0.25), 255.0f);
  EXPECT_EQ(SampleBrightness(m, -1, 0.25, 0.25), 255.0f);
}

TEST(SamplingTest, ChannelsWithoutAUsableTexture) {
  Texture palette(kTexturePalette);
  palette.SetPicture(PalettePicture());
  Texture empty;  // an image without a picture
  for (Texture* t : {&palette, &empty}) {
    Material m = Textured(t);
    m.setColour(kDiffuse, 7, 8, 9);
    ExpectColour(SampleColour(m, kDiffuse, 0.25, 0.25), 7.0f, 8.0f, 9.0f);
    EXPECT_EQ(SampleBrightness(m, kDiffuse, 0.25, 0.25), 255.0f);
  }
  Texture image;
  image.SetPicture(PalettePicture());
  Material m = Textured(&image);
  m.setHasTexture(kDiffuse, 0);
  ExpectColour(SampleColour(m, kDiffuse, 0.25, 0.25), 0.0f, 0.0f, 0.0f);
  EXPECT_EQ(SampleBrightness(m, kDiffuse, 0.25, 0.25), 255.0f);
  ExpectColour(SampleColour(m, 7, 0.25, 0.25), 0.0f, 0.0f, 0.0f);
}

TEST(SamplingTest, ProceduralTexturesAreSampledAtTheTiledCoordinates) {
  Texture chess(kTextureChess);
  chess.twoColours.SetColour1(10, 20, 30);
  chess.twoColours.SetColour2(200, 100, 50);
  Material m = Textured(&chess);
  m.setTiles(kDiffuse, 2.0, 2.0);
  ExpectColour(SampleColour(m, kDiffuse, 0.3, 0.1), 200.0f, 100.0f, 50.0f);  // (0.6, 0.2)
  ExpectColour(SampleColour(m, kDiffuse, 0.8, 0.9), 10.0f, 20.0f, 30.0f);    // (0.6, 0.8)
  EXPECT_FLOAT_EQ(SampleBrightness(m, kDiffuse, 0.3, 0.1), 0.3f * 200 + 0.59f * 100 + 0.11f * 50);

  Texture fade(kTextureFade);
  fade.twoColours.SetColour1(0, 0, 0);
  fade.twoColours.SetColour2(200, 100, 50);
  m = Textured(&fade);
  ExpectColour(SampleColour(m, kDiffuse, 0.9, 0.5), 100.0f, 50.0f, 25.0f);

  Picture palette;
  for (int i = 0; i < 16; ++i) palette.palette[i] = Rgb{uint8_t(16 * i), 0, 0};
  palette.paletteCount = 16;
  Texture fractal(kTextureFractal);
  fractal.fractal.SetPalette(&palette);
  fractal.fractal.xMin = 0.0;
  fractal.fractal.xMax = 1.0;
  fractal.fractal.yMin = 0.0;
  fractal.fractal.yMax = 2.0;
  m = Textured(&fractal);
  // c = (0.5, 1.0): index 4.
  ExpectColour(SampleColour(m, kDiffuse, 0.5, 0.5), 64.0f, 0.0f, 0.0f);
  EXPECT_EQ(SampleBrightness(m, kDiffuse, 0.5, 0.5), float(palette.PaletteBrightness(4)));
}

// A 4 × 4 picture whose red rises 0, 100, 200, 250 along x (brightness 0, 30, 60, 75), or
// along y.
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

class BumpTest : public ::testing::Test {
 protected:
  const Vec3 normal_{0, 0, 1};
  const Vec3 x_{1, 0, 0};
  const Vec3 y_{0, 1, 0};
};

TEST_F(BumpTest, ZeroWithoutAnAmountOrABitmap) {
  Texture image;
  image.SetPicture(Gradient(true));
  Material m = Textured(&image, kBump);
  EXPECT_EQ(BumpPerturbation(m, 0.25f, 0.0f, normal_, x_, y_), Vec3{});  // amount 0
  m.setValue(kBump, 0, 1.0);
  EXPECT_NE(BumpPerturbation(m, 0.25f, 0.0f, normal_, x_, y_), Vec3{});
  m.setHasTexture(kBump, 0);
  EXPECT_EQ(BumpPerturbation(m, 0.25f, 0.0f, normal_, x_, y_), Vec3{});

  Texture chess(kTextureChess);
  chess.twoColours.SetColour2(255, 255, 255);
  Material patterned = Textured(&chess, kBump);
  patterned.setValue(kBump, 0, 1.0);
  EXPECT_EQ(BumpPerturbation(patterned, 0.4f, 0.1f, normal_, x_, y_), Vec3{});
  // A uniform bitmap has no slope.
  Texture flat;
  flat.SetPicture(PalettePicture());
  flat.picture()->SetPixel(1, 0, 10);
  flat.picture()->SetPixel(0, 1, 10);
  flat.picture()->SetPixel(1, 1, 10);
  Material level = Textured(&flat, kBump);
  level.setValue(kBump, 0, 1.0);
  EXPECT_EQ(BumpPerturbation(level, 0.3f, 0.7f, normal_, x_, y_), Vec3{});
}

TEST_F(BumpTest, TiltsAwayFromRisingBrightness) {
  Texture image;
  image.SetPicture(Gradient(true));
  Material m = Textured(&image, kBump);
  m.setValue(kBump, 0, 0.5);
  // Brightness rises toward +u (+X on a plane): the normal tilts toward -X.
  Vec3 p = BumpPerturbation(m, 0.25f, 0.0f, normal_, x_, y_);  // b0 30, bx 60
  EXPECT_FLOAT_EQ(p.x, float(-30.0 / 255.0 * 0.5));
  EXPECT_EQ(p.y, 0.0f);
  EXPECT_EQ(p.z, 0.0f);
  // In the last column the neighbour wraps to column 0: a fall from 75 to 0.
  p = BumpPerturbation(m, 0.75f, 0.0f, normal_, x_, y_);
  EXPECT_FLOAT_EQ(p.x, float(75.0 / 255.0 * 0.5));

  // Brightness rises toward +v, which is -Y on a plane: the normal tilts toward +Y.
  image.SetPicture(Gradient(false));
  p = BumpPerturbation(m, 0.0f, 0.25f, normal_, x_, y_);
  EXPECT_EQ(p.x, 0.0f);
  EXPECT_FLOAT_EQ(p.y, float(30.0 / 255.0 * 0.5));
  // The tangents follow the object's axes: turned a quarter about Z.
  p = BumpPerturbation(m, 0.0f, 0.25f, normal_, Vec3{0, 1, 0}, Vec3{-1, 0, 0});
  EXPECT_FLOAT_EQ(p.x, float(-30.0 / 255.0 * 0.5));
  EXPECT_NEAR(p.y, 0.0f, 1e-7);
}

TEST(FindTextureTest, ByNameWithoutMovingTheList) {
  LIST list;
  auto* a = new Texture;
  a->name = "wood";
  auto* b = new Texture(kTextureChess);
  b->name = "board";
  auto* m = new Material;
  m->name = "board";  // not a texture
  list.Append(m, 1);
  list.Append(a, 1);
  list.Append(b, 1);
  list.First();
  const ListNode* current = list.current;
  EXPECT_EQ(FindTexture(&list, String("board")), b);
  EXPECT_EQ(FindTexture(&list, String("wood")), a);
  EXPECT_EQ(FindTexture(&list, String("metal")), nullptr);
  EXPECT_EQ(FindTexture(&list, String("")), nullptr);
  EXPECT_EQ(FindTexture(nullptr, String("wood")), nullptr);
  EXPECT_EQ(list.current, current);
  list.RemoveAll();
}

TEST(SearchPathTest, Join) {
  EXPECT_EQ(JoinSearchPath(String("tex"), "a.iff"), "tex/a.iff");
  EXPECT_EQ(JoinSearchPath(String("tex/"), "a.iff"), "tex/a.iff");
  EXPECT_EQ(JoinSearchPath(String("C:\\tex\\"), "a.iff"), "C:\\tex\\a.iff");
  EXPECT_EQ(JoinSearchPath(String(""), "a.iff"), "a.iff");
}

class TextureLoadTest : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(dir_.path() / "textures"); }
  void TearDown() override { paths_.RemoveAll(); }
  std::string Path(const std::string& name) const { return dir_ / name; }
  void AddSearchPath(const std::string& path) { paths_.Append(new String(path.c_str()), 1); }
  void WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) const {
    test::WriteBytes(Path(name), bytes);
  }
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
  EXPECT_EQ(t.fileName, Path("textures/a.iff").c_str());
  ASSERT_NE(t.picture(), nullptr);
  EXPECT_EQ(t.dib(), nullptr);
  EXPECT_EQ(t.Width(), 8);
  EXPECT_EQ(t.Height(), 2);
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

  paths_.RemoveAll();
  AddSearchPath(Path("textures") + "/");
  EXPECT_TRUE(Texture().LoadImage("a.iff", &paths_));
}

TEST_F(TextureLoadTest, TwentyFourBitBmpAndJpeg) {
  CDIB bmp;
  ASSERT_TRUE(bmp.Create24(3, 2));
  bmp.SetPixel(2, 1, 10, 20, 30);
  ASSERT_TRUE(bmp.Save(Path("textures/b.bmp").c_str()));
  AddSearchPath(Path("textures"));
  Texture t;
  ASSERT_TRUE(t.LoadImage("b.bmp", &paths_));
  ASSERT_NE(t.dib(), nullptr);
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
  ASSERT_NE(t.dib(), nullptr);
  EXPECT_EQ(t.Width(), 8);
  const ColourF c = t.TexelColour(4, 4);
  EXPECT_NEAR(c.r, 250, 8);
  EXPECT_NEAR(c.g, 10, 8);
  EXPECT_NEAR(c.b, 10, 8);
}

TEST_F(TextureLoadTest, FailuresKeepTheTexture) {
  WriteIff("keep.iff");
  Texture t;
  ASSERT_TRUE(t.LoadImage(Path("keep.iff").c_str(), nullptr));
  const Picture* held = t.picture();

  // 8-bit BMP: readable by the DIB class but without texels to sample.
  std::vector<uint8_t> bmp8 = {'B', 'M', 0x3A, 0x04, 0, 0, 0, 0, 0, 0, 0x36, 0x04, 0, 0,
                               40,  0,   0,    0,    1, 0, 0, 0, 1, 0, 0,    0,    1, 0,
                               8,   0,   0,    0,    0, 0, 0, 0, 0, 0, 0,    0,    0, 0,
                               0,   0,   0,    0,    0, 0, 0, 0, 0, 0, 0,    0};
  bmp8.resize(0x436 + 4, 0);
  WriteBytes("eight.bmp", bmp8);
  CDIB check;
  ASSERT_TRUE(check.Open(Path("eight.bmp").c_str())) << check.LastError();
  ASSERT_EQ(check.BitsPerPixel(), 8);

  WriteBytes("broken.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0});
  WriteBytes("exif.jpg", {0xFF, 0xD8, 0xFF, 0xE1, 0, 16, 'E', 'x', 'i', 'f', 0});
  WriteBytes("empty.iff", {});
  for (const char* name : {"missing.iff", "eight.bmp", "broken.jpg", "exif.jpg", "empty.iff"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(t.LoadImage(Path(name).c_str(), nullptr));
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
  EXPECT_EQ(palette.Width(), 8);
  EXPECT_EQ(palette.Height(), 2);  // the file's pixels came along
  EXPECT_FALSE(palette.LoadPalette("missing.iff", &paths_));
  EXPECT_EQ(palette.picture(), borrowed);
  EXPECT_EQ(fractal.fractal.ColourOf(3), (Rgb{1, 2, 3}));
}

}  // namespace
}  // namespace orvane
