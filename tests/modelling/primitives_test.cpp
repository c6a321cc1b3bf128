// The modelling commands: primitives, the height field and image scan, object edits (look at,
// equalize, mappings, drag, subdivide), new paths and copies.

#include "modelling/primitives.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <set>

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
#include "scene/naming.h"
#include "scene/recording_sink.h"
#include "scene/scene.h"

namespace orvane {
namespace {

using namespace test;
using Points = std::vector<uint32_t>;
using Strings = std::vector<std::string>;

float MappingRadius(const MeshObject& m) {
  EXPECT_EQ(m.mapping_object->GetType(), kItemSphere);
  return static_cast<const MathSphere*>(m.mapping_object)->radius();
}

Tri Corners(const MeshObject& mesh, uint32_t i) {
  return {mesh.triangles[i].a, mesh.triangles[i].b, mesh.triangles[i].c};
}

double Area(const MeshObject& mesh) {
  double area = 0.0;
  for (uint32_t i = 0; i < mesh.triangle_count; ++i) {
    const Triangle& t = mesh.triangles[i];
    const Vec3 &a = mesh.points[t.a], &b = mesh.points[t.b], &c = mesh.points[t.c];
    area += Cross(b - a, c - a).Length() / 2;
  }
  return area;
}

// The unit cube [0,1]^3, closed, outward-facing; points 4..7 are the top (y = 1).
std::unique_ptr<MeshObject> MakeCube() {
  const Tris tris = {{0, 1, 2}, {0, 2, 3}, {4, 6, 5}, {4, 7, 6}, {0, 4, 5}, {0, 5, 1},
                     {3, 2, 6}, {3, 6, 7}, {0, 3, 7}, {0, 7, 4}, {1, 5, 6}, {1, 6, 2}};
  return MakeMesh(
      {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}, {0, 1, 0}, {1, 1, 0}, {1, 1, 1}, {0, 1, 1}},
      tris);
}

std::vector<SceneObject*> Items(const LIST* list) {
  std::vector<SceneObject*> items;
  for (const ListNode* n = list ? list->head : nullptr; n; n = n->next)
    items.push_back(dynamic_cast<SceneObject*>(n->item));
  return items;
}

Strings Names(const LIST* list) {
  Strings names;
  for (SceneObject* item : Items(list)) names.emplace_back(item->name.c_str());
  return names;
}

// A new scene with its standard camera, the editor's mesh settings at their defaults, an item to
// copy, two targets to look at, and the checks and inputs of the shapes and height fields.
class ModellingScene : public ModellingTest {
 protected:
  void SetUp() override {
    ModellingTest::SetUp();
    ASSERT_TRUE(scene_.New(nullptr));
    MeshSettings() = MeshViewSettings{};
    ball_.name = "Ball";
    right_.placement.position = Vec3{4, 0, 0};
    ahead_.placement.position = Vec3{0, 0, 7};
  }
  void TearDown() override {
    ModellingTest::TearDown();
    MeshSettings() = MeshViewSettings{};
  }
  CommandResult Copy(SceneObject* clip, int64_t n, GroupObject* group = nullptr) {
    return CopyNumber(scene_, clip, n, false, "", group, false);
  }
  // The built mesh after checking its counts and indices, the mapping sphere's radius and,
  // for a solid, a closed surface facing out; leaves the test when the counts differ.
  MeshObject& Shape(const CommandResult& r, uint32_t points, uint32_t tris, double radius,
                    bool solid = true) {
    MeshObject& m = Built(r);
    ExpectCounts(m, points, tris);
    EXPECT_NEAR(MappingRadius(m), radius, 1e-5);
    if (solid) ExpectClosedOutward(m);
    return m;
  }
  // Adds a width × height picture, black left of column `first_white` and white from there.
  void AddTexture(const char* name, int width, int height, int first_white) {
    auto* texture = new Texture(kTextureImage);
    texture->name = name;
    auto picture = std::make_unique<Picture>();
    EXPECT_TRUE(picture->Create(width, height, 8));
    picture->palette[1] = Rgb{255, 255, 255};  // entry 0 stays black
    picture->paletteCount = 2;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) picture->SetPixel(x, y, x >= first_white ? 1 : 0);
    texture->SetPicture(std::move(picture));
    scene_.images->Append(texture, 1);
  }
  // A 10 × 10 field of nx × nz cells, 5 high.
  static HeightFieldInput Field(const char* name, int64_t nx = 2, int64_t nz = 2,
                                const char* texture = "white") {
    return {name, texture, 10, 10, nx, nz, 5};
  }
  static ImageScanInput HalfScan(const char* name = "Scan", const char* texture = "half") {
    return {name, texture, 8, 2, 8, 2};  // 8 × 2 cells of 1 × 1
  }
  MathSphere ball_{1.0f}, right_{1.0f}, ahead_{1.0f};
};

