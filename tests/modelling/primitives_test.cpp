#include "modelling/primitives.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <iostream>
#include <limits>
#include <map>
#include <stdexcept>
#include <utility>
#include <vector>

#include "render/material.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"
#include "support/command_test.h"

namespace orvane {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

void ExpectNear(const Vec3& v, const Vec3& expected, float tolerance = 1e-5f) {
  EXPECT_NEAR(v.x, expected.x, tolerance);
  EXPECT_NEAR(v.y, expected.y, tolerance);
  EXPECT_NEAR(v.z, expected.z, tolerance);
}

Vec3 Centroid(const MeshObject& m, const Triangle& t) {
  return (m.points[t.a] + m.points[t.b] + m.points[t.c]) * (1.0 / 3.0);
}

void ExpectIndicesInRange(const MeshObject& m) {
  for (uint32_t i = 0; i < m.triangle_count; ++i) {
    ASSERT_TRUE(m.TriangleInRange(m.triangles[i])) << "triangle " << i;
  }
}

// Every triangle's normal points away from `inside(centroid)`, the interior point nearest to it.
void ExpectOutward(const MeshObject& m, const std::function<Vec3(const Vec3&)>& inside) {
  for (uint32_t i = 0; i < m.triangle_count; ++i) {
    const Triangle& t = m.triangles[i];
    const Vec3 g = Centroid(m, t);
    EXPECT_GT(Dot(t.normal, g - inside(g)), 0.0) << "triangle " << i << " at " << g;
  }
}

void ExpectOutwardFrom(const MeshObject& m, const Vec3& centre) {
  ExpectOutward(m, [centre](const Vec3&) { return centre; });
}

// A closed surface oriented consistently: every directed edge once, always with its reverse;
// and a positive enclosed volume, so the normals face out.
void ExpectClosedOutward(const MeshObject& m) {
  std::map<std::pair<uint32_t, uint32_t>, int> edges;
  double volume6 = 0.0;
  for (uint32_t i = 0; i < m.triangle_count; ++i) {
    const Triangle& t = m.triangles[i];
    for (auto e : {std::pair{t.a, t.b}, std::pair{t.b, t.c}, std::pair{t.c, t.a}}) ++edges[e];
    volume6 += Dot(m.points[t.a], Cross(m.points[t.b], m.points[t.c]));
  }
  for (const auto& [e, n] : edges) {
    EXPECT_EQ(n, 1) << e.first << "->" << e.second;
    EXPECT_EQ(edges.count({e.second, e.first}), 1u) << e.first << "->" << e.second;
  }
  EXPECT_GT(volume6, 0.0);
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
  EXPECT_NE(m.mapping_object, nullptr);
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
  EXPECT_EQ(scene_.materials->count, 1);
  // A second mesh shares the same default material instead of creating another.
  MeshObject& c = Built(CreateCube(scene_, {}));
  EXPECT_EQ(c.material, m.material);
  EXPECT_EQ(scene_.materials->count, 1);
  // The quadrangle with "equal" is the square from (-2, -2) to (2, 2).
  ExpectNear(m.points[0], {2.0f, -2.0f, 0.0f});
  ExpectNear(m.points[1], {2.0f, 2.0f, 0.0f});
  ExpectNear(m.points[2], {-2.0f, 2.0f, 0.0f});
  ExpectNear(m.points[3], {-2.0f, -2.0f, 0.0f});
  EXPECT_EQ(m.triangles[1].a, 0u);
  EXPECT_EQ(m.triangles[1].b, 2u);
  EXPECT_EQ(m.triangles[1].c, 3u);
  EXPECT_FLOAT_EQ(MappingRadius(m), std::sqrt(5.0f));  // the entered height 2, not 4
}

TEST_F(PrimitivesTest, ExistingMaterialNamedStandardIsReused) {
  auto* mine = new Material();
  mine->setValue(kDiffuse, 0, 0.25);
  scene_.materials->Append(mine, 1);
  MeshObject& m = Built(CreateTriangle(scene_, {}));
  EXPECT_EQ(m.material, mine);
}

TEST_F(PrimitivesTest, NAngleHexagon) {
  MeshObject& m = Built(CreateNAngle(scene_, {"Hex", 6, 1.0f, false}));
  ASSERT_EQ(m.point_count, 6u);
  ASSERT_EQ(m.triangle_count, 4u);
  for (uint32_t k = 0; k < 6; ++k) {
    const double a = k * 60.0 * kDegToRad;
    ExpectNear(m.points[k], {static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)), 0});
  }
  for (uint32_t i = 0; i < 4; ++i) ExpectNear(m.triangles[i].normal, {0.0f, 0.0f, -1.0f});
  EXPECT_FLOAT_EQ(MappingRadius(m), 1.0f);
}

