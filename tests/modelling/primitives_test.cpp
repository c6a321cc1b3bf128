// The modelling commands: primitives, the height field and image scan, object edits (look at,
// equalize, mappings, drag, subdivide), new paths and copies.

#include "modelling/primitives.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <set>
#include <sstream>
#include <utility>
#include <vector>

#include "foundation/error_output.h"
#include "imageio/picture.h"
#include "material/material.h"
#include "material/texture.h"
#include "modelling/copies.h"
#include "modelling/height_field.h"
#include "modelling/modelling_checks.h"
#include "modelling/object_edits.h"
#include "modelling/paths.h"
#include "scene/camera.h"
#include "scene/group_object.h"
#include "scene/light_source.h"
#include "scene/math_plane.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"
#include "scene/naming.h"
#include "scene/recording_sink.h"
#include "scene/scene.h"
#include "support/command_test.h"
#include "support/mesh_checks.h"

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
  ExpectClosedOutward(s);
  EXPECT_EQ(s.triangles[6].a, 1u);  // the bottom cap after the top one
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
TEST_F(PrimitivesTest, BadCountsAreRefused) {
  Remember();
  const char* too_many = "The number of segments must not be greater than 10000.";
  const char* too_few = "The number of segments must be greater than 2.";
  ExpectRefused(CreateNAngle(scene_, {"N", INT_MIN, 1, false}), "Error", too_few);
  ExpectRefused(CreateCone(scene_, {"N", 1, 0, 1, false}), "Error", too_few);
  ExpectRefused(CreateCylinder(scene_, {"N", 1, 1, INT_MIN, false}), "Attention", too_few);
  ExpectRefused(CreateTorus(scene_, {"N", 3, 16, 1, INT_MIN}), "Attention",
                "The number of Tube-Segments must be greater than 0.");
  ExpectRefused(CreateNAngle(scene_, {"N", 10001, 1, false}), "Error", too_many);
  ExpectRefused(CreateCone(scene_, {"N", 1, INT_MAX, 1, false}), "Error", too_many);
  ExpectRefused(CreateCylinder(scene_, {"N", 1, 1, 10001, false}), "Error", too_many);
  ExpectRefused(CreateMeshSphere(scene_, {"N", 1, INT_MAX, 3, false}), "Error", too_many);
  ExpectRefused(CreateMeshSphere(scene_, {"N", 1, 3, 10001, false}), "Error", too_many);
  ExpectRefused(CreateTorus(scene_, {"N", 3, 10001, 1, 8}), "Error", too_many);
  ExpectRefused(CreateTorus(scene_, {"N", 3, 16, 1, INT_MAX}), "Error", too_many);
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

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};

// A width × height palette picture whose columns at or beyond `first_white` are white and the
// others black.
Texture* ColumnTexture(const char* name, int width, int height, int first_white) {
  auto* texture = new Texture(kTextureImage);
  texture->name = name;
  auto picture = std::make_unique<Picture>();
  EXPECT_TRUE(picture->Create(width, height, 8));
  picture->palette[0] = kBlack;
  picture->palette[1] = kWhite;
  picture->paletteCount = 2;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) picture->SetPixel(x, y, x >= first_white ? 1 : 0);
  }
  texture->SetPicture(std::move(picture));
  return texture;
}

class HeightFieldTest : public test::CommandTest {
 protected:
  void SetUp() override {
    SetErrorOutput(&errors_);
    CommandTest::SetUp();
  }
  void TearDown() override { SetErrorOutput(nullptr); }

  Texture* AddTexture(Texture* texture) {
    scene_.images->Append(texture, 1);
    return texture;
  }

  std::ostringstream errors_;
};

HeightFieldInput SmallField() {
  HeightFieldInput in;
  in.texture = "white";
  in.size_x = 10.0f;
  in.size_z = 10.0f;
  in.subdivisions_x = 2;
  in.subdivisions_z = 2;
  in.height = 5.0f;
  return in;
}

TEST_F(HeightFieldTest, WhiteImageLiftsEveryPointToTheFullHeight) {
  AddTexture(ColumnTexture("white", 2, 2, 0));
  MeshObject* mesh = &Built(CreateHeightField(scene_, SmallField()));
  EXPECT_EQ(mesh->name, "Height Field");
  ASSERT_EQ(mesh->point_count, 9u);
  ASSERT_EQ(mesh->triangle_count, 8u);
  for (uint32_t i = 0; i < 9; ++i) {
    EXPECT_FLOAT_EQ(mesh->points[i].y, 5.0f);
    EXPECT_FLOAT_EQ(mesh->points[i].x, -5.0f + 5.0f * (i % 3));
    EXPECT_FLOAT_EQ(mesh->points[i].z, -5.0f + 5.0f * (i / 3));
  }
  // Cell (1, 0): triangles 4 and 5 split along P(1, 1)-P(2, 0).
  test::ExpectTriangle(*mesh, 4, 3, 4, 6);
  test::ExpectTriangle(*mesh, 5, 7, 6, 4);
  ASSERT_NE(mesh->material, nullptr);
  EXPECT_EQ(mesh->material->name, "standard");
  EXPECT_EQ(scene_.objects->Last(), mesh);
  EXPECT_EQ(mesh->preview_dirty, 1);
}

TEST_F(HeightFieldTest, WaterLevelAtTheMaximumFlattensEverything) {
  AddTexture(ColumnTexture("white", 2, 2, 0));
  HeightFieldInput in = SmallField();
  in.water_level = 5.0f;
  MeshObject* mesh = &Built(CreateHeightField(scene_, in));
  for (uint32_t i = 0; i < mesh->point_count; ++i) EXPECT_NEAR(mesh->points[i].y, 0.0f, 1e-5f);
  // Above the water level the height counts from the level; below it the floor is flat at 0.
  in.name = "Shallow";
  in.water_level = 1.0f;
  mesh = &Built(CreateHeightField(scene_, in));
  for (uint32_t i = 0; i < mesh->point_count; ++i) EXPECT_NEAR(mesh->points[i].y, 4.0f, 1e-5f);
  AddTexture(ColumnTexture("black", 2, 2, 2));
  in.name = "Dark";
  in.texture = "black";
  mesh = &Built(CreateHeightField(scene_, in));
  for (uint32_t i = 0; i < mesh->point_count; ++i) EXPECT_EQ(mesh->points[i].y, 0.0f);
}

