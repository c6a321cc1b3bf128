// The expression evaluator: a text-rewriting calculator.
//
// Evaluate(text) works in three steps on a copy of the text:
//  1. the counts of `(` and `)` must agree, else "wrong parenthesises." and 0;
//  2. every matched parenthesis, call and bracket is reduced, innermost first: a plain
//     parenthesis becomes the text of its value, `name(args)` the text of the call, and the
//     content of `[...]` the text of its absolute value (the brackets stay: `a[2*3]` is `a[6]`);
//  3. operators are reduced by rank (`*` `/` 100, `+` `-` 50, comparisons 25), leftmost first
//     among equals; each result replaces operand, operator and operand;
// and the text that remains is read as one operand. Every result is a float written back
// with "%g", so each step rounds to six significant digits.
//
// Rescanning from the left after each replacement would be quadratic, so each step is one
// left-to-right pass that resumes right behind the substituted text instead. The results are
// those of rescanning: the text before that point has not changed, so a rescan would pass it
// in the same state, and a substituted number never creates an operator of the rank being
// reduced or a higher one.
//
// Decisions on the finer points:
//  - Calls: every comma part is evaluated (so its diagnostics appear) and passed; the functions
//    read the first two, and a missing one counts as 0. A plain parenthesis holding a comma
//    (`(1,2)`) gives the value of its first part.
//  - A `(` at the start or after `*` `/` `+` `-` `=` `<` `>` `(` is a plain parenthesis, and so
//    is one after `,` or `[`: `pow(2,(1))` and `b[(i+1)*2]` hold no call with an empty name.
//    A function name ends after `(` `)` `*` `+` `,` `-` `/` `<` `=` `>` and also after `[`,
//    so that `b[floor(i/2)]` calls "floor".
//  - Brackets are reduced once; afterwards they are ordinary bytes of the text. A `)` or `]`
//    that does not close the innermost open bracket of its kind stays in the text.
//  - Double signs: a chosen `-` followed by `-` becomes one `+`; a `+` followed by `-` becomes
//    one `-` (the sum of the signs), so `2+-3` is -1 and `1+2*-3` is -5 (the product leaves
//    `1+-6`). Likewise a leading "--" becomes "+" and a leading "-+" becomes "-".
//  - A `+` or `-` that belongs to a number (first byte, exponent sign, sign after `=` `<` `>`)
//    never ends the left operand either: `1<-3+5` adds -3 and 5.
//  - Numbers are read like atof in the C locale (decimal forms only, so the result never depends
//    on the user's locale), plus the exact words "inf" and "nan" that "%g" writes for infinite
//    and undefined results, with an optional sign. A text that starts with a number is that
//    number even when its value is 0: "-0" and ".0" are no variable names. A variable called
//    "inf" or "nan" therefore cannot be read; "info" can.
//  - A variable reference may start with `-` (negated) or `+` (ignored, as left by `--a`).
//    The index text runs from the first `[` to the next `]` or the end; its value is truncated,
//    NaN counts as 0 and values beyond the int range are clamped (negative: the first entry).
//  - An operand that still holds `(` (only texts like `1)+(2` leave one) is a call: the name
//    is the text before the first `(`, the arguments the comma parts up to the last `)` (or the
//    end); anything after that `)` is ignored.
//  - Comparisons: |a - b| < 1e-6 in double counts as equal, so two infinities are not equal;
//    any comparison with NaN is false except the "not equal" ones.
//  - Evaluations nested deeper than kMaxDepth (only unmatched brackets such as `a[a[a[...`
//    recurse) give "wrong parenthesises." and 0, so no text can exhaust the stack.
//  - "clock" is the processor time in seconds: clock() / CLOCKS_PER_SEC, whatever the
//    platform's clock() unit is.

#include "script/expression.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <ctime>
#include <limits>
#include <system_error>
#include <utility>

