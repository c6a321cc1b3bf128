// The VRML 1.0 text of the scene items. The file's handedness differs from the scene's, so
// every position and direction is written with z negated (radii and colours are not; a zero
// z stays "0", not "-0"). Numbers
// are "%5.2f" (small values keep a leading blank), mesh vertices and plane outline points
// "%g". A group is a "Separator" around its members; a member's material lines are indented
// by one tab more than its nesting depth.

#include <cmath>
#include <cstdio>

#include "material/material.h"
#include "material/native_text.h"
#include "scene/camera.h"
#include "scene/group_object.h"
#include "scene/light_source.h"
#include "scene/math_plane.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"

namespace orvane {

namespace {

// Outline samples of circles and ellipses: every 0.1 radian from 0 while below a full turn
// (0, 0.1, ..., 6.2: 63 points).
constexpr double kOutlineStep = 0.1;
constexpr int kOutlineSamples = 63;
// Guards the parent walk against a (faulty) cycle.
constexpr int kMaxDepth = 1 << 16;

String Fixed(double v) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%5.2f", v);
  return String(buffer);
}

// "x y -z" in "%5.2f".
String FixedPoint(const Vec3& p) {
  return Fixed(p.x) + " " + Fixed(p.y) + " " + Fixed(0.0 - static_cast<double>(p.z));
}

// "x y -z,\n" in "%g".
String PointLine(double x, double y, double z) {
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, "%g %g %g,\n", x, y, 0.0 - z);
  return String(buffer);
}

int NestingDepth(const SceneObject& item) {
  int depth = 0;
  for (const GroupObject* p = item.parent; p && depth < kMaxDepth; p = p->parent) ++depth;
  return depth;
}

// The material's VRML lines, each indented by depth + 1 tabs; a fresh material stands in for
// a missing one.
void AppendMaterialLines(LIST& lines, const SceneObject& item) {
  Material fallback;
  Material& material = item.material ? *item.material : fallback;
  String indent;
  for (int i = NestingDepth(item); i >= 0; --i) indent += "\t";
  material.FreeText();
  if (LIST* text = material.WriteVrml()) {
    for (ListNode* n = text->head; n; n = n->next) {
      if (const auto* line = dynamic_cast<const String*>(n->item)) {
        AppendTextLine(lines, indent + *line);
      }
    }
  }
  material.FreeText();
}

void AppendFaceSet(LIST& lines, const String& indices) {
  AppendTextLine(lines, "IndexedFaceSet {\n");
  AppendTextLine(lines, "coordIndex [\n");
  AppendTextLine(lines, indices);
  AppendTextLine(lines, "]\n");
  AppendTextLine(lines, "}\n");
}

}  // namespace

void Camera::BuildVrmlText(LIST& lines) {
  AppendTextLine(lines, "PerspectiveCamera {\n");
  AppendTextLine(lines, String("position ") + FixedPoint(placement.position) + "\n");
  AppendTextLine(lines, String("orientation ") + FixedPoint(placement.axis_Z) + " 0\n");
  AppendTextLine(lines, "heightAngle 0.7853\n");
  AppendTextLine(lines, "focalDistance 5\n");
  AppendTextLine(lines, "}\n");
}

void LightSource::BuildVrmlText(LIST& lines) {
  const bool spot = light_type == kSpotLight;
  if (spot) {
    AppendTextLine(lines, "SpotLight {\n");
  } else {
    AppendTextLine(lines, parallel ? "DirectionalLight {\n" : "PointLight {\n");
  }
  AppendTextLine(lines, "on TRUE\n");
  AppendTextLine(lines, "intensity 1\n");
  AppendTextLine(lines, String("color ") + Fixed(color.r / 255.0) + " " + Fixed(color.g / 255.0) +
                            " " + Fixed(color.b / 255.0) + "\n");
  if (!parallel) AppendTextLine(lines, String("location ") + FixedPoint(placement.position) + "\n");
  if (spot) {
    AppendTextLine(lines, String("direction ") + FixedPoint(placement.axis_Z) + "\n");
    AppendTextLine(lines, "dropOffRate 0\n");
    AppendTextLine(lines, String("cutOffAngle ") + Fixed(spot_angle) + "\n");
  } else if (parallel) {
    AppendTextLine(lines, String("direction ") + FixedPoint(placement.axis_Z) + "\n");
  }
  AppendTextLine(lines, "}\n");
}

