#pragma once
// IFF ILBM palette pictures: reading into and writing from a Picture, and the ByteRun1 codec.
//
// File layout (all numbers big-endian):
//   0 "FORM", 4 FORM size (file length - 8), 8 "ILBMBMHD", 16 BMHD size 20,
//   20 width, 22 height (u16), 24 x/y origin 0, 28 planes (u8), 29 masking 0,
//   30 compression (0 none, 1 ByteRun1), 31 pad 0, 32 transparent colour 0, 34 x/y aspect 1,
//   36 page width, 38 page height; then "CMAP" + size + 3 bytes (R, G, B) per entry, and
//   "BODY" + size + the rows: within each row one line per plane, plane 0 first, each line
//   width / 8 bytes before compression (the last width mod 8 columns are not stored).
//
// Reading is deliberately simple: the first 40 bytes must hold "FORM" at 0 and "ILBMBMHD" at
// 8, and width, height, planes and compression come from their fixed offsets (the BMHD size
// is not consulted). The rest is scanned in steps of four bytes for the first "CMAP" and the
// first "BODY"; other chunks are not parsed, so a chunk of odd length before them shifts the
// scan off the word grid and hides them. The scan goes on after each chunk it reads.
//   - CMAP: its size field is skipped and 3 × min(2^planes, 256) palette bytes are read
//     (a file of more than 8 planes fills the 256-entry palette and no more); paletteCount
//     becomes that entry count. A CMAP cut short by the end of the data is not read and the
//     palette is left as it was.
//   - BODY: its size field is skipped; the rows are decoded (see DecodeByteRun1 for ByteRun1)
//     and the planes converted to one index byte per pixel, bits from planes 0..7 only.
//
// Untrusted input: every read is bounds-checked. A body is read only when width and height
// are at least 1, width × height is at most Bitmap::kMaxPixels (16384 × 16384), planes lie in
// 1..32, compression is 0 or 1, and the data holds every row of it; the whole body is checked
// before any pixel buffer is allocated, so a short file cannot make it allocate a large
// picture: each planar byte present stands for 8 pixels and ByteRun1 expands at most 129 / 2
// times (only pictures narrower than 8 pixels need no body bytes; they are at most 7 × 65535
// pixels). A body that fails any of this is not read: the result lacks the 2 and the
// picture's pixels are left exactly as they were. The scan then goes on behind the body's
// rows, or behind its size field when the rows cannot be walked.
//
// `allocate`: when set, the picture keeps its buffer if it already has the file's width,
// height and plane count and otherwise gets a new one (installed only once the body has been
// decoded). When not set, the caller must have sized the picture: the body is read only when
// the picture has the file's width and height and at least the file's bytes per pixel
// (((planes - 1) >> 3) + 1); otherwise nothing is read into the pixels and the result lacks
// the 2. Either way no byte outside the picture's buffer is written.
//
// Writing handles pictures of 1..8 planes whose width and height fit the 16-bit fields.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imageio/byte_reader.h"
#include "imageio/picture.h"

namespace orvane {

// Bits of the readILBM result.
constexpr int kIlbmPaletteRead = 1;
constexpr int kIlbmBodyRead = 2;

// Reads an ILBM file or block into `picture`. Returns kIlbmPaletteRead when a CMAP was read
// plus kIlbmBodyRead when a BODY was read; 0 when the file cannot be opened, is shorter than
// 40 bytes or lacks the magic words. Without a CMAP the old palette stays.
int readILBM(Picture& picture, const char* path, bool allocate);
int readILBM(Picture& picture, const uint8_t* data, std::size_t size, bool allocate);

// Writes `picture` with its palette (3 × 2^planes bytes; entries at or above paletteCount as
// black). Uncompressed, the FORM size is written at once as (2^planes + 16) × 3 plus the body
// length planes × (width / 8) × height, and the BODY size as that body length (for 8 planes
// and a width that is a multiple of 8 these are width × height + (2^planes + 16) × 3 and
// width × height). Compressed (ByteRun1, each plane line encoded on its own), the BODY size
// is patched with the bytes written and the FORM size with the file length - 8. A body of
// odd length is followed by one pad byte, counted in the FORM size but not the BODY size, so
// the FORM size is always the file length - 8. Returns false when the picture has no pixels,
// more than 8 planes or a side above 65535 (then no file is created and `out` is left empty),
// or when the file cannot be created or completely written. `out` is replaced.
bool writeILBM(const Picture& picture, const char* path, bool compress);
bool writeILBM(const Picture& picture, std::vector<uint8_t>& out, bool compress);

// Appends the ByteRun1 encoding of `count` bytes to `out`: a run of 2..128 equal bytes at the
// start of a stretch becomes the control byte -(count - 1) and the byte; otherwise a literal
// stretch of up to 128 bytes, ended before the next run of three or more equal bytes,
// becomes count - 1 and the bytes.
void EncodeByteRun1(const uint8_t* data, std::size_t count, std::vector<uint8_t>& out);

// Decodes ByteRun1 data from `reader` until `count` bytes are produced. A control byte n
// (signed) >= 0 copies the next n + 1 bytes, n < 0 repeats the next byte 1 - n times (so -128
// repeats it 129 times). A run or literal reaching past `count` is cut there: the rest of a
// run is dropped and the rest of a literal is read and dropped, so nothing is written past
// out[count - 1]. `out` may be null to only walk the data. Returns false when the data ends
// before `count` bytes are produced.
bool DecodeByteRun1(ByteReader& reader, uint8_t* out, std::size_t count);

}  // namespace orvane
