#pragma once
// Picture: an 8-bit palette image — a Bitmap of palette indices plus a palette of up to 256
// colours. IFF ILBM files are read into and written from it (ilbm.h); fractal textures are
// rendered into it; the texture sampler reads texels through it.

#include <array>
#include <cstdint>
#include <memory>

#include "foundation/bitmap.h"

namespace orvane {

struct Rgb {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  bool operator==(const Rgb&) const = default;
};

class Picture {
 public:
  static constexpr int kMaxPaletteEntries = 256;

  Picture() = default;
  Picture(const Picture& other);  // copies pixels and palette
  Picture& operator=(const Picture& other);

  // Replaces the pixels by a cleared width × height image of `planes` bit-planes (1..8 for
  // palette pictures; bytes per pixel = ((planes - 1) >> 3) + 1). False, with no pixels, when
  // the size is refused or cannot be allocated (see Bitmap for the limits).
  bool Create(int32_t width, int32_t height, int32_t planes);
  bool HasPixels() const { return bitmap_ && bitmap_->HasPixels(); }

  int32_t Width() const { return HasPixels() ? bitmap_->width : 0; }
  int32_t Height() const { return HasPixels() ? bitmap_->height : 0; }
  int32_t Planes() const { return HasPixels() ? bitmap_->bits : 0; }

  // The palette index at (x, y); 0 outside the picture or without pixels.
  uint8_t Pixel(int32_t x, int32_t y) const;
  // Does nothing outside the picture.
  void SetPixel(int32_t x, int32_t y, uint8_t index);

  // The colour of palette entry `index`; black at or above the entry count.
  Rgb PaletteColour(int index) const;
  // truncate(0.3 R + 0.59 G + 0.11 B) of entry `index`; 0 at or above the entry count.
  int PaletteBrightness(int index) const;

  // The pixel buffer (null without pixels), for the codecs and the drawing commands.
  Bitmap* bitmap() { return bitmap_.get(); }
  const Bitmap* bitmap() const { return bitmap_.get(); }
  // Exchanges the pixel buffers (with their clip windows) of the two pictures; the palettes
  // stay. Lets a reader build a new image aside and install it only once it is complete.
  void SwapPixels(Picture& other);

  std::array<Rgb, kMaxPaletteEntries> palette{};
  int paletteCount = 0;  // entries in use, 0..256

 private:
  // Replaces the pixels by a copy of `other`'s; no pixels when the copy cannot be allocated.
  void CopyPixelsFrom(const Picture& other);

  std::unique_ptr<Bitmap> bitmap_;
};

}  // namespace orvane
