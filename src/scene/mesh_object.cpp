#include "scene/mesh_object.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>

#include "foundation/error_output.h"
#include "scene/math_sphere.h"

namespace orvane {

namespace {

// The primitive mode of a path's poly-line, numbered as OpenGL numbers it.
constexpr int32_t kPreviewLineStrip = 3;
constexpr uint32_t kDeletedPoint = UINT32_MAX;

// Unit vector as Ray::Normalize makes it: a vector shorter than kEps stays as it is.
Vec3 RayNormalized(const Vec3& v) {
  Ray ray;
  ray.direction = v;
  ray.Normalize();
  return ray.direction;
}

Vec3 Min(const Vec3& a, const Vec3& b) {
  return Vec3{std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z)};
}

Vec3 Max(const Vec3& a, const Vec3& b) {
  return Vec3{std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)};
}

Vec3 ForView(const Vec3& v) {
  return Vec3{v.x, v.y, -v.z};
}

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
      grid_min(other.grid_min),
      grid_max(other.grid_max),
      point_count(0),
      point_capacity(other.point_capacity),
      is_path(other.is_path),
      turn_angles(other.turn_angles) {}

// The display lists belong to the preview sink, which frees them when the scene is cleared.
MeshObject::~MeshObject() {
  ReleasePoints();
  ReleaseTriangles();
  FreePointNormals();
  ClearGrid();
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
  ClearGrid();
  preview_dirty = 1;
}

void MeshObject::TrianglesChanged() {
  hit_triangle = nullptr;
  trace_prepared_ = 0;
  FreePointNormals();
  ClearGrid();
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
  ClearGrid();
}

void MeshObject::ClearGrid() {
  for (GridCell& cell : grid) {
    delete[] cell.triangles;
    cell = GridCell{};
  }
  grid_built = 0;
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
  placement.position.RotateAxisDeg(degrees, u, p);
  placement.RotateAxesAboutAxis(degrees, u);
  for (uint32_t i = 0; i < point_count; ++i) points[i].RotateAxisDeg(degrees, u, p);
  preview_dirty = 1;
}

