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
//
// The fast paths give the same values without the text:
//  - A text that is one plain number is read at once; the steps above would leave it as it is.
//  - A program (the grammar at Translator) evaluates the tree the steps would reduce, with
//    RoundTrip wherever a result would be substituted: after each operator, call and
//    parenthesis, and on the absolute value inside brackets. The signs the rewriting merges
//    (`x+(y)` with y < 0 becomes `x+-3`, then `x-3`) change no value: negation is exact and
//    the rounding is symmetric. NaN is where this ends (the merged text "--nan" reads back
//    with the other sign), so a program that meets one hands the text to the rewriting.

#include "script/expression.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
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

// The powers of ten that doubles hold exactly.
constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kLargestExactPower = 22;

// digits * 10^scale in one correctly rounded operation on exact operands: false when the
// digits are not an exact double or the power of ten is not.
bool ScaledExactly(uint64_t digits, int scale, double* value) {
  constexpr uint64_t kExactIntegers = uint64_t{1} << 53;
  if (digits >= kExactIntegers || scale > kLargestExactPower || scale < -kLargestExactPower) {
    return false;
  }
  const double whole = static_cast<double>(digits);
  *value = scale >= 0 ? whole * kPowersOfTen[scale] : whole / kPowersOfTen[-scale];
  return true;
}

