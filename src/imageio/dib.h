#pragma once
// CDIB: a device-independent bitmap as stored in BMP files — the 14-byte file header, the
// info block (40-byte info header plus any colour table) and the pixel bits, rows bottom-up,
// each row padded to a multiple of 4 bytes. 24-bit textures (BMP and JPEG) are held in it.
//
// Several CDIB objects may share one set of buffers (Share); the buffers live until the last
// owner lets them go. Failures return false and leave a message (the system's fixed texts:
// "Invalid bitmap file", "Read error", ...) in LastError(); the object is then without a
// complete image.
//
// In place of a platform drawing context, a CDIB draws into and captures from a PixelCanvas:
// a plain 24-bit pixel buffer that the editor later shows with Qt.
//
// Reading checks every field before it is used: the type ("BM" or 0x1910), the pixel offset
// (at least 54, inside the file), the file size field (at least the offset; larger than the
// data: "Read error"), the info header (size 40 or more, 1 plane, 1, 4, 8, 16, 24 or 32 bits,
// no compression — bit fields for 16 and 32 bits — width at least 1, height not 0, at most
// kMaxPixels pixels; otherwise "Unable to create DIB-Section") and the pixel block (file size
// − offset bytes, which must cover height × stride: otherwise "Read error"). Top-down files
// (negative height) are read and turned bottom-up in memory: rows are reversed and the stored
// info header gets the positive height, so the pixels, Height() and a saved copy are those of
// the equivalent bottom-up file. Bits beyond the image rows are kept and written back.
// Depths other than 24 are kept as read (Width, Height, Save work; GetPixel answers 0, the
// drawing operations draw nothing).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace orvane {

// A 24-bit RGB drawing surface: rows top to bottom, pixels as 0x00BBGGRR.
class PixelCanvas {
 public:
  PixelCanvas() = default;
  PixelCanvas(int32_t width, int32_t height);
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  // 0 outside the canvas.
  uint32_t GetPixel(int32_t x, int32_t y) const;
  // Does nothing outside the canvas.
  void SetPixel(int32_t x, int32_t y, uint32_t bgr);

 private:
  int32_t width_ = 0;
  int32_t height_ = 0;
  std::vector<uint32_t> pixels_;
};

class CDIB {
 public:
  // Largest accepted image: 16384 × 16384 pixels.
  static constexpr int64_t kMaxPixels = int64_t{16384} * 16384;

  CDIB();
  CDIB(const CDIB&) = delete;
  CDIB& operator=(const CDIB&) = delete;
  virtual ~CDIB();

  // Reads a BMP file ("BM", or 0x1910 as well), releasing the current buffers first (shared
  // buffers stay with their other owners). A null or empty name, or a file that cannot be
  // opened: "Failed to open file". Read takes the stream from its position to the end.
  virtual bool Open(const char* path);
  virtual bool Read(std::FILE* file);
  // The same from memory (tests, fuzzing).
  bool ReadMemory(const uint8_t* data, std::size_t size);
  // A 24-bit bitmap of width × height whose bits are captured from `canvas`; when a bitmap of
  // exactly this size exists only the bits are refreshed (the buffers are kept).
  virtual bool Create(const PixelCanvas& canvas, int32_t width, int32_t height);
  // A new, black 24-bit bitmap of width × height (the JPEG reader fills it).
  bool Create24(int32_t width, int32_t height);
  // Writes the header, the info block and the bits. Save creates the file exclusively: an
  // existing file, an empty name or an empty bitmap fail with "Failed to save file" and leave
  // nothing behind.
  virtual bool Save(const char* path);
  virtual bool Write(std::FILE* file);
  bool WriteMemory(std::vector<uint8_t>& out) const;

  // Coordinates here and in CopyRect count from the top-left pixel of the image and of the
  // canvas. Draws the whole image unscaled at (x, y) / the source rectangle (left and top
  // inclusive, right and bottom exclusive, clipped to the image) moved by the offset; pixels
  // falling outside the canvas are dropped. 24-bit images only.
  virtual void Draw(PixelCanvas& canvas, int32_t x, int32_t y) const;
  virtual void DrawPart(PixelCanvas& canvas, int32_t left, int32_t top, int32_t right,
                        int32_t bottom, int32_t offset_x, int32_t offset_y) const;
  // Copies a rectangle of `source` (clipped to both images) to the same place here; both
  // images must have the same depth of 8 bits or more, otherwise nothing is copied.
  virtual void CopyRect(const CDIB& source, int32_t x, int32_t y, int32_t width, int32_t height);
  // Refreshes all rows of this 24-bit bitmap from the canvas: image pixel (x, y) becomes
  // canvas pixel (x, y), black where the canvas is smaller.
  virtual void CopyFrom(const PixelCanvas& canvas);
  // Shares `other`'s buffers (releasing this object's own first).
  virtual void Share(const CDIB& other);
  // Lets go of the buffers (the other owners keep them); the object is then empty.
  void Clear();
  // How many other objects share this object's buffers (0 when alone or empty).
  int32_t ShareCount() const;
  bool HasImage() const { return buffers_ != nullptr; }
  // The pixel bits (bottom row first), null when empty; for identity checks and raw access.
  const uint8_t* Bits() const;
  // The stored bytes of image row y (0 = top row), null outside the image.
  uint8_t* Row(int32_t y);
  const uint8_t* Row(int32_t y) const;

  virtual int32_t Width() const;
  virtual int32_t Height() const;
  virtual int32_t BitsPerPixel() const;

  // 24-bit: the pixel's three stored bytes (blue, green, red) as 0x00BBGGRR; 0 outside the
  // image or for other depths.
  uint32_t GetPixel(int32_t x, int32_t y) const;
  // 24-bit only: sets the pixel from red, green, blue; does nothing outside.
  void SetPixel(int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b);

  // Bytes of one stored row: (bits per pixel / 8 × width + 3) rounded down to a multiple of 4
  // (for 1 and 4 bits: the row's bits rounded up to whole 32-bit words); 0 when empty.
  int32_t Stride() const;
  const std::string& LastError() const { return error_; }

 private:
  struct Buffers;
  std::shared_ptr<Buffers> buffers_;
  std::string error_;
};

}  // namespace orvane
