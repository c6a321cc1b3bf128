#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "imageio/dib.h"
#include "imageio/jpeg.h"
#include "imageio/tga.h"
#include "support/test_files.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using test::ParsePnm;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;
using Bytes = std::vector<uint8_t>;

// A TGA file of `header` and the pixels `rgb` at `path`.
bool WriteTga(const std::string& path, const TgaHeader& header, const Bytes& rgb) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  bool ok = f && writeTgaHeader(header, f);
  for (std::size_t i = 0; ok && i < rgb.size(); i += 3) {
    ok = writeTgaPixel(rgb[i], rgb[i + 1], rgb[i + 2], f);
  }
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

  // A 640-wide panorama is 640 × 320; identification and colour map follow the 18 bytes.
  TgaHeader panorama = MakeTgaHeader(640, 640 / 2);
  const uint8_t id[3] = {'a', 'b', 'c'};
  panorama.identificationLength = 3;
  panorama.identification = id;
  panorama.colourMapType = 1;
  panorama.colourMapLength = 2;
  panorama.colourMapEntrySize = 15;  // two bytes per entry, written as zeros
  ASSERT_TRUE(WriteTga(path, panorama, {}));
  const Bytes head = ReadBytes(path);
  ASSERT_EQ(head.size(), 25u);
  EXPECT_EQ(Bytes(head.begin() + 12, head.begin() + 16), (Bytes{0x80, 2, 0x40, 1}));
  EXPECT_EQ(Bytes(head.begin() + 18, head.end()), (Bytes{'a', 'b', 'c', 0, 0, 0, 0}));
  EXPECT_FALSE(writeTgaPixel(1, 2, 3, nullptr));
  std::FILE* full = std::fopen("/dev/full", "wb");
  if (!full) GTEST_SKIP() << "no /dev/full";
  std::setvbuf(full, nullptr, _IONBF, 0);
  EXPECT_FALSE(writeTgaHeader(MakeTgaHeader(2, 2), full));
  EXPECT_FALSE(writeTgaPixel(1, 2, 3, full));
  EXPECT_FALSE(writeBlock(id, sizeof id, full));
  std::fclose(full);
}

TEST(TgaTest, ImageMagickReadsOurTga) {
  if (!test::HasImageMagick()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  TempDir dir;
  const std::string tga = dir / "ours.tga", ppm = dir / "ours.ppm";
  ASSERT_TRUE(WriteTga(tga, MakeTgaHeader(3, 2), kRgb));
  ASSERT_EQ(std::system(("convert '" + tga + "' '" + ppm + "'").c_str()), 0);
  EXPECT_EQ(ParsePnm(ReadBytes(ppm)).rgb, kRgb);  // top row first
}

// r = 255x/(w−1), g = 255y/(h−1), b = 128: smooth enough that JPEG keeps it close.
Bytes Gradient(int w, int h) {
  Bytes rgb;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      rgb.insert(rgb.end(), {uint8_t(255 * x / (w - 1)), uint8_t(255 * y / (h - 1)), 128});
    }
  }
  return rgb;
}

// Encodes through the render driver's path into `path`; empty on failure.
Bytes EncodeFile(const std::string& path, const Bytes& rgb, int w, int h, int quality) {
  JpegEncoder enc;
  if (!enc.Start(std::fopen(path.c_str(), "wb"), w, h, quality)) return {};
  for (int y = 0; y < h; ++y) {
    if (!enc.WriteRow(&rgb[static_cast<std::size_t>(y) * w * 3])) return {};
  }
  return enc.Finish() ? ReadBytes(path) : Bytes{};
}

// Largest channel difference between `rgb` and the decoded picture.
int MaxDifference(const CDIB& dib, const Bytes& rgb) {
  int worst = 0;
  for (std::size_t i = 0; i < rgb.size(); ++i) {
    const int x = int(i / 3) % dib.Width(), y = int(i / 3) / dib.Width();
    worst = std::max(worst, std::abs(int(dib.GetPixel(x, y) >> (8 * (i % 3)) & 0xFF) - rgb[i]));
  }
  return worst;
}

class JpegTest : public ::testing::Test {
 protected:
  void SetUp() override {
    jpeg_ = EncodeFile(dir_ / "gradient.jpg", Gradient(kW, kH), kW, kH, 95);
    ASSERT_GT(jpeg_.size(), 100u);
  }
  static constexpr int kW = 37, kH = 23;  // not whole blocks
  TempDir dir_;
  Bytes jpeg_;
  CDIB dib_;
  std::string error_;
};

