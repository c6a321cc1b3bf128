#pragma once
// MeshObject: an indexed triangle mesh whose points are stored in world coordinates. With
// `is_path` ≥ 1 the same class is a path: an ordered poly-line of points without triangles,
// the outline and spine of the lathe, extrusion and polygon constructions.
//
// Geometry: `placement.position` is the point about which the mesh rotates and scales; every
// movement and rotation first goes to the mapping object, then to the placement, then to
// every point. Angles are degrees.
//
// Ownership: the mesh owns its point normals, its trace index and its mapping object, and its
// point and triangle arrays when `owns_points` / `owns_triangles` say so (arrays handed over
// with AdoptPoints / AdoptTriangles stay the caller's unless ownership is passed with them).
// Owned arrays are allocated with new[] (TryNewArray) and freed with delete[].
//
// Invariants kept by every operation below: point_count ≤ point_capacity ≤ kMaxMeshPoints
// (except right after AdoptPoints, where the capacity is the adopted count),
// triangle_count ≤ kMaxMeshTriangles, and no operation stores a triangle index that is not
// below point_count. Triangles whose indices are out of range all the same (fresh triangles
// (0,0,0) before the points are set, or points replaced by fewer) are skipped by every
// computation and drawing here; TriangleInRange tells callers which ones those are.
//
// The counts and arrays are public for the readers (ray tracer, writers, exporters); change
// them only through the operations so that the invariants hold.
//
// Failures: operations answer 0 / -1 (or 1 / 0 for AppendPoint) and change nothing when they
// refuse; allocation failures also print an "ERROR: ..." line to ErrorOutput().

#include <cstdint>
#include <memory>

#include "foundation/vec3.h"
#include "scene/scene_object.h"
#include "scene/triangle.h"

namespace orvane {

// Slots a mesh reserves for appending single points before it has an array.
inline constexpr uint32_t kInitialPointCapacity = 100;
// Upper limits of one mesh; larger requests are refused rather than attempted.
inline constexpr uint32_t kMaxMeshPoints = 1u << 26;
inline constexpr uint32_t kMaxMeshTriangles = 1u << 24;

// The editor's coordinate frame for moving and scaling (the Navigation window's choice).
enum class CoordinateMode : int32_t { kObject = 0, kWorld = 1, kCamera = 2 };

// How the editor currently shows and edits meshes. Process-wide, like the editor's settings:
// the editor writes it, ApplyScale and BuildPreview read it. The defaults are the editor's
// start values.
struct MeshViewSettings {
  bool shaded = false;        // views show filled faces
  uint32_t reduced_step = 3;  // moving preview: every n-th triangle
  CoordinateMode coordinate_mode = CoordinateMode::kObject;
};
MeshViewSettings& MeshSettings();

// The capacity for `needed` points when the current `capacity` is too small: doubled (or
// kInitialPointCapacity when it is 0) until it suffices, at most kMaxMeshPoints. 0 when
// `needed` is above kMaxMeshPoints.
uint32_t GrownPointCapacity(uint32_t capacity, uint32_t needed);

struct MeshTraceIndex;  // mesh_trace_index.h

class MeshObject : public SceneObject {
 public:
  // A mesh without points or triangles, preview_dirty 1, drawn as line loops, with a
  // radius-1 MathSphere as mapping object (none, with an "ERROR:" line, if that cannot be
  // allocated).
  MeshObject();
  ~MeshObject() override;
  MeshObject& operator=(const MeshObject&) = delete;

  int GetType() const override { return kItemMesh; }
  // "Path" when is_path ≥ 1, else "3D-Mesh-Object".
  const char* TypeName() const override;
  bool IsPath() const { return is_path >= 1; }

  // --- Points and triangles ---

