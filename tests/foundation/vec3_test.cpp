#include "foundation/vec3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

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

// Right-handed rotation of v by t radians about the unit axis u, in double (Rodrigues).
Vec3 Reference(const Vec3& v, const Vec3& u, double t) {
  const Vec3 uxv = Cross(u, v);
  const double c = std::cos(t), s = std::sin(t), k = Dot(u, v) * (1.0 - c);
  return Vec3{static_cast<float>(v.x * c + uxv.x * s + u.x * k),
              static_cast<float>(v.y * c + uxv.y * s + u.y * k),
              static_cast<float>(v.z * c + uxv.z * s + u.z * k)};
}

// Random unit vectors and angles from a fixed seed.
struct Sampler {
  std::mt19937 rng{20240611u};
  std::uniform_real_distribution<float> unit{-1.0f, 1.0f};
  Vec3 Direction() {
    for (;;) {
      Vec3 v{unit(rng), unit(rng), unit(rng)};
      const double length = v.Length();
      if (length > 0.1 && length <= 1.0) return v.Normalize();
    }
  }
  Vec3 Point() { return Direction() * (10.0 * unit(rng)); }
  double Angle() { return 3.0 * unit(rng); }
};

TEST(Vec3Arithmetic, DotIsFormedInDouble) {
  // 4097 * 4097 = 16785409 needs 25 bits: a float product would lose the last one.
  EXPECT_EQ(Dot(Vec3{4097, 0, 0}, Vec3{4097, 0, 0}), 16785409.0);
  EXPECT_EQ(Dot(Vec3{1, 2, 3}, Vec3{-4, 5, 0.5f}), 7.5);
}

TEST(Vec3Arithmetic, SumsDifferencesAndScaling) {
  Vec3 a{1, 2, 3};
  const Vec3 b{0.5f, -4, 10};
  EXPECT_EQ(a + b, (Vec3{1.5f, -2, 13}));
  EXPECT_EQ(a - b, (Vec3{0.5f, 6, -7}));
  EXPECT_EQ(a * -2.0, (Vec3{-2, -4, -6}));
  EXPECT_EQ(a, (Vec3{1, 2, 3}));  // the new-vector forms leave their operands alone
  EXPECT_EQ(&(a += b), &a);
  EXPECT_EQ(a, (Vec3{1.5f, -2, 13}));
  a -= b;
  a *= 0.25;
  EXPECT_EQ(a, (Vec3{0.25f, 0.5f, 0.75f}));
  // The factor stays a double: 10 * 0.001 rounds once, to the float nearest 0.01
  // (a float factor would give 0.0100000007).
  EXPECT_EQ((Vec3{10, 0, 0} * 0.001).x, 0.01f);
  EXPECT_EQ((Vec3{10, 0, 0}.ScaleAbout(Vec3{}, 0.001, 1, 1)).x, 0.01f);
}

TEST(Vec3Arithmetic, ScaleAboutCentre) {
  Vec3 v{3, 4, 5};
  v.ScaleAbout(Vec3{1, 1, 1}, 2, 3, -1);
  EXPECT_EQ(v, (Vec3{5, 10, -3}));
  Vec3 c{7, -8, 9};
  c.ScaleAbout(c, 5, 5, 5);  // the centre itself stays put
  EXPECT_EQ(c, (Vec3{7, -8, 9}));
}

TEST(Vec3Arithmetic, EqualityIsExact) {
  EXPECT_TRUE((Vec3{1, 2, 3}) == (Vec3{1, 2, 3}));
  EXPECT_FALSE((Vec3{1, 2, 3}) == (Vec3{1, 2, std::nextafter(3.0f, 4.0f)}));
  EXPECT_FALSE((Vec3{1, 2, 3}) == (Vec3{3, 2, 1}));
}

TEST(Vec3Cross, InPlaceAndIntoResult) {
  const Vec3 x{1, 0, 0}, y{0, 1, 0};
  EXPECT_EQ(Cross(x, y), (Vec3{0, 0, 1}));
  EXPECT_EQ(Cross(y, x), (Vec3{0, 0, -1}));
  Vec3 a{1, 2, 3};
  a.Cross(Vec3{4, 5, 6});  // every component needs the old values of a
  EXPECT_EQ(a, (Vec3{-3, 6, -3}));
}