TEST_F(ModellingScene, FlatShapesJoinTheSceneAndShareTheDefaultMaterial) {
  MeshObject& m = Built(CreateCube(scene_, {}));
  EXPECT_EQ(m.preview_dirty, 1);
  EXPECT_EQ(scene_.objects->Last(), &m);
  ASSERT_NE(m.material, nullptr);
  EXPECT_STREQ(m.material->name.c_str(), "standard");
  EXPECT_EQ(Built(CreateTriangle(scene_, {})).material, m.material);
  EXPECT_EQ(scene_.materials->count, 1);
  MeshObject& t = Shape(CreateTriangle(scene_, {"T", 2.0f, 1.0f, false}), 3, 1, 1.118034, false);
  ExpectNear(t.points[0], {-1.0f, -0.5f, 0.0f});
  ExpectNear(t.points[2], {0.0f, 0.5f, 0.0f});
  ExpectNear(t.triangles[0].normal, {0.0f, 0.0f, 1.0f});
  MeshObject& eq = Built(CreateTriangle(scene_, {"T2", 2.0f, 1.0f, true}));
  EXPECT_NEAR(eq.points[2].y - eq.points[0].y, 1.7320508f, 1e-6f);
  EXPECT_FLOAT_EQ(MappingRadius(eq), std::sqrt(1.25f));  // the entered height
  // The quadrangle with "equal" is the square from (-2, -2) to (2, 2); its radius uses the
  // entered height 2, not 4.
  MeshObject& q = Shape(CreateQuadrangle(scene_, {"Q", 4.0f, 2.0f, true}), 4, 2, 2.236068, false);
  ExpectNear(q.points[0], {2.0f, -2.0f, 0.0f});
  ExpectNear(q.points[2], {-2.0f, 2.0f, 0.0f});
  MeshObject& hex = Shape(CreateNAngle(scene_, {"Hex", 6, 1.0f, false}), 6, 4, 1.0, false);
  ExpectNear(hex.points[2], {-0.5f, 0.8660254f, 0});
  for (uint32_t i = 0; i < 4; ++i) ExpectNear(hex.triangles[i].normal, {0.0f, 0.0f, -1.0f});
  // R = (w × 0.5) / (2 sin(π / (2N))): 0.25 / sin(15°) for w = 1, N = 6.
  MeshObject& w = Built(CreateNAngle(scene_, {"W", 6, 1.0f, true}));
  EXPECT_NEAR(w.points[0].x, 0.96592583, 1e-6);
  EXPECT_NEAR(MappingRadius(w), 0.96592583, 1e-6);
}

TEST_F(ModellingScene, SolidsAndAnExistingStandardMaterial) {
  auto* mine = new Material();  // named "standard", like the one the shapes make
  mine->setValue(kDiffuse, 0, 0.25);
  scene_.materials->Append(mine, 1);
  // The cone's radius is max(x of base point 0, h).
  MeshObject& cone = Shape(CreateCone(scene_, {"Cone", 3.0f, 8, 1.0f, false}), 9, 14, 3.0);
  EXPECT_EQ(cone.material, mine);
  ExpectNear(cone.points[8], {0.0f, 3.0f, 0.0f});
  for (uint32_t k = 0; k < 8; ++k) {
    EXPECT_NEAR(cone.points[k].y, 0.0f, 1e-6f);  // the base lies in the XZ plane
    EXPECT_NEAR(std::hypot(cone.points[k].x, cone.points[k].z), 1.0f, 1e-6f);
  }
  Shape(CreatePyramid(scene_, {}), 5, 6, 1.0);
  MeshObject& box = Shape(CreateCube(scene_, {"Box", 2.0f, 6.0f, 4.0f, false}), 8, 12, 3.741657);
  ExpectNear(box.points[0], {-1.0f, -2.0f, -3.0f});
  ExpectNear(box.points[6], {1.0f, 2.0f, 3.0f});
  ExpectNear(Built(CreateCube(scene_, {"Eq", 2.0f, 6.0f, 4.0f, true})).points[6], {1, 1, 1});
  MeshObject& s = Shape(CreateMeshSphere(scene_, {"S", 1.0f, 3, 2, false}), 5, 6, 1.0);
  ExpectNear(s.points[1], {0.0f, -1.0f, 0.0f});
  ExpectNear(s.points[2], {0.5f, 0.0f, 0.8660254f});  // the equator ring, θ = 90, φ = 120
  for (uint32_t i = 0; i < 6; ++i) EXPECT_EQ(s.triangles[i].a, i < 3 ? 0u : 1u);  // caps
  // H = 6 points per ring, V = 4 (3 rings): ring i, position j at (i - 1) H + 1 + j.
  MeshObject& s2 = Shape(CreateMeshSphere(scene_, {"S2", 2.0f, 6, 4, false}), 20, 36, 2.0);
  ExpectNear(s2.points[7], {-1.4142136f, 1.4142136f, 0.0f});  // ring 1 (θ 45), j 6 (φ 360)
  // V takes the value of H.
  EXPECT_EQ(Built(CreateMeshSphere(scene_, {"E", 1.0f, 4, 99, true})).point_count, 3u * 4u + 2u);
  MeshObject& c = Shape(CreateCylinder(scene_, {"C", 2.0f, 1.0f, 3, false}), 6, 8, 1.4142136);
  for (uint32_t k = 0; k < 3; ++k) ExpectNear(c.points[3 + k], c.points[k] - Vec3{0, 2, 0});
  EXPECT_EQ(c.points[0].y, 1.0f);
  MeshObject& cw = Built(CreateCylinder(scene_, {"CW", 2.0f, 1.0f, 6, true}));
  EXPECT_NEAR(cw.points[0].x, 0.96592583, 1e-6);  // the radius from the segment width
  // T = 8 gives a closed profile of 8 points; S = 16 gives 17 rings round the circle.
  MeshObject& t = Shape(CreateTorus(scene_, {"T", 3.0f, 16, 1.0f, 8}), 17 * 8, 17 * 16, 4.0);
  for (uint32_t k = 0; k < 8; ++k) EXPECT_NEAR(Distance(t.points[k], {3, 0, 0}), 1.0, 1e-6);
  ExpectNear(t.points[0], {3.0f, 1.0f, 0.0f});
  // A 2-point profile: E = 2n - 2, not closed.
  MeshObject& band = Shape(CreateTorus(scene_, {"B", 3.0f, 5, 1.0f, 1}), 12, 12, 4.0, false);
  ExpectNear(band.points[1], {3.0f, -1.0f, 0.0f});
  EXPECT_EQ(Built(CreateTorus(scene_, {"B2", 3.0f, 5, 1.0f, 2})).point_count, 12u);  // T' = 1
}

