#include "imageio/ilbm.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "foundation/file_replace.h"

namespace orvane {

namespace {

constexpr std::size_t kHeaderBytes = 40;
constexpr int kMaxReadPlanes = 32;  // the most bit-planes a Bitmap holds
constexpr int kMaxWritePlanes = 8;  // palette pictures only
constexpr int kMaxSide = 0xFFFF;    // the 16-bit width and height fields
constexpr std::size_t kMaxRun = 128;

// The fixed-position fields of the first 40 bytes.
struct IlbmHeader {
  int32_t width = 0;
  int32_t height = 0;
  int32_t planes = 0;
  int compression = 0;

  std::size_t RowBytes() const { return static_cast<std::size_t>(width) / 8; }
  std::size_t PlaneBytes() const { return RowBytes() * static_cast<std::size_t>(height); }
  int BytesPerPixel() const { return ((planes - 1) >> 3) + 1; }
};

int PaletteEntries(int planes) {
  return planes >= 8 ? Picture::kMaxPaletteEntries : 1 << std::max(planes, 0);
}

bool ReadHeader(ByteReader& reader, IlbmHeader& header) {
  if (reader.Size() < kHeaderBytes || !reader.Matches("FORM", 4)) return false;
  reader.Seek(8);
  if (!reader.Matches("ILBMBMHD", 8)) return false;
  reader.Seek(20);
  header.width = reader.U16be();
  header.height = reader.U16be();
  reader.Seek(28);
  header.planes = reader.U8();
  reader.Seek(30);
  header.compression = reader.U8();
  return reader.Seek(kHeaderBytes);
}

// CMAP (after its tag): size, then 3 bytes per entry. False, palette untouched, when cut short.
bool ReadPalette(ByteReader& reader, const IlbmHeader& header, Picture& picture) {
  reader.U32be();
  const int entries = PaletteEntries(header.planes);
  const uint8_t* bytes = reader.Take(3 * static_cast<std::size_t>(entries));
  if (!bytes) return false;
  for (int i = 0; i < entries; ++i) {
    picture.palette[static_cast<std::size_t>(i)] =
        Rgb{bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]};
  }
  picture.paletteCount = entries;
  return true;
}

bool BodyDimensionsAcceptable(const IlbmHeader& header) {
  return header.width >= 1 && header.height >= 1 && header.planes >= 1 &&
         header.planes <= kMaxReadPlanes && (header.compression == 0 || header.compression == 1) &&
         int64_t{header.width} * header.height <= Bitmap::kMaxPixels;
}

// Decodes the body's rows into the planar block `planar` (null: only walks the data). Plane p
// occupies PlaneBytes() bytes from p × PlaneBytes(). False when the data ends early.
bool DecodeBody(ByteReader& reader, const IlbmHeader& header, uint8_t* planar) {
  const std::size_t rowBytes = header.RowBytes();
  for (std::size_t row = 0; row < static_cast<std::size_t>(header.height); ++row) {
    for (std::size_t plane = 0; plane < static_cast<std::size_t>(header.planes); ++plane) {
      uint8_t* line = planar ? planar + plane * header.PlaneBytes() + row * rowBytes : nullptr;
      if (header.compression == 1) {
        if (!DecodeByteRun1(reader, line, rowBytes)) return false;
        continue;
      }
      const uint8_t* source = reader.Take(rowBytes);
      if (!source) return false;
      if (line && rowBytes) std::memcpy(line, source, rowBytes);
    }
  }
  return true;
}

// Whether the picture's current buffer can take the body as it is.
bool FitsCurrentBuffer(const Picture& picture, const IlbmHeader& header, bool allocate) {
  if (!picture.HasPixels() || picture.Width() != header.width ||
      picture.Height() != header.height) {
    return false;
  }
  if (allocate) return picture.Planes() == header.planes;
  return picture.bitmap()->bytesPerPixel >= header.BytesPerPixel();
}

// BODY (after its tag): size, then the rows. The body is walked once to prove it complete,
// then decoded into a fresh image that replaces or is copied into the picture's pixels.
bool ReadBody(ByteReader& reader, const IlbmHeader& header, Picture& picture, bool allocate) {
  reader.U32be();
  if (!BodyDimensionsAcceptable(header)) return false;
  ByteReader rows = reader;
  if (!DecodeBody(reader, header, nullptr)) return false;
  const bool reuse = FitsCurrentBuffer(picture, header, allocate);
  if (!reuse && !allocate) return false;

  Picture decoded;
  if (!decoded.Create(header.width, header.height, header.planes)) return false;
  Bitmap& image = *decoded.bitmap();
  if (!DecodeBody(rows, header, image.data) || !image.PlanarToChunky()) return false;
  if (!reuse) {
    picture.SwapPixels(decoded);
    return true;
  }
  const std::size_t bytes = static_cast<std::size_t>(image.width) *
                            static_cast<std::size_t>(image.height) *
                            static_cast<std::size_t>(image.bytesPerPixel);
  std::memcpy(picture.bitmap()->data, image.data, bytes);
  return true;
}

void PutU16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  PutU16(out, v >> 16);
  PutU16(out, v & 0xFFFF);
}

