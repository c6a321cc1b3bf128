#include "foundation/ov_string.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <istream>
#include <ostream>
#include <streambuf>

#include "foundation/error_output.h"

namespace orvane {

namespace {

// The empty text shared by every empty String: it needs no allocation, so a String is never
// without a buffer even when memory runs out. Nothing ever writes to it (length 0).
char g_empty_text[1] = {'\0'};

// The byte handed out by operator[] for an index outside the text.
char g_out_of_range_byte = '\0';

void ReportFailure(const char* tag) { ErrorOutput() << "ERROR: String." << tag << '\n'; }

int TextLength(const char* s) {
  if (!s) return 0;
  size_t n = std::strlen(s);
  return n > 0x7fffffff ? 0x7fffffff : static_cast<int>(n);
}

}  // namespace

String::String() : data_(g_empty_text), length_(0), capacity_(0) {}

String::String(const char* s) : String() { Assign(s, TextLength(s), "constr"); }

String::String(const String& s) : ListItem(s), data_(g_empty_text), length_(0), capacity_(0) {
  Assign(s.data_, s.length_, "constr");
}

String::String(String&& s) noexcept
    : ListItem(s), data_(s.data_), length_(s.length_), capacity_(s.capacity_) {
  s.data_ = g_empty_text;
  s.length_ = 0;
  s.capacity_ = 0;
}

String::String(char c, int n) : String() {
  if (n < 1) n = 1;
  char* buffer = TryNewArray<char>(static_cast<size_t>(n) + 1);
  if (!buffer) {
    ReportFailure("constr");
    return;
  }
  std::memset(buffer, c, static_cast<size_t>(n));
  buffer[n] = '\0';
  data_ = buffer;
  length_ = n;
  capacity_ = n;
}

String::~String() { Release(); }

void String::Release() {
  if (data_ != g_empty_text) delete[] data_;
}

void String::SetEmpty() {
  Release();
  data_ = g_empty_text;
  length_ = 0;
  capacity_ = 0;
}

bool String::Assign(const char* text, int n, const char* tag) {
  if (n <= 0) {
    SetEmpty();
    return true;
  }
  if (n <= capacity_) {
    std::memmove(data_, text, static_cast<size_t>(n));
    data_[n] = '\0';
    length_ = n;
    return true;
  }
  char* buffer = TryNewArray<char>(static_cast<size_t>(n) + 1);
  if (!buffer) {
    ReportFailure(tag);
    return false;
  }
  std::memcpy(buffer, text, static_cast<size_t>(n));
  buffer[n] = '\0';
  Release();
  data_ = buffer;
  length_ = n;
  capacity_ = n;
  return true;
}

bool String::Append(const char* text, int n, const char* tag) {
  if (n <= 0) return true;
  if (n > 0x7ffffffe - length_) {
    ReportFailure(tag);
    return false;
  }
  int needed = length_ + n;
  if (needed <= capacity_) {
    std::memmove(data_ + length_, text, static_cast<size_t>(n));
    data_[needed] = '\0';
    length_ = needed;
    return true;
  }
  // Grow geometrically so that building a text byte by byte stays linear.
  int64_t grown = static_cast<int64_t>(capacity_) * 2;
  int capacity = grown > needed && grown < 0x7ffffffe ? static_cast<int>(grown) : needed;
  char* buffer = TryNewArray<char>(static_cast<size_t>(capacity) + 1);
  if (!buffer) {
    ReportFailure(tag);
    return false;
  }
  std::memcpy(buffer, data_, static_cast<size_t>(length_));
  std::memcpy(buffer + length_, text, static_cast<size_t>(n));
  buffer[needed] = '\0';
  Release();
  data_ = buffer;
  length_ = needed;
  capacity_ = capacity;
  return true;
}

String& String::operator=(const String& s) {
  if (this != &s) Assign(s.data_, s.length_, "op=");
  return *this;
}

String& String::operator=(String&& s) noexcept {
  if (this != &s) {
    Release();
    data_ = s.data_;
    length_ = s.length_;
    capacity_ = s.capacity_;
    s.data_ = g_empty_text;
    s.length_ = 0;
    s.capacity_ = 0;
  }
  return *this;
}

String& String::operator=(const char* s) {
  Assign(s, TextLength(s), "op=");
  return *this;
}

String& String::operator+=(const String& s) {
  if (this == &s) {
    String copy(s);
    Append(copy.data_, copy.length_, "op+=");
  } else {
    Append(s.data_, s.length_, "op+=");
  }
  return *this;
}

String& String::operator+=(const char* s) {
  Append(s, TextLength(s), "op+=");
  return *this;
}

String& String::operator+=(char c) {
  Append(&c, 1, "op+=");
  return *this;
}

String String::operator+(const String& s) const {
  String result;
  if (!result.Append(data_, length_, "op+")) return result;
  result.Append(s.data_, s.length_, "op+");
  return result;
}

String String::operator+(const char* s) const {
  String result;
  if (!result.Append(data_, length_, "op+")) return result;
  result.Append(s, TextLength(s), "op+");
  return result;
}

bool String::operator==(const String& s) const { return std::strcmp(data_, s.data_) == 0; }

bool String::operator==(const char* s) const { return std::strcmp(data_, s ? s : "") == 0; }

void String::SetBytes(const char* text, int n) {
  if (n <= 0) {
    if (capacity_ > 0) data_[0] = '\0';  // the shared empty text is never written
    length_ = 0;
    return;
  }
  if (n <= capacity_) {
    std::memmove(data_, text, static_cast<size_t>(n));
    data_[n] = '\0';
    length_ = n;
    return;
  }
  if (!Assign(text, n, "constr")) SetEmpty();
}

String& String::InMid(int start, int count) {
  if (start < 1) {
    // Both values are ints from callers; widen so that extreme values cannot overflow.
    int64_t shortened = static_cast<int64_t>(count) + start;
    count = shortened < -1 ? -1 : static_cast<int>(shortened);
    start = 1;
  }
  if (start > length_) return *this;
  int n = length_ - start + 1;
  if (count < n) n = count;
  if (n < 0) return *this;
  Assign(data_ + start - 1, n, "InMid");
  return *this;
}

String& String::InRight(int n) {
  if (n <= 0) {
    SetEmpty();
  } else if (n <= length_) {
    InMid(length_ - n + 1, n);
  }
  return *this;
}

String String::Mid(int start, int count) const {
  String copy(*this);
  copy.InMid(start, count);
  return copy;
}

String String::Left(int n) const { return Mid(1, n); }

String String::Right(int n) const {
  String copy(*this);
  copy.InRight(n);
  return copy;
}

int String::Find(char c, int n) const {
  int wanted = static_cast<int16_t>(n);
  if (wanted < 1) wanted = 1;
  for (int i = 0; i < length_; ++i) {
    if (data_[i] == c && --wanted == 0) return i + 1;
  }
  return 0;
}

int String::FindRev(char c, int n) const {
  int wanted = static_cast<int16_t>(n);
  if (wanted < 1) wanted = 1;
  for (int i = length_ - 1; i >= 0; --i) {
    if (data_[i] == c && --wanted == 0) return i + 1;
  }
  return 0;
}

int String::Count(char c) const {
  int found = 0;
  for (int i = 0; i < length_; ++i) found += data_[i] == c;
  return found;
}

int String::IsIn(LIST* list) const {
  if (!list) return 0;
  // Walk the nodes directly: the caller's current position in the list stays where it was.
  for (ListNode* node = list->head; node; node = node->next) {
    const String* s = dynamic_cast<const String*>(node->item);
    if (s && *s == *this) return 1;
  }
  return 0;
}

char& String::operator[](int i) {
  if (i >= 0 && i < length_) return data_[i];
  g_out_of_range_byte = '\0';
  return g_out_of_range_byte;
}

String& String::Str(int value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%d", value);
  Assign(buffer, TextLength(buffer), "Str");
  return *this;
}

String& String::Str(long value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%ld", value);
  Assign(buffer, TextLength(buffer), "Str");
  return *this;
}

String& String::Str(double value) {
  // std::to_chars with general format and precision 6 writes what "%g" writes in the C locale
  // (and is several times faster: expressions format every intermediate result). It does not
  // depend on the process locale, so a decimal comma can never enter a scene file.
  char buffer[64];
  std::to_chars_result r =
      std::to_chars(buffer, buffer + sizeof buffer - 1, value, std::chars_format::general, 6);
  *r.ptr = '\0';
  Assign(buffer, static_cast<int>(r.ptr - buffer), "Str");
  return *this;
}

String& String::StrFix(double value) {
  // "%5.2f" of a huge value is long: size the buffer for the widest double.
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%5.2f", value);
  Assign(buffer, TextLength(buffer), "Str");
  return *this;
}

int String::Load(std::istream& in, int maxlen) {
  if (!in.good()) return -1;
  if (maxlen < 1) maxlen = 1;
  std::streambuf* buf = in.rdbuf();
  if (!buf) {
    in.setstate(std::ios::badbit);
    return -1;
  }
  const int keep = maxlen - 1;
  // The line is gathered in chunks, so a huge maxlen costs nothing until the bytes arrive.
  String line;
  char chunk[512];
  int chunk_used = 0;
  int kept = 0;
  bool failed = false;
  for (;;) {
    int c = buf->sbumpc();
    if (c == std::char_traits<char>::eof()) {
      in.setstate(std::ios::eofbit);
      break;
    }
    if (c == '\n') break;
    if (kept >= keep) continue;
    chunk[chunk_used++] = static_cast<char>(c);
    ++kept;
    if (chunk_used == static_cast<int>(sizeof chunk)) {
      failed = failed || !line.Append(chunk, chunk_used, "Load");
      chunk_used = 0;
    }
  }
  failed = failed || !line.Append(chunk, chunk_used, "Load");
  if (failed) return length_;
  if (line.length_ > 0 && line.data_[line.length_ - 1] == '\r') {
    line.data_[--line.length_] = '\0';
  }
  *this = std::move(line);
  return length_;
}

// The lines of LoadLines, cut from large blocks of the stream instead of byte by byte. Each
// line is gathered exactly as String::Load gathers it (the same 512-byte pieces, so the same
// allocations in the same order, and the same messages when one fails).
class LineGatherer {
 public:
  LineGatherer(LIST& list, int maxlen) : list_(list), keep_(maxlen - 1) {}