// A taken name is refused before the counts (the mesh sphere in German), except by the torus.
TEST_F(ModellingScene, TakenNamesBadCountsAndBadSizesAreRefused) {
  Built(CreateCube(scene_, {}));
  Built(CreateCube(scene_, {"Ball", 1, 1, 1, false}));
  Built(CreateCube(scene_, {"Torus", 1, 1, 1, false}));
  Remember();
  const char *taken = kNameTakenText, *few = "The number of segments must be greater than 2.";
  ExpectRefused(CreateTriangle(scene_, {"Cube", 1, 1, false}), "Error", taken);
  ExpectRefused(CreateCone(scene_, {"Cube", 1, 0, 1, false}), "Error", taken);
  ExpectRefused(CreateCylinder(scene_, {"Cube", 1, 1, 0, false}), "Error", taken);
  ExpectRefused(CreateMeshSphere(scene_, {"Ball", 1.0f, 2, 1, false}), "Fehler",
                "Es existiert bereits ein Objekt mit dem gleichen Namen.\nBitte ändern sie den "
                "Namen !");
  ExpectRefused(CreateMeshSphere(scene_, {"S", 1.0f, 3, 1, false}), "Error",
                "The number of segments must be greater than 1.");
  ExpectRefused(CreateTorus(scene_, {"Torus", 3.0f, 2, 1.0f, 8}), "Attention",
                "The number of Ring-Segments must be greater than 2.");
  ExpectRefused(CreateTorus(scene_, {"Torus", 3.0f, 16, 1.0f, 8}), "Error", taken);
  ExpectRefused(CreateNAngle(scene_, {"N", INT_MIN, 1, false}), "Error", few);
  ExpectRefused(CreateCone(scene_, {"N", 1, 0, 1, false}), "Error", few);
  ExpectRefused(CreateCylinder(scene_, {"N", 1, 1, INT_MIN, false}), "Attention", few);
  ExpectRefused(CreateMeshSphere(scene_, {"N", 1.0f, 2, 10, false}), "Error", few);
  ExpectRefused(CreateTorus(scene_, {"N", 3, 16, 1, INT_MIN}), "Attention",
                "The number of Tube-Segments must be greater than 0.");
  for (const CommandResult& r :
       {CreateNAngle(scene_, {"N", 10001, 1, false}),
        CreateCone(scene_, {"N", 1, INT_MAX, 1, false}),
        CreateCylinder(scene_, {"N", 1, 1, 10001, false}),
        CreateMeshSphere(scene_, {"N", 1, INT_MAX, 3, false}),
        CreateMeshSphere(scene_, {"N", 1, 3, 10001, false}),
        CreateTorus(scene_, {"N", 3, 10001, 1, 8}), CreateTorus(scene_, {"N", 3, 16, 1, INT_MAX})})
    ExpectRefused(r, "Error", kTooManySegmentsText);
  // Within the per-direction bound but too many in all.
  ExpectRefused(CreateMeshSphere(scene_, {"N", 1, 2000, 1001, false}), "Error",
                kTooManyTrianglesText);
  ExpectRefused(CreateTorus(scene_, {"N", 3, 10000, 1, 10000}), "Error", kTooManyTrianglesText);
  for (float bad : {kNaN, -kInf, 1e16f}) {
    for (const CommandResult& r :
         {CreateTriangle(scene_, {"X", bad, 1, false}),
          CreateQuadrangle(scene_, {"X", 1, bad, false}), CreateNAngle(scene_, {"X", 5, bad, true}),
          CreatePyramid(scene_, {"X", bad, 1, false}), CreateCone(scene_, {"X", 1, 5, bad, false}),
          CreateCube(scene_, {"X", 1, bad, 1, false}),
          CreateMeshSphere(scene_, {"X", bad, 5, 5, false}),
          CreateCylinder(scene_, {"X", bad, 1, 5, false}),
          CreateTorus(scene_, {"X", 3, 5, bad, 5})})
      ExpectRefused(r, "Error", kBadSizeText);
  }
  Built(CreateCube(scene_, {"Fine", 1, kNaN, kNaN, true}));  // "equal" ignores those fields
  // The largest accepted counts.
  Shape(CreateMeshSphere(scene_, {"S", 1, 10000, 2, false}), 10002, 20000, 1, false);
  MeshObject& tor = Built(CreateTorus(scene_, {"T", 3, 10000, 1, 3}));
  EXPECT_EQ(tor.point_count, 10001u * 3u);
  ExpectIndicesInRange(tor);
}

