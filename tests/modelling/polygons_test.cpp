// Triangulation and the other polygon operations and commands, the construction object,
// lathes and extrusions.

#include "modelling/polygons.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <tuple>
#include <utility>
#include <vector>

#include "foundation/error_output.h"
#include "modelling/construction_object.h"
#include "modelling/extrusion.h"
#include "modelling/lathe.h"
#include "modelling/modelling_checks.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"
#include "scene/scene.h"
#include "support/command_test.h"
#include "support/mesh_checks.h"

namespace orvane {
namespace {

using Outline = std::vector<Vec3>;

// --- Plane geometry of the checks, in double ---

double Cross(const Vec3& a, const Vec3& b, const Vec3& c) {
  return (double(b.x) - a.x) * (double(c.y) - a.y) - (double(b.y) - a.y) * (double(c.x) - a.x);
}

double SignedArea(const Outline& p) {
  double sum = 0.0;
  for (size_t i = 0; i < p.size(); ++i) {
    const Vec3& a = p[i];
    const Vec3& b = p[(i + 1) % p.size()];
    sum += double(a.x) * b.y - double(a.y) * b.x;
  }
  return sum / 2.0;
}

bool ProperCrossing(const Vec3& p, const Vec3& q, const Vec3& a, const Vec3& b) {
  const double o1 = Cross(p, q, a), o2 = Cross(p, q, b);
  const double o3 = Cross(a, b, p), o4 = Cross(a, b, q);
  return ((o1 > 0 && o2 < 0) || (o1 < 0 && o2 > 0)) && ((o3 > 0 && o4 < 0) || (o3 < 0 && o4 > 0));
}

bool StrictlyInsideTriangle(const Vec3& p, const Vec3& a, const Vec3& b, const Vec3& c) {
  const double d1 = Cross(a, b, p), d2 = Cross(b, c, p), d3 = Cross(c, a, p);
  return (d1 > 0 && d2 > 0 && d3 > 0) || (d1 < 0 && d2 < 0 && d3 < 0);
}

// Even-odd test; points on the boundary may go either way.
bool InsidePolygon(const Vec3& p, const Outline& poly) {
  bool inside = false;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const Vec3& a = poly[i];
    const Vec3& b = poly[j];
    if ((a.y > p.y) != (b.y > p.y) &&
        p.x < (double(b.x) - a.x) * (double(p.y) - a.y) / (double(b.y) - a.y) + a.x) {
      inside = !inside;
    }
  }
  return inside;
}

Vec3 Centroid(const Vec3& a, const Vec3& b, const Vec3& c) {
  return Vec3{static_cast<float>((double(a.x) + b.x + c.x) / 3.0),
              static_cast<float>((double(a.y) + b.y + c.y) / 3.0), 0.0f};
}

// The summed area of the triangles, taking the corners from `poly`; with `facing_minus_z`
// every triangle must run clockwise.
double FilledArea(const MeshObject& mesh, const Outline& poly, bool facing_minus_z) {
  double sum = 0.0;
  for (uint32_t i = 0; i < mesh.triangle_count; ++i) {
    const Triangle& t = mesh.triangles[i];
    const double area = Cross(poly[t.a], poly[t.b], poly[t.c]) / 2.0;
    if (facing_minus_z) {
      EXPECT_LT(area, 0.0) << "triangle " << i;
    }
    sum += std::fabs(area);
  }
  return sum;
}

// Triangulates `points`; the console output goes to `console`.
std::unique_ptr<MeshObject> Fill(const Outline& points, std::ostream& console) {
  auto outline = test::MakeMesh(points);
  MeshObject* result = nullptr;
  EXPECT_EQ(Triangulate(outline.get(), result, console), 0);
  return std::unique_ptr<MeshObject>(result);
}

std::unique_ptr<MeshObject> Fill(const Outline& points) {
  std::ostringstream console;
  auto mesh = Fill(points, console);
  EXPECT_EQ(console.str(), "");
  return mesh;
}

// The triangles of `mesh` fill the simple polygon `poly` exactly: n - 2 triangles of positive
// area, facing -Z, each inside the outline, no two overlapping, their areas summing to the
// polygon's.
void ExpectExactFill(const MeshObject& mesh, const Outline& poly) {
  const uint32_t n = static_cast<uint32_t>(poly.size());
  ASSERT_EQ(mesh.point_count, n);
  ASSERT_EQ(mesh.triangle_count, n - 2);
  const double polygon_area = std::fabs(SignedArea(poly));
  double sum = 0.0;
  for (uint32_t i = 0; i < mesh.triangle_count; ++i) {
    const Triangle& t = mesh.triangles[i];
    ASSERT_TRUE(t.a < n && t.b < n && t.c < n);
    const Vec3 &a = poly[t.a], &b = poly[t.b], &c = poly[t.c];
    const double area = Cross(a, b, c) / 2.0;
    ASSERT_LT(area, 0.0) << "triangle " << i << " is degenerate or faces +Z";
    EXPECT_LT(mesh.triangles[i].normal.z, 0.0f);
    sum -= area;
    ASSERT_TRUE(InsidePolygon(Centroid(a, b, c), poly)) << "triangle " << i << " outside";
    for (uint32_t k = 0; k < n; ++k) {
      ASSERT_FALSE(StrictlyInsideTriangle(poly[k], a, b, c)) << "vertex " << k << " in " << i;
      const Vec3& e0 = poly[k];
      const Vec3& e1 = poly[(k + 1) % n];
      ASSERT_FALSE(ProperCrossing(a, b, e0, e1) || ProperCrossing(b, c, e0, e1) ||
                   ProperCrossing(c, a, e0, e1))
          << "triangle " << i << " crosses edge " << k;
    }
  }
  EXPECT_NEAR(sum, polygon_area, 1e-9 * std::max(1.0, polygon_area));
  for (uint32_t i = 0; i < mesh.triangle_count; ++i) {
    const Triangle& t = mesh.triangles[i];
    const Vec3 ti[3] = {poly[t.a], poly[t.b], poly[t.c]};
    for (uint32_t j = i + 1; j < mesh.triangle_count; ++j) {
      const Triangle& u = mesh.triangles[j];
      const Vec3 uj[3] = {poly[u.a], poly[u.b], poly[u.c]};
      ASSERT_FALSE(StrictlyInsideTriangle(Centroid(ti[0], ti[1], ti[2]), uj[0], uj[1], uj[2]));
      for (int x = 0; x < 3; ++x) {
        ASSERT_FALSE(StrictlyInsideTriangle(ti[x], uj[0], uj[1], uj[2])) << i << " / " << j;
        ASSERT_FALSE(StrictlyInsideTriangle(uj[x], ti[0], ti[1], ti[2])) << i << " / " << j;
        for (int y = 0; y < 3; ++y) {
          ASSERT_FALSE(ProperCrossing(ti[x], ti[(x + 1) % 3], uj[y], uj[(y + 1) % 3]))
              << "triangles " << i << " and " << j << " overlap";
        }
      }
    }
  }
}

// n - 2 triangles whose every index is below the point count (whatever the input).
void ExpectValidIndices(const MeshObject& mesh, uint32_t n) {
  ASSERT_EQ(mesh.point_count, n);
  ASSERT_EQ(mesh.triangle_count, n - 2);
  test::ExpectIndicesInRange(mesh);
}

// --- Seeded test outlines ---

// Star-shaped about a random centre: jittered angles (no gap of pi or more, so the centre stays
// inside), random radii.
Outline Star(int n, uint32_t seed) {
  std::mt19937 rng(seed);
  auto uniform = [&rng](double lo, double hi) {
    return std::uniform_real_distribution<>(lo, hi)(rng);
  };
  std::vector<double> angles(n);
  for (int i = 0; i < n; ++i) angles[i] = 6.283185307179586 * (i + uniform(0.0, 0.9)) / n;
  const double cx = uniform(-50, 50), cy = uniform(-50, 50), scale = uniform(0.5, 40);
  Outline p;
  for (double a : angles) {
    const double r = scale * uniform(0.1, 1.0);
    p.push_back(Vec3{float(cx + r * std::cos(a)), float(cy + r * std::sin(a)), 0.0f});
  }
  return p;
}

Outline Reversed(Outline p) {
  std::reverse(p.begin(), p.end());
  return p;
}

// --- Reference cases ---

TEST(Triangulate, SquareGivesTwoTrianglesFacingMinusZ) {
  const Outline square{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  auto mesh = Fill(square);
  ASSERT_EQ(mesh->triangle_count, 2u);
  test::ExpectTriangle(*mesh, 0, 0, 2, 1);
  test::ExpectTriangle(*mesh, 1, 0, 3, 2);
  for (uint32_t i = 0; i < 2; ++i) EXPECT_FLOAT_EQ(mesh->triangles[i].normal.z, -1.0f);
  for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(mesh->points[i], square[i]);
}

TEST(Triangulate, LShapedHexagonIsCoveredWithoutOverlap) {
  const Outline l_shape{{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}};
  ExpectExactFill(*Fill(l_shape), l_shape);
  ExpectExactFill(*Fill(Reversed(l_shape)), Reversed(l_shape));
  // A dart whose equal diagonals lie one inside, one outside, from either end.
  for (const Outline& dart : {Outline{{0, 0, 0}, {1, 3, 0}, {2, 0, 0}, {1, 1, 0}},
                              Outline{{1, 3, 0}, {2, 0, 0}, {1, 1, 0}, {0, 0, 0}}})
    ExpectExactFill(*Fill(dart), dart);
}

TEST(Triangulate, BowTieWarnsOnceAndStillGivesNMinusTwoTriangles) {
  for (const Outline& bow_tie :
       {Outline{{0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 1, 0}},
        Outline{{0, 0, 0}, {2, 0, 0}, {4, 2, 0}, {4, 0, 0}, {2, 2, 0}, {0, 2, 0}}}) {
    std::ostringstream console;
    auto mesh = Fill(bow_tie, console);
    EXPECT_EQ(console.str(), kSelfIntersectionWarning);
    ExpectValidIndices(*mesh, static_cast<uint32_t>(bow_tie.size()));
  }
}

TEST(Triangulate, NothingForMissingOrTooShortOutlines) {
  MeshObject* result = nullptr;
  EXPECT_EQ(Triangulate(nullptr, result), 0);
  EXPECT_EQ(result, nullptr);
  auto two = test::MakeMesh({{0, 0, 0}, {1, 0, 0}});
  EXPECT_EQ(Triangulate(two.get(), result), 0);
  EXPECT_EQ(result, nullptr);
}

TEST(Triangulate, RefusesOutlinesBeyondTheLimitAndKeepsTheResult) {
  Outline long_outline(kMaxOutlinePoints + 1);
  for (uint32_t i = 0; i < long_outline.size(); ++i) long_outline[i] = Vec3{float(i), 0, 0};
  auto outline = test::MakeMesh(long_outline);
  MeshObject kept;
  MeshObject* result = &kept;
  EXPECT_EQ(Triangulate(outline.get(), result), -1);
  EXPECT_EQ(result, &kept);
  EXPECT_EQ(kept.point_count, 0u);
}

TEST(Triangulate, FillsAnExistingResultAndTheConstructionsResult) {
  const Outline square{{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}};
  auto outline = test::MakeMesh(square, {}, true);
  MeshObject existing;
  existing.SetPointCount(9);
  MeshObject* result = &existing;
  ASSERT_EQ(Triangulate(outline.get(), result), 0);
  EXPECT_EQ(result, &existing);
  EXPECT_EQ(existing.point_count, 4u);
  EXPECT_EQ(existing.triangle_count, 2u);

  ConstructionObject construction;
  construction.outline = outline.get();
  construction.construction = kConstructTriangulate;
  ASSERT_EQ(Triangulate(construction), 0);
  std::unique_ptr<MeshObject> created(construction.result);
  ASSERT_NE(created, nullptr);
  ExpectExactFill(*created, square);
  EXPECT_EQ(outline->point_count, 4u);  // the outline stays as it was
}

TEST(Triangulate, KeepsTheResultWhenMemoryRunsOut) {
  std::ostringstream errors;
  SetErrorOutput(&errors);
  auto outline = test::MakeMesh({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  MeshObject* result = nullptr;
  FailNextAllocations(1);
  EXPECT_EQ(Triangulate(outline.get(), result), -1);
  EXPECT_EQ(result, nullptr);
  SetErrorOutput(nullptr);
  EXPECT_NE(errors.str().find("ERROR:"), std::string::npos);
}

// --- Property tests ---

TEST(TriangulateProperty, TenThousandPointOutlineCoversItsArea) {
  const Outline star = Star(10000, 7);
  auto mesh = Fill(star);
  ExpectValidIndices(*mesh, 10000);
  const double sum = FilledArea(*mesh, star, true);
  EXPECT_NEAR(sum, std::fabs(SignedArea(star)), 1e-9 * std::fabs(SignedArea(star)));
}

// --- Degenerate input: always ends, never an index out of range ---

TEST(TriangulateDegenerate, CollinearAndCoincidentOutlinesEnd) {
  Outline line, same, vertical;
  for (int i = 0; i < 3000; ++i) {
    line.push_back(Vec3{float(i), float(2 * i), 0});
    same.push_back(Vec3{1, 2, 3});
    vertical.push_back(Vec3{0, float(i % 7), 0});
  }
  for (const Outline& p : {line, same, vertical}) {
    auto mesh = Fill(p);
    ExpectValidIndices(*mesh, static_cast<uint32_t>(p.size()));
  }
}

TEST(TriangulateDegenerate, SelfCrossingAndNonFiniteOutlinesEnd) {
  std::mt19937 rng(99);
  std::uniform_real_distribution<float> u(0.0f, 1.0f);
  Outline scattered;
  for (int i = 0; i < 10000; ++i) scattered.push_back(Vec3{u(rng), u(rng), 0});
  std::ostringstream console;
  auto mesh = Fill(scattered, console);
  EXPECT_EQ(console.str(), kSelfIntersectionWarning);
  ExpectValidIndices(*mesh, 10000);

  const float nan = std::nanf("");
  const float inf = INFINITY;
  const Outline odd{{0, 0, 0}, {nan, 1, 0}, {1, 1, 0}, {inf, -inf, 0}, {0, nan, 0}, {2, 0, 0}};
  ExpectValidIndices(*Fill(odd, console), 6);
}

// --- The other operations ---

TEST(SplitPolygon, WritesWithinCapacityFromTheGivenPosition) {
  const Vec3 points[] = {{0, 0, 0}, {3, 0, 0}, {3, 1, 0}, {1, 1, 0}, {1, 3, 0}, {0, 3, 0}};
  const uint32_t all[] = {0, 1, 2, 3, 4, 5};
  Triangle triangles[6];
  EXPECT_EQ(SplitPolygon(points, all, 6, triangles, 6, 2), 6);
  EXPECT_EQ(triangles[0].a + triangles[0].b + triangles[0].c, 0u);  // before `next`: untouched
  Triangle few[2];
  EXPECT_EQ(SplitPolygon(points, all, 6, few, 2, 0), 4);  // counts on, writes only two
  EXPECT_EQ(SplitPolygon(points, all, 2, few, 2, 0), -1);
  const uint32_t subset[] = {5, 0, 1};
  EXPECT_EQ(SplitPolygon(points, subset, 3, few, 2, 1), 2);
  EXPECT_EQ(few[1].a, 5u);
}

TEST(SelfIntersects, TestsOnlyTheDefinedEdgePairs) {
  const Vec3 bow_tie[] = {{0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 1, 0}};
  EXPECT_EQ(SelfIntersects(bow_tie, 4), 1);
  // Edge 1 crosses the closing edge, which is not tested.
  const Vec3 closing[] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
  EXPECT_EQ(SelfIntersects(closing, 4), 0);
  // Touching in a vertex is no crossing.
  const Vec3 touching[] = {{0, 0, 0}, {4, 0, 0}, {2, 2, 0}, {4, 4, 0}, {0, 4, 0}, {2, 0, 0}};
  EXPECT_EQ(SelfIntersects(touching, 6), 0);
  // A figure eight: edge 0 crosses edge 4.
  const Vec3 eight[] = {{0, 0, 0}, {2, 2, 0}, {4, 2, 0}, {4, 0, 0}, {2, 0, 0}, {0, 2, 0}};
  EXPECT_EQ(SelfIntersects(eight, 6), 1);
}

TEST(DirectionAngle, RunsCounterclockwiseFromPlusXInZeroToTwoPi) {
  EXPECT_DOUBLE_EQ(DirectionAngle(Vec3{2, 0, 5}), 0.0);
  EXPECT_NEAR(DirectionAngle(Vec3{0, 3, 0}), 1.5707963, 1e-6);
  EXPECT_NEAR(DirectionAngle(Vec3{0, -1, 0}), 4.712389, 1e-6);
  const double nearly_full = DirectionAngle(Vec3{1, -1e-5f, 0});  // clamped to 0 by acos
  EXPECT_GE(nearly_full, 0.0);
  EXPECT_LT(nearly_full, 6.2831853);
}

TEST(OrientTriangles, FlipsTrianglesFacingThePoint) {
  // Normals +Z and -Z.
  auto mesh = test::MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{0, 1, 2}, {0, 2, 1}});
  EXPECT_EQ(OrientTriangles(*mesh, Vec3{0, 0, 5}), 1);
  EXPECT_EQ(mesh->triangles[0].b, 2u);
  EXPECT_FLOAT_EQ(mesh->triangles[0].normal.z, -1.0f);
  EXPECT_EQ(OrientTriangles(*mesh, Vec3{0, 0, 5}), 0);
  EXPECT_EQ(OrientTriangles(*mesh, Vec3{0, 0, -5}), 2);
}

TEST(UnitePolygons, AppendsPointsAndRaisesTheSecondMeshIndices) {
  auto a = test::MakeMesh({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 3}});
  auto b = test::MakeMesh({{5, 0, 0}, {6, 0, 0}, {5, 1, 0}}, {{2, 0, 1}});
  std::unique_ptr<MeshObject> united(UnitePolygons(a.get(), b.get()));
  ASSERT_NE(united, nullptr);
  EXPECT_EQ(united->point_count, 7u);
  ASSERT_EQ(united->triangle_count, 3u);
  EXPECT_EQ(united->points[4], (Vec3{5, 0, 0}));
  EXPECT_EQ(united->triangles[1].c, 3u);
  test::ExpectTriangle(*united, 2, 6, 4, 5);
  EXPECT_FLOAT_EQ(united->triangles[2].normal.z, 1.0f);
  EXPECT_EQ(UnitePolygons(a.get(), nullptr), nullptr);
  EXPECT_EQ(UnitePolygons(nullptr, b.get()), nullptr);
}

TEST(BoundaryEdges, TwoTrianglesSharingAnEdgeGiveTheFourOuterOnes) {
  auto mesh = test::MakeMesh({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 3}});
  std::vector<EdgePair> edges;
  ASSERT_TRUE(BoundaryEdges(*mesh, edges));
  // (0,1) (0,2) (2,1), then (0,2) clears slot 1, which (0,3) takes; (3,2) is appended.
  const std::vector<EdgePair> expected{{0, 1}, {0, 3}, {2, 1}, {3, 2}};
  EXPECT_EQ(edges, expected);
  // A closed mesh has none; paths list their pairs plus one.
  auto tetra = test::MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
                              {{0, 1, 2}, {0, 3, 1}, {1, 3, 2}, {0, 2, 3}});
  ASSERT_TRUE(BoundaryEdges(*tetra, edges));
  EXPECT_TRUE(edges.empty());

  auto path = test::MakeMesh({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {}, true);
  ASSERT_TRUE(BoundaryEdges(*path, edges));
  EXPECT_EQ(edges, (std::vector<EdgePair>{{0, 1}, {1, 2}, {2, 0}, {2, 0}}));
}