void PutTag(std::vector<uint8_t>& out, const char* tag) {
  out.insert(out.end(), tag, tag + 4);
}

void PatchU32(std::vector<uint8_t>& out, std::size_t offset, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[offset + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

// "FORM", size, "ILBMBMHD" and the 20-byte bitmap header.
void PutHeader(std::vector<uint8_t>& out, const Bitmap& image, bool compress, uint32_t formSize) {
  PutTag(out, "FORM");
  PutU32(out, formSize);
  PutTag(out, "ILBM");
  PutTag(out, "BMHD");
  PutU32(out, 20);
  PutU16(out, static_cast<uint32_t>(image.width));
  PutU16(out, static_cast<uint32_t>(image.height));
  PutU32(out, 0);  // x and y origin
  out.push_back(static_cast<uint8_t>(image.bits));
  out.push_back(0);  // masking
  out.push_back(compress ? 1 : 0);
  out.push_back(0);  // pad
  PutU16(out, 0);    // transparent colour
  out.push_back(1);  // x aspect
  out.push_back(1);  // y aspect
  PutU16(out, static_cast<uint32_t>(image.width));
  PutU16(out, static_cast<uint32_t>(image.height));
}

void PutPalette(std::vector<uint8_t>& out, const Picture& picture, int entries) {
  PutTag(out, "CMAP");
  PutU32(out, static_cast<uint32_t>(3 * entries));
  for (int i = 0; i < entries; ++i) {
    const Rgb c = picture.PaletteColour(i);
    out.insert(out.end(), {c.r, c.g, c.b});
  }
}

// The rows of `planar` (ChunkyToPlanar's layout), each row plane after plane.
void PutBodyRows(std::vector<uint8_t>& out, const Bitmap& image, const uint8_t* planar,
                 bool compress) {
  const std::size_t rowBytes = static_cast<std::size_t>(image.width) / 8;
  const std::size_t planeBytes = rowBytes * static_cast<std::size_t>(image.height);
  for (std::size_t row = 0; row < static_cast<std::size_t>(image.height); ++row) {
    for (std::size_t plane = 0; plane < static_cast<std::size_t>(image.bits); ++plane) {
      const uint8_t* line = planar + plane * planeBytes + row * rowBytes;
      if (compress) {
        EncodeByteRun1(line, rowBytes, out);
      } else {
        out.insert(out.end(), line, line + rowBytes);
      }
    }
  }
}

bool Writable(const Picture& picture) {
  return picture.HasPixels() && picture.Planes() >= 1 && picture.Planes() <= kMaxWritePlanes &&
         picture.Width() <= kMaxSide && picture.Height() <= kMaxSide;
}

// Length of the run of equal bytes at data[0], at most `limit`.
std::size_t RunLength(const uint8_t* data, std::size_t count, std::size_t limit) {
  std::size_t n = 1;
  while (n < count && n < limit && data[n] == data[0]) ++n;
  return n;
}

}  // namespace

void EncodeByteRun1(const uint8_t* data, std::size_t count, std::vector<uint8_t>& out) {
  std::size_t i = 0;
  while (i < count) {
    const std::size_t run = RunLength(data + i, count - i, kMaxRun);
    if (run >= 2) {
      out.push_back(static_cast<uint8_t>(1 - static_cast<int>(run)));
      out.push_back(data[i]);
      i += run;
      continue;
    }
    // A literal stretch ends before a run of three; a pair inside it stays literal.
    const std::size_t start = i;
    ++i;
    while (i < count && i - start < kMaxRun && RunLength(data + i, count - i, 3) < 3) ++i;
    out.push_back(static_cast<uint8_t>(i - start - 1));
    out.insert(out.end(), data + start, data + i);
  }
}

bool DecodeByteRun1(ByteReader& reader, uint8_t* out, std::size_t count) {
  std::size_t produced = 0;
  while (produced < count) {
    const int n = reader.S8();
    if (!reader.Ok()) return false;
    if (n >= 0) {
      const std::size_t literal = static_cast<std::size_t>(n) + 1;
      const uint8_t* bytes = reader.Take(literal);
      if (!bytes) return false;
      const std::size_t kept = std::min(literal, count - produced);
      if (out) std::memcpy(out + produced, bytes, kept);
      produced += kept;
    } else {
      const uint8_t value = reader.U8();
      if (!reader.Ok()) return false;
      const std::size_t kept = std::min(static_cast<std::size_t>(1 - n), count - produced);
      if (out) std::memset(out + produced, value, kept);
      produced += kept;
    }
  }
  return true;
}

int readILBM(Picture& picture, const uint8_t* data, std::size_t size, bool allocate) {
  ByteReader reader(data, size);
  IlbmHeader header;
  if (!ReadHeader(reader, header)) return 0;
  int result = 0;
  bool paletteSeen = false;
  bool bodySeen = false;
  while (reader.Remaining() >= 4) {
    if (!paletteSeen && reader.Matches("CMAP", 4)) {
      paletteSeen = true;
      reader.Skip(4);
      if (ReadPalette(reader, header, picture)) result |= kIlbmPaletteRead;
    } else if (!bodySeen && reader.Matches("BODY", 4)) {
      bodySeen = true;
      reader.Skip(4);
      if (ReadBody(reader, header, picture, allocate)) result |= kIlbmBodyRead;
    } else {
      reader.Skip(4);
    }
  }
  return result;
}

int readILBM(Picture& picture, const char* path, bool allocate) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, bytes)) return 0;
  return readILBM(picture, bytes.data(), bytes.size(), allocate);
}