  // Starts a line: false (reported) when its String cannot be had.
  bool Begin() {
    line_ = TryNew<String>();
    if (!line_) ErrorOutput() << "ERROR: String.Load\n";
    gathered_ = String();
    chunk_used_ = 0;
    kept_ = 0;
    failed_ = false;
    return line_ != nullptr;
  }

  // Bytes of the current line (no newline among them).
  void Take(const char* bytes, size_t n) {
    size_t wanted = kept_ < keep_ ? static_cast<size_t>(keep_ - kept_) : 0;
    if (n > wanted) n = wanted;
    while (n > 0) {
      size_t piece = sizeof chunk_ - static_cast<size_t>(chunk_used_);
      if (piece > n) piece = n;
      std::memcpy(chunk_ + chunk_used_, bytes, piece);
      chunk_used_ += static_cast<int>(piece);
      kept_ += static_cast<int>(piece);
      bytes += piece;
      n -= piece;
      if (chunk_used_ == static_cast<int>(sizeof chunk_)) {
        failed_ = failed_ || !gathered_.AppendBytes(chunk_, chunk_used_);
        chunk_used_ = 0;
      }
    }
  }

  // Ends the line and appends it to the list: false when the list cannot take it.
  bool End() {
    failed_ = failed_ || !gathered_.AppendBytes(chunk_, chunk_used_);
    if (!failed_) {
      gathered_.DropCarriageReturn();
      *line_ = std::move(gathered_);
    }
    if (!list_.Append(line_, 1)) {
      delete line_;
      line_ = nullptr;
      return false;
    }
    line_ = nullptr;
    return true;
  }