// --- The commands ---

class PolygonCommands : public test::CommandTest {
 protected:
  void SetUp() override {
    SetErrorOutput(&errors_);
    CommandTest::SetUp();
  }
  void TearDown() override { SetErrorOutput(nullptr); }

  MeshObject* AddMesh(const char* name, const Outline& points, bool path) {
    MeshObject* mesh = test::MakeMesh(points, {}, path).release();
    mesh->name = name;
    if (!path && points.size() >= 3) {
      mesh->SetTriangleCount(1);
      mesh->SetTriangle(0, 0, 1, 2);
    }
    scene_.objects->Append(mesh, 1);
    return mesh;
  }

  std::ostringstream errors_;
};

TEST_F(PolygonCommands, FromTwoPolygonsRefusesInTheStatedOrder) {
  MeshObject* a = AddMesh("A", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, false);
  MeshObject* path = AddMesh("P", {{0, 0, 0}, {1, 0, 0}}, true);
  MathSphere sphere(1.0f);
  CommandResult r = PolygonFromTwoPolygons(scene_, a, a);
  EXPECT_EQ(r.title, "Attention");
  EXPECT_EQ(r.text, "The second polygon may not be the first polygon!");
  for (SceneObject* other : {static_cast<SceneObject*>(path), static_cast<SceneObject*>(&sphere),
                             static_cast<SceneObject*>(nullptr)}) {
    r = PolygonFromTwoPolygons(scene_, a, other);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.text, "Both polygons must be 3D-Mesh-Objects!");
    r = PolygonFromTwoPolygons(scene_, other, a);
    EXPECT_EQ(r.text, "Both polygons must be 3D-Mesh-Objects!");
  }
  MeshObject* b = AddMesh("B", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, false);
  FailNextAllocations(1);
  r = PolygonFromTwoPolygons(scene_, a, b);
  EXPECT_EQ(r.title, "Attention");
  EXPECT_EQ(r.text, "The polygons can't united.");
}