TEST_F(HeightFieldTest, SamplesStopAtU0999AndNeverWrapToTheFirstColumn) {
  // Column 0 black, column 1 white: at u = 1 the lookup would wrap to the black column.
  AddTexture(ColumnTexture("edge", 2, 1, 1));
  HeightFieldInput in = SmallField();
  in.texture = "edge";
  in.subdivisions_x = 1;
  MeshObject* mesh = &Built(CreateHeightField(scene_, in));
  ASSERT_EQ(mesh->point_count, 6u);
  EXPECT_FLOAT_EQ(mesh->points[0].y, 0.0f);
  // The filtered lookup at u = 0.999 mixes the white texel with its wrapped black neighbour.
  EXPECT_GT(mesh->points[1].y, 0.45f * 5.0f);
  EXPECT_NEAR(mesh->points[1].y, 5.0f * BrightnessAt(*FindTexture(scene_.images, "edge"), 0.999, 0),
              1e-5f);
}

TEST_F(HeightFieldTest, SphereModeWrapsTheGridOntoASphereOfRadiusSizeX) {
  AddTexture(ColumnTexture("white", 2, 2, 0));
  HeightFieldInput in = SmallField();
  in.sphere = true;
  in.size_x = 3.0f;
  in.subdivisions_x = 8;
  in.subdivisions_z = 4;
  in.height = 1.0f;
  MeshObject* mesh = &Built(CreateHeightField(scene_, in));
  ASSERT_EQ(mesh->point_count, 45u);
  for (uint32_t i = 0; i < mesh->point_count; ++i)
    EXPECT_NEAR(mesh->points[i].Length(), 4.0, 1e-5) << i;  // radius 3 plus full height 1
  EXPECT_NEAR(mesh->points[0].y, -4.0f, 1e-5f);             // row 0: the bottom pole
  EXPECT_NEAR(mesh->points[18].x, 4.0f, 1e-5f);             // row 2, column 0: on the equator at +X
}

TEST_F(HeightFieldTest, RefusesInTheStatedOrder) {
  HeightFieldInput in = SmallField();
  CommandResult r = CreateHeightField(scene_, in);
  EXPECT_EQ(r.title, "Attention");
  EXPECT_EQ(r.text, "There are no textures loaded!\nPlease load or create a textur first!");
  AddTexture(ColumnTexture("white", 2, 2, 0));
  in.texture = "";
  r = CreateHeightField(scene_, in);
  EXPECT_EQ(r.title, "Error");
  EXPECT_EQ(r.text, "You must select a texture.");
  in.texture = "missing";
  EXPECT_EQ(CreateHeightField(scene_, in).text, "You must select a texture.");
  in.texture = "white";
  ASSERT_TRUE(CreateHeightField(scene_, in).ok());
  EXPECT_EQ(CreateHeightField(scene_, in).text, kNameTakenText);

  in.name = "Other";
  const struct {
    int64_t nx, nz;
    const char* text;
  } counts[] = {{0, 2, kSubdivisionsText},
                {1000000000, 2, kTooManySegmentsText},
                {2000, 2000, kTooManyTrianglesText}};
  for (const auto& c : counts) {
    in.subdivisions_x = c.nx;
    in.subdivisions_z = c.nz;
    r = CreateHeightField(scene_, in);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.text, c.text) << c.nx << " x " << c.nz;
  }
  in.subdivisions_x = in.subdivisions_z = 2;
  in.height = std::nanf("");
  EXPECT_EQ(CreateHeightField(scene_, in).text, kBadSizeText);
  in.height = 0.0f;  // no height at all: a flat field, not a division by zero
  MeshObject* flat = &Built(CreateHeightField(scene_, in));
  for (uint32_t i = 0; i < flat->point_count; ++i) EXPECT_EQ(flat->points[i].y, 0.0f);
}

TEST_F(HeightFieldTest, LongestRowIsBuilt) {
  AddTexture(ColumnTexture("white", 2, 2, 0));
  HeightFieldInput in = SmallField();
  in.subdivisions_x = 10000;
  in.subdivisions_z = 1;
  MeshObject* mesh = &Built(CreateHeightField(scene_, in));
  EXPECT_EQ(mesh->triangle_count, 20000u);
  EXPECT_EQ(mesh->point_count, 20002u);
  EXPECT_FLOAT_EQ(mesh->points[10000].x, 5.0f);
}

ImageScanInput HalfScan() {
  ImageScanInput in;
  in.texture = "half";
  in.size_x = 8.0f;
  in.size_y = 2.0f;
  in.subdivisions_x = 8;
  in.subdivisions_y = 2;
  in.threshold = 0.5f;
  return in;
}

TEST_F(HeightFieldTest, ScanOfAHalfBlackImageKeepsTheBrightCellsAndTheirPointsOnly) {
  AddTexture(ColumnTexture("half", 8, 4, 4));
  MeshObject* mesh = &Built(ScanImage(scene_, HalfScan()));
  EXPECT_EQ(mesh->name, "Scan");
  // Cells sample their corner at u = 0.999 c / 8: columns 5 to 7 read white; column 4 reads
  // the last black texel (filtered brightness 0.498) and stays empty.
  ASSERT_EQ(mesh->triangle_count, 12u);
  ASSERT_EQ(mesh->point_count, 12u);
  std::set<uint32_t> used;
  double area = 0.0;
  for (uint32_t i = 0; i < mesh->triangle_count; ++i) {
    const Triangle& t = mesh->triangles[i];
    ASSERT_TRUE(t.a < 12 && t.b < 12 && t.c < 12);
    used.insert({t.a, t.b, t.c});
    area +=
        std::fabs(
            Cross(mesh->points[t.b] - mesh->points[t.a], mesh->points[t.c] - mesh->points[t.a]).z) /
        2.0;
  }
  EXPECT_EQ(used.size(), 12u);  // every kept point is used
  EXPECT_DOUBLE_EQ(area, 3.0 * 2.0);
  for (uint32_t i = 0; i < mesh->point_count; ++i) EXPECT_GE(mesh->points[i].x, 1.0f);
  // Points keep their grid order: first row y = -1 from x = 1 to 4.
  EXPECT_EQ(mesh->points[0], (Vec3{1, -1, 0}));
  EXPECT_EQ(mesh->points[11], (Vec3{4, 1, 0}));
  test::ExpectTriangle(*mesh, 0, 0, 1, 4);
}

TEST_F(HeightFieldTest, ScanOfADarkImageAddsAnEmptyMesh) {
  AddTexture(ColumnTexture("half", 8, 4, 8));  // no white column
  MeshObject* mesh = &Built(ScanImage(scene_, HalfScan()));
  EXPECT_EQ(mesh->point_count, 0u);
  EXPECT_EQ(mesh->triangle_count, 0u);
}