// Above the water level the height counts from the level; below it the floor is flat at 0.
TEST_F(ModellingScene, FieldsOnAPlaneOrASphereWithWaterLevelsScansAndRefusals) {
  ExpectRefused(CreateHeightField(scene_, Field("F")), "Attention",
                "There are no textures loaded!\nPlease load or create a textur first!");
  EXPECT_EQ(ScanImage(scene_, HalfScan()).text, kNoTexturesText);
  AddTexture("white", 2, 2, 0);
  AddTexture("black", 2, 2, 2);
  MeshObject* mesh = &Built(CreateHeightField(scene_, Field("F")));
  ExpectCounts(*mesh, 9u, 8u);
  for (uint32_t i = 0; i < 9; ++i)
    ExpectNear(mesh->points[i], {-5.0f + 5.0f * (i % 3), 5.0f, -5.0f + 5.0f * (i / 3)});
  // Cell (1, 0): triangles 4 and 5 split along P(1, 1)-P(2, 0).
  ExpectTriangle(*mesh, 4, 3, 4, 6);
  ExpectTriangle(*mesh, 5, 7, 6, 4);
  const std::tuple<const char*, const char*, float, float> cases[] = {
      {"Top", "white", 5, 0}, {"Shallow", "white", 1, 4}, {"Dark", "black", 1, 0}};
  for (const auto& [name, texture, level, y] : cases) {
    SCOPED_TRACE(name);
    HeightFieldInput in = Field(name, 2, 2, texture);
    in.water_level = level;
    mesh = &Built(CreateHeightField(scene_, in));
    for (uint32_t i = 0; i < mesh->point_count; ++i) EXPECT_NEAR(mesh->points[i].y, y, 1e-5f);
  }
  mesh = &Built(CreateHeightField(scene_, Field("Row", 10000, 1)));  // the longest row
  ExpectCounts(*mesh, 20002u, 20000u);
  EXPECT_FLOAT_EQ(mesh->points[10000].x, 5.0f);
  HeightFieldInput in = Field("Ball", 8, 4);  // on a sphere of radius size_x
  in.sphere = true, in.size_x = 3.0f, in.height = 1.0f;
  mesh = &Built(CreateHeightField(scene_, in));
  ASSERT_EQ(mesh->point_count, 45u);
  for (uint32_t i = 0; i < mesh->point_count; ++i)
    EXPECT_NEAR(mesh->points[i].Length(), 4.0, 1e-5) << i;  // radius 3 plus full height 1
  EXPECT_NEAR(mesh->points[0].y, -4.0f, 1e-5f);             // row 0: the bottom pole
  EXPECT_NEAR(mesh->points[18].x, 4.0f, 1e-5f);             // row 2, column 0: on the equator at +X
  // The scan keeps the bright cells and their points only.
  AddTexture("half", 8, 4, 4);
  AddTexture("dark", 8, 4, 8);  // no white column
  mesh = &Built(ScanImage(scene_, HalfScan()));
  // Cells sample their corner at u = 0.999 c / 8: columns 5 to 7 read white; column 4 reads
  // the last black texel (filtered brightness 0.498) and stays empty.
  ExpectCounts(*mesh, 12u, 12u);
  std::set<uint32_t> used;
  for (uint32_t i = 0; i < mesh->triangle_count; ++i)
    for (uint32_t k : Corners(*mesh, i)) used.insert(k);
  EXPECT_EQ(used.size(), 12u);  // every kept point is used
  EXPECT_DOUBLE_EQ(Area(*mesh), 3.0 * 2.0);
  // Points keep their grid order: first row y = -1 from x = 1 to 4.
  EXPECT_EQ(mesh->points[0], (Vec3{1, -1, 0}));
  EXPECT_EQ(mesh->points[11], (Vec3{4, 1, 0}));
  ExpectTriangle(*mesh, 0, 0, 1, 4);
  MeshObject& empty = Built(ScanImage(scene_, HalfScan("Black", "dark")));
  EXPECT_EQ(empty.point_count + empty.triangle_count, 0u);
  Remember();
  ExpectRefused(CreateHeightField(scene_, Field("F", 2, 2, "")), "Error",
                "You must select a texture.");
  in = Field("F", 2, 2, "missing");
  EXPECT_EQ(CreateHeightField(scene_, in).text, "You must select a texture.");
  in.texture = "white";
  EXPECT_EQ(CreateHeightField(scene_, in).text, kNameTakenText);
  const std::tuple<int64_t, int64_t, const char*> counts[] = {{0, 2, kSubdivisionsText},
                                                              {1000000000, 2, kTooManySegmentsText},
                                                              {2000, 2000, kTooManyTrianglesText}};
  for (const auto& [nx, nz, text] : counts)
    EXPECT_EQ(CreateHeightField(scene_, Field("Other", nx, nz)).text, text) << nx;
  in = Field("Other"), in.height = kNaN;
  EXPECT_EQ(CreateHeightField(scene_, in).text, kBadSizeText);
  in.height = 0.0f;  // no height at all: a flat field, not a division by zero
  MeshObject* flat = &Built(CreateHeightField(scene_, in));
  for (uint32_t i = 0; i < flat->point_count; ++i) EXPECT_EQ(flat->points[i].y, 0.0f);
  Remember();
  ImageScanInput scan = HalfScan();
  scan.texture = "";
  ExpectRefused(ScanImage(scene_, scan), "Fehler", "You must select a texture first.");
  scan.texture = "half";
  ExpectRefused(ScanImage(scene_, scan), "Error", kNameTakenText);
  scan.name = "Scan2", scan.subdivisions_y = 0;
  EXPECT_EQ(ScanImage(scene_, scan).text, kSubdivisionsText);
  scan.subdivisions_y = 2, scan.threshold = kNaN;
  EXPECT_EQ(ScanImage(scene_, scan).text, kBadSizeText);
}

TEST_F(ModellingScene, SamplesStopAtU0999AndNeverWrapToTheFirstColumn) {
  // Column 0 black, column 1 white: at u = 1 the lookup would wrap to the black column.
  AddTexture("edge", 2, 1, 1);
  MeshObject* mesh = &Built(CreateHeightField(scene_, Field("F", 1, 2, "edge")));
  ASSERT_EQ(mesh->point_count, 6u);
  EXPECT_FLOAT_EQ(mesh->points[0].y, 0.0f);
  // The filtered lookup at u = 0.999 mixes the white texel with its wrapped black neighbour.
  EXPECT_GT(mesh->points[1].y, 0.45f * 5.0f);
  EXPECT_NEAR(mesh->points[1].y, 5.0f * BrightnessAt(*FindTexture(scene_.images, "edge"), 0.999, 0),
              1e-5f);
}

