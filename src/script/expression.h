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

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

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
  float EvaluateText(std::string_view text);
  float OperandText(std::string_view text);
  float VariableValue(std::string_view reference);
  float CallFromText(std::string_view text);
  // Splits `text` at every comma and evaluates each part.
  std::vector<float> EvaluateArguments(std::string_view text);
  // Reduces every matched parenthesis, call and bracket, innermost first, in one pass.
  std::string ReduceBrackets(std::string_view text);
  void CloseParenthesis(std::string& out, std::vector<size_t>& open);
  void CloseBracket(std::string& out, std::vector<size_t>& open);
  // Reduces every operator of one rank, leftmost first.
  std::string ReduceOperators(std::string text, int rank);
  void Report(const char* message) const;

  LIST* variables_;
  DiagnosticContext diagnostics_;
  int depth_ = 0;  // nesting of EvaluateText, bounded so that no text recurses deeply
};

}  // namespace orvane
