// Fuzz target for the ILBM reader: any input must give a defined result without touching
// memory outside its buffers. A body that was read is written back, compressed and not,
// and must read again to the same pixels and palette.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imageio/ilbm.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckRoundTrip(const orvane::Picture& picture, bool compress) {
  std::vector<uint8_t> bytes;
  if (!orvane::writeILBM(picture, bytes, compress)) {
    // Only deep pictures are refused.
    Check(picture.Planes() > 8);
    return;
  }
  orvane::Picture again;
  Check(orvane::readILBM(again, bytes.data(), bytes.size(), true) == 3);
  Check(again.Width() == picture.Width() && again.Height() == picture.Height());
  for (int32_t y = 0; y < picture.Height(); ++y) {
    // Columns past the last whole byte are not stored.
    for (int32_t x = 0; x < picture.Width() / 8 * 8; ++x) {
      Check(again.Pixel(x, y) == picture.Pixel(x, y));
    }
  }
  for (int i = 0; i < (1 << picture.Planes()); ++i) {
    Check(again.PaletteColour(i) == picture.PaletteColour(i));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  orvane::Picture picture;
  const int result = orvane::readILBM(picture, data, size, true);
  Check(result >= 0 && result <= 3);
  if (result & orvane::kIlbmBodyRead) {
    CheckRoundTrip(picture, false);
    CheckRoundTrip(picture, true);
  }
  // The caller-sized path: a small picture that rarely matches the file.
  orvane::Picture sized;
  sized.Create(16, 16, 8);
  orvane::readILBM(sized, data, size, false);
  return 0;
}