TEST_F(HeightFieldTest, ScanRefusesInTheStatedOrder) {
  ImageScanInput in = HalfScan();
  EXPECT_EQ(ScanImage(scene_, in).text, kNoTexturesText);
  AddTexture(ColumnTexture("half", 8, 4, 4));
  in.texture = "";
  CommandResult r = ScanImage(scene_, in);
  EXPECT_EQ(r.title, "Fehler");
  EXPECT_EQ(r.text, "You must select a texture first.");
  in.texture = "half";
  ASSERT_TRUE(ScanImage(scene_, in).ok());
  r = ScanImage(scene_, in);
  EXPECT_EQ(r.title, "Error");
  EXPECT_EQ(r.text, kNameTakenText);
  in.name = "Scan2";
  in.subdivisions_y = 0;
  EXPECT_EQ(ScanImage(scene_, in).text, kSubdivisionsText);
  in.subdivisions_y = 2;
  in.threshold = std::nanf("");
  EXPECT_EQ(ScanImage(scene_, in).text, kBadSizeText);
}

using Tri = std::array<uint32_t, 3>;

using test::MakeMesh;

// The unit cube [0,1]^3, closed, outward-facing; points 4..7 are the top (y = 1). Two triangles
// each for the bottom, top, front, back, left and right.
std::unique_ptr<MeshObject> MakeCube() {
  const std::vector<Vec3> corners = {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1},
                                     {0, 1, 0}, {1, 1, 0}, {1, 1, 1}, {0, 1, 1}};
  const std::vector<Tri> faces = {{0, 1, 2}, {0, 2, 3}, {4, 6, 5}, {4, 7, 6}, {0, 4, 5}, {0, 5, 1},
                                  {3, 2, 6}, {3, 6, 7}, {0, 3, 7}, {0, 7, 4}, {1, 5, 6}, {1, 6, 2}};
  return MakeMesh(corners, faces);
}

Tri Corners(const MeshObject& mesh, uint32_t i) {
  return {mesh.triangles[i].a, mesh.triangles[i].b, mesh.triangles[i].c};
}

Vec3 RawNormal(const MeshObject& mesh, uint32_t i) {
  const Triangle& t = mesh.triangles[i];
  return Cross(mesh.points[t.b] - mesh.points[t.a], mesh.points[t.c] - mesh.points[t.a]);
}

double Area(const MeshObject& mesh) {
  double area = 0.0;
  for (uint32_t i = 0; i < mesh.triangle_count; ++i) area += RawNormal(mesh, i).Length() / 2;
  return area;
}

class ObjectEditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MeshSettings() = MeshViewSettings{};
    SetErrorOutput(&errors_);
    right_.placement.position = Vec3{4, 0, 0};
    ahead_.placement.position = Vec3{0, 0, 7};
  }
  void TearDown() override {
    FailNextAllocations(0);
    SetErrorOutput(nullptr);
    MeshSettings() = MeshViewSettings{};
  }
  std::ostringstream errors_;
  MathSphere right_{1.0f};  // targets to look at
  MathSphere ahead_{1.0f};
};

using LookAtTest = ObjectEditTest;
using EqualizeTest = ObjectEditTest;
using MappingTest = ObjectEditTest;
using DragTest = ObjectEditTest;
using SubdivideTest = ObjectEditTest;

TEST_F(LookAtTest, MeshTurnsWithItsPointsAndRemembersTheAngles) {
  auto mesh = MakeMesh({{0, 0, 1}});
  const CommandResult r = LookAtReference(mesh.get(), &right_, EditMode::kObject);
  EXPECT_EQ(r.item, mesh.get());
  ExpectNear(mesh->placement.axis_deg, {0, 90, 0});
  ExpectNear(mesh->placement.axis_Z, {1, 0, 0});
  ExpectNear(mesh->points[0], {1, 0, 0});
  EXPECT_EQ(mesh->preview_dirty, 1);

  // Turning towards a point ahead first undoes the earlier turn.
  LookAtReference(mesh.get(), &ahead_, EditMode::kObject);
  ExpectNear(mesh->placement.axis_deg, {0, 0, 0});
  ExpectNear(mesh->placement.axis_Z, {0, 0, 1});
  ExpectNear(mesh->points[0], {0, 0, 1});
}

TEST_F(LookAtTest, UndoesAllThreeStoredAnglesBeforeTurning) {
  MathSphere item(1.0f);
  item.placement.RotateAxesEuler(Vec3{30, 40, 50}, kEulerXYZ);  // some frame to come back to
  const Placement start = item.placement;
  // The editor's stored turn: y about axis_Y, then x about axis_X, then z about axis_Z.
  item.placement.RotateAxesAboutAxis(20, item.placement.axis_Y);
  item.placement.RotateAxesAboutAxis(10, item.placement.axis_X);
  item.placement.RotateAxesAboutAxis(15, item.placement.axis_Z);
  item.placement.axis_deg = Vec3{10, 20, 15};
  LookAtReference(&item, &ahead_, EditMode::kObject);
  // Straight along +Z is a turn by yaw 0 and pitch 0: only the undoing remains.
  ExpectNear(item.placement.axis_deg, {0, 0, 0});
  ExpectNear(item.placement.axis_X, start.axis_X, 1e-4f);
  ExpectNear(item.placement.axis_Z, start.axis_Z, 1e-4f);
}

TEST_F(LookAtTest, AxisModeTurnsOnlyTheFrameAndTextureModeTheMappingObject) {
  auto axis = MakeMesh({{0, 0, 1}});
  LookAtReference(axis.get(), &right_, EditMode::kAxis);
  ExpectNear(axis->placement.axis_Z, {1, 0, 0});
  EXPECT_EQ(axis->points[0], (Vec3{0, 0, 1}));
  ExpectNear(axis->mapping_object->placement.axis_Z, {0, 0, 1});

  auto texture = MakeMesh({{0, 0, 1}});
  const CommandResult r = LookAtReference(texture.get(), &right_, EditMode::kTexture);
  EXPECT_EQ(r.item, texture->mapping_object);
  ExpectNear(texture->mapping_object->placement.axis_deg, {0, 90, 0});
  ExpectNear(texture->mapping_object->placement.axis_Z, {1, 0, 0});
  EXPECT_EQ(texture->placement.axis_deg, (Vec3{0, 0, 0}));
  EXPECT_EQ(texture->points[0], (Vec3{0, 0, 1}));
}

TEST_F(LookAtTest, CamerasAreNotTurnedBackFirst) {
  Camera camera;
  camera.placement.axis_deg = Vec3{0, 45, 0};  // stored, but the frame is the identity
  LookAtReference(&camera, &right_, EditMode::kObject);
  ExpectNear(camera.placement.axis_Z, {1, 0, 0});
  ExpectNear(camera.placement.axis_deg, {0, 90, 0});
}

TEST_F(LookAtTest, MissingObjectsAndOwnPosition) {
  MathSphere item(1.0f);
  for (const CommandResult& r : {LookAtReference(nullptr, &item, EditMode::kObject),
                                 LookAtReference(&item, nullptr, EditMode::kObject)}) {
    EXPECT_EQ(r.title, "Attention");
    EXPECT_EQ(r.text, "There is no object selected which is usable with this function.");
  }
  item.placement.axis_deg = Vec3{0, 30, 0};
  item.placement.RotateAxesAboutAxis(30, Vec3{0, 1, 0});
  ASSERT_TRUE(LookAtReference(&item, &item, EditMode::kObject).ok());
  EXPECT_EQ(item.placement.axis_deg, (Vec3{0, 0, 0}));
  ExpectNear(item.placement.axis_Z, {0, 0, 1});
}

