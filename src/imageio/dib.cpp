#include "imageio/dib.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "foundation/error_output.h"
#include "imageio/byte_reader.h"

namespace orvane {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr uint32_t kMinPixelOffset = kFileHeaderSize + kInfoHeaderSize;  // 54
constexpr uint16_t kTypeBM = 0x4D42;                                     // "BM"
constexpr uint16_t kTypeAlternative = 0x1910;
constexpr uint32_t kCompressionNone = 0;
constexpr uint32_t kCompressionBitFields = 3;

constexpr const char* kNoHeaderMemory = "Unable to allocate BITMAPFILEHEADER-Memory";
constexpr const char* kInvalidFile = "Invalid bitmap file";
constexpr const char* kNoInfoMemory = "Unable to allocate BITMAPINFO-Memory";
constexpr const char* kNoSection = "Unable to create DIB-Section";
constexpr const char* kReadError = "Read error";
constexpr const char* kOpenFailed = "Failed to open file";
constexpr const char* kSaveFailed = "Failed to save file";

// A file larger than the biggest image (32 bits per pixel) plus a generous header is not
// read past this many bytes.
constexpr std::size_t kMaxFileBytes =
    static_cast<std::size_t>(CDIB::kMaxPixels) * 4 + (std::size_t{1} << 20);

void PutLe16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void PutLe32(uint8_t* p, uint32_t v) {
  PutLe16(p, v);
  PutLe16(p + 2, v >> 16);
}

// Row bytes of a DIB: whole 32-bit words per row.
int64_t StrideFor(int64_t width, int64_t bits) {
  return (width * bits + 31) / 32 * 4;
}

bool AcceptedDepth(uint32_t bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

bool AcceptedSize(int64_t width, int64_t height) {
  return width >= 1 && height >= 1 && width * height <= CDIB::kMaxPixels;
}

std::unique_ptr<uint8_t[]> Allocate(std::size_t bytes) {
  return std::unique_ptr<uint8_t[]>(TryNewArray<uint8_t>(bytes));
}

}  // namespace

// One set of buffers, shared by every CDIB that holds it. The geometry fields are taken from
// the info block when the buffers are filled and never change afterwards.
struct CDIB::Buffers {
  std::unique_ptr<uint8_t[]> header;  // kFileHeaderSize bytes
  std::unique_ptr<uint8_t[]> info;
  std::size_t infoSize = 0;
  std::unique_ptr<uint8_t[]> bits;  // at least stride × height bytes
  std::size_t bitsSize = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t bitsPerPixel = 0;
  int32_t stride = 0;

  uint8_t* RowBits(int32_t y) const {
    return bits.get() + static_cast<std::size_t>(height - 1 - y) * static_cast<std::size_t>(stride);
  }
};

// ---------------------------------------------------------------------------------------------
// PixelCanvas

PixelCanvas::PixelCanvas(int32_t width, int32_t height) {
  if (!AcceptedSize(width, height)) return;
  try {
    pixels_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
  } catch (const std::bad_alloc&) {
    return;
  }
  width_ = width;
  height_ = height;
}

uint32_t PixelCanvas::GetPixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                 static_cast<std::size_t>(x)];
}

void PixelCanvas::SetPixel(int32_t x, int32_t y, uint32_t bgr) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
          static_cast<std::size_t>(x)] = bgr & 0xFFFFFFu;
}

// ---------------------------------------------------------------------------------------------
// CDIB: life cycle and sharing

CDIB::CDIB() = default;
CDIB::~CDIB() = default;

void CDIB::Clear() {
  buffers_.reset();
}

void CDIB::Share(const CDIB& other) {
  if (&other == this) return;
  buffers_ = other.buffers_;
  error_.clear();
}

int32_t CDIB::ShareCount() const {
  return buffers_ ? static_cast<int32_t>(buffers_.use_count() - 1) : 0;
}

int32_t CDIB::Width() const {
  return buffers_ ? buffers_->width : 0;
}
int32_t CDIB::Height() const {
  return buffers_ ? buffers_->height : 0;
}
int32_t CDIB::BitsPerPixel() const {
  return buffers_ ? buffers_->bitsPerPixel : 0;
}
int32_t CDIB::Stride() const {
  return buffers_ ? buffers_->stride : 0;
}
const uint8_t* CDIB::Bits() const {
  return buffers_ ? buffers_->bits.get() : nullptr;
}

