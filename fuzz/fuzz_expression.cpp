// libFuzzer target for the expression evaluator: any text (up to 4 KB, NUL bytes included)
// evaluates to a value, with or without diagnostics, and never crashes or runs away. The
// variables a = 2, b = {10, 20, 30} and sin = 5 exist, so references and indices are reached.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "foundation/list.h"
#include "foundation/ov_string.h"
#include "script/diagnostics.h"
#include "script/expression.h"
#include "script/named_value.h"

namespace {

constexpr std::size_t kMaxInput = 4096;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return 0;
  orvane::String text;
  if (size > 0) {
    text = orvane::String(' ', static_cast<int>(size));
    if (text.Length() != static_cast<int>(size)) std::abort();
    std::memcpy(&text[0], data, size);
  }

  orvane::LIST variables;
  variables.Append(new orvane::NamedValue("a", 2.0f), 1);
  variables.Append(new orvane::NamedValue("b", 10.0f), 1);
  variables.Append(new orvane::NamedValue("b", 20.0f), 1);
  variables.Append(new orvane::NamedValue("b", 30.0f), 1);
  variables.Append(new orvane::NamedValue("sin", 5.0f), 1);

  std::ostringstream err;
  const orvane::String file_name("f.ovs");
  const int32_t line_no = 1;
  orvane::DiagnosticContext diagnostics;
  diagnostics.err = &err;
  diagnostics.file_name = &file_name;
  diagnostics.line_no = &line_no;

  orvane::ExpressionEvaluator evaluator(&variables, diagnostics);
  const float value = evaluator.Evaluate(text);
  const float operand = evaluator.Operand(text);
  static_cast<void>(value);
  static_cast<void>(operand);
  variables.RemoveAll();
  return 0;
}