TEST_F(EqualizeTest, ScalesAboutTheWorldOriginToTheReferenceExtents) {
  auto cube = MakeCube();
  for (uint32_t i = 0; i < cube->point_count; ++i) cube->points[i] += Vec3{1, 1, 1};
  cube->placement.axis_deg = Vec3{0, 90, 0};  // the editor's Object mode must not matter
  MeshSettings().coordinate_mode = CoordinateMode::kObject;
  auto box = MakeMesh({{-1, 0, 0}, {1, 4, 6}}, {});
  const CommandResult r = EqualizeToReference(cube.get(), box.get());
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(cube->points[0], (Vec3{2, 4, 6}));
  EXPECT_EQ(cube->points[6], (Vec3{4, 8, 12}));
  EXPECT_EQ(cube->scale, (Vec3{1, 1, 1}));
  EXPECT_EQ(cube->scale_center, nullptr);
  EXPECT_EQ(MeshSettings().coordinate_mode, CoordinateMode::kObject);
}

TEST_F(EqualizeTest, FlatAxesKeepTheirSize) {
  auto flat = MakeMesh({{0, 0, 0}, {1, 1, 0}}, {});
  auto box = MakeMesh({{0, 0, 0}, {3, 2, 5}}, {});
  ASSERT_TRUE(EqualizeToReference(flat.get(), box.get()).ok());
  EXPECT_EQ(flat->points[1], (Vec3{3, 2, 0}));
  auto empty = std::make_unique<MeshObject>();
  const CommandResult none = EqualizeToReference(empty.get(), box.get());
  EXPECT_FALSE(none.ok());
  EXPECT_FALSE(none.HasMessage());
}

TEST_F(EqualizeTest, Refusals) {
  auto mesh = MakeCube();
  MathSphere sphere(1.0f);
  const char* hint = "You should select the reference object and another current object.";
  for (const CommandResult& r :
       {EqualizeToReference(nullptr, mesh.get()), EqualizeToReference(mesh.get(), nullptr),
        EqualizeToReference(mesh.get(), mesh.get())}) {
    EXPECT_EQ(r.title, "Hinweis");
    EXPECT_EQ(r.text, hint);
  }
  for (const CommandResult& r :
       {EqualizeToReference(&sphere, mesh.get()), EqualizeToReference(mesh.get(), &sphere)}) {
    EXPECT_EQ(r.title, "Attention");
    EXPECT_EQ(r.text, "The current object and the reference object must be 3D-Mesh-Objects!");
  }
  EXPECT_EQ(mesh->points[6], (Vec3{1, 1, 1}));
}

TEST_F(EqualizeTest, CenterMovesOnlyThePositionToTheMiddleOfThePoints) {
  auto mesh = MakeMesh({{0, 0, 0}, {2, 4, 6}, {1, -1, 1}}, {});
  mesh->placement.position = Vec3{9, 9, 9};
  mesh->placement.axis_X = Vec3{0, 1, 0};
  ASSERT_TRUE(CenterAxis(mesh.get()).ok());
  EXPECT_EQ(mesh->placement.position, (Vec3{1, 1.5f, 3}));
  EXPECT_EQ(mesh->placement.axis_X, (Vec3{0, 1, 0}));
  EXPECT_EQ(mesh->points[1], (Vec3{2, 4, 6}));

  MathSphere sphere(1.0f);
  sphere.placement.position = Vec3{5, 5, 5};
  EXPECT_FALSE(CenterAxis(&sphere).ok());
  EXPECT_FALSE(CenterAxis(nullptr).ok());
  EXPECT_EQ(sphere.placement.position, (Vec3{5, 5, 5}));
  MeshObject empty;
  empty.placement.position = Vec3{3, 3, 3};
  EXPECT_FALSE(CenterAxis(&empty).ok());
  EXPECT_EQ(empty.placement.position, (Vec3{3, 3, 3}));
}

TEST_F(MappingTest, PlaneIsARectangleFittedToHalfTheXExtent) {
  auto mesh = MakeMesh({{0, 0, 0}, {4, 2, 1}}, {});
  mesh->mapping_object->display_lists[0] = 17;
  testing_support::RecordingSink sink;
  ASSERT_TRUE(ChooseMapping(mesh.get(), MappingKind::kPlane, &sink).ok());
  EXPECT_EQ(sink.deleted, std::vector<uint32_t>{17});
  auto* plane = dynamic_cast<MathPlane*>(mesh->mapping_object);
  ASSERT_NE(plane, nullptr);
  EXPECT_EQ(CurrentMapping(*mesh), MappingKind::kPlane);
  EXPECT_EQ(plane->plane_type(), kPlaneRectangle);
  EXPECT_EQ(plane->placement.position, (Vec3{2, 1, 0.5f}));
  EXPECT_FLOAT_EQ(plane->radius_X(), 2.0f);
  EXPECT_FLOAT_EQ(plane->radius_Y(), 2.0f);
  EXPECT_EQ(plane->preview_dirty, 1);
}

