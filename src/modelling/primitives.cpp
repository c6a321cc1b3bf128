#include "modelling/primitives.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>

#include "foundation/error_output.h"
#include "modelling/construction_object.h"
#include "modelling/lathe.h"
#include "modelling/polygons.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"
#include "scene/naming.h"

namespace orvane {

namespace {

using MeshPtr = std::unique_ptr<MeshObject>;

bool SizeOk(double v) {
  return std::isfinite(v) && std::fabs(v) <= kMaxSize;
}

bool SizesOk(std::initializer_list<double> sizes) {
  return std::all_of(sizes.begin(), sizes.end(), SizeOk);
}

bool NameTaken(const Scene& scene, const String& name) {
  return IsNameTaken(scene, name, NameKind::kObject);
}

CommandResult NameRefusal() {
  return CommandResult::Refused(kNameTakenTitle, kNameTakenText);
}
CommandResult OutOfMemory() {
  return CommandResult::Refused(kOutOfMemoryTitle, kOutOfMemoryText);
}

bool WithinBounds(uint64_t points, uint64_t triangles) {
  return points <= kMaxBuiltPoints && triangles <= kMaxBuiltTriangles;
}

// A mesh with `points` fresh points and `triangles` fresh triangles; null when memory cannot
// be had.
MeshPtr NewMesh(uint32_t points, uint32_t triangles) {
  MeshPtr mesh(TryNew<MeshObject>());
  if (!mesh) return nullptr;
  if (mesh->SetPointCount(points) != 0 || mesh->SetTriangleCount(triangles) != 0) return nullptr;
  return mesh;
}

void SetMappingRadius(MeshObject& mesh, double radius) {
  if (mesh.mapping_object && mesh.mapping_object->GetType() == kItemSphere) {
    static_cast<MathSphere*>(mesh.mapping_object)->SetRadius(static_cast<float>(radius));
  }
}

CommandResult Finish(Scene& scene, MeshPtr mesh, const String& name, double mapping_radius) {
  if (!mesh) return OutOfMemory();
  SetMappingRadius(*mesh, mapping_radius);
  return AddToScene(scene, mesh.release(), name);
}

double PolygonRadius(double r, bool as_width, int segments) {
  return as_width ? RadiusFromSegmentWidth(r, segments) : r;
}

// The n-angle: `n` points (R, 0, 0) turned about Z by k × 360 / n, filled by the
// triangulation construction. Null unless it gives n points and n − 2 triangles.
MeshPtr RegularPolygon(int n, double radius) {
  MeshPtr outline = NewMesh(static_cast<uint32_t>(n), 0);
  if (!outline) return nullptr;
  outline->is_path = 1;
  for (int k = 0; k < n; ++k) {
    Vec3 p{static_cast<float>(radius), 0.0f, 0.0f};
    p.RotateZDeg(k * 360.0 / n);
    outline->SetPoint(static_cast<uint32_t>(k), p);
  }
  ConstructionObject c;
  c.construction = kConstructTriangulate;
  c.outline = outline.get();
  const int status = c.Construct();
  MeshPtr result(c.result);
  if (status != 0 || !result || result->point_count != static_cast<uint32_t>(n) ||
      result->triangle_count != static_cast<uint32_t>(n - 2)) {
    return nullptr;
  }
  return result;
}

// Copies the triangles of `from` into `to` from position `next` on, every index raised by
// `offset`; answers the position after the last one.
uint32_t CopyTriangles(const MeshObject& from, MeshObject& to, uint32_t next, uint32_t offset) {
  for (uint32_t i = 0; i < from.triangle_count; ++i) {
    const Triangle& t = from.triangles[i];
    to.SetTriangle(next++, t.a + offset, t.b + offset, t.c + offset);
  }
  return next;
}

// The cone (and pyramid) mesh; null when memory cannot be had.
MeshPtr BuildCone(int n, double radius, double height) {
  MeshPtr base = RegularPolygon(n, radius);
  if (!base) return nullptr;
  const auto un = static_cast<uint32_t>(n);
  MeshPtr mesh = NewMesh(un + 1, 2 * un - 2);
  if (!mesh) return nullptr;
  for (uint32_t k = 0; k < un; ++k) {
    Vec3 p = base->points[k];
    p.RotateXDeg(90.0);
    mesh->SetPoint(k, p);
  }
  mesh->SetPoint(un, 0.0f, static_cast<float>(height), 0.0f);
  uint32_t next = CopyTriangles(*base, *mesh, 0, 0);
  for (uint32_t k = 0; k < un; ++k) mesh->SetTriangle(next++, un, k, (k + 1) % un);
  mesh->ComputeTriangleData();
  OrientTriangles(*mesh, Vec3{0.0f, static_cast<float>(height / 2.0), 0.0f});
  return mesh;
}

CommandResult CreateConeLike(Scene& scene, const String& name, int segments, double radius,
                             double height, bool as_width) {
  if (segments < 3) return CommandResult::Refused("Error", kSegmentsAbove2Text);
  if (segments > kMaxSegments) return CommandResult::Refused("Error", kTooManySegmentsText);
  if (!SizesOk({radius, height})) return CommandResult::Refused("Error", kBadSizeText);
  const double r = PolygonRadius(radius, as_width, segments);
  MeshPtr mesh = BuildCone(segments, r, height);
  const double base_x = mesh ? static_cast<double>(mesh->points[0].x) : 0.0;
  return Finish(scene, std::move(mesh), name, std::max(base_x, height));
}

// Flips every triangle of the closed tube whose normal faces the tube's centre line (the
// circle of radius |ring_radius| about the Y axis), judged at the triangle's centroid.
void OrientAwayFromTube(MeshObject& mesh, double ring_radius) {
  bool flipped = false;
  for (uint32_t i = 0; i < mesh.triangle_count; ++i) {
    Triangle& t = mesh.triangles[i];
    if (!mesh.TriangleInRange(t)) continue;
    const Vec3 g = (mesh.points[t.a] + mesh.points[t.b] + mesh.points[t.c]) * (1.0 / 3.0);
    Vec3 centre{g.x, 0.0f, g.z};
    const double len = centre.Length();
    if (len < kEps) continue;
    centre = centre * (std::fabs(ring_radius) / len);
    if (Dot(t.normal, g - centre) < 0.0) {
      std::swap(t.b, t.c);
      flipped = true;
    }
  }
  if (flipped) mesh.ComputeTriangleData();
}

}  // namespace

double RadiusFromSegmentWidth(double width, int segments) {
  return (width * 0.5) / (2.0 * std::sin(static_cast<double>(kPi) / (2.0 * segments)));
}

CommandResult CreateTriangle(Scene& scene, const TriangleInput& in) {
  if (NameTaken(scene, in.name)) return NameRefusal();
  const double w = in.width;
  const double h = in.height;
  if (!SizesOk({w, h})) return CommandResult::Refused("Error", kBadSizeText);
  const double hp = in.equilateral ? std::sqrt(w * w - w * w / 4.0) : h;
  MeshPtr mesh = NewMesh(3, 1);
  if (!mesh) return OutOfMemory();
  const auto x = static_cast<float>(w / 2.0);
  const auto y = static_cast<float>(hp / 2.0);
  mesh->SetPoint(0, -x, -y, 0.0f);
  mesh->SetPoint(1, x, -y, 0.0f);
  mesh->SetPoint(2, 0.0f, y, 0.0f);
  mesh->SetTriangle(0, 0, 1, 2);
  mesh->ComputeTriangleData();
  return Finish(scene, std::move(mesh), in.name, std::hypot(w / 2.0, h / 2.0));
}

CommandResult CreateQuadrangle(Scene& scene, const QuadrangleInput& in) {
  if (NameTaken(scene, in.name)) return NameRefusal();
  const double w = in.width;
  const double h = in.height;
  if (!SizesOk({w, h})) return CommandResult::Refused("Error", kBadSizeText);
  const double hp = in.equal ? w : h;
  MeshPtr mesh = NewMesh(4, 2);
  if (!mesh) return OutOfMemory();
  const auto x = static_cast<float>(w / 2.0);
  const auto y = static_cast<float>(hp / 2.0);
  mesh->SetPoint(0, x, -y, 0.0f);
  mesh->SetPoint(1, x, y, 0.0f);
  mesh->SetPoint(2, -x, y, 0.0f);
  mesh->SetPoint(3, -x, -y, 0.0f);
  mesh->SetTriangle(0, 0, 1, 2);
  mesh->SetTriangle(1, 0, 2, 3);
  mesh->ComputeTriangleData();
  return Finish(scene, std::move(mesh), in.name, std::hypot(w / 2.0, h / 2.0));
}

CommandResult CreateNAngle(Scene& scene, const NAngleInput& in) {
  if (NameTaken(scene, in.name)) return NameRefusal();
  if (in.segments < 3) return CommandResult::Refused("Error", kSegmentsAbove2Text);
  if (in.segments > kMaxSegments) return CommandResult::Refused("Error", kTooManySegmentsText);
  if (!SizeOk(in.radius)) return CommandResult::Refused("Error", kBadSizeText);
  const double r = PolygonRadius(in.radius, in.radius_as_width, in.segments);
  return Finish(scene, RegularPolygon(in.segments, r), in.name, r);
}

CommandResult CreatePyramid(Scene& scene, const PyramidInput& in) {
  if (NameTaken(scene, in.name)) return NameRefusal();
  return CreateConeLike(scene, in.name, 4, in.radius, in.height, in.radius_as_width);
}

CommandResult CreateCone(Scene& scene, const ConeInput& in) {
  if (NameTaken(scene, in.name)) return NameRefusal();
  return CreateConeLike(scene, in.name, in.segments, in.radius, in.height, in.radius_as_width);
}

CommandResult CreateCube(Scene& scene, const CubeInput& in) {
  if (NameTaken(scene, in.name)) return NameRefusal();
  const double w = in.width;
  const double h = in.equal ? w : in.height;
  const double d = in.equal ? w : in.depth;
  if (!SizesOk({w, h, d})) return CommandResult::Refused("Error", kBadSizeText);
  MeshPtr mesh = NewMesh(8, 12);
  if (!mesh) return OutOfMemory();
  const auto a = static_cast<float>(w / 2.0);
  const auto b = static_cast<float>(h / 2.0);
  const auto c = static_cast<float>(d / 2.0);
  const Vec3 corners[8] = {{-a, -b, -c}, {a, -b, -c}, {a, b, -c}, {-a, b, -c},
                           {-a, -b, c},  {a, -b, c},  {a, b, c},  {-a, b, c}};
  for (uint32_t i = 0; i < 8; ++i) mesh->SetPoint(i, corners[i]);
  // ORDER: the cube's fixed triangle layout.
  static constexpr uint32_t kFaces[12][3] = {{0, 1, 2}, {0, 2, 3}, {1, 2, 6}, {1, 6, 5},
                                             {2, 3, 7}, {2, 7, 6}, {3, 0, 4}, {3, 4, 7},
                                             {0, 1, 5}, {0, 5, 4}, {4, 5, 6}, {4, 6, 7}};
  for (uint32_t i = 0; i < 12; ++i) mesh->SetTriangle(i, kFaces[i][0], kFaces[i][1], kFaces[i][2]);
  mesh->ComputeTriangleData();
  OrientTriangles(*mesh, Vec3{});
  const double ad = a, bd = b, cd = c;
  return Finish(scene, std::move(mesh), in.name, std::sqrt(ad * ad + bd * bd + cd * cd));
}

CommandResult CreateMeshSphere(Scene& scene, const SphereInput& in) {
  if (NameTaken(scene, in.name)) {
    return CommandResult::Refused(kSphereNameTakenTitle, kSphereNameTakenText);
  }
  const int h_count = in.vertical_segments;
  const int v_count = in.equal ? h_count : in.horizontal_segments;
  if (h_count < 3) return CommandResult::Refused("Error", kSegmentsAbove2Text);
  if (v_count < 2) return CommandResult::Refused("Error", kSegmentsAbove1Text);
  if (h_count > kMaxSegments || v_count > kMaxSegments) {
    return CommandResult::Refused("Error", kTooManySegmentsText);
  }
  if (!SizeOk(in.radius)) return CommandResult::Refused("Error", kBadSizeText);
  const auto H = static_cast<uint32_t>(h_count);
  const auto M = static_cast<uint32_t>(v_count - 1);
  if (!WithinBounds(uint64_t{M} * H + 2, uint64_t{2} * M * H)) {
    return CommandResult::Refused("Error", kTooManyTrianglesText);
  }
  MeshPtr mesh = NewMesh(M * H + 2, 2 * M * H);
  if (!mesh) return OutOfMemory();
  const float r = in.radius;
  const double dtheta = 180.0 / (M + 1.0);
  const double dphi = 360.0 / H;
  auto P = [H](uint32_t i, uint32_t j) { return (i - 1) * H + 1 + j; };
  mesh->SetPoint(0, 0.0f, r, 0.0f);
  mesh->SetPoint(1, 0.0f, -r, 0.0f);
  for (uint32_t i = 1; i <= M; ++i) {
    for (uint32_t j = 1; j <= H; ++j) {
      Vec3 p{0.0f, r, 0.0f};
      p.RotateZDeg(i * dtheta);
      p.RotateYDeg(j * dphi);
      mesh->SetPoint(P(i, j), p);
    }
  }
  for (uint32_t j = 1; j <= H; ++j) {
    const uint32_t jn = j == H ? 1 : j + 1;
    mesh->SetTriangle(j - 1, 0, P(1, j), P(1, jn));
    mesh->SetTriangle(H + j - 1, 1, P(M, jn), P(M, j));
    for (uint32_t i = 1; i < M; ++i) {
      const uint32_t t = 2 * (i * H + j);
      mesh->SetTriangle(t - 2, P(i, j), P(i + 1, j), P(i, jn));
      mesh->SetTriangle(t - 1, P(i + 1, j), P(i + 1, jn), P(i, jn));
    }
  }
  mesh->material = DefaultMaterial(scene);
  mesh->ComputeTriangleData();
  OrientTriangles(*mesh, Vec3{});
  return Finish(scene, std::move(mesh), in.name, r);
}

CommandResult CreateCylinder(Scene& scene, const CylinderInput& in) {
  if (NameTaken(scene, in.name)) return NameRefusal();
  if (in.segments < 3) return CommandResult::Refused("Attention", kSegmentsAbove2Text);
  if (in.segments > kMaxSegments) return CommandResult::Refused("Error", kTooManySegmentsText);
  if (!SizesOk({in.radius, in.height})) return CommandResult::Refused("Error", kBadSizeText);
  const double r = PolygonRadius(in.radius, in.radius_as_width, in.segments);
  const double h = in.height;
  MeshPtr disc = RegularPolygon(in.segments, r);
  if (!disc) return OutOfMemory();
  const auto n = static_cast<uint32_t>(in.segments);
  const uint32_t discs = 2 * (n - 2);
  MeshPtr mesh = NewMesh(2 * n, discs + 2 * n);
  if (!mesh) return OutOfMemory();
  for (uint32_t k = 0; k < n; ++k) {
    Vec3 p = disc->points[k];
    p.RotateXDeg(90.0);
    p.y = static_cast<float>(h / 2.0);
    mesh->SetPoint(k, p);
    p.y = static_cast<float>(-h / 2.0);
    mesh->SetPoint(n + k, p);
  }
  uint32_t next = CopyTriangles(*disc, *mesh, 0, 0);
  next = CopyTriangles(*disc, *mesh, next, n);
  for (uint32_t k = 0; k < n; ++k) {
    const uint32_t kn = (k + 1) % n;
    mesh->SetTriangle(next++, k, kn, n + k);
    mesh->SetTriangle(next++, kn, n + k, n + kn);
  }
  mesh->ComputeTriangleData();
  OrientTriangles(*mesh, Vec3{});
  return Finish(scene, std::move(mesh), in.name, std::sqrt((h / 2.0) * (h / 2.0) + r * r));
}

CommandResult CreateTorus(Scene& scene, const TorusInput& in) {
  if (in.ring_segments < 3) {
    return CommandResult::Refused("Attention",
                                  "The number of Ring-Segments must be greater than 2.");
  }
  if (in.tube_segments < 1) {
    return CommandResult::Refused("Attention",
                                  "The number of Tube-Segments must be greater than 0.");
  }
  if (NameTaken(scene, in.name)) return NameRefusal();
  if (in.ring_segments > kMaxSegments || in.tube_segments > kMaxSegments) {
    return CommandResult::Refused("Error", kTooManySegmentsText);
  }
  if (!SizesOk({in.ring_radius, in.tube_radius})) {
    return CommandResult::Refused("Error", kBadSizeText);
  }
  const int tp = in.tube_segments > 1 ? in.tube_segments - 1 : in.tube_segments;
  const auto profile_points = static_cast<uint32_t>(tp + 1);
  MeshPtr profile = NewMesh(profile_points, 0);
  if (!profile) return OutOfMemory();
  profile->is_path = 1;
  for (uint32_t k = 0; k < profile_points; ++k) {
    Vec3 p{0.0f, in.tube_radius, 0.0f};
    p.RotateZDeg(k * 360.0 / profile_points);
    p += Vec3{in.ring_radius, 0.0f, 0.0f};
    profile->SetPoint(k, p);
  }
  ConstructionObject c;
  c.construction = kConstructLathe;
  c.outline = profile.get();
  c.segments = in.ring_segments;
  c.close_profile = tp >= 2 ? 1 : 0;
  c.close_turn = 1;
  c.caps = kCapsNone;
  if (!LatheCounts(c, nullptr, nullptr))
    return CommandResult::Refused("Error", kTooManyTrianglesText);
  if (c.Construct() != 0) return OutOfMemory();
  MeshPtr mesh(c.result);
  // The turn about Y runs the tube's profile round the wrong way for outward normals; a tube
  // that is closed gets every triangle turned away from its centre line.
  if (c.close_profile) OrientAwayFromTube(*mesh, in.ring_radius);
  return Finish(scene, std::move(mesh), in.name,
                static_cast<double>(in.ring_radius) + in.tube_radius);
}

}  // namespace orvane
