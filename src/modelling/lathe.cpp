#include "modelling/lathe.h"

#include <cmath>
#include <cstdint>
#include <iostream>
#include <utility>
#include <vector>

#include "foundation/error_output.h"
#include "modelling/polygons.h"
#include "scene/mesh_object.h"
#include "scene/naming.h"

namespace orvane {

namespace {

// The cap mode the lathe actually builds (see the counts rule): no caps for fewer than three
// outline points or an unknown mode, and only the first ring's cap when a closed turn asks for
// both ends.
int32_t EffectiveCaps(const ConstructionObject& c, uint32_t n) {
  int32_t caps = c.caps;
  if (n < 3 || caps < kCapsFirst || caps > kCapsEvery) caps = kCapsNone;
  if (c.close_turn && caps == kCapsBoth) caps = kCapsFirst;
  return caps;
}

uint64_t CapCopies(int32_t caps, uint64_t rings) {
  switch (caps) {
    case kCapsFirst:
    case kCapsLast:
      return 1;
    case kCapsBoth:
      return 2;
    case kCapsEvery:
      return rings;
    default:
      return 0;
  }
}

// Twice the signed area of the outline in the XY plane (positive counter-clockwise).
double SignedArea2(const Vec3* p, uint32_t n) {
  double sum = 0.0;
  for (uint32_t i = 0; i < n; ++i) {
    const Vec3& a = p[i];
    const Vec3& b = p[(i + 1) % n];
    sum += static_cast<double>(a.x) * b.y - static_cast<double>(b.x) * a.y;
  }
  return sum;
}

double TriangleArea2(const Vec3* p, const Triangle& t) {
  const double ux = static_cast<double>(p[t.b].x) - p[t.a].x;
  const double uy = static_cast<double>(p[t.b].y) - p[t.a].y;
  const double vx = static_cast<double>(p[t.c].x) - p[t.a].x;
  const double vy = static_cast<double>(p[t.c].y) - p[t.a].y;
  return ux * vy - uy * vx;
}

// The n − 2 cap triangles of the outline (indices 0 ... n − 1), wound against the outline's
// own direction: that is the side the first ring's band triangles leave open, so the cap
// closes the surface with the same orientation. A crossing outline warns on the console.
std::vector<Triangle> CapTriangles(const Vec3* outline, uint32_t n) {
  std::vector<Triangle> tris(n - 2);
  if (SelfIntersects(outline, n)) std::cout << kSelfIntersectionWarning;
  std::vector<uint32_t> indices(n);
  for (uint32_t i = 0; i < n; ++i) indices[i] = i;
  SplitPolygon(outline, indices.data(), n, tris.data(), n - 2, 0);
  const double outline_area = SignedArea2(outline, n);
  for (Triangle& t : tris) {
    const double area = TriangleArea2(outline, t);
    if ((area > 0.0 && outline_area > 0.0) || (area < 0.0 && outline_area < 0.0)) {
      std::swap(t.b, t.c);
    }
  }
  return tris;
}

struct LatheBuilder {
  const ConstructionObject& c;
  MeshObject& mesh;
  uint32_t n;
  uint32_t segments;
  uint32_t next = 0;  // next triangle slot

  uint32_t P(uint32_t ring, uint32_t i) const { return ring * n + i; }
  void Add(uint32_t a, uint32_t b, uint32_t cc) { mesh.SetTriangle(next++, a, b, cc); }

  void Rings() {
    const double step =
        c.step_angle == 0.0f ? 360.0 / (static_cast<double>(segments) + 1.0) : c.step_angle;
    const double divisor = segments > 1 ? static_cast<double>(segments) - 1.0 : 1.0;
    for (uint32_t k = 0; k <= segments; ++k) {
      const Vec3 lift{0.0f, static_cast<float>(k * static_cast<double>(c.y_translation) / divisor),
                      0.0f};
      for (uint32_t i = 0; i < n; ++i) {
        Vec3 p = c.outline->points[i];
        p.RotateYDeg(k * step);
        p += lift;
        mesh.SetPoint(P(k, i), p);
      }
    }
  }

  // The band between ring `from` (k − 1) and ring `to` (k).
  void Gap(uint32_t from, uint32_t to) {
    for (uint32_t i = 1; i < n; ++i) {
      Add(P(to, i - 1), P(from, i - 1), P(from, i));
      Add(P(to, i), P(to, i - 1), P(from, i));
    }
    if (c.close_profile) {
      Add(P(to, n - 1), P(from, n - 1), P(from, 0));
      Add(P(to, 0), P(to, n - 1), P(from, 0));
    }
  }

  void Bands() {
    for (uint32_t k = 1; k <= segments; ++k) Gap(k - 1, k);
    if (c.close_turn) Gap(segments, 0);
  }

  // `reversed` winds the copy the other way round (the last ring faces the other end).
  void CapOn(const std::vector<Triangle>& cap, uint32_t ring, bool reversed) {
    const uint32_t offset = ring * n;
    for (const Triangle& t : cap) {
      if (reversed) {
        Add(t.a + offset, t.c + offset, t.b + offset);
      } else {
        Add(t.a + offset, t.b + offset, t.c + offset);
      }
    }
  }

