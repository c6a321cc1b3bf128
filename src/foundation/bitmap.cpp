#include "foundation/bitmap.h"

#include <algorithm>
#include <cstring>
#include <ostream>
#include <utility>

#include "foundation/error_output.h"

namespace orvane {

namespace {

constexpr const char* kNoMemory = "(ERROR) Bitmap: no memory!\n";

// Cohen–Sutherland region codes.
constexpr int kLeft = 1;
constexpr int kRight = 2;
constexpr int kAbove = 4;
constexpr int kBelow = 8;

uint64_t Magnitude(int64_t v) {
  return v < 0 ? uint64_t(0) - uint64_t(v) : uint64_t(v);
}

// a × b / c truncated toward zero, exactly, for |a|, |b|, |c| < 2^33 and c != 0. The clip
// arithmetic works on differences of two 32-bit coordinates, whose products need 64 bits
// and more; splitting a into 16-bit halves keeps every intermediate below 2^51.
int64_t MulDivTruncated(int64_t a, int64_t b, int64_t c) {
  const uint64_t ua = Magnitude(a);
  const uint64_t ub = Magnitude(b);
  const uint64_t uc = Magnitude(c);
  const uint64_t high = (ua >> 16) * ub;
  const uint64_t rest = ((high % uc) << 16) + (ua & 0xFFFF) * ub;
  const uint64_t quotient = ((high / uc) << 16) + rest / uc;
  const bool negative = ((a < 0) != (b < 0)) != (c < 0);
  return negative ? -int64_t(quotient) : int64_t(quotient);
}

template <class Window>
int RegionCode(const Window& w, int32_t x, int32_t y) {
  int code = 0;
  if (x < w.left) {
    code |= kLeft;
  } else if (x >= w.right) {
    code |= kRight;
  }
  if (y < w.top) {
    code |= kAbove;
  } else if (y >= w.bottom) {
    code |= kBelow;
  }
  return code;
}

}  // namespace

Bitmap::Bitmap(int32_t w, int32_t h, int32_t b) {
  Allocate(w, h, b);
  MakeDitherMatrix(2);
}

Bitmap::Bitmap(const Bitmap& other) {
  Allocate(other.width, other.height, other.bits);
  MakeDitherMatrix(other.ditherSize);
}

Bitmap::~Bitmap() {
  delete[] ditherMatrix;
  if (ownsData) delete[] allocation;
}

void Bitmap::Allocate(int32_t w, int32_t h, int32_t b) {
  bits = b;
  bytesPerPixel = (b >= 1 && b <= 32) ? ((b - 1) >> 3) + 1 : 0;
  ownsData = 1;
  if (w <= 0 || h <= 0 || bytesPerPixel == 0) return;
  const int64_t pixels = int64_t{w} * h;
  if (pixels > kMaxPixels) {
    ErrorOutput() << kNoMemory;
    return;
  }
  const auto bytes = static_cast<std::size_t>(pixels) * static_cast<std::size_t>(bytesPerPixel);
  uint8_t* block = TryNewArray<uint8_t>(bytes);
  if (!block) {
    ErrorOutput() << kNoMemory;
    return;
  }
  std::memset(block, 0, bytes);
  data = allocation = block;
  width = w;
  height = h;
  clipLeft = 0;
  clipRight = w;
  clipTop = 0;
  clipBottom = h;
}

int Bitmap::DitherSizeFor(int requested) {
  if (requested < 4) return 2;
  if (requested < 8) return 4;
  if (requested < 16) return 8;
  return 16;
}

int Bitmap::MakeDitherMatrix(int size) {
  const int n = DitherSizeFor(size);
  uint8_t* m = TryNewArray<uint8_t>(static_cast<std::size_t>(n) * n);
  if (!m) {
    ErrorOutput() << kNoMemory;
    return 0;
  }
  m[0] = 0;
  m[1] = 2;
  m[n] = 3;
  m[n + 1] = 1;
  // Each doubling derives the quadrants of the 2s × 2s matrix from the s × s one in the
  // top-left corner; the top-left entry is rewritten last, once the others are derived.
  for (int s = 2; s < n; s *= 2) {
    for (int y = 0; y < s; ++y) {
      for (int x = 0; x < s; ++x) {
        const int v = 4 * m[y * n + x];
        m[y * n + x + s] = static_cast<uint8_t>(v + 2);
        m[(y + s) * n + x] = static_cast<uint8_t>(v + 3);
        m[(y + s) * n + x + s] = static_cast<uint8_t>(v + 1);
        m[y * n + x] = static_cast<uint8_t>(v);
      }
    }
  }
  delete[] ditherMatrix;
  ditherMatrix = m;
  ditherSize = n;
  return 1;
}

void Bitmap::SetPixel(int32_t x, int32_t y, uint8_t value) {
  if (!data || x < 0 || x >= width || y < 0 || y >= height) return;
  data[static_cast<std::size_t>(y) * width + x] = value;
}

uint8_t Bitmap::GetPixel(int32_t x, int32_t y) const {
  if (!data || x < 0 || x >= width || y < 0 || y >= height) return 0;
  return data[static_cast<std::size_t>(y) * width + x];
}

bool Bitmap::EffectiveWindow(Window& window) const {
  if (!data) return false;
  window.left = std::max(clipLeft, 0);
  window.right = std::min(clipRight, width);
  window.top = std::max(clipTop, 0);
  window.bottom = std::min(clipBottom, height);
  return window.left < window.right && window.top < window.bottom;
}

bool Bitmap::ClipLine(const Window& w, int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2) {
  // A point is moved onto an edge only when the other point lies inside that edge, and it
  // stays between the two, so each point meets each edge at most once: after at most eight
  // moves the ninth round accepts or rejects.
  for (int round = 0; round < 9; ++round) {
    int code1 = RegionCode(w, x1, y1);
    int code2 = RegionCode(w, x2, y2);
    if ((code1 | code2) == 0) return true;
    if (code1 & code2) return false;
    if (code1 == 0) {
      std::swap(x1, x2);
      std::swap(y1, y2);
      std::swap(code1, code2);
    }
    // The moved point stays between the two end points, and the divisor is never zero:
    // the point lies outside an edge that the other point does not cross.
    const int64_t dx = int64_t{x2} - x1;
    const int64_t dy = int64_t{y2} - y1;
    if (code1 & kLeft) {
      y1 = static_cast<int32_t>(y1 + MulDivTruncated(dy, int64_t{w.left} - x1, dx));
      x1 = w.left;
    } else if (code1 & kRight) {
      y1 = static_cast<int32_t>(y1 + MulDivTruncated(dy, int64_t{w.right} - 1 - x1, dx));
      x1 = w.right - 1;
    } else if (code1 > 7) {
      x1 = static_cast<int32_t>(x1 + MulDivTruncated(dx, int64_t{w.bottom} - 1 - y1, dy));
      y1 = w.bottom - 1;
    } else {
      x1 = static_cast<int32_t>(x1 + MulDivTruncated(dx, int64_t{w.top} - y1, dy));
      y1 = w.top;
    }
  }
  return false;
}

void Bitmap::Bresenham(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint8_t value) {
  // Both end points lie inside the window, and every plotted pixel lies in their bounding box.
  const int32_t dx = x2 >= x1 ? x2 - x1 : x1 - x2;
  const int32_t dy = y2 >= y1 ? y2 - y1 : y1 - y2;
  const int32_t sx = x2 >= x1 ? 1 : -1;
  const int32_t sy = y2 >= y1 ? 1 : -1;
  const bool yMajor = dx <= dy;
  const int64_t major = yMajor ? dy : dx;
  const int64_t minor = yMajor ? dx : dy;
  int64_t error = 2 * minor - major;
  int32_t x = x1;
  int32_t y = y1;
  for (int64_t i = 0; i <= major; ++i) {
    data[static_cast<std::size_t>(y) * width + x] = value;
    if (error > 0) {
      if (yMajor) {
        x += sx;
      } else {
        y += sy;
      }
      error -= 2 * major;
    }
    error += 2 * minor;
    if (yMajor) {
      y += sy;
    } else {
      x += sx;
    }
  }
}

void Bitmap::DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint8_t value) {
  Window w;
  if (!EffectiveWindow(w)) return;
  const bool inside = ClipLine(w, x1, y1, x2, y2);
  clipX1 = x1;
  clipY1 = y1;
  clipX2 = x2;
  clipY2 = y2;
  if (inside) Bresenham(x1, y1, x2, y2, value);
}