TEST(Vec3Cross, AliasRules) {
  Vec3 self{kInf, 1, 2};
  self.Cross(self);  // computed, inf - inf would give NaN
  EXPECT_TRUE(SameBits(self, Vec3{}));

  Vec3 r{kInf, 1, 2};
  CrossInto(r, r, r);
  EXPECT_TRUE(SameBits(r, Vec3{}));

  Vec3 a{1, 2, 3};
  const Vec3 b{4, 5, 6};
  EXPECT_EQ(CrossInto(a, a, b), (Vec3{-3, 6, -3}));
  Vec3 c{4, 5, 6};
  EXPECT_EQ(CrossInto(c, Vec3{1, 2, 3}, c), (Vec3{-3, 6, -3}));
}

TEST(Vec3Length, LengthAndDistance) {
  EXPECT_EQ((Vec3{3, 4, 12}).Length(), 13.0);
  EXPECT_EQ(Distance(Vec3{1, 1, 1}, Vec3{4, 5, 13}), 13.0);
  EXPECT_EQ(Distance(Vec3{4, 5, 13}, Vec3{1, 1, 1}), 13.0);
  EXPECT_EQ((Vec3{}).Length(), 0.0);
}

TEST(Vec3Length, NormalizeLeavesTinyVectorsAlone) {
  Vec3 zero{};
  EXPECT_TRUE(SameBits(zero.Normalize(), Vec3{}));
  const Vec3 tiny{3e-7f, 4e-7f, 0};  // length 5e-7
  Vec3 t = tiny;
  EXPECT_TRUE(SameBits(t.Normalize(), tiny));
  Vec3 small{2e-6f, 0, 0};  // above the threshold: normalized
  EXPECT_EQ(small.Normalize(), (Vec3{1, 0, 0}));
  Vec3 v{3, -4, 0};
  EXPECT_EQ(v.Normalize(), (Vec3{0.6f, -0.8f, 0}));
}

TEST(Vec3Length, DivideUsesMagnitudeAndThreshold) {
  const Vec3 v{2, -4, 6};
  Vec3 a = v;
  EXPECT_TRUE(SameBits(a.DivideAbs(0), v));
  EXPECT_TRUE(SameBits(a.DivideAbs(-1e-7), v));
  EXPECT_EQ(a.DivideAbs(-2), (Vec3{1, -2, 3}));
  Vec3 b{1, 0, 0};
  EXPECT_EQ(b.DivideAbs(kEps).x, static_cast<float>(1.0 / kEps));  // exactly at the threshold
}

TEST(Vec3Angle, ClampedArcCosine) {
  EXPECT_EQ(acos_clamped(0.99999), 0.0);
  EXPECT_EQ(acos_clamped(2.0), 0.0);
  EXPECT_EQ(acos_clamped(-0.99999), static_cast<double>(kPi));
  EXPECT_EQ(acos_clamped(-7.0), static_cast<double>(kPi));
  EXPECT_EQ(acos_clamped(std::nan("")), static_cast<double>(kPi));
  EXPECT_EQ(acos_clamped(0.9999), std::acos(0.9999));
  EXPECT_EQ(acos_clamped(-0.5), std::acos(-0.5));
}

TEST(Vec3Angle, AngleBetweenEdgeCases) {
  EXPECT_EQ(AngleBetween(Vec3{}, Vec3{1, 2, 3}), 0.0);
  EXPECT_EQ(AngleBetween(Vec3{1, 2, 3}, Vec3{}), 0.0);
  // |a|*|b| = 1e-7 is below the threshold even though the vectors are perpendicular.
  EXPECT_EQ(AngleBetween(Vec3{1e-4f, 0, 0}, Vec3{0, 1e-3f, 0}), 0.0);
  EXPECT_EQ(AngleBetween(Vec3{1, 0, 0}, Vec3{-1, 0, 0}), 3.1415927f);
  EXPECT_EQ(AngleBetween(Vec3{1, 0, 0}, Vec3{-2, 0, 0}), 3.1415927f);
  // cos = 1 / sqrt(1 + 1e-5) = 0.999995: inside the clamp.
  EXPECT_EQ(AngleBetween(Vec3{1, 0, 0}, Vec3{1, 0.0031623f, 0}), 0.0);
  EXPECT_DOUBLE_EQ(AngleBetween(Vec3{2, 0, 0}, Vec3{0, 0, 5}), std::acos(0.0));
  EXPECT_NEAR(AngleBetween(Vec3{1, 0, 0}, Vec3{1, 1, 0}), std::acos(-1.0) / 4, 1e-7);
}

