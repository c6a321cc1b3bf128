#include "foundation/vec3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace orvane {
namespace {

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

TEST(Vec3Arithmetic, ExactInDoubleAndCrossProducts) {
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
  // Cross products in place, into a result and aliased.
  Vec3 c{1, 2, 3};
  EXPECT_EQ(c.Cross(Vec3{4, 5, 6}), (Vec3{-3, 6, -3}));  // each component needs the old c
  // A vector crossed with itself is zero, not computed: inf - inf would give NaN.
  Vec3 self{kInf, 1, 2};
  EXPECT_TRUE(SameBits(self.Cross(self), Vec3{}));
  Vec3 d{1, 2, 3};
  EXPECT_EQ(CrossInto(d, d, Vec3{4, 5, 6}), (Vec3{-3, 6, -3}));
}

TEST(Vec3Length, LengthNormalizeDivideAndAngle) {
  EXPECT_EQ(Distance(Vec3{1, 1, 1}, Vec3{4, 5, 13}), 13.0);
  // Vectors shorter than the threshold are left alone.
  EXPECT_TRUE(SameBits(Vec3{}.Normalize(), Vec3{}));
  EXPECT_EQ((Vec3{3, -4, 0}.Normalize()), (Vec3{0.6f, -0.8f, 0}));
  // DivideAbs divides by the magnitude, unless that is below the threshold.
  const Vec3 v{2, -4, 6};
  Vec3 d = v;
  EXPECT_TRUE(SameBits(d.DivideAbs(0), v));
  EXPECT_EQ(d.DivideAbs(-2), (Vec3{1, -2, 3}));
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
  // Euler order codes pick the steps.
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
  for (const auto& c : cases) {
    EXPECT_TRUE(SameBits(Vec3{v}.RotateEuler(angles, c.order), c.expected)) << c.order;
  }
  EXPECT_EQ(MakeEulerOrder(3, 1, 0), 0x34);  // the steps of X, Y and Z in bits 5-4, 3-2, 1-0
  const Vec3 centre{1, 2, 3};
  ExpectNear(Vec3{2, 2, 3}.RotateEuler(Vec3{0, 0, 90}, centre, kEulerXYZ), Vec3{1, 3, 3}, 1e-6);
  // Rotations about an axis: special axes and angles.
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
  const Vec3 axis = Vec3{1, 2, 3}.Normalize();
  Vec3 r = w;
  EXPECT_TRUE(SameBits(r.RotateAxis(9.9e-7, axis), w));
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

}  // namespace
}  // namespace orvane
