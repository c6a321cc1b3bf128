#include "material/procedural.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <memory>
#include <string>

#include "imageio/ilbm.h"
#include "support/test_files.h"

namespace orvane {
namespace {

std::unique_ptr<Picture> PaletteOf(int entries) {
  auto p = std::make_unique<Picture>();
  for (int i = 0; i < entries; ++i) {
    p->palette[i] = Rgb{uint8_t(10 * i), uint8_t(100 + i), uint8_t(255 - i)};
  }
  p->paletteCount = entries;
  return p;
}

TEST(MandelbrotTest, CountsWithBailoutBeforeTheLastStep) {
  bool inside = false;
  EXPECT_EQ(Fractal::MandelbrotCount(0.0, 0.0, 20, &inside), 20);
  EXPECT_TRUE(inside);
  // |z|² runs 0, 1.25, 4.0625, 11.8: a bailout of 4, or a test after the step, stops earlier.
  EXPECT_EQ(Fractal::MandelbrotCount(0.5, 1.0, 20, &inside), 4);
  EXPECT_FALSE(inside);
  EXPECT_EQ(Fractal::MandelbrotCount(-2.0, -1.0, 20, &inside), 3);
  EXPECT_FALSE(inside);
  // The iteration limit also ends escaping points.
  EXPECT_EQ(Fractal::MandelbrotCount(0.5, 1.0, 3, &inside), 3);
  EXPECT_TRUE(inside);
  // Degenerate inputs end at once.
  EXPECT_EQ(Fractal::MandelbrotCount(0.0, 0.0, 0, &inside), 1);
  EXPECT_TRUE(inside);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(Fractal::MandelbrotCount(nan, nan, 20, &inside), 2);
  EXPECT_FALSE(inside);
  EXPECT_EQ(Fractal::MandelbrotCount(1e300, 0.0, 20, nullptr), 2);
}

TEST(MandelbrotTest, IndexAndColourThroughPalette) {
  Fractal f;
  // No palette: n mod 256 and a grey ramp.
  EXPECT_EQ(f.IndexForC(0.5, 1.0), 4);
  EXPECT_EQ(f.IndexForC(0.0, 0.0), 20);
  EXPECT_EQ(f.ColourOf(20), (Rgb{20, 20, 20}));
  EXPECT_EQ(f.BrightnessOf(20), 20);

  auto sixteen = PaletteOf(16);
  f.SetPalette(sixteen.get());
  EXPECT_EQ(f.ownsPalette(), 0u);
  EXPECT_EQ(f.IndexForC(0.5, 1.0), 4);
  EXPECT_EQ(f.ColourOf(4), sixteen->palette[4]);
  // Inside points keep n mod 256, past the palette: black.
  EXPECT_EQ(f.IndexForC(0.0, 0.0), 20);
  EXPECT_EQ(f.ColourOf(20), (Rgb{0, 0, 0}));
  EXPECT_EQ(f.BrightnessOf(20), 0);

  f.SetOwnedPalette(PaletteOf(3));
  EXPECT_EQ(f.ownsPalette(), 1u);
  EXPECT_EQ(f.IndexForC(0.5, 1.0), 4 % 3);
  EXPECT_EQ(f.IndexForC(-2.0, -1.0), 0);

  // A palette without entries counts as none (no division by zero).
  f.SetOwnedPalette(PaletteOf(0));
  EXPECT_EQ(f.IndexForC(0.5, 1.0), 4);
  EXPECT_EQ(f.ColourOf(4), (Rgb{4, 4, 4}));

  // More than 256 iterations: inside points wrap around the byte.
  f.iterations = 300;
  EXPECT_EQ(f.IndexForC(0.0, 0.0), 300 % 256);
}

TEST(MandelbrotTest, TextureCoordinatesSpanTheLimits) {
  Fractal f;
  // Default limits: u = 2.7 / 3.2 and v = 0.5 is c = (0, 0), inside.
  EXPECT_EQ(f.IndexAt(0.84375, 0.5), 20);
  f.xMin = 0.0;
  f.xMax = 1.0;
  f.yMin = 0.0;
  f.yMax = 2.0;
  EXPECT_EQ(f.IndexAt(0.5, 0.5), 4);  // c = (0.5, 1.0)
  EXPECT_EQ(f.lastIndex, 0);
  EXPECT_EQ(f.Evaluate(0.5, 0.5), 4);
  EXPECT_EQ(f.lastIndex, 4);
}

class FractalPictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // 16 × 8 pixels over [-2, 2] × [-1, 1]: pixel (8, 4) is c = (0, 0).
    f_.pictureWidth = 16;
    f_.pictureHeight = 8;
    f_.xMin = -2.0;
    f_.xMax = 2.0;
    f_.yMin = -1.0;
    f_.yMax = 1.0;
  }
  std::string Path(const char* name) const { return dir_ / name; }

  test::TempDir dir_;
  Fractal f_;
};