TEST_F(PolygonCommands, FromTwoPolygonsUnitesReferenceThenCurrent) {
  MeshObject* current = AddMesh("Cur", {{5, 0, 0}, {6, 0, 0}, {5, 1, 0}}, false);
  MeshObject* reference = AddMesh("Ref", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, false);
  MeshObject* united = &Built(PolygonFromTwoPolygons(scene_, current, reference));
  EXPECT_EQ(united->name, "Ref+Cur1");
  EXPECT_EQ(united->point_count, 7u);
  EXPECT_EQ(united->points[0], reference->points[0]);
  EXPECT_EQ(united->triangles[1].a, 4u);
  ASSERT_NE(united->material, nullptr);
  EXPECT_EQ(united->material->name, "standard");
  EXPECT_EQ(scene_.objects->Last(), united);
  EXPECT_EQ(current->point_count, 3u);
  EXPECT_EQ(reference->point_count, 4u);
}

TEST_F(PolygonCommands, FromPathChecksThePathAndTheName) {
  MeshObject* mesh = AddMesh("M", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, false);
  MeshObject* path = AddMesh("Outline", {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}}, true);
  std::ostringstream console;
  for (SceneObject* wrong : {static_cast<SceneObject*>(mesh), static_cast<SceneObject*>(nullptr)}) {
    CommandResult r = PolygonFromPath(scene_, wrong, "Polygon", console);
    EXPECT_EQ(r.title, "Attention");
    EXPECT_EQ(r.text, "You must first select the path.");
  }
  CommandResult r = PolygonFromPath(scene_, path, "M", console);
  EXPECT_EQ(r.title, "Error");
  EXPECT_EQ(r.text, "There is a object with the same name.\nPlease change the name!");

  Outline long_outline(kMaxOutlinePoints + 1);
  for (uint32_t i = 0; i < long_outline.size(); ++i)
    long_outline[i] = Vec3{float(i % 9), float(i), 0};
  r = PolygonFromPath(scene_, AddMesh("Long", long_outline, true), "Polygon", console);
  EXPECT_EQ(r.title, "Error");
  EXPECT_EQ(r.text, kOutlineTooLongText);

  EXPECT_EQ(ProposedPolygonName(scene_), "Polygon1");
  MeshObject* polygon = &Built(PolygonFromPath(scene_, path, "Polygon1", console));
  EXPECT_EQ(polygon->name, "Polygon1");
  EXPECT_FALSE(polygon->IsPath());
  EXPECT_EQ(polygon->triangle_count, 2u);
  EXPECT_EQ(polygon->material->name, "standard");
  EXPECT_EQ(scene_.objects->Last(), polygon);
  EXPECT_EQ(console.str(), "");
  EXPECT_EQ(ProposedPolygonName(scene_), "Polygon2");
}

