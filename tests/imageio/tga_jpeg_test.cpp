#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "imageio/dib.h"
#include "imageio/jpeg.h"
#include "imageio/tga.h"
#include "support/test_files.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using test::HasImageMagick;
using test::HasTool;
using test::ParsePnm;
using test::Pnm;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;
using Bytes = std::vector<uint8_t>;

// ---------------------------------------------------------------------------------------------
// TGA

TEST(TgaTest, HeaderBytesAndFileSize) {
  TempDir dir;
  const std::string path = dir / "render.tga";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  ASSERT_TRUE(writeTgaHeader(MakeTgaHeader(320, 240), f));
  ASSERT_TRUE(writeTgaPixel(255, 0, 0, f));
  const Bytes row((320 * 240 - 1) * 3, 0x7F);
  ASSERT_TRUE(writeBlock(row.data(), row.size(), f));
  ASSERT_EQ(std::fclose(f), 0);
  const Bytes file = ReadBytes(path);
  ASSERT_EQ(file.size(), 230418u);
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 21),
            (Bytes{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x40, 1, 0xF0, 0, 24, 0x20, 0, 0, 0xFF}));

  // A 640-wide panorama is 640 × 320; identification and colour map follow the 18 bytes.
  TgaHeader panorama = MakeTgaHeader(640, 640 / 2);
  const uint8_t id[3] = {'a', 'b', 'c'};
  panorama.identificationLength = 3;
  panorama.identification = id;
  panorama.colourMapType = 1;
  panorama.colourMapLength = 2;
  panorama.colourMapEntrySize = 15;  // two bytes per entry, written as zeros
  std::FILE* g = std::tmpfile();
  ASSERT_NE(g, nullptr);
  ASSERT_TRUE(writeTgaHeader(panorama, g));
  Bytes head(32, 0xEE);
  std::rewind(g);
  EXPECT_EQ(std::fread(head.data(), 1, head.size(), g), 25u);
  std::fclose(g);
  EXPECT_EQ(Bytes(head.begin() + 12, head.begin() + 16), (Bytes{0x80, 2, 0x40, 1}));
  EXPECT_EQ(Bytes(head.begin() + 18, head.begin() + 25), (Bytes{'a', 'b', 'c', 0, 0, 0, 0}));
}

TEST(TgaTest, WriteFailuresAreReported) {
  std::FILE* full = std::fopen("/dev/full", "wb");
  if (!full) GTEST_SKIP() << "no /dev/full";
  std::setvbuf(full, nullptr, _IONBF, 0);
  EXPECT_FALSE(writeTgaHeader(MakeTgaHeader(2, 2), full));
  EXPECT_FALSE(writeTgaPixel(1, 2, 3, full));
  const uint8_t block[6] = {};
  EXPECT_FALSE(writeBlock(block, sizeof block, full));
  std::fclose(full);
  EXPECT_FALSE(writeTgaPixel(1, 2, 3, nullptr));
}

// ---------------------------------------------------------------------------------------------
// JPEG

// r = 255x/(w−1), g = 255y/(h−1), b = 128: smooth enough that JPEG keeps it close.
Bytes Gradient(int w, int h) {
  Bytes rgb;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      rgb.push_back(static_cast<uint8_t>(255 * x / (w - 1)));
      rgb.push_back(static_cast<uint8_t>(255 * y / (h - 1)));
      rgb.push_back(128);
    }
  }
  return rgb;
}

// Encodes through the render driver's path into `path`; empty on failure.
Bytes EncodeFile(const std::string& path, const Bytes& rgb, int w, int h, int quality) {
  JpegEncoder enc;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!enc.Start(f, w, h, quality)) return {};
  for (int y = 0; y < h; ++y) {
    if (!enc.WriteRow(&rgb[static_cast<std::size_t>(y) * w * 3])) return {};
  }
  if (!enc.Finish()) return {};
  return ReadBytes(path);
}

