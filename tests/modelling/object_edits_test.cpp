#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <utility>
#include <vector>

#include "foundation/error_output.h"
#include "modelling/modelling_checks.h"
#include "modelling/object_edits.h"
#include "scene/camera.h"
#include "scene/math_plane.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"
#include "scene/recording_sink.h"

namespace orvane {
namespace {

using Tri = std::array<uint32_t, 3>;

using test::ExpectIndicesInRange;
using test::ExpectNear;
using test::MakeMesh;

// The unit cube [0,1]^3, closed, outward-facing; points 4..7 are the top (y = 1).
std::unique_ptr<MeshObject> MakeCube() {
  return MakeMesh(
      {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}, {0, 1, 0}, {1, 1, 0}, {1, 1, 1}, {0, 1, 1}},
      {{0, 1, 2},
       {0, 2, 3},
       {4, 6, 5},
       {4, 7, 6},
       {0, 4, 5},
       {0, 5, 1},  // bottom, top, front
       {3, 2, 6},
       {3, 6, 7},
       {0, 3, 7},
       {0, 7, 4},
       {1, 5, 6},
       {1, 6, 2}});  // back, left, right
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

// A closed surface without T-junctions uses every edge exactly twice, once in each direction
// when it is consistently oriented.
void ExpectClosed(const MeshObject& mesh, bool oriented) {
  std::map<std::pair<uint32_t, uint32_t>, int> uses;
  for (uint32_t i = 0; i < mesh.triangle_count; ++i) {
    const Tri t = Corners(mesh, i);
    for (int k = 0; k < 3; ++k) {
      uint32_t u = t[k], v = t[(k + 1) % 3];
      if (!oriented && u > v) std::swap(u, v);
      ++uses[{u, v}];
    }
  }
  for (const auto& [edge, count] : uses) {
    if (oriented) {
      EXPECT_EQ(count, 1) << edge.first << "-" << edge.second;
      EXPECT_EQ(uses.count({edge.second, edge.first}), 1u) << edge.first << "-" << edge.second;
    } else {
      EXPECT_EQ(count, 2) << edge.first << "-" << edge.second;
    }
  }
}

// Every face of a convex mesh around `centre` faces away from it.
void ExpectOutward(const MeshObject& mesh, const Vec3& centre) {
  for (uint32_t i = 0; i < mesh.triangle_count; ++i) {
    const Triangle& t = mesh.triangles[i];
    EXPECT_GT(Dot(RawNormal(mesh, i), mesh.points[t.a] - centre), 0.0) << "triangle " << i;
  }
}

class ObjectEditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MeshSettings() = MeshViewSettings{};
    SetErrorOutput(&errors_);
  }
  void TearDown() override {
    FailNextAllocations(0);
    SetErrorOutput(nullptr);
    MeshSettings() = MeshViewSettings{};
  }
  std::ostringstream errors_;
};

// --- look at --------------------------------------------------------------------------------

using LookAtTest = ObjectEditTest;

TEST_F(LookAtTest, MeshTurnsWithItsPointsAndRemembersTheAngles) {
  auto mesh = MakeMesh({{0, 0, 1}});
  MathSphere right(1.0f);
  right.placement.position = Vec3{4, 0, 0};
  const CommandResult r = LookAtReference(mesh.get(), &right, EditMode::kObject);
  EXPECT_EQ(r.item, mesh.get());
  ExpectNear(mesh->placement.axis_deg, {0, 90, 0});
  ExpectNear(mesh->placement.axis_Z, {1, 0, 0});
  ExpectNear(mesh->points[0], {1, 0, 0});
  EXPECT_EQ(mesh->preview_dirty, 1);

  // Turning towards a point ahead first undoes the earlier turn.
  MathSphere ahead(1.0f);
  ahead.placement.position = Vec3{0, 0, 7};
  LookAtReference(mesh.get(), &ahead, EditMode::kObject);
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
  MathSphere ahead(1.0f);
  ahead.placement.position = Vec3{0, 0, 3};
  LookAtReference(&item, &ahead, EditMode::kObject);
  // Straight along +Z is a turn by yaw 0 and pitch 0: only the undoing remains.
  ExpectNear(item.placement.axis_deg, {0, 0, 0});
  ExpectNear(item.placement.axis_X, start.axis_X, 1e-4f);
  ExpectNear(item.placement.axis_Z, start.axis_Z, 1e-4f);
}

TEST_F(LookAtTest, AxisModeTurnsOnlyTheFrameAndTextureModeTheMappingObject) {
  MathSphere right(1.0f);
  right.placement.position = Vec3{4, 0, 0};
  auto axis = MakeMesh({{0, 0, 1}});
  LookAtReference(axis.get(), &right, EditMode::kAxis);
  ExpectNear(axis->placement.axis_Z, {1, 0, 0});
  EXPECT_EQ(axis->points[0], (Vec3{0, 0, 1}));
  ExpectNear(axis->mapping_object->placement.axis_Z, {0, 0, 1});

  auto texture = MakeMesh({{0, 0, 1}});
  const CommandResult r = LookAtReference(texture.get(), &right, EditMode::kTexture);
  EXPECT_EQ(r.item, texture->mapping_object);
  ExpectNear(texture->mapping_object->placement.axis_deg, {0, 90, 0});
  ExpectNear(texture->mapping_object->placement.axis_Z, {1, 0, 0});
  EXPECT_EQ(texture->placement.axis_deg, (Vec3{0, 0, 0}));
  EXPECT_EQ(texture->points[0], (Vec3{0, 0, 1}));
}