uint8_t* CDIB::Row(int32_t y) {
  return const_cast<uint8_t*>(static_cast<const CDIB*>(this)->Row(y));
}

const uint8_t* CDIB::Row(int32_t y) const {
  if (!buffers_ || y < 0 || y >= buffers_->height) return nullptr;
  return buffers_->RowBits(y);
}

// ---------------------------------------------------------------------------------------------
// Creating

bool CDIB::Create24(int32_t width, int32_t height) {
  buffers_.reset();
  error_.clear();
  if (!AcceptedSize(width, height)) {
    error_ = kNoSection;
    return false;
  }
  std::unique_ptr<Buffers> fresh(new (std::nothrow) Buffers);
  if (fresh) fresh->header = Allocate(kFileHeaderSize);
  if (!fresh || !fresh->header) {
    error_ = kNoHeaderMemory;
    return false;
  }
  fresh->info = Allocate(kInfoHeaderSize);
  if (!fresh->info) {
    error_ = kNoInfoMemory;
    return false;
  }
  const int64_t stride = StrideFor(width, 24);
  const std::size_t bits_size = static_cast<std::size_t>(stride * height);
  fresh->bits = Allocate(bits_size);
  if (!fresh->bits) {
    error_ = kNoSection;
    return false;
  }
  std::memset(fresh->bits.get(), 0, bits_size);

  uint8_t* h = fresh->header.get();
  PutLe16(h, kTypeBM);
  PutLe32(h + 2, static_cast<uint32_t>(bits_size + kMinPixelOffset));
  PutLe32(h + 6, 0);  // both reserved words
  PutLe32(h + 10, kMinPixelOffset);

  uint8_t* info = fresh->info.get();
  std::memset(info, 0, kInfoHeaderSize);
  PutLe32(info, kInfoHeaderSize);
  PutLe32(info + 4, static_cast<uint32_t>(width));
  PutLe32(info + 8, static_cast<uint32_t>(height));
  PutLe16(info + 12, 1);   // planes
  PutLe16(info + 14, 24);  // bits per pixel; compression and the rest stay 0

  fresh->infoSize = kInfoHeaderSize;
  fresh->bitsSize = bits_size;
  fresh->width = width;
  fresh->height = height;
  fresh->bitsPerPixel = 24;
  fresh->stride = static_cast<int32_t>(stride);
  buffers_ = std::shared_ptr<Buffers>(fresh.release());
  return true;
}

bool CDIB::Create(const PixelCanvas& canvas, int32_t width, int32_t height) {
  if (!buffers_ || buffers_->width != width || buffers_->height != height ||
      buffers_->bitsPerPixel != 24) {
    if (!Create24(width, height)) return false;
  }
  error_.clear();
  CopyFrom(canvas);
  return true;
}

