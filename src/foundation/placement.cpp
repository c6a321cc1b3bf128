#include "foundation/placement.h"

#include <cmath>

namespace orvane {

namespace {

// "<keyword> <x,y,z>"; the keyword carries its own " <".
String VectorLine(const char* keyword, const Vec3& v) {
  String line(keyword);
  String number;
  line += number.Str(v.x);
  line += ",";
  line += number.Str(v.y);
  line += ",";
  line += number.Str(v.z);
  line += ">";
  return line;
}

}  // namespace

void Placement::Reset() {
  *this = Placement{};
}

void Placement::RotateAxesEuler(const Vec3& degrees, int order) {
  const Vec3 angles = degrees;  // may be one of the axes
  axis_X.RotateEuler(angles, order);
  axis_Y.RotateEuler(angles, order);
  axis_Z.RotateEuler(angles, order);
}

void Placement::RotateAxesAboutAxis(double degrees, const Vec3& axis) {
  const Vec3 u = axis;  // may be one of the axes
  const double t = degrees * static_cast<double>(kDegToRad);
  axis_X.RotateAxis(t, u);
  axis_Y.RotateAxis(t, u);
  axis_Z.RotateAxis(t, u);
}

void Placement::PointAlong(const Vec3& direction) {
  if (direction.Length() < kEps) return;
  axis_Z = direction;
  axis_Z.Normalize();
  if (std::fabs(axis_Z.z) < kEps && std::fabs(axis_Z.x) < kEps) {
    const float sign = axis_Z.y >= 0.0f ? 1.0f : -1.0f;
    axis_Z = Vec3{0.0f, sign, 0.0f};
    axis_X = Vec3{1.0f, 0.0f, 0.0f};
    axis_Y = Vec3{0.0f, 0.0f, sign};
    return;
  }
  const Vec3 up{0.0f, 1.0f, 0.0f};
  axis_X = Cross(up, axis_Z).Normalize();
  axis_Y = -Cross(axis_X, axis_Z).Normalize();
}

void Placement::LookAt(const Vec3& point) {
  PointAlong(point - position);
}

std::array<String, 5> Placement::TextLines() const {
  return {VectorLine("position <", position), VectorLine("axis_deg <", axis_deg),
          VectorLine("axis_X <", axis_X), VectorLine("axis_Y <", axis_Y),
          VectorLine("axis_Z <", axis_Z)};
}

}  // namespace orvane
