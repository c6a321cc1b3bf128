#pragma once
// ByteReader: a bounds-checked reader over a block of bytes with explicit byte order.
//
// Every read past the end yields 0 and sets the failed flag instead of touching memory
// outside the block, so a decoder can read a whole header and check Ok() once. Used by every
// file reader (IFF: big-endian; BMP, TGA, 3DS: little-endian).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace orvane {

class ByteReader {
 public:
  ByteReader(const uint8_t* data, std::size_t size) : data_(data), size_(data ? size : 0) {}

  bool Ok() const { return !failed_; }
  std::size_t Position() const { return pos_; }
  std::size_t Size() const { return size_; }
  std::size_t Remaining() const { return size_ - pos_; }
  bool AtEnd() const { return pos_ >= size_; }

  // Moves to `position`; past the end it fails and stays at the end.
  bool Seek(std::size_t position) {
    if (position > size_) {
      pos_ = size_;
      failed_ = true;
      return false;
    }
    pos_ = position;
    return true;
  }
  bool Skip(std::size_t count) { return count <= Remaining() ? Seek(pos_ + count) : Seek(size_ + 1); }

  uint8_t U8() { return Has(1) ? data_[pos_++] : 0; }
  int8_t S8() { return static_cast<int8_t>(U8()); }
  uint16_t U16be() {
    if (!Has(2)) return 0;
    uint16_t v = static_cast<uint16_t>(data_[pos_] << 8 | data_[pos_ + 1]);
    pos_ += 2;
    return v;
  }
  uint16_t U16le() {
    if (!Has(2)) return 0;
    uint16_t v = static_cast<uint16_t>(data_[pos_ + 1] << 8 | data_[pos_]);
    pos_ += 2;
    return v;
  }
  uint32_t U32be() {
    if (!Has(4)) return 0;
    uint32_t v = uint32_t{data_[pos_]} << 24 | uint32_t{data_[pos_ + 1]} << 16 |
                 uint32_t{data_[pos_ + 2]} << 8 | data_[pos_ + 3];
    pos_ += 4;
    return v;
  }
  uint32_t U32le() {
    if (!Has(4)) return 0;
    uint32_t v = uint32_t{data_[pos_ + 3]} << 24 | uint32_t{data_[pos_ + 2]} << 16 |
                 uint32_t{data_[pos_ + 1]} << 8 | data_[pos_];
    pos_ += 4;
    return v;
  }
  int32_t S32le() { return static_cast<int32_t>(U32le()); }
  float F32le() {
    uint32_t bits = U32le();
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
  }
  // Copies `count` bytes; on a short block copies nothing, zero-fills `out` and fails.
  bool Bytes(void* out, std::size_t count) {
    if (!Has(count)) {
      if (out && count) std::memset(out, 0, count);
      return false;
    }
    if (count) std::memcpy(out, data_ + pos_, count);
    pos_ += count;
    return true;
  }
  // The next `count` bytes in place, or null (failing) when fewer remain.
  const uint8_t* Take(std::size_t count) {
    if (!Has(count)) return nullptr;
    const uint8_t* p = data_ + pos_;
    pos_ += count;
    return p;
  }
  bool Matches(const char* tag, std::size_t count) const {
    return count <= Remaining() && std::memcmp(data_ + pos_, tag, count) == 0;
  }

 private:
  bool Has(std::size_t count) {
    if (count <= Remaining()) return true;
    failed_ = true;
    pos_ = size_;
    return false;
  }

  const uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  bool failed_ = false;
};

// Reads a whole file into memory, refusing files larger than `limit` bytes. False when the
// file cannot be opened or read, or is too large.
inline bool ReadWholeFile(const char* path, std::vector<uint8_t>& out,
                          std::size_t limit = std::size_t{1} << 31) {
  out.clear();
  if (!path) return false;
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  uint8_t chunk[65536];
  bool ok = true;
  for (;;) {
    std::size_t n = std::fread(chunk, 1, sizeof chunk, f);
    if (n == 0) break;
    if (out.size() + n > limit) {
      ok = false;
      break;
    }
    out.insert(out.end(), chunk, chunk + n);
  }
  if (std::ferror(f)) ok = false;
  std::fclose(f);
  if (!ok) out.clear();
  return ok;
}

}  // namespace orvane
