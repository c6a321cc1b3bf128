#include "imageio/ilbm.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/error_output.h"
#include "imageio/byte_reader.h"
#include "imageio/picture.h"
#include "support/test_files.h"

namespace orvane {
namespace {

using namespace test;
using Bytes = std::vector<uint8_t>;

// A picture whose pixels use every bit of `planes` and whose rows hold runs and literals.
Picture Pattern(int32_t width, int32_t height, int32_t planes, unsigned seed = 1) {
  Picture p;
  EXPECT_TRUE(p.Create(width, height, planes));
  std::mt19937 rng(seed);
  const int mask = (1 << planes) - 1;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      p.SetPixel(x, y, uint8_t(((x / 5 + y) % 3 == 0 ? int(rng()) : y * 7 + x / 4) & mask));
  p.paletteCount = 1 << planes;
  for (int i = 0; i < p.paletteCount; ++i)
    p.palette[i] = Rgb{uint8_t(i), uint8_t(255 - i), uint8_t(i * 37)};
  return p;
}

Bytes Written(const Picture& p, bool compress) {
  Bytes out;
  EXPECT_TRUE(writeILBM(p, out, compress));
  return out;
}

int Read(Picture& p, const Bytes& b, bool allocate = true) {
  return readILBM(p, b.data(), b.size(), allocate);
}

// The pixels' palette colours as red, green, blue bytes, top row first.
Bytes RgbOf(const Picture& p) {
  Bytes rgb;
  for (int i = 0; i < p.Width() * p.Height(); ++i) {
    const Rgb c = p.PaletteColour(p.Pixel(i % p.Width(), i / p.Width()));
    rgb.insert(rgb.end(), {c.r, c.g, c.b});
  }
  return rgb;
}

TEST(PictureTest, PixelsPaletteAndCopy) {
  Picture p;
  EXPECT_EQ(p.Pixel(0, 0), 0);
  std::ostringstream errors;
  SetErrorOutput(&errors);
  EXPECT_FALSE(p.Create(16385, 16385, 8));
  SetErrorOutput(nullptr);
  EXPECT_EQ(errors.str(), "(ERROR) Bitmap: no memory!\n");
  ASSERT_TRUE(p.Create(4, 3, 8));
  p.SetPixel(3, 2, 9);
  p.paletteCount = 2;
  p.palette[2] = Rgb{9, 9, 9};
  EXPECT_EQ(p.PaletteColour(2), Rgb{});  // at the entry count
  p.palette[0] = Rgb{100, 200, 50};
  EXPECT_EQ(p.PaletteBrightness(0), 153);  // 30 + 118 + 5.5
  Picture copy(p);
  p.SetPixel(3, 2, 1);
  EXPECT_EQ(copy.Pixel(3, 2), 9);
  copy = Picture();
  EXPECT_FALSE(copy.HasPixels());
}

TEST(ByteRun1Test, DecodingAndEncoding) {
  const Bytes data = {0x80, 0x2A, 0x01, 7, 8, 0xFF, 5};  // 129 × 42, literal 7 8, 2 × 5
  ByteReader reader(data.data(), data.size());
  Bytes out(133 + 1, 0xEE);
  ASSERT_TRUE(DecodeByteRun1(reader, out.data(), 133));
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 129), Bytes(129, 42));
  EXPECT_EQ(Bytes(out.begin() + 129, out.end()), (Bytes{7, 8, 5, 5, 0xEE}));
  EXPECT_TRUE(reader.AtEnd());
  // Runs and literals that reach past the line are cut; a literal's rest is still consumed.
  const Bytes over = {0x03, 1, 2, 3, 4, 0x80, 9};
  ByteReader r2(over.data(), over.size());
  ASSERT_TRUE(DecodeByteRun1(r2, out.data(), 2));
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 3), (Bytes{1, 2, 42}));
  EXPECT_EQ(r2.Position(), 5u);
  for (const Bytes& cut : {Bytes{}, Bytes{0x02, 1, 2}, Bytes{0xF0}}) {
    ByteReader r(cut.data(), cut.size());
    EXPECT_FALSE(DecodeByteRun1(r, nullptr, 3));
  }
  // Encoding: the longest runs and literal stretches, round trips of many short runs.
  Bytes distinct(130), literals = {0x7F};
  std::iota(distinct.begin(), distinct.end(), 0);
  literals.insert(literals.end(), distinct.begin(), distinct.begin() + 128);
  literals.insert(literals.end(), {0x01, 128, 129});
  const std::pair<Bytes, Bytes> cases[] = {
      {distinct, literals},
      {Bytes(130, 4), {0x81, 4, 0xFF, 4}},
      // Two equal bytes start a run only at the start of a literal stretch.
      {{1, 1, 2}, {0xFF, 1, 0x00, 2}},
      {{2, 1, 1, 1, 3}, {0x00, 2, 0xFE, 1, 0x00, 3}},
      {{}, {}},
  };
  for (const auto& [input, expected] : cases) {
    Bytes code;
    EncodeByteRun1(input.data(), input.size(), code);
    EXPECT_EQ(code, expected) << input.size() << " bytes";
  }
}

