#include "foundation/ov_string.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/error_output.h"

namespace orvane {
namespace {

std::string S(const String& s) {
  return std::string(s.c_str(), s.Length());
}

TEST(String, ConstructCompareCutAndSearch) {
  EXPECT_EQ(S(String('x', 0)), "x");  // the fill constructor gives at least one byte
  EXPECT_EQ(S(String(nullptr)), "");
  String a("abc");
  String b = a;
  b = nullptr;
  b += nullptr;
  EXPECT_EQ(S(b), "");
  a += a;
  EXPECT_EQ(S(a), "abcabc");
  EXPECT_EQ(S(a + "!" + String("?")), "abcabc!?");
  a = a;
  EXPECT_EQ(S(a), "abcabc");
  // Comparison is bytewise and case-sensitive.
  EXPECT_TRUE(String("Cube") != "cube");
  EXPECT_FALSE(String("a") == String("ab"));
  // Substrings follow the one-based rules.
  const struct {
    int start, count;
    const char* expected;
  } cases[] = {{2, 3, "bcd"}, {5, 10, "ef"},     {7, 1, "abcdef"},          {-1, 3, "ab"},
               {2, 0, ""},    {1, -1, "abcdef"}, {-2147483647, 5, "abcdef"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "InMid(" << c.start << ", " << c.count << ")");
    String s("abcdef");
    EXPECT_EQ(S(s.InMid(c.start, c.count)), c.expected);
    EXPECT_EQ(S(String("abcdef").Mid(c.start, c.count)), c.expected);
  }
  EXPECT_EQ(S(String("abcdef").InLeft(2)), "ab");
  const String s("abcdef");
  EXPECT_EQ(S(s.Left(3)) + S(s.Right(3)) + S(String(s).InRight(0)), "abcdef");
  // Search and indexing; the count is taken as 16 bits.
  const String csv("a,b,c");
  EXPECT_EQ((std::vector<int>{csv.Find(',', 2), csv.Find(',', 3), csv.Find(',', 65538),
                              csv.FindRev(',', 1), csv.FindRev('x', 1), csv.Count(',')}),
            (std::vector<int>{4, 0, 4, 4, 0, 2}));
  LIST list;
  list.Append(new String("one"), 1);
  list.Append(new String("two"), 1);
  list.First();
  EXPECT_EQ(String("two").IsIn(&list), 1);
  EXPECT_EQ(String("three").IsIn(&list), 0);
  EXPECT_EQ(list.current, list.head);
  list.RemoveAll();
  // An index out of range yields a fresh NUL; writing it changes nothing.
  String ab("ab");
  ab[1] = 'z';
  ab[-1] = 'q';
  EXPECT_EQ(ab[2], '\0');
  EXPECT_EQ(ab[-1], '\0');
  EXPECT_EQ(S(ab), "az");
}

// Str(double) must write exactly what "%g" writes, for every kind of float.
TEST(String, NumbersMatchTheirPrintfFormats) {
  std::mt19937 rng(7);
  String s;
  EXPECT_EQ(S(s.StrFix(1)), " 1.00");
  EXPECT_EQ(S(s.StrFix(1e300)).size(), 304u);
  EXPECT_EQ(S(s.Str(-42)), "-42");
  EXPECT_EQ(S(s.Str(123456789012L)), "123456789012");
  char expected[64];
  const double specials[] = {0.0,       -0.0,       1e-5,     0.0001234565, 999999.5,
                             9999995.0, 123456.5,   1e38,     -3.4e38,      1e-45,
                             0.5,       2.5e-7,     100000.0, 1000000.0,    1e-4,
                             1.0 / 0.0, -1.0 / 0.0, 0.1,      1e-7,         1234567.0};
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
}

// Load drops carriage returns and keeps maxlen - 1 bytes, skipping the rest of the line.
TEST(String, LoadReadsLines) {
  std::istringstream in("abc\r\n\n" + std::string(300, 'x') + "\nnext");
  String s("old");
  EXPECT_EQ(s.Load(in, 128), 3);
  EXPECT_EQ(S(s), "abc");
  EXPECT_EQ(s.Load(in, 128), 0);
  EXPECT_EQ(s.Load(in, 128), 127);
  EXPECT_EQ(s.Load(in, 128), 4);
  EXPECT_EQ(s.Load(in, 128), -1);
  EXPECT_EQ(S(s), "next");
  std::istringstream tiny("abc\n");
  EXPECT_EQ(s.Load(tiny, 0), 0);
  // LoadLines answers the number of lines minus one.
  LIST list;
  std::istringstream lines("a\nb\n");
  EXPECT_EQ(LoadLines(lines, &list, 128), 2);
  ASSERT_EQ(list.count, 3);
  EXPECT_EQ(S(*static_cast<String*>(list.Last())), "");
  std::istringstream unterminated("a\nb");
  EXPECT_EQ(LoadLines(unterminated, &list, 128), 1);
  EXPECT_EQ(LoadLines(unterminated, &list, 128), -1);
  list.RemoveAll();
  std::ostringstream out;
  out << String("a\0b") << String() << String("cd");
  EXPECT_EQ(out.str(), "acd");
}

TEST(String, FailedAllocationsReportTheirTagAndKeepAValidString) {
  std::ostringstream errors;
  SetErrorOutput(&errors);
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
  SetErrorOutput(nullptr);
  FailNextAllocations(0);
  EXPECT_EQ(errors.str(),
            "ERROR: String.op=\nERROR: String.op+=\nERROR: String.constr\n"
            "ERROR: String.constr\nERROR: String.op+\nERROR: String.Str\n");
  s += "!";
  EXPECT_EQ(S(s), "keep!");
}

}  // namespace
}  // namespace orvane
