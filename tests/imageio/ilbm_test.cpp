#include "imageio/ilbm.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
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

using Bytes = std::vector<uint8_t>;

const std::filesystem::path kDataDir = std::filesystem::path(__FILE__).parent_path() / "data";

uint32_t BigEndian32(const Bytes& b, std::size_t at) {
  return uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3];
}

// A picture whose pixels use every bit of `planes` and whose rows hold runs and literals.
Picture Pattern(int32_t width, int32_t height, int32_t planes, unsigned seed = 1) {
  Picture p;
  EXPECT_TRUE(p.Create(width, height, planes));
  std::mt19937 rng(seed);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int value = (x / 5 + y) % 3 == 0 ? int(rng()) : y * 7 + x / 4;
      p.SetPixel(x, y, static_cast<uint8_t>(value & ((1 << planes) - 1)));
    }
  }
  p.paletteCount = 1 << planes;
  for (int i = 0; i < p.paletteCount; ++i) {
    p.palette[i] = Rgb{uint8_t(i), uint8_t(255 - i), uint8_t(i * 37)};
  }
  return p;
}

// 16 x 3, one plane, rows 0xAA 0x55: every line a two-byte literal.
Picture Stripes() {
  Picture p;
  EXPECT_TRUE(p.Create(16, 3, 1));
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 16; ++x) p.SetPixel(x, y, uint8_t((x + x / 8) % 2 == 0));
  }
  p.paletteCount = 2;
  p.palette[1] = Rgb{200, 100, 50};
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

// Builds files by hand: the 40-byte header, then the chunks as given (no padding of their own).
Bytes File(int width, int height, int planes, int compression,
           const std::vector<std::pair<const char*, Bytes>>& chunks) {
  Picture p;
  p.Create(8, 1, 1);
  Bytes b = Written(p, false);
  b.resize(40);
  b[20] = uint8_t(width >> 8), b[21] = uint8_t(width);
  b[22] = uint8_t(height >> 8), b[23] = uint8_t(height);
  b[28] = uint8_t(planes);
  b[30] = uint8_t(compression);
  for (const auto& [tag, payload] : chunks) {
    b.insert(b.end(), tag, tag + 4);
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(uint8_t(payload.size() >> shift));
    b.insert(b.end(), payload.begin(), payload.end());
  }
  return b;
}

void ExpectSamePixels(const Picture& a, const Picture& b, int32_t width) {
  ASSERT_EQ(a.Height(), b.Height());
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < width; ++x) ASSERT_EQ(a.Pixel(x, y), b.Pixel(x, y)) << x << "," << y;
  }
}

TEST(PictureTest, PixelsPaletteAndCopy) {
  Picture p;
  EXPECT_FALSE(p.HasPixels());
  EXPECT_EQ(p.Pixel(0, 0), 0);
  EXPECT_FALSE(p.Create(0, 5, 8));
  std::ostringstream errors;
  SetErrorOutput(&errors);
  EXPECT_FALSE(p.Create(16385, 16385, 8));
  SetErrorOutput(nullptr);
  EXPECT_EQ(errors.str(), "(ERROR) Bitmap: no memory!\n");
  ASSERT_TRUE(p.Create(4, 3, 8));
  p.SetPixel(3, 2, 9);
  p.SetPixel(4, 0, 7);  // outside: ignored
  EXPECT_EQ(p.Pixel(4, 0), 0);
  p.paletteCount = 2;
  p.palette[1] = Rgb{255, 255, 255};
  p.palette[2] = Rgb{9, 9, 9};
  EXPECT_EQ(p.PaletteColour(2), Rgb{});  // at the entry count
  p.palette[0] = Rgb{100, 200, 50};
  EXPECT_EQ(p.PaletteBrightness(0), 153);  // 30 + 118 + 5.5
  EXPECT_EQ(p.PaletteBrightness(-1), 0);
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
  Bytes line(2 + 1, 0xEE);
  ASSERT_TRUE(DecodeByteRun1(r2, line.data(), 2));
  EXPECT_EQ(line, (Bytes{1, 2, 0xEE}));
  EXPECT_EQ(r2.Position(), 5u);
  ASSERT_TRUE(DecodeByteRun1(r2, line.data(), 1));
  EXPECT_EQ(line[0], 9);
  for (const Bytes& cut : {Bytes{}, Bytes{0x02, 1, 2}, Bytes{0xF0}}) {
    ByteReader r(cut.data(), cut.size());
    EXPECT_FALSE(DecodeByteRun1(r, nullptr, 3));
  }

  // Encoding: the longest runs and literal stretches, round trips of many short runs.
  Bytes distinct(130);
  for (int i = 0; i < 130; ++i) distinct[i] = uint8_t(i);
  Bytes literals = {0x7F};
  literals.insert(literals.end(), distinct.begin(), distinct.begin() + 128);
  literals.insert(literals.end(), {0x01, 128, 129});
  const struct {
    Bytes data, code;
  } cases[] = {
      {distinct, literals},
      {Bytes(128, 4), {0x81, 4}},
      {Bytes(130, 4), {0x81, 4, 0xFF, 4}},
      // Two equal bytes start a run only at the start of a literal stretch.
      {{1, 1, 2}, {0xFF, 1, 0x00, 2}},
      {{2, 1, 1, 1, 3}, {0x00, 2, 0xFE, 1, 0x00, 3}},
      {{}, {}},
  };
  for (const auto& c : cases) {
    Bytes code;
    EncodeByteRun1(c.data.data(), c.data.size(), code);
    EXPECT_EQ(code, c.code) << c.data.size() << " bytes";
  }
}

