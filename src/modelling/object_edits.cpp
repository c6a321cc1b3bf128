#include "modelling/object_edits.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <unordered_map>
#include <utility>

#include "foundation/error_output.h"
#include "scene/math_plane.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"
#include "scene/preview_sink.h"

namespace orvane {

namespace {

constexpr uint32_t kNoPoint = UINT32_MAX;

CommandResult Nothing() {
  return CommandResult{};
}

CommandResult OutOfMemory() {
  return CommandResult::Refused(kOutOfMemoryTitle, kOutOfMemoryText);
}

CommandResult TooLarge() {
  return CommandResult::Refused(kMeshTooLargeTitle, kMeshTooLargeText);
}

// The box of the mesh's points; false (and both corners (0,0,0)) without points.
bool PointBox(const MeshObject& mesh, Vec3* lo, Vec3* hi) {
  *lo = *hi = Vec3{};
  if (!mesh.points || mesh.point_count == 0) return false;
  *lo = *hi = mesh.points[0];
  for (uint32_t i = 1; i < mesh.point_count; ++i) {
    const Vec3& p = mesh.points[i];
    *lo = Vec3{std::min(lo->x, p.x), std::min(lo->y, p.y), std::min(lo->z, p.z)};
    *hi = Vec3{std::max(hi->x, p.x), std::max(hi->y, p.y), std::max(hi->z, p.z)};
  }
  return true;
}

float Middle(float lo, float hi) {
  return static_cast<float>(lo + (static_cast<double>(hi) - lo) * 0.5);
}

// --- look at ------------------------------------------------------------------------------

// Undoes the accumulated angles: z about axis_Z, then x about axis_X, then y about axis_Y.
void TurnBack(SceneObject& item, bool frame_only) {
  const Vec3 degrees = item.placement.axis_deg;
  auto turn = [&item, frame_only](float angle, const Vec3& own_axis) {
    if (angle == 0.0f) return;
    const Vec3 axis = own_axis;  // the turn changes the frame the reference points into
    if (frame_only) {
      item.placement.RotateAxesAboutAxis(-angle, axis);
    } else {
      item.RotateAxesAboutAxis(-angle, axis);
    }
  };
  turn(degrees.z, item.placement.axis_Z);
  turn(degrees.x, item.placement.axis_X);
  turn(degrees.y, item.placement.axis_Y);
}

void TurnTowardsPoint(SceneObject& item, const Vec3& target, bool frame_only, bool turn_back) {
  if (turn_back) TurnBack(item, frame_only);
  Vec3 angles;
  // Towards its own position an item has no direction to turn to.
  if (Distance(item.placement.position, target) >= kEps) {
    if (frame_only) {
      item.SceneObject::TurnTowards(target, &angles);  // the frame alone
    } else {
      item.TurnTowards(target, &angles);
    }
  }
  item.placement.axis_deg = angles;
  item.preview_dirty = 1;
}

// --- drag and subdivide -------------------------------------------------------------------

uint64_t EdgeKey(uint32_t u, uint32_t v) {
  if (u > v) std::swap(u, v);
  return (uint64_t{u} << 32) | v;
}

bool InArray(std::span<const uint32_t> selection, uint32_t count) {
  return std::all_of(selection.begin(), selection.end(), [count](uint32_t i) { return i < count; });
}

std::vector<uint8_t> SelectedFlags(std::span<const uint32_t> selection, uint32_t count) {
  std::vector<uint8_t> flags(count, 0);
  for (uint32_t i : selection) flags[i] = 1;
  return flags;
}

bool AllSelected(const Triangle& t, const std::vector<uint8_t>& flags) {
  return flags[t.a] && flags[t.b] && flags[t.c];
}

bool Distinct(const Triangle& t) {
  return t.a != t.b && t.b != t.c && t.a != t.c;
}

// New point and triangle arrays: the old contents at the front, `extra_points` and
// `extra_triangles` fresh slots behind them. False (nothing allocated) when memory is short.
struct GrownArrays {
  std::unique_ptr<Vec3[]> points;
  std::unique_ptr<Triangle[]> triangles;
  uint32_t point_count = 0;
  uint32_t triangle_count = 0;
};

bool Grow(const MeshObject& mesh, uint32_t extra_points, uint32_t extra_triangles,
          GrownArrays* out) {
  out->point_count = mesh.point_count + extra_points;
  out->triangle_count = mesh.triangle_count + extra_triangles;
  out->points.reset(TryNewArray<Vec3>(std::max<uint32_t>(out->point_count, 1)));
  out->triangles.reset(TryNewArray<Triangle>(std::max<uint32_t>(out->triangle_count, 1)));
  if (!out->points || !out->triangles) return false;
  std::copy(mesh.points, mesh.points + mesh.point_count, out->points.get());
  std::copy(mesh.triangles, mesh.triangles + mesh.triangle_count, out->triangles.get());
  return true;
}

bool Fits(const MeshObject& mesh, uint64_t extra_points, uint64_t extra_triangles) {
  return mesh.point_count + extra_points <= kMaxMeshPoints &&
         mesh.triangle_count + extra_triangles <= kMaxMeshTriangles;
}

// Hands the grown arrays to the mesh (which then owns them) and refreshes its derived data.
CommandResult Install(MeshObject& mesh, GrownArrays& grown) {
  if (mesh.AdoptPoints(grown.points.get(), grown.point_count, true) != 0) return TooLarge();
  grown.points.release();
  if (mesh.AdoptTriangles(grown.triangles.get(), grown.triangle_count, true) != 0)
    return TooLarge();  // not reached: every index was made below the new point count
  grown.triangles.release();
  mesh.Refresh();
  mesh.preview_dirty = 1;
  return CommandResult::Built(&mesh);
}

Triangle MakeTriangle(uint32_t a, uint32_t b, uint32_t c) {
  Triangle t;
  t.a = a;
  t.b = b;
  t.c = c;
  return t;
}

// The corner pairs of a triangle's edges in the order drag visits them: (a, b), (a, c), (b, c).
constexpr int kDragEdges[3][2] = {{0, 1}, {0, 2}, {1, 2}};

CommandResult Drag(MeshObject& mesh, std::span<uint32_t> selection) {
  const std::vector<uint8_t> flags = SelectedFlags(selection, mesh.point_count);
  std::vector<uint32_t> faces;
  for (uint32_t i = 0; i < mesh.triangle_count; ++i) {
    const Triangle& t = mesh.triangles[i];
    if (mesh.TriangleInRange(t) && AllSelected(t, flags)) faces.push_back(i);
  }
  if (faces.empty()) return Nothing();

  // How many selected triangles hold each edge (a triangle counts once per edge).
  std::unordered_map<uint64_t, uint32_t> holders;
  for (uint32_t f : faces) {
    const Triangle& t = mesh.triangles[f];
    const uint64_t keys[3] = {EdgeKey(t.a, t.b), EdgeKey(t.a, t.c), EdgeKey(t.b, t.c)};
    for (int k = 0; k < 3; ++k) {
      if (std::find(keys, keys + k, keys[k]) == keys + k) ++holders[keys[k]];
    }
  }
  auto on_boundary = [&holders](uint32_t u, uint32_t v) { return holders[EdgeKey(u, v)] == 1; };

  // Duplicates in the order the walk below meets the boundary points.
  std::vector<uint32_t> duplicate(mesh.point_count, kNoPoint);
  uint32_t duplicates = 0;
  uint64_t boundary_edges = 0;
  for (uint32_t f : faces) {
    const Triangle& t = mesh.triangles[f];
    const uint32_t corner[3] = {t.a, t.b, t.c};
    for (const auto& edge : kDragEdges) {
      const uint32_t u = corner[edge[0]];
      const uint32_t v = corner[edge[1]];
      if (!on_boundary(u, v)) continue;
      ++boundary_edges;
      if (duplicate[u] == kNoPoint) duplicate[u] = mesh.point_count + duplicates++;
      if (duplicate[v] == kNoPoint) duplicate[v] = mesh.point_count + duplicates++;
    }
  }
  if (!Fits(mesh, duplicates, 2 * boundary_edges)) return TooLarge();

  GrownArrays grown;
  if (!Grow(mesh, duplicates, static_cast<uint32_t>(2 * boundary_edges), &grown))
    return OutOfMemory();
  for (uint32_t p = 0; p < mesh.point_count; ++p) {
    if (duplicate[p] != kNoPoint) grown.points[duplicate[p]] = mesh.points[p];
  }
  uint32_t next = mesh.triangle_count;
  for (uint32_t f : faces) {
    const Triangle& t = mesh.triangles[f];  // the triangle as it was
    const uint32_t corner[3] = {t.a, t.b, t.c};
    uint32_t result[3] = {t.a, t.b, t.c};
    for (const auto& edge : kDragEdges) {
      const uint32_t u = corner[edge[0]];
      const uint32_t v = corner[edge[1]];
      if (!on_boundary(u, v)) continue;
      grown.triangles[next++] = MakeTriangle(u, v, duplicate[u]);
      grown.triangles[next++] = MakeTriangle(v, duplicate[v], duplicate[u]);
      result[edge[0]] = duplicate[u];
      result[edge[1]] = duplicate[v];
    }
    for (uint32_t& c : result) {
      if (c < mesh.point_count && duplicate[c] != kNoPoint) c = duplicate[c];
    }
    grown.triangles[f].a = result[0];
    grown.triangles[f].b = result[1];
    grown.triangles[f].c = result[2];
  }
  CommandResult installed = Install(mesh, grown);
  if (!installed.ok()) return installed;
  for (uint32_t& s : selection) {
    if (duplicate[s] != kNoPoint) s = duplicate[s];
  }
  return installed;
}

CommandResult Subdivide(MeshObject& mesh, std::span<const uint32_t> selection,
                        std::vector<uint32_t>* added) {
  const std::vector<uint8_t> flags = SelectedFlags(selection, mesh.point_count);
  auto split = [&](const Triangle& t) {
    return mesh.TriangleInRange(t) && Distinct(t) && AllSelected(t, flags);
  };

  // Midpoints of the split triangles' edges, numbered after the existing points.
  std::unordered_map<uint64_t, uint32_t> midpoint;
  std::vector<std::pair<uint32_t, uint32_t>> ends;
  for (uint32_t i = 0; i < mesh.triangle_count; ++i) {
    const Triangle& t = mesh.triangles[i];
    if (!split(t)) continue;
    for (const auto& [u, v] : {std::pair{t.a, t.b}, std::pair{t.b, t.c}, std::pair{t.c, t.a}}) {
      if (midpoint.emplace(EdgeKey(u, v), mesh.point_count + ends.size()).second)
        ends.emplace_back(u, v);
    }
  }
  if (ends.empty()) return Nothing();

  auto find = [&midpoint](uint32_t u, uint32_t v) {
    const auto it = midpoint.find(EdgeKey(u, v));
    return it == midpoint.end() ? kNoPoint : it->second;
  };
  uint64_t extra_triangles = 0;
  for (uint32_t i = 0; i < mesh.triangle_count; ++i) {
    const Triangle& t = mesh.triangles[i];
    if (!mesh.TriangleInRange(t) || !Distinct(t)) continue;
    if (split(t)) {
      extra_triangles += 3;
    } else if (find(t.a, t.b) != kNoPoint || find(t.b, t.c) != kNoPoint ||
               find(t.c, t.a) != kNoPoint) {
      extra_triangles += 1;
    }
  }
  if (!Fits(mesh, ends.size(), extra_triangles)) return TooLarge();
  if (added) added->reserve(added->size() + ends.size());

  const uint32_t old_count = mesh.point_count;
  GrownArrays grown;
  if (!Grow(mesh, static_cast<uint32_t>(ends.size()), static_cast<uint32_t>(extra_triangles),
            &grown))
    return OutOfMemory();
  for (size_t k = 0; k < ends.size(); ++k) {
    const Vec3& p = mesh.points[ends[k].first];
    const Vec3& q = mesh.points[ends[k].second];
    grown.points[mesh.point_count + k] =
        Vec3{static_cast<float>((static_cast<double>(p.x) + q.x) * 0.5),
             static_cast<float>((static_cast<double>(p.y) + q.y) * 0.5),
             static_cast<float>((static_cast<double>(p.z) + q.z) * 0.5)};
  }
  uint32_t next = mesh.triangle_count;
  for (uint32_t i = 0; i < mesh.triangle_count; ++i) {
    const Triangle& t = mesh.triangles[i];
    if (!mesh.TriangleInRange(t) || !Distinct(t)) continue;
    const uint32_t a = t.a, b = t.b, c = t.c;
    const uint32_t ab = find(a, b), bc = find(b, c), ca = find(c, a);
    Triangle& kept = grown.triangles[i];
    if (split(t)) {
      kept.b = ab;
      kept.c = ca;
      grown.triangles[next++] = MakeTriangle(ab, b, bc);
      grown.triangles[next++] = MakeTriangle(ca, bc, c);
      grown.triangles[next++] = MakeTriangle(ab, bc, ca);
    } else if (ab != kNoPoint) {
      kept.b = ab;
      grown.triangles[next++] = MakeTriangle(ab, b, c);
    } else if (bc != kNoPoint) {
      kept.c = bc;
      grown.triangles[next++] = MakeTriangle(a, bc, c);
    } else if (ca != kNoPoint) {
      kept.c = ca;
      grown.triangles[next++] = MakeTriangle(ca, b, c);
    }
  }
  CommandResult installed = Install(mesh, grown);
  if (installed.ok() && added) {
    for (size_t k = 0; k < ends.size(); ++k) added->push_back(old_count + static_cast<uint32_t>(k));
  }
  return installed;
}

}  // namespace

CommandResult LookAtReference(SceneObject* current, const SceneObject* reference, EditMode mode) {
  if (!current || !reference)
    return CommandResult::Refused(kNoUsableObjectTitle, kNoUsableObjectText);
  const Vec3 target = reference->placement.position;
  SceneObject* turned = current;
  if (mode == EditMode::kTexture) {
    auto* mesh = dynamic_cast<MeshObject*>(current);
    if (mesh && mesh->mapping_object) turned = mesh->mapping_object;
  }
  const bool turn_back = turned->GetType() != kItemCamera;
  TurnTowardsPoint(*turned, target, mode == EditMode::kAxis, turn_back);
  return CommandResult::Built(turned);
}

CommandResult EqualizeToReference(SceneObject* current, const SceneObject* reference) {
  if (!current || !reference || current == reference)
    return CommandResult::Refused(kSelectReferenceTitle, kSelectReferenceText);
  auto* mesh = dynamic_cast<MeshObject*>(current);
  const auto* model = dynamic_cast<const MeshObject*>(reference);
  if (!mesh || !model) return CommandResult::Refused(kBothMeshesTitle, kBothMeshesText);

  Vec3 lo, hi, model_lo, model_hi;
  if (!PointBox(*mesh, &lo, &hi) || !PointBox(*model, &model_lo, &model_hi)) return Nothing();
  auto factor = [](float lo_c, float hi_c, float model_lo_c, float model_hi_c) {
    const double extent = static_cast<double>(hi_c) - lo_c;
    const double f = (static_cast<double>(model_hi_c) - model_lo_c) / extent;
    return extent >= kEps && std::isfinite(f) ? static_cast<float>(f) : 1.0f;
  };
  const float fx = factor(lo.x, hi.x, model_lo.x, model_hi.x);
  const float fy = factor(lo.y, hi.y, model_lo.y, model_hi.y);
  const float fz = factor(lo.z, hi.z, model_lo.z, model_hi.z);

  Vec3 origin;
  Vec3* const previous_centre = mesh->scale_center;
  mesh->SetScale(fx, fy, fz);
  mesh->SetScaleCenter(&origin);
  mesh->ApplyScaleIn(CoordinateMode::kWorld);
  mesh->SetScale(1.0f, 1.0f, 1.0f);
  mesh->SetScaleCenter(previous_centre);
  mesh->Refresh();
  mesh->preview_dirty = 1;
  return CommandResult::Built(mesh);
}

CommandResult CenterAxis(SceneObject* current) {
  auto* mesh = dynamic_cast<MeshObject*>(current);
  Vec3 lo, hi;
  if (!mesh || !PointBox(*mesh, &lo, &hi)) return Nothing();
  mesh->placement.position = Vec3{Middle(lo.x, hi.x), Middle(lo.y, hi.y), Middle(lo.z, hi.z)};
  return CommandResult::Built(mesh);
}

CommandResult ChooseMapping(SceneObject* current, MappingKind kind, PreviewSink* sink) {
  if (!current) return CommandResult::Refused(kNoUsableObjectTitle, kNoUsableObjectText);
  auto* mesh = dynamic_cast<MeshObject*>(current);
  if (!mesh || (kind != MappingKind::kSphere && kind != MappingKind::kPlane)) return Nothing();

  SceneObject* fresh = nullptr;
  if (kind == MappingKind::kSphere) {
    fresh = TryNew<MathSphere>(1.0f);
  } else if (MathPlane* plane = TryNew<MathPlane>()) {
    plane->SetPlaneType(kPlaneRectangle);
    plane->SetRadiusX(1.0f);
    plane->SetRadiusY(1.0f);
    fresh = plane;
  }
  if (!fresh) return OutOfMemory();
  SceneObject* old = mesh->mapping_object;
  if (sink && old && old->display_lists[0] != 0) sink->DeleteList(old->display_lists[0]);
  mesh->SetMappingObject(fresh);
  FitMappingObject(*mesh);
  return CommandResult::Built(mesh);
}

CommandResult EqualizeMapping(SceneObject* current) {
  if (!current) return CommandResult::Refused(kNoUsableObjectTitle, kNoUsableObjectText);
  auto* mesh = dynamic_cast<MeshObject*>(current);
  if (!mesh || !mesh->mapping_object) return Nothing();
  FitMappingObject(*mesh);
  return CommandResult::Built(mesh);
}

void FitMappingObject(MeshObject& mesh) {
  SceneObject* mapping = mesh.mapping_object;
  if (!mapping) return;
  Vec3 lo, hi;
  PointBox(mesh, &lo, &hi);
  const double ex = static_cast<double>(hi.x) - lo.x;
  const double ey = static_cast<double>(hi.y) - lo.y;
  const double ez = static_cast<double>(hi.z) - lo.z;
  mapping->placement = Placement{};
  mapping->placement.position = Vec3{Middle(lo.x, hi.x), Middle(lo.y, hi.y), Middle(lo.z, hi.z)};
  mapping->SetScale(1.0f, 1.0f, 1.0f);
  if (auto* sphere = dynamic_cast<MathSphere*>(mapping)) {
    sphere->SetRadius(static_cast<float>(
        std::sqrt((ex / 2) * (ex / 2) + (ey / 2) * (ey / 2) + (ez / 2) * (ez / 2))));
  } else if (auto* plane = dynamic_cast<MathPlane*>(mapping)) {
    plane->SetRadiusX(static_cast<float>(ex / 2));
    plane->SetRadiusY(static_cast<float>(ex / 2));
  }
  mapping->preview_dirty = 1;
}

MappingKind CurrentMapping(const MeshObject& mesh) {
  if (!mesh.mapping_object) return MappingKind::kNone;
  if (dynamic_cast<const MathSphere*>(mesh.mapping_object)) return MappingKind::kSphere;
  if (dynamic_cast<const MathPlane*>(mesh.mapping_object)) return MappingKind::kPlane;
  return MappingKind::kOther;
}

CommandResult DragPoints(SceneObject* current, std::span<uint32_t> selection) {
  auto* mesh = dynamic_cast<MeshObject*>(current);
  if (!mesh || selection.size() < 3 || !InArray(selection, mesh->point_count)) return Nothing();
  try {
    return Drag(*mesh, selection);
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
}

CommandResult SubdividePoints(SceneObject* current, std::span<const uint32_t> selection,
                              std::vector<uint32_t>* added) {
  auto* mesh = dynamic_cast<MeshObject*>(current);
  if (!mesh || selection.size() <= 2 || !InArray(selection, mesh->point_count)) return Nothing();
  try {
    return Subdivide(*mesh, selection, added);
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
}

}  // namespace orvane
