#include "editor/item_edits.h"

#include <algorithm>
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

MeshObject* AsMesh(SceneObject* item) {
  return item && item->GetType() == kItemMesh ? static_cast<MeshObject*>(item) : nullptr;
}

namespace {

constexpr float kMinPointScale = 0.0001f;

// Calls `change(point, weight)` for every selected point that exists, then refreshes the mesh.
template <class Change>
void ChangePoints(MeshObject& mesh, const PointSelection& selection, Change change) {
  for (uint32_t i = 0; i < selection.count(); ++i) {
    if (Vec3* p = mesh.GetPoint(selection.point(i))) change(*p, selection.weight(i));
  }
  mesh.Refresh();
  mesh.preview_dirty = 1;
}

}  // namespace

void MovePoints(MeshObject& mesh, const PointSelection& selection, const Vec3& step) {
  if (IsZero(step)) return;
  ChangePoints(mesh, selection, [&](Vec3& p, float weight) { p = p + step * weight; });
}

void TurnPoints(MeshObject& mesh, PointSelection& selection, const Vec3& degrees) {
  const Placement& frame = mesh.placement;
  ChangePoints(mesh, selection, [&](Vec3& p, double weight) {
    p.RotateAxisDeg(degrees.y * weight, frame.axis_Y, frame.position);
    p.RotateAxisDeg(degrees.x * weight, frame.axis_X, frame.position);
    p.RotateAxisDeg(degrees.z * weight, frame.axis_Z, frame.position);
  });
  selection.rotation = selection.rotation + degrees;
}

void ScalePoints(MeshObject& mesh, PointSelection& selection, Vec3 factors) {
  factors = Vec3{std::max(factors.x, kMinPointScale), std::max(factors.y, kMinPointScale),
                 std::max(factors.z, kMinPointScale)};
  // A point of weight 0 stays, one of weight 1 takes the factors whole.
  auto share = [](float factor, float weight) {
    return std::max(1.0f + weight * (factor - 1.0f), kMinPointScale);
  };
  const Vec3 c = mesh.placement.position;
  const Vec3 old = selection.scale;
  auto scaled = [&](float v, float centre, float before, float now, float weight) {
    return static_cast<float>(centre +
                              (double(v) - centre) / share(before, weight) * share(now, weight));
  };
  ChangePoints(mesh, selection, [&](Vec3& p, float weight) {
    p.x = scaled(p.x, c.x, old.x, factors.x, weight);
    p.y = scaled(p.y, c.y, old.y, factors.y, weight);
    p.z = scaled(p.z, c.z, old.z, factors.z, weight);
  });
  selection.scale = factors;
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