TEST_F(PolygonCommands, FromPathWarnsForCrossingOutlinesAndAddsShortOnesEmpty) {
  MeshObject* bow_tie = AddMesh("Bow", {{0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 1, 0}}, true);
  MeshObject* two = AddMesh("Two", {{0, 0, 0}, {1, 0, 0}}, true);
  std::ostringstream console;
  Built(PolygonFromPath(scene_, bow_tie, "Tie", console));
  EXPECT_EQ(console.str(), kSelfIntersectionWarning);
  EXPECT_EQ(Built(PolygonFromPath(scene_, two, "Empty", console)).triangle_count, 0u);
}

using test::ExpectClosedOutward;
using test::ExpectIndicesInRange;
using test::ExpectNear;
using test::ExpectTriangle;
using test::MakePath;

constexpr const char* kBadSize = "The sizes must be finite numbers between -1e15 and 1e15.";
constexpr const char* kNameTaken = "There is a object with the same name.\nPlease change the name!";
constexpr const char* kNoSegments = "The number of segments must be greater than 0.";
constexpr const char* kTooManySegments = "The number of segments must not be greater than 10000.";

// The sign of normal · (centroid − inside(centroid)) of every triangle: +1 all outward,
// -1 all inward, 0 mixed.
int Facing(const MeshObject& m, const std::function<Vec3(const Vec3&)>& inside) {
  int out = 0;
  for (uint32_t i = 0; i < m.triangle_count; ++i) {
    const Triangle& t = m.triangles[i];
    const Vec3 g = (m.points[t.a] + m.points[t.b] + m.points[t.c]) * (1.0 / 3.0);
    if (Dot(t.normal, g - inside(g)) > 0.0) ++out;
  }
  if (out == static_cast<int>(m.triangle_count)) return 1;
  return out == 0 ? -1 : 0;
}