TEST(IlbmWriteTest, HeaderBytes) {
  // 16 x 3, one plane, rows 0xAA 0x55: three literal lines 01 AA 55, a body of odd length: a
  // pad byte outside the BODY size, inside the FORM size.
  Picture stripes;
  ASSERT_TRUE(stripes.Create(16, 3, 1));
  for (int i = 0; i < 48; ++i)
    stripes.SetPixel(i % 16, i / 16, uint8_t((i % 16 + i % 16 / 8) % 2 == 0));
  stripes.paletteCount = 2;
  stripes.palette[1] = Rgb{200, 100, 50};
  EXPECT_EQ(Written(stripes, true), ReadBytes(std::filesystem::path(__FILE__).parent_path() /
                                              "data" / "stripes_packed.iff"));
  Bytes out{1};
  EXPECT_FALSE(writeILBM(Picture(), out, true));
  EXPECT_TRUE(out.empty());
  Picture deep;
  ASSERT_TRUE(deep.Create(8, 8, 24));
  EXPECT_FALSE(writeILBM(deep, out, false));
  EXPECT_FALSE(writeILBM(Pattern(8, 8, 8), "/nonexistent-dir/x.iff", false));
}

TEST(IlbmReadTest, RefusedBodiesLeaveThePixels) {
  const Picture original = Pattern(16, 4, 8);
  auto expectUntouched = [&](const Bytes& file, bool allocate) {
    Picture p(original);
    const uint8_t* block = p.bitmap()->data;
    EXPECT_EQ(Read(p, file, allocate), 1);
    EXPECT_EQ(p.bitmap()->data, block);
    EXPECT_EQ(RgbOf(p), RgbOf(original));
  };
  const Bytes good = Written(Pattern(16, 4, 8, 9), true);
  for (auto [w, h] : {std::pair{0, 4}, {16, 0}, {65535, 65535}, {16384, 16385}}) {
    SCOPED_TRACE(testing::Message() << w << " x " << h);
    Bytes b = good;
    b[20] = uint8_t(w >> 8), b[21] = uint8_t(w), b[22] = uint8_t(h >> 8), b[23] = uint8_t(h);
    expectUntouched(b, true);
  }
  Bytes unknownPacking = good;
  unknownPacking[30] = 2;
  expectUntouched(unknownPacking, true);
  // Without allocation the body is read only into a picture of the file's size.
  expectUntouched(Written(Pattern(24, 4, 8), false), false);
  expectUntouched(Written(Pattern(16, 5, 8), false), false);
  // A picture of the file's size keeps its buffer; another one gets a new one.
  Picture same(original);
  const uint8_t* block = same.bitmap()->data;
  ASSERT_EQ(Read(same, good, false), 3);
  EXPECT_EQ(same.bitmap()->data, block);
  EXPECT_EQ(RgbOf(same), RgbOf(Pattern(16, 4, 8, 9)));
  Picture shallow = Pattern(16, 4, 4);
  ASSERT_EQ(Read(shallow, good, true), 3);
  EXPECT_EQ(shallow.Planes(), 8);
}

TEST(NetpbmTest, TheyReadOurFilesAndWeReadTheirs) {
  if (!HasTool("ilbmtoppm ppmtoilbm")) GTEST_SKIP() << "netpbm not installed";
  TempDir dir;
  auto Path = [&](const char* name) { return std::string(dir / name); };
  auto Run = [](const std::string& command) {
    return std::system((command + " 2>/dev/null").c_str()) == 0;
  };
  // Their rows are padded to 16 pixels, so the width is a multiple of 16.
  const Picture ours = Pattern(48, 11, 8, 11);
  ASSERT_TRUE(writeILBM(ours, Path("ours.iff").c_str(), true));
  ASSERT_TRUE(Run("ilbmtoppm " + Path("ours.iff") + " > " + Path("ours.ppm")));
  const Pnm theirs = ParsePnm(ReadBytes(Path("ours.ppm")));
  ASSERT_EQ(theirs.width, ours.Width());
  EXPECT_EQ(theirs.rgb, RgbOf(ours));
  // Their packed file of 256 distinct colours, so their CMAP is as long as the plane count says.
  const std::string head = "P6\n32 16\n255\n";
  Bytes ppm(head.begin(), head.end());
  for (int i = 0; i < 32 * 16; ++i) {
    const int c = (i * 7 + i / 32) % 256;
    ppm.insert(ppm.end(), {uint8_t(c), uint8_t(255 - c), uint8_t(c * 3)});
  }
  WriteBytes(Path("in.ppm"), ppm);
  ASSERT_TRUE(Run("ppmtoilbm -maxplanes 8 -compress " + Path("in.ppm") + " > " + Path("in.iff")));
  Picture p;
  ASSERT_EQ(readILBM(p, Path("in.iff").c_str(), true), 3);
  EXPECT_EQ(p.Planes(), 8);
  EXPECT_EQ(RgbOf(p), Bytes(ppm.begin() + head.size(), ppm.end()));
}

}  // namespace
}  // namespace orvane