// Largest channel difference between `rgb` and the decoded picture.
int MaxDifference(const CDIB& dib, const Bytes& rgb) {
  int worst = 0;
  for (int y = 0; y < dib.Height(); ++y) {
    for (int x = 0; x < dib.Width(); ++x) {
      const uint32_t c = dib.GetPixel(x, y);
      const uint8_t* p = &rgb[static_cast<std::size_t>(y * dib.Width() + x) * 3];
      worst = std::max({worst, std::abs(int(c & 0xFF) - p[0]), std::abs(int(c >> 8 & 0xFF) - p[1]),
                        std::abs(int(c >> 16) - p[2])});
    }
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
};

TEST_F(JpegTest, RoundTripKeepsThePicture) {
  EXPECT_TRUE(HasJfifSignature(jpeg_.data(), jpeg_.size()));
  CDIB dib;
  std::string error;
  ASSERT_TRUE(ReadJpegTexture((dir_ / "gradient.jpg").c_str(), dib, &error)) << error;
  EXPECT_EQ(dib.Width(), kW);
  EXPECT_EQ(dib.Height(), kH);
  EXPECT_EQ(dib.BitsPerPixel(), 24);
  EXPECT_LE(MaxDifference(dib, Gradient(kW, kH)), 10);
  CDIB from_memory;
  ASSERT_TRUE(ReadJpegMemory(jpeg_.data(), jpeg_.size(), from_memory, &error)) << error;
  Bytes a, b;
  ASSERT_TRUE(dib.WriteMemory(a));
  ASSERT_TRUE(from_memory.WriteMemory(b));
  EXPECT_EQ(a, b);

  Bytes red;
  for (int i = 0; i < 16 * 16; ++i) red.insert(red.end(), {255, 0, 0});
  const Bytes red_jpeg = EncodeFile(dir_ / "red.jpg", red, 16, 16, 75);
  ASSERT_TRUE(ReadJpegMemory(red_jpeg.data(), red_jpeg.size(), dib, &error)) << error;
  EXPECT_LE(MaxDifference(dib, red), 3);
  EXPECT_GE(dib.Row(0)[2], 252);  // stored blue, green, red
  EXPECT_LE(dib.Row(0)[0], 3);
}

TEST_F(JpegTest, OnlyJfifFilesAreAccepted) {
  Bytes exif = jpeg_;
  exif[3] = 0xE1;  // APP1 first
  const std::string path = dir_ / "exif.jpg";
  WriteBytes(path, exif);
  CDIB dib;
  std::string error;
  EXPECT_FALSE(ReadJpegTexture(path.c_str(), dib, &error));
  EXPECT_EQ(error, "Not a JFIF file (FF D8 FF E0 expected)");
  EXPECT_FALSE(ReadJpegMemory(exif.data(), exif.size(), dib, &error));
  EXPECT_FALSE(ReadJpegTexture((dir_ / "missing.jpg").c_str(), dib, &error));
  EXPECT_EQ(error, "Failed to open file");
  EXPECT_FALSE(ReadJpegTexture(nullptr, dib, nullptr));
}

TEST_F(JpegTest, DamagedFilesFailWithoutEndingTheProgram) {
  CDIB dib;
  std::string error;
  for (std::size_t n = 0; n < jpeg_.size(); ++n) {
    ASSERT_TRUE(dib.Create24(1, 1));
    EXPECT_FALSE(ReadJpegMemory(jpeg_.data(), n, dib, &error)) << n;
    EXPECT_FALSE(dib.HasImage());
    EXPECT_FALSE(error.empty());
  }
  const std::string path = dir_ / "cut.jpg";
  WriteBytes(path, Bytes(jpeg_.begin(), jpeg_.end() - 40));
  EXPECT_FALSE(ReadJpegTexture(path.c_str(), dib, &error));
  EXPECT_EQ(error, "Premature end of JPEG file");

  Bytes broken = jpeg_;  // an end-of-image marker in the middle of the coded data
  broken[broken.size() - 60] = 0xFF;
  broken[broken.size() - 59] = 0xD9;
  EXPECT_FALSE(ReadJpegMemory(broken.data(), broken.size(), dib, &error));

  // A frame header claiming 65500 × 65500 is refused before any pixel memory is taken.
  Bytes huge = jpeg_;
  const uint8_t start_of_frame[2] = {0xFF, 0xC0};
  const auto sof = std::search(huge.begin(), huge.end(), start_of_frame, start_of_frame + 2);
  ASSERT_NE(sof, huge.end());
  std::fill(sof + 5, sof + 9, 0xFF);
  *(sof + 6) = *(sof + 8) = 0xDC;
  EXPECT_FALSE(ReadJpegMemory(huge.data(), huge.size(), dib, &error));
  EXPECT_EQ(error, "JPEG picture too large");
  EXPECT_FALSE(ReadJpegMemory(jpeg_.data(), jpeg_.size(), dib, &error, kW * kH - 1));

  std::mt19937 rng(99);
  int decoded = 0;
  for (int trial = 0; trial < 1500; ++trial) {
    Bytes b = jpeg_;
    for (int e = 0; e < 3; ++e) b[4 + rng() % (b.size() - 4)] = static_cast<uint8_t>(rng());
    if (ReadJpegMemory(b.data(), b.size(), dib, &error)) {
      ++decoded;
      EXPECT_EQ(dib.BitsPerPixel(), 24);
    }
  }
  EXPECT_LT(decoded, 1500);
}

// An 8 × 8 greyscale JFIF file made by libjpeg-turbo's cjpeg from the ramp 32x + 4y.
const uint8_t kGreyRamp[] = {
    0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 0x4A, 0x46, 0x49, 0x46, 0x00, 0x01, 0x01, 0x00, 0x00, 0x01,
    0x00, 0x01, 0x00, 0x00, 0xFF, 0xDB, 0x00, 0x43, 0x00, 0x03, 0x02, 0x02, 0x03, 0x02, 0x02, 0x03,
    0x03, 0x03, 0x03, 0x04, 0x03, 0x03, 0x04, 0x05, 0x08, 0x05, 0x05, 0x04, 0x04, 0x05, 0x0A, 0x07,
    0x07, 0x06, 0x08, 0x0C, 0x0A, 0x0C, 0x0C, 0x0B, 0x0A, 0x0B, 0x0B, 0x0D, 0x0E, 0x12, 0x10, 0x0D,
    0x0E, 0x11, 0x0E, 0x0B, 0x0B, 0x10, 0x16, 0x10, 0x11, 0x13, 0x14, 0x15, 0x15, 0x15, 0x0C, 0x0F,
    0x17, 0x18, 0x16, 0x14, 0x18, 0x12, 0x14, 0x15, 0x14, 0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x00, 0x08,
    0x00, 0x08, 0x01, 0x01, 0x11, 0x00, 0xFF, 0xC4, 0x00, 0x14, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0xFF, 0xC4, 0x00, 0x19,
    0x10, 0x00, 0x01, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x06, 0x09, 0x22, 0x35, 0x52, 0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F,
    0x00, 0x26, 0xDB, 0x4D, 0xD5, 0xC3, 0x27, 0xFF, 0xD9};

TEST(JpegGreyTest, GreyscaleFilesComeOutAsGreyRgb) {
  CDIB dib;
  std::string error;
  ASSERT_TRUE(ReadJpegMemory(kGreyRamp, sizeof kGreyRamp, dib, &error)) << error;
  ASSERT_EQ(dib.Width(), 8);
  ASSERT_EQ(dib.Height(), 8);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const uint32_t c = dib.GetPixel(x, y);
      EXPECT_EQ(c, (c & 0xFF) * 0x010101u);
      EXPECT_NEAR(int(c & 0xFF), 32 * x + 4 * y, 4) << x << "," << y;
    }
  }
}