// Clockwise in XY (x right, y up) on the +X side: the lathe's solid then faces outward.
std::vector<Vec3> ClockwiseSquare() {
  return {{2, 1, 0}, {3, 1, 0}, {3, 0, 0}, {2, 0, 0}};
}

class LatheExtrusionTest : public test::CommandTest {
 protected:
  MeshObject* AddPath(const char* name, std::vector<Vec3> pts) {
    MeshObject* p = MakePath(pts).release();
    p->name = name;
    scene_.objects->Append(p, 1);
    return p;
  }
};

TEST(ConstructionObjectTest, IdentityDispatchAndClone) {
  auto outline = MakePath({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  ConstructionObject c;
  EXPECT_EQ(c.GetType(), 5);
  EXPECT_STREQ(c.TypeName(), "Konstruktionsobjekt");
  EXPECT_EQ(std::tuple(c.preview_mode, c.construction), std::tuple(2, 1));
  c.outline = outline.get();

  MeshObject untouched;
  c.result = &untouched;
  c.construction = 3;
  EXPECT_EQ(c.Construct(), -1);
  EXPECT_EQ(untouched.point_count, 0u);

  c.result = nullptr;
  c.construction = kConstructTriangulate;
  EXPECT_EQ(c.Construct(), 0);
  ASSERT_NE(c.result, nullptr);
  std::unique_ptr<MeshObject> filled(c.result);
  EXPECT_EQ(filled->triangle_count, 2u);

  c.segments = 5;
  c.step_angle = 12.5f;
  c.y_translation = 2.0f;
  c.caps = kCapsEvery;
  c.close_profile = 1;
  c.close_turn = 1;
  std::unique_ptr<SceneObject> copy(c.Clone());
  auto& cc = static_cast<ConstructionObject&>(*copy);
  EXPECT_EQ(std::tuple(cc.segments, cc.step_angle, cc.y_translation, cc.caps, cc.close_profile,
                       cc.close_turn, cc.construction),
            std::tuple(5, 12.5f, 2.0f, int{kCapsEvery}, 1, 1, kConstructTriangulate));
  EXPECT_EQ(cc.outline, outline.get());
  EXPECT_EQ(cc.result, filled.get());
}

TEST(ConstructionObjectTest, LatheNeedsTwoPointsAndASegmentAndFillsAGivenResult) {
  auto one = MakePath({{1, 0, 0}});
  auto two = MakePath({{1, 0, 0}, {1, 1, 0}});
  ConstructionObject c;
  c.outline = one.get();
  c.segments = 4;
  EXPECT_EQ(c.Construct(), -1);
  c.outline = two.get();
  for (int s : {0, -3, 1000000000}) {
    c.segments = s;
    EXPECT_EQ(c.Construct(), -1);
  }
  EXPECT_EQ(c.result, nullptr);
  MeshObject result;
  c.result = &result;
  c.segments = 2;
  ASSERT_EQ(c.Construct(), 0);
  EXPECT_EQ(c.result, &result);
  EXPECT_EQ(result.point_count, 6u);
  EXPECT_EQ(result.triangle_count, 4u);
}

TEST(LatheDialogTest, FillsTheConstructionObject) {
  LatheInput in;
  in.segments = 4;
  in.close = true;
  in.close_end = true;
  in.close_last_segment = true;
  ConstructionObject c;
  ApplyLatheDialog(in, c);
  EXPECT_EQ(std::tuple(c.segments, c.close_profile, c.close_turn), std::tuple(4, 1, 1));
  EXPECT_FLOAT_EQ(c.step_angle, 72.0f);  // A / (S + 1)
  EXPECT_EQ(c.caps, kCapsNone);          // "close end" only counts for an open turn
  in.close_last_segment = false;
  ApplyLatheDialog(in, c);
  EXPECT_EQ(c.close_turn, 0);
  EXPECT_FLOAT_EQ(c.step_angle, 90.0f);  // A / S
  EXPECT_EQ(c.caps, kCapsBoth);
}

TEST_F(LatheExtrusionTest, LatheTubesWithClosedAndOpenTurn) {
  AddPath("Profile", {{1, 0, 0}, {1, 1, 0}});
  LatheInput in;
  in.outline = "Profile";
  in.segments = 3;
  in.close_last_segment = true;
  MeshObject& m = Built(CreateLathe(scene_, in));
  EXPECT_STREQ(m.name.c_str(), "Rotations_Obj");
  ASSERT_NE(m.material, nullptr);
  EXPECT_STREQ(m.material->name.c_str(), "standard");
  EXPECT_EQ(m.point_count, 8u);
  EXPECT_EQ(m.triangle_count, 8u);
  ExpectNear(m.points[2], {0, 0, -1});  // ring 1 turned by 90 degrees
  ExpectNear(m.points[7], {0, 1, 1});
  ExpectTriangle(m, 7, 1, 0, 7);  // the closing gap joins ring 3 to ring 0

  in.name = "Open";
  in.close_last_segment = false;
  MeshObject& open = Built(CreateLathe(scene_, in));
  EXPECT_EQ(open.point_count, 8u);
  EXPECT_EQ(open.triangle_count, 6u);
  ExpectNear(open.points[2], {-0.5f, 0, -0.8660254f});  // 120 degrees
  ExpectNear(open.points[6], {1, 0, 0});                // ring 3 at 360 degrees
  ExpectTriangle(open, 0, 2, 0, 1);                     // the first gap as laid out
  ExpectTriangle(open, 1, 3, 2, 1);
}

TEST_F(LatheExtrusionTest, ClosedLatheFacesOutwardForAClockwiseProfileAndCapsAPartialTurn) {
  auto tube = [](const Vec3& g) {
    const double len = std::hypot(g.x, g.z);
    return Vec3{static_cast<float>(2.5 * g.x / len), 0.5f, static_cast<float>(2.5 * g.z / len)};
  };
  AddPath("CW", ClockwiseSquare());
  std::vector<Vec3> ccw = ClockwiseSquare();
  std::reverse(ccw.begin(), ccw.end());
  AddPath("CCW", ccw);
  LatheInput in;
  in.outline = "CW";
  in.close = true;
  in.close_last_segment = true;
  in.segments = 12;
  MeshObject& out = Built(CreateLathe(scene_, in));
  EXPECT_EQ(Facing(out, tube), 1);
  ExpectClosedOutward(out);
  in.name = "Inside";
  in.outline = "CCW";
  EXPECT_EQ(Facing(Built(CreateLathe(scene_, in)), tube), -1);

  in.name = "Half";
  in.outline = "CW";
  in.close_last_segment = false;
  in.segments = 4;
  in.angle = 180.0f;
  in.close_end = true;
  MeshObject& half = Built(CreateLathe(scene_, in));
  EXPECT_EQ(half.point_count, 20u);
  EXPECT_EQ(half.triangle_count, 8u * 4u + 2u * 2u);  // bands E × S, caps 2 (n - 2)
  ExpectClosedOutward(half);
}

TEST(LatheCapsTest, CapModes) {
  auto profile = MakePath(ClockwiseSquare());
  auto line = MakePath({{1, 0, 0}, {1, 1, 0}});
  ConstructionObject c;
  c.outline = profile.get();
  c.segments = 3;
  c.close_profile = 1;
  unsigned points = 0;
  unsigned tris = 0;
  const unsigned bands = 8 * 3;
  const std::pair<int, unsigned> expected[] = {{kCapsNone, 0}, {kCapsFirst, 2}, {kCapsLast, 2},
                                               {kCapsBoth, 4}, {kCapsEvery, 8}, {7, 0},
                                               {-1, 0}};
  for (auto [caps, cap_tris] : expected) {
    c.caps = caps;
    ASSERT_TRUE(LatheCounts(c, &points, &tris));
    EXPECT_EQ(points, 16u);
    EXPECT_EQ(tris, bands + cap_tris) << "caps " << caps;
  }
  c.close_turn = 1;  // both ends then become the first ring only
  c.caps = kCapsBoth;
  ASSERT_TRUE(LatheCounts(c, &points, &tris));
  EXPECT_EQ(tris, 8u * 4u + 2u);
  c.outline = line.get();  // fewer than three points: no caps
  ASSERT_TRUE(LatheCounts(c, &points, &tris));
  EXPECT_EQ(tris, 4u * 4u);  // E = 2n with the closed profile, four gaps

  c.outline = profile.get();
  c.close_turn = 0;
  c.caps = kCapsEvery;
  ASSERT_EQ(c.Construct(), 0);
  std::unique_ptr<MeshObject> result(c.result);
  EXPECT_EQ(result->triangle_count, bands + 8u);
  for (uint32_t i = bands; i < result->triangle_count; ++i) {  // each ring's cap on its points
    const Triangle& t = result->triangles[i];
    EXPECT_EQ(t.a / 4, t.b / 4);
    EXPECT_EQ(t.a / 4, t.c / 4);
  }
}

TEST_F(LatheExtrusionTest, LatheRefusals) {
  LatheInput in;
  in.outline = "Profile";
  ExpectRefused(CreateLathe(scene_, in), "Error", "There is no path selected!");
  AddPath("Profile", {{1, 0, 0}, {1, 1, 0}});
  AddPath("Dot", {{1, 0, 0}});
  AddPath("Rotations_Obj", {{1, 0, 0}, {1, 1, 0}});
  Remember();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    const char* name;
    const char* outline;
    int segments;
    float angle, lift;
    const char* title;
    const char* text;
  } cases[] = {
      {"Rotations_Obj", "Profile", 7, 360, 0, "Error", kNameTaken},
      {"L", "Nothing", 7, 360, 0, "Attention", "There is no outline-path selected."},
      {"L", "Profile", 0, 360, 0, "Error", kNoSegments},
      {"L", "Profile", 10001, 360, 0, "Error", kTooManySegments},
      {"L", "Profile", 7, nan, 0, "Error", kBadSize},
      {"L", "Profile", 7, 360, 1e20f, "Error", kBadSize},
      {"L", "Dot", 7, 360, 0, "Attention", "The outline-path must have at least two points."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    in.name = c.name;
    in.outline = c.outline;
    in.segments = c.segments;
    in.angle = c.angle;
    in.y_translation = c.lift;
    ExpectRefused(CreateLathe(scene_, in), c.title, c.text);
  }
}

TEST_F(LatheExtrusionTest, LatheBoundsTotalSize) {
  std::vector<Vec3> many(1000);
  for (size_t i = 0; i < many.size(); ++i) many[i] = {1.0f, static_cast<float>(i), 0.0f};
  MeshObject* path = AddPath("Long", many);
  Remember();
  LatheInput in;
  in.outline = "Long";
  in.segments = 1002;  // 1998 × 1002 triangles: just over two million
  ExpectRefused(CreateLathe(scene_, in), "Error",
                "The new object would get too many points or triangles.\nPlease choose fewer "
                "segments.");
  ConstructionObject c;
  c.outline = path;
  c.segments = 1002;
  EXPECT_FALSE(LatheCounts(c, nullptr, nullptr));
  EXPECT_EQ(c.Construct(), -1);
  c.segments = 1001;  // 1998 × 1001 triangles: within the bound
  unsigned points = 0;
  unsigned tris = 0;
  EXPECT_TRUE(LatheCounts(c, &points, &tris));
  EXPECT_EQ(points, 1002u * 1000u);
  EXPECT_EQ(tris, 1998u * 1001u);
}

TEST_F(LatheExtrusionTest, ZExtrusionOfASquarePath) {
  for (bool clockwise : {false, true}) {
    std::vector<Vec3> sq = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    if (clockwise) std::reverse(sq.begin(), sq.end());
    MeshObject* path = AddPath(clockwise ? "CW" : "CCW", sq);
    ZExtrusionInput in;
    in.name = clockwise ? "E1" : "E2";
    in.depth = 2.0f;
    in.close_outline = true;
    MeshObject& m = Built(CreateZExtrusion(scene_, in, path));
    EXPECT_FALSE(m.IsPath());
    EXPECT_EQ(m.point_count, 8u);
    EXPECT_EQ(m.triangle_count, 2u + 2u + 8u);
    for (uint32_t i = 0; i < 4; ++i) {
      ExpectNear(m.points[i], sq[i]);
      ExpectNear(m.points[4 + i], sq[i] + Vec3{0, 0, 2});
    }
    for (uint32_t i = 0; i < 2; ++i) {
      ExpectNear(m.triangles[i].normal, {0, 0, -1});     // front
      ExpectNear(m.triangles[2 + i].normal, {0, 0, 1});  // back
    }
    ExpectClosedOutward(m);
  }
}

TEST_F(LatheExtrusionTest, ZExtrusionSegmentsAndOpenOutline) {
  MeshObject* path = AddPath("P", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  ZExtrusionInput in;
  in.depth = 3.0f;
  in.segments = 3;
  MeshObject& m = Built(CreateZExtrusion(scene_, in, path));
  EXPECT_EQ(m.point_count, 16u);
  EXPECT_EQ(m.triangle_count, 2u + 2u + 2u * 3u * 3u);  // 3 edges without "close Outline"
  for (uint32_t k = 0; k <= 3; ++k) EXPECT_NEAR(m.points[4 * k + 2].z, k, 1e-6f);
  ExpectIndicesInRange(m);
}

TEST_F(LatheExtrusionTest, ZExtrusionRefusalsAndWarning) {
  MeshObject* path = AddPath("P", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}});
  MeshObject* dot = AddPath("Dot", {{0, 0, 0}});
  MeshObject* bow = AddPath("Bow", {{0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 1, 0}});
  MathSphere sphere;
  Remember();
  ZExtrusionInput in;
  for (SceneObject* wrong :
       {static_cast<SceneObject*>(nullptr), static_cast<SceneObject*>(&sphere)})
    ExpectRefused(CreateZExtrusion(scene_, in, wrong), "Attention",
                  "There is no 3D-Mesh_object choosen.");
  in.name = "P";
  ExpectRefused(CreateZExtrusion(scene_, in, path), "Error", kNameTaken);
  in.name = "E";
  in.segments = 0;
  ExpectRefused(CreateZExtrusion(scene_, in, path), "Error", kNoSegments);
  in.segments = 1000000000;
  ExpectRefused(CreateZExtrusion(scene_, in, path), "Error", kTooManySegments);
  in.segments = 1;
  in.depth = std::numeric_limits<float>::quiet_NaN();
  ExpectRefused(CreateZExtrusion(scene_, in, path), "Error", kBadSize);
  in.depth = 1.0f;
  ExpectRefused(CreateZExtrusion(scene_, in, dot), "Attention",
                "The object has nothing to extrude.");

  testing::internal::CaptureStdout();
  const CommandResult r = CreateZExtrusion(scene_, in, bow);
  testing::internal::GetCapturedStdout();
  ASSERT_TRUE(r.ok());
  EXPECT_STREQ(r.title.c_str(), "Warning");
  EXPECT_STREQ(r.text.c_str(),
               "The lines of the outline-path should not cross in the XY-View. \nThe result of "
               "this operation may not look like as you expect.");
}

TEST_F(LatheExtrusionTest, ZExtrusionOfAMeshUsesItsBoundary) {
  // An L-shaped flat mesh of three unit squares (facing -Z, like a triangulated outline).
  const std::vector<Vec3> pts = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0},
                                 {1, 1, 0}, {2, 1, 0}, {0, 2, 0}, {1, 2, 0}};
  MeshObject* l =
      test::MakeMesh(pts, {{0, 4, 1}, {0, 3, 4}, {1, 5, 2}, {1, 4, 5}, {3, 7, 4}, {3, 6, 7}})
          .release();
  l->name = "L";
  scene_.objects->Append(l, 1);
  ZExtrusionInput in;
  in.segments = 2;
  MeshObject& m = Built(CreateZExtrusion(scene_, in, l));
  // 8 boundary edges through all 8 points: 8 front + 8 middle ring + 8 back points.
  EXPECT_EQ(m.point_count, 24u);
  EXPECT_EQ(m.triangle_count, 6u + 6u + 2u * 2u * 8u);
  for (uint32_t i = 0; i < 8; ++i) {
    ExpectNear(m.points[i], pts[i]);
    ExpectNear(m.points[16 + i], pts[i] + Vec3{0, 0, 1});
    EXPECT_NEAR(m.points[8 + i].z, 0.5f, 1e-6f);
  }
  ExpectClosedOutward(m);
}

