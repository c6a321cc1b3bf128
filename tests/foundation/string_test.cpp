#include "foundation/ov_string.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <sstream>
#include <string>

#include "foundation/error_output.h"

namespace orvane {
namespace {

std::string S(const String& s) { return std::string(s.c_str(), s.Length()); }

// Captures ErrorOutput() for the lifetime of the object.
struct CapturedErrors {
  CapturedErrors() { SetErrorOutput(&stream); }
  ~CapturedErrors() {
    SetErrorOutput(nullptr);
    FailNextAllocations(0);
  }
  std::string Text() const { return stream.str(); }
  std::ostringstream stream;
};

TEST(StringConstruction, FillConstructorGivesAtLeastOneByte) {
  EXPECT_EQ(S(String('x', 0)), "x");
  EXPECT_EQ(S(String('x', -5)), "x");
  EXPECT_EQ(S(String('-', 3)), "---");
  EXPECT_EQ(S(String(nullptr)), "");
  EXPECT_EQ(String().c_str()[0], '\0');
}

TEST(StringAssignment, AssignsCopiesAndConcatenates) {
  String a("abc");
  String b = a;
  b += "def";
  EXPECT_EQ(S(a), "abc");
  EXPECT_EQ(S(b), "abcdef");
  b = nullptr;
  EXPECT_EQ(S(b), "");
  b += nullptr;
  b += "";
  EXPECT_EQ(b.Length(), 0);
  a += a;
  EXPECT_EQ(S(a), "abcabc");
  EXPECT_EQ(S(a + "!" + String("?")), "abcabc!?");
  a = a;
  EXPECT_EQ(S(a), "abcabc");
}

TEST(StringComparison, IsBytewiseAndCaseSensitive) {
  EXPECT_TRUE(String("Cube") == "Cube");
  EXPECT_TRUE(String("Cube") != "cube");
  EXPECT_TRUE(String("") == String());
  EXPECT_TRUE(String() == nullptr);
  EXPECT_FALSE(String("a") == String("ab"));
}

struct MidCase {
  int start, count;
  const char* expected;
};

TEST(StringSubstrings, InMidFollowsItsOneBasedRules) {
  const MidCase cases[] = {{2, 3, "bcd"}, {5, 10, "ef"}, {7, 1, "abcdef"}, {0, 3, "abc"},
                           {-1, 3, "ab"}, {2, 0, ""},    {1, -1, "abcdef"}, {6, 1, "f"},
                           {-10, 3, "abcdef"}, {-2147483647, 5, "abcdef"}};
  for (const MidCase& c : cases) {
    String s("abcdef");
    s.InMid(c.start, c.count);
    EXPECT_EQ(S(s), c.expected) << "InMid(" << c.start << ", " << c.count << ")";
    EXPECT_EQ(S(String("abcdef").Mid(c.start, c.count)), c.expected);
  }
  String empty;
  empty.InMid(1, 5);
  EXPECT_EQ(S(empty), "");
}

TEST(StringSubstrings, LeftAndRight) {
  EXPECT_EQ(S(String("abcdef").InRight(2)), "ef");
  EXPECT_EQ(S(String("abcdef").InRight(9)), "abcdef");
  EXPECT_EQ(S(String("abcdef").InRight(0)), "");
  EXPECT_EQ(S(String("abcdef").InLeft(2)), "ab");
  String s("abcdef");
  EXPECT_EQ(S(s.Left(3)), "abc");
  EXPECT_EQ(S(s.Right(3)), "def");
  EXPECT_EQ(S(s), "abcdef");
}

TEST(StringSearch, FindFindRevCountIsIn) {
  String s("a,b,c");
  EXPECT_EQ(s.Find(',', 2), 4);
  EXPECT_EQ(s.Find(',', 3), 0);
  EXPECT_EQ(s.Find(',', 0), 2);
  EXPECT_EQ(s.Find(',', 65538), 4);  // the count is taken as 16 bits
  EXPECT_EQ(s.FindRev(',', 1), 4);
  EXPECT_EQ(s.FindRev(',', 2), 2);
  EXPECT_EQ(s.FindRev('x', 1), 0);
  EXPECT_EQ(s.Count(','), 2);

  LIST list;
  list.Append(new String("one"), 1);
  list.Append(new String("two"), 1);
  list.First();
  EXPECT_EQ(String("two").IsIn(&list), 1);
  EXPECT_EQ(String("three").IsIn(&list), 0);
  EXPECT_EQ(String("two").IsIn(nullptr), 0);
  EXPECT_EQ(list.current, list.head);
  list.RemoveAll();
}

TEST(StringIndexing, OutOfRangeYieldsAFreshNul) {
  String s("ab");
  EXPECT_EQ(s[0], 'a');
  s[1] = 'z';
  EXPECT_EQ(S(s), "az");
  s[-1] = 'q';
  EXPECT_EQ(s[2], '\0');
  EXPECT_EQ(s[-1], '\0');
  EXPECT_EQ(S(s), "az");
  String empty;
  empty[0] = 'x';
  EXPECT_EQ(empty.Length(), 0);
  EXPECT_EQ(empty.c_str()[0], '\0');
}

TEST(StringNumbers, UseTheFixedFormats) {
  String s;
  EXPECT_EQ(S(s.Str(0.1)), "0.1");
  EXPECT_EQ(S(s.Str(0.0000001)), "1e-07");
  EXPECT_EQ(S(s.Str(1234567.0)), "1.23457e+06");
  EXPECT_EQ(S(s.Str(static_cast<double>(1.0f / 3.0f))), "0.333333");
  EXPECT_EQ(S(s.StrFix(1)), " 1.00");
  EXPECT_EQ(S(s.StrFix(-0.5)), "-0.50");
  EXPECT_EQ(S(s.StrFix(1e300)).size(), 304u);
  EXPECT_EQ(S(s.Str(-42)), "-42");
  EXPECT_EQ(S(s.Str(123456789012L)), "123456789012");
}

// Str(double) must write exactly what "%g" writes, for every kind of float.
TEST(StringNumbers, StrOfDoubleMatchesPrintfG) {
  std::mt19937 rng(7);
  String s;
  char expected[64];
  const double specials[] = {0.0, -0.0, 1e-5, 1e-4, 0.0001234565, 999999.5, 9999995.0, 123456.5,
                             1e38, -3.4e38, 1e-45, 0.5, 2.5e-7, 100000.0, 1000000.0};
  for (double v : specials) {
    std::snprintf(expected, sizeof expected, "%g", v);
    EXPECT_EQ(S(s.Str(v)), expected) << v;
  }
  for (int i = 0; i < 200000; ++i) {
    uint32_t bits = static_cast<uint32_t>(rng());
    float f;
    std::memcpy(&f, &bits, sizeof f);
    if (f != f) continue;  // NaN sign and payload text differ between formatters
    std::snprintf(expected, sizeof expected, "%g", static_cast<double>(f));
    ASSERT_EQ(S(s.Str(static_cast<double>(f))), expected) << bits;
  }
  EXPECT_EQ(S(s.Str(1.0 / 0.0)), "inf");
  EXPECT_EQ(S(s.Str(-1.0 / 0.0)), "-inf");
}

TEST(StringStreams, LoadReadsLinesAndDropsCarriageReturns) {
  std::istringstream in("abc\r\ndef\n\nlast");
  String s("old");
  EXPECT_EQ(s.Load(in, 128), 3);
  EXPECT_EQ(S(s), "abc");
  EXPECT_EQ(s.Load(in, 128), 3);
  EXPECT_EQ(s.Load(in, 128), 0);
  EXPECT_EQ(s.Load(in, 128), 4);
  EXPECT_EQ(S(s), "last");
  EXPECT_EQ(s.Load(in, 128), -1);
  EXPECT_EQ(S(s), "last");
}

TEST(StringStreams, LoadKeepsMaxlenMinusOneBytesAndSkipsTheRestOfTheLine) {
  std::string longline(300, 'x');
  std::istringstream in(longline + "\nnext\n");
  String s;
  EXPECT_EQ(s.Load(in, 128), 127);
  EXPECT_EQ(s.Load(in, 128), 4);
  EXPECT_EQ(S(s), "next");
  std::istringstream tiny("abc\n");
  EXPECT_EQ(s.Load(tiny, 0), 0);
}

TEST(StringStreams, LoadLinesCountsLinesMinusOne) {
  LIST list;
  std::istringstream in("a\nb\n");
  EXPECT_EQ(LoadLines(in, &list, 128), 2);
  ASSERT_EQ(list.count, 3);
  EXPECT_EQ(S(*static_cast<String*>(list.Last())), "");
  list.RemoveAll();
  std::istringstream unterminated("a\nb");
  EXPECT_EQ(LoadLines(unterminated, &list, 128), 1);
  EXPECT_EQ(LoadLines(unterminated, &list, 128), -1);
  EXPECT_EQ(LoadLines(unterminated, nullptr, 128), 0);
  list.RemoveAll();
}

TEST(StringStreams, OutputWritesTheBytes) {
  std::ostringstream out;
  out << String("a\0b") << String() << String("cd");
  EXPECT_EQ(out.str(), "acd");
}

TEST(StringAllocation, FailuresReportTheirTagAndKeepAValidString) {
  CapturedErrors errors;
  String s("keep");
  FailNextAllocations(1);
  s = "a much longer replacement text";
  EXPECT_EQ(S(s), "keep");
  FailNextAllocations(1);
  s += " and more text than fits";
  EXPECT_EQ(S(s), "keep");
  FailNextAllocations(1);
  String copy(s);
  EXPECT_EQ(copy.Length(), 0);
  FailNextAllocations(1);
  String fill('z', 4);
  EXPECT_EQ(S(fill), "");
  FailNextAllocations(1);
  String joined = s + "123";
  FailNextAllocations(1);
  s.Str(1234567.0);
  EXPECT_EQ(S(s), "keep");
  EXPECT_EQ(errors.Text(),
            "ERROR: String.op=\nERROR: String.op+=\nERROR: String.constr\n"
            "ERROR: String.constr\nERROR: String.op+\nERROR: String.Str\n");
  s += "!";
  EXPECT_EQ(S(s), "keep!");
}

// Random edits against std::string as a model.
TEST(StringInvariants, RandomEditsMatchAModel) {
  std::mt19937 rng(99);
  String s;
  std::string model;
  for (int step = 0; step < 20000; ++step) {
    int a = static_cast<int>(rng() % 24) - 6;
    int b = static_cast<int>(rng() % 24) - 6;
    switch (rng() % 5) {
      case 0: {
        std::string piece(static_cast<size_t>(rng() % 5), static_cast<char>('a' + rng() % 26));
        s += piece.c_str();
        model += piece;
        break;
      }
      case 1: {
        s.InMid(a, b);
        int start = a, count = b;
        if (start < 1) {
          count += start;
          start = 1;
        }
        int len = static_cast<int>(model.size());
        int n = std::min(len - start + 1, count);
        if (n >= 0 && start <= len) model = model.substr(static_cast<size_t>(start - 1), static_cast<size_t>(n));
        break;
      }
      case 2:
        s.InRight(a);
        if (a <= 0) model.clear();
        else if (a <= static_cast<int>(model.size())) model = model.substr(model.size() - static_cast<size_t>(a));
        break;
      case 3:
        s = s.Mid(1, 1000) + String(model.empty() ? "" : "q");
        if (!model.empty()) model += "q";
        break;
      case 4:
        if (model.size() > 40) {
          s = "";
          model.clear();
        }
        break;
    }
    ASSERT_EQ(S(s), model) << "step " << step;
    ASSERT_EQ(s.c_str()[s.Length()], '\0');
  }
}

}  // namespace
}  // namespace orvane
