#include "script/expression.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <sstream>
#include <string>

#include "script/named_value.h"

namespace orvane {
namespace {

#define DIAG(message) "\nt.ovs: Syntax error: (Line 3) " message
const char *kParens = DIAG("wrong parenthesises."), *kUnknown = DIAG("unknown function."),
           *kNotFound = DIAG("variable not found/value not readable.");

struct Case {
  std::string text;
  const char* value;             // "%g" text of the result
  std::string diagnostics = "";  // everything written to the error stream
};

std::string Text(float value) {
  String text;
  text.Str(static_cast<double>(value));
  return text.c_str();
}

// `head` followed by n copies of `part`.
std::string Repeat(const std::string& part, int n, const char* head = "") {
  std::string text(head);
  for (int i = 0; i < n; ++i) text += part;
  return text;
}

// An evaluator over `variables`, its diagnostics in `err` for file "t.ovs", line 3.
class Evaluation : public ::testing::Test {
 protected:
  void TearDown() override { variables.RemoveAll(); }
  std::string Outcome(ExpressionEvaluator& e, const std::string& text) {
    err.str("");
    const float value = e.Evaluate(String(text.c_str()));
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return std::to_string(bits) + " " + err.str();
  }
  String file{"t.ovs"};
  int32_t line = 3;
  std::ostringstream err;
  LIST variables;
  ExpressionEvaluator evaluator{&variables, DiagnosticContext{&err, &file, &line}};
};

// Variables a = 2, b = {10, 20, 30}, sin = 5, and a plain String "b" that look-ups skip.
class ExpressionTest : public Evaluation {
 protected:
  void SetUp() override {
    variables.Append(new NamedValue("a", 2.0f), 1);
    variables.Append(new NamedValue("b", 10.0f), 1);
    variables.Append(new String("b"), 1);
    for (float value : {20.0f, 30.0f}) variables.Append(new NamedValue("b", value), 1);
    variables.Append(new NamedValue("sin", 5.0f), 1);
  }
  float Evaluate(const std::string& text) {
    err.str("");
    return evaluator.Evaluate(String(text.c_str()));
  }
  void Check(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.text.substr(0, 60));
      EXPECT_EQ(Text(Evaluate(c.text)), c.value);
      EXPECT_EQ(err.str(), c.diagnostics);
    }
  }
};

// clang-format off
TEST_F(ExpressionTest, RanksAndSixDigitRewriting) {
  Check({{"2+3*4", "14"}, {"2*3+4", "10"}, {"8/2/2", "2"}, {"1+2<4", "1"}, {"1/3*3", "0.999999"},
         {"100000*100000", "1e+10"}, {"1e-3+1", "1.001"}, {"1000000+1", "1e+06"},
         {"(2+3)*4", "20"}, {".5+.5", "1"}, {"", "0"}});
}

TEST_F(ExpressionTest, Signs) {
  Check({{"-2*3", "-6"}, {"2*-3", "-6"}, {"2--3", "5"}, {"-2-3", "-5"}, {"--3", "3"},
         {"-(-2)", "2"},
         // A '+' followed by '-' merges into '-'.
         {"2+-3", "-1"}, {"-+3+1", "-2"},
         // A sign after a comparison belongs to the number on both sides of the next operator.
         {"1<-3+5", "1"}, {"-3+5>-3", "1"},
         // "-0" (from 0*-1) reads back as a number.
         {"0*-1", "-0"}, {"0*-1+1", "1"}});
}