TEST_F(MappingTest, SphereGetsHalfTheDiagonalAndEqualizeRefits) {
  auto mesh = MakeMesh({{0, 0, 0}, {4, 2, 1}}, {});
  ASSERT_TRUE(ChooseMapping(mesh.get(), MappingKind::kSphere, nullptr).ok());
  auto* sphere = dynamic_cast<MathSphere*>(mesh->mapping_object);
  ASSERT_NE(sphere, nullptr);
  EXPECT_FLOAT_EQ(sphere->radius(), static_cast<float>(std::sqrt(5.25)));

  // Moving and turning the mesh takes the mapping object along; equalize fits it afresh.
  Ray step;
  step.length = 1;
  step.direction = Vec3{10, 0, 0};
  mesh->Move(step);
  mesh->RotateAxesAboutAxis(30, Vec3{0, 1, 0});
  sphere->placement.axis_deg = Vec3{0, 30, 0};
  sphere->SetScale(2, 2, 2);
  ASSERT_TRUE(EqualizeMapping(mesh.get()).ok());
  Vec3 lo = mesh->points[0], hi = mesh->points[0];
  for (uint32_t i = 1; i < mesh->point_count; ++i) {
    const Vec3 p = mesh->points[i];
    lo = Vec3{std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = Vec3{std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
  }
  ExpectNear(sphere->placement.position, (lo + hi) * 0.5, 1e-4f);
  EXPECT_EQ(sphere->placement.axis_Y, (Vec3{0, 1, 0}));
  EXPECT_EQ(sphere->placement.axis_deg, (Vec3{0, 0, 0}));
  EXPECT_EQ(sphere->scale, (Vec3{1, 1, 1}));
  EXPECT_NEAR(sphere->radius(), (hi - lo).Length() / 2, 1e-4);
}

TEST_F(MappingTest, EmptyMeshesAndOtherObjects) {
  MeshObject empty;
  ASSERT_TRUE(ChooseMapping(&empty, MappingKind::kSphere, nullptr).ok());
  EXPECT_EQ(empty.mapping_object->placement.position, (Vec3{0, 0, 0}));
  EXPECT_EQ(dynamic_cast<MathSphere*>(empty.mapping_object)->radius(), 0.0f);

  for (const CommandResult& r :
       {ChooseMapping(nullptr, MappingKind::kPlane, nullptr), EqualizeMapping(nullptr)}) {
    EXPECT_EQ(r.title, "Attention");
    EXPECT_EQ(r.text, "There is no object selected which is usable with this function.");
  }
  MathSphere sphere(1.0f);
  EXPECT_FALSE(ChooseMapping(&sphere, MappingKind::kPlane, nullptr).HasMessage());
  EXPECT_FALSE(EqualizeMapping(&sphere).HasMessage());

  SceneObject* before = empty.mapping_object;
  FailNextAllocations(1);
  EXPECT_EQ(ChooseMapping(&empty, MappingKind::kPlane, nullptr).text, kOutOfMemoryText);
  EXPECT_EQ(empty.mapping_object, before);
}

TEST_F(DragTest, ASquareGetsItsBoundaryDoubledAndFourSideWalls) {
  auto mesh = MakeMesh({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 3}});
  std::vector<uint32_t> selection = {0, 1, 2, 3};
  ASSERT_TRUE(DragPoints(mesh.get(), selection).ok());
  ASSERT_EQ(mesh->point_count, 8u);
  ASSERT_EQ(mesh->triangle_count, 10u);
  for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(mesh->points[4 + i], mesh->points[i]);
  EXPECT_EQ(Corners(*mesh, 0), (Tri{4, 5, 6}));
  EXPECT_EQ(Corners(*mesh, 1), (Tri{4, 6, 7}));
  const std::vector<Tri> sides = {{0, 1, 4}, {1, 5, 4}, {1, 2, 5}, {2, 6, 5},
                                  {0, 3, 4}, {3, 7, 4}, {2, 3, 6}, {3, 7, 6}};
  for (uint32_t i = 0; i < sides.size(); ++i) EXPECT_EQ(Corners(*mesh, 2 + i), sides[i]);
  EXPECT_EQ(selection, (std::vector<uint32_t>{4, 5, 6, 7}));
  EXPECT_EQ(mesh->preview_dirty, 1);
}

TEST_F(DragTest, NothingHappensWithoutASelectedFace) {
  auto cube = MakeCube();
  std::vector<uint32_t> two = {4, 5};
  std::vector<uint32_t> no_face = {0, 5, 7};
  std::vector<uint32_t> stale = {4, 5, 6, 7, 99};
  for (std::vector<uint32_t>* s : {&two, &no_face, &stale}) {
    const CommandResult r = DragPoints(cube.get(), *s);
    EXPECT_FALSE(r.ok());
    EXPECT_FALSE(r.HasMessage());
  }
  EXPECT_FALSE(DragPoints(nullptr, no_face).ok());
  EXPECT_EQ(stale.back(), 99u);
  // A wholly selected closed mesh has no boundary to drag out.
  std::vector<uint32_t> all = {0, 1, 2, 3, 4, 5, 6, 7};
  ASSERT_TRUE(DragPoints(cube.get(), all).ok());
  EXPECT_EQ(cube->point_count, 8u);
  EXPECT_EQ(cube->triangle_count, 12u);
  EXPECT_EQ(all, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST_F(SubdivideTest, ASelectedTriangleBecomesFourWithTheSameFacing) {
  auto mesh = MakeMesh({{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}, {{0, 1, 2}});
  const std::vector<uint32_t> selection = {0, 1, 2};
  std::vector<uint32_t> added;
  ASSERT_TRUE(SubdividePoints(mesh.get(), selection, &added).ok());
  EXPECT_EQ(added, (std::vector<uint32_t>{3, 4, 5}));
  ASSERT_EQ(mesh->point_count, 6u);
  EXPECT_EQ(mesh->points[3], (Vec3{1, 0, 0}));
  EXPECT_EQ(mesh->points[4], (Vec3{1, 1, 0}));
  EXPECT_EQ(mesh->points[5], (Vec3{0, 1, 0}));
  ASSERT_EQ(mesh->triangle_count, 4u);
  EXPECT_NEAR(Area(*mesh), 2.0, 1e-6);
  for (uint32_t i = 0; i < 4; ++i) ExpectNear(mesh->triangles[i].normal, {0, 0, 1});
  EXPECT_EQ(mesh->preview_dirty, 1);
}

TEST_F(SubdivideTest, NeighboursAcrossSplitEdgesAreHalvedSoTheCubeStaysClosed) {
  auto cube = MakeCube();
  const std::vector<uint32_t> top = {4, 5, 6, 7};
  std::vector<uint32_t> added;
  ASSERT_TRUE(SubdividePoints(cube.get(), top, &added).ok());
  EXPECT_EQ(added.size(), 5u);  // four rim edges and the diagonal
  EXPECT_EQ(cube->point_count, 13u);
  EXPECT_EQ(cube->triangle_count, 12u + 2 * 3 + 4);
  ExpectIndicesInRange(*cube);
  test::ExpectClosedOutward(*cube);
  ExpectOutwardFrom(*cube, Vec3{0.5f, 0.5f, 0.5f});
  EXPECT_NEAR(Area(*cube), 6.0, 1e-6);
  for (uint32_t p : added) EXPECT_EQ(cube->points[p].y, 1.0f);
}

TEST_F(SubdivideTest, NeedsMoreThanTwoPointsAndASelectedTriangle) {
  auto cube = MakeCube();
  const std::vector<uint32_t> two = {4, 5};
  const std::vector<uint32_t> no_face = {0, 5, 7};
  const std::vector<uint32_t> stale = {4, 5, 6, 7, 8};
  for (const std::vector<uint32_t>* s : {&two, &no_face, &stale}) {
    std::vector<uint32_t> added;
    const CommandResult r = SubdividePoints(cube.get(), *s, &added);
    EXPECT_FALSE(r.ok());
    EXPECT_FALSE(r.HasMessage());
    EXPECT_TRUE(added.empty());
  }
  EXPECT_FALSE(SubdividePoints(nullptr, two, nullptr).ok());
  MeshObject path;
  path.is_path = 1;
  EXPECT_FALSE(SubdividePoints(&path, two, nullptr).ok());
  EXPECT_EQ(cube->point_count, 8u);
  EXPECT_EQ(cube->triangle_count, 12u);
}

// Neighbours across one split edge are halved, whichever corner the edge starts at.
TEST_F(SubdivideTest, DegenerateTrianglesAreLeftAloneAndNeighboursHalved) {
  auto mesh = MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {-1, 0, 0}, {0.5f, -1, 0}},
                       {{0, 1, 2}, {0, 0, 1}, {3, 2, 1}, {2, 4, 0}, {1, 0, 5}});
  const std::vector<uint32_t> all = {0, 1, 2};
  ASSERT_TRUE(SubdividePoints(mesh.get(), all, nullptr).ok());
  EXPECT_EQ(mesh->triangle_count, 4u + 1u + 3u * 2u);
  EXPECT_NEAR(Area(*mesh), 2.0, 1e-6);
  EXPECT_EQ(Corners(*mesh, 1), (Tri{0, 0, 1}));
  ExpectIndicesInRange(*mesh);
}

std::vector<SceneObject*> Items(const LIST* list) {
  std::vector<SceneObject*> items;
  for (const ListNode* n = list ? list->head : nullptr; n; n = n->next)
    items.push_back(dynamic_cast<SceneObject*>(n->item));
  return items;
}

std::vector<std::string> Names(const LIST* list) {
  std::vector<std::string> names;
  for (SceneObject* item : Items(list)) names.emplace_back(item->name.c_str());
  return names;
}

// Every triangle index of every mesh below `list` names a point of its mesh.
void ExpectIndicesValid(const LIST* list) {
  for (SceneObject* item : Items(list)) {
    if (auto* mesh = dynamic_cast<MeshObject*>(item)) {
      for (uint32_t i = 0; i < mesh->triangle_count; ++i)
        EXPECT_TRUE(mesh->TriangleInRange(mesh->triangles[i])) << item->name << " triangle " << i;
    } else if (auto* group = dynamic_cast<GroupObject*>(item)) {
      ExpectIndicesValid(&group->members);
    }
  }
}

MeshObject* NewMesh(const std::vector<Vec3>& points) {
  return test::MakeMesh(points).release();
}

class ModellingScene : public ::testing::Test {
 protected:
  void SetUp() override {
    SetErrorOutput(&errors_);
    ASSERT_TRUE(scene_.New(nullptr));
    ball_.name = "Ball";
  }
  void TearDown() override {
    FailNextAllocations(0);
    SetErrorOutput(nullptr);
  }

  // Appends `item` to the object list (owned) under `name`.
  template <class T>
  T* Add(T* item, const char* name) {
    item->name = name;
    scene_.objects->Append(item, 1);
    return item;
  }

  MeshObject* PathAt(const CommandResult& r) {
    EXPECT_TRUE(r.ok()) << r.text;
    return dynamic_cast<MeshObject*>(r.item);
  }

  std::ostringstream errors_;
  Scene scene_;
  MathSphere ball_{1.0f};  // an item to copy
};

using NewPathTest = ModellingScene;

// Linear shapes spread the width over n - 1 steps; circles go round once without repeating the
// first point; the screw climbs by width / n per point; the spiral's radius shrinks by width / n.
TEST_F(NewPathTest, ShapesPlaceTheirPoints) {
  using enum PathShape;
  const struct {
    int64_t n;
    float width, angle;
    PathShape shape;
    std::vector<Vec3> points;
  } cases[] = {
      {5, 8.0f, 360.0f, kLinearX, {{0, 0, 0}, {2, 0, 0}, {4, 0, 0}, {6, 0, 0}, {8, 0, 0}}},
      {3, 4.0f, 0.0f, kLinearZ, {{0, 0, 0}, {0, 0, 2}, {0, 0, 4}}},
      {4, 1.0f, 0.0f, kCircleXY, {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}}},
      {4, 2.0f, 0.0f, kCircleXZ, {{2, 0, 0}, {0, 0, 2}, {-2, 0, 0}, {0, 0, -2}}},
      {4, 2.0f, 360.0f, kScrewXZ, {{2, 0, 0}, {0, 0.5f, 2}, {-2, 1, 0}, {0, 1.5f, -2}}},
      {2, 2.0f, 360.0f, kSpiralXZ, {{2, 0, 0}, {-1, 1, 0}}},
  };
  int made = 0;
  for (const auto& c : cases) {
    const String name = String("P") + String().Str(++made);
    MeshObject* p = PathAt(NewPath(scene_, name, c.n, c.width, c.angle, c.shape));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->is_path, 1);
    EXPECT_STREQ(p->TypeName(), "Path");
    EXPECT_EQ(p->preview_dirty, 1);
    EXPECT_EQ(p->name, name);
    ASSERT_NE(p->material, nullptr);
    EXPECT_EQ(p->material->name, "standard");
    EXPECT_EQ(scene_.objects->tail->item, p);
    ASSERT_EQ(p->point_count, c.points.size());
    for (uint32_t i = 0; i < p->point_count; ++i) ExpectNear(p->points[i], c.points[i]);
  }
}