TEST(JpegEncoderTest, MisuseAndWriteFailuresAreFailures) {
  TempDir dir;
  const Bytes row(3 * 4, 200);
  JpegEncoder enc;
  EXPECT_FALSE(enc.Start(nullptr, 4, 2, 90));
  EXPECT_FALSE(enc.Start(std::fopen((dir / "zero.jpg").c_str(), "wb"), 0, 2, 90));
  EXPECT_FALSE(enc.Active());

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
    if (ok) ok = enc.Finish();
    EXPECT_FALSE(ok);
  }
  {
    JpegEncoder abandoned;  // closes its file when destroyed unfinished
    ASSERT_TRUE(abandoned.Start(std::fopen((dir / "left.jpg").c_str(), "wb"), 4, 4, 50));
  }
}

// ---------------------------------------------------------------------------------------------
// Other programs read ours, ours reads theirs

TEST_F(JpegTest, LibjpegToolsAgreeWithOurCodec) {
  if (!HasTool("djpeg cjpeg")) GTEST_SKIP() << "djpeg/cjpeg not installed";
  const std::string ours = dir_ / "gradient.jpg", ppm = dir_ / "gradient.ppm";
  ASSERT_EQ(std::system(("djpeg -outfile '" + ppm + "' '" + ours + "'").c_str()), 0);
  const Pnm theirs = ParsePnm(ReadBytes(ppm));
  ASSERT_EQ(theirs.width, kW);
  ASSERT_EQ(theirs.height, kH);
  CDIB dib;
  std::string error;
  ASSERT_TRUE(ReadJpegTexture(ours.c_str(), dib, &error)) << error;
  EXPECT_EQ(MaxDifference(dib, theirs.rgb), 0);

  // cjpeg's colour and greyscale files, checked against djpeg's reading of them.
  for (const char* options : {"-quality 80", "-grayscale", "-progressive"}) {
    const std::string theirs_jpg = dir_ / "theirs.jpg", back = dir_ / "back.pnm";
    ASSERT_EQ(std::system(("cjpeg " + std::string(options) + " -outfile '" + theirs_jpg + "' '" +
                           ppm + "' && djpeg -outfile '" + back + "' '" + theirs_jpg + "'")
                              .c_str()),
              0);
    const Bytes expected = ParsePnm(ReadBytes(back)).rgb;
    ASSERT_FALSE(expected.empty()) << options;
    ASSERT_TRUE(ReadJpegTexture(theirs_jpg.c_str(), dib, &error)) << options << error;
    EXPECT_EQ(MaxDifference(dib, expected), 0) << options;
    fs::remove(theirs_jpg);
  }
}

TEST(TgaInteropTest, ImageMagickReadsOurTga) {
  if (!HasImageMagick()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  TempDir dir;
  const std::string tga = dir / "ours.tga", ppm = dir / "ours.ppm";
  std::FILE* f = std::fopen(tga.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  ASSERT_TRUE(writeTgaHeader(MakeTgaHeader(3, 2), f));
  const Bytes rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30, 40, 50, 60, 70, 80, 90};
  for (std::size_t i = 0; i < rgb.size(); i += 3) {
    ASSERT_TRUE(writeTgaPixel(rgb[i], rgb[i + 1], rgb[i + 2], f));
  }
  ASSERT_EQ(std::fclose(f), 0);
  ASSERT_EQ(std::system(("convert '" + tga + "' '" + ppm + "'").c_str()), 0);
  EXPECT_EQ(ParsePnm(ReadBytes(ppm)).rgb, rgb);  // top row first
}

}  // namespace
}  // namespace orvane