TEST_F(PrimitivesTest, RadiusAsWidthOfSegment) {
  // R = (w × 0.5) / (2 sin(π / (2N))).
  EXPECT_NEAR(RadiusFromSegmentWidth(1.0, 6), 0.25 / std::sin(kPi / 12.0), 1e-12);
  EXPECT_NEAR(RadiusFromSegmentWidth(2.0, 4), 0.5 / std::sin(kPi / 8.0), 1e-12);
  MeshObject& m = Built(CreateNAngle(scene_, {"W", 6, 1.0f, true}));
  const double r = RadiusFromSegmentWidth(1.0, 6);
  EXPECT_NEAR(m.points[0].x, r, 1e-6);
  EXPECT_NEAR(MappingRadius(m), r, 1e-6);
  MeshObject& cyl = Built(CreateCylinder(scene_, {"C", 2.0f, 1.0f, 6, true}));
  EXPECT_NEAR(cyl.points[0].x, r, 1e-6);
}

TEST_F(PrimitivesTest, ConeAndPyramid) {
  MeshObject& cone = Built(CreateCone(scene_, {"Cone", 3.0f, 8, 1.0f, false}));
  ASSERT_EQ(cone.point_count, 9u);
  ASSERT_EQ(cone.triangle_count, 14u);
  ExpectNear(cone.points[8], {0.0f, 3.0f, 0.0f});
  for (uint32_t k = 0; k < 8; ++k) {
    EXPECT_NEAR(cone.points[k].y, 0.0f, 1e-6f);  // the base lies in the XZ plane
    EXPECT_NEAR(std::hypot(cone.points[k].x, cone.points[k].z), 1.0f, 1e-6f);
  }
  // Side triangles start at N - 2 with the apex first.
  for (uint32_t k = 0; k < 8; ++k) ExpectTriangle(cone, 6 + k, 8, k, (k + 1) % 8);
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
  // The stated layout, up to the exchange of b and c made by the orientation.
  const uint32_t layout[12][3] = {{0, 1, 2}, {0, 2, 3}, {1, 2, 6}, {1, 6, 5}, {2, 3, 7}, {2, 7, 6},
                                  {3, 0, 4}, {3, 4, 7}, {0, 1, 5}, {0, 5, 4}, {4, 5, 6}, {4, 6, 7}};
  for (uint32_t i = 0; i < 12; ++i) ExpectTriangle(m, i, layout[i][0], layout[i][1], layout[i][2]);
  ExpectOutwardFrom(m, {});
  ExpectClosedOutward(m);
  EXPECT_FLOAT_EQ(MappingRadius(m), std::sqrt(14.0f));

  MeshObject& eq = Built(CreateCube(scene_, {"Eq", 2.0f, 6.0f, 4.0f, true}));
  ExpectNear(eq.points[6], {1.0f, 1.0f, 1.0f});
}

