#include "foundation/vec3.h"

#include <cmath>
#include <ostream>

namespace orvane {

namespace {

// Widening helper: every formula below multiplies and adds in double.
constexpr double D(float v) {
  return static_cast<double>(v);
}
constexpr float F(double v) {
  return static_cast<float>(v);
}

// The step (0 = none) that one field of an Euler order code assigns to an axis.
int EulerStep(int order, int shift) {
  return (order >> shift) & 3;
}

}  // namespace

double acos_clamped(double x) {
  if (x >= kAcosClamp) return 0.0;
  if (x <= -kAcosClamp || std::isnan(x)) return kPi;
  return std::acos(x);
}




Vec3& Vec3::ScaleAbout(const Vec3& c, double sx, double sy, double sz) {
  x = F((D(x) - D(c.x)) * sx + D(c.x));
  y = F((D(y) - D(c.y)) * sy + D(c.y));
  z = F((D(z) - D(c.z)) * sz + D(c.z));
  return *this;
}

// With b being this vector both operands are the result: CrossInto answers (0,0,0).
Vec3& Vec3::Cross(const Vec3& b) {
  return CrossInto(*this, *this, b);
}




Vec3& Vec3::RotateX(double t) {
  const double c = std::cos(t);
  const double s = std::sin(t);
  const double y0 = y;
  const double z0 = z;
  y = F(c * y0 - s * z0);
  z = F(s * y0 + c * z0);
  return *this;
}

Vec3& Vec3::RotateY(double t) {
  const double c = std::cos(t);
  const double s = std::sin(t);
  const double x0 = x;
  const double z0 = z;
  x = F(s * z0 + c * x0);
  z = F(c * z0 - s * x0);
  return *this;
}

Vec3& Vec3::RotateZ(double t) {
  const double c = std::cos(t);
  const double s = std::sin(t);
  const double x0 = x;
  const double y0 = y;
  x = F(c * x0 - s * y0);
  y = F(s * x0 + c * y0);
  return *this;
}

Vec3& Vec3::RotateXDeg(double degrees) {
  return RotateX(degrees * D(kDegToRad));
}
Vec3& Vec3::RotateYDeg(double degrees) {
  return RotateY(degrees * D(kDegToRad));
}
Vec3& Vec3::RotateZDeg(double degrees) {
  return RotateZ(degrees * D(kDegToRad));
}

Vec3& Vec3::RotateEuler(const Vec3& degrees, int order) {
  const Vec3 angles = degrees;  // may be this vector
  for (int step = 1; step <= 3; ++step) {
    if (EulerStep(order, 4) == step) {
      RotateXDeg(angles.x);
    } else if (EulerStep(order, 2) == step) {
      RotateYDeg(angles.y);
    } else if (EulerStep(order, 0) == step) {
      RotateZDeg(angles.z);
    }
  }
  return *this;
}

Vec3& Vec3::RotateEuler(const Vec3& degrees, const Vec3& centre, int order) {
  const Vec3 angles = degrees;  // either may be this vector
  const Vec3 c = centre;
  for (int step = 1; step <= 3; ++step) {
    const bool by_x = EulerStep(order, 4) == step;
    const bool by_y = !by_x && EulerStep(order, 2) == step;
    const bool by_z = !by_x && !by_y && EulerStep(order, 0) == step;
    if (!by_x && !by_y && !by_z) continue;
    *this -= c;
    if (by_x) {
      RotateXDeg(angles.x);
    } else if (by_y) {
      RotateYDeg(angles.y);
    } else {
      RotateZDeg(angles.z);
    }
    *this += c;
  }
  return *this;
}

// Turns the axis onto +Z (about X by alpha into the XZ plane, then about Y by beta), rotates
// about Z by t and turns back.
Vec3& Vec3::RotateAxis(double t, const Vec3& axis) {
  if (std::fabs(t) < kEps) return *this;
  Vec3 p{0.0f, axis.y, axis.z};
  if (p.Length() >= kEps) p.Normalize();
  double alpha = acos_clamped(p.z);
  if (p.y < 0.0f) alpha = -alpha;
  Vec3 in_xz = axis;
  in_xz.RotateX(alpha);
  double beta = acos_clamped(in_xz.z);
  if (axis.x >= 0.0f) beta = -beta;
  // Everything derived from the axis is known before the vector (possibly the axis) moves.
  RotateX(alpha);
  RotateY(beta);
  RotateZ(t);
  RotateY(-beta);
  RotateX(-alpha);
  return *this;
}

Vec3& Vec3::RotateAxisDeg(double degrees, const Vec3& axis) {
  return RotateAxis(degrees * D(kDegToRad), axis);
}

Vec3& Vec3::RotateAxisDeg(double degrees, const Vec3& axis, const Vec3& point) {
  const Vec3 p = point;  // may be this vector
  const Vec3 u = axis;
  *this -= p;
  RotateAxisDeg(degrees, u);
  *this += p;
  return *this;
}





Vec3& CrossInto(Vec3& r, const Vec3& a, const Vec3& b) {
  if (&a == &r && &b == &r) {
    r = Vec3{};
    return r;
  }
  const Vec3 result{F(D(a.y) * D(b.z) - D(a.z) * D(b.y)), F(D(a.z) * D(b.x) - D(a.x) * D(b.z)),
                    F(D(a.x) * D(b.y) - D(a.y) * D(b.x))};
  r = result;
  return r;
}

Vec3 Cross(const Vec3& a, const Vec3& b) {
  Vec3 r;
  return CrossInto(r, a, b);
}


double AngleBetween(const Vec3& a, const Vec3& b) {
  const double lengths = a.Length() * b.Length();
  if (lengths < kEps) return 0.0;
  return acos_clamped(Dot(a, b) / lengths);
}

std::ostream& operator<<(std::ostream& out, const Vec3& v) {
  const std::streamsize old_precision = out.precision(9);
  out << '(' << v.x << ", " << v.y << ", " << v.z << ')';
  out.precision(old_precision);
  return out;
}

}  // namespace orvane