namespace orvane {

namespace {

constexpr int kProductRank = 100;
constexpr int kSumRank = 50;
constexpr int kComparisonRank = 25;
constexpr int kMaxDepth = 64;

constexpr const char* kWrongParentheses = ") wrong parenthesises.";
constexpr const char* kUnknownFunction = ") unknown function.";
constexpr const char* kVariableNotFound = ") variable not found/value not readable.";

constexpr size_t kNone = std::string_view::npos;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
// A plain loop: the sets are a few bytes long, and this test runs for every byte of every
// expression (a library search call per byte cost a tenth of a script's time).
bool IsOneOf(char c, std::string_view set) {
  if (c == '\0') return false;
  for (const char s : set) {
    if (s == c) return true;
  }
  return false;
}

// Whether `text` holds a byte of `set` (find_first_of searches the set once per byte).
bool HoldsAnyOf(std::string_view text, std::string_view set) {
  for (const char c : text) {
    if (IsOneOf(c, set)) return true;
  }
  return false;
}

// Bytes before a `(` that make it a plain parenthesis rather than a call.
bool IsPlainParenthesisByte(char c) {
  return IsOneOf(c, "*/+-=<>(,[");
}
// Bytes that end a function name, looking back from its `(`.
bool IsNameBoundary(char c) {
  return IsOneOf(c, "()*+,-/<=>[");
}

String ToString(std::string_view text) {
  return String(std::string(text).c_str());
}

std::string NumberText(float value) {
  String text;
  text.Str(static_cast<double>(value));
  return std::string(text.c_str(), static_cast<size_t>(text.Length()));
}

// The function table. Arguments and results are doubles; the caller stores a float.
struct MathFunction {
  const char* name;
  double (*apply)(double a, double b);
};

double Round(double a) {
  const double down = std::floor(a);
  return a - down < 0.5 ? down : std::ceil(a);
}

const MathFunction kFunctions[] = {
    {"sin", [](double a, double) { return std::sin(a); }},
    {"cos", [](double a, double) { return std::cos(a); }},
    {"tan", [](double a, double) { return std::tan(a); }},
    {"sqrt", [](double a, double) { return a <= 0.0 ? 0.0 : std::sqrt(a); }},
    {"abs", [](double a, double) { return std::fabs(a); }},
    {"asin", [](double a, double) { return std::asin(a); }},
    {"acos", [](double a, double) { return std::acos(a); }},
    {"atan", [](double a, double) { return std::atan(a); }},
    {"sinh", [](double a, double) { return std::sinh(a); }},
    {"cosh", [](double a, double) { return std::cosh(a); }},
    {"tanh", [](double a, double) { return std::tanh(a); }},
    {"exp", [](double a, double) { return std::exp(a); }},
    {"log", [](double a, double) { return std::log(a); }},
    {"log10", [](double a, double) { return std::log10(a); }},
    {"ceil", [](double a, double) { return std::ceil(a); }},
    {"floor", [](double a, double) { return std::floor(a); }},
    {"round", [](double a, double) { return Round(a); }},
    {"pow", [](double a, double b) { return std::pow(a, b); }},
    {"fmod", [](double a, double b) { return std::fmod(a, b); }},
    {"mod", [](double a, double b) { return (a - std::fmod(a, b)) / b; }},
    {"clock", [](double, double) { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }},
};

// For a decimal literal (no sign) that from_chars found out of the double range: whether it
// is too large rather than too small, from the decimal exponent of its first nonzero digit.
bool IsTooLarge(std::string_view literal) {
  const size_t e = literal.find_first_of("eE");
  const std::string_view mantissa = literal.substr(0, e);
  const size_t point = mantissa.find('.');
  const std::string_view whole = mantissa.substr(0, point);
  long long magnitude = 0;
  const size_t first = whole.find_first_not_of('0');
  if (first != kNone) {
    magnitude = static_cast<long long>(whole.size() - first) - 1;
  } else if (point != kNone) {
    const size_t zeros = mantissa.substr(point + 1).find_first_not_of('0');
    magnitude = -static_cast<long long>(zeros == kNone ? 0 : zeros) - 1;
  }
  long long exponent = 0;
  if (e != kNone) {
    size_t i = e + 1;
    const bool negative = i < literal.size() && literal[i] == '-';
    if (i < literal.size() && (literal[i] == '-' || literal[i] == '+')) ++i;
    for (; i < literal.size(); ++i) {
      exponent = std::min(exponent * 10 + (literal[i] - '0'), 1000000000LL);
    }
    if (negative) exponent = -exponent;
  }
  return magnitude + exponent >= 0;
}

// The number at the start of `text`: an optional sign, then digits with an optional point
// (at least one digit) and an optional exponent, read like atof in the C locale; or, after the
// optional sign, exactly "inf" or "nan". False when the text does not start with a number.
bool ReadNumber(std::string_view text, double* value) {
  size_t i = 0;
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    i = 1;
  }
  const std::string_view word = text.substr(i);
  if (word == "inf" || word == "nan") {
    const double v = word == "inf" ? std::numeric_limits<double>::infinity()
                                   : std::numeric_limits<double>::quiet_NaN();
    *value = negative ? -v : v;
    return true;
  }
  const size_t start = i;
  size_t digits = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) ++digits;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && IsDigit(text[i]); ++i) ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t k = i + 1;
    if (k < text.size() && (text[k] == '+' || text[k] == '-')) ++k;
    if (k < text.size() && IsDigit(text[k])) {
      while (k < text.size() && IsDigit(text[k])) ++k;
      i = k;
    }
  }
  const std::string_view literal = text.substr(start, i - start);
  double magnitude = 0.0;
  const auto result = std::from_chars(literal.data(), literal.data() + literal.size(), magnitude);
  if (result.ec == std::errc::result_out_of_range) {
    magnitude = IsTooLarge(literal) ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (result.ec != std::errc()) {
    magnitude = 0.0;
  }
  *value = negative ? -magnitude : magnitude;
  return true;
}

