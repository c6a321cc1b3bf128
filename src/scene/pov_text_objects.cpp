// The POV-Ray text of the scene items. Coordinates are written as they are; vectors as
// "<x,y,z>". Numbers are "%5.2f", mesh vertices and the plane transforms "%g". Objects refer
// to their material's texture declarations (render/material.h): spheres and meshes to
// "NAME_sph", planes and meshes mapped by a plane to "NAME_pln"; an item without a material to
// those of the default material "standard". A group writes its members one after another.
//
// Spot lights write their fully lit cone as POV-Ray's "radius" and the outer cone (spot angle
// plus fall-off, where the light has faded to nothing) as its "falloff", both in degrees
// measured from the light's direction.

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

constexpr double kLightRadToDeg = 57.29578;
constexpr double kAngleRadToDeg = 114.59156;
constexpr double kReferenceHalfWidth = 160.0;

String Fixed(double v) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%5.2f", v);
  return String(buffer);
}

String FixedVector(double x, double y, double z) {
  return String("<") + Fixed(x) + "," + Fixed(y) + "," + Fixed(z) + ">";
}

String FixedVector(const Vec3& v) {
  return FixedVector(v.x, v.y, v.z);
}

String GeneralVector(double x, double y, double z) {
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, "<%g,%g,%g>", x, y, z);
  return String(buffer);
}

String GeneralVector(const Vec3& v) {
  return GeneralVector(v.x, v.y, v.z);
}

// Whether turning the standard frame by the placement angles (about Y, then X, then Z) gives the
// item's frame. Items turned by "normal", "view" or axis statements keep angles that do not
// describe their frame.
bool FrameFollowsAngles(const Placement& placement) {
  Placement turned;
  turned.RotateAxesEuler(placement.axis_deg, MakeEulerOrder(2, 1, 3));
  const auto close = [](const Vec3& a, const Vec3& b) {
    return std::fabs(a.x - b.x) < 1e-3f && std::fabs(a.y - b.y) < 1e-3f &&
           std::fabs(a.z - b.z) < 1e-3f;
  };
  return close(turned.axis_X, placement.axis_X) && close(turned.axis_Y, placement.axis_Y) &&
         close(turned.axis_Z, placement.axis_Z);
}

// The POV-Ray texture name of the item's material (without "_sph"/"_pln").
String MaterialName(const SceneObject& item) {
  return item.material ? PovTextureName(item.material->name) : String("standard");
}

}  // namespace

// The opening angle for a 320-pixel-wide picture, whose focal distance is the effective zoom.
void Camera::BuildPovText(LIST& lines) {
  const Vec3& p = placement.position;
  const Vec3& d = placement.axis_Z;
  const double f = effective_zoom;
  const double angle = std::atan2(2.0 * kReferenceHalfWidth / (2.0 * f), 1.0) * kAngleRadToDeg;
  AppendTextLine(lines, "camera {\n");
  AppendTextLine(lines, String("location ") + FixedVector(p) + "\n");
  AppendTextLine(lines,
                 String("look_at ") +
                     FixedVector(static_cast<double>(p.x) + d.x, static_cast<double>(p.y) + d.y,
                                 static_cast<double>(p.z) + d.z) +
                     "\n");
  AppendTextLine(lines, String("angle ") + Fixed(angle) + "\n");
  AppendTextLine(lines, "}\n");
}

void LightSource::BuildPovText(LIST& lines) {
  const Vec3& p = placement.position;
  const Vec3& d = placement.axis_Z;
  AppendTextLine(lines, "light_source {\n");
  AppendTextLine(lines, FixedVector(p) + "\n");
  AppendTextLine(lines, String("color rgb ") +
                            FixedVector(color.r / 255.0, color.g / 255.0, color.b / 255.0) + "\n");
  AppendTextLine(lines, String("fade_distance ") + Fixed(decrease) + "\n");
  AppendTextLine(lines, "fade_power 1\n");
  if (!HasFlag(kHasShadow)) AppendTextLine(lines, "shadowless\n");
  if (light_type == kSpotLight) {
    AppendTextLine(lines, "spotlight\n");
    AppendTextLine(lines, String("radius ") + Fixed(spot_angle * kLightRadToDeg) + "\n");
    AppendTextLine(lines, String("falloff ") +
                              Fixed((static_cast<double>(spot_angle) + fall_off) * kLightRadToDeg) +
                              "\n");
    AppendTextLine(lines,
                   String("point_at ") +
                       FixedVector(static_cast<double>(p.x) + d.x, static_cast<double>(p.y) + d.y,
                                   static_cast<double>(p.z) + d.z) +
                       "\n");
  }
  AppendTextLine(lines, "}\n");
}

