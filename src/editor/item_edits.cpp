#include "editor/item_edits.h"

#include <cmath>

#include "scene/mesh_object.h"
#include "scene/scene_object.h"

namespace orvane::editor {

namespace {

Ray StepRay(const Vec3& step) {
  Ray ray;
  ray.length = 1.0f;
  ray.direction = step;
  return ray;
}

bool IsZero(const Vec3& v) {
  return v.x == 0.0f && v.y == 0.0f && v.z == 0.0f;
}

// One turn of `degrees` about the item's own axis `own_axis` (copied: the turn changes the
// frame it points into).
void Turn(SceneObject& item, float degrees, Vec3 own_axis, bool frame_only) {
  if (degrees == 0.0f) return;
  if (frame_only) {
    item.placement.RotateAxesAboutAxis(degrees, own_axis);
  } else {
    item.RotateAxesAboutAxis(degrees, own_axis);
  }
}

}  // namespace

void MoveItem(SceneObject& item, EditMode mode, const Vec3& step) {
  if (IsZero(step)) return;
  switch (mode) {
    case EditMode::kObject:
      item.Move(StepRay(step));
      break;
    case EditMode::kAxis:
      item.placement.position = item.placement.position + step;
      break;
    case EditMode::kTexture:
      if (item.GetType() != kItemMesh) return;
      if (SceneObject* mapping = static_cast<MeshObject&>(item).mapping_object) {
        mapping->Move(StepRay(step));
        mapping->preview_dirty = 1;
      }
      break;
    case EditMode::kPoints:
      return;
  }
  item.preview_dirty = 1;
}

void MovePoints(MeshObject& mesh, const PointSelection& selection, const Vec3& step) {
  if (IsZero(step)) return;
  for (uint32_t i = 0; i < selection.count(); ++i) {
    Vec3* p = mesh.GetPoint(selection.point(i));
    if (!p) continue;
    *p = *p + step * selection.weight(i);
  }
  mesh.Refresh();
  mesh.preview_dirty = 1;
}

void SetItemAngles(SceneObject& item, const Vec3& degrees, bool frame_only) {
  const Vec3 old = item.placement.axis_deg;
  Turn(item, -old.z, item.placement.axis_Z, frame_only);
  Turn(item, -old.x, item.placement.axis_X, frame_only);
  Turn(item, -old.y, item.placement.axis_Y, frame_only);
  Turn(item, degrees.y, item.placement.axis_Y, frame_only);
  Turn(item, degrees.x, item.placement.axis_X, frame_only);
  Turn(item, degrees.z, item.placement.axis_Z, frame_only);
  item.placement.axis_deg = degrees;
  item.preview_dirty = 1;
}

float RasterStep(float c, float* sum, float g) {
  *sum += c;
  if (std::fabs(*sum) <= g) return 0.0f;
  const float snapped = *sum - std::fmod(*sum, g);
  *sum = 0.0f;
  return snapped;
}

float MagnetWeight(float d, float r, Falloff falloff) {
  const float t = (r - d) / r;
  switch (falloff) {
    case Falloff::kQuadratic:
      return t * t;
    case Falloff::kRoot:
      return std::sqrt(t);
    case Falloff::kConstant:
      return 1.0f;
    case Falloff::kLinear:
      break;
  }
  return t;
}

}  // namespace orvane::editor