TEST_F(ExpressionTest, EveryFunction) {
  Check({{"sin(1)", "0.841471"}, {"cos(0)", "1"}, {"tan(1)", "1.55741"}, {"sqrt(2)", "1.41421"},
         {"sqrt(0)", "0"}, {"sqrt(-4)", "0"}, {"abs(-3)", "3"}, {"asin(1)", "1.5708"},
         {"acos(0.5)", "1.0472"}, {"atan(1)", "0.785398"}, {"sinh(1)", "1.1752"},
         {"cosh(1)", "1.54308"}, {"tanh(1)", "0.761594"}, {"exp(1)", "2.71828"},
         {"log(10)", "2.30259"}, {"log10(1000)", "3"}, {"ceil(1.2)", "2"}, {"ceil(-1.2)", "-1"},
         {"floor(-1.2)", "-2"}, {"round(2.4)", "2"}, {"round(2.5)", "3"}, {"round(-2.5)", "-2"},
         {"round(-2.6)", "-3"}, {"pow(2,10)", "1024"}, {"fmod(7,2)", "1"}, {"fmod(-7,2)", "-1"},
         {"mod(7,2)", "3"}, {"mod(-7,2)", "-3"}, {"mod(7,-2)", "-3"},
         {"sqrt(pow(3,2)+pow(4,2))", "5"}, {"pow(2,(3))", "8"},
         // A missing argument is 0; extra ones are evaluated and ignored.
         {"pow(2)", "1"}, {"pow(2,3,x)", "8", kNotFound},
         {"foo(1)", "0", kUnknown}, {"Sin(1)", "0", kUnknown}, {"2*foo(1)+1", "1", kUnknown}});
  EXPECT_EQ(evaluator.CallFunction("cos", nullptr, 0), 1.0f);
  const float args[] = {2.0f, 5.0f};
  EXPECT_EQ(evaluator.CallFunction("pow", args, 2), 32.0f);
}

TEST_F(ExpressionTest, Variables) {
  Check({{"a", "2"}, {"-a", "-2"}, {"a*-a", "-4"}, {"b", "10"}, {"b[0]+b[1]+b[2]", "60"},
         {"-b[2]", "-30"}, {"b[1+1]", "30"}, {"b[-1]", "20"}, {"b[99999999]", "30"},
         {"b[a-1]", "20"}, {"b[b[0]/10]", "20"}, {"b[floor(1.5)]", "20"}, {"b[]", "10"},
         {"x+1", "1", kNotFound}, {"-x", "0", kNotFound},
         // A variable may carry a function's name; only a '(' makes a call.
         {"sin+1", "6"}, {"sin(0)", "0"}});
}

TEST_F(ExpressionTest, OperandReadsOneOperand) {
  // No brackets are reduced here: a negative index is the first.
  EXPECT_EQ((std::vector<float>{evaluator.Operand("b[-1]"), evaluator.Operand("12abc"),
                                evaluator.Operand("pow(2,3)"), evaluator.Operand("abc")}),
            (std::vector<float>{10, 12, 8, 0}));
  EXPECT_EQ(err.str(), kNotFound);  // for abc only
}

TEST_F(ExpressionTest, NonFiniteResultsReadBack) {
  for (const char* nan : {"1/0*0", "0/0+1", "log(-1)*2"}) {
    EXPECT_TRUE(std::isnan(Evaluate(nan))) << nan;
    EXPECT_EQ(err.str(), "") << nan;
  }
  Check({{"-1/0", "-inf"}, {"1/0+1", "inf"}, {"-(1/0)*2", "-inf"}, {"1e38*10", "inf"},
         {"1e999999", "inf"}, {"1e-999999", "0"}, {"1/0>1", "1"}, {"b[1/0]", "30"},
         {"b[0/0]", "10"}, {"info", "0", kNotFound}});
}

TEST_F(ExpressionTest, LongSumsAndDeepNesting) {
  Check({{Repeat("+1", 50000, "1"), "50001"}, {Repeat("*1", 50000, "1"), "1"},
         {Repeat("--1", 33000, "1"), "33001"}, {Repeat("<2", 33000, "1"), "1"},
         {Repeat("(", 20000) + "1" + Repeat(")", 20000), "1"},
         {Repeat("(1+", 20000) + "1" + Repeat(")", 20000), "20001"},
         {Repeat("abs(", 20000) + "-1" + Repeat(")", 20000), "1"},
         {Repeat("b[", 20000) + "0" + Repeat("]", 20000), "30"},
         {Repeat("(", 50000) + "1", "0", kParens},
         // Unclosed brackets nest evaluations; the depth bound stops them with one diagnostic.
         {Repeat("a[", 30000) + "1", "2", kParens}, {Repeat("[", 100000), "0", kNotFound},
         {Repeat("9", 100000), "inf"}, {Repeat("0", 100000, "0.") + "1", "0"}});
}
// clang-format on

