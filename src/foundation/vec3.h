#pragma once
// Vec3: three 32-bit floats, the one geometric record of the system (points, directions,
// normals, per-axis scale factors and triples of angles in degrees).
//
// Numbers: every operation forms its intermediate products in double precision and stores
// its result back as float, following the written formulas and their order of operations,
// so that results are bit-for-bit repeatable. Scalar arguments are doubles; lengths, dot
// products and angles are answered as doubles.
//
// Units: angles are radians unless the name ends in "Deg"; degrees are turned into radians
// by multiplying (in double) with kDegToRad. All rotations are right-handed about the
// positive axis: RotateZ(+90 degrees) takes +X to +Y.
//
// Aliasing: an argument may be the vector being changed. Vec3::Cross(b) with b being the
// vector itself gives (0,0,0); CrossInto(r, a, b) gives (0,0,0) when a and b are both r and
// the ordinary cross product when only one of them is r. Centres, points, axes and angle
// triples may likewise be the vector itself; they are read before anything is written.
//
// Thresholds: kEps (1e-6 as a float) marks a length, divisor or angle as too small to use;
// such operations leave the vector unchanged.

#include <cmath>
#include <iosfwd>
#include <type_traits>

namespace orvane {

inline constexpr float kDegToRad = 0.017453292f;
inline constexpr float kRadToDeg = 57.29578f;
inline constexpr float kEps = 1e-6f;
inline constexpr float kPi = 3.1415927f;
// acos_clamped answers 0 and kPi from this far out.
inline constexpr double kAcosClamp = 0.99999;

// Euler order codes: bits 5-4 hold the step (1, 2 or 3) of the X rotation, bits 3-2 the
// step of the Y rotation, bits 1-0 the step of the Z rotation; a field of 0 leaves that
// axis out. Bits above bit 5 are ignored.
constexpr int MakeEulerOrder(int x_step, int y_step, int z_step) {
  return ((x_step & 3) << 4) | ((y_step & 3) << 2) | (z_step & 3);
}
inline constexpr int kEulerXYZ = 27;  // X, then Y, then Z
inline constexpr int kEulerZYX = 57;  // Z, then Y, then X: undoes kEulerXYZ with negated angles
inline constexpr int kEulerY = 8;     // Y only
inline constexpr int kEulerZY = 9;    // Z, then Y
static_assert(MakeEulerOrder(1, 2, 3) == kEulerXYZ && MakeEulerOrder(3, 2, 1) == kEulerZYX &&
              MakeEulerOrder(0, 2, 0) == kEulerY && MakeEulerOrder(0, 2, 1) == kEulerZY);

// Arc cosine in radians: 0 for x >= 0.99999, kPi for x <= -0.99999 and for NaN, else acos(x).
// The clamp snaps nearly (anti)parallel directions onto exactly 0 or pi.
double acos_clamped(double x);

struct Vec3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;

  // Copying is plain assignment. Equality compares the three components exactly (so
  // -0 equals +0 and NaN equals nothing).
  bool operator==(const Vec3& b) const = default;

  Vec3& operator+=(const Vec3& b);
  Vec3& operator-=(const Vec3& b);
  Vec3& operator*=(double s);
  Vec3 operator-() const { return Vec3{-x, -y, -z}; }

  // v := (v - c) * (sx, sy, sz) + c, component by component.
  Vec3& ScaleAbout(const Vec3& c, double sx, double sy, double sz);

  // v := v x b; (0,0,0) when b is this vector.
  Vec3& Cross(const Vec3& b);

  // sqrt(x*x + y*y + z*z).
  double Length() const;
  // Divides by the length; a vector shorter than kEps is left unchanged.
  Vec3& Normalize();
  // Divides each component by |s|, so signs never change; |s| < kEps leaves it unchanged.
  Vec3& DivideAbs(double s);

  // Single-axis rotations by t radians (or by degrees).
  Vec3& RotateX(double t);
  Vec3& RotateY(double t);
  Vec3& RotateZ(double t);
  Vec3& RotateXDeg(double degrees);
  Vec3& RotateYDeg(double degrees);
  Vec3& RotateZDeg(double degrees);

