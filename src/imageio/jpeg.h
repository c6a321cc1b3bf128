#pragma once
// JPEG output of rendered pictures and JFIF texture input, on libjpeg's 6b ("62") interface.
//
// libjpeg reports fatal errors through a handler that would end the program. Here every
// library call runs under an error manager that jumps back to the caller instead, so a
// corrupt file, a failed write or a misuse is a false result with the library's message
// in LastError() / *error, and the compressor or decompressor is destroyed. The library's
// console messages are never printed.
//
// Decoding is strict: besides fatal errors, the library's corrupt-data warnings (a premature
// end of the file, a bad Huffman code, a marker inside the data, ...) fail the load, so a
// truncated or damaged texture is refused rather than shown half grey. Harmless warnings (an
// unknown JFIF revision, extra bytes before a marker, an unknown Adobe transform code, a bad
// ICC profile) are ignored.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "imageio/dib.h"

namespace orvane {

// Baseline JPEG encoder for the render driver, fed one RGB scanline at a time:
//   Start(file, W, H, quality); WriteRow(row) H times; Finish().
// Start takes ownership of `file`: Finish closes it, and so does any failure or the
// destructor of an unfinished encoder (the picture is then incomplete; removing the file is
// the caller's business). After a failure every further call returns false.
class JpegEncoder {
 public:
  JpegEncoder();
  ~JpegEncoder();
  JpegEncoder(const JpegEncoder&) = delete;
  JpegEncoder& operator=(const JpegEncoder&) = delete;

  // Sets up the compressor for a width × height RGB picture (1..65500 each) at `quality`
  // (libjpeg's 0..100 scale, clamped by the library to 1..100; baseline tables are forced)
  // and writes the header. False (and `file` closed) on failure.
  bool Start(std::FILE* file, int32_t width, int32_t height, int quality);
  // One scanline: width × 3 bytes, red, green, blue per pixel. False after the last row.
  bool WriteRow(const uint8_t* rgb);
  // Completes the file after exactly height rows, closes it and destroys the compressor.
  bool Finish();

  bool Active() const { return state_ != nullptr; }
  int32_t RowsWritten() const { return rows_; }
  const std::string& LastError() const { return error_; }

  struct State;  // the library's structures (jpeg.cpp)

 private:
  void Abandon(const char* message);

  std::unique_ptr<State> state_;
  int32_t rows_ = 0;
  std::string error_;
};

// True when the first four bytes are FF D8 FF E0: start of image, then a JFIF APP0 marker.
bool HasJfifSignature(const uint8_t* data, std::size_t size);

// Reads a JFIF texture into `out` as a 24-bit bitmap (Create24; greyscale pictures come out
// as grey RGB). Files whose first four bytes are not FF D8 FF E0 are refused. Pictures of
// more than `max_pixels` pixels are refused before any pixel memory is taken. On failure
// `out` is left empty and *error (when given) says why; the library's messages are passed on.
bool ReadJpegTexture(const char* path, CDIB& out, std::string* error);
// The same from memory (tests, fuzzing).
bool ReadJpegMemory(const uint8_t* data, std::size_t size, CDIB& out, std::string* error,
                    int64_t max_pixels = CDIB::kMaxPixels);

}  // namespace orvane
