#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "foundation/bitmap.h"
#include "foundation/bvh.h"
#include "foundation/error_output.h"
#include "foundation/list.h"
#include "foundation/ov_string.h"
#include "foundation/placement.h"
#include "foundation/vec3.h"

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
    EXPECT_EQ(S(String("abcdef").InMid(c.start, c.count)), c.expected);
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
  EXPECT_TRUE(ab[2] == '\0' && ab[-1] == '\0');
  EXPECT_EQ(S(ab), "az");
}

// Str(double) must write exactly what "%g" writes, for every kind of float.
TEST(String, NumbersMatchTheirPrintfFormats) {
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
  std::mt19937 rng(7);
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
  for (int length : {0, 127, 4, -1}) EXPECT_EQ(s.Load(in, 128), length);
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

// An item that counts its own destructions, so ownership can be observed.
struct Tracked : ListItem {
  Tracked(int v, int* death_count) : value(v), deaths(death_count) {}
  ~Tracked() override { ++*deaths; }
  int Match(int) override { return 0; }
  int value;
  int* deaths;
};

int ValueOf(ListItem* item) {
  return item ? static_cast<Tracked*>(item)->value : -1;
}

// Checks the links, count and empty flag, and that current is a node of the list; returns the
// values from head to tail.
std::vector<int> Walk(const LIST& list) {
  std::vector<int> values;
  bool current_seen = list.current == nullptr;
  const ListNode* last = nullptr;
  for (const ListNode* n = list.head; n; last = n, n = n->next) {
    EXPECT_EQ(n->prev, last);
    current_seen = current_seen || n == list.current;
    values.push_back(ValueOf(n->item));
  }
  EXPECT_TRUE(last == list.tail && current_seen && list.empty == (last ? 0 : 1));
  EXPECT_EQ(static_cast<int>(values.size()), list.count);
  return values;
}

class ListTest : public ::testing::Test {
 protected:
  Tracked* Make(int v) { return new Tracked(v, &deaths); }
  int deaths = 0;
  LIST list;
};

TEST_F(ListTest, RemoveChoosesTheNewCurrentNode) {
  EXPECT_TRUE(!list.First() && !list.Last() && !list.Next() && !list.Prev() && !list.current);
  EXPECT_EQ(list.Remove(), 1);  // nothing to remove
  for (int v : {1, 2, 3, 4}) list.Append(Make(v), 1);
  list.First();
  list.Remove();  // head: the new head becomes current
  EXPECT_EQ(ValueOf(list.Current()), 2);
  list.Next();
  list.Remove();  // middle: its follower becomes current
  EXPECT_EQ(ValueOf(list.Current()), 4);
  list.Remove();  // tail: the new tail becomes current
  EXPECT_EQ(ValueOf(list.Current()), 2);
  EXPECT_EQ(Walk(list), (std::vector<int>{2}));
  // Removing the only node restores the initial state.
  list.Remove();
  Walk(list);
  EXPECT_EQ(deaths, 4);
  list.Append(Make(8), 1);
  // Prepend makes the new head current, Insert links after current, MoveUp swaps the items
  // of current and its predecessor and keeps current.
  list.Prepend(Make(6), 1);
  list.First();
  list.Insert(Make(7), 1);
  EXPECT_EQ(ValueOf(list.Next()), 8);
  list.Last();
  list.MoveUp();
  EXPECT_EQ(ValueOf(list.Current()), 7);
  EXPECT_EQ(ValueOf(list.Prev()), 8);
  EXPECT_EQ(Walk(list), (std::vector<int>{6, 8, 7}));
  // A failed node allocation leaves the nodes alone.
  Tracked* item = Make(3);
  FailNextAllocations(1);
  EXPECT_EQ(list.Insert(item, 1), 0);
  EXPECT_EQ(list.current, nullptr);
  FailNextAllocations(1);
  EXPECT_EQ(list.Prepend(item, 1), 0);
  EXPECT_EQ(Walk(list), (std::vector<int>{6, 8, 7}));
  delete item;
}

TEST_F(ListTest, OwnershipDecidesWhetherRemoveDestroysTheItem) {
  Tracked shared(5, &deaths);
  list.Append(&shared, 0);
  list.Append(Make(6), 1);
  list.First();
  list.Remove();
  EXPECT_EQ(deaths, 0);
  list.SetOwn(0);
  Tracked* kept = static_cast<Tracked*>(list.Current());
  list.SetItem(Make(7));  // SetItem replaces without destroying
  EXPECT_EQ(Walk(list), (std::vector<int>{7}));
  delete kept;
  Tracked* replacement = static_cast<Tracked*>(list.Current());
  list.Remove();
  EXPECT_EQ(deaths, 1);
  delete replacement;
}

constexpr float kInf = std::numeric_limits<float>::infinity();

// Same bits, not merely equal (tells -0 from +0 and catches any rounding).
bool SameBits(const Vec3& a, const Vec3& b) {
  return std::memcmp(&a, &b, sizeof(Vec3)) == 0;
}

void ExpectNear(const Vec3& actual, const Vec3& expected, double tolerance) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}

