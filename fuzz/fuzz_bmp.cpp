// libFuzzer target for the BMP reader: any input is either refused with a message or gives a
// bitmap whose rows all lie inside its buffers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imageio/dib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  orvane::CDIB dib;
  if (!dib.ReadMemory(data, size)) {
    if (dib.LastError().empty() || dib.HasImage()) std::abort();
    return 0;
  }
  // Touch the first and last byte of every row, and every pixel of small images.
  const int32_t stride = dib.Stride();
  volatile uint8_t sink = 0;
  for (int32_t y = 0; y < dib.Height(); ++y) {
    const uint8_t* row = dib.Row(y);
    if (!row) std::abort();
    sink = sink ^ row[0] ^ row[stride - 1];
  }
  if (int64_t{dib.Width()} * dib.Height() <= 4096) {
    uint32_t sum = 0;
    for (int32_t y = 0; y < dib.Height(); ++y) {
      for (int32_t x = 0; x < dib.Width(); ++x) sum += dib.GetPixel(x, y);
    }
    if (dib.BitsPerPixel() != 24 && sum != 0) std::abort();
  }
  std::vector<uint8_t> written;
  if (!dib.WriteMemory(written) || written.size() > size) std::abort();
  return 0;
}
