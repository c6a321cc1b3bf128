#include "script/diagnostics.h"

#include <iostream>

namespace orvane {

namespace {
const char* Prefix(DiagnosticKind kind) {
  switch (kind) {
    case DiagnosticKind::kWarning:
      return ": Warning (line ";
    case DiagnosticKind::kSyntaxError:
      return ": Syntax error (line ";
    case DiagnosticKind::kError:
      return ": ERROR (line ";
    case DiagnosticKind::kExpression:
      return ": Syntax error: (Line ";
  }
  return ": ";
}
}  // namespace

void WriteDiagnostic(std::ostream& err, const String& file_name, DiagnosticKind kind,
                     int32_t line_no, const char* message) {
  err << '\n' << file_name << Prefix(kind) << line_no << (message ? message : "");
}

void DiagnosticContext::Report(DiagnosticKind kind, const char* message) const {
  static const String kNoFile;
  WriteDiagnostic(err ? *err : std::cerr, file_name ? *file_name : kNoFile, kind,
                  line_no ? *line_no : 0, message);
}

}  // namespace orvane