TEST_F(JpegTest, RoundTripKeepsThePictureAndOnlyJfifIsAccepted) {
  ASSERT_TRUE(ReadJpegTexture((dir_ / "gradient.jpg").c_str(), dib_, &error_)) << error_;
  EXPECT_EQ(dib_.Width(), kW);
  EXPECT_EQ(dib_.Height(), kH);
  EXPECT_LE(MaxDifference(dib_, Gradient(kW, kH)), 10);
  Bytes exif = jpeg_;
  exif[3] = 0xE1;  // APP1 first
  const std::string path = dir_ / "exif.jpg";
  WriteBytes(path, exif);
  EXPECT_FALSE(ReadJpegTexture(path.c_str(), dib_, &error_));
  EXPECT_EQ(error_, "Not a JFIF file (FF D8 FF E0 expected)");
  EXPECT_FALSE(ReadJpegTexture((dir_ / "missing.jpg").c_str(), dib_, &error_));
  EXPECT_EQ(error_, "Failed to open file");
  EXPECT_FALSE(ReadJpegTexture(nullptr, dib_, nullptr));
}

TEST_F(JpegTest, GreyscaleFilesComeOutAsGreyRgb) {
  // An 8 × 8 greyscale JFIF file made by libjpeg-turbo's cjpeg from the ramp 32x + 4y.
  const fs::path grey = fs::path(__FILE__).parent_path() / "data" / "grey_ramp.jpg";
  ASSERT_TRUE(ReadJpegTexture(grey.c_str(), dib_, &error_)) << error_;
  ASSERT_EQ(dib_.Width(), 8);
  ASSERT_EQ(dib_.Height(), 8);
  for (int i = 0; i < 64; ++i) {
    const uint32_t c = dib_.GetPixel(i % 8, i / 8);
    EXPECT_EQ(c, (c & 0xFF) * 0x010101u);
    EXPECT_NEAR(int(c & 0xFF), 32 * (i % 8) + 4 * (i / 8), 4) << i;
  }
}

TEST_F(JpegTest, DamagedFilesFailWithoutEndingTheProgram) {
  for (std::size_t n = 0; n < jpeg_.size(); ++n) {
    ASSERT_TRUE(dib_.Create24(1, 1));
    EXPECT_FALSE(ReadJpegMemory(jpeg_.data(), n, dib_, &error_)) << n;
    EXPECT_FALSE(dib_.HasImage());
    EXPECT_FALSE(error_.empty());
  }
  const std::string path = dir_ / "cut.jpg";
  WriteBytes(path, Bytes(jpeg_.begin(), jpeg_.end() - 40));
  EXPECT_FALSE(ReadJpegTexture(path.c_str(), dib_, &error_));
  EXPECT_EQ(error_, "Premature end of JPEG file");

  // A frame header claiming 65500 × 65500 is refused before any pixel memory is taken.
  Bytes huge = jpeg_;
  const uint8_t start_of_frame[2] = {0xFF, 0xC0};
  const auto sof = std::search(huge.begin(), huge.end(), start_of_frame, start_of_frame + 2);
  ASSERT_NE(sof, huge.end());
  std::fill(sof + 5, sof + 9, 0xFF);
  *(sof + 6) = *(sof + 8) = 0xDC;
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
  if (!test::HasTool("djpeg cjpeg")) GTEST_SKIP() << "djpeg/cjpeg not installed";
  const std::string ours = dir_ / "gradient.jpg", ppm = dir_ / "gradient.ppm";
  ASSERT_EQ(std::system(("djpeg -outfile '" + ppm + "' '" + ours + "'").c_str()), 0);
  const test::Pnm theirs = ParsePnm(ReadBytes(ppm));
  ASSERT_EQ(theirs.width, kW);
  ASSERT_EQ(theirs.height, kH);
  ASSERT_TRUE(ReadJpegTexture(ours.c_str(), dib_, &error_)) << error_;
  EXPECT_EQ(MaxDifference(dib_, theirs.rgb), 0);

  // cjpeg's progressive file, checked against djpeg's reading of it.
  const std::string theirs_jpg = dir_ / "theirs.jpg", back = dir_ / "back.pnm";
  ASSERT_EQ(std::system(("cjpeg -progressive -outfile '" + theirs_jpg + "' '" + ppm +
                         "' && djpeg -outfile '" + back + "' '" + theirs_jpg + "'")
                            .c_str()),
            0);
  const Bytes expected = ParsePnm(ReadBytes(back)).rgb;
  ASSERT_FALSE(expected.empty());
  ASSERT_TRUE(ReadJpegTexture(theirs_jpg.c_str(), dib_, &error_)) << error_;
  EXPECT_EQ(MaxDifference(dib_, expected), 0);
}

}  // namespace
}  // namespace orvane
