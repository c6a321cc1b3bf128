#include "imageio/dib.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "foundation/error_output.h"
#include "support/test_files.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;
using Bytes = std::vector<uint8_t>;

void PutLe32(Bytes& b, std::size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A 24-bit w × h image whose pixel (x, y) is r = 40x + 1, g = 50y + 2, b = x + y + 3.
void FillPattern(CDIB& dib) {
  for (int y = 0; y < dib.Height(); ++y) {
    for (int x = 0; x < dib.Width(); ++x) {
      dib.SetPixel(x, y, static_cast<uint8_t>(40 * x + 1), static_cast<uint8_t>(50 * y + 2),
                   static_cast<uint8_t>(x + y + 3));
    }
  }
}

Bytes PatternFile(int w, int h) {
  CDIB dib;
  EXPECT_TRUE(dib.Create24(w, h));
  FillPattern(dib);
  Bytes out;
  EXPECT_TRUE(dib.WriteMemory(out));
  return out;
}

std::string ReadError(const Bytes& file) {
  CDIB dib;
  if (dib.ReadMemory(file.data(), file.size())) return "";
  EXPECT_FALSE(dib.HasImage());
  EXPECT_EQ(dib.Width(), 0);
  return dib.LastError();
}

TEST(CdibTest, CreatedBitmapHasTheStandardLayout) {
  CDIB dib;
  ASSERT_TRUE(dib.Create24(3, 2));
  Bytes file;
  ASSERT_TRUE(dib.WriteMemory(file));
  // The 54-byte headers (size 78, offset 54, 3 x 2, one plane, 24 bits), then black rows.
  EXPECT_EQ(file, ReadBytes(fs::path(__FILE__).parent_path() / "data" / "black_3x2.bmp"));

  // Pixels are stored bottom-up as blue, green, red.
  dib.SetPixel(1, 0, 0x33, 0x22, 0x11);  // r, g, b of the top row
  EXPECT_EQ(dib.GetPixel(1, 0), 0x112233u);
  EXPECT_EQ(dib.GetPixel(3, 0), 0u);
  dib.SetPixel(-1, 0, 1, 2, 3);  // ignored
  dib.SetPixel(0, 2, 1, 2, 3);
  ASSERT_TRUE(dib.WriteMemory(file));
  EXPECT_EQ(std::count(file.begin() + 54, file.end(), 0), 21);
  EXPECT_FALSE(dib.Create24(0, 5));
  EXPECT_FALSE(dib.Create24(16385, 16384));
  EXPECT_EQ(dib.LastError(), "Unable to create DIB-Section");
  FailNextAllocations(1);
  EXPECT_FALSE(dib.Create24(3, 2));
  EXPECT_EQ(dib.LastError(), "Unable to allocate BITMAPFILEHEADER-Memory");
  FailNextAllocations(0);
}

TEST(CdibTest, CaptureKeepsBuffersForTheSameSize) {
  PixelCanvas canvas(4, 3);
  canvas.SetPixel(0, 0, 0x010203);
  canvas.SetPixel(2, 1, 0xA0B0C0);
  CDIB dib;
  ASSERT_TRUE(dib.Create(canvas, 3, 2));
  EXPECT_EQ(dib.GetPixel(0, 0), 0x010203u);
  const uint8_t* first = dib.Bits();
  canvas.SetPixel(0, 0, 0xFFFFFF);
  ASSERT_TRUE(dib.Create(canvas, 3, 2));
  EXPECT_EQ(dib.Bits(), first);
  EXPECT_EQ(dib.GetPixel(0, 0), 0xFFFFFFu);
  ASSERT_TRUE(dib.Create(canvas, 5, 4));  // larger than the canvas: black outside
  EXPECT_EQ(dib.GetPixel(4, 3), 0u);
  EXPECT_EQ(dib.GetPixel(2, 1), 0xA0B0C0u);
}

TEST(CdibTest, SharedBuffersOutliveEitherOwner) {
  auto a = std::make_unique<CDIB>();
  ASSERT_TRUE(a->Create24(4, 4));
  FillPattern(*a);
  const Bytes before = PatternFile(4, 4);
  CDIB b;
  b.Share(*a);
  EXPECT_EQ(b.ShareCount(), 1);
  b.Share(b);
  EXPECT_EQ(b.ShareCount(), 1);
  a.reset();
  EXPECT_EQ(b.ShareCount(), 0);
  Bytes after;
  ASSERT_TRUE(b.WriteMemory(after));
  EXPECT_EQ(after, before);
}

TEST(CdibTest, ReadWriteRoundTripsAndSaveNeverOverwrites) {
  TempDir dir;
  const std::string path = dir / "pattern.bmp";
  CDIB dib;
  ASSERT_TRUE(dib.Create24(5, 3));
  FillPattern(dib);
  ASSERT_TRUE(dib.Save(path.c_str()));
  const Bytes saved = ReadBytes(path);
  EXPECT_EQ(saved, PatternFile(5, 3));
  CDIB other;
  ASSERT_TRUE(other.Create24(1, 1));
  EXPECT_FALSE(other.Save(path.c_str()));
  EXPECT_EQ(other.LastError(), "Failed to save file");
  EXPECT_EQ(ReadBytes(path), saved);
  EXPECT_FALSE(CDIB().Save((dir / "empty.bmp").c_str()));
  EXPECT_FALSE(fs::exists(dir / "empty.bmp"));
  ASSERT_TRUE(other.Open(path.c_str()));
  EXPECT_EQ(other.GetPixel(4, 2), dib.GetPixel(4, 2));
  EXPECT_FALSE(other.Open((dir / "missing.bmp").c_str()));
  EXPECT_EQ(other.LastError(), "Failed to open file");
  EXPECT_FALSE(other.Open(""));
}

TEST(CdibTest, TopDownAndOtherDepthsReadAsStored) {
  const Bytes bottom_up = PatternFile(3, 4);
  Bytes top_down = bottom_up;
  PutLe32(top_down, 22, static_cast<uint32_t>(-4));
  for (int row = 0; row < 4; ++row) {  // stride 12
    std::copy_n(bottom_up.begin() + 54 + 12 * (3 - row), 12, top_down.begin() + 54 + 12 * row);
  }
  CDIB dib;
  ASSERT_TRUE(dib.ReadMemory(top_down.data(), top_down.size()));
  Bytes written;
  ASSERT_TRUE(dib.WriteMemory(written));
  EXPECT_EQ(written, bottom_up);

  // 2 × 2 at 8 bits: bytes 54..61 become a two-entry colour table, stride 4.
  Bytes file = PatternFile(2, 2);
  PutLe32(file, 10, 62);
  file[28] = 8;
  ASSERT_TRUE(dib.ReadMemory(file.data(), file.size()));
  EXPECT_EQ(dib.BitsPerPixel(), 8);
  EXPECT_EQ(dib.Stride(), 4);
  EXPECT_EQ(dib.GetPixel(0, 1), 0u);
  ASSERT_TRUE(dib.WriteMemory(written));
  EXPECT_EQ(written, file);
}

TEST(CdibTest, BadFilesFailWithTheirMessage) {
  const Bytes good = PatternFile(3, 2);
  for (std::size_t n = 0; n < good.size(); ++n) {
    EXPECT_EQ(ReadError(Bytes(good.begin(), good.begin() + n)), "Read error") << n;
  }
  const char* const invalid = "Invalid bitmap file";
  const char* const read = "Read error";
  const char* const section = "Unable to create DIB-Section";
  const struct {
    std::vector<std::pair<std::size_t, uint32_t>> patches;
    const char* message;
  } cases[] = {
      {{{0, 0x424D}}, invalid},                     // "MB"
      {{{10, 53}}, invalid},                        // offset inside the header
      {{{2, 0xFFFFFFFF}, {10, 0xFFFFFFF0}}, read},  // offset beyond the data
      {{{2, 77}}, read},                            // bits shorter than the rows
      {{{14, 41}}, invalid},                        // info header past the offset
      {{{18, 0x80000000}}, section},                // negative width
      {{{18, 0x7FFFFFFF}}, section},                // rows of more than 2^32 bytes
      {{{22, 0x80000000}}, section},                // height −2^31
      {{{26, 1 | 7 << 16}}, section},               // 7 bits
      {{{30, 3}}, section},                         // bit fields at 24 bits
      {{{18, 16384}, {22, 16385}}, section},        // one row over the cap
  };
  for (const auto& c : cases) {
    Bytes b = good;
    for (auto [at, value] : c.patches) PutLe32(b, at, value);
    if (c.patches[0].first == 0) b.resize(14);  // the type alone decides
    EXPECT_EQ(ReadError(b), c.message) << c.patches[0].first << " " << c.patches[0].second;
  }
  FailNextAllocations(1);
  EXPECT_EQ(ReadError(good), "Unable to allocate BITMAPFILEHEADER-Memory");
  FailNextAllocations(0);

  // A failed read leaves nothing of the previous image.
  CDIB dib;
  ASSERT_TRUE(dib.ReadMemory(good.data(), good.size()));
  EXPECT_FALSE(dib.ReadMemory(good.data(), 20));
  EXPECT_FALSE(dib.HasImage());
}

TEST(CdibTest, DrawingAndCopyingClipToBothImages) {
  CDIB dib;
  ASSERT_TRUE(dib.Create24(3, 2));
  FillPattern(dib);
  PixelCanvas canvas(4, 4);
  dib.Draw(canvas, 2, -1);  // only source columns 0..1 of row 1 land on the canvas
  EXPECT_EQ(canvas.GetPixel(3, 0), dib.GetPixel(1, 1));
  EXPECT_EQ(canvas.GetPixel(2, 1), 0u);
  PixelCanvas part(4, 4);
  dib.DrawPart(part, 1, 0, 3, 1, 1, 2);  // source (1..2, 0) to (2..3, 2)
  EXPECT_EQ(part.GetPixel(3, 2), dib.GetPixel(2, 0));
  EXPECT_EQ(part.GetPixel(1, 2), 0u);
  CDIB target;
  ASSERT_TRUE(target.Create24(2, 3));
  target.CopyRect(dib, -1, 0, 3, 5);  // becomes x 0, width 2, height min(3, 2)
  EXPECT_EQ(target.GetPixel(1, 1), dib.GetPixel(1, 1));
  EXPECT_EQ(target.GetPixel(0, 2), 0u);
}

// The image's pixels as red, green, blue bytes, top row first.
Bytes RgbOf(const CDIB& dib) {
  Bytes rgb;
  for (int i = 0; i < dib.Width() * dib.Height(); ++i) {
    const uint32_t c = dib.GetPixel(i % dib.Width(), i / dib.Width());
    rgb.insert(rgb.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)});
  }
  return rgb;
}