void Bitmap::DrawRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint8_t value) {
  DrawLine(x1, y1, x2, y1, value);
  DrawLine(x1, y1, x1, y2, value);
  DrawLine(x1, y2, x2, y2, value);
  DrawLine(x2, y2, x2, y1, value);
}

void Bitmap::FillRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint8_t value) {
  Window w;
  if (!EffectiveWindow(w)) return;
  if ((x1 < w.left && x2 < w.left) || (x1 >= w.right && x2 >= w.right) ||
      (y1 < w.top && y2 < w.top) || (y1 >= w.bottom && y2 >= w.bottom)) {
    return;
  }
  x1 = std::clamp(x1, w.left, w.right - 1);
  x2 = std::clamp(x2, w.left, w.right - 1);
  y1 = std::clamp(y1, w.top, w.bottom - 1);
  y2 = std::clamp(y2, w.top, w.bottom - 1);
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  clipX1 = x1;
  clipY1 = y1;
  clipX2 = x2;
  clipY2 = y2;
  for (int32_t y = y1; y <= y2; ++y) {
    std::memset(data + static_cast<std::size_t>(y) * width + x1, value,
                static_cast<std::size_t>(x2 - x1) + 1);
  }
}

int Bitmap::PlanarToChunky() {
  if (!data) return 0;
  Bitmap chunky(width, height, 8);
  if (!chunky.data) return 0;
  const std::size_t rowBytes = static_cast<std::size_t>(width) / 8;
  const std::size_t planeBytes = rowBytes * static_cast<std::size_t>(height);
  for (int plane = 0; plane < 8; ++plane) {
    const uint8_t* source = data + plane * planeBytes;
    const auto bit = static_cast<uint8_t>(1u << plane);
    for (std::size_t row = 0; row < static_cast<std::size_t>(height); ++row) {
      uint8_t* pixel = chunky.data + row * static_cast<std::size_t>(width);
      for (std::size_t column = 0; column < rowBytes; ++column) {
        const uint8_t byte = source[row * rowBytes + column];
        for (int i = 0; i < 8; ++i) {
          if (byte & (128 >> i)) pixel[column * 8 + i] |= bit;
        }
      }
    }
  }
  std::memcpy(data, chunky.data, static_cast<std::size_t>(width) * height);
  return 1;
}