TEST_F(LatheExtrusionTest, PathExtrusionAlongZKeepsTheOutline) {
  std::vector<Vec3> sq = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
  MeshObject* outline = AddPath("Outline", sq);
  AddPath("Spine", {{0, 0, 0}, {0, 0, 2}, {0, 0, 5}});
  PathExtrusionInput in;
  in.outline = "Outline";
  in.path = "Spine";
  in.close = true;
  in.close_end = true;
  MeshObject& m = Built(CreatePathExtrusion(scene_, in, outline));
  EXPECT_EQ(m.point_count, 12u);
  EXPECT_EQ(m.triangle_count, 2u * 2u + 2u * 4u * 2u);
  const float z[] = {0, 2, 5};
  for (uint32_t k = 0; k < 3; ++k) {
    for (uint32_t i = 0; i < 4; ++i) ExpectNear(m.points[4 * k + i], sq[i] + Vec3{0, 0, z[k]});
  }
  // The last cap repeats the first on the last ring's points, same winding.
  for (uint32_t i = 0; i < 2; ++i) {
    EXPECT_EQ(m.triangles[2 + i].a, m.triangles[i].a + 8);
    EXPECT_EQ(m.triangles[2 + i].b, m.triangles[i].b + 8);
  }
  ExpectIndicesInRange(m);
  in.name = "Open";
  in.close = false;
  in.close_end = false;
  MeshObject& open = Built(CreatePathExtrusion(scene_, in, outline));
  EXPECT_EQ(open.triangle_count, 2u * 3u * 2u);
  ExpectTriangle(open, 0, 0, 1, 4);
  ExpectTriangle(open, 1, 4, 1, 5);
}