TEST_F(NewPathTest, LongPathsKeepRoomForTwiceTheirPoints) {
  MeshObject* big = PathAt(NewPath(scene_, "Big", 150, 1.0f, 0.0f, PathShape::kCircleXY));
  ASSERT_NE(big, nullptr);
  EXPECT_GE(big->point_capacity, 300u);
  const Vec3 first = big->points[0];
  EXPECT_EQ(big->AppendPoint(Vec3{9, 9, 9}), 1);
  EXPECT_EQ(big->points[0], first);
}

TEST_F(NewPathTest, RefusesInTheStatedOrderAndBuildsNothing) {
  Add(new MeshObject(), "Path");
  const int before = scene_.objects->count;
  const char* few = "The number of points must be greater than 1!";
  struct Case {
    const char* name;
    int64_t points;
    float width;
    float angle;
    PathShape shape;
    const char* text;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const Case cases[] = {
      {"Path", 1, 1.0f, 0.0f, PathShape::kLinearX, kNameTakenText},  // the name comes first
      {"New", 1, 1.0f, 0.0f, PathShape::kLinearX, few},
      {"New", 1000000000, 1.0f, 0.0f, PathShape::kLinearX,
       "The number of points must not be greater than 2000000!"},
      {"New", 5, nan, 0.0f, PathShape::kLinearX, kBadSizeText},
      {"New", 5, 1.0f, inf, PathShape::kScrewXZ, kBadSizeText},
      {"New", 5, 1.0f, 0.0f, static_cast<PathShape>(6), "Unknown basic look of the path!"},
  };
  for (const Case& c : cases) {
    const CommandResult r = NewPath(scene_, c.name, c.points, c.width, c.angle, c.shape);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.title, "Error");
    EXPECT_EQ(r.text, c.text) << c.name << " " << c.points;
  }
  EXPECT_EQ(scene_.objects->count, before);
}

