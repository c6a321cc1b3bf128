#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/error_output.h"
#include "imageio/dib.h"
#include "imageio/jpeg.h"
#include "imageio/tga.h"
#include "support/test_files.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using namespace test;
using Bytes = std::vector<uint8_t>;

void PutLe32(Bytes& b, std::size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A 24-bit w × h image whose pixel (x, y) is r = 40x + 1, g = 50y + 2, b = x + y + 3.
void MakePattern(CDIB& dib, int w, int h) {
  ASSERT_TRUE(dib.Create24(w, h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      dib.SetPixel(x, y, uint8_t(40 * x + 1), uint8_t(50 * y + 2), uint8_t(x + y + 3));
}

Bytes PatternFile(int w, int h) {
  CDIB dib;
  MakePattern(dib, w, h);
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
  ASSERT_TRUE(dib.WriteMemory(file));
  EXPECT_EQ(std::count(file.begin() + 54, file.end(), 0), 21);
  EXPECT_FALSE(dib.Create24(16385, 16384));
  FailNextAllocations(1);
  EXPECT_FALSE(dib.Create24(3, 2));
  FailNextAllocations(0);
}

TEST(CdibTest, CaptureKeepsBuffersForTheSameSizeAndSharingOutlivesTheOwner) {
  PixelCanvas canvas(4, 3);
  canvas.SetPixel(2, 1, 0xA0B0C0);
  CDIB dib;
  ASSERT_TRUE(dib.Create(canvas, 3, 2));
  const uint8_t* first = dib.Bits();
  canvas.SetPixel(0, 0, 0xFFFFFF);
  ASSERT_TRUE(dib.Create(canvas, 3, 2));
  EXPECT_EQ(dib.Bits(), first);
  EXPECT_EQ(dib.GetPixel(0, 0), 0xFFFFFFu);
  ASSERT_TRUE(dib.Create(canvas, 5, 4));  // larger than the canvas: black outside
  EXPECT_EQ(dib.GetPixel(4, 3), 0u);
  EXPECT_EQ(dib.GetPixel(2, 1), 0xA0B0C0u);
  Bytes before, after;
  ASSERT_TRUE(dib.WriteMemory(before));
  CDIB b;
  b.Share(dib);
  EXPECT_EQ(b.ShareCount(), 1);
  b.Share(b);
  EXPECT_EQ(b.ShareCount(), 1);
  dib.Clear();
  EXPECT_EQ(b.ShareCount(), 0);
  ASSERT_TRUE(b.WriteMemory(after));
  EXPECT_EQ(after, before);
}

TEST(CdibTest, ReadWriteRoundTripsAndSaveNeverOverwrites) {
  TempDir dir;
  const std::string path = dir / "pattern.bmp";
  CDIB dib;
  MakePattern(dib, 5, 3);
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
  for (int row = 0; row < 4; ++row)  // stride 12
    std::copy_n(bottom_up.begin() + 54 + 12 * (3 - row), 12, top_down.begin() + 54 + 12 * row);
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
  ASSERT_TRUE(dib.WriteMemory(written));
  EXPECT_EQ(written, file);
}

TEST(CdibTest, BadFilesFailWithTheirMessage) {
  const Bytes good = PatternFile(3, 2);
  for (std::size_t n = 0; n < good.size(); ++n)
    EXPECT_EQ(ReadError(Bytes(good.begin(), good.begin() + n)), "Read error") << n;
  const char* const invalid = "Invalid bitmap file";
  const char* const section = "Unable to create DIB-Section";
  using Patches = std::vector<std::pair<std::size_t, uint32_t>>;
  const std::pair<Patches, const char*> cases[] = {
      {{{0, 0x424D}}, invalid},                             // "MB"
      {{{10, 53}}, invalid},                                // offset inside the header
      {{{2, 0xFFFFFFFF}, {10, 0xFFFFFFF0}}, "Read error"},  // offset beyond the data
      {{{2, 77}}, "Read error"},                            // bits shorter than the rows
      {{{14, 41}}, invalid},                                // info header past the offset
      {{{18, 0x80000000}}, section},                        // negative width
      {{{18, 0x7FFFFFFF}}, section},                        // rows of more than 2^32 bytes
      {{{22, 0x80000000}}, section},                        // height −2^31
      {{{26, 1 | 7 << 16}}, section},                       // 7 bits
      {{{30, 3}}, section},                                 // bit fields at 24 bits
      {{{18, 16384}, {22, 16385}}, section},                // one row over the cap
  };
  for (const auto& [patches, message] : cases) {
    Bytes b = good;
    for (auto [at, value] : patches) PutLe32(b, at, value);
    if (patches[0].first == 0) b.resize(14);  // the type alone decides
    EXPECT_EQ(ReadError(b), message) << patches[0].first << " " << patches[0].second;
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
  MakePattern(dib, 3, 2);
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

bool WriteTga(const std::string& path, const TgaHeader& header, const Bytes& rgb) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  bool ok = f && writeTgaHeader(header, f);
  for (std::size_t i = 0; ok && i < rgb.size(); i += 3)
    ok = writeTgaPixel(rgb[i], rgb[i + 1], rgb[i + 2], f);
  return f && std::fclose(f) == 0 && ok;
}

// Red, green, blue; then three greys of rising brightness.
const Bytes kRgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30, 40, 50, 60, 70, 80, 90};

TEST(TgaTest, HeaderBytesAndWriteFailures) {
  TempDir dir;
  const std::string path = dir / "ours.tga";
  // Uncompressed true colour, 24 bits, top row first; each pixel blue, green, red.
  ASSERT_TRUE(WriteTga(path, MakeTgaHeader(3, 2), kRgb));
  EXPECT_EQ(ReadBytes(path), ReadBytes(fs::path(__FILE__).parent_path() / "data" / "rgb_3x2.tga"));
  // Identification and colour map (two bytes per 15-bit entry, written as zeros) follow.
  TgaHeader mapped = MakeTgaHeader(640, 320);
  const uint8_t id[3] = {'a', 'b', 'c'};
  mapped.identificationLength = 3;
  mapped.identification = id;
  mapped.colourMapType = 1;
  mapped.colourMapLength = 2;
  mapped.colourMapEntrySize = 15;
  ASSERT_TRUE(WriteTga(path, mapped, {}));
  const Bytes head = ReadBytes(path);
  EXPECT_EQ(Bytes(head.begin() + 12, head.end()),
            (Bytes{0x80, 2, 0x40, 1, 24, 0x20, 'a', 'b', 'c', 0, 0, 0, 0}));
  std::FILE* full = std::fopen("/dev/full", "wb");
  if (!full) GTEST_SKIP() << "no /dev/full";
  std::setvbuf(full, nullptr, _IONBF, 0);
  EXPECT_FALSE(writeTgaHeader(MakeTgaHeader(2, 2), full));
  EXPECT_FALSE(writeTgaPixel(1, 2, 3, full));
  EXPECT_FALSE(writeBlock(id, sizeof id, full));
  std::fclose(full);
}

TEST(ImageMagickTest, AgreesWithOurBitmapsAndTga) {
  if (!HasImageMagick()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  TempDir dir;
  CDIB ours;
  MakePattern(ours, 5, 3);  // 15-byte rows padded to 16
  const std::string bmp = dir / "ours.bmp", ppm = dir / "ours.ppm";
  ASSERT_TRUE(ours.Save(bmp.c_str()));
  ASSERT_EQ(std::system(("convert '" + bmp + "' '" + ppm + "'").c_str()), 0);
  const Pnm theirs = ParsePnm(ReadBytes(ppm));
  EXPECT_EQ(theirs.width, 5);
  EXPECT_EQ(theirs.rgb, RgbOf(ours));
  // Their bitmap, with a larger info header, read by ours.
  const std::string back = dir / "theirs.bmp";
  ASSERT_EQ(std::system(("convert '" + ppm + "' -type TrueColor 'BMP:" + back + "'").c_str()), 0);
  CDIB read;
  ASSERT_TRUE(read.Open(back.c_str())) << read.LastError();
  EXPECT_EQ(RgbOf(read), RgbOf(ours));
  const std::string tga = fs::path(__FILE__).parent_path() / "data" / "rgb_3x2.tga";  // ours
  ASSERT_EQ(std::system(("convert '" + tga + "' '" + ppm + "'").c_str()), 0);
  EXPECT_EQ(ParsePnm(ReadBytes(ppm)).rgb, kRgb);  // top row first
}

// r = 255x/(w−1), g = 255y/(h−1), b = 128: smooth enough that JPEG keeps it close.
Bytes Gradient(int w, int h) {
  Bytes rgb;
  for (int i = 0; i < w * h; ++i)
    rgb.insert(rgb.end(),
               {uint8_t(255 * (i % w) / (w - 1)), uint8_t(255 * (i / w) / (h - 1)), 128});
  return rgb;
}

// A gradient encoded through the render driver's path.
class JpegTest : public ::testing::Test {
 protected:
  void SetUp() override {
    JpegEncoder enc;
    ASSERT_TRUE(enc.Start(std::fopen((dir_ / "gradient.jpg").c_str(), "wb"), kW, kH, 95));
    for (int y = 0; y < kH; ++y) ASSERT_TRUE(enc.WriteRow(&rgb_[std::size_t{3} * kW * y]));
    ASSERT_TRUE(enc.Finish());
    jpeg_ = ReadBytes(dir_ / "gradient.jpg");
  }
  static constexpr int kW = 37, kH = 23;  // not whole blocks
  const Bytes rgb_ = Gradient(kW, kH);
  TempDir dir_;
  Bytes jpeg_;
  CDIB dib_;
  std::string error_;
};

TEST_F(JpegTest, RoundTripKeepsThePictureAndOnlyJfifIsAccepted) {
  ASSERT_TRUE(ReadJpegTexture((dir_ / "gradient.jpg").c_str(), dib_, &error_)) << error_;
  ASSERT_EQ(dib_.Width() * dib_.Height(), kW * kH);
  const Bytes read = RgbOf(dib_);
  for (std::size_t i = 0; i < read.size(); ++i) EXPECT_NEAR(read[i], rgb_[i], 10) << i;
  jpeg_[3] = 0xE1;  // APP1 first
  WriteBytes(dir_ / "exif.jpg", jpeg_);
  EXPECT_FALSE(ReadJpegTexture((dir_ / "exif.jpg").c_str(), dib_, &error_));
  EXPECT_EQ(error_, "Not a JFIF file (FF D8 FF E0 expected)");
  EXPECT_FALSE(ReadJpegTexture((dir_ / "missing.jpg").c_str(), dib_, &error_));
  EXPECT_EQ(error_, "Failed to open file");
  EXPECT_FALSE(ReadJpegTexture(nullptr, dib_, nullptr));
}

TEST_F(JpegTest, DamagedFilesFailWithoutEndingTheProgram) {
  for (std::size_t n = 0; n < jpeg_.size(); ++n) {
    ASSERT_TRUE(dib_.Create24(1, 1));
    EXPECT_FALSE(ReadJpegMemory(jpeg_.data(), n, dib_, &error_)) << n;
    EXPECT_FALSE(dib_.HasImage());
    EXPECT_TRUE(n != jpeg_.size() - 40 || error_ == "Premature end of JPEG file") << error_;
    EXPECT_FALSE(error_.empty());
  }
  // A frame header claiming 65500 × 65500 is refused before any pixel memory is taken.
  Bytes huge = jpeg_;
  const uint8_t start_of_frame[2] = {0xFF, 0xC0};
  const auto sof = std::search(huge.begin(), huge.end(), start_of_frame, start_of_frame + 2);
  ASSERT_NE(sof, huge.end());
  *(sof + 5) = *(sof + 7) = 0xFF, *(sof + 6) = *(sof + 8) = 0xDC;
  EXPECT_FALSE(ReadJpegMemory(huge.data(), huge.size(), dib_, &error_));
  EXPECT_EQ(error_, "JPEG picture too large");
  EXPECT_FALSE(ReadJpegMemory(jpeg_.data(), jpeg_.size(), dib_, &error_, kW * kH - 1));
}

TEST(JpegEncoderTest, MisuseAndWriteFailuresAreFailures) {
  TempDir dir;
  const Bytes row(3 * 4, 200);
  JpegEncoder enc;
  EXPECT_FALSE(enc.Start(nullptr, 4, 2, 90));
  EXPECT_FALSE(enc.Start(std::fopen((dir / "zero.jpg").c_str(), "wb"), 0, 2, 90));
  ASSERT_TRUE(enc.Start(std::fopen((dir / "short.jpg").c_str(), "wb"), 4, 2, 90));
  ASSERT_TRUE(enc.WriteRow(row.data()));
  EXPECT_FALSE(enc.Finish());  // one row missing
  EXPECT_FALSE(enc.LastError().empty());
  EXPECT_FALSE(enc.WriteRow(row.data()));
  ASSERT_TRUE(enc.Start(std::fopen((dir / "long.jpg").c_str(), "wb"), 4, 1, 90));
  ASSERT_TRUE(enc.WriteRow(row.data()));
  EXPECT_FALSE(enc.WriteRow(row.data()));
  EXPECT_FALSE(enc.Active());
  if (std::FILE* full = std::fopen("/dev/full", "wb")) {
    ASSERT_TRUE(enc.Start(full, 64, 64, 100));
    bool ok = true;
    for (int y = 0; y < 64 && ok; ++y) ok = enc.WriteRow(Bytes(64 * 3, 7).data());
    EXPECT_FALSE(ok && enc.Finish());
  }
  JpegEncoder abandoned;  // closes its file when destroyed unfinished
  ASSERT_TRUE(abandoned.Start(std::fopen((dir / "left.jpg").c_str(), "wb"), 4, 4, 50));
}

TEST_F(JpegTest, LibjpegToolsAgreeWithOurCodec) {
  if (!HasTool("djpeg cjpeg")) GTEST_SKIP() << "djpeg/cjpeg not installed";
  const std::string ours = dir_ / "gradient.jpg", ppm = dir_ / "gradient.ppm";
  ASSERT_EQ(std::system(("djpeg -outfile '" + ppm + "' '" + ours + "'").c_str()), 0);
  const Pnm theirs = ParsePnm(ReadBytes(ppm));
  ASSERT_EQ(theirs.width, kW);
  ASSERT_TRUE(ReadJpegTexture(ours.c_str(), dib_, &error_)) << error_;
  EXPECT_EQ(RgbOf(dib_), theirs.rgb);
  // cjpeg's progressive file, checked against djpeg's reading of it.
  const std::string theirs_jpg = dir_ / "theirs.jpg", back = dir_ / "back.pnm";
  const std::string command = "cjpeg -progressive -outfile '" + theirs_jpg + "' '" + ppm +
                              "' && djpeg -outfile '" + back + "' '" + theirs_jpg + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const Bytes expected = ParsePnm(ReadBytes(back)).rgb;
  ASSERT_TRUE(ReadJpegTexture(theirs_jpg.c_str(), dib_, &error_)) << error_;
  EXPECT_EQ(RgbOf(dib_), expected);
}

}  // namespace
}  // namespace orvane
