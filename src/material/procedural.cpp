#include "material/procedural.h"

#include <cmath>
#include <limits>
#include <utility>

#include "imageio/ilbm.h"

namespace orvane {

int Fractal::MandelbrotCount(double cx, double cy, int iterations, bool* inside) {
  double zx = 0.0;
  double zy = 0.0;
  int n = 0;
  bool stayed = false;
  double before = 0.0;
  do {
    before = zx * zx + zy * zy;
    const double next_x = zx * zx - zy * zy + cx;
    zy = 2.0 * zx * zy + cy;
    zx = next_x;
    ++n;
    if (n >= iterations) {
      stayed = true;
      break;
    }
  } while (before < kBailout);
  if (inside) *inside = stayed;
  return n;
}

int Fractal::IndexForC(double cx, double cy) const {
  bool inside = false;
  const int n = MandelbrotCount(cx, cy, iterations, &inside);
  const int entries = PaletteEntries();
  if (!inside && entries > 0) return n % entries;
  return n % 256;
}

int Fractal::IndexAt(double u, double v) const {
  return IndexForC(xMin + u * (xMax - xMin), yMin + v * (yMax - yMin));
}

int Fractal::Evaluate(double u, double v) {
  lastIndex = IndexAt(u, v);
  return lastIndex;
}

Rgb Fractal::ColourOf(int index) const {
  if (PaletteEntries() > 0) return palette_->PaletteColour(index);
  const auto grey = static_cast<uint8_t>(index & 0xFF);
  return Rgb{grey, grey, grey};
}

int Fractal::BrightnessOf(int index) const {
  if (PaletteEntries() > 0) return palette_->PaletteBrightness(index);
  return index & 0xFF;
}

int Fractal::WritePicture(const char* path, bool compress) const {
  Picture picture;
  if (!picture.Create(pictureWidth, pictureHeight, 8)) return -1;
  for (int32_t y = 0; y < pictureHeight; ++y) {
    const double cy = yMin + y * (yMax - yMin) / pictureHeight;
    for (int32_t x = 0; x < pictureWidth; ++x) {
      const double cx = xMin + x * (xMax - xMin) / pictureWidth;
      picture.SetPixel(x, y, static_cast<uint8_t>(IndexForC(cx, cy)));
    }
  }
  if (PaletteEntries() > 0) {
    picture.palette = palette_->palette;
    picture.paletteCount = palette_->paletteCount;
  } else {
    // The picture shows what the sampler shows: the grey ramp.
    for (int i = 0; i < Picture::kMaxPaletteEntries; ++i) {
      const auto grey = static_cast<uint8_t>(i);
      picture.palette[i] = Rgb{grey, grey, grey};
    }
    picture.paletteCount = Picture::kMaxPaletteEntries;
  }
  return writeILBM(picture, path, compress) ? 0 : -1;
}

void Fractal::SetPalette(const Picture* picture) {
  owned_palette_.reset();
  palette_ = picture;
}

void Fractal::SetOwnedPalette(std::unique_ptr<Picture> picture) {
  owned_palette_ = std::move(picture);
  palette_ = owned_palette_.get();
}

void TwoColourPattern::SetColour1(int16_t r, int16_t g, int16_t b) {
  colours[0] = r;
  colours[2] = g;
  colours[4] = b;
}

void TwoColourPattern::SetColour2(int16_t r, int16_t g, int16_t b) {
  colours[1] = r;
  colours[3] = g;
  colours[5] = b;
}

Colour16 TwoColourPattern::Evaluate(int kind, double u, double v) {
  switch (kind) {
    case 4:
      output = ChessColour(*this, u, v);
      break;
    case 5:
      output = FadeColour(*this, u, v);
      break;
    default:
      output = colour1();
      break;
  }
  return output;
}

Colour16 ChessColour(const TwoColourPattern& p, double u, double v) {
  return (u >= 0.5) == (v >= 0.5) ? p.colour1() : p.colour2();
}

namespace {

int16_t TruncateToInt16(double x) {
  if (std::isnan(x)) return 0;
  constexpr double kLow = std::numeric_limits<int16_t>::min();
  constexpr double kHigh = std::numeric_limits<int16_t>::max();
  if (x <= kLow) return std::numeric_limits<int16_t>::min();
  if (x >= kHigh) return std::numeric_limits<int16_t>::max();
  return static_cast<int16_t>(x);  // truncates toward zero
}

int16_t Blend(int16_t a, int16_t b, double v) {
  return TruncateToInt16(a * (1.0 - v) + b * v);
}

}  // namespace

Colour16 FadeColour(const TwoColourPattern& p, double /*u*/, double v) {
  const Colour16 a = p.colour1();
  const Colour16 b = p.colour2();
  return Colour16{Blend(a.r, b.r, v), Blend(a.g, b.g, v), Blend(a.b, b.b, v)};
}

}  // namespace orvane
