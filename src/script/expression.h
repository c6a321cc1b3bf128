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
//
// Rewriting text is slow, so the texts of the common form — numbers, variables, array
// elements, calls of the functions other than `clock`, parentheses and the operators, with a
// sign only at the start of a text — are translated once into a program that computes the
// same values: each operator, call and parenthesis result is rounded exactly as writing it as
// "%g" and reading it back does. A program hands the text to the rewriting whenever its
// values leave the ground where the two are known to agree (a NaN, a missing variable), so
// the rewriting alone decides every diagnostic.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "foundation/list.h"
#include "foundation/ov_string.h"
#include "script/diagnostics.h"
#include "script/name_index.h"
#include "script/named_value.h"

namespace orvane {

class ExpressionEvaluator {
 public:
  // `variables` (may be null: every variable is then unknown) and the context's pointers
  // stay owned by the caller.
  ExpressionEvaluator(LIST* variables, const DiagnosticContext& diagnostics);
  ~ExpressionEvaluator();
  ExpressionEvaluator(const ExpressionEvaluator&) = delete;
  ExpressionEvaluator& operator=(const ExpressionEvaluator&) = delete;

  float Evaluate(const String& text);
  // The same for any bytes (a part of a token, say).
  float EvaluateView(std::string_view text);
  // One operand: a number literal, a variable reference (`-name`, `name[i]`) or a call.
  float Operand(const String& text);
  // One function of the language's table; angles in radians. `args` holds `count` values.
  float CallFunction(const String& name, const float* args, int count);

  void SetVariables(LIST* variables) { variables_ = variables; }
  // The entry FindVariable(variables, name, index) answers, found through an index of the
  // variables list that follows the list's changes.
  NamedValue* Variable(std::string_view name, int index);

  // Whether Evaluate may take its fast paths (the default): plain numbers read directly and
  // the programs. Off, every text is rewritten; tests compare the two ways.
  void UseFastPaths(bool on) { fast_paths_ = on; }

 private:
  struct Program;  // expression.cpp
  struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
  };

  // The program of `text`, translated on first use and kept (up to a few thousand short
  // texts).
  Program* ProgramFor(std::string_view text);
  // Runs `program`; false when the text must be rewritten instead.
  bool Run(Program& program, float* value);

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
  bool fast_paths_ = true;
  NameIndex<NamedValue> variable_index_;
  std::unordered_map<std::string, std::unique_ptr<Program>, TextHash, std::equal_to<>> programs_;
};

}  // namespace orvane