TEST_F(ModellingScene, UndoesAllThreeStoredAnglesBeforeTurning) {
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

TEST_F(ModellingScene, LookAtTurnsMeshesFramesMappingsAndCameras) {
  auto mesh = MakeMesh({{0, 0, 1}});
  EXPECT_EQ(LookAtReference(mesh.get(), &right_, EditMode::kObject).item, mesh.get());
  ExpectNear(mesh->placement.axis_deg, {0, 90, 0});
  ExpectNear(mesh->placement.axis_Z, {1, 0, 0});
  ExpectNear(mesh->points[0], {1, 0, 0});
  EXPECT_EQ(mesh->preview_dirty, 1);
  // Turning towards a point ahead first undoes the earlier turn.
  LookAtReference(mesh.get(), &ahead_, EditMode::kObject);
  ExpectNear(mesh->placement.axis_deg, {0, 0, 0});
  ExpectNear(mesh->points[0], {0, 0, 1});
  // Axis mode turns only the frame, texture mode only the mapping object.
  auto axis = MakeMesh({{0, 0, 1}}), texture = MakeMesh({{0, 0, 1}});
  LookAtReference(axis.get(), &right_, EditMode::kAxis);
  ExpectNear(axis->placement.axis_Z, {1, 0, 0});
  EXPECT_EQ(axis->points[0], (Vec3{0, 0, 1}));
  ExpectNear(axis->mapping_object->placement.axis_Z, {0, 0, 1});
  EXPECT_EQ(LookAtReference(texture.get(), &right_, EditMode::kTexture).item,
            texture->mapping_object);
  ExpectNear(texture->mapping_object->placement.axis_deg, {0, 90, 0});
  ExpectNear(texture->mapping_object->placement.axis_Z, {1, 0, 0});
  EXPECT_EQ(texture->placement.axis_deg, (Vec3{0, 0, 0}));
  EXPECT_EQ(texture->points[0], (Vec3{0, 0, 1}));
  Camera camera;
  camera.placement.axis_deg = Vec3{0, 45, 0};  // stored, but the frame is the identity
  LookAtReference(&camera, &right_, EditMode::kObject);
  ExpectNear(camera.placement.axis_Z, {1, 0, 0});  // not turned back first
  ExpectNear(camera.placement.axis_deg, {0, 90, 0});
  for (const CommandResult& r : {LookAtReference(nullptr, &ball_, EditMode::kObject),
                                 LookAtReference(&ball_, nullptr, EditMode::kObject)})
    ExpectRefused(r, kNoUsableObjectTitle,
                  "There is no object selected which is usable with this function.");
  ball_.placement.axis_deg = Vec3{0, 30, 0};
  ball_.placement.RotateAxesAboutAxis(30, Vec3{0, 1, 0});
  ASSERT_TRUE(LookAtReference(&ball_, &ball_, EditMode::kObject).ok());
  EXPECT_EQ(ball_.placement.axis_deg, (Vec3{0, 0, 0}));
  ExpectNear(ball_.placement.axis_Z, {0, 0, 1});
}

TEST_F(ModellingScene, EqualizeScalesAboutTheWorldOriginToTheReferenceExtentsAndCentres) {
  auto cube = MakeCube();
  for (const CommandResult& r :
       {EqualizeToReference(nullptr, cube.get()), EqualizeToReference(cube.get(), nullptr),
        EqualizeToReference(cube.get(), cube.get())})
    ExpectRefused(r, "Hinweis",
                  "You should select the reference object and another current object.");
  for (const CommandResult& r :
       {EqualizeToReference(&right_, cube.get()), EqualizeToReference(cube.get(), &right_)})
    ExpectRefused(r, "Attention",
                  "The current object and the reference object must be 3D-Mesh-Objects!");
  for (uint32_t i = 0; i < cube->point_count; ++i) cube->points[i] += Vec3{1, 1, 1};
  cube->placement.axis_deg = Vec3{0, 90, 0};  // the editor's Object mode must not matter
  MeshSettings().coordinate_mode = CoordinateMode::kObject;
  auto box = MakeMesh({{-1, 0, 0}, {1, 4, 6}});
  ASSERT_TRUE(EqualizeToReference(cube.get(), box.get()).ok());
  EXPECT_EQ(cube->points[0], (Vec3{2, 4, 6}));
  EXPECT_EQ(cube->points[6], (Vec3{4, 8, 12}));
  EXPECT_EQ(cube->scale, (Vec3{1, 1, 1}));
  EXPECT_EQ(cube->scale_center, nullptr);
  EXPECT_EQ(MeshSettings().coordinate_mode, CoordinateMode::kObject);
  // Flat axes keep their size; an empty mesh is left as it is.
  auto flat = MakeMesh({{0, 0, 0}, {1, 1, 0}});
  ASSERT_TRUE(EqualizeToReference(flat.get(), box.get()).ok());
  EXPECT_EQ(flat->points[1], (Vec3{2, 4, 0}));
  MeshObject empty;
  ExpectNothing(EqualizeToReference(&empty, box.get()));
  // Centring moves only the position, to the middle of the points.
  auto tri = MakeMesh({{0, 0, 0}, {2, 4, 6}, {1, -1, 1}});
  tri->placement.position = Vec3{9, 9, 9};
  tri->placement.axis_X = Vec3{0, 1, 0};
  ASSERT_TRUE(CenterAxis(tri.get()).ok());
  EXPECT_EQ(tri->placement.position, (Vec3{1, 1.5f, 3}));
  EXPECT_EQ(tri->placement.axis_X, (Vec3{0, 1, 0}));
  EXPECT_EQ(tri->points[1], (Vec3{2, 4, 6}));
  right_.placement.position = empty.placement.position = Vec3{5, 5, 5};
  for (SceneObject* item : Objects{&right_, &empty, nullptr}) EXPECT_FALSE(CenterAxis(item).ok());
  EXPECT_EQ(right_.placement.position, (Vec3{5, 5, 5}));
  EXPECT_EQ(empty.placement.position, (Vec3{5, 5, 5}));
}

TEST_F(ModellingScene, MappingPlaneAndSphereFitTheMeshAndEqualizeRefits) {
  auto mesh = MakeMesh({{0, 0, 0}, {4, 2, 1}});
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
  // The sphere gets half the diagonal.
  ASSERT_TRUE(ChooseMapping(mesh.get(), MappingKind::kSphere, nullptr).ok());
  auto* sphere = dynamic_cast<MathSphere*>(mesh->mapping_object);
  ASSERT_NE(sphere, nullptr);
  EXPECT_FLOAT_EQ(sphere->radius(), static_cast<float>(std::sqrt(5.25)));
  // Moving and turning the mesh takes the mapping object along; equalize fits it afresh.
  Ray step;
  step.length = 1, step.direction = Vec3{10, 0, 0};
  mesh->Move(step);
  mesh->RotateAxesAboutAxis(30, Vec3{0, 1, 0});
  sphere->placement.axis_deg = Vec3{0, 30, 0};
  sphere->SetScale(2, 2, 2);
  ASSERT_TRUE(EqualizeMapping(mesh.get()).ok());
  const Vec3 lo = mesh->points[0], hi = mesh->points[1];  // the box's centre and diagonal
  ExpectNear(sphere->placement.position, (lo + hi) * 0.5, 1e-4f);
  EXPECT_EQ(sphere->placement.axis_Y, (Vec3{0, 1, 0}));
  EXPECT_EQ(sphere->placement.axis_deg, (Vec3{0, 0, 0}));
  EXPECT_EQ(sphere->scale, (Vec3{1, 1, 1}));
  EXPECT_NEAR(sphere->radius(), (hi - lo).Length() / 2, 1e-4);
  // An empty mesh gets a sphere of radius 0; other objects are left alone.
  MeshObject empty;
  ASSERT_TRUE(ChooseMapping(&empty, MappingKind::kSphere, nullptr).ok());
  EXPECT_EQ(empty.mapping_object->placement.position, (Vec3{0, 0, 0}));
  EXPECT_EQ(dynamic_cast<MathSphere*>(empty.mapping_object)->radius(), 0.0f);
  for (const CommandResult& r :
       {ChooseMapping(nullptr, MappingKind::kPlane, nullptr), EqualizeMapping(nullptr)})
    EXPECT_EQ(r.text, kNoUsableObjectText);
  EXPECT_FALSE(ChooseMapping(&ball_, MappingKind::kPlane, nullptr).HasMessage());
  EXPECT_FALSE(EqualizeMapping(&ball_).HasMessage());
  SceneObject* before = empty.mapping_object;
  FailNextAllocations(1);
  EXPECT_EQ(ChooseMapping(&empty, MappingKind::kPlane, nullptr).text, kOutOfMemoryText);
  EXPECT_EQ(empty.mapping_object, before);
}

TEST_F(ModellingScene, DragDoublesTheBoundarySubdivideHalvesNeighbours) {
  auto mesh = MakeMesh({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 3}});
  Points selection = {0, 1, 2, 3};
  ASSERT_TRUE(DragPoints(mesh.get(), selection).ok());
  ExpectCounts(*mesh, 8u, 10u);
  for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(mesh->points[4 + i], mesh->points[i]);
  const Tris tris = {{4, 5, 6}, {4, 6, 7}, {0, 1, 4}, {1, 5, 4}, {1, 2, 5},
                     {2, 6, 5}, {0, 3, 4}, {3, 7, 4}, {2, 3, 6}, {3, 7, 6}};
  for (uint32_t i = 0; i < tris.size(); ++i) EXPECT_EQ(Corners(*mesh, i), tris[i]);
  EXPECT_EQ(selection, (Points{4, 5, 6, 7}));
  EXPECT_EQ(mesh->preview_dirty, 1);
  // Both need more than two points and a selected triangle.
  auto cube = MakeCube();
  Points two = {4, 5}, no_face = {0, 5, 7}, stale = {4, 5, 6, 7, 99};
  for (Points* s : {&two, &no_face, &stale}) {
    Points added;
    ExpectNothing(SubdividePoints(cube.get(), *s, &added));
    EXPECT_TRUE(added.empty());
    ExpectNothing(DragPoints(cube.get(), *s));
  }
  EXPECT_EQ(stale.back(), 99u);
  EXPECT_FALSE(DragPoints(nullptr, no_face).ok());
  EXPECT_FALSE(SubdividePoints(nullptr, two, nullptr).ok());
  EXPECT_FALSE(SubdividePoints(MakePath({}).get(), two, nullptr).ok());
  ExpectCounts(*cube, 8u, 12u);
  // A wholly selected closed mesh has no boundary to drag out.
  Points all = {0, 1, 2, 3, 4, 5, 6, 7};
  ASSERT_TRUE(DragPoints(cube.get(), all).ok());
  EXPECT_EQ(cube->triangle_count, 12u);
  EXPECT_EQ(all, (Points{0, 1, 2, 3, 4, 5, 6, 7}));
  // Subdividing halves the neighbours across split edges, so the cube stays closed.
  auto split = MakeCube();
  Points added;
  ASSERT_TRUE(SubdividePoints(split.get(), Points{4, 5, 6, 7}, &added).ok());
  EXPECT_EQ(added.size(), 5u);  // four rim edges and the diagonal
  ExpectCounts(*split, 13u, 12u + 2 * 3 + 4);
  ExpectClosedOutward(*split);
  EXPECT_NEAR(Area(*split), 6.0, 1e-6);
  for (uint32_t p : added) EXPECT_EQ(split->points[p].y, 1.0f);
  // Degenerate triangles are left alone; a neighbour across one split edge is halved,
  // whichever corner the edge starts at.
  auto flat = MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {-1, 0, 0}, {0.5f, -1, 0}},
                       {{0, 1, 2}, {0, 0, 1}, {3, 2, 1}, {2, 4, 0}, {1, 0, 5}});
  ASSERT_TRUE(SubdividePoints(flat.get(), Points{0, 1, 2}, nullptr).ok());
  EXPECT_EQ(flat->triangle_count, 4u + 1u + 3u * 2u);
  EXPECT_NEAR(Area(*flat), 2.0, 1e-6);
  EXPECT_EQ(Corners(*flat, 1), (Tri{0, 0, 1}));
  ExpectIndicesInRange(*flat);
}