// The fast paths against the rewriting, bit for bit and diagnostic for diagnostic.
class FastPathTest : public Evaluation {
 protected:
  void SetUp() override {
    rewriting.UseFastPaths(false);
    for (const char* name : {"x", "y", "b", "b", "b", "e", "x2"}) {
      auto* v = new NamedValue(name, 0.0f);
      variables.Append(v, 1);
      slots.push_back(v);
    }
  }
  void Compare(const std::string& text, const std::vector<float>& values) {
    for (size_t i = 0; i < values.size(); ++i) {
      for (size_t k = 0; k < slots.size(); ++k)
        slots[k]->value = values[(i + 3 * k) % values.size()];
      const std::string fast = Outcome(evaluator, text);
      const std::string rewritten = Outcome(rewriting, text);
      ASSERT_EQ(fast, rewritten) << text << " with x = " << slots[0]->value;
    }
  }
  std::vector<NamedValue*> slots;
  ExpressionEvaluator rewriting{&variables, DiagnosticContext{&err, &file, &line}};
};

const float kInf = std::numeric_limits<float>::infinity();

// Six-digit rounding ties and decade ends, exact powers of ten, subnormals, infinities, NaN.
// clang-format off
const std::vector<float> kEdgeValues = {
    0.0f,       -0.0f,       1.0f,      -1.0f,     0.5f,      3.0f,       0.1f,   1.0f / 3,
    1234565.0f, 123456.5f,   999999.5f, 999999.0f, 99999.95f, 1000000.5f, 1e-7f,  2e-6f,
    1e10f,      -1e10f,      3.4e38f,   -3.4e38f,  1e-17f,    1e-18f,     1e27f,  1e28f,
    1e-40f,     -1e-45f,     kInf,      -kInf,     std::numeric_limits<float>::quiet_NaN(),
    2147483648.0f, -2147483904.0f, 65504.0f, 9.999995f, 7.0f, -7.5f, 12.25f};

TEST_F(FastPathTest, ProgramsAndPlainNumbersMatchTheRewriting) {
  const char* texts[] = {
      // Plain numbers, and texts that only look like them.
      "0", "-0", "+5", "007", ".5", "5.", "1e5", "2.5E-3", "-1.5e+10", "1e39", "1e-50",
      "99999999999999999999", "0.30000001192092896", "1.e+5", "1e", "1e+", "--3", "+-3",
      // The program grammar.
      "x", "-x", "x*y", "x/y", "x+y", "x-y", "-x*y+b", "x*y*b-x/y/b", "(x)", "(x+y)*2",
      "sqrt(x)*2-x/3", "pow(x,y)", "pow(x)", "fmod(x,y,b)", "mod(x,3)", "round(x)+floor(y)",
      "b[x]", "-b[x*2]", "b[b[x]]", "sqrt(b[y])", "(b[x])", "x<y", "x<=y", "x=<y", "x>=y",
      "x=>y", "x==y", "x<>y", "x><y", "x<y<b", "x+1<y*2", "log(x)", "exp(x)", "asin(x)",
      "x*(y)*b", "x+(y)*b", "x-(y)*(b)", "x<(y)*b", "x/(y-y)", "(x)-(y)", "x*1e0",
      "e-x", "x2-1", "x2*e-x", "abs(x)-abs(y)", "x+y+b+e+x2",
      // Just outside it: each is rewritten.
      "-(x)", "-sqrt(x)", "x*-y", "x--y", "x+-y", "x<-y", "x2e-1", "inf", "-nan", "info",
      "x=y", "x<<y", "clock()*0", "foo(x)", "q+1", "b[x][y]", "(x,y)", "sqrt()", "x y",
      "1.5.2", "2x", "x.y", "x*1e-5", "(((((((((((((((((((((((((x)))))))))))))))))))))))))",
  };
  // clang-format on
  for (const char* text : texts) Compare(text, kEdgeValues);
}

