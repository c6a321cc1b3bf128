// The mesh's answers to the ray tracer: preparation (triangle data, boxes, the grid), the
// next-hit search, normals and texture coordinates of the hit.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "foundation/error_output.h"
#include "scene/mesh_math.h"
#include "scene/mesh_object.h"
#include "scene/mesh_trace_index.h"

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

// Triangles per leaf of the trace index.
constexpr uint32_t kLeafTriangles = 4;
// Direction components and normal · direction below this count as parallel.
constexpr double kParallelLimit = 0.000001;
// The search limit when the caller gives none; no triangle is hit at or beyond it.
constexpr double kNoDistanceLimit = 1e10;
// Box clipping accepts intervals this much (relative) out of order, so that a ray meeting a
// flat box exactly on its edge is not lost to rounding.
constexpr double kClipSlack = 1e-9;

// The ray in double precision: the tests below work on the stored floats exactly.
struct TraceRay {
  double o[3];
  double d[3];
};

TraceRay ToTraceRay(const Ray& ray) {
  return TraceRay{{ray.origin.x, ray.origin.y, ray.origin.z},
                  {ray.direction.x, ray.direction.y, ray.direction.z}};
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
bool ClipToBox(const TraceRay& ray, const double lo[3], const double hi[3], double* t_in,
               double* t_out) {
  double enter = -HUGE_VAL;
  double exit = HUGE_VAL;
  for (int a = 0; a < 3; ++a) {
    if (std::fabs(ray.d[a]) < kParallelLimit) {
      if (!(ray.o[a] >= lo[a] && ray.o[a] <= hi[a])) return false;
      continue;
    }
    double t1 = (lo[a] - ray.o[a]) / ray.d[a];
    double t2 = (hi[a] - ray.o[a]) / ray.d[a];
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

bool ClipToBox(const TraceRay& ray, const Vec3& lo, const Vec3& hi, double* t_in, double* t_out) {
  const double l[3] = {lo.x, lo.y, lo.z};
  const double h[3] = {hi.x, hi.y, hi.z};
  return ClipToBox(ray, l, h, t_in, t_out);
}

// The triangle test on the stored floats: the plane of the triangle (not parallel to the
// ray, the distance not negative and not beyond `best`), then the hit point projected onto
// the coordinate plane in which the normal has its largest component, inside all three edges
// (points on an edge count), and last the ray must meet the triangle's own box. Answers the
// distance in *distance; `accept(dist)` decides against the best hit so far.
template <class Accept>
bool HitTriangle(const float* const corner[3], const float normal[3], float plane_d,
                 int32_t drop_axis, const TraceRay& ray, Accept accept, double* distance) {
  const double nd = normal[0] * ray.d[0] + normal[1] * ray.d[1] + normal[2] * ray.d[2];
  if (!(std::fabs(nd) >= kParallelLimit)) return false;  // also NaN
  const double no = normal[0] * ray.o[0] + normal[1] * ray.o[1] + normal[2] * ray.o[2];
  const double dist = (plane_d - no) / nd;
  if (!(dist >= 0.0) || !accept(dist)) return false;

  const int drop = (drop_axis >= 0 && drop_axis <= 2) ? drop_axis : 2;
  const int i = (drop + 1) % 3;
  const int j = (drop + 2) % 3;
  const double pi = ray.o[i] + ray.d[i] * dist;
  const double pj = ray.o[j] + ray.d[j] * dist;
  bool any_positive = false;
  bool any_negative = false;
  for (int e = 0; e < 3; ++e) {
    const float* from = corner[e];
    const float* to = corner[(e + 1) % 3];
    const double side = (double(to[i]) - from[i]) * (pj - from[j]) -
                        (double(to[j]) - from[j]) * (pi - from[i]);
    any_positive = any_positive || side > 0.0;
    any_negative = any_negative || side < 0.0;
  }
  if (any_positive && any_negative) return false;

  double lo[3];
  double hi[3];
  for (int a = 0; a < 3; ++a) {
    lo[a] = std::min(std::min(corner[0][a], corner[1][a]), corner[2][a]);
    hi[a] = std::max(std::max(corner[0][a], corner[1][a]), corner[2][a]);
  }
  double box_in = 0.0;
  double box_out = 0.0;
  if (!ClipToBox(ray, lo, hi, &box_in, &box_out)) return false;
  *distance = dist;
  return true;
}

template <class Accept>
bool HitStoredTriangle(const MeshObject& mesh, const Triangle& t, const TraceRay& ray,
                       Accept accept, double* distance) {
  const float* corner[3] = {&mesh.points[t.a].x, &mesh.points[t.b].x, &mesh.points[t.c].x};
  const float normal[3] = {t.normal.x, t.normal.y, t.normal.z};
  return HitTriangle(corner, normal, t.plane_d, t.drop_axis, ray, accept, distance);
}

template <class Accept>
bool HitIndexedTriangle(const TraceTriangle& t, const TraceRay& ray, Accept accept,
                        double* distance) {
  const float* corner[3] = {t.corner[0], t.corner[1], t.corner[2]};
  return HitTriangle(corner, t.normal, t.plane_d, t.drop_axis, ray, accept, distance);
}

// The hit of triangle `index` of `mesh` at `distance` along the ray.
void FillHit(const MeshObject& mesh, const TraceRay& r, double distance, uint32_t index,
             RayHit* hit) {
  hit->object = const_cast<MeshObject*>(&mesh);
  hit->triangle = index;
  hit->distance = static_cast<float>(distance);
  hit->far_distance = hit->distance;
  hit->point = Vec3{static_cast<float>(r.o[0] + r.d[0] * distance),
                    static_cast<float>(r.o[1] + r.d[1] * distance),
                    static_cast<float>(r.o[2] + r.d[2] * distance)};
}

// The smallest double above every double whose float is below `limit`, so that a triangle
// test with this bound misses no distance that rounds below the limit.
double FloatBound(double limit) {
  if (!(limit < HUGE_VAL)) return limit;
  const float f = static_cast<float>(limit);
  return static_cast<double>(std::nextafter(f, HUGE_VALF)) + 0.0;
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
    ClearTraceIndex();
    return;
  }
  Refresh();
  if (HasFlag(kUsePhong)) ComputePointNormals();
  if (!ComputeTracedBox()) return;
  BuildTraceIndex();
  trace_prepared_ = 1;
}

// trace_min .. trace_max := the box of the triangles that can be hit; false when there are
// none. With every triangle traceable this is bbox_min .. bbox_max.
bool MeshObject::ComputeTracedBox() {
  bool any = false;
  for (uint32_t i = 0; i < triangle_count; ++i) {
    const Triangle& t = triangles[i];
    if (!Traceable(*this, t)) continue;
    trace_min = any ? Min(trace_min, t.box_min) : t.box_min;
    trace_max = any ? Max(trace_max, t.box_max) : t.box_max;
    any = true;
  }
  return any;
}

// On a failed allocation the mesh is traced without an index (every triangle is tested).
void MeshObject::BuildTraceIndex() {
  ClearTraceIndex();
  std::unique_ptr<MeshTraceIndex> index(TryNew<MeshTraceIndex>());
  bool built = index != nullptr;
  try {
    std::vector<BvhBox> boxes;
    std::vector<uint32_t> which;
    if (built) {
      boxes.reserve(triangle_count);
      which.reserve(triangle_count);
      for (uint32_t i = 0; i < triangle_count; ++i) {
        const Triangle& t = triangles[i];
        if (!Traceable(*this, t)) continue;
        boxes.push_back(BvhBox{t.box_min, t.box_max});
        which.push_back(i);
      }
      built = index->bvh.Build(boxes, kLeafTriangles);
    }
    if (built) {
      index->triangles.resize(which.size());
      const std::vector<uint32_t>& order = index->bvh.Items();
      for (std::size_t k = 0; k < order.size(); ++k) {
        const uint32_t i = which[order[k]];
        const Triangle& t = triangles[i];
        TraceTriangle& out = index->triangles[k];
        const Vec3* corner[3] = {&points[t.a], &points[t.b], &points[t.c]};
        for (int c = 0; c < 3; ++c) {
          out.corner[c][0] = corner[c]->x;
          out.corner[c][1] = corner[c]->y;
          out.corner[c][2] = corner[c]->z;
        }
        out.normal[0] = t.normal.x;
        out.normal[1] = t.normal.y;
        out.normal[2] = t.normal.z;
        out.plane_d = t.plane_d;
        out.drop_axis = t.drop_axis;
        out.index = i;
      }
    }
  } catch (const std::bad_alloc&) {
    built = false;
  }
  if (!built) {
    ErrorOutput() << "ERROR: Could not allocate memory for the mesh's trace index.\n";
    return;
  }
  trace_index_ = std::move(index);
}

void MeshObject::ResetRayState() {
  ray_tested = 0;
}

bool MeshObject::Intersect(const Ray& ray, float maxDistance) {
  if (ray_tested) return false;
  ray_tested = 1;
  RayHit hit;
  if (!TraceNearest(ray, maxDistance, &hit)) return false;
  hit_triangle = &triangles[hit.triangle];
  hit_distance = hit.distance;
  hit_point = hit.point;
  return true;
}

// The nearest triangle, and among equally near ones the lowest index: the index walks its
// leaves nearest first and skips every node beyond the best distance so far.
bool MeshObject::TraceNearest(const Ray& ray, float maxDistance, RayHit* hit) const {
  if (IsPath() || triangle_count == 0 || !triangles || !points || !trace_prepared_) return false;
  const TraceRay r = ToTraceRay(ray);
  double best = maxDistance >= 0.0f ? std::min<double>(maxDistance, kNoDistanceLimit)
                                    : kNoDistanceLimit;
  // Without an index the box of the mesh spares the triangle tests of rays that miss it (the
  // index's root box does the same, and every triangle test clips to the triangle's box).
  if (!trace_index_) {
    double t_in = 0.0;
    double t_out = 0.0;
    if (!ClipToBox(r, trace_min, trace_max, &t_in, &t_out)) return false;
    if (t_in > best) return false;  // the whole box lies beyond the nearest hit so far
  }

  uint32_t best_index = UINT32_MAX;
  if (trace_index_) {
    const MeshTraceIndex& index = *trace_index_;
    const BvhRay box_ray(ray.origin, ray.direction);
    index.bvh.Traverse(box_ray, &best, [&](uint32_t first, uint32_t count) {
      for (uint32_t k = first; k < first + count; ++k) {
        const TraceTriangle& t = index.triangles[k];
        const auto nearer = [&](double d) {
          // The limit itself is no hit; an equal distance wins only against a found one.
          return d < best || (d == best && best_index != UINT32_MAX && t.index < best_index);
        };
        double dist = 0.0;
        if (!HitIndexedTriangle(t, r, nearer, &dist)) continue;
        best = dist;
        best_index = t.index;
      }
      return false;
    });
  } else {
    for (uint32_t i = 0; i < triangle_count; ++i) {
      const Triangle& t = triangles[i];
      const auto nearer = [&](double d) { return d < best; };
      double dist = 0.0;
      if (!TriangleInRange(t) || !HitStoredTriangle(*this, t, r, nearer, &dist)) continue;
      best = dist;
      best_index = i;
    }
  }
  if (best_index == UINT32_MAX) return false;
  FillHit(*this, r, best, best_index, hit);
  return true;
}

bool MeshObject::TraceAnyBelow(const Ray& ray, double limit, RayHit* hit) const {
  if (IsPath() || triangle_count == 0 || !triangles || !points || !trace_prepared_) return false;
  const TraceRay r = ToTraceRay(ray);
  const double bound = std::min(FloatBound(limit), kNoDistanceLimit);
  if (!trace_index_) {
    double t_in = 0.0;
    double t_out = 0.0;
    if (!ClipToBox(r, trace_min, trace_max, &t_in, &t_out) || t_in > bound) return false;
  }
  const auto below = [&](double d) {
    return d < kNoDistanceLimit && static_cast<double>(static_cast<float>(d)) < limit;
  };
  double found = -1.0;
  uint32_t found_index = 0;
  if (trace_index_) {
    const MeshTraceIndex& index = *trace_index_;
    const BvhRay box_ray(ray.origin, ray.direction);
    index.bvh.Traverse(box_ray, &bound, [&](uint32_t first, uint32_t count) {
      for (uint32_t k = first; k < first + count; ++k) {
        double dist = 0.0;
        if (!HitIndexedTriangle(index.triangles[k], r, below, &dist)) continue;
        found = dist;
        found_index = index.triangles[k].index;
        return true;
      }
      return false;
    });
  } else {
    for (uint32_t i = 0; i < triangle_count && found < 0.0; ++i) {
      const Triangle& t = triangles[i];
      double dist = 0.0;
      if (!TriangleInRange(t) || !HitStoredTriangle(*this, t, r, below, &dist)) continue;
      found = dist;
      found_index = i;
    }
  }
  if (found < 0.0) return false;
  FillHit(*this, r, found, found_index, hit);
  return true;
}

TraceExtent MeshObject::TraceBounds(Vec3* lo, Vec3* hi) const {
  if (IsPath() || triangle_count == 0 || !triangles || !points || !trace_prepared_)
    return TraceExtent::kNone;
  *lo = trace_min;
  *hi = trace_max;
  return TraceExtent::kBounded;
}

Vec3 MeshObject::HitNormal(const RayHit& hit, const Vec3&) const {
  if (hit.triangle >= triangle_count || !triangles) return Vec3{};
  return triangles[hit.triangle].normal;
}

// The auxiliary ray of length 1 that finds the mapping object's coordinates: from a mapping
// sphere's centre towards the point, from the point along a mapping plane's local Z axis, or
// from the point along the normal of triangle `triangle` for any other object.
bool MeshObject::MappingRay(uint32_t triangle, const Vec3& point, Ray* aux) const {
  if (!mapping_object) return false;
  switch (mapping_object->GetType()) {
    case kItemSphere:
      aux->origin = mapping_object->placement.position;
      aux->direction = point - aux->origin;
      aux->Normalize();
      break;
    case kItemPlane:
      aux->origin = point;
      aux->direction = mapping_object->placement.axis_Z;
      break;
    default:
      aux->origin = point;
      aux->direction =
          triangle < triangle_count && triangles ? triangles[triangle].normal : Vec3{};
      break;
  }
  aux->length = 1.0f;
  aux->normalized = 1;
  return true;
}

bool MeshObject::MappingHit(const RayHit& hit, const Vec3& point, RayHit* mapping) const {
  Ray aux;
  if (!MappingRay(hit.triangle, point, &aux) || !mapping_object->TraceNearest(aux, -1.0f, mapping))
    return false;
  if (mapping->object) mapping->object->CompleteHit(aux, mapping);
  return true;
}

void MeshObject::HitTextureUV(RayHit* hit, const Vec3& point) const {
  RayHit mapping;
  if (!MappingHit(*hit, point, &mapping)) {
    hit->u = -1.0f;
    hit->v = -1.0f;
    return;
  }
  // The mapping object's own coordinates, completed by it where it computes them later.
  if (mapping.object) mapping.object->HitTextureUV(&mapping, mapping.point);
  hit->u = mapping.u;
  hit->v = mapping.v;
}

Vec3 MeshObject::HitBump(const RayHit& hit) const {
  RayHit mapping;
  if (!MappingHit(hit, hit.point, &mapping) || !mapping.object) return Vec3{};
  return mapping.object->HitBump(mapping);
}

void MeshObject::ComputeTextureUV() {
  tex_u = -1.0f;
  tex_v = -1.0f;
  const uint32_t triangle =
      hit_triangle ? static_cast<uint32_t>(hit_triangle - triangles) : UINT32_MAX;
  Ray aux;
  if (!MappingRay(triangle, hit_point, &aux)) return;
  // The mapping object keeps the hit as its current one, for BumpAt.
  mapping_object->ResetRayState();
  if (!mapping_object->Intersect(aux, -1.0f)) return;
  tex_u = mapping_object->TextureU();
  tex_v = mapping_object->TextureV();
}

bool MeshObject::HitSmoothNormal(const RayHit& hit, const Vec3& point, Vec3* out) const {
  if (hit.triangle >= triangle_count || !triangles || !point_normals || !out) return false;
  const Triangle& t = triangles[hit.triangle];
  if (!TriangleInRange(t)) return false;
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

bool MeshObject::SmoothNormalAt(const Vec3& point, Vec3* out) const {
  if (!hit_triangle) return false;
  RayHit hit;
  hit.triangle = static_cast<uint32_t>(hit_triangle - triangles);
  return HitSmoothNormal(hit, point, out);
}

}  // namespace orvane