  // Replace the array by `count` fresh elements (points (0,0,0), triangles with indices
  // (0,0,0)); the point capacity becomes `count`. 0, or -1 when the memory cannot be had or
  // `count` is above the limit; the mesh then keeps its previous array.
  int SetPointCount(uint32_t count);
  int SetTriangleCount(uint32_t count);
  // 0, or -1 when `index` is not below the count (nothing changes).
  int SetPoint(uint32_t index, float x, float y, float z);
  int SetPoint(uint32_t index, const Vec3& point);
  // Also -1 when a corner index is not below point_count: set the points first.
  int SetTriangle(uint32_t index, uint32_t a, uint32_t b, uint32_t c);
  // The element; the first one for an index out of range; null when there is none.
  Vec3* GetPoint(uint32_t index);
  const Vec3* GetPoint(uint32_t index) const;
  Triangle* GetTriangle(uint32_t index);
  const Triangle* GetTriangle(uint32_t index) const;
  bool TriangleInRange(const Triangle& t) const {
    return t.a < point_count && t.b < point_count && t.c < point_count;
  }

  // Appends `point`; when the capacity is exhausted it doubles (the 101st point of a mesh
  // built by appending makes it 200), the points move to the new array and an owned old
  // array is freed. 1, or 0 when the memory cannot be had (the mesh is unchanged).
  int AppendPoint(const Vec3& point);

  // Take `array` of `count` elements as the mesh's points or triangles. The old array is
  // freed when the mesh owns it (unless it is `array` itself); the mesh owns the new one only
  // when `take_ownership` is set. Refused (-1, the caller keeps the array) when `array` is
  // null while `count` is not 0, when `count` is above the limit, and for triangles when an
  // index is not below point_count. 0 on success.
  int AdoptPoints(Vec3* array, uint32_t count, bool take_ownership = false);
  int AdoptTriangles(Triangle* array, uint32_t count, bool take_ownership = false);

  // Removes the points whose indices are listed (repeats allowed) and every triangle that uses
  // one of them; the remaining points close up in order and the triangles are renumbered to
  // match. Refused (-1, nothing changes) when an index is not below point_count or the
  // working memory cannot be had; 0 otherwise.
  int DeletePoints(const uint32_t* indices, uint32_t count);

  // --- Derived data ---

  // Edges, normal and plane constant of every triangle.
  void ComputeTriangleData();
  // The ray tracer's per-triangle data (Triangle::drop_axis), from the normals.
  void ComputeTraceData();
  // Every triangle's box and the mesh box over all triangle corners (points used by no
  // triangle do not count). Paths and meshes without triangles keep their boxes.
  void ComputeBoxes();
  // Per point, the normalized sum of the normals of the triangles that use it ((0,0,0) for a
  // point used by none). 0, or -1 when the array cannot be allocated.
  int ComputePointNormals();
  // Triangle data, trace data and boxes; the trace index is dropped.
  void Refresh();
  // Drops the trace index: a prepared mesh without one tests every triangle.
  void ClearTraceIndex();
  bool HasTraceIndex() const { return trace_index_ != nullptr; }

  // Replaces the mapping object (the old one is destroyed; null leaves none) and owns `object`.
  void SetMappingObject(SceneObject* object);

  // --- Scene item operations ---

  void BuildPreview(PreviewSink& sink, int variant) override;
  // ApplyScaleIn(MeshSettings().coordinate_mode).
  void ApplyScale() override;
  // With a scale centre c: position and every point p become c + S(p − c), S scaling by
  // `scale` along the world axes, or in Object mode along the object's own axes (the offset
  // turned back by axis_deg, scaled, turned forward again). Without a centre nothing happens.
  void ApplyScaleIn(CoordinateMode mode);
  void Move(const Ray& step) override;
  void RotateAboutAxis(float degrees, const Vec3& axis, const Vec3& point) override;
  void RotateEuler(const Vec3& degrees, const Vec3& center, int order) override;
  // These turn the frame and every point about `position`.
  void RotateAxesAboutAxis(float degrees, const Vec3& axis) override;
  void RotateAxesEuler(const Vec3& degrees, int order) override;
  void TurnAboutAxis(float degrees, const Vec3& axis, const Vec3& point) override;
  void TurnEuler(const Vec3& degrees, const Vec3& center, int order) override;
  // Turns frame and points about `position`, relative to the current orientation, by the yaw
  // (about Y) and pitch (about the new axis_X) that carry +Z onto `direction`, and remembers
  // (pitch, yaw, 0) in turn_angles. A direction shorter than kEps turns nothing and
  // remembers (0,0,0). The mapping object gets PointAlong(direction).
  void PointAlong(const Vec3& direction) override;
  // The mapping object gets LookAt(point); the mesh turns along point − position as above.
  void LookAt(const Vec3& point) override;
  // LookAt(point); *anglesOut := turn_angles.
  void TurnTowards(const Vec3& point, Vec3* anglesOut) override;