void GroupObject::BuildPovText(LIST& lines) {
  for (ListNode* n = members.head; n; n = n->next) {
    auto* member = dynamic_cast<SceneObject*>(n->item);
    if (!member) continue;
    member->FreeText();
    if (LIST* member_text = member->WritePov()) {
      for (ListNode* m = member_text->head; m; m = m->next) {
        if (const auto* line = dynamic_cast<const String*>(m->item)) AppendTextLine(lines, *line);
      }
    }
    member->FreeText();
  }
}

void MathSphere::BuildPovText(LIST& lines) {
  AppendTextLine(lines, "sphere {\n");
  AppendTextLine(lines, FixedVector(placement.position) + "," + Fixed(radius_) + "\n");
  AppendTextLine(lines, String("texture {") + MaterialName(*this) + "_sph}\n");
  AppendTextLine(lines, "}\n");
}

// A unit box or disc centred at the origin, scaled by the radii, turned by the placement
// angles (Y, then X, then Z) — or, when those angles do not give the plane's frame, by the
// frame itself — and moved to the position. An unlimited plane (infinite, or a
// circle without a positive radius) writes nothing.
void MathPlane::BuildPovText(LIST& lines) {
  const bool bounded = plane_type_ == kPlaneRectangle || plane_type_ == kPlaneEllipse ||
                       (plane_type_ == kPlaneCircle && radius_X_ > 0.0f);
  if (!bounded) return;
  if (plane_type_ == kPlaneRectangle) {
    AppendTextLine(lines, "box { <0,0,0>,<1,1,0>\n");
  } else {
    AppendTextLine(lines, "cylinder { <0.5,0.5,0>,<0.5,0.5,0.0001>,0.5\n");
  }
  const double ry = plane_type_ == kPlaneCircle ? radius_X_ : radius_Y_;
  const Vec3& deg = placement.axis_deg;
  AppendTextLine(lines, String("texture {") + MaterialName(*this) + "_pln }\n");
  AppendTextLine(lines, "translate <-0.5,-0.5,0>\n");
  AppendTextLine(lines, String("scale ") + GeneralVector(radius_X_, ry, 0.0) + "\n");
  if (FrameFollowsAngles(placement)) {
    AppendTextLine(lines, String("rotate ") + GeneralVector(0.0, deg.y, 0.0) + "\n");
    AppendTextLine(lines, String("rotate ") + GeneralVector(deg.x, 0.0, 0.0) + "\n");
    AppendTextLine(lines, String("rotate ") + GeneralVector(0.0, 0.0, deg.z) + "\n");
  } else {
    // The angles would turn the plane elsewhere: the frame itself, as rows of a matrix that
    // takes the unit square's x, y and z onto axis_X, axis_Y and axis_Z.
    const Vec3& x = placement.axis_X;
    const Vec3& y = placement.axis_Y;
    const Vec3& z = placement.axis_Z;
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, "matrix <%g,%g,%g, %g,%g,%g, %g,%g,%g, 0,0,0>\n", x.x, x.y,
                  x.z, y.x, y.y, y.z, z.x, z.y, z.z);
    AppendTextLine(lines, buffer);
  }
  AppendTextLine(lines, String("translate ") + GeneralVector(placement.position) + "\n");
  AppendTextLine(lines, "}\n");
}

// Triangles whose corners lie beyond the points are left out.
void MeshObject::BuildPovText(LIST& lines) {
  if (IsPath()) return;
  AppendTextLine(lines, "object {\n");
  AppendTextLine(lines, "union {\n");
  for (uint32_t i = 0; points && triangles && i < triangle_count; ++i) {
    const Triangle& t = triangles[i];
    if (!TriangleInRange(t)) continue;
    AppendTextLine(lines, "triangle {\n");
    AppendTextLine(lines, GeneralVector(points[t.a]) + ",\n");
    AppendTextLine(lines, GeneralVector(points[t.b]) + ",\n");
    AppendTextLine(lines, GeneralVector(points[t.c]) + "\n}\n");
  }
  const bool planar = dynamic_cast<const MathPlane*>(mapping_object) != nullptr;
  AppendTextLine(lines,
                 String("texture {") + MaterialName(*this) + (planar ? "_pln" : "_sph") + "}\n");
  AppendTextLine(lines, "}\n");
  AppendTextLine(lines, "}\n");
}

}  // namespace orvane