TEST(IlbmWriteTest, HeaderBytes) {
  // Three literal lines 01 AA 55, a body of odd length: a pad byte outside the BODY size,
  // inside the FORM size.
  EXPECT_EQ(Written(Stripes(), true), test::ReadBytes(kDataDir / "stripes_packed.iff"));
  Bytes out{1};
  EXPECT_FALSE(writeILBM(Picture(), out, true));
  EXPECT_TRUE(out.empty());
  Picture deep;
  ASSERT_TRUE(deep.Create(8, 8, 24));
  EXPECT_FALSE(writeILBM(deep, out, false));
  EXPECT_FALSE(writeILBM(Pattern(8, 8, 8), "/nonexistent-dir/x.iff", false));
}

TEST(IlbmReadTest, ChunkScanAndPlaneCounts) {
  // Rows of planes 0 and 1: 0xAA, 0x0F; then 0x0F (a run of two cut to the line), 0xF0.
  const Bytes body = {0x00, 0xAA, 0x00, 0x0F, 0xFF, 0x0F, 0x00, 0xF0};
  Bytes cmap(12);
  for (int i = 0; i < 12; ++i) cmap[i] = uint8_t(10 + i);
  auto file = [](const std::vector<std::pair<const char*, Bytes>>& chunks) {
    return File(8, 2, 2, 1, chunks);
  };
  const Bytes b = file({{"ANNO", {'a', 'b', 'c', 'd'}}, {"CMAP", cmap}, {"BODY", body}});
  Picture p;
  ASSERT_EQ(Read(p, b), 3);
  EXPECT_EQ(p.PaletteColour(3), (Rgb{19, 20, 21}));
  EXPECT_EQ((Bytes{p.Pixel(0, 0), p.Pixel(1, 0), p.Pixel(4, 0), p.Pixel(5, 0), p.Pixel(0, 1)}),
            (Bytes{1, 0, 3, 2, 2}));

  // An odd-length chunk moves the rest off the four-byte grid: the BODY is not found.
  EXPECT_EQ(Read(p, file({{"CMAP", cmap}, {"ANNO", {'x'}}, {"BODY", body}})), 1);

  // No CMAP: the old palette stays. No BODY: 1.
  Picture q;
  q.paletteCount = 1;
  q.palette[0] = Rgb{1, 2, 3};
  EXPECT_EQ(Read(q, file({{"BODY", body}})), 2);
  EXPECT_EQ(q.paletteCount, 1);
  EXPECT_EQ(q.PaletteColour(0), (Rgb{1, 2, 3}));
  EXPECT_EQ(Read(q, file({{"CMAP", cmap}})), 1);
  Bytes notIlbm = b;
  notIlbm[8] = 'X';
  EXPECT_EQ(Read(p, notIlbm), 0);
  EXPECT_EQ(readILBM(p, "/nonexistent-dir/x.iff", true), 0);

  // 32 planes, 300 palette entries: 256 are read and only planes 0..7 make the index.
  Bytes big(900), deep(32, 0xFF);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = uint8_t(i);
  deep[0] = 0x80;  // plane 0: only pixel 0
  deep[7] = 0x00;  // plane 7: none
  ASSERT_EQ(Read(p, File(8, 1, 32, 0, {{"CMAP", big}, {"BODY", deep}})), 3);
  EXPECT_EQ(p.paletteCount, 256);
  EXPECT_EQ(p.PaletteColour(255), (Rgb{253, 254, 255}));
  EXPECT_EQ(p.Pixel(0, 0), 0x7F);
  EXPECT_EQ(p.Pixel(1, 0), 0x7E);

  // No planes: one palette entry, no body.
  EXPECT_EQ(Read(p, File(8, 1, 0, 0, {{"CMAP", {1, 2, 3}}, {"BODY", {}}})), 1);
  EXPECT_EQ(p.paletteCount, 1);
  EXPECT_EQ(p.Planes(), 32);  // pixels untouched
  EXPECT_EQ(Read(p, File(8, 1, 33, 0, {{"BODY", Bytes(33, 0)}})), 0);
}

