#include "modelling/extrusion.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

#include "foundation/error_output.h"
#include "modelling/construction_object.h"
#include "modelling/lathe.h"
#include "modelling/polygons.h"
#include "scene/mesh_object.h"
#include "scene/naming.h"

namespace orvane {

namespace {

using MeshPtr = std::unique_ptr<MeshObject>;

bool SizeOk(double v) {
  return std::isfinite(v) && std::fabs(v) <= kMaxSize;
}

CommandResult OutOfMemory() {
  return CommandResult::Refused(kOutOfMemoryTitle, kOutOfMemoryText);
}

MeshPtr NewMesh(uint64_t points, uint64_t triangles) {
  if (points > kMaxBuiltPoints || triangles > kMaxBuiltTriangles) return nullptr;
  MeshPtr mesh(TryNew<MeshObject>());
  if (!mesh) return nullptr;
  if (mesh->SetPointCount(static_cast<uint32_t>(points)) != 0 ||
      mesh->SetTriangleCount(static_cast<uint32_t>(triangles)) != 0) {
    return nullptr;
  }
  return mesh;
}

// The outline filled by the triangulation construction. For fewer than three points a mesh
// with the outline's points and no triangles. Null when memory cannot be had or the outline is
// too long.
MeshPtr TriangulatedCopy(MeshObject& outline) {
  if (outline.point_count < 3) {
    MeshPtr copy = NewMesh(outline.point_count, 0);
    if (!copy) return nullptr;
    for (uint32_t i = 0; i < outline.point_count; ++i) copy->SetPoint(i, outline.points[i]);
    return copy;
  }
  ConstructionObject c;
  c.construction = kConstructTriangulate;
  c.outline = &outline;
  const int status = c.Construct();
  MeshPtr result(c.result);
  if (status != 0 || !result || result->point_count != outline.point_count) return nullptr;
  return result;
}

// Twice the signed area in the XY plane (positive counter-clockwise, x right, y up).
double OutlineArea2(const Vec3* p, uint32_t n) {
  double sum = 0.0;
  for (uint32_t i = 0; i < n; ++i) {
    const Vec3& a = p[i];
    const Vec3& b = p[(i + 1) % n];
    sum += static_cast<double>(a.x) * b.y - static_cast<double>(b.x) * a.y;
  }
  return sum;
}

double FacesArea2(const MeshObject& faces) {
  double sum = 0.0;
  for (uint32_t i = 0; i < faces.triangle_count; ++i) {
    const Triangle& t = faces.triangles[i];
    if (!faces.TriangleInRange(t)) continue;
    const Vec3& a = faces.points[t.a];
    const Vec3& b = faces.points[t.b];
    const Vec3& c = faces.points[t.c];
    sum += (static_cast<double>(b.x) - a.x) * (static_cast<double>(c.y) - a.y) -
           (static_cast<double>(b.y) - a.y) * (static_cast<double>(c.x) - a.x);
  }
  return sum;
}

// The two side triangles of one segment along the edge u -> v (the direction in which the
// front face runs along it); `lo` and `hi` map a point to its index on the two rings.
template <class Lo, class Hi>
uint32_t AddSide(MeshObject& mesh, uint32_t next, uint32_t u, uint32_t v, Lo lo, Hi hi) {
  mesh.SetTriangle(next++, lo(u), hi(v), lo(v));
  mesh.SetTriangle(next++, lo(u), hi(u), hi(v));
  return next;
}

MeshPtr ExtrudePath(MeshObject& path, const MeshObject& faces, double depth, uint32_t segments,
                    bool closed) {
  const uint32_t n = path.point_count;
  const uint32_t f = faces.triangle_count;
  const uint32_t edges = closed ? n : n - 1;
  MeshPtr mesh =
      NewMesh(uint64_t{segments + 1} * n, 2 * uint64_t{f} + 2 * uint64_t{edges} * segments);
  if (!mesh) return nullptr;
  for (uint32_t k = 0; k <= segments; ++k) {
    const Vec3 shift{0.0f, 0.0f, static_cast<float>(k * depth / segments)};
    for (uint32_t i = 0; i < n; ++i) mesh->SetPoint(k * n + i, path.points[i] + shift);
  }
  uint32_t next = 0;
  for (uint32_t i = 0; i < f; ++i) {
    const Triangle& t = faces.triangles[i];
    mesh->SetTriangle(next++, t.a, t.b, t.c);
  }
  const uint32_t back = segments * n;
  for (uint32_t i = 0; i < f; ++i) {
    const Triangle& t = faces.triangles[i];
    mesh->SetTriangle(next++, t.a + back, t.c + back, t.b + back);
  }
  // The faces run round the outline in the sense of their area; an outline running the same
  // way has its edges i -> i + 1 in the faces' direction.
  const bool along = (OutlineArea2(path.points, n) < 0.0) == (FacesArea2(faces) < 0.0);
  for (uint32_t k = 0; k < segments; ++k) {
    auto lo = [&](uint32_t i) { return k * n + i; };
    auto hi = [&](uint32_t i) { return (k + 1) * n + i; };
    for (uint32_t i = 0; i < edges; ++i) {
      const uint32_t i1 = (i + 1) % n;
      next = along ? AddSide(*mesh, next, i, i1, lo, hi) : AddSide(*mesh, next, i1, i, lo, hi);
    }
  }
  return mesh;
}

uint64_t DirectedKey(uint32_t from, uint32_t to) {
  return (uint64_t{from} << 32) | to;
}

struct MeshSides {
  std::vector<EdgePair> edges;       // directed as the mesh's triangles run along them
  std::vector<uint32_t> outline;     // the distinct boundary points, first appearance first
  std::vector<uint32_t> ring_index;  // mesh point -> position in `outline`
};

bool FindSides(const MeshObject& mesh, MeshSides& sides) {
  if (!BoundaryEdges(mesh, sides.edges)) return false;
  std::unordered_set<uint64_t> directed;
  directed.reserve(3 * size_t{mesh.triangle_count});
  for (uint32_t i = 0; i < mesh.triangle_count; ++i) {
    const Triangle& t = mesh.triangles[i];
    if (!mesh.TriangleInRange(t)) continue;
    directed.insert(DirectedKey(t.a, t.b));
    directed.insert(DirectedKey(t.b, t.c));
    directed.insert(DirectedKey(t.c, t.a));
  }
  sides.ring_index.assign(mesh.point_count, UINT32_MAX);
  for (EdgePair& e : sides.edges) {
    if (!directed.count(DirectedKey(e.first, e.second))) std::swap(e.first, e.second);
    for (uint32_t p : {e.first, e.second}) {
      if (sides.ring_index[p] != UINT32_MAX) continue;
      sides.ring_index[p] = static_cast<uint32_t>(sides.outline.size());
      sides.outline.push_back(p);
    }
  }
  return true;
}

MeshPtr ExtrudeMesh(const MeshObject& source, const MeshSides& sides, double depth,
                    uint32_t segments) {
  const uint32_t pc = source.point_count;
  const uint32_t tc = source.triangle_count;
  const auto nb = static_cast<uint32_t>(sides.outline.size());
  const auto ne = static_cast<uint64_t>(sides.edges.size());
  MeshPtr mesh = NewMesh(2 * uint64_t{pc} + uint64_t{segments - 1} * nb,
                         2 * uint64_t{tc} + 2 * uint64_t{segments} * ne);
  if (!mesh) return nullptr;
  const uint32_t back = pc + (segments - 1) * nb;
  const Vec3 back_shift{0.0f, 0.0f, static_cast<float>(depth)};
  for (uint32_t i = 0; i < pc; ++i) {
    mesh->SetPoint(i, source.points[i]);
    mesh->SetPoint(back + i, source.points[i] + back_shift);
  }
  for (uint32_t k = 1; k < segments; ++k) {
    const Vec3 shift{0.0f, 0.0f, static_cast<float>(k * depth / segments)};
    for (uint32_t j = 0; j < nb; ++j) {
      mesh->SetPoint(pc + (k - 1) * nb + j, source.points[sides.outline[j]] + shift);
    }
  }
  uint32_t next = 0;
  for (uint32_t i = 0; i < tc; ++i) {
    const Triangle& t = source.triangles[i];
    mesh->SetTriangle(next++, t.a, t.b, t.c);
  }
  for (uint32_t i = 0; i < tc; ++i) {
    const Triangle& t = source.triangles[i];
    mesh->SetTriangle(next++, t.a + back, t.c + back, t.b + back);
  }
  auto ring = [&](uint32_t k, uint32_t p) {
    if (k == 0) return p;
    if (k == segments) return back + p;
    return pc + (k - 1) * nb + sides.ring_index[p];
  };
  for (uint32_t k = 0; k < segments; ++k) {
    auto lo = [&](uint32_t p) { return ring(k, p); };
    auto hi = [&](uint32_t p) { return ring(k + 1, p); };
    for (const EdgePair& e : sides.edges) next = AddSide(*mesh, next, e.first, e.second, lo, hi);
  }
  return mesh;
}

// Adds the finished mesh to the scene; a warning, when there is one, goes with it.
CommandResult Finish(Scene& scene, MeshPtr mesh, const String& name, bool warn) {
  if (!mesh) return OutOfMemory();
  mesh->ComputeTriangleData();
  CommandResult r = AddToScene(scene, mesh.release(), name);
  if (r.ok() && warn) {
    r.title = kCrossingOutlineTitle;
    r.text = kCrossingOutlineText;
  }
  return r;
}

CommandResult ZExtrudePath(Scene& scene, const ZExtrusionInput& in, MeshObject& path) {
  const uint32_t n = path.point_count;
  if (n < 2) return CommandResult::Refused("Attention", kNothingToExtrudeText);
  if (path.triangle_count == 0 && n > kMaxOutlinePoints) {
    return CommandResult::Refused("Error", kOutlineTooLongText);
  }
  const auto s = static_cast<uint64_t>(in.segments);
  const uint64_t faces = path.triangle_count ? path.triangle_count : (n >= 3 ? n - 2 : 0);
  if ((s + 1) * n > kMaxBuiltPoints || 2 * faces + 2 * uint64_t{n} * s > kMaxBuiltTriangles) {
    return CommandResult::Refused("Error", kTooManyTrianglesText);
  }
  const bool warn = SelfIntersects(path.points, n) != 0;
  MeshPtr triangulated;
  if (path.triangle_count == 0) {
    triangulated = TriangulatedCopy(path);
    if (!triangulated) return OutOfMemory();
  }
  const MeshObject& face_mesh = triangulated ? *triangulated : path;
  return Finish(
      scene,
      ExtrudePath(path, face_mesh, in.depth, static_cast<uint32_t>(in.segments), in.close_outline),
      in.name, warn);
}

CommandResult ZExtrudeMesh(Scene& scene, const ZExtrusionInput& in, MeshObject& source) {
  if (source.triangle_count == 0 || source.point_count == 0) {
    return CommandResult::Refused("Attention", kNothingToExtrudeText);
  }
  MeshSides sides;
  if (!FindSides(source, sides)) return OutOfMemory();
  const auto s = static_cast<uint64_t>(in.segments);
  const uint64_t points = 2 * uint64_t{source.point_count} + (s - 1) * sides.outline.size();
  const uint64_t tris = 2 * uint64_t{source.triangle_count} + 2 * s * sides.edges.size();
  if (points > kMaxBuiltPoints || tris > kMaxBuiltTriangles) {
    return CommandResult::Refused("Error", kTooManyTrianglesText);
  }
  return Finish(scene, ExtrudeMesh(source, sides, in.depth, static_cast<uint32_t>(in.segments)),
                in.name, false);
}

}  // namespace

CommandResult CreateZExtrusion(Scene& scene, const ZExtrusionInput& in, SceneObject* current) {
  if (!current || current->GetType() != kItemMesh) {
    return CommandResult::Refused("Attention", "There is no 3D-Mesh_object choosen.");
  }
  if (IsNameTaken(scene, in.name, NameKind::kObject)) {
    return CommandResult::Refused(kNameTakenTitle, kNameTakenText);
  }
  if (in.segments < 1) {
    return CommandResult::Refused("Error", "The number of segments must be greater than 0.");
  }
  if (in.segments > kMaxSegments) return CommandResult::Refused("Error", kTooManySegmentsText);
  if (!SizeOk(in.depth)) return CommandResult::Refused("Error", kBadSizeText);
  auto& mesh = static_cast<MeshObject&>(*current);
  return mesh.IsPath() ? ZExtrudePath(scene, in, mesh) : ZExtrudeMesh(scene, in, mesh);
}

namespace {

// Carries the work mesh `w` (its points as saved in `saved`) along the spine and stores each
// ring in `result`.
void SweepRings(MeshObject& w, const std::vector<Vec3>& saved, const MeshObject& spine,
                MeshObject& result) {
  const uint32_t n = w.point_count;
  const uint32_t m = spine.point_count;
  for (uint32_t k = 0; k < m; ++k) {
    const Vec3 q = spine.points[k];
    Ray step;
    step.length = 1.0f;
    step.direction = q;
    w.Move(step);
    Vec3 target;
    if (k == 0) {
      target = q + (spine.points[1] - spine.points[0]);
    } else if (k == m - 1) {
      target = q + (q - spine.points[k - 1]);
    } else {
      target = q + (spine.points[k + 1] - spine.points[k - 1]);
    }
    w.LookAt(target);
    for (uint32_t i = 0; i < n; ++i) result.SetPoint(k * n + i, w.points[i]);
    step.direction = -q;
    w.Move(step);
    for (uint32_t i = 0; i < n; ++i) w.points[i] = saved[i];
    w.placement.axis_X = Vec3{1.0f, 0.0f, 0.0f};
    w.placement.axis_Y = Vec3{0.0f, 1.0f, 0.0f};
    w.placement.axis_Z = Vec3{0.0f, 0.0f, 1.0f};
    w.placement.axis_deg = Vec3{};
  }
}

MeshPtr Sweep(MeshObject& w, const MeshObject& spine, bool closed, bool capped) {
  const uint32_t n = w.point_count;
  const uint32_t m = spine.point_count;
  const uint32_t t = w.triangle_count;
  const uint32_t open = closed ? 0 : 1;
  const uint32_t caps = capped ? 2 : 0;
  MeshPtr mesh = NewMesh(uint64_t{n} * m, uint64_t{t} * caps + 2 * uint64_t{n - open} * (m - 1));
  if (!mesh) return nullptr;
  uint32_t next = 0;
  for (uint32_t copy = 0; copy < caps; ++copy) {
    const uint32_t offset = copy * (m - 1) * n;
    for (uint32_t i = 0; i < t; ++i) {
      const Triangle& tri = w.triangles[i];
      mesh->SetTriangle(next++, tri.a + offset, tri.b + offset, tri.c + offset);
    }
  }
  // The band triangles refer to points of later rings: the points come first.
  Ray back;
  back.length = 1.0f;
  back.direction = -w.placement.position;
  w.Move(back);
  std::vector<Vec3> saved(w.points, w.points + n);
  SweepRings(w, saved, spine, *mesh);
  for (uint32_t k = 0; k + 1 < m; ++k) {
    for (uint32_t i = 0; i + open < n; ++i) {
      const uint32_t i1 = (i + 1) % n;
      mesh->SetTriangle(next++, k * n + i, k * n + i1, (k + 1) * n + i);
      mesh->SetTriangle(next++, (k + 1) * n + i, k * n + i1, (k + 1) * n + i1);
    }
  }
  return mesh;
}

}  // namespace

CommandResult CreatePathExtrusion(Scene& scene, const PathExtrusionInput& in,
                                  SceneObject* current) {
  if (!current || current->GetType() != kItemMesh || !static_cast<MeshObject*>(current)->IsPath()) {
    return CommandResult::Refused("Attention", "You must first select a path for the outline.");
  }
  if (IsNameTaken(scene, in.name, NameKind::kObject)) {
    return CommandResult::Refused(kNameTakenTitle, kNameTakenText);
  }
  MeshObject* outline = FindOutlinePath(scene, in.outline);
  if (!outline)
    return CommandResult::Refused("Attention", "You must select a path for the outline!");
  MeshObject* spine = FindOutlinePath(scene, in.path);
  if (!spine) return CommandResult::Refused("Attention", "You must select a second path!");
  const uint32_t n = outline->point_count;
  const uint32_t m = spine->point_count;
  if (n < 2) {
    return CommandResult::Refused("Attention", "The outline-path must have at least two points.");
  }
  if (m < 2) {
    return CommandResult::Refused("Attention", "The second path must have at least two points.");
  }
  if (n > kMaxOutlinePoints) return CommandResult::Refused("Error", kOutlineTooLongText);
  const uint64_t caps = in.close_end ? 2 : 0;
  const uint64_t open = in.close ? 0 : 1;
  if (uint64_t{n} * m > kMaxBuiltPoints ||
      (n - 2) * caps + 2 * (n - open) * (m - 1) > kMaxBuiltTriangles) {
    return CommandResult::Refused("Error", kTooManyTrianglesText);
  }
  const bool warn = SelfIntersects(outline->points, n) != 0;
  MeshPtr w = TriangulatedCopy(*outline);
  if (!w) return OutOfMemory();
  return Finish(scene, Sweep(*w, *spine, in.close, in.close_end), in.name, warn);
}

}  // namespace orvane