// Linear shapes spread the width over n - 1 steps; circles go round once without repeating the
// first point; the screw climbs by width / n per point; the spiral's radius shrinks by width / n.
TEST_F(ModellingScene, NewPathShapesAndMeshesGiveTheirPointsAndRefusalsBuildNothing) {
  using enum PathShape;
  const std::tuple<int64_t, float, float, PathShape, std::vector<Vec3>> cases[] = {
      {5, 8.0f, 360.0f, kLinearX, {{0, 0, 0}, {2, 0, 0}, {4, 0, 0}, {6, 0, 0}, {8, 0, 0}}},
      {3, 4.0f, 0.0f, kLinearZ, {{0, 0, 0}, {0, 0, 2}, {0, 0, 4}}},
      {4, 1.0f, 0.0f, kCircleXY, {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}}},
      {4, 2.0f, 0.0f, kCircleXZ, {{2, 0, 0}, {0, 0, 2}, {-2, 0, 0}, {0, 0, -2}}},
      {4, 2.0f, 360.0f, kScrewXZ, {{2, 0, 0}, {0, 0.5f, 2}, {-2, 1, 0}, {0, 1.5f, -2}}},
      {2, 2.0f, 360.0f, kSpiralXZ, {{2, 0, 0}, {-1, 1, 0}}},
  };
  int made = 0;
  for (const auto& [n, width, angle, shape, points] : cases) {
    const String name = String("P") + String().Str(++made);
    MeshObject& p = Built(NewPath(scene_, name, n, width, angle, shape));
    EXPECT_STREQ(p.TypeName(), "Path");
    EXPECT_EQ(p.name, name);
    EXPECT_EQ(scene_.objects->tail->item, &p);
    ASSERT_EQ(p.point_count, points.size());
    for (uint32_t i = 0; i < p.point_count; ++i) ExpectNear(p.points[i], points[i]);
  }
  // Long paths keep room for twice their points.
  MeshObject& big = Built(NewPath(scene_, "Big", 150, 1.0f, 0.0f, kCircleXY));
  EXPECT_GE(big.point_capacity, 300u);
  const Vec3 first = big.points[0];
  EXPECT_EQ(big.AppendPoint(Vec3{9, 9, 9}), 1);
  EXPECT_EQ(big.points[0], first);
  MeshObject& huge = Built(NewPath(scene_, "Huge", kMaxNewPathPoints, 1.0f, 0.0f, kLinearX));
  EXPECT_EQ(huge.point_count, static_cast<uint32_t>(kMaxNewPathPoints));
  EXPECT_FLOAT_EQ(huge.points[huge.point_count - 1].x, 1.0f);
  Add(new MeshObject(), "Path");
  Remember();
  const std::tuple<const char*, int64_t, float, float, PathShape, const char*> refused[] = {
      {"Path", 1, 1.0f, 0.0f, kLinearX, kNameTakenText},  // the name comes first
      {"New", 1, 1.0f, 0.0f, kLinearX, "The number of points must be greater than 1!"},
      {"New", 1000000000, 1, 0, kLinearX, "The number of points must not be greater than 2000000!"},
      {"New", 5, kNaN, 0.0f, kLinearX, kBadSizeText},
      {"New", 5, 1.0f, kInf, kScrewXZ, kBadSizeText},
      {"New", 5, 1.0f, 0.0f, static_cast<PathShape>(6), "Unknown basic look of the path!"},
  };
  for (const auto& [name, n, width, angle, shape, text] : refused)
    ExpectRefused(NewPath(scene_, name, n, width, angle, shape), "Error", text);
  MeshObject* mesh = Add(MakeMesh({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}).release(), "Mesh");
  MeshObject& path = Built(PathFromMesh(scene_, mesh));
  EXPECT_EQ(path.name, "Pfad1");
  EXPECT_EQ(path.is_path, 1);
  ASSERT_EQ(path.point_count, 3u);
  for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(path.points[i], mesh->points[i]);
  mesh->points[0] = Vec3{0, 0, 0};
  EXPECT_EQ(path.points[0], (Vec3{1, 2, 3})) << "the path has its own points";
  EXPECT_EQ(Built(PathFromMesh(scene_, mesh)).name, "Pfad2");
  MeshObject* line = Add(MakePath({}).release(), "Line");
  Remember();
  for (SceneObject* current : Objects{nullptr, &ball_})
    ExpectRefused(PathFromMesh(scene_, current), "Attention",
                  "There is no 3D-Mesh_object choosen.");
  ExpectRefused(PathFromMesh(scene_, line), "Attention", "The current object is a path.");
}