TEST_F(NewPathTest, LargestAcceptedCountIsBuilt) {
  MeshObject* p =
      PathAt(NewPath(scene_, "Huge", kMaxNewPathPoints, 1.0f, 0.0f, PathShape::kLinearX));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->point_count, static_cast<uint32_t>(kMaxNewPathPoints));
  EXPECT_FLOAT_EQ(p->points[p->point_count - 1].x, 1.0f);
}

using PathFromMeshTest = ModellingScene;

TEST_F(PathFromMeshTest, CopiesThePointsInOrderUnderAUniquePfadName) {
  MeshObject* mesh = Add(NewMesh({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}), "Mesh");
  MeshObject* path = PathAt(PathFromMesh(scene_, mesh));
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(path->name, "Pfad1");
  EXPECT_EQ(path->is_path, 1);
  ASSERT_EQ(path->point_count, 3u);
  for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(path->points[i], mesh->points[i]);
  mesh->points[0] = Vec3{0, 0, 0};
  EXPECT_EQ(path->points[0], (Vec3{1, 2, 3})) << "the path has its own points";

  MeshObject* second = PathAt(PathFromMesh(scene_, mesh));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->name, "Pfad2");
}

TEST_F(PathFromMeshTest, NeedsAMeshThatIsNotAPath) {
  MathSphere* sphere = Add(new MathSphere(1.0f), "Ball");
  MeshObject* path = Add(new MeshObject(), "Line");
  path->is_path = 1;
  const int before = scene_.objects->count;
  for (SceneObject* current :
       {static_cast<SceneObject*>(nullptr), static_cast<SceneObject*>(sphere)}) {
    const CommandResult r = PathFromMesh(scene_, current);
    EXPECT_EQ(r.title, "Attention");
    EXPECT_EQ(r.text, "There is no 3D-Mesh_object choosen.");
  }
  const CommandResult r = PathFromMesh(scene_, path);
  EXPECT_EQ(r.title, "Attention");
  EXPECT_EQ(r.text, "The current object is a path.");
  EXPECT_EQ(scene_.objects->count, before);
}

using CopyNumberTest = ModellingScene;

TEST_F(CopyNumberTest, CopiesGetTheNextFreeNamesAndTheirOwnData) {
  Add(new MeshObject(), "Cube");
  Add(new MeshObject(), "Cube2");
  auto clip = test::MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  clip->name = "Cube";
  clip->placement.position = Vec3{5, 0, 0};

  const CommandResult r = CopyNumber(scene_, clip.get(), 3, false, "", nullptr, false);
  ASSERT_TRUE(r.ok()) << r.text;
  EXPECT_EQ(Names(scene_.objects),
            (std::vector<std::string>{"Cube", "Cube2", "Cube1", "Cube3", "Cube4"}));
  EXPECT_EQ(r.item, scene_.objects->tail->item);
  for (SceneObject* item : Items(scene_.objects)) {
    auto* copy = dynamic_cast<MeshObject*>(item);
    if (copy->point_count == 0) continue;  // the two originals
    EXPECT_NE(copy->points, clip->points);
    EXPECT_EQ(copy->placement.position, clip->placement.position);
    EXPECT_EQ(copy->preview_dirty, 1);
    EXPECT_EQ(copy->parent, nullptr);
  }
  ExpectIndicesValid(scene_.objects);
}

TEST_F(CopyNumberTest, LightsAndCamerasGoToTheirOwnLists) {
  LightSource light;
  light.name = "Licht";
  const int objects = scene_.objects->count;
  ASSERT_TRUE(CopyNumber(scene_, &light, 3, false, "", nullptr, false).ok());
  EXPECT_EQ(Names(scene_.lights), (std::vector<std::string>{"Licht1", "Licht2", "Licht3"}));
  EXPECT_EQ(scene_.objects->count, objects);

  Camera camera;
  camera.name = "Kamera";
  ASSERT_TRUE(CopyNumber(scene_, &camera, 2, false, "", nullptr, false).ok());
  EXPECT_EQ(Names(scene_.cameras),
            (std::vector<std::string>{"Standard_Kamera", "Kamera1", "Kamera2"}));
  EXPECT_EQ(scene_.objects->count, objects);
}

TEST_F(CopyNumberTest, GroupOptionCollectsTheCopiesInANewUniqueGroup) {
  const CommandResult r = CopyNumber(scene_, &ball_, 2, true, "Row", nullptr, false);
  ASSERT_TRUE(r.ok()) << r.text;
  auto* group = dynamic_cast<GroupObject*>(r.item);
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->name, "Row1");
  EXPECT_EQ(scene_.objects->tail->item, group);
  EXPECT_EQ(Names(&group->members), (std::vector<std::string>{"Ball1", "Ball2"}));
  for (SceneObject* member : Items(&group->members)) EXPECT_EQ(member->parent, group);

  // A second run counts on past the members of the first group.
  const CommandResult again = CopyNumber(scene_, &ball_, 1, false, "", nullptr, false);
  ASSERT_TRUE(again.ok());
  EXPECT_EQ(again.item->name, "Ball3");
}

TEST_F(CopyNumberTest, CurrentGroupReceivesCopiesUnlessTopLevelIsChosen) {
  auto* outer = Add(new GroupObject(), "Outer");
  ASSERT_TRUE(CopyNumber(scene_, &ball_, 2, false, "", outer, false).ok());
  EXPECT_EQ(outer->members.count, 2);

  ASSERT_TRUE(CopyNumber(scene_, &ball_, 1, false, "", outer, true).ok());
  EXPECT_EQ(outer->members.count, 2);
  EXPECT_EQ(scene_.objects->count, 2);

  const CommandResult grouped = CopyNumber(scene_, &ball_, 1, true, "Inner", outer, false);
  ASSERT_TRUE(grouped.ok());
  EXPECT_EQ(grouped.item->parent, outer);
  EXPECT_EQ(outer->members.tail->item, grouped.item);
}

TEST_F(CopyNumberTest, CopiedGroupsLoseTheirMappingLeftovers) {
  GroupObject clip;
  clip.name = "G";
  auto* kept = new MeshObject();
  kept->name = "Body";
  auto* leftover = new MathSphere(1.0f);
  leftover->name = "Body_mat_object";
  clip.AddMember(kept);
  clip.AddMember(leftover);
  const CommandResult r = CopyNumber(scene_, &clip, 1, false, "", nullptr, false);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(Names(&dynamic_cast<GroupObject*>(r.item)->members),
            (std::vector<std::string>{"Body"}));
  EXPECT_EQ(clip.members.count, 2) << "the clipboard item stays as it is";
}