TEST(CdibInteropTest, ImageMagickAgreesWithOurBitmaps) {
  if (!test::HasImageMagick()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  TempDir dir;
  CDIB ours;
  ASSERT_TRUE(ours.Create24(5, 3));  // 15-byte rows padded to 16
  FillPattern(ours);
  const std::string bmp = dir / "ours.bmp", ppm = dir / "ours.ppm";
  ASSERT_TRUE(ours.Save(bmp.c_str()));
  ASSERT_EQ(std::system(("convert '" + bmp + "' '" + ppm + "'").c_str()), 0);
  const test::Pnm theirs = test::ParsePnm(ReadBytes(ppm));
  EXPECT_EQ(theirs.width, 5);
  EXPECT_EQ(theirs.rgb, RgbOf(ours));

  // Their bitmap, with a larger info header, read by ours.
  const std::string back = dir / "theirs.bmp";
  ASSERT_EQ(std::system(("convert '" + ppm + "' -type TrueColor 'BMP:" + back + "'").c_str()), 0);
  CDIB read;
  ASSERT_TRUE(read.Open(back.c_str())) << read.LastError();
  ASSERT_EQ(read.BitsPerPixel(), 24);
  EXPECT_EQ(RgbOf(read), RgbOf(ours));
}

}  // namespace
}  // namespace orvane