TEST_F(PrimitivesTest, MeshSphereSmallest) {
  MeshObject& m = Built(CreateMeshSphere(scene_, {"S", 1.0f, 3, 2, false}));
  ASSERT_EQ(m.point_count, 5u);
  ASSERT_EQ(m.triangle_count, 6u);
  ExpectNear(m.points[0], {0.0f, 1.0f, 0.0f});
  ExpectNear(m.points[1], {0.0f, -1.0f, 0.0f});
  for (uint32_t j = 1; j <= 3; ++j) {  // the equator ring, θ = 90
    const double phi = j * 120.0 * kDegToRad;
    ExpectNear(m.points[1 + j],
               {static_cast<float>(-std::cos(phi)), 0.0f, static_cast<float>(std::sin(phi))});
  }
  for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(m.triangles[i].a, 0u);  // top cap
  for (uint32_t i = 3; i < 6; ++i) EXPECT_EQ(m.triangles[i].a, 1u);  // bottom cap
  ExpectOutwardFrom(m, {});
  ExpectClosedOutward(m);
  EXPECT_FLOAT_EQ(MappingRadius(m), 1.0f);
}

TEST_F(PrimitivesTest, MeshSphereLayout) {
  // H = 6 points per ring, V = 4 (3 rings): ring i, position j at (i - 1) H + 1 + j.
  MeshObject& m = Built(CreateMeshSphere(scene_, {"S", 2.0f, 6, 4, false}));
  ASSERT_EQ(m.point_count, 20u);
  ASSERT_EQ(m.triangle_count, 36u);
  for (uint32_t i = 1; i <= 3; ++i) {
    for (uint32_t j = 1; j <= 6; ++j) {
      const double th = i * 45.0 * kDegToRad;
      const double ph = j * 60.0 * kDegToRad;
      ExpectNear(m.points[(i - 1) * 6 + 1 + j],
                 {static_cast<float>(-2 * std::sin(th) * std::cos(ph)),
                  static_cast<float>(2 * std::cos(th)),
                  static_cast<float>(2 * std::sin(th) * std::sin(ph))});
    }
  }
  auto P = [](uint32_t i, uint32_t j) { return (i - 1) * 6 + 1 + j; };
  for (uint32_t j = 1; j <= 6; ++j) {
    const uint32_t jn = j % 6 + 1;
    ExpectTriangle(m, j - 1, 0, P(1, j), P(1, jn));
    ExpectTriangle(m, 6 + j - 1, 1, P(3, jn), P(3, j));
    for (uint32_t i = 1; i < 3; ++i) {
      ExpectTriangle(m, 2 * (i * 6 + j) - 2, P(i, j), P(i + 1, j), P(i, jn));
      ExpectTriangle(m, 2 * (i * 6 + j) - 1, P(i + 1, j), P(i + 1, jn), P(i, jn));
    }
  }
  ExpectClosedOutward(m);
  MeshObject& eq = Built(CreateMeshSphere(scene_, {"E", 1.0f, 4, 99, true}));
  EXPECT_EQ(eq.point_count, 3u * 4u + 2u);  // V takes the value of H
}

TEST_F(PrimitivesTest, MeshSphereChecksNameFirstInGerman) {
  Built(CreateCube(scene_, {"Ball", 1, 1, 1, false}));
  Remember();
  ExpectRefused(CreateMeshSphere(scene_, {"Ball", 1.0f, 2, 1, false}), "Fehler",
                "Es existiert bereits ein Objekt mit dem gleichen Namen.\nBitte ändern sie den "
                "Namen !");
  ExpectRefused(CreateMeshSphere(scene_, {"S", 1.0f, 2, 10, false}), "Error",
                "The number of segments must be greater than 2.");
  ExpectRefused(CreateMeshSphere(scene_, {"S", 1.0f, 3, 1, false}), "Error",
                "The number of segments must be greater than 1.");
}