TEST(Vec3Arithmetic, ExactInDoubleCrossProductsLengthsAndAngles) {
  // 4097 * 4097 = 16785409 needs 25 bits: a float product would lose the last one.
  EXPECT_EQ(Dot(Vec3{4097, 0, 0}, Vec3{4097, 0, 0}), 16785409.0);
  Vec3 a{1, 2, 3};
  const Vec3 b{0.5f, -4, 10};
  EXPECT_EQ(a + b - b - b, (Vec3{0.5f, 6, -7}));
  a += b;
  a -= b;
  EXPECT_EQ(a *= 0.25, (Vec3{0.25f, 0.5f, 0.75f}));
  // The factor stays a double: 10 * 0.001 rounds once, to the float nearest 0.01
  // (a float factor would give 0.0100000007).
  EXPECT_EQ((Vec3{10, 0, 0} * 0.001).x, 0.01f);
  EXPECT_EQ((Vec3{3, 4, 5}.ScaleAbout(Vec3{1, 1, 1}, 2, 3, -1)), (Vec3{5, 10, -3}));
  // Cross products in place (each component needs the old value), into a result and aliased.
  EXPECT_EQ((Vec3{1, 2, 3}.Cross(Vec3{4, 5, 6})), (Vec3{-3, 6, -3}));
  // A vector crossed with itself is zero, not computed: inf - inf would give NaN.
  Vec3 self{kInf, 1, 2};
  EXPECT_TRUE(SameBits(self.Cross(self), Vec3{}));
  Vec3 d{1, 2, 3};
  EXPECT_EQ(CrossInto(d, d, Vec3{4, 5, 6}), (Vec3{-3, 6, -3}));
  EXPECT_EQ(Distance(Vec3{1, 1, 1}, Vec3{4, 5, 13}), 13.0);
  // Vectors shorter than the threshold are left alone.
  EXPECT_TRUE(SameBits(Vec3{}.Normalize(), Vec3{}));
  EXPECT_EQ((Vec3{3, -4, 0}.Normalize()), (Vec3{0.6f, -0.8f, 0}));
  // DivideAbs divides by the magnitude, unless that is below the threshold.
  Vec3 e{2, -4, 6};
  EXPECT_TRUE(SameBits(e.DivideAbs(0), Vec3{2, -4, 6}));
  EXPECT_EQ(e.DivideAbs(-2), (Vec3{1, -2, 3}));
  // Angles: the arc cosine is clamped.
  const double pi = static_cast<double>(kPi);
  const std::pair<double, double> acos_cases[] = {
      {0.99999, 0.0}, {-0.99999, pi}, {std::nan(""), pi}, {-0.5, std::acos(-0.5)}};
  for (auto [x, expected] : acos_cases) EXPECT_EQ(acos_clamped(x), expected) << x;
  // |a|*|b| = 1e-7 is below the threshold even though the vectors are perpendicular.
  EXPECT_EQ(AngleBetween(Vec3{1e-4f, 0, 0}, Vec3{0, 1e-3f, 0}), 0.0);
  EXPECT_NEAR(AngleBetween(Vec3{1, 0, 0}, Vec3{1, 1, 0}), std::acos(-1.0) / 4, 1e-7);
}