void CDIB::CopyFrom(const PixelCanvas& canvas) {
  if (BitsPerPixel() != 24) return;
  for (int32_t y = 0; y < buffers_->height; ++y) {
    uint8_t* p = buffers_->RowBits(y);
    for (int32_t x = 0; x < buffers_->width; ++x, p += 3) {
      const uint32_t c = canvas.GetPixel(x, y);
      p[0] = static_cast<uint8_t>(c >> 16);
      p[1] = static_cast<uint8_t>(c >> 8);
      p[2] = static_cast<uint8_t>(c);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Reading

bool CDIB::Open(const char* path) {
  buffers_.reset();
  error_.clear();
  if (!path || !*path) {
    error_ = kOpenFailed;
    return false;
  }
  std::FILE* file = std::fopen(path, "rb");
  if (!file) {
    error_ = kOpenFailed;
    return false;
  }
  const bool ok = Read(file);
  std::fclose(file);
  return ok;
}

bool CDIB::Read(std::FILE* file) {
  buffers_.reset();
  error_.clear();
  std::vector<uint8_t> data;
  bool stream_ok = file != nullptr;
  if (stream_ok) {
    try {
      uint8_t chunk[65536];
      while (data.size() < kMaxFileBytes) {
        const std::size_t want = std::min(sizeof chunk, kMaxFileBytes - data.size());
        const std::size_t n = std::fread(chunk, 1, want, file);
        data.insert(data.end(), chunk, chunk + n);
        if (n < want) break;
      }
    } catch (const std::bad_alloc&) {
      stream_ok = false;
    }
    if (std::ferror(file)) stream_ok = false;
  }
  if (!stream_ok) {
    error_ = kReadError;
    return false;
  }
  return ReadMemory(data.data(), data.size());
}

bool CDIB::ReadMemory(const uint8_t* data, std::size_t size) {
  buffers_.reset();
  error_.clear();
  auto fail = [this](const char* message) {
    error_ = message;
    return false;
  };
  ByteReader in(data, size);

  // File header: type, file size, two reserved words, pixel offset.
  std::unique_ptr<Buffers> fresh(new (std::nothrow) Buffers);
  if (fresh) fresh->header = Allocate(kFileHeaderSize);
  if (!fresh || !fresh->header) return fail(kNoHeaderMemory);
  if (!in.Bytes(fresh->header.get(), kFileHeaderSize)) return fail(kReadError);
  ByteReader header(fresh->header.get(), kFileHeaderSize);
  const uint16_t type = header.U16le();
  const uint32_t file_size = header.U32le();
  header.Skip(4);
  const uint32_t offset = header.U32le();
  if (type != kTypeBM && type != kTypeAlternative) return fail(kInvalidFile);
  if (offset < kMinPixelOffset || file_size < offset) return fail(kInvalidFile);
  if (offset > size) return fail(kReadError);

  // Info block: the info header and whatever follows it up to the pixels.
  fresh->infoSize = offset - kFileHeaderSize;
  fresh->info = Allocate(fresh->infoSize);
  if (!fresh->info) return fail(kNoInfoMemory);
  if (!in.Bytes(fresh->info.get(), fresh->infoSize)) return fail(kReadError);
  ByteReader info(fresh->info.get(), fresh->infoSize);
  const uint32_t info_size = info.U32le();
  const int64_t width = info.S32le();
  const int64_t signed_height = info.S32le();
  const uint16_t planes = info.U16le();
  const uint16_t bits = info.U16le();
  const uint32_t compression = info.U32le();
  if (info_size < kInfoHeaderSize || info_size > fresh->infoSize) return fail(kInvalidFile);

  // What the platform would refuse to make a DIB section of.
  const int64_t height = signed_height < 0 ? -signed_height : signed_height;
  const bool compression_ok = compression == kCompressionNone ||
                              (compression == kCompressionBitFields && (bits == 16 || bits == 32));
  if (!AcceptedSize(width, height) || planes != 1 || !AcceptedDepth(bits) || !compression_ok) {
    return fail(kNoSection);
  }
  const int64_t stride = StrideFor(width, bits);
  const uint64_t image_bytes = static_cast<uint64_t>(stride * height);

  // Pixel bits: file size − offset bytes, covering every row.
  const uint32_t block = file_size - offset;
  if (file_size > size || block < image_bytes) return fail(kReadError);
  fresh->bits = Allocate(block);
  if (!fresh->bits) return fail(kNoSection);
  if (!in.Bytes(fresh->bits.get(), block)) return fail(kReadError);
  fresh->bitsSize = block;

  fresh->width = static_cast<int32_t>(width);
  fresh->height = static_cast<int32_t>(height);
  fresh->bitsPerPixel = bits;
  fresh->stride = static_cast<int32_t>(stride);
  if (signed_height < 0) {
    // Top-down rows: store them bottom-up like every other bitmap here.
    for (int64_t top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
      std::swap_ranges(fresh->bits.get() + top * stride, fresh->bits.get() + (top + 1) * stride,
                       fresh->bits.get() + bottom * stride);
    }
    PutLe32(fresh->info.get() + 8, static_cast<uint32_t>(height));
  }
  buffers_ = std::shared_ptr<Buffers>(fresh.release());
  return true;
}

// ---------------------------------------------------------------------------------------------
// Writing

bool CDIB::WriteMemory(std::vector<uint8_t>& out) const {
  out.clear();
  if (!buffers_) return false;
  const Buffers& b = *buffers_;
  try {
    out.reserve(kFileHeaderSize + b.infoSize + b.bitsSize);
    out.insert(out.end(), b.header.get(), b.header.get() + kFileHeaderSize);
    out.insert(out.end(), b.info.get(), b.info.get() + b.infoSize);
    out.insert(out.end(), b.bits.get(), b.bits.get() + b.bitsSize);
  } catch (const std::bad_alloc&) {
    out.clear();
    return false;
  }
  return true;
}

bool CDIB::Write(std::FILE* file) {
  error_.clear();
  if (!buffers_ || !file) {
    error_ = kSaveFailed;
    return false;
  }
  const Buffers& b = *buffers_;
  const bool ok = std::fwrite(b.header.get(), 1, kFileHeaderSize, file) == kFileHeaderSize &&
                  std::fwrite(b.info.get(), 1, b.infoSize, file) == b.infoSize &&
                  std::fwrite(b.bits.get(), 1, b.bitsSize, file) == b.bitsSize;
  if (!ok) error_ = kSaveFailed;
  return ok;
}

bool CDIB::Save(const char* path) {
  error_.clear();
  if (!buffers_ || !path || !*path) {
    error_ = kSaveFailed;
    return false;
  }
  // "x": never replaces an existing file.
  std::FILE* file = std::fopen(path, "wbx");
  if (!file) {
    error_ = kSaveFailed;
    return false;
  }
  bool ok = Write(file);
  if (std::fclose(file) != 0) ok = false;
  if (!ok) {
    std::remove(path);  // the file is ours: it did not exist before
    error_ = kSaveFailed;
  }
  return ok;
}

// ---------------------------------------------------------------------------------------------
// Pixels

uint32_t CDIB::GetPixel(int32_t x, int32_t y) const {
  if (BitsPerPixel() != 24 || x < 0 || x >= buffers_->width || y < 0 || y >= buffers_->height) {
    return 0;
  }
  const uint8_t* p = buffers_->RowBits(y) + 3 * static_cast<std::size_t>(x);
  return uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
}

void CDIB::SetPixel(int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b) {
  if (BitsPerPixel() != 24 || x < 0 || x >= buffers_->width || y < 0 || y >= buffers_->height) {
    return;
  }
  uint8_t* p = buffers_->RowBits(y) + 3 * static_cast<std::size_t>(x);
  p[0] = b;
  p[1] = g;
  p[2] = r;
}

void CDIB::Draw(PixelCanvas& canvas, int32_t x, int32_t y) const {
  DrawPart(canvas, 0, 0, Width(), Height(), x, y);
}

void CDIB::DrawPart(PixelCanvas& canvas, int32_t left, int32_t top, int32_t right, int32_t bottom,
                    int32_t offset_x, int32_t offset_y) const {
  if (BitsPerPixel() != 24) return;
  // Source columns/rows whose destination lies on the canvas, within the clipped rectangle.
  const int64_t x0 = std::max<int64_t>({left, 0, -int64_t{offset_x}});
  const int64_t x1 =
      std::min<int64_t>({right, buffers_->width, int64_t{canvas.Width()} - int64_t{offset_x}});
  const int64_t y0 = std::max<int64_t>({top, 0, -int64_t{offset_y}});
  const int64_t y1 =
      std::min<int64_t>({bottom, buffers_->height, int64_t{canvas.Height()} - int64_t{offset_y}});
  for (int64_t sy = y0; sy < y1; ++sy) {
    for (int64_t sx = x0; sx < x1; ++sx) {
      canvas.SetPixel(static_cast<int32_t>(sx + offset_x), static_cast<int32_t>(sy + offset_y),
                      GetPixel(static_cast<int32_t>(sx), static_cast<int32_t>(sy)));
    }
  }
}

void CDIB::CopyRect(const CDIB& source, int32_t x, int32_t y, int32_t width, int32_t height) {
  const int32_t bits = BitsPerPixel();
  if (bits < 8 || source.BitsPerPixel() != bits) return;
  int64_t left = x, top = y, w = width, h = height;
  if (left < 0) {
    w += left;
    left = 0;
  }
  if (top < 0) {
    h += top;
    top = 0;
  }
  w = std::min<int64_t>({w, Width() - left, source.Width() - left});
  h = std::min<int64_t>({h, Height() - top, source.Height() - top});
  if (w <= 0 || h <= 0) return;
  const std::size_t bytes_per_pixel = static_cast<std::size_t>(bits / 8);
  const std::size_t start = static_cast<std::size_t>(left) * bytes_per_pixel;
  const std::size_t count = static_cast<std::size_t>(w) * bytes_per_pixel;
  for (int64_t row = top; row < top + h; ++row) {
    // memmove: the source may share these very buffers.
    std::memmove(Row(static_cast<int32_t>(row)) + start,
                 source.Row(static_cast<int32_t>(row)) + start, count);
  }
}

}  // namespace orvane