TEST_F(PrimitivesTest, CylinderSegments) {
  Remember();
  ExpectRefused(CreateCylinder(scene_, {"C", 2.0f, 1.0f, 2, false}), "Attention",
                "The number of segments must be greater than 2.");
  MeshObject& m = Built(CreateCylinder(scene_, {"C", 2.0f, 1.0f, 3, false}));
  EXPECT_EQ(m.point_count, 6u);
  EXPECT_EQ(m.triangle_count, 2u * 1u + 6u);
  for (uint32_t k = 0; k < 3; ++k) {
    EXPECT_EQ(m.points[k].y, 1.0f);
    EXPECT_EQ(m.points[3 + k].y, -1.0f);
    EXPECT_EQ(m.points[k].x, m.points[3 + k].x);
  }
  ExpectOutwardFrom(m, {});
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

TEST_F(PrimitivesTest, TorusCountsBeforeName) {
  Built(CreateCube(scene_, {"Torus", 1, 1, 1, false}));
  Remember();
  ExpectRefused(CreateTorus(scene_, {"Torus", 3.0f, 2, 1.0f, 8}), "Attention",
                "The number of Ring-Segments must be greater than 2.");
  ExpectRefused(CreateTorus(scene_, {"Torus", 3.0f, 16, 1.0f, 0}), "Attention",
                "The number of Tube-Segments must be greater than 0.");
  ExpectRefused(CreateTorus(scene_, {"Torus", 3.0f, 16, 1.0f, 8}), "Error",
                "There is a object with the same name.\nPlease change the name!");
}

TEST_F(PrimitivesTest, TorusClosedTubeFacesAwayFromTubeCentre) {
  MeshObject& m = Built(CreateTorus(scene_, {"T", 3.0f, 16, 1.0f, 8}));
  // T = 8 gives a closed profile of 8 points; S = 16 gives 17 rings round the circle.
  EXPECT_EQ(m.point_count, 17u * 8u);
  EXPECT_EQ(m.triangle_count, 17u * 16u);
  auto tube_centre = [](const Vec3& g) {
    const double len = std::hypot(g.x, g.z);
    return Vec3{static_cast<float>(3.0 * g.x / len), 0.0f, static_cast<float>(3.0 * g.z / len)};
  };
  ExpectOutward(m, tube_centre);
  ExpectClosedOutward(m);
  EXPECT_FLOAT_EQ(MappingRadius(m), 4.0f);
  // Profile point k lies on the tube circle about (3, 0, 0).
  for (uint32_t k = 0; k < 8; ++k) EXPECT_NEAR(Distance(m.points[k], {3, 0, 0}), 1.0, 1e-6);
  ExpectNear(m.points[0], {3.0f, 1.0f, 0.0f});
}

TEST_F(PrimitivesTest, TorusWithOneTubeSegmentIsAnOpenBand) {
  MeshObject& m = Built(CreateTorus(scene_, {"T", 3.0f, 5, 1.0f, 1}));
  EXPECT_EQ(m.point_count, 6u * 2u);     // 2-point profile
  EXPECT_EQ(m.triangle_count, 6u * 2u);  // E = 2n - 2, not closed
  ExpectNear(m.points[0], {3.0f, 1.0f, 0.0f});
  ExpectNear(m.points[1], {3.0f, -1.0f, 0.0f});
  MeshObject& two = Built(CreateTorus(scene_, {"T2", 3.0f, 5, 1.0f, 2}));
  EXPECT_EQ(two.point_count, 12u);  // T' = 1: still two points
}

TEST_F(PrimitivesTest, TakenNameIsRefusedInEnglish) {
  Built(CreateCube(scene_, {}));
  Remember();
  const char* text = "There is a object with the same name.\nPlease change the name!";
  ExpectRefused(CreateCube(scene_, {}), "Error", text);
  ExpectRefused(CreateTriangle(scene_, {"Cube", 1, 1, false}), "Error", text);
  ExpectRefused(CreateCone(scene_, {"Cube", 1, 0, 1, false}), "Error", text);  // name first
  ExpectRefused(CreateCylinder(scene_, {"Cube", 1, 1, 0, false}), "Error", text);
}

// Every generator over a range of counts and sizes: indices in range, and the closed solids
// face outward whenever their sizes make a proper (non-degenerate) solid.
TEST_F(PrimitivesTest, PropertiesOverInputs) {
  int serial = 0;
  auto name = [&serial] { return String("P") + String().Str(++serial); };
  const float sizes[] = {0.0f, 0.5f, 1.0f, -2.0f, 1000.0f};
  for (int n : {3, 4, 5, 7, 12, 31}) {
    for (float s : sizes) {
      const bool solid = s != 0.0f;
      ExpectIndicesInRange(Built(CreateNAngle(scene_, {name(), n, s, false})));
      ExpectIndicesInRange(Built(CreateCone(scene_, {name(), s, n, 1.0f, true})));
      MeshObject& cyl = Built(CreateCylinder(scene_, {name(), s, 1.5f, n, false}));
      ExpectIndicesInRange(cyl);
      if (solid) ExpectOutwardFrom(cyl, {});
      MeshObject& sph = Built(CreateMeshSphere(scene_, {name(), s, n, n / 2 + 2, false}));
      ExpectIndicesInRange(sph);
      if (solid) ExpectOutwardFrom(sph, {});
      MeshObject& tor = Built(CreateTorus(scene_, {name(), 4.0f, n, s / 8, n}));
      ExpectIndicesInRange(tor);
      MeshObject& box = Built(CreateCube(scene_, {name(), s, 2.0f, 3.0f, false}));
      ExpectIndicesInRange(box);
      if (solid) ExpectOutwardFrom(box, {});
    }
  }
}

TEST_F(PrimitivesTest, BadCountsAreRefused) {
  Remember();
  const char* too_many = "The number of segments must not be greater than 10000.";
  for (int n : {0, -1, INT_MIN}) {
    ExpectRefused(CreateNAngle(scene_, {"N", n, 1, false}), "Error",
                  "The number of segments must be greater than 2.");
    ExpectRefused(CreateCone(scene_, {"N", 1, n, 1, false}), "Error",
                  "The number of segments must be greater than 2.");
    ExpectRefused(CreateCylinder(scene_, {"N", 1, 1, n, false}), "Attention",
                  "The number of segments must be greater than 2.");
    ExpectRefused(CreateTorus(scene_, {"N", 3, 16, 1, n}), "Attention",
                  "The number of Tube-Segments must be greater than 0.");
  }
  for (int n : {10001, 1000000000, INT_MAX}) {
    ExpectRefused(CreateNAngle(scene_, {"N", n, 1, false}), "Error", too_many);
    ExpectRefused(CreateCone(scene_, {"N", 1, n, 1, false}), "Error", too_many);
    ExpectRefused(CreateCylinder(scene_, {"N", 1, 1, n, false}), "Error", too_many);
    ExpectRefused(CreateMeshSphere(scene_, {"N", 1, n, 3, false}), "Error", too_many);
    ExpectRefused(CreateMeshSphere(scene_, {"N", 1, 3, n, false}), "Error", too_many);
    ExpectRefused(CreateTorus(scene_, {"N", 3, n, 1, 8}), "Error", too_many);
    ExpectRefused(CreateTorus(scene_, {"N", 3, 16, 1, n}), "Error", too_many);
  }
  // Within the per-direction bound but too many in all.
  ExpectRefused(CreateMeshSphere(scene_, {"N", 1, 2000, 1001, false}), "Error",
                "The new object would get too many points or triangles.\nPlease choose fewer "
                "segments.");
  ExpectRefused(CreateTorus(scene_, {"N", 3, 10000, 1, 10000}), "Error",
                "The new object would get too many points or triangles.\nPlease choose fewer "
                "segments.");
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
  for (float bad : {kNaN, kInf, -kInf, 1e16f, -1e30f}) {
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
  // With "equal" the ignored fields do not matter.
  Built(CreateCube(scene_, {"Fine", 1, kNaN, kNaN, true}));
}

}  // namespace
}  // namespace orvane