bool writeILBM(const Picture& picture, std::vector<uint8_t>& out, bool compress) {
  out.clear();
  if (!Writable(picture)) return false;
  const Bitmap& image = *picture.bitmap();
  std::vector<uint8_t> planar(image.PlanarSize());
  if (!image.ChunkyToPlanar(planar.data(), planar.size())) return false;

  const int entries = 1 << image.bits;
  const auto fixedBytes = static_cast<uint32_t>((entries + 16) * 3);
  // Uncompressed, the sizes are known before the body is written.
  const auto rawBody = static_cast<uint32_t>(planar.size());
  PutHeader(out, image, compress, compress ? 0 : fixedBytes + rawBody + (rawBody & 1));
  PutPalette(out, picture, entries);
  PutTag(out, "BODY");
  const std::size_t bodySizeOffset = out.size();
  PutU32(out, compress ? 0 : rawBody);
  const std::size_t bodyStart = out.size();
  PutBodyRows(out, image, planar.data(), compress);
  const std::size_t bodyBytes = out.size() - bodyStart;
  if (bodyBytes & 1) out.push_back(0);
  if (compress) {
    PatchU32(out, bodySizeOffset, static_cast<uint32_t>(bodyBytes));
    PatchU32(out, 4, static_cast<uint32_t>(out.size() - 8));
  }
  return true;
}

bool writeILBM(const Picture& picture, const char* path, bool compress) {
  std::vector<uint8_t> bytes;
  if (!path || !writeILBM(picture, bytes, compress)) return false;
  return ReplaceFileContents(path, bytes.data(), bytes.size());
}

}  // namespace orvane
