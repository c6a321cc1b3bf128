#pragma once
// The scene language's expression evaluator: a text-rewriting calculator.
//
// An expression is a blank-free text. Brackets and calls are reduced innermost first, then
// operators by rank (* / before + - before comparisons, leftmost first among equals). Every
// intermediate result is stored as a 32-bit float and substituted back as "%g" text, so it
// carries six significant digits: `1/3*3` is 0.999999. This rounding is part of the language.
//
// Failures never stop the evaluation: they write one of three diagnostics through the
// context ("wrong parenthesises.", "unknown function.", "variable not found/value not
// readable.") and go on with 0 in place.

#include "foundation/list.h"
#include "foundation/ov_string.h"
#include "script/diagnostics.h"
#include "script/named_value.h"

namespace orvane {

class ExpressionEvaluator {
 public:
  // `variables` (may be null: every variable is then unknown) and the context's pointers
  // stay owned by the caller.
  ExpressionEvaluator(LIST* variables, const DiagnosticContext& diagnostics)
      : variables_(variables), diagnostics_(diagnostics) {}

  float Evaluate(const String& text);
  // One operand: a number literal, a variable reference (`-name`, `name[i]`) or a call.
  float Operand(const String& text);
  // One function of the language's table; angles in radians. `args` holds `count` values.
  float CallFunction(const String& name, const float* args, int count);

  void SetVariables(LIST* variables) { variables_ = variables; }

 private:
  LIST* variables_;
  DiagnosticContext diagnostics_;
};

}  // namespace orvane