TEST(IlbmReadTest, RefusedBodiesLeaveThePixels) {
  const Picture original = Pattern(16, 4, 8);
  auto expectUntouched = [&](const Bytes& file, bool allocate) {
    Picture p(original);
    const uint8_t* block = p.bitmap()->data;
    EXPECT_EQ(Read(p, file, allocate), 1);
    EXPECT_EQ(p.bitmap()->data, block);
    ExpectSamePixels(p, original, 16);
  };
  for (auto [w, h] : {std::pair{0, 4}, {16, 0}, {65535, 65535}, {16384, 16385}}) {
    SCOPED_TRACE(testing::Message() << w << " x " << h);
    expectUntouched(File(w, h, 8, 1, {{"CMAP", Bytes(768)}, {"BODY", Bytes(64, 0x00)}}), true);
  }
  const Bytes good = Written(Pattern(16, 4, 8, 9), true);
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
  ExpectSamePixels(same, Pattern(16, 4, 8, 9), 16);
  Picture shallow = Pattern(16, 4, 4);
  ASSERT_EQ(Read(shallow, good, true), 3);
  EXPECT_EQ(shallow.Planes(), 8);
}

TEST(IlbmReadTest, EveryTruncation) {
  const Picture source = Pattern(24, 6, 3, 5), before = Pattern(24, 6, 3, 77);
  for (bool compress : {false, true}) {
    const Bytes file = Written(source, compress);
    const std::size_t paletteEnd = 48 + 3 * 8;
    const std::size_t bodyEnd = paletteEnd + 8 + BigEndian32(file, paletteEnd + 4);
    for (std::size_t n = 0; n <= file.size(); ++n) {
      SCOPED_TRACE(testing::Message() << "compress " << compress << ", " << n << " bytes");
      Bytes cut(file.begin(), file.begin() + n);
      cut.shrink_to_fit();  // lets the address sanitizer see reads past the end
      Picture p(before);
      const int expected = (n >= paletteEnd ? 1 : 0) + (n >= bodyEnd ? 2 : 0);
      ASSERT_EQ(Read(p, cut), expected);
      ExpectSamePixels(p, expected & 2 ? source : before, 24);
    }
  }
}

// netpbm, when installed, checks that it reads our files and we read its files.
TEST(NetpbmTest, TheyReadOurFilesAndWeReadTheirs) {
  if (!test::HasTool("ilbmtoppm ppmtoilbm")) GTEST_SKIP() << "netpbm not installed";
  test::TempDir dir;
  auto Path = [&](const char* name) { return std::string(dir / name); };
  auto Run = [](const std::string& command) {
    return std::system((command + " 2>/dev/null").c_str()) == 0;
  };
  // Their rows are padded to 16 pixels, so the width is a multiple of 16.
  const Picture ours = Pattern(48, 11, 8, 11);
  ASSERT_TRUE(writeILBM(ours, Path("ours.iff").c_str(), true));
  ASSERT_TRUE(Run("ilbmtoppm " + Path("ours.iff") + " > " + Path("ours.ppm")));
  const test::Pnm theirs = test::ParsePnm(test::ReadBytes(Path("ours.ppm")));
  ASSERT_EQ(theirs.width, ours.Width());
  Bytes expected;
  for (int i = 0; i < ours.Width() * ours.Height(); ++i) {
    const Rgb c = ours.PaletteColour(ours.Pixel(i % ours.Width(), i / ours.Width()));
    expected.insert(expected.end(), {c.r, c.g, c.b});
  }
  EXPECT_EQ(theirs.rgb, expected);

  // Their packed file of 256 distinct colours, so their CMAP is as long as the plane count says.
  const std::string head = "P6\n32 16\n255\n";
  Bytes ppm(head.begin(), head.end());
  for (int i = 0; i < 32 * 16; ++i) {
    const int c = (i * 7 + i / 32) % 256;
    ppm.insert(ppm.end(), {uint8_t(c), uint8_t(255 - c), uint8_t(c * 3)});
  }
  test::WriteBytes(Path("in.ppm"), ppm);
  ASSERT_TRUE(Run("ppmtoilbm -maxplanes 8 -compress " + Path("in.ppm") + " > " + Path("in.iff")));
  Picture p;
  ASSERT_EQ(readILBM(p, Path("in.iff").c_str(), true), 3);
  EXPECT_EQ(p.Planes(), 8);
  for (int i = 0; i < 32 * 16; ++i) {
    const Rgb c = p.PaletteColour(p.Pixel(i % 32, i / 32));
    ASSERT_EQ((Bytes{c.r, c.g, c.b}),
              Bytes(&ppm[head.size() + 3 * i], &ppm[head.size() + 3 * i + 3]))
        << i;
  }
}

}  // namespace
}  // namespace orvane
