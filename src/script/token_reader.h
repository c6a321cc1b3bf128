#pragma once
// TokenReader: the scene language's lexer.
//
// Reads lines from a text stream or from a LIST of Strings (the script's line list) and cuts
// them into tokens: values `<...>`, words, braces and strings. Comments (`//` to the end of the
// line, `/* ... */` across lines) and bytes <= 32 or >= 128 between tokens are skipped.
// Positions: `lineNo` counts from 1; `pos` is 0-based in `line`, and 0 means that the next
// GetToken reads a new line first.

#include <cstdint>
#include <iosfwd>
#include <memory>

#include "foundation/list.h"
#include "foundation/ov_string.h"

namespace orvane {

class TokenReader {
 public:
  enum TokenType : int16_t {
    kNoToken = 0,  // end of input or error
    kValue = 1,    // `<` up to its closing `>`, both kept
    kWord = 3,
    kOpenBrace = 4,
    kCloseBrace = 5,
    kString = 6,  // double-quoted, both quotes kept
  };
  enum Status : int16_t { kOk = 0, kEndOfInput = 1, kTokenError = 2, kNoInput = 4 };

  TokenReader();
  ~TokenReader();
  TokenReader(const TokenReader&) = delete;
  TokenReader& operator=(const TokenReader&) = delete;

  // Opens `path` for reading: 0 on success, -1 when it cannot be opened.
  int Open(const char* path);
  // Reads from an already open stream (tests, in-memory text); `name` becomes fileName.
  int OpenStream(std::unique_ptr<std::istream> in, const String& name);
  // Reads from a line list, starting at its first line; -1 for a null list. Closes any stream.
  int UseLines(LIST* line_list);
  void Close();

  // The next token; sets tokenType, status, pos and tokenCount.
  String GetToken();
  // The same without a copy: the answer is `token` itself, which the next read replaces.
  const String& NextToken();
  // Makes the next GetToken return `t` without reading (tokenType is left as it is).
  void PushBack(const String& t);
  // Splits the current word token into `name`, the bracket text (`valueText`) and |index|.
  String GetName();
  // The i-th comma field (from 1) of the current value token; see the header comment. The
  // answer is `valueText`, which the next GetValue or GetName replaces.
  const String& GetValue(int i);
  // The i-th comma field read as a plain number (digits, '.', '-' right after the delimiter).
  float GetNumber(int i);
  // Line-list mode: continue at token `token_number` (from 1) of line `line_no`.
  void GotoLine(int32_t line_no, int token_number);
  // Line-list mode: reread the current line (after its text was replaced) and continue at
  // token `token_number`.
  void ReloadLine(int token_number);
  // Line-list mode: continue with the token that starts at byte `byte_pos` (0-based) of line
  // `line_no`. Unlike GotoLine this does not re-cut the line from its start, so it lands right
  // even when the line begins inside a block comment opened on an earlier line.
  void GotoPosition(int32_t line_no, int32_t byte_pos);

  // Where the reader writes its own diagnostics ("'\"' expected." and the like); null is
  // standard error. The caller keeps ownership.
  void SetErrorStream(std::ostream* err) { err_ = err; }

  String line;
  String token;
  String fileName;
  String name;
  String pushBack;
  String valueText;
  int16_t isOpen = 0;
  int16_t status = kOk;
  int16_t maxLine = 128;
  int16_t closeAngleCount = 1;
  int16_t quoteCount = 2;
  int32_t lineNo = 0;
  int32_t index = 0;
  int32_t fromList = 0;
  int16_t tokenType = kNoToken;
  LIST* lines = nullptr;
  int32_t listMove = 0;
  int32_t pos = 0;
  int32_t tokenCount = 0;
  int32_t tokenStart = 0;
  int32_t tokenEnd = 0;

 private:
  // Bytes [0, next) of `line` have been searched for one closing byte; `seen` of them were it.
  // Lets the ordinal of a closing byte be found without rescanning the line from its start.
  struct OrdinalScan {
    int32_t next = 0;
    int32_t seen = 0;
  };

  void StartStream(std::unique_ptr<std::istream> in, const String& stream_name);
  bool ReadLine();
  bool ReadListLine();
  void EndOfInput();
  bool ScanAtPos(bool& in_comment);
  bool CutDelimited(char close, TokenType type, int16_t& count, int step, OrdinalScan& scan,
                    const char* missing);
  void CutWord();
  int32_t FindClosing(char close, int32_t open, int32_t count, OrdinalScan& scan, int32_t& ordinal);
  bool FindField(int i, int32_t& start, int32_t& end) const;
  void ReportSyntax(const char* message);
  void SkipTokens(int token_number);

  std::unique_ptr<std::istream> stream_;
  std::ostream* err_ = nullptr;
  OrdinalScan quote_scan_;
  OrdinalScan angle_scan_;
};

}  // namespace orvane