std::size_t Bitmap::PlanarSize() const {
  if (!data || bits <= 0) return 0;
  return static_cast<std::size_t>(bits) * (static_cast<std::size_t>(width) / 8) *
         static_cast<std::size_t>(height);
}

int Bitmap::ChunkyToPlanar(uint8_t* destination, std::size_t destinationSize) const {
  if (!data) return 0;
  const std::size_t needed = PlanarSize();
  if (destinationSize < needed || (needed > 0 && !destination)) return 0;
  const std::size_t rowBytes = static_cast<std::size_t>(width) / 8;
  const std::size_t planeBytes = rowBytes * static_cast<std::size_t>(height);
  for (int plane = 0; plane < bits; ++plane) {
    uint8_t* target = destination + plane * planeBytes;
    for (std::size_t row = 0; row < static_cast<std::size_t>(height); ++row) {
      const uint8_t* pixel = data + row * static_cast<std::size_t>(width);
      for (std::size_t group = 0; group < rowBytes; ++group) {
        unsigned byte = 0;
        for (int i = 0; i < 8; ++i) {
          if ((pixel[group * 8 + i] >> plane) & 1) byte |= 128u >> i;
        }
        target[row * rowBytes + group] = static_cast<uint8_t>(byte);
      }
    }
  }
  return 1;
}

}  // namespace orvane
