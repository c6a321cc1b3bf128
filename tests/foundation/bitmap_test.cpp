#include "foundation/bitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <random>
#include <set>
#include <sstream>
#include <utility>
#include <vector>

#include "foundation/error_output.h"

namespace orvane {
namespace {

using Pixel = std::pair<int, int>;

std::set<Pixel> SetPixels(const Bitmap& bm) {
  std::set<Pixel> pixels;
  for (int y = 0; y < bm.height; ++y) {
    for (int x = 0; x < bm.width; ++x) {
      if (bm.GetPixel(x, y)) pixels.insert({x, y});
    }
  }
  return pixels;
}

std::set<Pixel> Diagonal(int n) {
  std::set<Pixel> pixels;
  for (int i = 0; i < n; ++i) pixels.insert({i, i});
  return pixels;
}

// The end points of the last drawing after clipping.
std::vector<int> ClipEnds(const Bitmap& bm) {
  return {bm.clipX1, bm.clipY1, bm.clipX2, bm.clipY2};
}

TEST(BitmapTest, ConstructionCopyPixelsAndDither) {
  Bitmap bm(5, 3, 24);
  // A copy has the shape and dither size of its source, but fresh, cleared pixels.
  bm.MakeDitherMatrix(8);
  bm.SetPixel(2, 2, 7);
  Bitmap copy(bm);
  ASSERT_TRUE(copy.HasPixels());
  EXPECT_EQ(std::vector<int>({copy.width, copy.height, copy.bits, copy.bytesPerPixel}),
            std::vector<int>({5, 3, 24, 3}));
  EXPECT_EQ(copy.GetPixel(2, 2), 0);
  ASSERT_EQ(copy.ditherSize, 8);
  EXPECT_TRUE(std::equal(copy.ditherMatrix, copy.ditherMatrix + 64, bm.ditherMatrix));
  // Pixels outside the image read 0 and ignore writes.
  Bitmap full(16, 16, 8);
  full.FillRectangle(0, 0, 15, 15, 9);
  for (Pixel p : {Pixel{-1, 0}, Pixel{16, 0}, Pixel{0, -1}, Pixel{0, 16}}) {
    EXPECT_EQ(full.GetPixel(p.first, p.second), 0);
    full.SetPixel(p.first, p.second, 1);
  }
  EXPECT_TRUE(std::all_of(full.data, full.data + 256, [](uint8_t b) { return b == 9; }));
  // Dither sizes round down to a power of two from 2 to 16.
  const std::pair<int, int> cases[] = {{-1, 2}, {3, 2}, {5, 4}, {15, 8}, {16, 16}, {1000, 16}};
  for (auto [requested, expected] : cases) EXPECT_EQ(Bitmap::DitherSizeFor(requested), expected);
  ASSERT_EQ(full.MakeDitherMatrix(5), 1);
  ASSERT_EQ(full.ditherSize, 4);
  const uint8_t expected[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};
  EXPECT_TRUE(std::equal(expected, expected + 16, full.ditherMatrix));
}

// Bad sizes and failed allocations give a bitmap without pixels that is safe to use.
TEST(BitmapTest, BadSizesAndFailedAllocations) {
  std::ostringstream errors;
  SetErrorOutput(&errors);
  const std::string no_memory = "(ERROR) Bitmap: no memory!\n";
  const int sizes[][3] = {{0, 5, 8}, {4, INT_MIN, 8}, {4, 4, 0}, {4, 4, 33}};
  for (const auto& s : sizes) {
    Bitmap bm(s[0], s[1], s[2]);
    EXPECT_FALSE(bm.HasPixels());
    EXPECT_EQ(bm.width * bm.height, 0);
  }
  EXPECT_EQ(errors.str(), "");  // refused silently: the caller reports bad sizes
  Bitmap over_cap(16385, 16384, 8);
  EXPECT_FALSE(over_cap.HasPixels());
  EXPECT_EQ(errors.str(), no_memory);
  FailNextAllocations(1);
  Bitmap bm(16, 16, 8);
  EXPECT_EQ(bm.data, nullptr);
  EXPECT_EQ(bm.ditherSize, 2);
  bm.SetPixel(0, 0, 1);
  EXPECT_EQ(bm.GetPixel(0, 0), 0);
  bm.DrawLine(0, 0, 15, 15, 1);
  bm.DrawRectangle(0, 0, 15, 15, 1);
  bm.FillRectangle(0, 0, 15, 15, 1);
  EXPECT_EQ(bm.PlanarToChunky(), 0);
  uint8_t planes[256] = {};
  EXPECT_EQ(bm.ChunkyToPlanar(planes, sizeof planes), 0);
  EXPECT_EQ(bm.PlanarSize(), 0u);
  EXPECT_FALSE(Bitmap(bm).HasPixels());
  // A failed helper allocation changes nothing.
  Bitmap row(8, 1, 8);
  row.data[0] = 0xFF;
  FailNextAllocations(1);
  EXPECT_EQ(row.PlanarToChunky(), 0);
  EXPECT_EQ(row.data[0], 0xFF);
  FailNextAllocations(1);
  EXPECT_EQ(row.MakeDitherMatrix(16), 0);
  EXPECT_EQ(row.ditherSize, 2);
  EXPECT_EQ(row.ditherMatrix[1], 2);
  SetErrorOutput(nullptr);
  FailNextAllocations(0);
  // One report per failed allocation.
  EXPECT_EQ(errors.str(), no_memory + no_memory + no_memory + no_memory);
}

TEST(BitmapTest, LineClippingCases) {
  Bitmap bm(16, 16, 8);
  bm.DrawLine(-10, 5, -1, 9, 1);
  EXPECT_TRUE(SetPixels(bm).empty());
  bm.DrawLine(-8, -8, 23, 23, 1);
  EXPECT_EQ(SetPixels(bm), Diagonal(16));
  // The first point became inside, so the points were exchanged before the second was clipped.
  EXPECT_EQ(ClipEnds(bm), std::vector<int>({15, 15, 0, 0}));
  // Left of and below the window: the left edge is taken first (bottom first would give y 14).
  bm.DrawLine(-4, 20, 8, 4, 1);
  EXPECT_EQ(ClipEnds(bm), std::vector<int>({0, 15, 8, 4}));
  bm.DrawLine(3, -5, 5, 20, 1);  // above, then below: the top edge, then the bottom one
  EXPECT_EQ(ClipEnds(bm), std::vector<int>({5, 15, 3, 0}));
  Bitmap extreme(16, 16, 8);
  extreme.DrawLine(INT_MIN, INT_MIN, INT_MAX, INT_MAX, 1);
  EXPECT_EQ(SetPixels(extreme), Diagonal(16));
  // Nearly horizontal across all of x: it crosses the image at y 7.5, as the true line does.
  Bitmap flat(16, 16, 8);
  flat.DrawLine(INT_MIN, 0, INT_MAX, 15, 1);
  std::set<Pixel> expected;
  for (int x = 0; x < 16; ++x) expected.insert({x, x < 8 ? 7 : 8});
  EXPECT_EQ(SetPixels(flat), expected);
}

// On a tie (error term 0) the minor coordinate is kept, so direction matters.
TEST(BitmapTest, BresenhamTiesAndRectangles) {
  Bitmap reversed(8, 8, 8);
  reversed.DrawLine(4, 2, 0, 0, 1);
  EXPECT_EQ(SetPixels(reversed), std::set<Pixel>({{4, 2}, {3, 2}, {2, 1}, {1, 1}, {0, 0}}));
  // A window reaching past the image sideways is narrowed to it; a write left or right of
  // the image would wrap into the neighbouring rows.
  Bitmap wide(16, 16, 8);
  wide.clipLeft = INT_MIN;
  wide.clipRight = INT_MAX;
  wide.clipTop = 4;
  wide.clipBottom = 12;
  wide.FillRectangle(-9, 0, -1, 15, 1);  // wholly left of the window
  EXPECT_TRUE(SetPixels(wide).empty());
  wide.DrawRectangle(INT_MIN, 4, INT_MAX, INT_MAX, 1);
  std::set<Pixel> expected;
  for (int x = 0; x < 16; ++x) expected.insert({x, 4});
  EXPECT_EQ(SetPixels(wide), expected);
}

TEST(BitmapTest, PlanarChunkyConversions) {
  Bitmap bm(16, 4, 8);
  std::mt19937 rng(7);
  std::vector<uint8_t> planar(16 * 4);
  for (auto& b : planar) b = static_cast<uint8_t>(rng());
  planar[0] = 0x80;              // plane 0, row 0: pixel 0 gets bit 0
  planar[7 * 2 * 4 + 2] = 0x01;  // plane 7, row 1: pixel 7 gets bit 7
  std::copy(planar.begin(), planar.end(), bm.data);
  ASSERT_EQ(bm.PlanarToChunky(), 1);
  EXPECT_EQ(bm.GetPixel(0, 0) & 0x01, 0x01);
  EXPECT_EQ(bm.GetPixel(7, 1) & 0x80, 0x80);
  std::vector<uint8_t> back(bm.PlanarSize());
  ASSERT_EQ(bm.ChunkyToPlanar(back.data(), back.size()), 1);
  EXPECT_EQ(back, planar);
  EXPECT_EQ(bm.ChunkyToPlanar(back.data(), back.size() - 1), 0);
}

}  // namespace
}  // namespace orvane
