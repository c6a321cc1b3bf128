#include "imageio/picture.h"

#include <algorithm>
#include <cstring>

#include "foundation/error_output.h"

namespace orvane {

namespace {

std::size_t BlockBytes(const Bitmap& bitmap) {
  return static_cast<std::size_t>(bitmap.width) * static_cast<std::size_t>(bitmap.height) *
         static_cast<std::size_t>(bitmap.bytesPerPixel);
}

}  // namespace

Picture::Picture(const Picture& other) : palette(other.palette), paletteCount(other.paletteCount) {
  CopyPixelsFrom(other);
}

Picture& Picture::operator=(const Picture& other) {
  if (this == &other) return *this;
  palette = other.palette;
  paletteCount = other.paletteCount;
  CopyPixelsFrom(other);
  return *this;
}

void Picture::CopyPixelsFrom(const Picture& other) {
  bitmap_.reset();
  if (!other.HasPixels()) return;
  // The Bitmap copy constructor sizes and clears the block; the pixels are copied here.
  std::unique_ptr<Bitmap> copy(TryNew<Bitmap>(*other.bitmap_));
  if (!copy || !copy->HasPixels()) return;
  std::memcpy(copy->data, other.bitmap_->data, BlockBytes(*copy));
  bitmap_ = std::move(copy);
}

bool Picture::Create(int32_t width, int32_t height, int32_t planes) {
  bitmap_.reset(TryNew<Bitmap>(width, height, planes));
  if (bitmap_ && bitmap_->HasPixels()) return true;
  bitmap_.reset();
  return false;
}

void Picture::SwapPixels(Picture& other) {
  bitmap_.swap(other.bitmap_);
}

uint8_t Picture::Pixel(int32_t x, int32_t y) const {
  return HasPixels() ? bitmap_->GetPixel(x, y) : 0;
}

void Picture::SetPixel(int32_t x, int32_t y, uint8_t index) {
  if (HasPixels()) bitmap_->SetPixel(x, y, index);
}

Rgb Picture::PaletteColour(int index) const {
  const int count = std::clamp(paletteCount, 0, kMaxPaletteEntries);
  if (index < 0 || index >= count) return Rgb{};
  return palette[static_cast<std::size_t>(index)];
}

int Picture::PaletteBrightness(int index) const {
  const Rgb c = PaletteColour(index);
  return static_cast<int>(0.3 * c.r + 0.59 * c.g + 0.11 * c.b);
}

}  // namespace orvane
