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

  // Reads a BMP file ("BM", or 0x1910 as well).
  virtual bool Open(const char* path);
  virtual bool Read(std::FILE* file);
  // The same from memory (tests, fuzzing).
  bool ReadMemory(const uint8_t* data, std::size_t size);
  // A 24-bit bitmap of width × height whose bits are captured from `canvas`; when a bitmap of
  // exactly this size exists only the bits are refreshed (the buffers are kept).
  virtual bool Create(const PixelCanvas& canvas, int32_t width, int32_t height);
  // A new, black 24-bit bitmap of width × height (the JPEG reader fills it).
  bool Create24(int32_t width, int32_t height);
  virtual bool Save(const char* path);  // fails when the file already exists
  virtual bool Write(std::FILE* file);
  bool WriteMemory(std::vector<uint8_t>& out) const;

  // Draws the whole image unscaled at (x, y) / the source rectangle moved by the offset.
  virtual void Draw(PixelCanvas& canvas, int32_t x, int32_t y) const;
  virtual void DrawPart(PixelCanvas& canvas, int32_t left, int32_t top, int32_t right,
                        int32_t bottom, int32_t offset_x, int32_t offset_y) const;
  // Copies a rectangle of `source` (clipped to both images) to the same place here.
  virtual void CopyRect(const CDIB& source, int32_t x, int32_t y, int32_t width, int32_t height);
  // Refreshes all rows of this bitmap from the canvas.
  virtual void CopyFrom(const PixelCanvas& canvas);
  // Shares `other`'s buffers (releasing this object's own first).
  virtual void Share(const CDIB& other);

  virtual int32_t Width() const;
  virtual int32_t Height() const;
  virtual int32_t BitsPerPixel() const;

  // 24-bit: the pixel's three stored bytes (blue, green, red) as 0x00BBGGRR; 0 outside the
  // image or for other depths.
  uint32_t GetPixel(int32_t x, int32_t y) const;
  // 24-bit only: sets the pixel from red, green, blue; does nothing outside.
  void SetPixel(int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b);

  // Bytes of one stored row: (bits per pixel / 8 × width + 3) rounded down to a multiple of 4.
  int32_t Stride() const;
  const std::string& LastError() const { return error_; }

 private:
  struct Buffers;
  std::shared_ptr<Buffers> buffers_;
  std::string error_;
};

}  // namespace orvane
