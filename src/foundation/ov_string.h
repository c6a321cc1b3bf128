#pragma once
// String: the system's owning byte string.
//
// Positions in the interface are 1-based (InMid, Find, ...); the indexing operator is 0-based.
// Text is plain bytes; comparison is byte-wise and case-sensitive. A String is never without a
// buffer: after any failed allocation it reports "ERROR: String.<tag>" on ErrorOutput() and
// keeps a valid text (its old one, or the empty text where the old one cannot be kept).
// Strings derive from ListItem so that a LIST can own them (the lines of a script, say).

#include <cstdint>
#include <iosfwd>

#include "foundation/list.h"

namespace orvane {

class String : public ListItem {
 public:
  String();
  String(const char* s);  // NOLINT(google-explicit-constructor): texts convert freely
  String(const String& s);
  String(String&& s) noexcept;
  // `n` copies of `c`; an `n` below 1 gives one copy.
  String(char c, int n);
  ~String() override;

  int Match(int) override { return 0; }

  String& operator=(const String& s);
  String& operator=(String&& s) noexcept;
  String& operator=(const char* s);  // null assigns the empty text
  String& operator+=(const String& s);
  String& operator+=(const char* s);  // null or empty leaves the String untouched
  String& operator+=(char c);
  String operator+(const String& s) const;
  String operator+(const char* s) const;

  bool operator==(const String& s) const;
  bool operator==(const char* s) const;
  bool operator!=(const String& s) const { return !(*this == s); }
  bool operator!=(const char* s) const { return !(*this == s); }

  // Makes the String hold the `n` bytes at `text` (NUL bytes included; n <= 0 gives the empty
  // text). The String's own buffer is reused when the bytes fit, so a String that is refilled
  // over and over allocates only when it grows. When a larger buffer cannot be had it reports
  // "ERROR: String.constr" (as a new String of the bytes would) and becomes empty.
  void SetBytes(const char* text, int n);

  // In place: keeps `count` bytes from the 1-based `start`. A `start` below 1 shortens
  // `count` by the missing bytes; a `start` beyond the end or a negative count changes nothing.
  String& InMid(int start, int count);
  String& InLeft(int n) { return InMid(1, n); }
  // Keeps the last `n` bytes; n <= 0 empties, n > length changes nothing.
  String& InRight(int n);
  String Mid(int start, int count) const;
  String Left(int n) const;
  String Right(int n) const;

  // 1-based position of the n-th `c` from the start (n <= 1: the first); 0 when missing.
  // `n` is taken as a 16-bit signed count.
  int Find(char c, int n = 1) const;
  // The same counted from the end; the result is still a position from the start.
  int FindRev(char c, int n = 1) const;
  int Count(char c) const;
  // 1 when `list` holds a String equal to this one; 0 otherwise or for a null list.
  int IsIn(LIST* list) const;

  // Byte i (0-based) for 0 <= i < length; otherwise a shared static byte reset to NUL.
  char& operator[](int i);

  // Replace the whole contents by a number: "%d", "%ld", "%g", and "%5.2f" for StrFix.
  String& Str(int value);
  String& Str(long value);
  String& Str(double value);
  String& StrFix(double value);

  // Reads one line of at most maxlen - 1 bytes (maxlen < 1 counts as 1). The newline is
  // consumed and not kept; one trailing carriage return is removed. Bytes of the physical
  // line beyond the limit are consumed and dropped, so the next Load reads the next line.
  // Returns the new length, or -1 (String unchanged) when `in` is already at end of file.
  int Load(std::istream& in, int maxlen);

  const char* c_str() const { return data_; }
  int Length() const { return length_; }
  bool IsEmpty() const { return length_ == 0; }

 private:
  friend class LineGatherer;  // LoadLines gathers its lines as Load does
  // Load's steps: append bytes (failures reported as "ERROR: String.Load"), drop one trailing
  // carriage return.
  bool AppendBytes(const char* text, int n) { return Append(text, n, "Load"); }
  void DropCarriageReturn() {
    if (length_ > 0 && data_[length_ - 1] == '\r') data_[--length_] = '\0';
  }
  // Makes the String hold `n` bytes from `text` (which may point into the old buffer).
  bool Assign(const char* text, int n, const char* tag);
  bool Append(const char* text, int n, const char* tag);
  void Release();
  void SetEmpty();

  char* data_;
  int32_t length_;
  int32_t capacity_;  // bytes usable for text, not counting the NUL; 0 for the shared empty text
};

// Reads every line of `in` into `list` as owned Strings (see String::Load); when the text ends
// with a newline the last String is empty. Returns the number of lines appended minus one, or
// 0 for a null list.
int LoadLines(std::istream& in, LIST* list, int maxlen);

// Writes the text of every String of `lines` in order (items of other types are skipped);
// nothing for a null list. The inverse of LoadLines for texts whose lines carry their "\n".
void WriteLines(std::ostream& out, const LIST* lines);

std::ostream& operator<<(std::ostream& out, const String& s);

}  // namespace orvane
