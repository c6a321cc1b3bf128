#include "modelling/paths.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "foundation/error_output.h"
#include "scene/mesh_object.h"
#include "scene/naming.h"
#include "scene/scene.h"

namespace orvane {

namespace {

constexpr const char* kTooFewPointsText = "The number of points must be greater than 1!";
constexpr const char* kTooManyPointsText = "The number of points must not be greater than 2000000!";
constexpr const char* kUnknownShapeText = "Unknown basic look of the path!";
constexpr const char* kNoMeshText = "There is no 3D-Mesh_object choosen.";
constexpr const char* kIsPathText = "The current object is a path.";

// 2π as the circle shapes use it.
constexpr double kTwoPi = 6.2831855f;

bool UsableSize(float v) {
  return std::isfinite(v) && std::fabs(v) <= kMaxSize;
}

bool KnownShape(PathShape shape) {
  const int code = static_cast<int>(shape);
  return code >= static_cast<int>(PathShape::kLinearX) &&
         code <= static_cast<int>(PathShape::kSpiralXZ);
}

// Point i of n of the shape, computed in double.
Vec3 ShapePoint(PathShape shape, uint32_t i, uint32_t n, double w, double angle) {
  const double t = i * kTwoPi / n;
  const double a = (angle / n) * i * kDegToRad;
  const double height = (w / n) * i;
  switch (shape) {
    case PathShape::kLinearX:
      return Vec3{static_cast<float>(w / (n - 1) * i), 0.0f, 0.0f};
    case PathShape::kLinearZ:
      return Vec3{0.0f, 0.0f, static_cast<float>(w / (n - 1) * i)};
    case PathShape::kCircleXY:
      return Vec3{static_cast<float>(w * std::cos(t)), static_cast<float>(w * std::sin(t)), 0.0f};
    case PathShape::kCircleXZ:
      return Vec3{static_cast<float>(w * std::cos(t)), 0.0f, static_cast<float>(w * std::sin(t))};
    case PathShape::kScrewXZ:
      return Vec3{static_cast<float>(w * std::cos(a)), static_cast<float>(height),
                  static_cast<float>(w * std::sin(a))};
    case PathShape::kSpiralXZ: {
      const double r = w - i * (w / n);
      return Vec3{static_cast<float>(r * std::cos(a)), static_cast<float>(height),
                  static_cast<float>(r * std::sin(a))};
    }
  }
  return Vec3{};
}

// An empty path whose point array holds `count` points and has room for `capacity`; null
// when memory cannot be had.
MeshObject* NewPathObject(uint32_t count, uint32_t capacity) {
  std::unique_ptr<MeshObject> path(TryNew<MeshObject>());
  if (!path) return nullptr;
  path->is_path = 1;
  if (count == 0) return path.release();
  Vec3* array = TryNewArray<Vec3>(std::max(count, capacity));
  if (!array) {
    ErrorOutput() << "ERROR: Could not allocate memory for points.\n";
    return nullptr;
  }
  if (path->AdoptPoints(array, count, true) != 0) {
    delete[] array;
    return nullptr;
  }
  // Adopting sets the capacity to the count; the spare room stays usable for appending.
  path->point_capacity = std::max(count, capacity);
  return path.release();
}

}  // namespace

CommandResult NewPath(Scene& scene, const String& name, int64_t points, float width, float angle,
                      PathShape shape) {
  if (IsNameTaken(scene, name, NameKind::kObject))
    return CommandResult::Refused(kNameTakenTitle, kNameTakenText);
  if (points < 2) return CommandResult::Refused(kErrorTitle, kTooFewPointsText);
  if (points > kMaxNewPathPoints) return CommandResult::Refused(kErrorTitle, kTooManyPointsText);
  if (!UsableSize(width) || !UsableSize(angle))
    return CommandResult::Refused(kErrorTitle, kBadSizeText);
  if (!KnownShape(shape)) return CommandResult::Refused(kErrorTitle, kUnknownShapeText);

  const auto n = static_cast<uint32_t>(points);
  const uint32_t capacity = n > kInitialPointCapacity ? 2 * n : kInitialPointCapacity;
  MeshObject* path = NewPathObject(n, capacity);
  if (!path) return CommandResult::Refused(kOutOfMemoryTitle, kOutOfMemoryText);
  for (uint32_t i = 0; i < n; ++i) path->points[i] = ShapePoint(shape, i, n, width, angle);
  return AddToScene(scene, path, name);
}

CommandResult PathFromMesh(Scene& scene, SceneObject* current) {
  const auto* mesh = dynamic_cast<const MeshObject*>(current);
  if (!mesh) return CommandResult::Refused(kAttentionTitle, kNoMeshText);
  if (mesh->IsPath()) return CommandResult::Refused(kAttentionTitle, kIsPathText);

  MeshObject* path = NewPathObject(mesh->point_count, mesh->point_count);
  if (!path) return CommandResult::Refused(kOutOfMemoryTitle, kOutOfMemoryText);
  std::copy(mesh->points, mesh->points + mesh->point_count, path->points);
  return AddToScene(scene, path, MakeUniqueName(scene, kPathFromMeshName, NameKind::kObject));
}

}  // namespace orvane
