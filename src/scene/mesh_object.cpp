#include "scene/mesh_object.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>

#include "foundation/error_output.h"
#include "scene/math_sphere.h"
#include "scene/mesh_math.h"
#include "scene/mesh_trace_index.h"

namespace orvane {

namespace {

using mesh_detail::Max;
using mesh_detail::Min;
using mesh_detail::RayNormalized;

constexpr uint32_t kDeletedPoint = UINT32_MAX;

SceneObject* NewDefaultMappingObject() {
  SceneObject* sphere = TryNew<MathSphere>(1.0f);
  if (!sphere) ErrorOutput() << "ERROR: Could not allocate the mapping object.\n";
  return sphere;
}

}  // namespace

MeshViewSettings& MeshSettings() {
  static MeshViewSettings settings;
  return settings;
}

uint32_t GrownPointCapacity(uint32_t capacity, uint32_t needed) {
  if (needed > kMaxMeshPoints) return 0;
  uint64_t grown = capacity == 0 ? kInitialPointCapacity : capacity;
  while (grown < needed) grown *= 2;
  return static_cast<uint32_t>(std::min<uint64_t>(grown, kMaxMeshPoints));
}

MeshObject::MeshObject() {
  preview_dirty = 1;
  preview_mode = kPreviewLineLoop;
  mapping_object = NewDefaultMappingObject();
}

MeshObject::MeshObject(const MeshObject& other)
    : SceneObject(other),
      triangle_count(0),
      bbox_min(other.bbox_min),
      bbox_max(other.bbox_max),
      trace_min(other.trace_min),
      trace_max(other.trace_max),
      point_count(0),
      point_capacity(other.point_capacity),
      is_path(other.is_path),
      turn_angles(other.turn_angles) {}

// The display lists belong to the preview sink, which frees them when the scene is cleared.
MeshObject::~MeshObject() {
  ReleasePoints();
  ReleaseTriangles();
  FreePointNormals();
  ClearTraceIndex();
  delete mapping_object;
}

const char* MeshObject::TypeName() const {
  return IsPath() ? "Path" : "3D-Mesh-Object";
}

// --- Arrays -------------------------------------------------------------------------------

void MeshObject::ReleasePoints() {
  if (owns_points) delete[] points;
  points = nullptr;
  owns_points = 0;
}

void MeshObject::ReleaseTriangles() {
  if (owns_triangles) delete[] triangles;
  triangles = nullptr;
  owns_triangles = 0;
}

void MeshObject::FreePointNormals() {
  delete[] point_normals;
  point_normals = nullptr;
}

void MeshObject::PointsChanged() {
  trace_prepared_ = 0;
  FreePointNormals();
  ClearTraceIndex();
  preview_dirty = 1;
}

void MeshObject::TrianglesChanged() {
  hit_triangle = nullptr;
  trace_prepared_ = 0;
  FreePointNormals();
  ClearTraceIndex();
  preview_dirty = 1;
}

int MeshObject::SetPointCount(uint32_t count) {
  if (count > kMaxMeshPoints) {
    ErrorOutput() << "ERROR: Too many points for one mesh.\n";
    return -1;
  }
  Vec3* fresh = nullptr;
  if (count > 0) {
    fresh = TryNewArray<Vec3>(count);
    if (!fresh) {
      ErrorOutput() << "ERROR: Could not allocate memory for points.\n";
      return -1;
    }
  }
  ReleasePoints();
  points = fresh;
  owns_points = 1;
  point_count = count;
  point_capacity = count;
  PointsChanged();
  return 0;
}

int MeshObject::SetTriangleCount(uint32_t count) {
  if (count > kMaxMeshTriangles) {
    ErrorOutput() << "ERROR: Too many triangles for one mesh.\n";
    return -1;
  }
  Triangle* fresh = nullptr;
  if (count > 0) {
    fresh = TryNewArray<Triangle>(count);
    if (!fresh) {
      ErrorOutput() << "ERROR: Could not allocate memory for triangles.\n";
      return -1;
    }
  }
  ReleaseTriangles();
  triangles = fresh;
  owns_triangles = 1;
  triangle_count = count;
  TrianglesChanged();
  return 0;
}

int MeshObject::SetPoint(uint32_t index, float x, float y, float z) {
  return SetPoint(index, Vec3{x, y, z});
}

int MeshObject::SetPoint(uint32_t index, const Vec3& point) {
  if (!points || index >= point_count) return -1;
  points[index] = point;
  preview_dirty = 1;
  return 0;
}

int MeshObject::SetTriangle(uint32_t index, uint32_t a, uint32_t b, uint32_t c) {
  if (!triangles || index >= triangle_count) return -1;
  if (a >= point_count || b >= point_count || c >= point_count) return -1;
  triangles[index].a = a;
  triangles[index].b = b;
  triangles[index].c = c;
  preview_dirty = 1;
  return 0;
}

Vec3* MeshObject::GetPoint(uint32_t index) {
  if (!points || point_count == 0) return nullptr;
  return &points[index < point_count ? index : 0];
}

const Vec3* MeshObject::GetPoint(uint32_t index) const {
  return const_cast<MeshObject*>(this)->GetPoint(index);
}

Triangle* MeshObject::GetTriangle(uint32_t index) {
  if (!triangles || triangle_count == 0) return nullptr;
  return &triangles[index < triangle_count ? index : 0];
}

const Triangle* MeshObject::GetTriangle(uint32_t index) const {
  return const_cast<MeshObject*>(this)->GetTriangle(index);
}

int MeshObject::AppendPoint(const Vec3& point) {
  const Vec3 value = point;  // may live in the array that is about to move
  if (point_count >= kMaxMeshPoints) {
    ErrorOutput() << "ERROR: Too many points for one mesh.\n";
    return 0;
  }
  const uint32_t needed = point_count + 1;
  if (!points || needed > point_capacity) {
    const uint32_t capacity =
        needed > point_capacity ? GrownPointCapacity(point_capacity, needed) : point_capacity;
    Vec3* grown = TryNewArray<Vec3>(capacity);
    if (!grown) {
      ErrorOutput() << "ERROR: Could not allocate memory for points.\n";
      return 0;
    }
    if (point_count > 0) std::copy(points, points + point_count, grown);
    ReleasePoints();
    points = grown;
    owns_points = 1;
    point_capacity = capacity;
  }
  points[point_count++] = value;
  PointsChanged();
  return 1;
}

int MeshObject::AdoptPoints(Vec3* array, uint32_t count, bool take_ownership) {
  if ((!array && count > 0) || count > kMaxMeshPoints) return -1;
  const bool same = array == points;
  if (!same) ReleasePoints();
  owns_points = (take_ownership || (same && owns_points)) ? 1 : 0;
  points = array;
  point_count = count;
  point_capacity = count;
  PointsChanged();
  return 0;
}

int MeshObject::AdoptTriangles(Triangle* array, uint32_t count, bool take_ownership) {
  if ((!array && count > 0) || count > kMaxMeshTriangles) return -1;
  for (uint32_t i = 0; i < count; ++i)
    if (!TriangleInRange(array[i])) return -1;
  const bool same = array == triangles;
  if (!same) ReleaseTriangles();
  owns_triangles = (take_ownership || (same && owns_triangles)) ? 1 : 0;
  triangles = array;
  triangle_count = count;
  TrianglesChanged();
  return 0;
}

int MeshObject::DeletePoints(const uint32_t* indices, uint32_t count) {
  if (count == 0) return 0;
  if (!indices) return -1;
  for (uint32_t i = 0; i < count; ++i)
    if (indices[i] >= point_count) return -1;
  std::unique_ptr<uint32_t[]> new_index(TryNewArray<uint32_t>(point_count));
  if (!new_index) {
    ErrorOutput() << "ERROR: Could not allocate memory for deleting points.\n";
    return -1;
  }
  std::fill(new_index.get(), new_index.get() + point_count, 0u);
  for (uint32_t i = 0; i < count; ++i) new_index[indices[i]] = kDeletedPoint;

  uint32_t kept_points = 0;
  for (uint32_t i = 0; i < point_count; ++i) {
    if (new_index[i] == kDeletedPoint) continue;
    new_index[i] = kept_points;
    points[kept_points++] = points[i];
  }
  uint32_t kept_triangles = 0;
  for (uint32_t i = 0; i < triangle_count; ++i) {
    Triangle t = triangles[i];
    if (!TriangleInRange(t)) continue;
    if (new_index[t.a] == kDeletedPoint || new_index[t.b] == kDeletedPoint ||
        new_index[t.c] == kDeletedPoint)
      continue;
    t.a = new_index[t.a];
    t.b = new_index[t.b];
    t.c = new_index[t.c];
    triangles[kept_triangles++] = t;
  }
  point_count = kept_points;
  triangle_count = kept_triangles;
  TrianglesChanged();
  return 0;
}

// --- Derived data -------------------------------------------------------------------------

void MeshObject::ComputeTriangleData() {
  for (uint32_t i = 0; i < triangle_count; ++i) {
    Triangle& t = triangles[i];
    if (!TriangleInRange(t)) {
      t.normal = t.edge_ab = t.edge_ac = t.edge_bc = Vec3{};
      t.plane_d = 0.0f;
      continue;
    }
    const Vec3& a = points[t.a];
    const Vec3& b = points[t.b];
    const Vec3& c = points[t.c];
    t.edge_ab = RayNormalized(b - a);
    t.edge_ac = RayNormalized(c - a);
    t.normal = RayNormalized(Cross(t.edge_ab, t.edge_ac));
    t.plane_d = static_cast<float>(Dot(a, t.normal));
    t.edge_bc = RayNormalized(c - b);
  }
}

void MeshObject::ComputeTraceData() {
  for (uint32_t i = 0; i < triangle_count; ++i) {
    Triangle& t = triangles[i];
    const float ax = std::fabs(t.normal.x);
    const float ay = std::fabs(t.normal.y);
    const float az = std::fabs(t.normal.z);
    t.drop_axis = (ax > ay && ax > az) ? 0 : (ay > az ? 1 : 2);
  }
}

void MeshObject::ComputeBoxes() {
  if (IsPath() || triangle_count == 0) return;
  bool first = true;
  for (uint32_t i = 0; i < triangle_count; ++i) {
    Triangle& t = triangles[i];
    if (!TriangleInRange(t)) {
      t.box_min = t.box_max = Vec3{};
      continue;
    }
    const Vec3& a = points[t.a];
    t.box_min = Min(Min(a, points[t.b]), points[t.c]);
    t.box_max = Max(Max(a, points[t.b]), points[t.c]);
    if (first) {
      bbox_min = t.box_min;
      bbox_max = t.box_max;
      first = false;
    } else {
      bbox_min = Min(bbox_min, t.box_min);
      bbox_max = Max(bbox_max, t.box_max);
    }
  }
}

int MeshObject::ComputePointNormals() {
  FreePointNormals();
  if (point_count == 0) return 0;
  point_normals = TryNewArray<Vec3>(point_count);
  if (!point_normals) {
    ErrorOutput() << "ERROR: Could not allocate memory for point normals.\n";
    return -1;
  }
  for (uint32_t i = 0; i < triangle_count; ++i) {
    const Triangle& t = triangles[i];
    // A triangle with NaN corners must not spoil the normals of its finite neighbours.
    if (!TriangleInRange(t) || !std::isfinite(t.normal.x) || !std::isfinite(t.normal.y) ||
        !std::isfinite(t.normal.z))
      continue;
    point_normals[t.a] += t.normal;
    point_normals[t.b] += t.normal;
    point_normals[t.c] += t.normal;
  }
  for (uint32_t i = 0; i < point_count; ++i) point_normals[i].Normalize();
  return 0;
}

void MeshObject::Refresh() {
  ComputeTriangleData();
  ComputeTraceData();
  ComputeBoxes();
  ClearTraceIndex();
}

void MeshObject::ClearTraceIndex() {
  trace_index_.reset();
}

void MeshObject::SetMappingObject(SceneObject* object) {
  if (object == mapping_object) return;
  delete mapping_object;
  mapping_object = object;
}

// --- Movement -----------------------------------------------------------------------------

void MeshObject::Move(const Ray& step) {
  if (mapping_object) mapping_object->Move(step);
  if (step.length == 0.0f) return;
  const Vec3 delta = step.direction * static_cast<double>(step.length);
  placement.position += delta;
  for (uint32_t i = 0; i < point_count; ++i) points[i] += delta;
  preview_dirty = 1;
}

void MeshObject::RotateAboutAxis(float degrees, const Vec3& axis, const Vec3& point) {
  const Vec3 u = axis;  // the arguments may be fields of this mesh
  const Vec3 p = point;
  if (mapping_object) mapping_object->RotateAboutAxis(degrees, u, p);
  TurnBodyAboutAxis(degrees, u, p);
}

void MeshObject::RotateEuler(const Vec3& degrees, const Vec3& center, int order) {
  const Vec3 angles = degrees;
  const Vec3 c = center;
  if (mapping_object) mapping_object->RotateEuler(angles, c, order);
  TurnBodyEuler(angles, c, order);
}

// A mesh's RotateAboutAxis already turns its frame and points, so a rigid turn is that turn
// alone; the mapping object is turned rigidly with it.
void MeshObject::TurnAboutAxis(float degrees, const Vec3& axis, const Vec3& point) {
  const Vec3 u = axis;
  const Vec3 p = point;
  if (mapping_object) mapping_object->TurnAboutAxis(degrees, u, p);
  TurnBodyAboutAxis(degrees, u, p);
}

void MeshObject::TurnEuler(const Vec3& degrees, const Vec3& center, int order) {
  const Vec3 angles = degrees;
  const Vec3 c = center;
  if (mapping_object) mapping_object->TurnEuler(angles, c, order);
  TurnBodyEuler(angles, c, order);
}

// Position, frame and points; the arguments are copies.
void MeshObject::TurnBodyAboutAxis(float degrees, const Vec3& axis, const Vec3& point) {
  placement.position.RotateAxisDeg(degrees, axis, point);
  placement.RotateAxesAboutAxis(degrees, axis);
  for (uint32_t i = 0; i < point_count; ++i) points[i].RotateAxisDeg(degrees, axis, point);
  preview_dirty = 1;
}

void MeshObject::TurnBodyEuler(const Vec3& degrees, const Vec3& center, int order) {
  placement.position.RotateEuler(degrees, center, order);
  placement.RotateAxesEuler(degrees, order);
  for (uint32_t i = 0; i < point_count; ++i) points[i].RotateEuler(degrees, center, order);
  preview_dirty = 1;
}

void MeshObject::RotateAxesAboutAxis(float degrees, const Vec3& axis) {
  const Vec3 u = axis;
  if (mapping_object) mapping_object->RotateAxesAboutAxis(degrees, u);
  TurnFrameAboutAxis(degrees, u);
}

void MeshObject::RotateAxesEuler(const Vec3& degrees, int order) {
  const Vec3 angles = degrees;
  if (mapping_object) mapping_object->RotateAxesEuler(angles, order);
  TurnFrameEuler(angles, order);
}

void MeshObject::TurnFrameEuler(const Vec3& degrees, int order) {
  const Vec3 angles = degrees;
  const Vec3 centre = placement.position;
  placement.RotateAxesEuler(angles, order);
  for (uint32_t i = 0; i < point_count; ++i) points[i].RotateEuler(angles, centre, order);
  preview_dirty = 1;
}

void MeshObject::TurnFrameAboutAxis(double degrees, const Vec3& axis) {
  const Vec3 u = axis;
  const Vec3 centre = placement.position;
  placement.RotateAxesAboutAxis(degrees, u);
  for (uint32_t i = 0; i < point_count; ++i) points[i].RotateAxisDeg(degrees, u, centre);
  preview_dirty = 1;
}

// The mapping object receives each call once: PointAlong and LookAt go to it as they are,
// and the turns the mesh makes to follow them are not passed on again.
void MeshObject::TurnAlong(const Vec3& direction) {
  Vec3 d = direction;
  if (d.Length() < kEps) {
    turn_angles = Vec3{};
    return;
  }
  d.Normalize();
  double yaw = 0.0;
  double pitch = 0.0;
  YawPitchTowards(d, &yaw, &pitch);
  TurnFrameEuler(Vec3{0.0f, static_cast<float>(yaw), 0.0f}, kEulerY);
  TurnFrameAboutAxis(pitch, placement.axis_X);
  turn_angles = Vec3{static_cast<float>(pitch), static_cast<float>(yaw), 0.0f};
}

void MeshObject::PointAlong(const Vec3& direction) {
  const Vec3 d = direction;
  if (mapping_object) mapping_object->PointAlong(d);
  TurnAlong(d);
}

void MeshObject::LookAt(const Vec3& point) {
  const Vec3 target = point;
  if (mapping_object) mapping_object->LookAt(target);
  TurnAlong(target - placement.position);
}

void MeshObject::TurnTowards(const Vec3& point, Vec3* anglesOut) {
  LookAt(point);
  if (anglesOut) *anglesOut = turn_angles;
}

// --- Scaling ------------------------------------------------------------------------------

Vec3 MeshObject::ScaledAbout(const Vec3& p, const Vec3& c, CoordinateMode mode) const {
  if (mode != CoordinateMode::kObject) {
    Vec3 q = p;
    return q.ScaleAbout(c, scale.x, scale.y, scale.z);
  }
  const Vec3 angles = placement.axis_deg;
  Vec3 offset = p - c;
  offset.RotateEuler(-angles, kEulerZYX);
  offset.ScaleAbout(Vec3{}, scale.x, scale.y, scale.z);
  offset.RotateEuler(angles, kEulerXYZ);
  return c + offset;
}

void MeshObject::ApplyScale() {
  ApplyScaleIn(MeshSettings().coordinate_mode);
}

void MeshObject::ApplyScaleIn(CoordinateMode mode) {
  if (!scale_center) return;
  const Vec3 c = *scale_center;  // may be this mesh's own position or one of its points
  placement.position = ScaledAbout(placement.position, c, mode);
  for (uint32_t i = 0; i < point_count; ++i) points[i] = ScaledAbout(points[i], c, mode);
  preview_dirty = 1;
}

// --- Copy ---------------------------------------------------------------------------------

SceneObject* MeshObject::Clone() const {
  if (InjectedAllocationFailure()) return nullptr;
  std::unique_ptr<MeshObject> copy(new (std::nothrow) MeshObject(*this));
  if (!copy) return nullptr;
  // A scale centre at the original's own position means the copy's.
  if (scale_center == &placement.position) copy->scale_center = &copy->placement.position;
  if (points) {
    copy->points = TryNewArray<Vec3>(std::max(point_capacity, point_count));
    if (!copy->points) return nullptr;
    copy->owns_points = 1;
    std::copy(points, points + point_count, copy->points);
    copy->point_count = point_count;
  }
  if (triangles && triangle_count > 0) {
    copy->triangles = TryNewArray<Triangle>(triangle_count);
    if (!copy->triangles) return nullptr;
    copy->owns_triangles = 1;
    std::copy(triangles, triangles + triangle_count, copy->triangles);
    copy->triangle_count = triangle_count;
  }
  copy->mapping_object = mapping_object ? mapping_object->Clone() : NewDefaultMappingObject();
  if (!copy->mapping_object) return nullptr;
  return copy.release();
}

}  // namespace orvane
