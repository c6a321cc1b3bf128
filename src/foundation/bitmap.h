#pragma once
// Bitmap: the in-memory raster of the system, a block of pixels with a clipping window,
// three drawing primitives and the conversions between chunky pixels and IFF bit-planes.
//
// Layout: rows top to bottom, each row width × bytesPerPixel bytes with no alignment. The
// pixel access and drawing operations address one byte per pixel (offset y × width + x),
// so they serve 8-bit palette bitmaps.
//
// Sizes: a bitmap has pixels only when width and height are at least 1, bits lies in
// 1..32 and width × height does not exceed kMaxPixels (16384 × 16384); the block then holds
// width × height × bytesPerPixel bytes (at most 1 GiB). Any other request, and a failed
// allocation, gives a bitmap without pixels: `data` null, width and height 0. A failed
// allocation or a size above the cap also writes "(ERROR) Bitmap: no memory!" to
// ErrorOutput(); zero or negative sizes and bad bit depths are refused silently (the caller
// that read them reports). Every operation is a harmless no-op (or answers 0) on a bitmap
// without pixels.
//
// Clipping: left and top are inclusive, right and bottom exclusive. The fields are public
// and may be narrowed by the caller; the drawing operations clip against the intersection
// of the clip window with the image, so a window reaching past the image cannot lead to
// writes outside the block. width, height, bits and bytesPerPixel are read-only for callers.

#include <cstddef>
#include <cstdint>

namespace orvane {

class Bitmap {
 public:
  // Upper bound of width × height accepted by the constructors.
  static constexpr int64_t kMaxPixels = int64_t{16384} * 16384;

  // Allocates and clears the pixel block, builds the 2 × 2 dither matrix and sets the clip
  // window to the whole image. `ownsData` is 1.
  Bitmap(int32_t width, int32_t height, int32_t bits);
  // A new, cleared bitmap of `other`'s width, height and bits with a dither matrix of
  // `other`'s size. The pixels are NOT copied; the clip window is the whole image.
  Bitmap(const Bitmap& other);
  Bitmap& operator=(const Bitmap&) = delete;
  // Frees the dither matrix, and `allocation` when `ownsData` is set.
  ~Bitmap();

  bool HasPixels() const { return data != nullptr; }

  // The dither matrix size used for a requested size: 2, 4, 8 and 16 unchanged; otherwise 2
  // below 4, 4 below 8, 8 below 16 and 16 from 16 up.
  static int DitherSizeFor(int requested);
  // Replaces the dither matrix by the ordered-dither (Bayer) matrix of DitherSizeFor(size):
  // ditherSize × ditherSize bytes, row by row, holding each of 0 .. ditherSize² − 1 once.
  // Returns 1, or 0 when it cannot be allocated (the old matrix is then kept).
  int MakeDitherMatrix(int size);

  // Stores `value` at (x, y); does nothing outside the image (the clip window is ignored).
  void SetPixel(int32_t x, int32_t y, uint8_t value);
  // The byte at (x, y), or 0 outside the image.
  uint8_t GetPixel(int32_t x, int32_t y) const;

  // Line from (x1, y1) to (x2, y2), both end points included, clipped to the clip window
  // (Cohen–Sutherland, then Bresenham). Any coordinates are accepted. The clipped end points
  // are left in clipX1, clipY1, clipX2, clipY2 (the points may have been exchanged); for a
  // rejected line they hold the points where clipping stopped.
  void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint8_t value);
  // The outline as four lines: top, left, bottom, right.
  void DrawRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint8_t value);
  // Every pixel between the two corners, both included, after clipping: nothing when both
  // x or both y lie outside the same side of the clip window, else each coordinate is
  // clamped into the window. The clamped, ordered corners are left in clipX1 .. clipY2.
  void FillRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint8_t value);

  // Reads the block as 8 bit-planes, plane-major: plane k is height rows of width / 8 bytes
  // starting at k × (width / 8) × height, the leftmost pixel in bit 128; plane k gives bit k
  // of the index. Replaces the first width × height bytes by one index byte per pixel.
  // When width is not a multiple of 8 only whole bytes are converted: the last width mod 8
  // columns of every row become 0. Returns 1, or 0 without pixels or when the temporary
  // buffer cannot be allocated (the block is then unchanged).
  int PlanarToChunky();
  // Bytes ChunkyToPlanar writes: bits × (width / 8) × height.
  std::size_t PlanarSize() const;
  // Writes `bits` planes of the index bytes in the layout PlanarToChunky reads (planes past
  // the eighth are zero). Every byte of the first PlanarSize() bytes of `destination` is
  // assigned; columns past the last whole byte (width mod 8) are dropped. Returns 1, or 0 and
  // writes nothing when the bitmap has no pixels or `destinationSize` < PlanarSize().
  int ChunkyToPlanar(uint8_t* destination, std::size_t destinationSize) const;

  uint8_t* data = nullptr;
  uint8_t* allocation = nullptr;
  uint8_t* ditherMatrix = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t bits = 0;
  int32_t clipLeft = 0;
  int32_t clipRight = 0;
  int32_t clipTop = 0;
  int32_t clipBottom = 0;
  int32_t clipX1 = 0;
  int32_t clipY1 = 0;
  int32_t clipX2 = 0;
  int32_t clipY2 = 0;
  int32_t ditherSize = 0;  // 2, 4, 8 or 16; 0 only when no matrix could be allocated
  int32_t bytesPerPixel = 0;
  int32_t ownsData = 1;

 private:
  struct Window {
    int32_t left, right, top, bottom;
  };

  void Allocate(int32_t w, int32_t h, int32_t b);
  // The clip window narrowed to the image; false when it holds no pixel.
  bool EffectiveWindow(Window& window) const;
  // Clips the segment in place; false when nothing of it is inside.
  static bool ClipLine(const Window& window, int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2);
  void Bresenham(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint8_t value);
};

}  // namespace orvane