TEST(Vec3Rotation, SingleAxesAreRightHanded) {
  ExpectNear(Vec3{0, 1, 0}.RotateXDeg(90), Vec3{0, 0, 1}, 1e-7);
  ExpectNear(Vec3{0, 0, 1}.RotateYDeg(90), Vec3{1, 0, 0}, 1e-7);
  ExpectNear(Vec3{1, 0, 0}.RotateZDeg(90), Vec3{0, 1, 0}, 1e-7);
  ExpectNear(Vec3{0, 0, 1}.RotateX(std::acos(-1.0) / 2), Vec3{0, -1, 0}, 1e-7);
  ExpectNear(Vec3{1, 0, 0}.RotateY(std::acos(-1.0) / 2), Vec3{0, 0, -1}, 1e-7);
  // An axis's own component does not change.
  EXPECT_EQ((Vec3{0.3f, 1, 2}.RotateXDeg(33).x), 0.3f);
  EXPECT_EQ((Vec3{1, 0.3f, 2}.RotateYDeg(33).y), 0.3f);
  EXPECT_EQ((Vec3{1, 2, 0.3f}.RotateZDeg(33).z), 0.3f);
}

TEST(Vec3Rotation, DegreesUseTheSinglePrecisionFactor) {
  const double t = 30.0 * static_cast<double>(0.017453292f);
  EXPECT_TRUE(SameBits(Vec3{1, 2, 3}.RotateZDeg(30), Vec3{1, 2, 3}.RotateZ(t)));
  EXPECT_NE(t, 30.0 * std::acos(-1.0) / 180.0);  // the factor is not pi/180 in double
}

TEST(Vec3Euler, OrderCodesPickTheSteps) {
  const Vec3 angles{30, 45, 60};
  const Vec3 v{1, -2, 0.5f};
  Vec3 only_y = v;
  EXPECT_TRUE(SameBits(only_y.RotateEuler(angles, kEulerY), Vec3{v}.RotateYDeg(45)));
  Vec3 xyz = v;
  EXPECT_TRUE(SameBits(xyz.RotateEuler(angles, kEulerXYZ),
                       Vec3{v}.RotateXDeg(30).RotateYDeg(45).RotateZDeg(60)));
  Vec3 zy = v;
  EXPECT_TRUE(SameBits(zy.RotateEuler(angles, kEulerZY), Vec3{v}.RotateZDeg(60).RotateYDeg(45)));
  // Y in step 1, X in step 3, Z left out.
  Vec3 yx = v;
  EXPECT_TRUE(SameBits(yx.RotateEuler(angles, MakeEulerOrder(3, 1, 0)),
                       Vec3{v}.RotateYDeg(45).RotateXDeg(30)));
  // X and Y both claim step 1: X wins and Y is never applied; Z in step 2.
  Vec3 clash = v;
  EXPECT_TRUE(SameBits(clash.RotateEuler(angles, MakeEulerOrder(1, 1, 2)),
                       Vec3{v}.RotateXDeg(30).RotateZDeg(60)));
  Vec3 none = v;
  EXPECT_TRUE(SameBits(none.RotateEuler(angles, 0), v));
  Vec3 high_bits = v;  // bits above the three fields are ignored
  EXPECT_TRUE(SameBits(high_bits.RotateEuler(angles, 64 + kEulerY), Vec3{v}.RotateYDeg(45)));
}

TEST(Vec3Euler, AboutACentre) {
  const Vec3 centre{1, 2, 3};
  Vec3 v{2, 2, 3};
  v.RotateEuler(Vec3{0, 0, 90}, centre, kEulerXYZ);
  ExpectNear(v, Vec3{1, 3, 3}, 1e-6);
  Vec3 c = centre;  // the centre itself does not move, even when it is the vector
  EXPECT_EQ(c.RotateEuler(Vec3{10, 20, 30}, c, kEulerXYZ), centre);
  const Vec3 w{-4, 0.5f, 7};
  Vec3 about_origin = w;
  about_origin.RotateEuler(Vec3{10, 20, 30}, Vec3{}, kEulerZYX);
  EXPECT_TRUE(SameBits(about_origin, Vec3{w}.RotateEuler(Vec3{10, 20, 30}, kEulerZYX)));
}