// An array index from an evaluated float: truncated, NaN as 0, clamped to the int range.
int ToIndex(float value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483648.0f) return INT_MAX;
  if (value <= -2147483648.0f) return INT_MIN;
  return static_cast<int>(value);
}

float Apply(std::string_view op, float a, float b) {
  switch (op[0]) {
    case '*':
      return a * b;
    case '/':
      return a / b;
    case '+':
      return a + b;
    case '-':
      return a - b;
    default:
      break;
  }
  const bool equal = std::fabs(static_cast<double>(a) - static_cast<double>(b)) < 1e-6;
  bool result = false;
  if (op == "<") {
    result = a < b;
  } else if (op == ">") {
    result = a > b;
  } else if (op == "<=" || op == "=<") {
    result = a < b || equal;
  } else if (op == ">=" || op == "=>") {
    result = a > b || equal;
  } else if (op == "==") {
    result = equal;
  } else {  // "<>" and "><"
    result = !equal;
  }
  return result ? 1.0f : 0.0f;
}

// The text of one left-to-right pass: the bytes already passed (possibly rewritten) and the
// unread rest of the input. Positions count in the current text, passed bytes first.
class TextCursor {
 public:
  explicit TextCursor(std::string text) : rest_(std::move(text)) { passed_.reserve(rest_.size()); }

  bool AtEnd() const { return next_ >= rest_.size(); }
  size_t Pos() const { return passed_.size(); }
  size_t Size() const { return passed_.size() + (rest_.size() - next_); }
  // Byte k of the current text; NUL past its end.
  char At(size_t k) const {
    if (k < passed_.size()) return passed_[k];
    const size_t i = next_ + (k - passed_.size());
    return i < rest_.size() ? rest_[i] : '\0';
  }
  void Advance() { passed_ += rest_[next_++]; }
  // Bytes [from, to) that lie wholly before or wholly after the cursor.
  std::string_view Slice(size_t from, size_t to) const {
    if (to <= passed_.size()) return std::string_view(passed_).substr(from, to - from);
    return std::string_view(rest_).substr(next_ + (from - passed_.size()), to - from);
  }
  // Replaces bytes [from, to), from <= Pos() <= to, by `text`; the cursor moves behind it.
  void Replace(size_t from, size_t to, std::string_view text) {
    next_ += to - passed_.size();
    passed_.resize(from);
    passed_ += text;
  }
  // Replaces the byte at the cursor and the next one by `c`; the cursor stays before it.
  void MergeAtCursor(char c) {
    ++next_;
    rest_[next_] = c;
  }
  std::string Take() {
    passed_.append(rest_, next_);
    return std::move(passed_);
  }

 private:
  std::string passed_;
  std::string rest_;
  size_t next_ = 0;
};

// A `+` or `-` that belongs to a number: the first byte, an exponent sign (after `e` or `E`
// after a digit), or a sign directly after `=`, `<` or `>`.
bool IsNumberSign(const TextCursor& t, size_t at) {
  if (at == 0) return true;
  const char before = t.At(at - 1);
  if (IsOneOf(before, "=<>")) return true;
  return at >= 2 && (before == 'e' || before == 'E') && IsDigit(t.At(at - 2));
}

bool IsOperatorByte(const TextCursor& t, size_t at) {
  const char c = t.At(at);
  if (c == '+' || c == '-') return !IsNumberSign(t, at);
  return IsOneOf(c, "*/<=>");
}