TEST_F(LatheExtrusionTest, PathExtrusionRefusalsAndWarning) {
  MeshObject* outline = AddPath("Outline", {{0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 1, 0}});
  AddPath("Spine", {{0, 0, 0}, {0, 0, 1}});
  AddPath("Dot", {{0, 0, 0}});
  auto* mesh = new MeshObject();
  mesh->name = "Mesh";
  scene_.objects->Append(mesh, 1);
  Remember();
  PathExtrusionInput in;
  in.outline = "Outline";
  in.path = "Spine";
  for (SceneObject* wrong : {static_cast<SceneObject*>(nullptr), static_cast<SceneObject*>(mesh)})
    ExpectRefused(CreatePathExtrusion(scene_, in, wrong), "Attention",
                  "You must first select a path for the outline.");
  in.name = "Spine";
  ExpectRefused(CreatePathExtrusion(scene_, in, outline), "Error", kNameTaken);
  in.name = "X";
  for (const char* bad : {"", "Mesh"}) {  // none, or not a path
    in.outline = bad;
    ExpectRefused(CreatePathExtrusion(scene_, in, outline), "Attention",
                  "You must select a path for the outline!");
  }
  in.outline = "Outline";
  in.path = "Missing";
  ExpectRefused(CreatePathExtrusion(scene_, in, outline), "Attention",
                "You must select a second path!");
  in.path = "Dot";
  ExpectRefused(CreatePathExtrusion(scene_, in, outline), "Attention",
                "The second path must have at least two points.");
  in.path = "Spine";
  in.outline = "Dot";
  ExpectRefused(CreatePathExtrusion(scene_, in, outline), "Attention",
                "The outline-path must have at least two points.");
  in.outline = "Outline";
  testing::internal::CaptureStdout();
  const CommandResult r = CreatePathExtrusion(scene_, in, outline);
  testing::internal::GetCapturedStdout();
  ASSERT_TRUE(r.ok());
  EXPECT_STREQ(r.title.c_str(), "Warning");
  EXPECT_EQ(static_cast<MeshObject*>(r.item)->point_count, 8u);
}

}  // namespace
}  // namespace orvane
