#include "modelling/polygons.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <sstream>
#include <vector>

#include "foundation/error_output.h"
#include "modelling/construction_object.h"
#include "modelling/modelling_checks.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"
#include "scene/scene.h"
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

std::vector<std::array<uint32_t, 3>> Indices(const MeshObject& mesh) {
  std::vector<std::array<uint32_t, 3>> out;
  for (uint32_t i = 0; i < mesh.triangle_count; ++i) {
    out.push_back({mesh.triangles[i].a, mesh.triangles[i].b, mesh.triangles[i].c});
  }
  return out;
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

// Every triangle index is below the point count (whatever the input).
void ExpectValidIndices(const MeshObject& mesh, uint32_t n) {
  ASSERT_EQ(mesh.point_count, n);
  ASSERT_EQ(mesh.triangle_count, n - 2);
  for (uint32_t i = 0; i < mesh.triangle_count; ++i) {
    const Triangle& t = mesh.triangles[i];
    ASSERT_TRUE(t.a < n && t.b < n && t.c < n);
  }
}

// --- Random simple polygons (seeded) ---

class PolygonFactory {
 public:
  explicit PolygonFactory(uint32_t seed) : rng_(seed) {}

  double Uniform(double lo, double hi) { return std::uniform_real_distribution<>(lo, hi)(rng_); }
  int Int(int lo, int hi) { return std::uniform_int_distribution<>(lo, hi)(rng_); }

  // Star-shaped about a random centre: jittered angles (no gap of pi or more, so the centre
  // stays inside), random radii.
  Outline Star(int n) {
    std::vector<double> angles(n);
    for (int i = 0; i < n; ++i) angles[i] = 6.283185307179586 * (i + Uniform(0.0, 0.9)) / n;
    const double cx = Uniform(-50, 50), cy = Uniform(-50, 50), scale = Uniform(0.5, 40);
    Outline p;
    for (double a : angles) {
      const double r = scale * Uniform(0.1, 1.0);
      p.push_back(Vec3{float(cx + r * std::cos(a)), float(cy + r * std::sin(a)), 0.0f});
    }
    return p;
  }

  // A histogram on integer coordinates: a straight bottom through a point at every column
  // (collinear runs) and a staircase of bars on top; not star-shaped in general.
  Outline Histogram(int columns) {
    Outline p;
    for (int x = 0; x <= columns; ++x) p.push_back(Vec3{float(x), 0.0f, 0.0f});
    int previous = -1;
    for (int x = columns; x > 0; --x) {
      const int h = Int(1, 6);
      if (h != previous) p.push_back(Vec3{float(x), float(h), 0.0f});
      if (x > 1) p.push_back(Vec3{float(x - 1), float(h), 0.0f});
      previous = h;
      if (x == 1) p.push_back(Vec3{0.0f, float(h), 0.0f});
    }
    return p;
  }

  // A general simple polygon: random points joined in random order, untangled by reversing
  // runs between crossing edges until no two edges cross.
  Outline Untangled(int n) {
    Outline p;
    for (int i = 0; i < n; ++i)
      p.push_back(Vec3{float(Uniform(-10, 10)), float(Uniform(-10, 10)), 0});
    for (bool changed = true; changed;) {
      changed = false;
      for (int i = 0; i < n && !changed; ++i) {
        for (int j = i + 2; j < n && !changed; ++j) {
          if (i == 0 && j == n - 1) continue;
          if (ProperCrossing(p[i], p[i + 1], p[j], p[(j + 1) % n])) {
            std::reverse(p.begin() + i + 1, p.begin() + j + 1);
            changed = true;
          }
        }
      }
    }
    return p;
  }

  // A comb of `teeth` thin teeth: deep pockets, many reflex vertices.
  Outline Comb(int teeth) {
    Outline p{{0.0f, -1.0f, 0.0f}};
    p.push_back(Vec3{float(2 * teeth), -1.0f, 0.0f});
    for (int i = teeth - 1; i >= 0; --i) {
      const float depth = float(Uniform(0.2, 0.9));
      p.push_back(Vec3{float(2 * i + 1), depth, 0.0f});
      p.push_back(Vec3{float(2 * i + 1), 10.0f, 0.0f});
      p.push_back(Vec3{float(2 * i), 10.0f, 0.0f});
      p.push_back(Vec3{float(2 * i), depth - 0.1f, 0.0f});
    }
    return p;
  }

  // A double spiral band, far from star-shaped.
  static Outline Spiral(int per_arm, double turns) {
    Outline outer, inner;
    for (int i = 0; i < per_arm; ++i) {
      const double t = turns * 6.283185307179586 * i / (per_arm - 1);
      const double r = 1.0 + t;
      outer.push_back(Vec3{float((r + 1.0) * std::cos(t)), float((r + 1.0) * std::sin(t)), 0});
      inner.push_back(Vec3{float(r * std::cos(t)), float(r * std::sin(t)), 0});
    }
    Outline p(outer.begin(), outer.end());
    p.insert(p.end(), inner.rbegin(), inner.rend());
    return p;
  }

 private:
  std::mt19937 rng_;
};

Outline Reversed(Outline p) {
  std::reverse(p.begin(), p.end());
  return p;
}

// --- Reference cases ---

TEST(Triangulate, SquareGivesTwoTrianglesFacingMinusZ) {
  const Outline square{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  auto mesh = Fill(square);
  const std::vector<std::array<uint32_t, 3>> expected{{0, 2, 1}, {0, 3, 2}};
  EXPECT_EQ(Indices(*mesh), expected);
  for (uint32_t i = 0; i < 2; ++i) EXPECT_FLOAT_EQ(mesh->triangles[i].normal.z, -1.0f);
  for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(mesh->points[i], square[i]);
}

TEST(Triangulate, TriangleOutlineGivesOneTriangle) {
  auto mesh = Fill({{0, 0, 2}, {3, 0, 2}, {0, 4, 2}});
  ASSERT_EQ(mesh->triangle_count, 1u);
  EXPECT_FLOAT_EQ(mesh->triangles[0].normal.z, -1.0f);
  EXPECT_EQ(mesh->points[2], (Vec3{0, 4, 2}));  // z is carried along
}

TEST(Triangulate, LShapedHexagonIsCoveredWithoutOverlap) {
  const Outline l_shape{{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}};
  ExpectExactFill(*Fill(l_shape), l_shape);
  ExpectExactFill(*Fill(Reversed(l_shape)), Reversed(l_shape));
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

TEST(TriangulateProperty, RandomSimplePolygonsAreFilledExactly) {
  PolygonFactory make(20240611);
  for (int round = 0; round < 60; ++round) {
    std::vector<Outline> shapes{make.Star(make.Int(3, 40)), make.Histogram(make.Int(2, 14)),
                                make.Untangled(make.Int(4, 24)), make.Comb(make.Int(1, 6))};
    for (const Outline& shape : shapes) {
      for (const Outline& p : {shape, Reversed(shape)}) {
        SCOPED_TRACE(testing::Message() << "round " << round << ", " << p.size() << " points");
        ExpectExactFill(*Fill(p), p);
        if (HasFatalFailure()) return;
      }
    }
  }
}

TEST(TriangulateProperty, SpiralsAndCollinearRunsAreFilledExactly) {
  const Outline spiral = PolygonFactory::Spiral(40, 2.5);
  ExpectExactFill(*Fill(spiral), spiral);
  ExpectExactFill(*Fill(Reversed(spiral)), Reversed(spiral));
  // A square with every side cut into four collinear pieces.
  Outline square;
  for (int i = 0; i < 4; ++i) square.push_back(Vec3{float(i), 0, 0});
  for (int i = 0; i < 4; ++i) square.push_back(Vec3{4, float(i), 0});
  for (int i = 4; i > 0; --i) square.push_back(Vec3{float(i), 4, 0});
  for (int i = 4; i > 0; --i) square.push_back(Vec3{0, float(i), 0});
  ExpectExactFill(*Fill(square), square);
}

TEST(TriangulateProperty, TenThousandPointOutlineCoversItsArea) {
  PolygonFactory make(7);
  const Outline star = make.Star(10000);
  auto mesh = Fill(star);
  ExpectValidIndices(*mesh, 10000);
  double sum = 0.0;
  for (uint32_t i = 0; i < mesh->triangle_count; ++i) {
    const Triangle& t = mesh->triangles[i];
    const double area = Cross(star[t.a], star[t.b], star[t.c]) / 2.0;
    ASSERT_LT(area, 0.0);
    sum -= area;
  }
  EXPECT_NEAR(sum, std::fabs(SignedArea(star)), 1e-9 * std::fabs(SignedArea(star)));
}

// --- Degenerate input: always ends, never an index out of range ---

TEST(TriangulateDegenerate, RepeatedPointsStillCoverTheArea) {
  // A closed path that repeats its first point, and a square with doubled corners.
  const std::vector<Outline> cases{
      {{0, 0, 0}, {4, 0, 0}, {4, 3, 0}, {0, 3, 0}, {0, 0, 0}},
      {{0, 0, 0}, {0, 0, 0}, {2, 0, 0}, {2, 0, 0}, {2, 2, 0}, {2, 2, 0}, {0, 2, 0}, {0, 2, 0}},
      {{0, 0, 0}, {3, 0, 0}, {3, 0, 0}, {0, 4, 0}}};
  for (const Outline& p : cases) {
    auto mesh = Fill(p);
    ExpectValidIndices(*mesh, static_cast<uint32_t>(p.size()));
    double sum = 0.0;
    for (uint32_t i = 0; i < mesh->triangle_count; ++i) {
      const Triangle& t = mesh->triangles[i];
      sum += std::fabs(Cross(p[t.a], p[t.b], p[t.c])) / 2.0;
    }
    EXPECT_DOUBLE_EQ(sum, std::fabs(SignedArea(p)));
  }
}

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
  const Vec3 square[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  EXPECT_EQ(SelfIntersects(square, 4), 0);
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
}

TEST(BoundaryEdges, ClosedMeshHasNoneAndPathsListTheirPairsPlusOne) {
  auto tetra = test::MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
                              {{0, 1, 2}, {0, 3, 1}, {1, 3, 2}, {0, 2, 3}});
  std::vector<EdgePair> edges{{9, 9}};
  ASSERT_TRUE(BoundaryEdges(*tetra, edges));
  EXPECT_TRUE(edges.empty());

  auto path = test::MakeMesh({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {}, true);
  ASSERT_TRUE(BoundaryEdges(*path, edges));
  const std::vector<EdgePair> expected{{0, 1}, {1, 2}, {2, 0}, {2, 0}};
  EXPECT_EQ(edges, expected);
}

// --- The commands ---

class PolygonCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    SetErrorOutput(&errors_);
    ASSERT_TRUE(scene_.EnsureLists(errors_));
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
  Scene scene_;
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
  CommandResult r = PolygonFromTwoPolygons(scene_, current, reference);
  ASSERT_TRUE(r.ok());
  auto* united = static_cast<MeshObject*>(r.item);
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
  r = PolygonFromPath(scene_, path, "Polygon1", console);
  ASSERT_TRUE(r.ok());
  auto* polygon = static_cast<MeshObject*>(r.item);
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
  CommandResult r = PolygonFromPath(scene_, bow_tie, "Tie", console);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(console.str(), kSelfIntersectionWarning);
  r = PolygonFromPath(scene_, two, "Empty", console);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(static_cast<MeshObject*>(r.item)->triangle_count, 0u);
}

}  // namespace
}  // namespace orvane