TEST_F(CopyNumberTest, CopyingAGroupIntoItselfDoesNotCopyTheCopies) {
  auto* group = Add(new GroupObject(), "G");
  auto* member = new MathSphere(1.0f);
  member->name = "M";
  group->AddMember(member);
  ASSERT_TRUE(CopyNumber(scene_, group, 3, false, "", group, false).ok());
  EXPECT_EQ(group->members.count, 1);
  EXPECT_EQ(scene_.objects->count, 4);
}

TEST_F(CopyNumberTest, BadCountsAndAMissingClipboardAreRefused) {
  const CommandResult none = CopyNumber(scene_, nullptr, 3, false, "", nullptr, false);
  EXPECT_EQ(none.title, "Attention");
  EXPECT_EQ(none.text, kNoClipboardText);
  const CommandResult zero = CopyNumber(scene_, &ball_, 0, true, "G", nullptr, false);
  EXPECT_EQ(zero.title, "Error");
  EXPECT_EQ(zero.text, "The number of copies must be greater than 0.");
  EXPECT_EQ(CopyNumber(scene_, &ball_, kMaxCopies + 1, false, "", nullptr, false).text,
            "The number of copies must not be greater than 10000.");
  std::unique_ptr<MeshObject> big(new MeshObject());
  ASSERT_EQ(big->SetPointCount(1u << 20), 0);  // 12 MiB: 100 copies exceed the bound
  big->name = "Big";
  const CommandResult heavy = CopyNumber(scene_, big.get(), 100, false, "", nullptr, false);
  EXPECT_EQ(heavy.text, kCopiesTooLargeText);
  EXPECT_EQ(scene_.objects->count, 0);
  EXPECT_EQ(scene_.lights->count, 0);
}

TEST_F(CopyNumberTest, LargestAcceptedCountIsMade) {
  ASSERT_TRUE(CopyNumber(scene_, &ball_, kMaxCopies, false, "", nullptr, false).ok());
  EXPECT_EQ(scene_.objects->count, kMaxCopies);
  EXPECT_EQ(static_cast<SceneObject*>(scene_.objects->tail->item)->name, "Ball10000");
}

// An item whose Clone gives out after a number of copies.
class FlakyItem : public SceneObject {
 public:
  explicit FlakyItem(int* budget) : budget_(budget) {}
  SceneObject* Clone() const override {
    if ((*budget_)-- <= 0) return nullptr;
    return new FlakyItem(*this);
  }
  const char* TypeName() const override { return "Flaky"; }

 private:
  FlakyItem(const FlakyItem& other) = default;
  int* budget_;
};

TEST_F(CopyNumberTest, RunningOutOfMemoryPartWayTakesEveryCopyBack) {
  auto* outer = Add(new GroupObject(), "Outer");
  int budget = 2;
  FlakyItem clip(&budget);
  clip.name = "F";
  for (bool in_group : {false, true}) {
    budget = 2;
    const CommandResult r = CopyNumber(scene_, &clip, 5, in_group, "G", outer, false);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.text, kOutOfMemoryText);
    EXPECT_EQ(outer->members.count, 0);
    EXPECT_EQ(outer->current_member, nullptr);
    EXPECT_EQ(scene_.objects->count, 1);
  }
  FailNextAllocations(1);  // the new group itself
  EXPECT_EQ(CopyNumber(scene_, &clip, 1, true, "G", nullptr, false).text, kOutOfMemoryText);
  EXPECT_EQ(scene_.objects->count, 1);
}

using CopyToPointsTest = ModellingScene;

TEST_F(CopyToPointsTest, OneCopyLandsOnEveryPointFromTheLastToTheFirst) {
  MeshObject* target = Add(NewMesh({{1, 0, 0}, {0, 2, 0}, {0, 0, 3}}), "Target");
  ball_.placement.position = Vec3{5, 5, 5};
  ASSERT_TRUE(CopyToMeshPoints(scene_, &ball_, false, "", target, false).ok());
  const std::vector<SceneObject*> items = Items(scene_.objects);
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[1]->name, "Ball1");
  ExpectNear(items[1]->placement.position, {0, 0, 3});
  ExpectNear(items[2]->placement.position, {0, 2, 0});
  ExpectNear(items[3]->placement.position, {1, 0, 0});
  EXPECT_EQ(ball_.placement.position, (Vec3{5, 5, 5}));
}

TEST_F(CopyToPointsTest, MeshCopiesCarryTheirPointsAlongIntoTheGroup) {
  MeshObject* target = Add(NewMesh({{10, 0, 0}, {0, 0, -10}}), "Target");
  target->is_path = 1;  // paths have points too
  auto clip = test::MakeMesh({{1, 1, 1}, {2, 1, 1}, {1, 2, 1}}, {{0, 2, 1}});
  clip->name = "Tri";
  clip->placement.position = Vec3{1, 1, 1};

  const CommandResult r = CopyToMeshPoints(scene_, clip.get(), true, "Copies", target, false);
  ASSERT_TRUE(r.ok()) << r.text;
  auto* group = dynamic_cast<GroupObject*>(r.item);
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->name, "Copies1");
  const std::vector<SceneObject*> members = Items(&group->members);
  ASSERT_EQ(members.size(), 2u);
  auto* first = dynamic_cast<MeshObject*>(members[0]);  // on the last point
  ExpectNear(first->placement.position, {0, 0, -10});
  ExpectNear(first->points[1], {1, 0, -10});
  ExpectNear(first->points[2], {0, 1, -10});
  ExpectIndicesValid(scene_.objects);
}

TEST_F(CopyToPointsTest, RefusalsAndEmptyMeshes) {
  MathSphere* sphere = Add(new MathSphere(1.0f), "NotAMesh");
  for (SceneObject* current :
       {static_cast<SceneObject*>(nullptr), static_cast<SceneObject*>(sphere)}) {
    const CommandResult r = CopyToMeshPoints(scene_, &ball_, false, "", current, false);
    EXPECT_EQ(r.title, "Attention");
    EXPECT_EQ(r.text, "The current object must be a 3D-Mesh-Object for this function!");
  }
  MeshObject* empty = Add(new MeshObject(), "Empty");
  EXPECT_EQ(CopyToMeshPoints(scene_, nullptr, false, "", empty, false).text, kNoClipboardText);
  const CommandResult nothing = CopyToMeshPoints(scene_, &ball_, true, "G", empty, false);
  EXPECT_FALSE(nothing.ok());
  EXPECT_FALSE(nothing.HasMessage());

  MeshObject* dense = Add(new MeshObject(), "Dense");
  ASSERT_EQ(dense->SetPointCount(static_cast<uint32_t>(kMaxCopies) + 1), 0);
  EXPECT_EQ(CopyToMeshPoints(scene_, &ball_, false, "", dense, false).text, kTooManyCopiesText);
  EXPECT_EQ(scene_.objects->count, 3);
}

}  // namespace
}  // namespace orvane