TEST(Vec3Rotation, SingleAxesEulerOrdersAndAxisRotations) {
  ExpectNear(Vec3{0, 1, 0}.RotateXDeg(90), Vec3{0, 0, 1}, 1e-7);
  ExpectNear(Vec3{0, 0, 1}.RotateYDeg(90), Vec3{1, 0, 0}, 1e-7);
  ExpectNear(Vec3{1, 0, 0}.RotateZDeg(90), Vec3{0, 1, 0}, 1e-7);
  // Degrees are turned into radians with the single-precision factor, not pi/180 in double.
  const double t = 30.0 * static_cast<double>(0.017453292f);
  EXPECT_TRUE(SameBits(Vec3{1, 2, 3}.RotateZDeg(30), Vec3{1, 2, 3}.RotateZ(t)));
  EXPECT_NE(t, 30.0 * std::acos(-1.0) / 180.0);
  const Vec3 angles{30, 45, 60};
  const Vec3 v{1, -2, 0.5f};
  const struct {
    int order;
    Vec3 expected;
  } cases[] = {
      {kEulerXYZ, Vec3{v}.RotateXDeg(30).RotateYDeg(45).RotateZDeg(60)},
      {MakeEulerOrder(3, 1, 0), Vec3{v}.RotateYDeg(45).RotateXDeg(30)},  // Z left out
      // X and Y both claim step 1: X wins and Y is never applied.
      {MakeEulerOrder(1, 1, 2), Vec3{v}.RotateXDeg(30).RotateZDeg(60)},
  };
  for (const auto& c : cases)
    EXPECT_TRUE(SameBits(Vec3{v}.RotateEuler(angles, c.order), c.expected)) << c.order;
  EXPECT_EQ(MakeEulerOrder(3, 1, 0), 0x34);  // the steps of X, Y and Z in bits 5-4, 3-2, 1-0
  ExpectNear(Vec3{2, 2, 3}.RotateEuler({0, 0, 90}, {1, 2, 3}, kEulerXYZ), Vec3{1, 3, 3}, 1e-6);
  const struct {
    Vec3 v, axis, expected;
  } quarter_turns[] = {{{0, 1, 0}, {1, 0, 0}, {0, 0, 1}},
                       {{1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
                       {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}},
                       {{1, 0, 0}, {0, -1, 0}, {0, 0, 1}}};
  for (const auto& q : quarter_turns)
    ExpectNear(Vec3{q.v}.RotateAxisDeg(90, q.axis), q.expected, 1e-6);
  // Tiny angles change nothing.
  const Vec3 w{0.1f, -7, 3.25f};
  EXPECT_TRUE(SameBits(Vec3{w}.RotateAxis(9.9e-7, Vec3{1, 2, 3}.Normalize()), w));
  // A general axis: a third of a turn about the diagonal cycles the coordinate axes.
  ExpectNear(Vec3{1, 0, 0}.RotateAxisDeg(120, Vec3{1, 1, 1}.Normalize()), Vec3{0, 1, 0}, 1e-6);
  // Axes near z are snapped onto it.
  const Vec3 near_z = Vec3{0.001f, 0.002f, 1}.Normalize();
  EXPECT_TRUE(SameBits(Vec3{w}.RotateAxis(1.1, near_z), Vec3{w}.RotateZ(1.1)));
  // Through a point: a point on the line stays, also when it is the vector itself.
  const Vec3 point{5, 5, 0};
  ExpectNear(Vec3{6, 5, 0}.RotateAxisDeg(90, Vec3{0, 0, 1}, point), Vec3{5, 6, 0}, 1e-6);
  Vec3 p = point;
  EXPECT_EQ(p.RotateAxisDeg(40, Vec3{0, 0, 1}, p), point);
}

void ExpectFrame(const Placement& p, const Vec3& x, const Vec3& y, const Vec3& z) {
  EXPECT_EQ(p.axis_X, x);
  EXPECT_EQ(p.axis_Y, y);
  EXPECT_EQ(p.axis_Z, z);
}

// The rotations turn only the frame, each axis exactly as the vector rotation turns it.
TEST(Placement, RotationsAndPointAlongTurnOnlyTheFrameAndTextLines) {
  Placement before;  // neither the default nor axis-aligned
  before.position = Vec3{1, 2, 3};
  before.axis_deg = Vec3{10, 20, 30};
  before.RotateAxesEuler(Vec3{10, 20, 30}, kEulerXYZ);
  // The frame's own axis as the rotation axis: all three turn about its original value.
  Placement r = before;
  r.RotateAxesAboutAxis(35, r.axis_Y);
  const Vec3 u = before.axis_Y;
  ExpectFrame(r, Vec3{before.axis_X}.RotateAxisDeg(35, u), Vec3{u}.RotateAxisDeg(35, u),
              Vec3{before.axis_Z}.RotateAxisDeg(35, u));
  EXPECT_TRUE(r.position == before.position && r.axis_deg == before.axis_deg);
  // Reset gives the default placement: at the origin, unturned, on the world axes.
  r.Reset();
  EXPECT_TRUE(r.position == Vec3{} && r.axis_deg == Vec3{});
  ExpectFrame(r, Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1});
  const struct {
    Vec3 direction, x, y, z;
  } cases[] = {
      // Off vertical by less than the threshold still counts as vertical.
      {{5e-7f, 1, -5e-7f}, {1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
      {{2, 0, 0}, {0, 0, -1}, {0, 1, 0}, {1, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "direction " << c.direction);
    Placement p = before;
    p.PointAlong(c.direction);
    ExpectFrame(p, c.x, c.y, c.z);
    EXPECT_TRUE(p.position == before.position && p.axis_deg == before.axis_deg);
  }
  // LookAt points from the position; no direction changes nothing.
  Placement p = before;
  p.LookAt(Vec3{1, 2, 10});
  ExpectFrame(p, Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1});
  p.LookAt(Vec3{1, 0, 3});
  EXPECT_EQ(p.axis_Z, (Vec3{0, -1, 0}));
  const Placement looked = p;
  p.LookAt(p.position);
  EXPECT_EQ(std::memcmp(&p, &looked, sizeof p), 0);
  // The text lines of the reset frame with some values set.
  r.position = Vec3{1, -2.5f, 0.1f};
  r.axis_deg = Vec3{0, 90, -1234567};
  r.axis_X = Vec3{0.5f, 0, -0.25f};
  const std::array<String, 5> lines = r.TextLines();
  const char* expected[5] = {"position <1,-2.5,0.1>", "axis_deg <0,90,-1.23457e+06>",
                             "axis_X <0.5,0,-0.25>", "axis_Y <0,1,0>", "axis_Z <0,0,1>"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(std::string(lines[i].c_str()), expected[i]) << i;
}

bool Inside(const BvhBox& box, const BvhNode& node) {
  return node.lo[0] <= box.lo.x && node.lo[1] <= box.lo.y && node.lo[2] <= box.lo.z &&
         node.hi[0] >= box.hi.x && node.hi[1] >= box.hi.y && node.hi[2] >= box.hi.z;
}

// Checks the subtree at `at`, adding the items of its leaves to `seen`; answers its depth.
int CheckNode(const Bvh& bvh, const std::vector<BvhBox>& boxes, uint32_t at,
              std::vector<int>* seen) {
  const BvhNode& node = bvh.Nodes()[at];
  if (node.count > 0) {
    EXPECT_LE(node.count, 16u);
    for (uint32_t k = node.index; k < node.index + node.count; ++k) {
      const uint32_t item = bvh.Items()[k];
      ++(*seen)[item];
      EXPECT_TRUE(Inside(boxes[item], node)) << "item " << item;
    }
    return 1;
  }
  int depth = 0;
  for (uint32_t child : {at + 1, node.index}) {
    const BvhNode& c = bvh.Nodes()[child];
    for (int a = 0; a < 3; ++a) {
      EXPECT_LE(node.lo[a], c.lo[a]);
      EXPECT_GE(node.hi[a], c.hi[a]);
    }
    depth = std::max(depth, CheckNode(bvh, boxes, child, seen));
  }
  return depth + 1;
}

// Every item sits in one leaf inside every box above it: for items that cannot be told apart,
// for node boxes beyond the float range (they become infinite) and for random boxes. The walk
// reaches exactly the leaves whose boxes the ray enters, and stops when asked.
TEST(Bvh, EveryItemSitsInOneLeafAndTheWalkReachesEveryLeafTheRayMeets) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> u(-20, 20);
  std::normal_distribution<float> g;
  std::vector<BvhBox> sets[3];
  const auto unit = [](Vec3 lo) { return BvhBox{lo, lo + Vec3{1, 1, 1}}; };
  sets[0].assign(1000, unit(Vec3{}));
  for (int i = 0; i < 300; ++i) {
    const Vec3 lo{1e37f * float(i % 3), -3e38f, 1e30f * float(i)};
    sets[1].push_back(BvhBox{lo, Vec3{lo.x, 3e38f, lo.z}});
  }
  for (int i = 0; i < 800; ++i) sets[2].push_back(unit(Vec3{u(rng), u(rng), u(rng)}));
  Bvh bvh;
  EXPECT_TRUE(bvh.Build({}, 4));
  EXPECT_TRUE(bvh.Empty());
  for (const auto& boxes : sets) {
    SCOPED_TRACE(boxes.size());
    ASSERT_TRUE(bvh.Build(boxes, boxes.size() == 800 ? 2 : 4));
    std::vector<int> seen(boxes.size(), 0);
    EXPECT_LE(CheckNode(bvh, boxes, 0, &seen), Bvh::kMaxDepth + 1);
    EXPECT_EQ(seen, std::vector<int>(boxes.size(), 1));
  }
  int reached_total = 0;
  for (int r = 0; r < 300; ++r) {
    Vec3 d{g(rng), g(rng), g(rng)};
    if (r % 5 == 0) d = Vec3{0, 0, 1};  // parallel to two axes
    d.Normalize();
    const BvhRay ray(Vec3{u(rng), u(rng), u(rng)}, d);
    std::vector<int> reached(bvh.Nodes().size(), 0);
    const double limit = HUGE_VAL;
    bvh.Traverse(ray, &limit, [&](uint32_t first, uint32_t) {
      for (uint32_t n = 0; n < bvh.Nodes().size(); ++n)
        if (bvh.Nodes()[n].count > 0 && bvh.Nodes()[n].index == first) ++reached[n];
      return false;
    });
    // Every leaf the ray meets is reached once (its parents are met too, their boxes being
    // larger); no other leaf is.
    for (uint32_t n = 0; n < bvh.Nodes().size(); ++n) {
      double enter = 0.0;
      if (bvh.Nodes()[n].count == 0) continue;
      EXPECT_EQ(reached[n], Bvh::Enters(ray, bvh.Nodes()[n], limit, &enter) ? 1 : 0) << r;
      reached_total += reached[n];
    }
    int visits = 0;  // the walk stops when the leaf answers true
    bvh.Traverse(ray, &limit, [&](uint32_t, uint32_t) { return ++visits == 1; });
    EXPECT_LE(visits, 1);
  }
  EXPECT_GT(reached_total, 150);  // most rays meet some leaves
}

using Pixel = std::pair<int, int>;

std::set<Pixel> SetPixels(const Bitmap& bm) {
  std::set<Pixel> pixels;
  for (int y = 0; y < bm.height; ++y)
    for (int x = 0; x < bm.width; ++x)
      if (bm.GetPixel(x, y)) pixels.insert({x, y});
  return pixels;
}

// One pixel in each of the 16 columns, at row y(x).
template <class RowFn>
std::set<Pixel> Columns(RowFn y) {
  std::set<Pixel> pixels;
  for (int x = 0; x < 16; ++x) pixels.insert({x, y(x)});
  return pixels;
}

const auto kDiagonal = Columns([](int x) { return x; });

TEST(BitmapTest, ConstructionCopyPixelsDitherAndPlanarConversions) {
  Bitmap bm(5, 3, 24);
  // A copy has the shape and dither size of its source, but fresh, cleared pixels.
  bm.MakeDitherMatrix(8);
  bm.SetPixel(2, 2, 7);
  Bitmap copy(bm);
  ASSERT_TRUE(copy.HasPixels());
  EXPECT_EQ((std::vector<int>{copy.width, copy.height, copy.bits, copy.bytesPerPixel}),
            (std::vector<int>{5, 3, 24, 3}));
  EXPECT_EQ(copy.GetPixel(2, 2), 0);
  ASSERT_EQ(copy.ditherSize, 8);
  EXPECT_TRUE(std::equal(copy.ditherMatrix, copy.ditherMatrix + 64, bm.ditherMatrix));
  // Pixels outside the image read 0 and ignore writes.
  Bitmap full(16, 16, 8);
  full.FillRectangle(0, 0, 15, 15, 9);
  for (Pixel p : {Pixel{-1, 0}, Pixel{16, 0}, Pixel{0, -1}, Pixel{0, 16}}) {
    EXPECT_EQ(full.GetPixel(p.first, p.second), 0);
    full.SetPixel(p.first, p.second, 1);
  }
  EXPECT_TRUE(std::all_of(full.data, full.data + 256, [](uint8_t b) { return b == 9; }));
  // Dither sizes round down to a power of two from 2 to 16.
  const std::pair<int, int> cases[] = {{-1, 2}, {3, 2}, {5, 4}, {15, 8}, {16, 16}, {1000, 16}};
  for (auto [requested, expected] : cases) EXPECT_EQ(Bitmap::DitherSizeFor(requested), expected);
  ASSERT_EQ(full.MakeDitherMatrix(5), 1);
  ASSERT_EQ(full.ditherSize, 4);
  const uint8_t expected[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};
  EXPECT_TRUE(std::equal(expected, expected + 16, full.ditherMatrix));
  // Planar to chunky and back.
  Bitmap chunky(16, 4, 8);
  std::mt19937 rng(7);
  std::vector<uint8_t> planar(16 * 4);
  for (auto& b : planar) b = static_cast<uint8_t>(rng());
  planar[0] = 0x80;              // plane 0, row 0: pixel 0 gets bit 0
  planar[7 * 2 * 4 + 2] = 0x01;  // plane 7, row 1: pixel 7 gets bit 7
  std::copy(planar.begin(), planar.end(), chunky.data);
  ASSERT_EQ(chunky.PlanarToChunky(), 1);
  EXPECT_EQ(chunky.GetPixel(0, 0) & 0x01, 0x01);
  EXPECT_EQ(chunky.GetPixel(7, 1) & 0x80, 0x80);
  std::vector<uint8_t> back(chunky.PlanarSize());
  ASSERT_EQ(chunky.ChunkyToPlanar(back.data(), back.size()), 1);
  EXPECT_EQ(back, planar);
  EXPECT_EQ(chunky.ChunkyToPlanar(back.data(), back.size() - 1), 0);
}

// Bad sizes and failed allocations give a bitmap without pixels that is safe to use.
TEST(BitmapTest, BadSizesAndFailedAllocations) {
  std::ostringstream errors;
  SetErrorOutput(&errors);
  const std::string no_memory = "(ERROR) Bitmap: no memory!\n";
  const int sizes[][3] = {{0, 5, 8}, {4, INT_MIN, 8}, {4, 4, 0}, {4, 4, 33}};
  for (const auto& s : sizes) {
    Bitmap bm(s[0], s[1], s[2]);
    EXPECT_FALSE(bm.HasPixels());
    EXPECT_EQ(bm.width * bm.height, 0);
  }
  EXPECT_EQ(errors.str(), "");  // refused silently: the caller reports bad sizes
  Bitmap over_cap(16385, 16384, 8);
  EXPECT_FALSE(over_cap.HasPixels());
  EXPECT_EQ(errors.str(), no_memory);
  FailNextAllocations(1);
  Bitmap bm(16, 16, 8);
  EXPECT_FALSE(bm.HasPixels());
  bm.SetPixel(0, 0, 1);
  EXPECT_EQ(bm.GetPixel(0, 0), 0);
  bm.DrawLine(0, 0, 15, 15, 1);
  bm.DrawRectangle(0, 0, 15, 15, 1);
  bm.FillRectangle(0, 0, 15, 15, 1);
  uint8_t planes[256] = {};
  EXPECT_TRUE(bm.PlanarToChunky() == 0 && bm.ChunkyToPlanar(planes, sizeof planes) == 0);
  EXPECT_EQ(bm.PlanarSize(), 0u);
  EXPECT_FALSE(Bitmap(bm).HasPixels());
  // A failed helper allocation changes nothing.
  Bitmap row(8, 1, 8);
  row.data[0] = 0xFF;
  FailNextAllocations(1);
  EXPECT_EQ(row.PlanarToChunky(), 0);
  EXPECT_EQ(row.data[0], 0xFF);
  FailNextAllocations(1);
  EXPECT_EQ(row.MakeDitherMatrix(16), 0);
  EXPECT_EQ(row.ditherSize, 2);
  EXPECT_EQ(row.ditherMatrix[1], 2);
  SetErrorOutput(nullptr);
  FailNextAllocations(0);
  EXPECT_EQ(errors.str(), no_memory + no_memory + no_memory + no_memory);
}

TEST(BitmapTest, LineClippingTiesAndRectangles) {
  Bitmap bm(16, 16, 8);
  // The end points of the last drawing after clipping.
  const auto ends = [&] { return std::vector<int>{bm.clipX1, bm.clipY1, bm.clipX2, bm.clipY2}; };
  bm.DrawLine(-10, 5, -1, 9, 1);
  EXPECT_TRUE(SetPixels(bm).empty());
  bm.DrawLine(-8, -8, 23, 23, 1);
  EXPECT_EQ(SetPixels(bm), kDiagonal);
  // The first point became inside, so the points were exchanged before the second was clipped.
  EXPECT_EQ(ends(), std::vector<int>({15, 15, 0, 0}));
  // Left of and below the window: the left edge is taken first (bottom first would give y 14).
  bm.DrawLine(-4, 20, 8, 4, 1);
  EXPECT_EQ(ends(), std::vector<int>({0, 15, 8, 4}));
  bm.DrawLine(3, -5, 5, 20, 1);  // above, then below: the top edge, then the bottom one
  EXPECT_EQ(ends(), std::vector<int>({5, 15, 3, 0}));
  Bitmap extreme(16, 16, 8);
  extreme.DrawLine(INT_MIN, INT_MIN, INT_MAX, INT_MAX, 1);
  EXPECT_EQ(SetPixels(extreme), kDiagonal);
  // Nearly horizontal across all of x: it crosses the image at y 7.5, as the true line does.
  Bitmap flat(16, 16, 8);
  flat.DrawLine(INT_MIN, 0, INT_MAX, 15, 1);
  EXPECT_EQ(SetPixels(flat), Columns([](int x) { return x < 8 ? 7 : 8; }));
  // On a tie (error term 0) the minor coordinate is kept, so direction matters.
  Bitmap reversed(8, 8, 8);
  reversed.DrawLine(4, 2, 0, 0, 1);
  EXPECT_EQ(SetPixels(reversed), std::set<Pixel>({{4, 2}, {3, 2}, {2, 1}, {1, 1}, {0, 0}}));
  // A window reaching past the image sideways is narrowed to it; a write left or right of
  // the image would wrap into the neighbouring rows.
  Bitmap wide(16, 16, 8);
  wide.clipLeft = INT_MIN;
  wide.clipRight = INT_MAX;
  wide.clipTop = 4;
  wide.clipBottom = 12;
  wide.FillRectangle(-9, 0, -1, 15, 1);  // wholly left of the window
  EXPECT_TRUE(SetPixels(wide).empty());
  wide.DrawRectangle(INT_MIN, 4, INT_MAX, INT_MAX, 1);
  EXPECT_EQ(SetPixels(wide), Columns([](int) { return 4; }));
}

}  // namespace
}  // namespace orvane