TEST(Vec3AxisRotation, CoordinateAxes) {
  ExpectNear(Vec3{0, 1, 0}.RotateAxisDeg(90, Vec3{1, 0, 0}), Vec3{0, 0, 1}, 1e-6);
  ExpectNear(Vec3{1, 0, 0}.RotateAxisDeg(90, Vec3{0, 0, 1}), Vec3{0, 1, 0}, 1e-6);
  ExpectNear(Vec3{0, 0, 1}.RotateAxisDeg(90, Vec3{0, 1, 0}), Vec3{1, 0, 0}, 1e-6);
  ExpectNear(Vec3{1, 0, 0}.RotateAxisDeg(90, Vec3{0, -1, 0}), Vec3{0, 0, 1}, 1e-6);
  ExpectNear(Vec3{1, 0, 0}.RotateAxisDeg(90, Vec3{0, 0, -1}), Vec3{0, -1, 0}, 1e-6);
  ExpectNear(Vec3{0, 1, 0}.RotateAxisDeg(90, Vec3{-1, 0, 0}), Vec3{0, 0, -1}, 1e-6);
}

TEST(Vec3AxisRotation, TinyAnglesChangeNothing) {
  const Vec3 v{0.1f, -7, 3.25f};
  const Vec3 axis = Vec3{1, 2, 3}.Normalize();
  Vec3 r = v;
  EXPECT_TRUE(SameBits(r.RotateAxis(9.9e-7, axis), v));
  EXPECT_TRUE(SameBits(r.RotateAxis(-9.9e-7, axis), v));
  EXPECT_TRUE(SameBits(r.RotateAxisDeg(5e-5, axis), v));  // 8.7e-7 radians
  EXPECT_FALSE(SameBits(r.RotateAxis(1e-3, axis), v));
}

TEST(Vec3AxisRotation, MatchesRightHandedRotationForGeneralAxes) {
  Sampler sample;
  int checked = 0;
  while (checked < 300) {
    const Vec3 u = sample.Direction();
    // Away from the clamp, where axes are snapped onto the coordinate planes.
    if (std::fabs(u.x) < 0.01f || std::fabs(u.y) < 0.01f * std::hypot(u.y, u.z)) continue;
    const Vec3 v = sample.Point();
    const double t = sample.Angle();
    Vec3 r = v;
    r.RotateAxis(t, u);
    const double tolerance = 2e-5 * (1 + v.Length());
    ExpectNear(r, Reference(v, u, t), tolerance);
    EXPECT_NEAR(r.Length(), v.Length(), tolerance);
    r.RotateAxis(-t, u);
    ExpectNear(r, v, tolerance);
    ++checked;
  }
}

TEST(Vec3AxisRotation, AxesNearZAreSnappedOntoIt) {
  const Vec3 v{1, 0.5f, -2};
  const double t = 1.1;
  const Vec3 near_z = Vec3{0.001f, 0.002f, 1}.Normalize();
  EXPECT_TRUE(SameBits(Vec3{v}.RotateAxis(t, near_z), Vec3{v}.RotateZ(t)));
  const Vec3 off_z = Vec3{0, 0.01f, 1}.Normalize();  // outside the clamp: a real tilt
  EXPECT_FALSE(SameBits(Vec3{v}.RotateAxis(t, off_z), Vec3{v}.RotateZ(t)));
}

TEST(Vec3AxisRotation, ThroughAPoint) {
  const Vec3 point{5, 5, 0};
  Vec3 v{6, 5, 0};
  v.RotateAxisDeg(90, Vec3{0, 0, 1}, point);
  ExpectNear(v, Vec3{5, 6, 0}, 1e-6);
  Vec3 p = point;  // a point on the line stays, also when it is the vector itself
  EXPECT_EQ(p.RotateAxisDeg(40, Vec3{0, 0, 1}, p), point);
  Vec3 a = Vec3{1, 1, 1}.Normalize();  // rotating the axis about itself keeps it
  const Vec3 a0 = a;
  ExpectNear(a.RotateAxisDeg(70, a), a0, 1e-6);
}

}  // namespace
}  // namespace orvane