// The double of a decimal literal (digits with an optional point, an optional exponent) when
// one correctly rounded operation gives it: its digits make an integer below 2^53 and the
// power of ten that scales them is exact (at most 10^22). That is the double from_chars reads,
// as both round correctly; false for the other literals.
bool ExactDecimal(std::string_view literal, double* value) {
  uint64_t digits = 0;
  int count = 0;  // digits taken, from the first nonzero one
  int scale = 0;
  size_t i = 0;
  bool point = false;
  for (; i < literal.size(); ++i) {
    const char c = literal[i];
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (!IsDigit(c)) break;
    if (digits != 0 || c != '0') {
      if (++count > 16) return false;
      digits = digits * 10 + static_cast<uint64_t>(c - '0');
    }
    if (point) --scale;
  }
  if (i < literal.size()) {  // the exponent: 'e' or 'E', an optional sign, digits
    ++i;
    const bool negative = i < literal.size() && literal[i] == '-';
    if (i < literal.size() && (literal[i] == '-' || literal[i] == '+')) ++i;
    int exponent = 0;
    for (; i < literal.size(); ++i) {
      if (exponent < 1000) exponent = exponent * 10 + (literal[i] - '0');
    }
    scale += negative ? -exponent : exponent;
  }
  if (digits == 0) {
    *value = 0.0;
    return true;
  }
  return ScaledExactly(digits, scale, value);
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
  if (!ExactDecimal(literal, &magnitude)) {
    const auto result = std::from_chars(literal.data(), literal.data() + literal.size(), magnitude);
    if (result.ec == std::errc::result_out_of_range) {
      magnitude = IsTooLarge(literal) ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (result.ec != std::errc()) {
      magnitude = 0.0;
    }
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

// The operators, by what they compute.
enum class Operator : uint8_t {
  kTimes,
  kDivide,
  kPlus,
  kMinus,
  kLess,
  kGreater,
  kAtMost,
  kAtLeast,
  kEqual,
  kUnequal
};

// The operator of the text `op` (one of * / + - < > <= =< >= => == <> ><).
Operator OperatorOf(std::string_view op) {
  switch (op[0]) {
    case '*':
      return Operator::kTimes;
    case '/':
      return Operator::kDivide;
    case '+':
      return Operator::kPlus;
    case '-':
      return Operator::kMinus;
    default:
      break;
  }
  if (op == "<") return Operator::kLess;
  if (op == ">") return Operator::kGreater;
  if (op == "<=" || op == "=<") return Operator::kAtMost;
  if (op == ">=" || op == "=>") return Operator::kAtLeast;
  if (op == "==") return Operator::kEqual;
  return Operator::kUnequal;  // "<>" and "><"
}

float Apply(Operator op, float a, float b) {
  switch (op) {
    case Operator::kTimes:
      return a * b;
    case Operator::kDivide:
      return a / b;
    case Operator::kPlus:
      return a + b;
    case Operator::kMinus:
      return a - b;
    default:
      break;
  }
  const bool equal = std::fabs(static_cast<double>(a) - static_cast<double>(b)) < 1e-6;
  bool result = false;
  switch (op) {
    case Operator::kLess:
      result = a < b;
      break;
    case Operator::kGreater:
      result = a > b;
      break;
    case Operator::kAtMost:
      result = a < b || equal;
      break;
    case Operator::kAtLeast:
      result = a > b || equal;
      break;
    case Operator::kEqual:
      result = equal;
      break;
    default:
      result = !equal;
      break;
  }
  return result ? 1.0f : 0.0f;
}

float Apply(std::string_view op, float a, float b) {
  return Apply(OperatorOf(op), a, b);
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

// --- Programs -------------------------------------------------------------------------------

// Reads `text` when it is one number literal that the rewriting leaves alone and reads whole:
// an optional sign, digits with an optional point and more digits (or a point and digits), an
// optional exponent. A digit must come right before the `e`, or its sign would count as an
// operator ("1.e+5" is 1 + 5). The value is ReadNumber's, found in the same pass over the
// bytes when ExactDecimal's shortcut applies. False for any other text.
bool ReadPlainNumber(std::string_view text, float* value) {
  const size_t n = text.size();
  size_t i = 0;
  const bool negative = n > 0 && text[0] == '-';
  if (n > 0 && (text[0] == '+' || text[0] == '-')) i = 1;
  uint64_t digits = 0;
  int count = 0;  // digits taken, from the first nonzero one
  int scale = 0;
  size_t mantissa = 0;
  for (; i < n && IsDigit(text[i]); ++i, ++mantissa) {
    if ((digits != 0 || text[i] != '0') && ++count <= 16) {  // longer: from_chars reads it
      digits = digits * 10 + static_cast<uint64_t>(text[i] - '0');
    }
  }
  if (i < n && text[i] == '.') {
    const size_t point = i++;
    for (; i < n && IsDigit(text[i]); ++i, ++mantissa) {
      if ((digits != 0 || text[i] != '0') && ++count <= 16) {
        digits = digits * 10 + static_cast<uint64_t>(text[i] - '0');
      }
      --scale;
    }
    if (i == point + 1) return false;
  }
  if (mantissa == 0) return false;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    const bool negative_exponent = i < n && text[i] == '-';
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    const size_t first = i;
    int exponent = 0;
    for (; i < n && IsDigit(text[i]); ++i) {
      if (exponent < 1000) exponent = exponent * 10 + (text[i] - '0');
    }
    if (i == first) return false;
    scale += negative_exponent ? -exponent : exponent;
  }
  if (i != n) return false;
  double magnitude = 0.0;
  if (count == 0) {
    magnitude = 0.0;
  } else if (count > 16 || !ScaledExactly(digits, scale, &magnitude)) {
    double number = 0.0;
    ReadNumber(text, &number);
    *value = static_cast<float>(number);
    return true;
  }
  *value = static_cast<float>(negative ? -magnitude : magnitude);
  return true;
}

// The double nearest to `a` (> 0, finite) rounded to six significant decimal digits, computed
// in doubles; false when that cannot be decided so (a tie, or out of the exact powers).
//   With E the decimal exponent of `a`, q = a * 10^(5 - E) lies in [100000, 1000000) and is
// one correctly rounded operation away from the exact product (relative error below 2^-53, so
// under 1.2e-10). Six digits are n = q rounded half to even, decided in doubles unless q is
// within 1e-9 of a tie. The value n * 10^(E - 5) is again one correctly rounded operation on
// exact operands, so it is the double that reading the digits gives. Near the ends of the
// range either exponent gives the same value: q in [99999.95, 100000) and q in
// [1000000, 1000000.5) both round to a power of ten.
bool SixDigitDouble(double a, double* out) {
  // About floor(log10(a)) from the binary exponent (1233 / 4096 is just below log10(2)); the
  // loop corrects it.
  uint64_t bits = 0;
  std::memcpy(&bits, &a, sizeof bits);
  const int binary_exponent = static_cast<int>((bits >> 52) & 0x7ff) - 1023;
  int e = (binary_exponent * 1233) >> 12;
  for (int attempt = 0; attempt < 4; ++attempt) {
    const int scale = 5 - e;
    if (scale > kLargestExactPower || scale < -kLargestExactPower) return false;
    const double q = scale >= 0 ? a * kPowersOfTen[scale] : a / kPowersOfTen[-scale];
    if (q < 99999.95) {
      --e;
      continue;
    }
    if (q >= 1000000.5) {
      ++e;
      continue;
    }
    const double whole = static_cast<double>(static_cast<int32_t>(q));  // q > 0: its floor
    const double fraction = q - whole;
    if (std::fabs(fraction - 0.5) < 1e-9) return false;
    const double digits = fraction < 0.5 ? whole : whole + 1.0;
    *out = scale <= 0 ? digits * kPowersOfTen[-scale] : digits / kPowersOfTen[scale];
    return true;
  }
  return false;
}

// What substituting `value` into the text as "%g" and reading it back as an operand gives:
// `value` rounded to six significant digits, as a float.
float RoundTrip(float value) {
  const double d = value;
  const double a = std::fabs(d);
  if (a == 0.0 || std::isinf(a)) return value;  // "0", "-0", "inf", "-inf" read back as given
  if (a < 1e6 && static_cast<double>(static_cast<int32_t>(a)) == a) {
    return value;  // a whole number of at most six digits is written exactly
  }
  double rounded = 0.0;
  if (!std::isnan(a) && SixDigitDouble(a, &rounded)) {
    return static_cast<float>(d < 0.0 ? -rounded : rounded);
  }
  double number = 0.0;
  ReadNumber(NumberText(value), &number);
  return static_cast<float>(number);
}

// One operation of a program on its value stack.
struct Step {
  enum Kind : uint8_t {
    kNumber,    // push `number`
    kVariable,  // push the first entry of variable `slot` (negated with `negate`)
    kElement,   // replace the index on top by that entry of variable `slot`
    kOperator,  // replace the top two by `op` of them, rounded
    kCall,      // replace the top `count` by function `slot` of them, rounded
    kRound,     // round the top (a parenthesis)
    kIndex,     // the absolute value of the top, rounded (the text inside brackets)
  };
  Kind kind = kNumber;
  bool negate = false;
  Operator op = Operator::kTimes;
  uint8_t count = 0;
  uint16_t slot = 0;
  float number = 0.0f;
};

constexpr int kMaxProgramStack = 32;
constexpr int kMaxProgramNesting = 24;
constexpr size_t kMaxPrograms = 4096;
// Longer texts are always rewritten (a script's tokens are at most a line of 127 bytes), so
// the kept programs stay small.
constexpr size_t kMaxProgramText = 255;

bool IsNameStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool IsNameByte(char c) {
  return IsNameStart(c) || IsDigit(c);
}

// Translates a text into steps, or refuses it. The grammar (a sign only at the start of a
// text: the start of the whole text, of a parenthesis, an argument or an index):
//   text       -> sum (comparison sum)*
//   sum        -> product (('+' | '-') product)*
//   product    -> operand (('*' | '/') operand)*
//   operand    -> ['-'] number | ['-'] name ['[' text ']'] | name '(' text (',' text)* ')'
//               | '(' text ')'
//   number     -> digits ['.' digits] | '.' digits
//   name       -> [A-Za-z_][A-Za-z0-9_]*, not "inf" or "nan", not ending in a digit and 'e'
// Everything the rewriting would read differently falls outside it: a sign after an operator
// (it merges with the operator), a sign before a parenthesis or call (it is kept as text), a
// number written with an exponent or followed by letters, a name that a following sign would
// join ("x2e-1" is one word), clock() (it changes between two readings), unknown functions
// and commas in a parenthesis.
class Translator {
 public:
  Translator(std::string_view text, std::vector<Step>& steps, std::vector<std::string>& names)
      : text_(text), steps_(steps), names_(names) {}

  // The deepest stack, or 0 when the text is refused.
  int Translate() {
    if (!Text() || at_ != text_.size()) return 0;
    return deepest_;
  }

 private:
  char Peek(size_t ahead = 0) const {
    return at_ + ahead < text_.size() ? text_[at_ + ahead] : '\0';
  }

  // The comparison at the cursor (its length, 0 for none), as the rewriting reads it.
  size_t ComparisonLength() const {
    const char c = Peek();
    const char next = Peek(1);
    if (c == '<') return next == '=' || next == '>' ? 2 : 1;
    if (c == '>') return next == '=' || next == '<' ? 2 : 1;
    if (c == '=') return next == '=' || next == '<' || next == '>' ? 2 : 0;
    return 0;
  }

  bool Push(Step step, int effect) {
    steps_.push_back(step);
    height_ += effect;
    if (height_ > deepest_) deepest_ = height_;
    return height_ <= kMaxProgramStack;
  }

  bool Binary(Operator op) {
    Step step;
    step.kind = Step::kOperator;
    step.op = op;
    return Push(step, -1);
  }

  bool Text() {
    if (++nesting_ > kMaxProgramNesting) return false;
    if (!Sum(true)) return false;
    for (size_t length = ComparisonLength(); length > 0; length = ComparisonLength()) {
      const Operator op = OperatorOf(text_.substr(at_, length));
      at_ += length;
      if (!Sum(false) || !Binary(op)) return false;
    }
    --nesting_;
    return true;
  }

  bool Sum(bool first) {
    if (!Product(first)) return false;
    while (Peek() == '+' || Peek() == '-') {
      const Operator op = Peek() == '+' ? Operator::kPlus : Operator::kMinus;
      ++at_;
      if (!Product(false) || !Binary(op)) return false;
    }
    return true;
  }

  bool Product(bool first) {
    if (!Operand(first)) return false;
    while (Peek() == '*' || Peek() == '/') {
      const Operator op = Peek() == '*' ? Operator::kTimes : Operator::kDivide;
      ++at_;
      if (!Operand(false) || !Binary(op)) return false;
    }
    return true;
  }

  bool Operand(bool first) {
    const size_t start = at_;
    const bool negate = first && Peek() == '-';
    if (negate) ++at_;
    const char c = Peek();
    if (IsDigit(c) || c == '.') return Number(start);
    if (c == '(') {
      if (negate) return false;
      ++at_;
      if (!Text() || Peek() != ')') return false;
      ++at_;
      Step step;
      step.kind = Step::kRound;
      return Push(step, 0);
    }
    if (!IsNameStart(c)) return false;
    const size_t name_start = at_;
    while (IsNameByte(Peek())) ++at_;
    const std::string_view name = text_.substr(name_start, at_ - name_start);
    if (Peek() == '(') return !negate && Call(name);
    if (name == "inf" || name == "nan") return false;
    if (name.size() >= 2 && (name.back() == 'e' || name.back() == 'E') &&
        IsDigit(name[name.size() - 2])) {
      return false;
    }
    Step step;
    step.negate = negate;
    step.slot = Slot(name);
    if (Peek() != '[') {
      step.kind = Step::kVariable;
      return Push(step, 1);
    }
    ++at_;
    if (!Text() || Peek() != ']') return false;
    ++at_;
    Step index;
    index.kind = Step::kIndex;
    step.kind = Step::kElement;
    return Push(index, 0) && Push(step, 0);
  }

  // digits ['.' digits] | '.' digits, with the sign at `start` if there is one.
  bool Number(size_t start) {
    size_t digits = 0;
    for (; IsDigit(Peek()); ++at_) ++digits;
    if (Peek() == '.') {
      ++at_;
      size_t fraction = 0;
      for (; IsDigit(Peek()); ++at_) ++fraction;
      if (fraction == 0) return false;
      digits += fraction;
    }
    if (digits == 0) return false;
    Step step;
    step.kind = Step::kNumber;
    ReadPlainNumber(text_.substr(start, at_ - start), &step.number);
    return Push(step, 1);
  }

  bool Call(std::string_view name) {
    size_t function = 0;
    while (function < std::size(kFunctions) && name != kFunctions[function].name) ++function;
    if (function == std::size(kFunctions) || name == "clock") return false;
    ++at_;  // '('
    int count = 0;
    for (;;) {
      if (!Text()) return false;
      ++count;
      if (Peek() == ')') break;
      if (Peek() != ',' || count == 255) return false;
      ++at_;
    }
    ++at_;
    Step step;
    step.kind = Step::kCall;
    step.slot = static_cast<uint16_t>(function);
    step.count = static_cast<uint8_t>(count);
    return Push(step, 1 - count);
  }

  uint16_t Slot(std::string_view name) {
    for (size_t i = 0; i < names_.size(); ++i) {
      if (names_[i] == name) return static_cast<uint16_t>(i);
    }
    names_.emplace_back(name);
    return static_cast<uint16_t>(names_.size() - 1);
  }

  std::string_view text_;
  size_t at_ = 0;
  std::vector<Step>& steps_;
  std::vector<std::string>& names_;
  int nesting_ = 0;
  int height_ = 0;
  int deepest_ = 0;
};

// The entry of `entries` that FindVariable answers for `index`.
NamedValue* Entry(const std::vector<NamedValue*>& entries, int index) {
  if (index < 0) return entries.front();
  if (static_cast<size_t>(index) < entries.size()) return entries[static_cast<size_t>(index)];
  return entries.back();
}

}  // namespace

struct ExpressionEvaluator::Program {
  bool usable = false;  // false: the text is always rewritten
  std::vector<Step> steps;
  std::vector<std::string> names;  // the variables, by slot
  // The entries of each name, looked up again whenever the variables index changes.
  std::vector<const std::vector<NamedValue*>*> entries;
  uint64_t generation = ~uint64_t{0};
};

ExpressionEvaluator::ExpressionEvaluator(LIST* variables, const DiagnosticContext& diagnostics)
    : variables_(variables), diagnostics_(diagnostics) {}

ExpressionEvaluator::~ExpressionEvaluator() = default;

NamedValue* ExpressionEvaluator::Variable(std::string_view name, int index) {
  const std::vector<NamedValue*>* entries = variable_index_.Find(variables_, name);
  return entries ? Entry(*entries, index) : nullptr;
}

ExpressionEvaluator::Program* ExpressionEvaluator::ProgramFor(std::string_view text) {
  const auto found = programs_.find(text);
  if (found != programs_.end()) return found->second.get();
  if (programs_.size() >= kMaxPrograms) programs_.clear();
  auto program = std::make_unique<Program>();
  program->usable = Translator(text, program->steps, program->names).Translate() > 0;
  if (!program->usable) {
    program->steps.clear();
    program->names.clear();
  }
  program->entries.assign(program->names.size(), nullptr);
  return programs_.emplace(std::string(text), std::move(program)).first->second.get();
}

bool ExpressionEvaluator::Run(Program& p, float* value) {
  // The entries are looked up once per change of the variables, not per run.
  const uint64_t generation = variable_index_.Generation(variables_);
  if (p.generation != generation) {
    for (size_t i = 0; i < p.names.size(); ++i) {
      p.entries[i] = variable_index_.Find(variables_, p.names[i]);
    }
    p.generation = generation;
  }
  float stack[kMaxProgramStack];
  int top = 0;
  for (const Step& step : p.steps) {
    float result = 0.0f;
    switch (step.kind) {
      case Step::kNumber:
        result = step.number;
        ++top;
        break;
      case Step::kVariable: {
        const std::vector<NamedValue*>* entries = p.entries[step.slot];
        if (!entries) return false;
        result = entries->front()->value;
        if (step.negate) result = -result;
        ++top;
        break;
      }
      case Step::kElement: {
        const std::vector<NamedValue*>* entries = p.entries[step.slot];
        if (!entries) return false;
        result = Entry(*entries, ToIndex(stack[top - 1]))->value;
        if (step.negate) result = -result;
        break;
      }
      case Step::kOperator:
        --top;
        result = RoundTrip(Apply(step.op, stack[top - 1], stack[top]));
        break;
      case Step::kCall: {
        top -= step.count;
        const double a = stack[top];
        const double b = step.count > 1 ? static_cast<double>(stack[top + 1]) : 0.0;
        result = RoundTrip(static_cast<float>(kFunctions[step.slot].apply(a, b)));
        ++top;
        break;
      }
      case Step::kRound:
        result = RoundTrip(stack[top - 1]);
        break;
      case Step::kIndex:
        result = RoundTrip(std::fabs(stack[top - 1]));
        break;
    }
    if (std::isnan(result)) return false;
    stack[top - 1] = result;
  }
  *value = stack[0];
  return true;
}

namespace {

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
  return EvaluateView(std::string_view(text.c_str(), static_cast<size_t>(text.Length())));
}

float ExpressionEvaluator::EvaluateView(std::string_view text) {
  if (fast_paths_ && depth_ == 0) {
    float value = 0.0f;
    if (ReadPlainNumber(text, &value)) return value;
    Program* program = text.size() <= kMaxProgramText ? ProgramFor(text) : nullptr;
    if (program && program->usable && Run(*program, &value)) return value;
  }
  return EvaluateText(text);
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
  float plain = 0.0f;
  if (fast_paths_ && ReadPlainNumber(text, &plain)) return plain;  // what the steps would leave
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
  const std::string_view name = reference.substr(0, open);
  NamedValue* variable = Variable(name, 0);
  if (variable && open != kNone) {
    std::string_view index = reference.substr(open + 1);
    index = index.substr(0, index.find(']'));
    variable = Variable(name, ToIndex(EvaluateText(index)));
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