  // The Euler sequence: for steps 1, 2 and 3 in turn, rotates about X by degrees.x when the
  // X field of `order` names the step, else about Y by degrees.y when the Y field does, else
  // about Z by degrees.z when the Z field does (at most one rotation per step).
  Vec3& RotateEuler(const Vec3& degrees, int order);
  // The same, each step rotating about `centre` instead of the origin.
  Vec3& RotateEuler(const Vec3& degrees, const Vec3& centre, int order);

  // Right-handed rotation by t radians about `axis` through the origin. The axis is used
  // as given (callers pass unit axes); one within the acos_clamped clamp of a coordinate
  // axis is snapped onto it. |t| < kEps leaves the vector bit-for-bit unchanged.
  Vec3& RotateAxis(double t, const Vec3& axis);
  Vec3& RotateAxisDeg(double degrees, const Vec3& axis);
  // About the line through `point` along `axis`.
  Vec3& RotateAxisDeg(double degrees, const Vec3& axis, const Vec3& point);
};

static_assert(sizeof(Vec3) == 12, "Vec3 is three packed floats");
static_assert(std::is_standard_layout_v<Vec3>);
static_assert(std::is_trivially_copyable_v<Vec3>);

// The small operations are defined here, so that the tracer's inner loops inline them; each
// widens to double, computes in the order written and rounds once, as everywhere else.
//
// Sums and differences of two floats rounded once to float are the same whether the
// addition runs in float or in double, so the plain float operators are used.
inline Vec3& Vec3::operator+=(const Vec3& b) {
  x += b.x;
  y += b.y;
  z += b.z;
  return *this;
}

inline Vec3& Vec3::operator-=(const Vec3& b) {
  x -= b.x;
  y -= b.y;
  z -= b.z;
  return *this;
}

inline Vec3& Vec3::operator*=(double s) {
  x = static_cast<float>(static_cast<double>(x) * s);
  y = static_cast<float>(static_cast<double>(y) * s);
  z = static_cast<float>(static_cast<double>(z) * s);
  return *this;
}

inline double Vec3::Length() const {
  const double dx = x;
  const double dy = y;
  const double dz = z;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

inline Vec3& Vec3::Normalize() {
  const double length = Length();
  if (length < kEps) return *this;
  x = static_cast<float>(static_cast<double>(x) / length);
  y = static_cast<float>(static_cast<double>(y) / length);
  z = static_cast<float>(static_cast<double>(z) / length);
  return *this;
}

inline Vec3& Vec3::DivideAbs(double s) {
  const double divisor = std::fabs(s);
  if (divisor < kEps) return *this;
  x = static_cast<float>(static_cast<double>(x) / divisor);
  y = static_cast<float>(static_cast<double>(y) / divisor);
  z = static_cast<float>(static_cast<double>(z) / divisor);
  return *this;
}

// a.x*b.x + a.y*b.y + a.z*b.z in double.
inline double Dot(const Vec3& a, const Vec3& b) {
  return static_cast<double>(a.x) * b.x + static_cast<double>(a.y) * b.y +
         static_cast<double>(a.z) * b.z;
}

inline Vec3 operator+(const Vec3& a, const Vec3& b) {
  Vec3 r = a;
  return r += b;
}

inline Vec3 operator-(const Vec3& a, const Vec3& b) {
  Vec3 r = a;
  return r -= b;
}

inline Vec3 operator*(const Vec3& a, double s) {
  Vec3 r = a;
  return r *= s;
}
// r := a x b = (a.y*b.z - a.z*b.y, a.z*b.x - a.x*b.z, a.x*b.y - a.y*b.x); returns r.
Vec3& CrossInto(Vec3& r, const Vec3& a, const Vec3& b);
// a x b as a new vector.
Vec3 Cross(const Vec3& a, const Vec3& b);
// The length of b - a (the difference formed as a Vec3).
inline double Distance(const Vec3& a, const Vec3& b) {
  return (b - a).Length();
}
// acos_clamped(Dot(a, b) / (|a| * |b|)) in radians; 0 when |a| * |b| < kEps.
double AngleBetween(const Vec3& a, const Vec3& b);

// "(x, y, z)" with nine significant digits, enough to tell any two floats apart (diagnostics).
std::ostream& operator<<(std::ostream& out, const Vec3& v);

}  // namespace orvane
