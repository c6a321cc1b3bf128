// The mesh's answers to the ray tracer: preparation (triangle data, boxes, the grid), the
// next-hit search, normals and texture coordinates of the hit.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "foundation/error_output.h"
#include "scene/mesh_math.h"
#include "scene/mesh_object.h"

namespace orvane {

using mesh_detail::Max;
using mesh_detail::Min;
using mesh_detail::RayNormalized;

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

}  // namespace orvane
