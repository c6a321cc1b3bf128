#include "modelling/primitives.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <limits>

#include "modelling/modelling_checks.h"
#include "material/material.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"
#include "support/command_test.h"

namespace orvane {
namespace {

using test::ExpectClosedOutward;
using test::ExpectIndicesInRange;
using test::ExpectNear;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr const char* kTooManyInAll =
    "The new object would get too many points or triangles.\nPlease choose fewer segments.";

// Every triangle's normal points away from `inside(centroid)`, the interior point nearest to it.
void ExpectOutward(const MeshObject& m, const std::function<Vec3(const Vec3&)>& inside) {
  for (uint32_t i = 0; i < m.triangle_count; ++i) {
    const Triangle& t = m.triangles[i];
    const Vec3 g = (m.points[t.a] + m.points[t.b] + m.points[t.c]) * (1.0 / 3.0);
    EXPECT_GT(Dot(t.normal, g - inside(g)), 0.0) << "triangle " << i << " at " << g;
  }
}

void ExpectOutwardFrom(const MeshObject& m, const Vec3& centre) {
  ExpectOutward(m, [centre](const Vec3&) { return centre; });
}

// Triangle i is (a, b, c) up to the exchange of b and c that orienting may make.
void ExpectTriangle(const MeshObject& m, uint32_t i, uint32_t a, uint32_t b, uint32_t c) {
  ASSERT_LT(i, m.triangle_count);
  const Triangle& t = m.triangles[i];
  EXPECT_EQ(t.a, a) << "triangle " << i;
  EXPECT_EQ(std::min(t.b, t.c), std::min(b, c)) << "triangle " << i;
  EXPECT_EQ(std::max(t.b, t.c), std::max(b, c)) << "triangle " << i;
}

float MappingRadius(const MeshObject& m) {
  EXPECT_EQ(m.mapping_object->GetType(), kItemSphere);
  return static_cast<const MathSphere*>(m.mapping_object)->radius();
}

using PrimitivesTest = test::CommandTest;

TEST_F(PrimitivesTest, TriangleLayoutAndEquilateralHeight) {
  MeshObject& m = Built(CreateTriangle(scene_, {"T", 2.0f, 1.0f, false}));
  ASSERT_EQ(m.point_count, 3u);
  ASSERT_EQ(m.triangle_count, 1u);
  ExpectNear(m.points[0], {-1.0f, -0.5f, 0.0f});
  ExpectNear(m.points[1], {1.0f, -0.5f, 0.0f});
  ExpectNear(m.points[2], {0.0f, 0.5f, 0.0f});
  ExpectNear(m.triangles[0].normal, {0.0f, 0.0f, 1.0f});
  EXPECT_FLOAT_EQ(MappingRadius(m), std::sqrt(1.25f));
  MeshObject& eq = Built(CreateTriangle(scene_, {"T2", 2.0f, 1.0f, true}));
  EXPECT_NEAR(eq.points[2].y - eq.points[0].y, 1.7320508f, 1e-6f);
  EXPECT_FLOAT_EQ(MappingRadius(eq), std::sqrt(1.25f));  // the entered height
}

TEST_F(PrimitivesTest, NewMeshJoinsSceneWithDefaultMaterial) {
  MeshObject& m = Built(CreateQuadrangle(scene_, {"Q", 4.0f, 2.0f, true}));
  EXPECT_STREQ(m.name.c_str(), "Q");
  EXPECT_EQ(m.preview_dirty, 1);
  EXPECT_EQ(scene_.objects->Last(), &m);
  ASSERT_NE(m.material, nullptr);
  EXPECT_STREQ(m.material->name.c_str(), "standard");
  // A second mesh shares the same default material instead of creating another.
  EXPECT_EQ(Built(CreateCube(scene_, {})).material, m.material);
  EXPECT_EQ(scene_.materials->count, 1);
  // The quadrangle with "equal" is the square from (-2, -2) to (2, 2).
  ExpectNear(m.points[0], {2.0f, -2.0f, 0.0f});
  ExpectNear(m.points[2], {-2.0f, 2.0f, 0.0f});
  ExpectTriangle(m, 1, 0, 2, 3);
  EXPECT_FLOAT_EQ(MappingRadius(m), std::sqrt(5.0f));  // the entered height 2, not 4
}

TEST_F(PrimitivesTest, ExistingMaterialNamedStandardIsReused) {
  auto* mine = new Material();
  mine->setValue(kDiffuse, 0, 0.25);
  scene_.materials->Append(mine, 1);
  EXPECT_EQ(Built(CreateTriangle(scene_, {})).material, mine);
}

TEST_F(PrimitivesTest, NAngleHexagonAndRadiusAsWidthOfSegment) {
  MeshObject& m = Built(CreateNAngle(scene_, {"Hex", 6, 1.0f, false}));
  ASSERT_EQ(m.point_count, 6u);
  ASSERT_EQ(m.triangle_count, 4u);
  ExpectNear(m.points[0], {1, 0, 0});
  ExpectNear(m.points[2], {-0.5f, 0.8660254f, 0});
  for (uint32_t i = 0; i < 4; ++i) ExpectNear(m.triangles[i].normal, {0.0f, 0.0f, -1.0f});
  EXPECT_FLOAT_EQ(MappingRadius(m), 1.0f);
  // R = (w × 0.5) / (2 sin(π / (2N))): 0.25 / sin(15°) for w = 1, N = 6.
  EXPECT_NEAR(RadiusFromSegmentWidth(1.0, 6), 0.9659258, 1e-7);
  MeshObject& w = Built(CreateNAngle(scene_, {"W", 6, 1.0f, true}));
  EXPECT_NEAR(w.points[0].x, 0.96592583, 1e-6);
  EXPECT_NEAR(MappingRadius(w), 0.96592583, 1e-6);
  EXPECT_NEAR(Built(CreateCylinder(scene_, {"C", 2.0f, 1.0f, 6, true})).points[0].x, 0.96592583,
              1e-6);
}

TEST_F(PrimitivesTest, ConeAndPyramid) {
  MeshObject& cone = Built(CreateCone(scene_, {"Cone", 3.0f, 8, 1.0f, false}));
  ASSERT_EQ(cone.point_count, 9u);
  ASSERT_EQ(cone.triangle_count, 14u);
  ExpectNear(cone.points[8], {0.0f, 3.0f, 0.0f});
  for (uint32_t k = 0; k < 8; ++k) {
    EXPECT_NEAR(cone.points[k].y, 0.0f, 1e-6f);  // the base lies in the XZ plane
    EXPECT_NEAR(std::hypot(cone.points[k].x, cone.points[k].z), 1.0f, 1e-6f);
    ExpectTriangle(cone, 6 + k, 8, k, (k + 1) % 8);  // sides from N - 2, the apex first
  }
  ExpectClosedOutward(cone);
  ExpectOutwardFrom(cone, {0.0f, 0.75f, 0.0f});
  EXPECT_FLOAT_EQ(MappingRadius(cone), 3.0f);  // max(x of base point 0, h)

  MeshObject& pyramid = Built(CreatePyramid(scene_, {}));
  EXPECT_STREQ(pyramid.name.c_str(), "Pyramide");
  EXPECT_EQ(pyramid.point_count, 5u);
  EXPECT_EQ(pyramid.triangle_count, 6u);
  ExpectClosedOutward(pyramid);
}

TEST_F(PrimitivesTest, Cube246) {
  MeshObject& m = Built(CreateCube(scene_, {"Box", 2.0f, 6.0f, 4.0f, false}));
  ASSERT_EQ(m.point_count, 8u);
  ASSERT_EQ(m.triangle_count, 12u);
  ExpectNear(m.points[0], {-1.0f, -2.0f, -3.0f});
  ExpectNear(m.points[6], {1.0f, 2.0f, 3.0f});
  const uint32_t layout[12][3] = {{0, 1, 2}, {0, 2, 3}, {1, 2, 6}, {1, 6, 5}, {2, 3, 7}, {2, 7, 6},
                                  {3, 0, 4}, {3, 4, 7}, {0, 1, 5}, {0, 5, 4}, {4, 5, 6}, {4, 6, 7}};
  for (uint32_t i = 0; i < 12; ++i) ExpectTriangle(m, i, layout[i][0], layout[i][1], layout[i][2]);
  ExpectOutwardFrom(m, {});
  ExpectClosedOutward(m);
  EXPECT_FLOAT_EQ(MappingRadius(m), std::sqrt(14.0f));
  ExpectNear(Built(CreateCube(scene_, {"Eq", 2.0f, 6.0f, 4.0f, true})).points[6], {1, 1, 1});
}

TEST_F(PrimitivesTest, MeshSphereLayouts) {
  MeshObject& m = Built(CreateMeshSphere(scene_, {"S", 1.0f, 3, 2, false}));
  ASSERT_EQ(m.point_count, 5u);
  ASSERT_EQ(m.triangle_count, 6u);
  ExpectNear(m.points[0], {0.0f, 1.0f, 0.0f});
  ExpectNear(m.points[1], {0.0f, -1.0f, 0.0f});
  ExpectNear(m.points[2], {0.5f, 0.0f, 0.8660254f});  // the equator ring, θ = 90, φ = 120
  ExpectNear(m.points[4], {-1.0f, 0.0f, 0.0f});
  for (uint32_t i = 0; i < 6; ++i) EXPECT_EQ(m.triangles[i].a, i < 3 ? 0u : 1u);  // caps
  ExpectOutwardFrom(m, {});
  ExpectClosedOutward(m);
  EXPECT_FLOAT_EQ(MappingRadius(m), 1.0f);

  // H = 6 points per ring, V = 4 (3 rings): ring i, position j at (i - 1) H + 1 + j.
  MeshObject& s = Built(CreateMeshSphere(scene_, {"S2", 2.0f, 6, 4, false}));
  ASSERT_EQ(s.point_count, 20u);
  ASSERT_EQ(s.triangle_count, 36u);
  ExpectNear(s.points[7], {-1.4142136f, 1.4142136f, 0.0f});  // ring 1 (θ 45), j 6 (φ 360)
  auto P = [](uint32_t i, uint32_t j) { return (i - 1) * 6 + 1 + j; };
  for (uint32_t j = 1; j <= 6; ++j) {
    const uint32_t jn = j % 6 + 1;
    ExpectTriangle(s, j - 1, 0, P(1, j), P(1, jn));
    ExpectTriangle(s, 6 + j - 1, 1, P(3, jn), P(3, j));
    for (uint32_t i = 1; i < 3; ++i) {
      ExpectTriangle(s, 2 * (i * 6 + j) - 2, P(i, j), P(i + 1, j), P(i, jn));
      ExpectTriangle(s, 2 * (i * 6 + j) - 1, P(i + 1, j), P(i + 1, jn), P(i, jn));
    }
  }
  ExpectClosedOutward(s);
  MeshObject& eq = Built(CreateMeshSphere(scene_, {"E", 1.0f, 4, 99, true}));
  EXPECT_EQ(eq.point_count, 3u * 4u + 2u);  // V takes the value of H
}

TEST_F(PrimitivesTest, CylinderSegments) {
  Remember();
  ExpectRefused(CreateCylinder(scene_, {"C", 2.0f, 1.0f, 2, false}), "Attention",
                "The number of segments must be greater than 2.");
  MeshObject& m = Built(CreateCylinder(scene_, {"C", 2.0f, 1.0f, 3, false}));
  EXPECT_EQ(m.point_count, 6u);
  EXPECT_EQ(m.triangle_count, 2u * 1u + 6u);
  for (uint32_t k = 0; k < 3; ++k) ExpectNear(m.points[3 + k], m.points[k] - Vec3{0, 2, 0});
  EXPECT_EQ(m.points[0].y, 1.0f);
  ExpectClosedOutward(m);
  EXPECT_FLOAT_EQ(MappingRadius(m), std::sqrt(2.0f));
  MeshObject& big = Built(CreateCylinder(scene_, {"C2", 5.0f, 2.0f, 24, false}));
  // Discs first (top, then bottom raised by N), then two side triangles per segment.
  for (uint32_t i = 0; i < 22; ++i) {
    EXPECT_EQ(big.triangles[22 + i].a, big.triangles[i].a + 24);
    EXPECT_LT(big.triangles[i].a, 24u);
  }
  for (uint32_t k = 0; k < 24; ++k) {
    const uint32_t kn = (k + 1) % 24;
    ExpectTriangle(big, 44 + 2 * k, k, kn, 24 + k);
    ExpectTriangle(big, 45 + 2 * k, kn, 24 + k, 24 + kn);
  }
  ExpectClosedOutward(big);
  ExpectOutwardFrom(big, {});
}

TEST_F(PrimitivesTest, TorusClosedTubeAndOpenBand) {
  MeshObject& m = Built(CreateTorus(scene_, {"T", 3.0f, 16, 1.0f, 8}));
  // T = 8 gives a closed profile of 8 points; S = 16 gives 17 rings round the circle.
  EXPECT_EQ(m.point_count, 17u * 8u);
  EXPECT_EQ(m.triangle_count, 17u * 16u);
  ExpectOutward(m, [](const Vec3& g) {  // away from the tube's centre line
    const double len = std::hypot(g.x, g.z);
    return Vec3{static_cast<float>(3.0 * g.x / len), 0.0f, static_cast<float>(3.0 * g.z / len)};
  });
  ExpectClosedOutward(m);
  EXPECT_FLOAT_EQ(MappingRadius(m), 4.0f);
  for (uint32_t k = 0; k < 8; ++k) EXPECT_NEAR(Distance(m.points[k], {3, 0, 0}), 1.0, 1e-6);
  ExpectNear(m.points[0], {3.0f, 1.0f, 0.0f});

  MeshObject& band = Built(CreateTorus(scene_, {"B", 3.0f, 5, 1.0f, 1}));
  EXPECT_EQ(band.point_count, 6u * 2u);     // 2-point profile
  EXPECT_EQ(band.triangle_count, 6u * 2u);  // E = 2n - 2, not closed
  ExpectNear(band.points[1], {3.0f, -1.0f, 0.0f});
  EXPECT_EQ(Built(CreateTorus(scene_, {"B2", 3.0f, 5, 1.0f, 2})).point_count, 12u);  // T' = 1
}

// A taken name is refused before the counts (the mesh sphere in German), except by the torus.
TEST_F(PrimitivesTest, TakenNamesAndTheOrderOfTheChecks) {
  Built(CreateCube(scene_, {}));
  Built(CreateCube(scene_, {"Ball", 1, 1, 1, false}));
  Built(CreateCube(scene_, {"Torus", 1, 1, 1, false}));
  Remember();
  const char* text = "There is a object with the same name.\nPlease change the name!";
  ExpectRefused(CreateTriangle(scene_, {"Cube", 1, 1, false}), "Error", text);
  ExpectRefused(CreateCone(scene_, {"Cube", 1, 0, 1, false}), "Error", text);
  ExpectRefused(CreateCylinder(scene_, {"Cube", 1, 1, 0, false}), "Error", text);
  ExpectRefused(CreateMeshSphere(scene_, {"Ball", 1.0f, 2, 1, false}), "Fehler",
                "Es existiert bereits ein Objekt mit dem gleichen Namen.\nBitte ändern sie den "
                "Namen !");
  ExpectRefused(CreateMeshSphere(scene_, {"S", 1.0f, 2, 10, false}), "Error",
                "The number of segments must be greater than 2.");
  ExpectRefused(CreateMeshSphere(scene_, {"S", 1.0f, 3, 1, false}), "Error",
                "The number of segments must be greater than 1.");
  ExpectRefused(CreateTorus(scene_, {"Torus", 3.0f, 2, 1.0f, 8}), "Attention",
                "The number of Ring-Segments must be greater than 2.");
  ExpectRefused(CreateTorus(scene_, {"Torus", 3.0f, 16, 1.0f, 0}), "Attention",
                "The number of Tube-Segments must be greater than 0.");
  ExpectRefused(CreateTorus(scene_, {"Torus", 3.0f, 16, 1.0f, 8}), "Error", text);
}

// Every generator over a range of counts and sizes: indices in range, and the closed solids
// face outward whenever their sizes make a proper (non-degenerate) solid.
TEST_F(PrimitivesTest, PropertiesOverInputs) {
  int serial = 0;
  auto name = [&serial] { return String("P") + String().Str(++serial); };
  for (int n : {3, 4, 7, 31}) {
    for (float s : {0.0f, 0.5f, -2.0f, 1000.0f}) {
      ExpectIndicesInRange(Built(CreateNAngle(scene_, {name(), n, s, false})));
      ExpectIndicesInRange(Built(CreateCone(scene_, {name(), s, n, 1.0f, true})));
      ExpectIndicesInRange(Built(CreateTorus(scene_, {name(), 4.0f, n, s / 8, n})));
      for (MeshObject* solid : {&Built(CreateCylinder(scene_, {name(), s, 1.5f, n, false})),
                                &Built(CreateMeshSphere(scene_, {name(), s, n, n / 2 + 2, false})),
                                &Built(CreateCube(scene_, {name(), s, 2.0f, 3.0f, false}))}) {
        ExpectIndicesInRange(*solid);
        if (s != 0.0f) ExpectOutwardFrom(*solid, {});
      }
    }
  }
}

TEST_F(PrimitivesTest, BadCountsAreRefused) {
  Remember();
  const char* too_many = "The number of segments must not be greater than 10000.";
  const char* too_few = "The number of segments must be greater than 2.";
  for (int n : {0, INT_MIN}) {
    ExpectRefused(CreateNAngle(scene_, {"N", n, 1, false}), "Error", too_few);
    ExpectRefused(CreateCone(scene_, {"N", 1, n, 1, false}), "Error", too_few);
    ExpectRefused(CreateCylinder(scene_, {"N", 1, 1, n, false}), "Attention", too_few);
    ExpectRefused(CreateTorus(scene_, {"N", 3, 16, 1, n}), "Attention",
                  "The number of Tube-Segments must be greater than 0.");
  }
  for (int n : {10001, INT_MAX}) {
    ExpectRefused(CreateNAngle(scene_, {"N", n, 1, false}), "Error", too_many);
    ExpectRefused(CreateCone(scene_, {"N", 1, n, 1, false}), "Error", too_many);
    ExpectRefused(CreateCylinder(scene_, {"N", 1, 1, n, false}), "Error", too_many);
    ExpectRefused(CreateMeshSphere(scene_, {"N", 1, n, 3, false}), "Error", too_many);
    ExpectRefused(CreateMeshSphere(scene_, {"N", 1, 3, n, false}), "Error", too_many);
    ExpectRefused(CreateTorus(scene_, {"N", 3, n, 1, 8}), "Error", too_many);
    ExpectRefused(CreateTorus(scene_, {"N", 3, 16, 1, n}), "Error", too_many);
  }
  // Within the per-direction bound but too many in all.
  ExpectRefused(CreateMeshSphere(scene_, {"N", 1, 2000, 1001, false}), "Error", kTooManyInAll);
  ExpectRefused(CreateTorus(scene_, {"N", 3, 10000, 1, 10000}), "Error", kTooManyInAll);
}

TEST_F(PrimitivesTest, LargestAcceptedCounts) {
  MeshObject& sph = Built(CreateMeshSphere(scene_, {"S", 1, 10000, 2, false}));
  EXPECT_EQ(sph.triangle_count, 20000u);
  ExpectIndicesInRange(sph);
  // (The discs go through the triangulation, whose time grows with N²: 10,000 takes seconds.)
  MeshObject& cyl = Built(CreateCylinder(scene_, {"C", 1, 1, 2000, false}));
  EXPECT_EQ(cyl.triangle_count, 2u * 1998u + 4000u);
  ExpectIndicesInRange(cyl);
  MeshObject& tor = Built(CreateTorus(scene_, {"T", 3, 10000, 1, 3}));
  EXPECT_EQ(tor.point_count, 10001u * 3u);
  ExpectIndicesInRange(tor);
}

TEST_F(PrimitivesTest, NonFiniteAndHugeSizesAreRefused) {
  Remember();
  const char* text = "The sizes must be finite numbers between -1e15 and 1e15.";
  for (float bad : {kNaN, -kInf, 1e16f}) {
    ExpectRefused(CreateTriangle(scene_, {"X", bad, 1, false}), "Error", text);
    ExpectRefused(CreateQuadrangle(scene_, {"X", 1, bad, false}), "Error", text);
    ExpectRefused(CreateNAngle(scene_, {"X", 5, bad, true}), "Error", text);
    ExpectRefused(CreatePyramid(scene_, {"X", bad, 1, false}), "Error", text);
    ExpectRefused(CreateCone(scene_, {"X", 1, 5, bad, false}), "Error", text);
    ExpectRefused(CreateCube(scene_, {"X", 1, bad, 1, false}), "Error", text);
    ExpectRefused(CreateMeshSphere(scene_, {"X", bad, 5, 5, false}), "Error", text);
    ExpectRefused(CreateCylinder(scene_, {"X", bad, 1, 5, false}), "Error", text);
    ExpectRefused(CreateTorus(scene_, {"X", 3, 5, bad, 5}), "Error", text);
  }
  Built(CreateCube(scene_, {"Fine", 1, kNaN, kNaN, true}));  // "equal" ignores those fields
}

}  // namespace
}  // namespace orvane