// Length of the operator of `rank` that starts at `at`, or 0. A single `=` is no operator.
size_t OperatorLength(const TextCursor& t, size_t at, int rank) {
  const char c = t.At(at);
  if (rank == kProductRank) return c == '*' || c == '/' ? 1 : 0;
  if (rank == kSumRank) return (c == '+' || c == '-') && !IsNumberSign(t, at) ? 1 : 0;
  const char next = t.At(at + 1);
  if (c == '<') return next == '=' || next == '>' ? 2 : 1;
  if (c == '>') return next == '=' || next == '<' ? 2 : 1;
  if (c == '=') return IsOneOf(next, "=<>") ? 2 : 0;
  return 0;
}

// Start of the left operand of the operator at `at`: behind the previous operator byte. The
// first byte never ends an operand: it is a sign or the operand's own start.
size_t LeftOperandStart(const TextCursor& t, size_t at) {
  for (size_t k = at; k > 1; --k) {
    if (IsOperatorByte(t, k - 1)) return k;
  }
  return 0;
}

// End of the right operand that starts at `from`: the next `*` `/` `<` `=` `>`, or the next
// `+` or `-` that is neither the operand's first byte nor a sign of a number.
size_t RightOperandEnd(const TextCursor& t, size_t from) {
  const size_t size = t.Size();
  for (size_t k = from; k < size; ++k) {
    const char c = t.At(k);
    if (IsOneOf(c, "*/<=>")) return k;
    if ((c == '+' || c == '-') && k != from && !IsNumberSign(t, k)) return k;
  }
  return size;
}

class DepthGuard {
 public:
  explicit DepthGuard(int& depth) : depth_(depth) { ++depth_; }
  ~DepthGuard() { --depth_; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;

 private:
  int& depth_;
};

}  // namespace

float ExpressionEvaluator::Evaluate(const String& text) {
  return EvaluateText(std::string_view(text.c_str(), static_cast<size_t>(text.Length())));
}

float ExpressionEvaluator::Operand(const String& text) {
  return OperandText(std::string_view(text.c_str(), static_cast<size_t>(text.Length())));
}

float ExpressionEvaluator::CallFunction(const String& name, const float* args, int count) {
  const double a = args && count > 0 ? static_cast<double>(args[0]) : 0.0;
  const double b = args && count > 1 ? static_cast<double>(args[1]) : 0.0;
  for (const MathFunction& function : kFunctions) {
    if (name == function.name) return static_cast<float>(function.apply(a, b));
  }
  Report(kUnknownFunction);
  return 0.0f;
}

float ExpressionEvaluator::EvaluateText(std::string_view text) {
  const DepthGuard guard(depth_);
  size_t opening = 0;
  size_t closing = 0;
  for (char c : text) {
    opening += c == '(';
    closing += c == ')';
  }
  if (opening != closing || depth_ > kMaxDepth) {
    Report(kWrongParentheses);
    return 0.0f;
  }
  std::string reduced = ReduceBrackets(text);
  for (int rank : {kProductRank, kSumRank, kComparisonRank}) {
    reduced = ReduceOperators(std::move(reduced), rank);
  }
  return OperandText(reduced);
}

// Operand: a call when the text holds `(`, else a number, else a variable reference.
float ExpressionEvaluator::OperandText(std::string_view text) {
  if (text.empty()) return 0.0f;
  if (text.find('(') != kNone) return CallFromText(text);
  double number = 0.0;
  if (ReadNumber(text, &number)) return static_cast<float>(number);
  return VariableValue(text);
}

// reference -> ['-' | '+'] name ['[' index [']']]
float ExpressionEvaluator::VariableValue(std::string_view reference) {
  const bool negate = reference.front() == '-';
  if (negate || reference.front() == '+') reference.remove_prefix(1);
  const size_t open = reference.find('[');
  const String name = ToString(reference.substr(0, open));
  NamedValue* variable = FindVariable(variables_, name, 0);
  if (variable && open != kNone) {
    std::string_view index = reference.substr(open + 1);
    index = index.substr(0, index.find(']'));
    variable = FindVariable(variables_, name, ToIndex(EvaluateText(index)));
  }
  if (!variable) {
    Report(kVariableNotFound);
    return 0.0f;
  }
  return negate ? -variable->value : variable->value;
}

