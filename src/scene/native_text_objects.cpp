// The native (scene-language) text of the scene items: one block per item, read back by the
// scene definition commands. Flags are written only where they differ from a fresh item's.

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

constexpr char kMappingSuffix[] = "_mat_object";

// Copies the native lines of `item` into `lines` and releases the item's text. Any text the
// item had cached (in whatever format) is dropped first.
void AppendItemText(LIST& lines, SceneObject& item) {
  item.FreeText();
  if (LIST* text = item.WriteNative()) {
    for (ListNode* n = text->head; n; n = n->next) {
      if (const auto* line = dynamic_cast<const String*>(n->item)) AppendTextLine(lines, *line);
    }
  }
  item.FreeText();
}

void AppendMaterialLine(LIST& lines, const Material* material) {
  if (material) AppendTextLine(lines, WordLine("material", material->name));
}

// "is_visible <0>", "has_shadow <0>", "gets_shadow <0>": each only when the flag is off.
void AppendVisibilityLine(LIST& lines, const SceneObject& item) {
  if (!item.HasFlag(kIsVisible)) AppendTextLine(lines, "is_visible <0>\n");
}

void AppendShadowLines(LIST& lines, const SceneObject& item) {
  if (!item.HasFlag(kHasShadow)) AppendTextLine(lines, "has_shadow <0>\n");
  if (!item.HasFlag(kGetsShadow)) AppendTextLine(lines, "gets_shadow <0>\n");
}

const char* PlaneTypeWord(int type) {
  switch (type) {
    case kPlaneCircle:
      return "circle";
    case kPlaneRectangle:
      return "rectangle";
    case kPlaneEllipse:
      return "ellipse";
    default:
      return "infinite";
  }
}

}  // namespace

// camera NAME{ <placement> zoom <z> }   (the only block closed by a single line feed)
void Camera::BuildNativeText(LIST& lines) {
  AppendTextLine(lines, BlockHeaderLine("camera", name));
  AppendPlacementLines(lines, placement);
  AppendTextLine(lines, NumberLine("zoom", zoom));
  AppendTextLine(lines, "}\n");
}

// light NAME{ <placement> color <r,g,b> decrease <n> spot_angle <deg> fall_off <deg>
//             type point|spot has_shadow <b> parallel <b> }
// The colour is the effective one (base colour times brightness), so the brightness itself
// is not written; the decrease loses its fraction.
void LightSource::BuildNativeText(LIST& lines) {
  AppendTextLine(lines, BlockHeaderLine("light", name));
  AppendPlacementLines(lines, placement);
  AppendTextLine(lines, ColourLine("color", color));
  AppendTextLine(lines, IntegerLine("decrease", TruncatedInteger(decrease)));
  AppendTextLine(lines, NumberLine("spot_angle", LightAngleToDegrees(spot_angle)));
  AppendTextLine(lines, NumberLine("fall_off", LightAngleToDegrees(fall_off)));
  AppendTextLine(lines, WordLine("type", light_type == kSpotLight ? "spot" : "point"));
  AppendTextLine(lines, HasFlag(kHasShadow) ? "has_shadow <1>\n" : "has_shadow <0>\n");
  AppendTextLine(lines, parallel ? "parallel <1>\n" : "parallel <0>\n");
  AppendTextLine(lines, "}\n\n");
}

// object NAME{ <placement> <the member blocks in order> }
void GroupObject::BuildNativeText(LIST& lines) {
  AppendTextLine(lines, BlockHeaderLine("object", name));
  AppendPlacementLines(lines, placement);
  for (ListNode* n = members.head; n; n = n->next) {
    if (auto* member = dynamic_cast<SceneObject*>(n->item)) AppendItemText(lines, *member);
  }
  AppendTextLine(lines, "}\n\n");
}

// sphere NAME{ <placement> radius <r> [material M] [flags] }
void MathSphere::BuildNativeText(LIST& lines) {
  AppendTextLine(lines, BlockHeaderLine("sphere", name));
  AppendPlacementLines(lines, placement);
  AppendTextLine(lines, NumberLine("radius", radius_));
  AppendMaterialLine(lines, material);
  AppendVisibilityLine(lines, *this);
  AppendShadowLines(lines, *this);
  AppendTextLine(lines, "}\n\n");
}

// plane NAME{ <placement> radius_X <rx> radius_Y <ry> type T [single_side] [material M]
//             [flags] }
// "single_side" keeps a one-sided plane one-sided when the file is read back.
void MathPlane::BuildNativeText(LIST& lines) {
  AppendTextLine(lines, BlockHeaderLine("plane", name));
  AppendPlacementLines(lines, placement);
  AppendTextLine(lines, NumberLine("radius_X", radius_X_));
  AppendTextLine(lines, NumberLine("radius_Y", radius_Y_));
  AppendTextLine(lines, WordLine("type", PlaneTypeWord(plane_type_)));
  if (single_sided_) AppendTextLine(lines, "single_side\n");
  AppendMaterialLine(lines, material);
  AppendVisibilityLine(lines, *this);
  AppendShadowLines(lines, *this);
  AppendTextLine(lines, "}\n\n");
}

// <the mapping object's block>
// points NAME{ number <n> <x,y,z>... }
// trimesh NAME{ <placement> points NAME triangles <n> <a,b,c>... [material M]
//               [material_object NAME_mat_object] [flags] }
// The mapping object is prepared for the file: it gets the mesh's material, is made invisible
// and is named after the mesh, so that loading can tell it apart and hand it back. Triangles
// whose corners lie beyond the points are left out, as the reader would refuse them.
void MeshObject::BuildNativeText(LIST& lines) {
  if (mapping_object) {
    mapping_object->material = material;
    mapping_object->SetFlag(kIsVisible, false);
    mapping_object->name = name + kMappingSuffix;
    AppendItemText(lines, *mapping_object);
  }

  AppendTextLine(lines, BlockHeaderLine("points", name));
  AppendTextLine(lines, IntegerLine("number", static_cast<long>(point_count)));
  for (uint32_t i = 0; points && i < point_count; ++i) {
    AppendTextLine(lines, VectorLine("", points[i].x, points[i].y, points[i].z));
  }
  AppendTextLine(lines, "}\n\n");

  AppendTextLine(lines, BlockHeaderLine("trimesh", name));
  AppendPlacementLines(lines, placement);
  AppendTextLine(lines, WordLine("points", name));
  long written = 0;
  for (uint32_t i = 0; triangles && i < triangle_count; ++i)
    written += TriangleInRange(triangles[i]);
  AppendTextLine(lines, IntegerLine("triangles", written));
  for (uint32_t i = 0; triangles && i < triangle_count; ++i) {
    const Triangle& t = triangles[i];
    if (TriangleInRange(t)) AppendTextLine(lines, IntegerTripleLine("", t.a, t.b, t.c));
  }
  AppendMaterialLine(lines, material);
  if (mapping_object) AppendTextLine(lines, WordLine("material_object", mapping_object->name));
  AppendVisibilityLine(lines, *this);
  if (HasFlag(kUsePhong)) AppendTextLine(lines, "use_phong <1>\n");
  AppendShadowLines(lines, *this);
  AppendTextLine(lines, "}\n\n");
}

}  // namespace orvane