TEST_F(ModellingScene, CopiesGetTheNextFreeNamesTheirOwnDataAndListsAndBadCountsAreRefused) {
  ExpectRefused(Copy(nullptr, 3), "Attention", kNoClipboardText);
  ExpectRefused(CopyNumber(scene_, &ball_, 0, true, "G", nullptr, false), "Error",
                "The number of copies must be greater than 0.");
  EXPECT_EQ(Copy(&ball_, kMaxCopies + 1).text,
            "The number of copies must not be greater than 10000.");
  std::unique_ptr<MeshObject> big(new MeshObject());
  ASSERT_EQ(big->SetPointCount(1u << 20), 0);  // 12 MiB: 100 copies exceed the bound
  big->name = "Big";
  EXPECT_EQ(Copy(big.get(), 100).text, kCopiesTooLargeText);
  LightSource light;
  ASSERT_TRUE(Copy(Named(&light, "Licht"), 3).ok());
  EXPECT_EQ(Names(scene_.lights), (Strings{"Licht1", "Licht2", "Licht3"}));
  Camera camera;
  ASSERT_TRUE(Copy(Named(&camera, "Kamera"), 2).ok());
  EXPECT_EQ(Names(scene_.cameras), (Strings{"Standard_Kamera", "Kamera1", "Kamera2"}));
  EXPECT_EQ(scene_.objects->count, 0);
  Add(new MeshObject(), "Cube");
  Add(new MeshObject(), "Cube2");
  auto clip = MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  clip->placement.position = Vec3{5, 0, 0};
  const CommandResult r = Copy(Named(clip.get(), "Cube"), 3);
  ASSERT_TRUE(r.ok()) << r.text;
  EXPECT_EQ(Names(scene_.objects), (Strings{"Cube", "Cube2", "Cube1", "Cube3", "Cube4"}));
  EXPECT_EQ(r.item, scene_.objects->tail->item);
  for (SceneObject* item : Items(scene_.objects)) {
    auto* copy = dynamic_cast<MeshObject*>(item);
    if (copy->point_count == 0) continue;  // the two originals
    EXPECT_NE(copy->points, clip->points);
    EXPECT_EQ(copy->triangle_count, 1u);
    EXPECT_EQ(copy->placement.position, clip->placement.position);
    EXPECT_EQ(copy->preview_dirty, 1);
    EXPECT_EQ(copy->parent, nullptr);
  }
  ASSERT_TRUE(Copy(&ball_, kMaxCopies).ok());
  EXPECT_EQ(scene_.objects->count, 5 + kMaxCopies);
  EXPECT_EQ(static_cast<SceneObject*>(scene_.objects->tail->item)->name, "Ball10000");
}