// call -> name '(' arguments [')' ignored-rest]
float ExpressionEvaluator::CallFromText(std::string_view text) {
  const size_t open = text.find('(');
  std::string_view inner = text.substr(open + 1);
  const size_t close = inner.rfind(')');
  if (close != kNone) inner = inner.substr(0, close);
  const std::vector<float> args = EvaluateArguments(inner);
  return CallFunction(ToString(text.substr(0, open)), args.data(), static_cast<int>(args.size()));
}

std::vector<float> ExpressionEvaluator::EvaluateArguments(std::string_view text) {
  std::vector<float> args;
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(',', start);
    args.push_back(EvaluateText(text.substr(start, comma == kNone ? kNone : comma - start)));
    if (comma == kNone) return args;
    start = comma + 1;
  }
}

// Scans once from the left. `open` holds the positions in `out` of the `(` and `[` not yet
// reduced; a closing byte reduces the innermost one when it is of its kind, and the scan goes
// on behind the substituted text.
std::string ExpressionEvaluator::ReduceBrackets(std::string_view text) {
  if (!HoldsAnyOf(text, ")]")) return std::string(text);
  std::string out;
  out.reserve(text.size());
  std::vector<size_t> open;
  for (char c : text) {
    const char innermost = open.empty() ? '\0' : out[open.back()];
    if (c == ')' && innermost == '(') {
      CloseParenthesis(out, open);
    } else if (c == ']' && innermost == '[') {
      CloseBracket(out, open);
    } else {
      if (c == '(' || c == '[') open.push_back(out.size());
      out += c;
    }
  }
  return out;
}

// plain -> '(' parts ')' after a plain byte;  call -> name '(' parts ')'
void ExpressionEvaluator::CloseParenthesis(std::string& out, std::vector<size_t>& open) {
  const size_t at = open.back();
  open.pop_back();
  const std::vector<float> args = EvaluateArguments(std::string_view(out).substr(at + 1));
  if (at == 0 || IsPlainParenthesisByte(out[at - 1])) {
    out.resize(at);
    out += NumberText(args.front());
    return;
  }
  size_t start = at;
  while (start > 0 && !IsNameBoundary(out[start - 1])) --start;
  // An unmatched `[` inside the name goes with it.
  while (!open.empty() && open.back() >= start) open.pop_back();
  const float value = CallFunction(ToString(std::string_view(out).substr(start, at - start)),
                                   args.data(), static_cast<int>(args.size()));
  out.resize(start);
  out += NumberText(value);
}

// bracket -> '[' content ']', kept with the absolute value of the content inside
void ExpressionEvaluator::CloseBracket(std::string& out, std::vector<size_t>& open) {
  const size_t at = open.back();
  open.pop_back();
  const float value = std::fabs(EvaluateText(std::string_view(out).substr(at + 1)));
  out.resize(at + 1);
  out += NumberText(value);
  out += ']';
}

std::string ExpressionEvaluator::ReduceOperators(std::string text, int rank) {
  const char* bytes = rank == kProductRank ? "*/" : rank == kSumRank ? "+-" : "<=>";
  if (!HoldsAnyOf(text, bytes)) return text;
  TextCursor t(std::move(text));
  while (!t.AtEnd()) {
    const size_t at = t.Pos();
    const size_t length = OperatorLength(t, at, rank);
    if (length == 0) {
      t.Advance();
      continue;
    }
    if (rank == kSumRank && t.At(at + 1) == '-') {  // "--" becomes "+", "+-" becomes "-"
      t.MergeAtCursor(t.At(at) == '-' ? '+' : '-');
      continue;
    }
    if (rank == kSumRank && at == 1 && t.At(0) == '-') {  // "--..." and "-+..." at the start
      t.Replace(0, 2, t.At(1) == '-' ? "+" : "-");
      continue;
    }
    const char op[3] = {t.At(at), length == 2 ? t.At(at + 1) : '\0', '\0'};
    const size_t from = LeftOperandStart(t, at);
    const size_t to = RightOperandEnd(t, at + length);
    const float a = OperandText(t.Slice(from, at));
    const float b = OperandText(t.Slice(at + length, to));
    t.Replace(from, to, NumberText(Apply(op, a, b)));
  }
  return t.Take();
}

void ExpressionEvaluator::Report(const char* message) const {
  diagnostics_.Report(DiagnosticKind::kExpression, message);
}

}  // namespace orvane