TEST_F(FractalPictureTest, WrittenAndReadBack) {
  auto palette = PaletteOf(16);
  f_.SetPalette(palette.get());
  for (bool compress : {false, true}) {
    SCOPED_TRACE(compress);
    const std::string path = Path(compress ? "packed.iff" : "plain.iff");
    ASSERT_EQ(f_.WritePicture(path.c_str(), compress), 0);
    Picture read;
    ASSERT_EQ(readILBM(read, path.c_str(), true), kIlbmPaletteRead | kIlbmBodyRead);
    ASSERT_EQ(read.Width(), 16);
    ASSERT_EQ(read.Height(), 8);
    EXPECT_EQ(read.Pixel(8, 4), 20);  // inside
    EXPECT_EQ(read.Pixel(0, 0), 3);   // c = (-2, -1)
    EXPECT_EQ(read.Pixel(5, 3), 15);  // c = (-0.75, -0.25): x is the column, y the row
    EXPECT_EQ(read.Pixel(3, 5), 11);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(read.palette[i], palette->palette[i]);
  }
}

TEST_F(FractalPictureTest, WithoutPaletteWritesTheGreyRamp) {
  const std::string path = Path("grey.iff");
  ASSERT_EQ(f_.WritePicture(path.c_str(), false), 0);
  Picture read;
  ASSERT_EQ(readILBM(read, path.c_str(), true), kIlbmPaletteRead | kIlbmBodyRead);
  ASSERT_EQ(read.paletteCount, 256);
  EXPECT_EQ(read.palette[200], (Rgb{200, 200, 200}));
  EXPECT_EQ(read.PaletteColour(read.Pixel(8, 4)), (Rgb{20, 20, 20}));
}

TEST_F(FractalPictureTest, Failures) {
  EXPECT_EQ(f_.WritePicture(Path("missing/dir/x.iff").c_str(), false), -1);
  f_.pictureWidth = 0;
  EXPECT_EQ(f_.WritePicture(Path("empty.iff").c_str(), false), -1);
  EXPECT_FALSE(std::filesystem::exists(Path("empty.iff")));
  f_.pictureWidth = 16;
  f_.pictureHeight = -3;
  EXPECT_EQ(f_.WritePicture(Path("negative.iff").c_str(), false), -1);
}

TwoColourPattern Pattern() {
  TwoColourPattern p;
  p.SetColour1(0, 100, -9);
  p.SetColour2(255, 0, 0);
  return p;
}

TEST(TwoColourTest, ColoursAreInterleaved) {
  TwoColourPattern p;
  p.SetColour1(1, 2, 3);
  p.SetColour2(4, 5, 6);
  EXPECT_EQ(p.colours, (std::array<int16_t, 6>{1, 4, 2, 5, 3, 6}));
  EXPECT_EQ(p.colour1(), (Colour16{1, 2, 3}));
  EXPECT_EQ(p.colour2(), (Colour16{4, 5, 6}));
}

TEST(TwoColourTest, ChessCorners) {
  const TwoColourPattern p = Pattern();
  EXPECT_EQ(ChessColour(p, 0.25, 0.25), p.colour1());
  EXPECT_EQ(ChessColour(p, 0.75, 0.75), p.colour1());
  EXPECT_EQ(ChessColour(p, 0.75, 0.25), p.colour2());
  EXPECT_EQ(ChessColour(p, 0.25, 0.75), p.colour2());
  EXPECT_EQ(ChessColour(p, 0.5, 0.5), p.colour1());
  EXPECT_EQ(ChessColour(p, 0.5, 0.4999), p.colour2());
}

TEST(TwoColourTest, FadeRunsAlongV) {
  const TwoColourPattern p = Pattern();
  EXPECT_EQ(FadeColour(p, 0.3, 0.0), p.colour1());
  EXPECT_EQ(FadeColour(p, 0.9, 1.0), p.colour2());
  // 127.5 and -4.5 truncate toward zero; u does not matter.
  EXPECT_EQ(FadeColour(p, 0.0, 0.5), (Colour16{127, 50, -4}));
  EXPECT_EQ(FadeColour(p, 0.99, 0.5), (Colour16{127, 50, -4}));
  // Far outside [0, 1] the components stay in the 16-bit range; NaN gives 0.
  EXPECT_EQ(FadeColour(p, 0.0, 1000.0), (Colour16{32767, -32768, 8991}));
  EXPECT_EQ(FadeColour(p, 0.0, std::numeric_limits<double>::quiet_NaN()), (Colour16{0, 0, 0}));
}

TEST(TwoColourTest, EvaluateRecordsTheOutput) {
  TwoColourPattern p = Pattern();
  EXPECT_EQ(p.Evaluate(4, 0.75, 0.25), p.colour2());
  EXPECT_EQ(p.output, p.colour2());
  EXPECT_EQ(p.Evaluate(5, 0.0, 0.0), p.colour1());
  EXPECT_EQ(p.output, p.colour1());
}

}  // namespace
}  // namespace orvane
