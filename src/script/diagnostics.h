#pragma once
// The one place where scene-language diagnostics get their layout.
//
// Every statement diagnostic is: a newline, the file name, the kind's prefix, the line number,
// then the message text exactly as given (messages start with ")" and carry their own trailing
// newline or not). Call sites pass the kind and the message, never the layout.

#include <cstdint>
#include <iosfwd>

#include "foundation/ov_string.h"

namespace orvane {

enum class DiagnosticKind {
  kWarning,      // "...: Warning (line N): ..."; the statement is abandoned, the run goes on
  kSyntaxError,  // "...: Syntax error (line N): ..."; the statement is abandoned
  kError,        // "...: ERROR (line N): ..."; the run stops
  kExpression,   // "...: Syntax error: (Line N) ..."; the expression goes on with 0
};

void WriteDiagnostic(std::ostream& err, const String& file_name, DiagnosticKind kind,
                     int32_t line_no, const char* message);

// What the expression evaluator and the reader need to place a diagnostic: the stream, the
// name of the file being run and the reader's current line. The pointers stay owned by the
// caller and must outlive the users of the context.
struct DiagnosticContext {
  std::ostream* err = nullptr;  // null: standard error
  const String* file_name = nullptr;
  const int32_t* line_no = nullptr;

  void Report(DiagnosticKind kind, const char* message) const;
  void Report(DiagnosticKind kind, const String& message) const { Report(kind, message.c_str()); }
};

}  // namespace orvane