void GroupObject::BuildVrmlText(LIST& lines) {
  AppendTextLine(lines, "Separator {\n");
  for (ListNode* n = members.head; n; n = n->next) {
    auto* member = dynamic_cast<SceneObject*>(n->item);
    if (!member) continue;
    member->FreeText();
    if (LIST* member_text = member->WriteVrml()) {
      for (ListNode* m = member_text->head; m; m = m->next) {
        if (const auto* line = dynamic_cast<const String*>(m->item)) AppendTextLine(lines, *line);
      }
    }
    member->FreeText();
  }
  AppendTextLine(lines, "}\n");
}

void MathSphere::BuildVrmlText(LIST& lines) {
  AppendTextLine(lines, "Separator {\n");
  AppendMaterialLines(lines, *this);
  AppendTextLine(lines, "Transform {\n");
  AppendTextLine(lines, String("translation ") + FixedPoint(placement.position) + "\n");
  AppendTextLine(lines, "}\n");
  AppendTextLine(lines, "Sphere {\n");
  AppendTextLine(lines, String("radius ") + Fixed(radius_) + "\n");
  AppendTextLine(lines, "}\n");
  AppendTextLine(lines, "}\n");
}

// Rectangles: the corners C + rX X + rY Y, C - rX X + rY Y, C - rX X - rY Y, C + rX X - rY Y.
// Circles (radius radius_X, as traced) and ellipses: the outline samples. An unlimited plane
// (infinite, or a circle without a positive radius) writes nothing.
void MathPlane::BuildVrmlText(LIST& lines) {
  const bool bounded = plane_type_ == kPlaneRectangle || plane_type_ == kPlaneEllipse ||
                       (plane_type_ == kPlaneCircle && radius_X_ > 0.0f);
  if (!bounded) return;
  const Vec3& c = placement.position;
  const Vec3& x = placement.axis_X;
  const Vec3& y = placement.axis_Y;
  const double rx = radius_X_;
  const double ry = plane_type_ == kPlaneCircle ? radius_X_ : radius_Y_;
  auto point = [&](double sx, double sy) {
    return PointLine(c.x + sx * x.x + sy * y.x, c.y + sx * x.y + sy * y.y,
                     c.z + sx * x.z + sy * y.z);
  };

  AppendTextLine(lines, "Separator {\n");
  AppendMaterialLines(lines, *this);
  AppendTextLine(lines, "Coordinate3 {\n");
  AppendTextLine(lines, "point [\n");
  String face;
  if (plane_type_ == kPlaneRectangle) {
    AppendTextLine(lines, point(rx, ry));
    AppendTextLine(lines, point(-rx, ry));
    AppendTextLine(lines, point(-rx, -ry));
    AppendTextLine(lines, point(rx, -ry));
    face = "0,1,2,3,-1\n";
  } else {
    String number;
    for (int i = 0; i < kOutlineSamples; ++i) {
      const double a = i * kOutlineStep;
      AppendTextLine(lines, point(rx * std::cos(a), ry * std::sin(a)));
      face += number.Str(static_cast<long>(i));
      face += ",";
    }
    face += "-1\n";
  }
  AppendTextLine(lines, "]\n");
  AppendTextLine(lines, "}\n");
  AppendFaceSet(lines, face);
  AppendTextLine(lines, "}\n");
}

// Triangles whose corners lie beyond the points are left out.
void MeshObject::BuildVrmlText(LIST& lines) {
  if (IsPath()) return;
  AppendTextLine(lines, "Separator {\n");
  AppendMaterialLines(lines, *this);
  AppendTextLine(lines, "Coordinate3 {\n");
  AppendTextLine(lines, "point [\n");
  for (uint32_t i = 0; points && i < point_count; ++i) {
    AppendTextLine(lines, PointLine(points[i].x, points[i].y, points[i].z));
  }
  AppendTextLine(lines, "]\n");
  AppendTextLine(lines, "}\n");
  AppendTextLine(lines, "IndexedFaceSet {\n");
  AppendTextLine(lines, "coordIndex [\n");
  for (uint32_t i = 0; triangles && i < triangle_count; ++i) {
    const Triangle& t = triangles[i];
    if (!TriangleInRange(t)) continue;
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%u,%u,%u,-1,\n", static_cast<unsigned>(t.a),
                  static_cast<unsigned>(t.b), static_cast<unsigned>(t.c));
    AppendTextLine(lines, buffer);
  }
  AppendTextLine(lines, "]\n");
  AppendTextLine(lines, "}\n");
  AppendTextLine(lines, "}\n");
}

}  // namespace orvane