// Random texts of the program grammar, and random texts near it, with random values.
TEST_F(FastPathTest, RandomTextsMatchTheRewriting) {
  std::mt19937 random(20240901);
  const auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
  const char* operands[] = {"x",     "y",    "b",       "e", "x2",   "2",      "0.5",
                            "17.25", ".125", "1000000", "3", "b[x]", "b[y*2]", "q"};
  const char* functions[] = {"sqrt", "sin",   "cos", "tan",  "abs", "log",  "exp",  "floor",
                             "ceil", "round", "pow", "fmod", "mod", "atan", "tanh", "log10"};
  const char* operators[] = {"+", "-", "*",  "/",  "+",  "-",  "*",  "/",
                             "<", ">", "==", "<=", "<>", "=>", "--", "*-"};
  std::function<std::string(int)> text = [&](int depth) {
    std::string t = pick(5) == 0 ? "-" : "";
    for (size_t n = pick(4) + 1; n > 0; --n) {
      const size_t kind = depth > 2 ? pick(2) : pick(4);
      if (kind <= 1) {
        t += operands[pick(std::size(operands))];
      } else if (kind == 2) {
        t += std::string(functions[pick(std::size(functions))]) + "(" + text(depth + 1) +
             (pick(3) == 0 ? "," + text(depth + 1) : "") + ")";
      } else {
        t += "(" + text(depth + 1) + ")";
      }
      if (n > 1) t += operators[pick(std::size(operators))];
    }
    return t;
  };
  std::vector<float> values(5);
  for (int i = 0; i < 3000; ++i) {
    for (float& v : values) {
      v = pick(3) == 0 ? kEdgeValues[pick(kEdgeValues.size())]
                       : std::ldexp(static_cast<float>(random() % 2000001) - 1000000.0f,
                                    static_cast<int>(pick(60)) - 40);
    }
    Compare(text(0), values);
  }
}

// A program looks its variables up again after the list has changed.
TEST_F(FastPathTest, ProgramsFollowTheVariablesList) {
  EXPECT_EQ(Outcome(evaluator, "z*2+x"), "0 " + std::string(kNotFound));
  auto* z = new NamedValue("z", 4.0f);
  variables.Append(z, 1);
  slots[0]->value = 1.0f;
  EXPECT_EQ(evaluator.Evaluate("z*2+x"), 9.0f);
  z->value = 5.0f;
  EXPECT_EQ(evaluator.Evaluate("z*2+x"), 11.0f);
  variables.First();  // x goes
  variables.Remove();
  EXPECT_EQ(Outcome(evaluator, "z*2+x"), "1092616192 " + std::string(kNotFound));
  LIST others;
  others.Append(new NamedValue("x", 7.0f), 1);
  evaluator.SetVariables(&others);
  EXPECT_EQ(evaluator.Evaluate("x*2"), 14.0f);
  EXPECT_EQ(Outcome(evaluator, "z*2+x"), "1088421888 " + std::string(kNotFound));
  others.RemoveAll();
  slots.clear();
}

// The index behind Variable answers what FindVariable answers after every kind of list edit.
TEST_F(Evaluation, TheVariableIndexFollowsEveryEditOfTheList) {
  const auto check = [&](const char* step) {
    for (const char* name : {"v", "w", "x", ""}) {
      for (int index : {-3, 0, 1, 2, 7}) {
        EXPECT_EQ(evaluator.Variable(name, index), FindVariable(&variables, name, index))
            << step << ": " << name << "[" << index << "]";
      }
    }
  };
  check("empty");
  variables.Append(new NamedValue("v", 1.0f), 1);
  variables.Append(new NamedValue("w", 2.0f), 1);
  check("appended");
  variables.Append(new NamedValue("v", 3.0f), 1);
  variables.Append(new String("v"), 1);
  variables.Append(new NamedValue("", 4.0f), 1);
  check("appended more");
  variables.First();
  variables.Insert(new NamedValue("v", 5.0f), 1);  // after the first entry
  check("inserted in the middle");
  variables.Prepend(new NamedValue("w", 6.0f), 1);
  check("prepended");
  variables.Last();
  variables.Prev();
  variables.MoveUp();
  check("moved up");
  variables.First();
  variables.Next();
  variables.Remove();
  check("removed");
  NamedValue replacement("x", 7.0f);
  ListItem* replaced = variables.Current();
  variables.SetItem(&replacement);
  delete replaced;
  check("replaced");
  variables.SetOwn(0);  // the replacement is not the list's to destroy
  variables.RemoveAll();
  check("emptied");
  variables.Append(new NamedValue("x", 8.0f), 1);
  check("refilled");
  variables.RemoveAll();
}

}  // namespace
}  // namespace orvane