TEST_F(ModellingScene, GroupsCollectTheCopiesAndLoseTheirMappingLeftovers) {
  const CommandResult r = CopyNumber(scene_, &ball_, 2, true, "Row", nullptr, false);
  ASSERT_TRUE(r.ok()) << r.text;
  auto* group = dynamic_cast<GroupObject*>(r.item);
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->name, "Row1");
  EXPECT_EQ(scene_.objects->tail->item, group);
  EXPECT_EQ(Names(&group->members), (Strings{"Ball1", "Ball2"}));
  for (SceneObject* member : Items(&group->members)) EXPECT_EQ(member->parent, group);
  // A second run counts on past the members of the first group.
  EXPECT_EQ(Copy(&ball_, 1).item->name, "Ball3");
  // The current group receives the copies unless the top level is chosen.
  auto* outer = Add(new GroupObject(), "Outer");
  ASSERT_TRUE(Copy(&ball_, 2, outer).ok());
  EXPECT_EQ(outer->members.count, 2);
  ASSERT_TRUE(CopyNumber(scene_, &ball_, 1, false, "", outer, true).ok());
  EXPECT_EQ(outer->members.count, 2);
  EXPECT_EQ(scene_.objects->count, 4);
  const CommandResult grouped = CopyNumber(scene_, &ball_, 1, true, "Inner", outer, false);
  ASSERT_TRUE(grouped.ok());
  EXPECT_EQ(grouped.item->parent, outer);
  EXPECT_EQ(outer->members.tail->item, grouped.item);
  GroupObject clip;
  clip.AddMember(Named(new MeshObject(), "Body"));
  clip.AddMember(Named(new MathSphere(1.0f), "Body_mat_object"));
  const CommandResult copied = Copy(Named(&clip, "G"), 1);
  ASSERT_TRUE(copied.ok());
  EXPECT_EQ(Names(&dynamic_cast<GroupObject*>(copied.item)->members), (Strings{"Body"}));
  EXPECT_EQ(clip.members.count, 2) << "the clipboard item stays as it is";
}

TEST_F(ModellingScene, CopyingAGroupIntoItselfDoesNotCopyTheCopies) {
  auto* group = Add(new GroupObject(), "G");
  group->AddMember(Named(new MathSphere(1.0f), "M"));
  ASSERT_TRUE(CopyNumber(scene_, group, 3, false, "", group, false).ok());
  EXPECT_EQ(group->members.count, 1);
  EXPECT_EQ(scene_.objects->count, 4);
}

// An item whose Clone gives out after a number of copies.
struct FlakyItem : SceneObject {
  explicit FlakyItem(int* budget) : budget_(budget) {}
  SceneObject* Clone() const override { return (*budget_)-- <= 0 ? nullptr : new FlakyItem(*this); }
  const char* TypeName() const override { return "Flaky"; }
  int* budget_;
};

TEST_F(ModellingScene, RunningOutOfMemoryPartWayTakesEveryCopyBack) {
  auto* outer = Add(new GroupObject(), "Outer");
  int budget = 2;
  FlakyItem clip(&budget);
  clip.name = "F";
  for (bool in_group : {false, true}) {
    budget = 2;
    EXPECT_EQ(CopyNumber(scene_, &clip, 5, in_group, "G", outer, false).text, kOutOfMemoryText);
    EXPECT_EQ(outer->members.count, 0);
    EXPECT_EQ(outer->current_member, nullptr);
    EXPECT_EQ(scene_.objects->count, 1);
  }
  FailNextAllocations(1);  // the new group itself
  EXPECT_EQ(CopyNumber(scene_, &clip, 1, true, "G", nullptr, false).text, kOutOfMemoryText);
  EXPECT_EQ(scene_.objects->count, 1);
}

TEST_F(ModellingScene, OneCopyLandsOnEveryPointFromTheLastToTheFirst) {
  MeshObject* target = Add(MakeMesh({{1, 0, 0}, {0, 2, 0}, {0, 0, 3}}).release(), "Target");
  ball_.placement.position = Vec3{5, 5, 5};
  ASSERT_TRUE(CopyToMeshPoints(scene_, &ball_, false, "", target, false).ok());
  const std::vector<SceneObject*> items = Items(scene_.objects);
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[1]->name, "Ball1");
  for (uint32_t i = 0; i < 3; ++i) ExpectNear(items[3 - i]->placement.position, target->points[i]);
  EXPECT_EQ(ball_.placement.position, (Vec3{5, 5, 5}));
  // Mesh copies carry their points along into the group; paths have points too.
  MeshObject* path = Add(MakePath({{10, 0, 0}, {0, 0, -10}}).release(), "Path");
  auto clip = MakeMesh({{1, 1, 1}, {2, 1, 1}, {1, 2, 1}}, {{0, 2, 1}});
  clip->name = "Tri";
  clip->placement.position = Vec3{1, 1, 1};
  const CommandResult r = CopyToMeshPoints(scene_, clip.get(), true, "Copies", path, false);
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
  MeshObject *empty = Add(new MeshObject(), "Empty"), *dense = Add(new MeshObject(), "Dense");
  ASSERT_EQ(dense->SetPointCount(static_cast<uint32_t>(kMaxCopies) + 1), 0);
  Remember();
  for (SceneObject* current : Objects{nullptr, &right_})
    ExpectRefused(CopyToMeshPoints(scene_, &ball_, false, "", current, false), "Attention",
                  "The current object must be a 3D-Mesh-Object for this function!");
  EXPECT_EQ(CopyToMeshPoints(scene_, nullptr, false, "", empty, false).text, kNoClipboardText);
  ExpectNothing(CopyToMeshPoints(scene_, &ball_, true, "G", empty, false));
  ExpectRefused(CopyToMeshPoints(scene_, &ball_, false, "", dense, false), "Error",
                kTooManyCopiesText);
}

}  // namespace
}  // namespace orvane