  void Caps(int32_t caps) {
    if (caps == kCapsNone) return;
    const std::vector<Triangle> cap = CapTriangles(c.outline->points, n);
    if (caps == kCapsFirst || caps == kCapsBoth || caps == kCapsEvery) CapOn(cap, 0, false);
    if (caps == kCapsLast || caps == kCapsBoth) CapOn(cap, segments, true);
    if (caps == kCapsEvery) {
      for (uint32_t k = 1; k <= segments; ++k) CapOn(cap, k, k == segments);
    }
  }
};

// Moves the arrays of `from` into `to` (which then owns them).
void TakeArrays(MeshObject& to, MeshObject& from) {
  Vec3* points = from.points;
  Triangle* tris = from.triangles;
  const uint32_t pc = from.point_count;
  const uint32_t tc = from.triangle_count;
  from.owns_points = 0;
  from.owns_triangles = 0;
  to.AdoptPoints(points, pc, true);
  to.AdoptTriangles(tris, tc, true);
}

}  // namespace

void ApplyLatheDialog(const LatheInput& in, ConstructionObject& c) {
  c.segments = in.segments;
  c.close_profile = in.close ? 1 : 0;
  c.caps = kCapsNone;
  if (in.close_last_segment) {
    c.close_turn = 1;
    c.step_angle = static_cast<float>(static_cast<double>(in.angle) / (in.segments + 1.0));
  } else {
    c.close_turn = 0;
    c.step_angle = static_cast<float>(static_cast<double>(in.angle) / in.segments);
    if (in.close_end) c.caps = kCapsBoth;
  }
  c.y_translation = in.y_translation;
}

bool LatheCounts(const ConstructionObject& c, unsigned* points, unsigned* triangles) {
  if (!c.outline || c.segments < 1 || c.segments > kMaxSegments) return false;
  const uint64_t n = c.outline->point_count;
  if (n < 2 || n > kMaxBuiltPoints) return false;
  const uint64_t s = static_cast<uint64_t>(c.segments);
  const uint64_t pts = (s + 1) * n;
  const uint64_t per_gap = c.close_profile ? 2 * n : 2 * n - 2;
  const uint64_t bands = per_gap * (s + (c.close_turn ? 1 : 0));
  const uint64_t caps = (n - 2) * CapCopies(EffectiveCaps(c, static_cast<uint32_t>(n)), s + 1);
  const uint64_t tris = bands + caps;
  if (pts > kMaxBuiltPoints || tris > kMaxBuiltTriangles) return false;
  if (points) *points = static_cast<unsigned>(pts);
  if (triangles) *triangles = static_cast<unsigned>(tris);
  return true;
}

int Lathe(ConstructionObject& c) {
  unsigned point_count = 0;
  unsigned triangle_count = 0;
  if (!LatheCounts(c, &point_count, &triangle_count)) return -1;
  MeshObject* mesh = TryNew<MeshObject>();
  if (!mesh) {
    ErrorOutput() << "ERROR: Could not allocate the lathe mesh.\n";
    return -1;
  }
  if (mesh->SetPointCount(point_count) != 0 || mesh->SetTriangleCount(triangle_count) != 0) {
    delete mesh;
    return -1;
  }
  const uint32_t n = c.outline->point_count;
  LatheBuilder b{c, *mesh, n, static_cast<uint32_t>(c.segments)};
  b.Rings();
  b.Bands();
  b.Caps(EffectiveCaps(c, n));
  if (c.result) {
    TakeArrays(*c.result, *mesh);
    delete mesh;
  } else {
    c.result = mesh;
  }
  c.result->ComputeTriangleData();
  c.result->preview_dirty = 1;
  return 0;
}

MeshObject* FindOutlinePath(const Scene& scene, const String& name) {
  if (!scene.objects || name.IsEmpty()) return nullptr;
  for (const ListNode* node = scene.objects->head; node; node = node->next) {
    if (!node->item || node->item->GetType() != kItemMesh) continue;
    auto* mesh = static_cast<MeshObject*>(node->item);
    if (mesh->IsPath() && mesh->name == name) return mesh;
  }
  return nullptr;
}

namespace {

bool HasPath(const Scene& scene) {
  if (!scene.objects) return false;
  for (const ListNode* node = scene.objects->head; node; node = node->next) {
    if (node->item && node->item->GetType() == kItemMesh &&
        static_cast<MeshObject*>(node->item)->IsPath()) {
      return true;
    }
  }
  return false;
}

bool SizeOk(double v) {
  return std::isfinite(v) && std::fabs(v) <= kMaxSize;
}

}  // namespace

CommandResult CreateLathe(Scene& scene, const LatheInput& in) {
  if (!HasPath(scene)) return CommandResult::Refused("Error", "There is no path selected!");
  if (IsNameTaken(scene, in.name, NameKind::kObject)) {
    return CommandResult::Refused(kNameTakenTitle, kNameTakenText);
  }
  MeshObject* outline = FindOutlinePath(scene, in.outline);
  if (!outline) return CommandResult::Refused("Attention", "There is no outline-path selected.");
  if (in.segments < 1) {
    return CommandResult::Refused("Error", "The number of segments must be greater than 0.");
  }
  if (in.segments > kMaxSegments) return CommandResult::Refused("Error", kTooManySegmentsText);
  if (!SizeOk(in.angle) || !SizeOk(in.y_translation)) {
    return CommandResult::Refused("Error", kBadSizeText);
  }
  if (outline->point_count < 2) {
    return CommandResult::Refused("Attention", "The outline-path must have at least two points.");
  }
  ConstructionObject c;
  ApplyLatheDialog(in, c);
  c.outline = outline;
  c.construction = kConstructLathe;
  if (!LatheCounts(c, nullptr, nullptr))
    return CommandResult::Refused("Error", kTooManyTrianglesText);
  if (c.Construct() != 0) return CommandResult::Refused(kOutOfMemoryTitle, kOutOfMemoryText);
  return AddToScene(scene, c.result, in.name);
}

}  // namespace orvane