TEST_F(LookAtTest, CamerasAreNotTurnedBackFirst) {
  Camera camera;
  camera.placement.axis_deg = Vec3{0, 45, 0};  // stored, but the frame is the identity
  MathSphere right(1.0f);
  right.placement.position = Vec3{4, 0, 0};
  LookAtReference(&camera, &right, EditMode::kObject);
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

// --- equalize and center --------------------------------------------------------------------

using EqualizeTest = ObjectEditTest;

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

// --- texture mapping ------------------------------------------------------------------------

using MappingTest = ObjectEditTest;

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

// --- drag -----------------------------------------------------------------------------------

using DragTest = ObjectEditTest;

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

TEST_F(DragTest, ExtrudingACubeFaceKeepsTheSurfaceClosed) {
  auto cube = MakeCube();
  std::vector<uint32_t> selection = {4, 5, 6, 7};
  ASSERT_TRUE(DragPoints(cube.get(), selection).ok());
  EXPECT_EQ(cube->point_count, 12u);
  EXPECT_EQ(cube->triangle_count, 20u);
  ExpectIndicesInRange(*cube);
  ExpectClosed(*cube, false);
  EXPECT_NEAR(Area(*cube), 6.0, 1e-6);  // the walls have no height yet
  // Pulling the selection out makes a taller box of the same closed shape.
  for (uint32_t s : selection) cube->points[s].y += 1;
  EXPECT_NEAR(Area(*cube), 10.0, 1e-6);
  // The triangles that were selected moved with the new points; the sides stayed on the old.
  EXPECT_EQ(cube->points[cube->triangles[2].a].y, 2.0f);
  EXPECT_EQ(cube->points[cube->triangles[4].a].y, 0.0f);
}

TEST_F(DragTest, CornersOffTheirOwnBoundaryEdgesMoveToTheNewLayerToo) {
  // A fan about point 0: the middle triangle touches the rim at 0 only through a vertex.
  auto fan = MakeMesh({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {-1, 1, 0}, {5, 5, 5}},
                      {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {4, 3, 5}});
  std::vector<uint32_t> selection = {0, 1, 2, 3, 4};
  ASSERT_TRUE(DragPoints(fan.get(), selection).ok());
  EXPECT_EQ(fan->point_count, 11u);
  EXPECT_EQ(fan->triangle_count, 4u + 2 * 5);
  for (uint32_t i = 0; i < 3; ++i) {
    for (uint32_t corner : Corners(*fan, i)) EXPECT_GE(corner, 6u) << "triangle " << i;
  }
  EXPECT_EQ(Corners(*fan, 3), (Tri{4, 3, 5})) << "unselected faces keep the old layer";
  for (uint32_t s : selection) EXPECT_GE(s, 6u);
  ExpectIndicesInRange(*fan);
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
  EXPECT_EQ(cube->point_count, 8u);
  EXPECT_EQ(cube->triangle_count, 12u);
  EXPECT_EQ(stale.back(), 99u);
}

TEST_F(DragTest, AWhollySelectedClosedMeshHasNoBoundary) {
  auto cube = MakeCube();
  std::vector<uint32_t> all = {0, 1, 2, 3, 4, 5, 6, 7};
  ASSERT_TRUE(DragPoints(cube.get(), all).ok());
  EXPECT_EQ(cube->point_count, 8u);
  EXPECT_EQ(cube->triangle_count, 12u);
  EXPECT_EQ(all, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 6, 7}));
  ExpectClosed(*cube, true);
}

// --- subdivide ------------------------------------------------------------------------------

using SubdivideTest = ObjectEditTest;

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
  for (uint32_t i = 0; i < 4; ++i) {
    EXPECT_NEAR(RawNormal(*mesh, i).Length(), 1.0, 1e-6);  // four quarters
    EXPECT_GT(RawNormal(*mesh, i).z, 0.0f);
    ExpectNear(mesh->triangles[i].normal, {0, 0, 1});
  }
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
  ExpectClosed(*cube, true);
  ExpectOutward(*cube, Vec3{0.5f, 0.5f, 0.5f});
  EXPECT_NEAR(Area(*cube), 6.0, 1e-6);
  for (uint32_t p : added) EXPECT_EQ(cube->points[p].y, 1.0f);
}

TEST_F(SubdivideTest, RepeatedRandomSubdivisionKeepsTheSurface) {
  auto mesh = MakeCube();
  std::mt19937 random(12345);
  for (int round = 0; round < 12; ++round) {
    std::vector<uint32_t> selection;
    std::bernoulli_distribution pick(0.6);
    for (uint32_t i = 0; i < mesh->point_count; ++i)
      if (pick(random)) selection.push_back(i);
    const uint32_t points = mesh->point_count;
    std::vector<uint32_t> added;
    const CommandResult r = SubdividePoints(mesh.get(), selection, &added);
    EXPECT_EQ(mesh->point_count, points + added.size());
    EXPECT_EQ(r.ok(), !added.empty());
    ExpectIndicesInRange(*mesh);
    ExpectClosed(*mesh, true);
    ExpectOutward(*mesh, Vec3{0.5f, 0.5f, 0.5f});
    ASSERT_NEAR(Area(*mesh), 6.0, 1e-4) << "round " << round;
  }
  EXPECT_GT(mesh->triangle_count, 100u);
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

TEST_F(SubdivideTest, DegenerateTrianglesAreLeftAlone) {
  auto mesh = MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 0, 1}});
  const std::vector<uint32_t> all = {0, 1, 2};
  ASSERT_TRUE(SubdividePoints(mesh.get(), all, nullptr).ok());
  EXPECT_EQ(mesh->triangle_count, 5u);
  EXPECT_EQ(Corners(*mesh, 1), (Tri{0, 0, 1}));
  ExpectIndicesInRange(*mesh);
}

}  // namespace
}  // namespace orvane
