#pragma once
// Procedural textures: the Mandelbrot fractal coloured through a palette, the chessboard and the
// colour fade, each evaluated at texture coordinates (u, v), normally in [0, 1).
//
// The pattern functions are pure: they read the parameters and return the result, so the
// texture sampler can call them while tracing without writing to scene data. The recording
// forms (Fractal::Evaluate, TwoColourPattern::Evaluate) also leave the result in the record
// (`lastIndex`, `output`) for callers that read it back afterwards.

#include <array>
#include <cstdint>
#include <memory>

#include "imageio/picture.h"

namespace orvane {

// The fractal generator of a fractal texture (kind 2).
class Fractal {
 public:
  // Escape threshold of |z|², tested on the value before the last step.
  static constexpr double kBailout = 8.0;

  Fractal() = default;
  Fractal(const Fractal&) = delete;
  Fractal& operator=(const Fractal&) = delete;

  // Iterations until z escapes, or `iterations` (or 1, for an iteration count below 1) when it
  // stays inside; `inside` tells which. Double precision throughout.
  static int MandelbrotCount(double cx, double cy, int iterations, bool* inside);

  // The palette index for c: escaped points with a palette give n mod (palette entries);
  // inside points, and every point without a palette, give n mod 256.
  int IndexForC(double cx, double cy) const;
  // The index at texture coordinates: c = (xMin + u (xMax - xMin), yMin + v (yMax - yMin)).
  int IndexAt(double u, double v) const;
  // IndexAt, remembered in `lastIndex`.
  int Evaluate(double u, double v);

  // The colour of an index: the palette entry (black at or above the entry count), or the grey
  // ramp (index, index, index) without a palette.
  Rgb ColourOf(int index) const;
  // Brightness 0..255 of an index: the palette brightness (truncated), or the index itself.
  int BrightnessOf(int index) const;

  // Renders the pictureWidth × pictureHeight picture (8 planes, pixel (x, y) evaluated at
  // c = (xMin + x (xMax - xMin) / width, yMin + y (yMax - yMin) / height)) with the palette, or
  // with a 256-entry grey ramp when there is none, and writes it as IFF ILBM. Returns 0, or -1
  // when the picture cannot be allocated or the file cannot be written.
  int WritePicture(const char* path, bool compress) const;

  // The palette: an 8-bit picture's colour map. A palette without entries counts as none.
  const Picture* palette() const { return palette_; }
  // Borrows `picture` (normally a palette texture's); the caller keeps it alive.
  void SetPalette(const Picture* picture);
  // Takes ownership of `picture`; ownsPalette() is then 1.
  void SetOwnedPalette(std::unique_ptr<Picture> picture);
  uint32_t ownsPalette() const { return owned_palette_ ? 1u : 0u; }

  int32_t pictureWidth = 320;
  int32_t pictureHeight = 240;
  int32_t lastIndex = 0;
  double xMin = -2.7;
  double xMax = 0.5;
  double yMin = -1.0;
  double yMax = 1.0;
  int16_t iterations = 20;

 private:
  int PaletteEntries() const { return palette_ ? palette_->paletteCount : 0; }

  const Picture* palette_ = nullptr;
  std::unique_ptr<Picture> owned_palette_;
};

// A colour of three signed 16-bit components.
struct Colour16 {
  int16_t r = 0;
  int16_t g = 0;
  int16_t b = 0;
  bool operator==(const Colour16&) const = default;
};

// The two colours of a chess (kind 4) or fade (kind 5) texture, stored interleaved as
// red 1, red 2, green 1, green 2, blue 1, blue 2, and the output of the last Evaluate.
struct TwoColourPattern {
  Colour16 colour1() const { return Colour16{colours[0], colours[2], colours[4]}; }
  Colour16 colour2() const { return Colour16{colours[1], colours[3], colours[5]}; }
  void SetColour1(int16_t r, int16_t g, int16_t b);
  void SetColour2(int16_t r, int16_t g, int16_t b);

  // Chess or Fade by `kind` (4 or 5), stored in `output`; another kind gives colour 1.
  Colour16 Evaluate(int kind, double u, double v);

  std::array<int16_t, 6> colours{};
  Colour16 output;
};

// Colour 1 when (u >= 0.5) == (v >= 0.5), otherwise colour 2: one tile is a 2 × 2 board.
Colour16 ChessColour(const TwoColourPattern& p, double u, double v);
// Per component truncate(colour 1 × (1 - v) + colour 2 × v), limited to the 16-bit range (a
// NaN v gives 0); u is not used.
Colour16 FadeColour(const TwoColourPattern& p, double u, double v);

}  // namespace orvane