  // --- Ray tracing ---
  //
  // PrepareRender must run before tracing and again after the geometry changes (the render
  // driver prepares every frame). It refreshes the triangle data and boxes, builds the point
  // normals for use_phong, puts the box of the triangles that can be hit into trace_min ..
  // trace_max, builds the trace index over them (a bounding volume hierarchy with a compact
  // copy of the triangles in its order) and gives the mapping object the mesh's material.
  // Triangles with a zero or non-finite normal or box (degenerate ones, NaN points) are never
  // hit, nor are hits at or beyond 1e10. Replacing the point or triangle arrays drops the
  // prepared state, and an unprepared mesh is never hit; a prepared mesh without an index
  // (ClearTraceIndex, or when its memory could not be had) tests every triangle and finds the
  // same hits.
  //
  // Among triangles hit at the same distance the one with the lowest index is the hit.
  void PrepareRender() override;
  // Starts a new search: the next Intersect looks for a hit again.
  void ResetRayState() override;
  // The nearest triangle hit in front of the ray origin, nearer than maxDistance (no limit
  // when negative), as hit_triangle, hit_distance (along the unit ray) and hit_point. One hit
  // per search: further calls answer false until ResetRayState. Paths, meshes without
  // triangles and unprepared meshes are never hit.
  bool Intersect(const Ray& ray, float maxDistance) override;
  bool TraceNearest(const Ray& ray, float maxDistance, RayHit* hit) const override;
  // Any triangle whose distance (as a float) is below `limit`; the index stops at the first.
  bool TraceAnyBelow(const Ray& ray, double limit, RayHit* hit) const override;
  Vec3 HitNormal(const RayHit& hit, const Vec3& point) const override;
  // The mapping object's (u, v) at the hit at `point` as ComputeTextureUV finds them; (-1, -1)
  // when the auxiliary ray misses the mapping object or there is none.
  void HitTextureUV(RayHit* hit, const Vec3& point) const override;
  Vec3 HitBump(const RayHit& hit) const override;
  TraceExtent TraceBounds(Vec3* lo, Vec3* hi) const override;
  // SmoothNormalAt for the triangle of `hit`.
  bool HitSmoothNormal(const RayHit& hit, const Vec3& point, Vec3* out) const;
  // tex_u := -1, then the mapping object's (u, v) where an auxiliary ray of length 1 meets it:
  // from a mapping sphere's centre towards hit_point, from hit_point along a mapping plane's
  // local Z axis, or from hit_point along the hit triangle's normal for any other object.
  // Without a mapping object or a hit tex_u and tex_v are -1 (colour samples use the channel
  // colours).
  void ComputeTextureUV() override;
  // The smooth normal at `point` on hit_triangle: its three point normals weighted by the
  // barycentric weights of `point` (each weight: the point's distance from an edge line over
  // the opposite corner's distance from it), not normalized. False (out untouched) without a
  // hit triangle or point normals.
  bool SmoothNormalAt(const Vec3& point, Vec3* out) const;
  bool IsPrepared() const { return trace_prepared_ != 0; }