void MeshObject::RotateEuler(const Vec3& degrees, const Vec3& center, int order) {
  const Vec3 angles = degrees;
  const Vec3 c = center;
  if (mapping_object) mapping_object->RotateEuler(angles, c, order);
  placement.position.RotateEuler(angles, c, order);
  placement.RotateAxesEuler(angles, order);
  for (uint32_t i = 0; i < point_count; ++i) points[i].RotateEuler(angles, c, order);
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

// --- Ray-tracer answers -------------------------------------------------------------------

void MeshObject::SetTextureUV(float u, float v) {
  tex_u = u;
  tex_v = v;
  if (mapping_object) mapping_object->SetTextureUV(u, v);
}

void MeshObject::NormalAt(Vec3* out, const Vec3& point) {
  hit_point = point;
  if (out) *out = hit_triangle ? hit_triangle->normal : Vec3{};
}

void MeshObject::BumpAt(Vec3* out) {
  if (mapping_object) {
    mapping_object->BumpAt(out);
  } else if (out) {
    *out = Vec3{};
  }
}

// --- Ray tracing --------------------------------------------------------------------------

namespace {

// Meshes with more triangles than this get a grid.
constexpr uint32_t kMaxTrianglesWithoutGrid = 10;
// Direction components and normal · direction below this count as parallel.
constexpr double kParallelLimit = 0.000001;
// The search limit when the caller gives none.
constexpr double kNoDistanceLimit = 1e10;
constexpr uint32_t kFirstCellCapacity = 4;
// Box clipping accepts intervals this much (relative) out of order, so that a ray meeting a
// flat box exactly on its edge is not lost to rounding.
constexpr double kClipSlack = 1e-9;
// Triangles are listed in every cell their box comes within this fraction of a cell of, so
// that hit points rounded across a cell face are still found in the cell the walk is in.
constexpr double kListingMargin = 1e-3;

// The ray in double precision: the tests below work on the stored floats exactly.
struct TraceRay {
  double o[3];
  double d[3];
};

TraceRay ToTraceRay(const Ray& ray) {
  return TraceRay{{ray.origin.x, ray.origin.y, ray.origin.z},
                  {ray.direction.x, ray.direction.y, ray.direction.z}};
}

double Axis(const Vec3& v, int axis) {
  return axis == 0 ? v.x : (axis == 1 ? v.y : v.z);
}

bool Finite(const Vec3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Whether a triangle can be hit at all: valid indices, a non-zero finite normal, a finite box.
bool Traceable(const MeshObject& mesh, const Triangle& t) {
  return mesh.TriangleInRange(t) && Finite(t.normal) && !(t.normal == Vec3{}) &&
         std::isfinite(t.plane_d) && Finite(t.box_min) && Finite(t.box_max);
}

// Slab clipping against the box lo..hi: the parameter interval in which the ray is inside.
// An axis whose direction component is below kParallelLimit only requires the origin to lie
// between that slab's planes. False when the intervals do not overlap, when the box lies
// behind the ray, and for NaN input.
bool ClipToBox(const TraceRay& ray, const Vec3& lo, const Vec3& hi, double* t_in, double* t_out) {
  double enter = -HUGE_VAL;
  double exit = HUGE_VAL;
  for (int a = 0; a < 3; ++a) {
    const double low = Axis(lo, a);
    const double high = Axis(hi, a);
    if (std::fabs(ray.d[a]) < kParallelLimit) {
      if (!(ray.o[a] >= low && ray.o[a] <= high)) return false;
      continue;
    }
    double t1 = (low - ray.o[a]) / ray.d[a];
    double t2 = (high - ray.o[a]) / ray.d[a];
    if (t1 > t2) std::swap(t1, t2);
    enter = std::max(enter, t1);
    exit = std::min(exit, t2);
  }
  const double slack = kClipSlack * (1.0 + std::fabs(exit));
  if (!(enter <= exit + slack) || !(exit >= 0.0)) return false;
  *t_in = enter;
  *t_out = exit;
  return true;
}

// The distance at which the ray meets triangle `t`, when that is not negative and below `best`:
// the plane of the triangle, then the hit point projected onto the coordinate plane in which
// the normal has its largest component, inside all three edges (points on an edge count).
bool HitTriangle(const Vec3* points, const Triangle& t, const TraceRay& ray, double best,
                 double* distance) {
  double box_in = 0.0;
  double box_out = 0.0;
  if (!ClipToBox(ray, t.box_min, t.box_max, &box_in, &box_out)) return false;
  const double nd = t.normal.x * ray.d[0] + t.normal.y * ray.d[1] + t.normal.z * ray.d[2];
  if (!(std::fabs(nd) >= kParallelLimit)) return false;  // also NaN
  const double no = t.normal.x * ray.o[0] + t.normal.y * ray.o[1] + t.normal.z * ray.o[2];
  const double dist = (t.plane_d - no) / nd;
  if (!(dist >= 0.0) || !(dist < best)) return false;

  const int drop = (t.drop_axis >= 0 && t.drop_axis <= 2) ? t.drop_axis : 2;
  const int i = (drop + 1) % 3;
  const int j = (drop + 2) % 3;
  const double pi = ray.o[i] + ray.d[i] * dist;
  const double pj = ray.o[j] + ray.d[j] * dist;
  const Vec3* corners[3] = {&points[t.a], &points[t.b], &points[t.c]};
  bool any_positive = false;
  bool any_negative = false;
  for (int e = 0; e < 3; ++e) {
    const Vec3& from = *corners[e];
    const Vec3& to = *corners[(e + 1) % 3];
    const double side = (Axis(to, i) - Axis(from, i)) * (pj - Axis(from, j)) -
                        (Axis(to, j) - Axis(from, j)) * (pi - Axis(from, i));
    any_positive = any_positive || side > 0.0;
    any_negative = any_negative || side < 0.0;
  }
  if (any_positive && any_negative) return false;
  *distance = dist;
  return true;
}

// The cell index along one axis of the grid box lo .. lo + extent: truncate((p - lo) /
// extent × 4), held to 0..3; 0 on an axis without extent.
int CellIndex(double p, double lo, double extent) {
  if (!(extent > 0.0)) return 0;
  const double c = (p - lo) / extent * kGridDivisions;
  if (!(c >= 0.0)) return 0;
  if (c >= kGridDivisions - 1) return kGridDivisions - 1;
  return static_cast<int>(c);
}

int CellAt(const int cell[3]) {
  return cell[0] + kGridDivisions * cell[1] + kGridDivisions * kGridDivisions * cell[2];
}

// The nearest hit (below *best) among the triangles listed in the cells the ray passes, walked
// from the cell where it enters at t_in to the neighbour behind the face through which it
// leaves each cell. A hit at most as far as the current cell's exit ends the walk; a farther
// one is kept while the walk goes on, since a nearer triangle may lie in the next cell.
const Triangle* WalkGrid(const MeshObject& mesh, const TraceRay& ray, double t_in, double t_out,
                         double* best) {
  double lo[3];
  double size[3];
  int cell[3];
  int step[3];
  double next[3];
  for (int a = 0; a < 3; ++a) {
    lo[a] = Axis(mesh.grid_min, a);
    const double extent = Axis(mesh.grid_max, a) - lo[a];
    size[a] = extent * 0.25;
    cell[a] = CellIndex(ray.o[a] + ray.d[a] * t_in, lo[a], extent);
    step[a] = 0;
    next[a] = HUGE_VAL;
    if (size[a] > 0.0 && ray.d[a] != 0.0) {
      step[a] = ray.d[a] > 0.0 ? 1 : -1;
      next[a] = (lo[a] + (cell[a] + (step[a] > 0 ? 1 : 0)) * size[a] - ray.o[a]) / ray.d[a];
    }
  }
  const Triangle* hit = nullptr;
  for (;;) {
    const GridCell& gc = mesh.grid[CellAt(cell)];
    for (uint32_t k = 0; k < gc.count; ++k) {
      const Triangle& t = mesh.triangles[gc.triangles[k]];
      double dist = 0.0;
      if (mesh.TriangleInRange(t) && HitTriangle(mesh.points, t, ray, *best, &dist)) {
        *best = dist;
        hit = &t;
      }
    }
    int a = 0;
    if (next[1] < next[a]) a = 1;
    if (next[2] < next[a]) a = 2;
    const double cell_exit = next[a];
    if (hit && *best <= cell_exit) break;
    if (!(cell_exit <= t_out) || step[a] == 0) break;  // the ray leaves the box
    cell[a] += step[a];
    if (cell[a] < 0 || cell[a] >= kGridDivisions) break;  // or the grid
    next[a] = (lo[a] + (cell[a] + (step[a] > 0 ? 1 : 0)) * size[a] - ray.o[a]) / ray.d[a];
  }
  return hit;
}

}  // namespace

void MeshObject::PrepareRender() {
  trace_prepared_ = 0;
  ray_tested = 0;
  hit_triangle = nullptr;
  if (mapping_object) {
    // The mapping object stands for the mesh: its bump perturbation and whether it computes
    // texture coordinates follow the mesh's material, as when the mesh is written.
    if (material) mapping_object->material = material;
    mapping_object->PrepareRender();
  }
  if (IsPath() || triangle_count == 0 || !triangles) {
    ClearGrid();
    return;
  }
  Refresh();
  if (HasFlag(kUsePhong)) ComputePointNormals();
  if (!ComputeTracedBox()) return;
  if (triangle_count > kMaxTrianglesWithoutGrid) BuildGrid();
  trace_prepared_ = 1;
}

// grid_min .. grid_max := the box of the triangles that can be hit; false when there are none.
// With every triangle traceable this is bbox_min .. bbox_max.
bool MeshObject::ComputeTracedBox() {
  bool any = false;
  for (uint32_t i = 0; i < triangle_count; ++i) {
    const Triangle& t = triangles[i];
    if (!Traceable(*this, t)) continue;
    grid_min = any ? Min(grid_min, t.box_min) : t.box_min;
    grid_max = any ? Max(grid_max, t.box_max) : t.box_max;
    any = true;
  }
  return any;
}

bool MeshObject::AddToCell(GridCell& cell, uint32_t triangle) {
  if (cell.count == cell.capacity) {
    const uint32_t capacity = cell.capacity == 0 ? kFirstCellCapacity : cell.capacity * 2;
    uint32_t* grown = TryNewArray<uint32_t>(capacity);
    if (!grown) return false;
    if (cell.count > 0) std::copy(cell.triangles, cell.triangles + cell.count, grown);
    delete[] cell.triangles;
    cell.triangles = grown;
    cell.capacity = capacity;
  }
  cell.triangles[cell.count++] = triangle;
  return true;
}

// Lists every traceable triangle in each cell its box reaches into (with a small margin). On
// a failed allocation the grid is dropped and the mesh is traced without it.
bool MeshObject::BuildGrid() {
  ClearGrid();
  double lo[3];
  double extent[3];
  double margin[3];
  for (int a = 0; a < 3; ++a) {
    lo[a] = Axis(grid_min, a);
    extent[a] = Axis(grid_max, a) - lo[a];
    margin[a] = extent[a] * 0.25 * kListingMargin;
  }
  for (uint32_t i = 0; i < triangle_count; ++i) {
    const Triangle& t = triangles[i];
    if (!Traceable(*this, t)) continue;
    int first[3];
    int last[3];
    for (int a = 0; a < 3; ++a) {
      first[a] = CellIndex(Axis(t.box_min, a) - margin[a], lo[a], extent[a]);
      last[a] = CellIndex(Axis(t.box_max, a) + margin[a], lo[a], extent[a]);
    }
    int cell[3];
    for (cell[2] = first[2]; cell[2] <= last[2]; ++cell[2]) {
      for (cell[1] = first[1]; cell[1] <= last[1]; ++cell[1]) {
        for (cell[0] = first[0]; cell[0] <= last[0]; ++cell[0]) {
          if (AddToCell(grid[CellAt(cell)], i)) continue;
          ClearGrid();
          ErrorOutput() << "ERROR: Could not allocate memory for the mesh grid.\n";
          return false;
        }
      }
    }
  }
  grid_built = 1;
  return true;
}

void MeshObject::ResetRayState() {
  ray_tested = 0;
}

bool MeshObject::Intersect(const Ray& ray, float maxDistance) {
  if (ray_tested) return false;
  ray_tested = 1;
  if (IsPath() || triangle_count == 0 || !triangles || !points || !trace_prepared_) return false;
  const TraceRay r = ToTraceRay(ray);
  double t_in = 0.0;
  double t_out = 0.0;
  if (!ClipToBox(r, grid_min, grid_max, &t_in, &t_out)) return false;
  double best = maxDistance >= 0.0f ? maxDistance : kNoDistanceLimit;
  if (t_in > best) return false;  // the whole box lies beyond the nearest hit so far
  t_in = std::max(t_in, 0.0);

  const Triangle* hit = nullptr;
  if (grid_built) {
    hit = WalkGrid(*this, r, t_in, t_out, &best);
  } else {
    for (uint32_t i = 0; i < triangle_count; ++i) {
      const Triangle& t = triangles[i];
      double dist = 0.0;
      if (!TriangleInRange(t) || !HitTriangle(points, t, r, best, &dist)) continue;
      best = dist;
      hit = &t;
    }
  }
  if (!hit) return false;
  hit_triangle = const_cast<Triangle*>(hit);
  hit_distance = static_cast<float>(best);
  hit_point =
      Vec3{static_cast<float>(r.o[0] + r.d[0] * best), static_cast<float>(r.o[1] + r.d[1] * best),
           static_cast<float>(r.o[2] + r.d[2] * best)};
  return true;
}

void MeshObject::ComputeTextureUV() {
  tex_u = -1.0f;
  if (!mapping_object) return;
  Ray aux;
  switch (mapping_object->GetType()) {
    case kItemSphere:
      aux.origin = mapping_object->placement.position;
      aux.direction = hit_point - aux.origin;
      aux.Normalize();
      break;
    case kItemPlane:
      aux.origin = hit_point;
      aux.direction = mapping_object->placement.axis_Z;
      break;
    default:
      aux.origin = hit_point;
      aux.direction = hit_triangle ? hit_triangle->normal : Vec3{};
      break;
  }
  aux.length = 1.0f;
  aux.normalized = 1;
  mapping_object->ResetRayState();
  if (!mapping_object->Intersect(aux, -1.0f)) return;
  tex_u = mapping_object->TextureU();
  tex_v = mapping_object->TextureV();
}

bool MeshObject::SmoothNormalAt(const Vec3& point, Vec3* out) const {
  if (!hit_triangle || !point_normals || !out || !TriangleInRange(*hit_triangle)) return false;
  const Triangle& t = *hit_triangle;
  const uint32_t corner[3] = {t.a, t.b, t.c};
  Vec3 sum;
  for (int k = 0; k < 3; ++k) {
    // The weight of corner k: distances from the line through the two other corners.
    const Vec3& own = points[corner[k]];
    const Vec3& p = points[corner[(k + 1) % 3]];
    const Vec3& q = points[corner[(k + 2) % 3]];
    const Vec3 edge = RayNormalized(q - p);
    const double corner_distance = Cross(own - p, edge).Length();
    if (!(corner_distance >= kEps)) continue;
    const double weight = Cross(point - p, edge).Length() / corner_distance;
    sum += point_normals[corner[k]] * weight;
  }
  *out = sum;
  return true;
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

// --- Preview ------------------------------------------------------------------------------

Vec3 MeshObject::PreviewPoint(const Vec3& p) const {
  const bool scale_pending = scale_center && !(scale == Vec3{1.0f, 1.0f, 1.0f});
  if (!scale_pending) return ForView(p);
  return ForView(ScaledAbout(p, *scale_center, MeshSettings().coordinate_mode));
}

void MeshObject::BuildPreview(PreviewSink& sink, int variant) {
  if (variant == 3) {
    BuildPointPreview(sink);
  } else if (variant == 0 || variant == 1) {
    if (IsPath()) {
      BuildPathPreview(sink, variant);
    } else {
      BuildMeshPreview(sink, variant);
    }
  }
  preview_dirty = 0;
}

// Variant 0 draws every triangle, variant 1 (while the user drags) every n-th one.
void MeshObject::BuildMeshPreview(PreviewSink& sink, int variant) {
  const MeshViewSettings& view = MeshSettings();
  if (view.shaded) {
    preview_mode = kPreviewTriangles;
    ComputeTriangleData();
  } else {
    preview_mode = kPreviewLineLoop;
  }
  const uint64_t step = variant == 1 ? std::max<uint32_t>(view.reduced_step, 1) : 1;
  uint32_t& slot = display_lists[variant];
  // A former path shares its first list with the second; that one must not be overwritten.
  const uint32_t reuse = (variant == 1 && slot == display_lists[0]) ? 0 : slot;
  slot = sink.BeginList(*this, reuse);
  for (uint64_t i = 0; i < triangle_count; i += step) {
    const Triangle& t = triangles[i];
    if (!TriangleInRange(t)) continue;
    sink.Begin(preview_mode);
    sink.Normal(ForView(t.normal));
    sink.Vertex(PreviewPoint(points[t.a]));
    sink.Vertex(PreviewPoint(points[t.b]));
    sink.Vertex(PreviewPoint(points[t.c]));
    sink.End();
  }
  sink.EndList();
}

// Both variants draw the poly-line into the first list, which the second list shares.
void MeshObject::BuildPathPreview(PreviewSink& sink, int) {
  display_lists[0] = sink.BeginList(*this, display_lists[0]);
  sink.Begin(kPreviewLineStrip);
  for (uint32_t i = 0; i < point_count; ++i) sink.Vertex(PreviewPoint(points[i]));
  sink.End();
  sink.EndList();
  if (display_lists[1] != 0 && display_lists[1] != display_lists[0])
    sink.DeleteList(display_lists[1]);
  display_lists[1] = display_lists[0];
}

void MeshObject::BuildPointPreview(PreviewSink& sink) {
  display_lists[3] = sink.BeginList(*this, display_lists[3]);
  sink.Begin(kPreviewPoints);
  for (uint32_t i = 0; i < point_count; ++i) sink.Vertex(PreviewPoint(points[i]));
  sink.End();
  sink.EndList();
}

}  // namespace orvane
