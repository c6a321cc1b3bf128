#include "script/token_reader.h"

#include <cfloat>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <limits>
#include <new>
#include <typeinfo>

#include "script/diagnostics.h"

// Where this reader goes beyond the plain line-by-line lexer, and why:
//  - Every GetToken makes progress: `pos` only moves forward within a line, a word always
//    takes at least its first byte (so `|`, `~` and byte 127 cannot stall the reader), and a
//    missing closing quote or `>` drops the rest of the line.
//  - A string or value closes at the first closing byte after its opening byte whose ordinal
//    on the line is at least `quoteCount` / `closeAngleCount`. Counting alone would pick a
//    closing byte at or before the opening one when a `>` or `"` sits inside an earlier word
//    or string (`if(a>b) <1>`, `"a>b" <1,2>`) and cut a garbage token.
//  - In stream mode the end of input comes when no further line can be read, so a last line
//    without a trailing newline still delivers all of its tokens.
//  - Lines may be of any length and hold any bytes, NUL included (NUL is a control byte).

namespace orvane {

namespace {

constexpr unsigned char kBlank = 32;
constexpr unsigned char kLastWordByte = 122;  // `z`; `{ | } ~` and 127 end a word
constexpr unsigned char kFirstHighByte = 128;

bool IsSkipped(unsigned char c) {
  return c <= kBlank || c >= kFirstHighByte;
}

bool IsWordByte(unsigned char c) {
  return (c > kBlank && c <= kLastWordByte) || c >= kFirstHighByte;
}

bool IsNumberByte(char c) {
  return (c >= '0' && c <= '9') || c == '.' || c == '-';
}

// Makes `out` hold `n` bytes of `text` from the 0-based `start`, NUL bytes included, without
// copying the rest of `text` (lines may be megabytes long). `out` keeps its buffer when the
// bytes fit: the reader refills the same Strings for every token.
void SliceInto(String& out, const String& text, int32_t start, int32_t n) {
  if (start < 0 || n <= 0 || start >= text.Length()) {
    out.SetBytes(nullptr, 0);
    return;
  }
  if (n > text.Length() - start) n = text.Length() - start;
  out.SetBytes(text.c_str() + start, n);
}

// The line text of a line-list node: a String, or null for an item of another class.
const String* LineText(const ListItem* item) {
  if (!item) return nullptr;
  if (typeid(*item) == typeid(String)) return static_cast<const String*>(item);
  return dynamic_cast<const String*>(item);
}

int16_t SaturatedCount(int32_t count) {
  return count > std::numeric_limits<int16_t>::max() ? std::numeric_limits<int16_t>::max()
                                                     : static_cast<int16_t>(count);
}

// |atol(text)|, kept within the 32-bit range.
int32_t AbsoluteIndex(const String& text) {
  long long value = std::strtoll(text.c_str(), nullptr, 10);
  if (value < 0) value = value == std::numeric_limits<long long>::min() ? -(value + 1) : -value;
  const long long limit = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value > limit ? limit : value);
}

// The double narrowed to float, out-of-range magnitudes becoming infinities.
float ToFloat(double value) {
  if (value > FLT_MAX) return std::numeric_limits<float>::infinity();
  if (value < -FLT_MAX) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

}  // namespace

TokenReader::TokenReader() = default;
TokenReader::~TokenReader() = default;

int TokenReader::Open(const char* path) {
  if (!path) return -1;
  // Binary mode: line ends are the String reader's business (it drops one trailing CR).
  std::unique_ptr<std::ifstream> file(new (std::nothrow)
                                          std::ifstream(path, std::ios::in | std::ios::binary));
  if (!file || !file->is_open()) return -1;
  StartStream(std::move(file), String(path));
  return 0;
}

int TokenReader::OpenStream(std::unique_ptr<std::istream> in, const String& stream_name) {
  if (!in) return -1;
  StartStream(std::move(in), stream_name);
  return 0;
}

void TokenReader::StartStream(std::unique_ptr<std::istream> in, const String& stream_name) {
  Close();
  stream_ = std::move(in);
  isOpen = 1;
  fileName = stream_name;
  fromList = 0;
  listMove = 0;
  lineNo = 0;
  tokenCount = 0;
  pushBack = String();
  status = kOk;
}

int TokenReader::UseLines(LIST* line_list) {
  if (!line_list) return -1;
  Close();
  lines = line_list;
  fromList = 1;
  listMove = 1;
  pushBack = String();
  return 0;
}

void TokenReader::Close() {
  stream_.reset();
  isOpen = 0;
  lines = nullptr;
  fromList = 0;
  pos = 0;
}

String TokenReader::GetToken() {
  return NextToken();
}

const String& TokenReader::NextToken() {
  status = kOk;
  if (!pushBack.IsEmpty()) {
    token = std::move(pushBack);
    pushBack = String();
    return token;
  }
  token.SetBytes(nullptr, 0);
  if (fromList ? lines == nullptr : stream_ == nullptr) {
    status = kNoInput;
    tokenType = kNoToken;
    return token;
  }
  bool in_comment = false;  // a block comment may span lines within one call
  for (;;) {
    if (pos <= 0 || pos >= line.Length()) {
      pos = 0;
      if (!ReadLine()) {
        EndOfInput();
        break;
      }
    }
    const bool found = pos < line.Length() && ScanAtPos(in_comment);
    tokenEnd = pos;
    if (pos >= line.Length()) pos = 0;
    if (found || status != kOk) break;
  }
  ++tokenCount;
  return token;
}

bool TokenReader::ReadLine() {
  if (fromList) {
    if (!ReadListLine()) return false;
  } else {
    if (!stream_ || line.Load(*stream_, maxLine) < 0) return false;
    ++lineNo;
  }
  closeAngleCount = 1;
  quoteCount = 2;
  tokenCount = 0;
  pos = 0;
  quote_scan_ = OrdinalScan();
  angle_scan_ = OrdinalScan();
  return true;
}

// listMove 1: the first line (numbering restarts); 2: the current line again, keeping its
// number; otherwise the line after the current one.
bool TokenReader::ReadListLine() {
  ListNode* node = nullptr;
  int32_t number = lineNo + 1;
  if (listMove == 1) {
    lines->First();
    node = lines->current;
    lineNo = 0;
    number = 1;
  } else if (listMove == 2) {
    node = lines->current;
    number = lineNo;
  } else if (lines->current && lines->current->next) {
    lines->Next();
    node = lines->current;
  }
  listMove = 0;
  if (!node) return false;
  const String* text = LineText(node->item);
  if (text) {
    line.SetBytes(text->c_str(), text->Length());
  } else {
    line.SetBytes(nullptr, 0);
  }
  lineNo = number;
  return true;
}

void TokenReader::EndOfInput() {
  status = kEndOfInput;
  tokenType = kNoToken;
  token = String();
  if (!fromList) {
    stream_.reset();
    isOpen = 0;
  }
}

// Looks at the byte at `pos` and moves `pos` past it or past the token it starts. True when
// a token was cut.
bool TokenReader::ScanAtPos(bool& in_comment) {
  const char* bytes = line.c_str();
  const int32_t len = line.Length();
  const char c = bytes[pos];
  const char next = pos + 1 < len ? bytes[pos + 1] : '\0';
  if (in_comment) {
    if (c == '*' && next == '/') {
      pos += 2;
      in_comment = false;
    } else {
      const void* star = std::memchr(bytes + pos + 1, '*', static_cast<size_t>(len - pos - 1));
      pos = star ? static_cast<int32_t>(static_cast<const char*>(star) - bytes) : len;
    }
    return false;
  }
  if (c == '/' && next == '/') {
    pos = 0;  // the rest of the line is a comment
    return false;
  }
  if (c == '/' && next == '*') {
    pos += 2;
    in_comment = true;
    return false;
  }
  if (IsSkipped(static_cast<unsigned char>(c))) {
    // The whole run of blanks and control bytes: none of them starts a comment or a token.
    do {
      ++pos;
    } while (pos < len && IsSkipped(static_cast<unsigned char>(bytes[pos])));
    return false;
  }
  tokenStart = pos;
  switch (c) {
    case '"':
      return CutDelimited('"', kString, quoteCount, 2, quote_scan_, "): '\"' expected.");
    case '<':
      return CutDelimited('>', kValue, closeAngleCount, 1, angle_scan_, "): '>' expected.");
    case '{':
    case '}':
      token = c == '{' ? "{" : "}";
      tokenType = c == '{' ? kOpenBrace : kCloseBrace;
      ++pos;
      return true;
    default:
      break;
  }
  CutWord();
  return true;
}

// A string (each uses two quote bytes of the line) or a value (one `>`): from the opening
// byte at `pos` through its closing byte.
bool TokenReader::CutDelimited(char close, TokenType type, int16_t& count, int step,
                               OrdinalScan& scan, const char* missing) {
  int32_t ordinal = 0;
  const int32_t end = FindClosing(close, pos, count, scan, ordinal);
  if (end < 0) {
    ReportSyntax(missing);
    status = kTokenError;
    tokenType = kNoToken;
    token = String();
    pos = 0;
    return false;
  }
  SliceInto(token, line, pos, end - pos + 1);
  count = SaturatedCount(ordinal + step);
  tokenType = type;
  pos = end + 1;
  return true;
}

// Index of the first `close` byte after `open` whose 1-based ordinal on the line is at least
// `count` (the ordinal goes to `ordinal`), or -1 when there is none.
int32_t TokenReader::FindClosing(char close, int32_t open, int32_t count, OrdinalScan& scan,
                                 int32_t& ordinal) {
  const char* bytes = line.c_str();
  const int32_t len = line.Length();
  if (scan.next > open + 1) scan = OrdinalScan();  // `pos` was moved back from outside
  for (; scan.next <= open; ++scan.next) scan.seen += bytes[scan.next] == close;
  while (scan.next < len) {
    const void* hit = std::memchr(bytes + scan.next, close, static_cast<size_t>(len - scan.next));
    if (!hit) {
      scan.next = len;
      break;
    }
    const int32_t at = static_cast<int32_t>(static_cast<const char*>(hit) - bytes);
    scan.next = at + 1;
    if (++scan.seen >= count) {
      ordinal = scan.seen;
      return at;
    }
  }
  return -1;
}

// A word takes its first byte whatever it is, then runs over the word bytes.
void TokenReader::CutWord() {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(line.c_str());
  const int32_t len = line.Length();
  int32_t end = pos + 1;
  while (end < len && IsWordByte(bytes[end])) ++end;
  SliceInto(token, line, pos, end - pos);
  tokenType = kWord;
  pos = end;
}

void TokenReader::PushBack(const String& t) {
  pushBack = t;
}

String TokenReader::GetName() {
  const int32_t len = token.Length();
  const int open = token.FindRev('[');
  if (len > 0 && token.c_str()[len - 1] == ']' && open > 0) {
    SliceInto(name, token, 0, open - 1);
    SliceInto(valueText, token, open, len - 1 - open);
    index = AbsoluteIndex(valueText);
  } else {
    name = token;
    valueText = String();
    index = 0;
  }
  return name;
}

// Bounds [start, end) in `token` of the i-th comma field of a value (i >= 1); false when the
// value has fewer fields.
bool TokenReader::FindField(int i, int32_t& start, int32_t& end) const {
  const char* bytes = token.c_str();
  const int32_t len = token.Length();
  int32_t at = 1;  // after `<`
  for (int field = 1; field < i; ++field) {
    while (at < len && bytes[at] != ',' && bytes[at] != '>') ++at;
    if (at >= len || bytes[at] != ',') return false;
    ++at;
  }
  start = at;
  end = at;
  while (end < len && bytes[end] != ',' && bytes[end] != '>') ++end;
  return true;
}

// Field numbers below 1 count as 1.
const String& TokenReader::GetValue(int i) {
  if (tokenType != kValue) return valueText;
  int32_t start = 0;
  int32_t end = 0;
  if (!FindField(i < 1 ? 1 : i, start, end)) {
    ReportSyntax("): value missed.");
    status = kTokenError;
    valueText = String();
    return valueText;
  }
  SliceInto(valueText, token, start, end - start);
  return valueText;
}

float TokenReader::GetNumber(int i) {
  if (tokenType != kValue) return static_cast<float>(index);
  int32_t start = 0;
  int32_t end = 0;
  if (!FindField(i < 1 ? 1 : i, start, end)) {
    ReportSyntax("): value missed.");
    status = kTokenError;
    return 0.0f;
  }
  int32_t run = start;
  while (run < end && IsNumberByte(token.c_str()[run])) ++run;
  String digits;
  SliceInto(digits, token, start, run - start);
  return ToFloat(std::strtod(digits.c_str(), nullptr));
}

void TokenReader::GotoLine(int32_t line_no, int token_number) {
  if (!fromList || !lines) return;
  int32_t at = lineNo;  // the current node holds line `lineNo` once a line was read
  if (listMove == 1 || !lines->current) {
    lines->First();
    at = 1;
  }
  if (lines->current) {
    while (at < line_no && lines->current->next) {
      lines->Next();
      ++at;
    }
    while (at > line_no && lines->current->prev) {
      lines->Prev();
      --at;
    }
  }
  lineNo = at;
  listMove = 2;
  pos = 0;
  pushBack = String();
  SkipTokens(token_number);
}

void TokenReader::GotoPosition(int32_t line_no, int32_t byte_pos) {
  GotoLine(line_no, 1);
  if (!fromList || !lines || byte_pos <= 0) return;
  if (!ReadLine()) return;
  pos = byte_pos < line.Length() ? byte_pos : 0;
}

void TokenReader::ReloadLine(int token_number) {
  if (!fromList || !lines) return;
  if (listMove != 1) listMove = 2;  // before the first line nothing was read yet
  pos = 0;
  pushBack = String();
  SkipTokens(token_number);
}

void TokenReader::SkipTokens(int token_number) {
  for (int skipped = 1; skipped < token_number; ++skipped) {
    NextToken();
    if (status == kEndOfInput || status == kNoInput) break;
  }
}

void TokenReader::ReportSyntax(const char* message) {
  WriteDiagnostic(err_ ? *err_ : std::cerr, fileName, DiagnosticKind::kSyntaxError, lineNo,
                  message);
}

}  // namespace orvane