  float NearDistance() const override { return hit_distance; }
  float FarDistance() const override { return hit_distance; }
  void SetDistance(float distance) override { hit_distance = distance; }
  float TextureU() const override { return tex_u; }
  float TextureV() const override { return tex_v; }
  // Stores the coordinates and passes them on to the mapping object.
  void SetTextureUV(float u, float v) override;
  // hit_point := point; out := the normal of hit_triangle ((0,0,0) without one).
  void NormalAt(Vec3* out, const Vec3& point) override;
  // The mapping object's perturbation; (0,0,0) without one.
  void BumpAt(Vec3* out) override;

  // A deep copy: own arrays with the same contents and capacity, a clone of the mapping
  // object (a new radius-1 sphere when there is none), no point normals, no trace index. Null
  // when any part cannot be allocated.
  SceneObject* Clone() const override;

  // --- Data ---

  float hit_distance = 0.0f;
  float tex_u = 0.0f;
  float tex_v = 0.0f;
  uint32_t triangle_count = 0;
  int32_t ray_tested = 0;
  Vec3 bbox_min;
  Vec3 bbox_max;
  Vec3 hit_point;
  Vec3 trace_min;  // the box of the triangles that can be hit (PrepareRender)
  Vec3 trace_max;
  int32_t owns_points = 0;
  int32_t owns_triangles = 0;
  Vec3* points = nullptr;
  Vec3* point_normals = nullptr;  // point_count entries when built, else null
  Triangle* triangles = nullptr;
  Triangle* hit_triangle = nullptr;  // into `triangles`; null when there is no current hit
  SceneObject* mapping_object = nullptr;
  uint32_t point_count = 0;
  uint32_t point_capacity = kInitialPointCapacity;
  int32_t is_path = 0;
  Vec3 turn_angles;  // (pitch, yaw, 0) of the last PointAlong / LookAt

 protected:
  // The scene-language text: the mapping object's block (renamed NAME_mat_object, invisible, with
  // the mesh's material), the "points NAME{" block and the "trimesh NAME{" block.
  void BuildNativeText(LIST& lines) override;
  void BuildVrmlText(LIST& lines) override;
  void BuildPovText(LIST& lines) override;

 private:
  // For Clone: copies everything but the arrays, the index, the point normals and the mapping
  // object, which start empty.
  MeshObject(const MeshObject& other);

  void ReleasePoints();
  void ReleaseTriangles();
  void FreePointNormals();
  // Called after the point or triangle arrays changed shape.
  void PointsChanged();
  void TrianglesChanged();

  // The turns without forwarding to the mapping object.
  void TurnFrameEuler(const Vec3& degrees, int order);
  void TurnBodyAboutAxis(float degrees, const Vec3& axis, const Vec3& point);
  void TurnBodyEuler(const Vec3& degrees, const Vec3& center, int order);
  void TurnFrameAboutAxis(double degrees, const Vec3& axis);
  void TurnAlong(const Vec3& direction);

  // Where ApplyScaleIn(mode) puts `p` for the centre `c`.
  Vec3 ScaledAbout(const Vec3& p, const Vec3& c, CoordinateMode mode) const;
  // A point as the preview draws it: with the pending scale applied, z negated.
  Vec3 PreviewPoint(const Vec3& p) const;
  void BuildMeshPreview(PreviewSink& sink, int variant);
  void BuildPathPreview(PreviewSink& sink, int variant);
  void BuildPointPreview(PreviewSink& sink);

  // Tracing steps (mesh_trace.cpp).
  bool ComputeTracedBox();
  void BuildTraceIndex();
  // The auxiliary ray to the mapping object for the hit of `triangle` at `point`; false
  // without a mapping object.
  bool MappingRay(uint32_t triangle, const Vec3& point, Ray* aux) const;
  // The mapping object's hit for the surface hit at `point`, by the auxiliary ray.
  bool MappingHit(const RayHit& hit, const Vec3& point, RayHit* mapping) const;

  int32_t trace_prepared_ = 0;  // 1 from PrepareRender until the geometry changes
  std::unique_ptr<MeshTraceIndex> trace_index_;
};

}  // namespace orvane