  ~LineGatherer() { delete line_; }

 private:
  LIST& list_;
  const int keep_;
  String* line_ = nullptr;
  String gathered_;
  char chunk_[512];
  int chunk_used_ = 0;
  int kept_ = 0;
  bool failed_ = false;
};

int LoadLines(std::istream& in, LIST* list, int maxlen) {
  if (!list) return 0;
  std::streambuf* buf = in.good() ? in.rdbuf() : nullptr;
  if (buf) {
    LineGatherer lines(*list, maxlen < 1 ? 1 : maxlen);
    int appended = 0;
    if (!lines.Begin()) return -1;
    char block[1 << 15];
    for (;;) {
      const std::streamsize got = buf->sgetn(block, sizeof block);
      if (got <= 0) break;
      const char* at = block;
      const char* const end = block + got;
      while (at < end) {
        const char* newline = static_cast<const char*>(std::memchr(at, '\n', end - at));
        lines.Take(at, static_cast<size_t>((newline ? newline : end) - at));
        if (!newline) break;
        if (!lines.End()) return appended - 1;
        ++appended;
        if (!lines.Begin()) return appended - 1;
        at = newline + 1;
      }
    }
    in.setstate(std::ios::eofbit);
    if (lines.End()) ++appended;
    return appended - 1;
  }
  int appended = 0;
  while (in.good()) {
    String* line = TryNew<String>();
    if (!line) {
      ErrorOutput() << "ERROR: String.Load\n";
      break;
    }
    if (line->Load(in, maxlen) < 0) {
      delete line;
      break;
    }
    if (!list->Append(line, 1)) {
      delete line;
      break;
    }
    ++appended;
  }
  return appended - 1;
}

void WriteLines(std::ostream& out, const LIST* lines) {
  if (!lines) return;
  for (const ListNode* n = lines->head; n; n = n->next) {
    if (const auto* line = dynamic_cast<const String*>(n->item)) {
      out.write(line->c_str(), line->Length());
    }
  }
}

std::ostream& operator<<(std::ostream& out, const String& s) {
  if (s.Length() > 0) out.write(s.c_str(), s.Length());
  return out;
}

}  // namespace orvane
