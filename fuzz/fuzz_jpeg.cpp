// libFuzzer target for the JFIF texture reader: any input is refused with a message or gives a
// 24-bit bitmap; libjpeg's fatal errors must come back as failures, never end the process.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "imageio/dib.h"
#include "imageio/jpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  // Smaller than the reader's own cap so that one input cannot take the fuzzer's memory.
  constexpr int64_t kMaxPixels = int64_t{1} << 22;
  orvane::CDIB dib;
  std::string error;
  if (!orvane::ReadJpegMemory(data, size, dib, &error, kMaxPixels)) {
    if (error.empty() || dib.HasImage()) std::abort();
    return 0;
  }
  if (dib.BitsPerPixel() != 24 || int64_t{dib.Width()} * dib.Height() > kMaxPixels) std::abort();
  const uint8_t* last = dib.Row(dib.Height() - 1);
  if (!last) std::abort();
  volatile uint8_t sink = last[3 * dib.Width() - 1];
  (void)sink;
  return 0;
}
