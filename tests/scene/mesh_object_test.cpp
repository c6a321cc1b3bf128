#include "scene/mesh_object.h"
#include <gtest/gtest.h>
#include <array>
#include <cmath>
#include <memory>
#include <set>
#include <sstream>
#include <tuple>
#include <vector>
#include "foundation/error_output.h"
#include "scene/recording_sink.h"
#include "scene/scene_checks.h"

namespace orvane {
namespace {
using testing_support::ExpectNear;
using testing_support::RecordingSink;
using testing_support::Step;

bool Finite(const Vec3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}
std::vector<Vec3> Points(const MeshObject& mesh) {
  return std::vector<Vec3>(mesh.points, mesh.points + mesh.point_count);
}
using Face = std::tuple<float, float, float, float, float, float, float, float, float>;
std::multiset<Face> Faces(const MeshObject& mesh) {
  std::multiset<Face> faces;
  for (uint32_t i = 0; i < mesh.triangle_count; ++i) {
    const Triangle& t = mesh.triangles[i];
    const Vec3 &a = mesh.points[t.a], &b = mesh.points[t.b], &c = mesh.points[t.c];
    faces.insert({a.x, a.y, a.z, b.x, b.y, b.z, c.x, c.y, c.z});
  }
  return faces;
}

// Every test starts from the editor's default view settings and a quiet error stream.
class MeshTest : public ::testing::Test {
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
  static std::unique_ptr<MeshObject> MakeMesh(const std::vector<Vec3>& pts,
                                              const std::vector<std::array<uint32_t, 3>>& tris) {
    auto mesh = std::make_unique<MeshObject>();
    EXPECT_EQ(mesh->SetPointCount(static_cast<uint32_t>(pts.size())), 0);
    for (uint32_t i = 0; i < pts.size(); ++i) EXPECT_EQ(mesh->SetPoint(i, pts[i]), 0);
    EXPECT_EQ(mesh->SetTriangleCount(static_cast<uint32_t>(tris.size())), 0);
    for (uint32_t i = 0; i < tris.size(); ++i)
      EXPECT_EQ(mesh->SetTriangle(i, tris[i][0], tris[i][1], tris[i][2]), 0);
    mesh->Refresh();
    return mesh;
  }
  // The unit cube [0,1]^3, closed, 12 outward-facing triangles (z 0, z 1, y 0, y 1, x 0, x 1).
  static std::unique_ptr<MeshObject> MakeCube() {
    // clang-format off
    return MakeMesh(
        {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
        {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
         {3, 6, 2}, {3, 7, 6}, {0, 4, 7}, {0, 7, 3}, {1, 2, 6}, {1, 6, 5}});
    // clang-format on
  }
  static std::unique_ptr<MeshObject> MakeCorner() {
    return MakeMesh({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{0, 1, 2}});
  }
  std::ostringstream errors_;
};

TEST_F(MeshTest, DegenerateTrianglesGetZeroNormalsNeverNaN) {
  auto mesh = MakeMesh({{1, 1, 1}, {1, 1, 1}, {2, 0, 0}, {0, 0, 0}, {1, 0, 0}, {2, 0, 0}},
                       {{0, 1, 2}, {3, 4, 5}, {2, 2, 2}});
  for (uint32_t i = 0; i < 3; ++i) {
    const Triangle& t = *mesh->GetTriangle(i);
    EXPECT_EQ(t.normal, (Vec3{0, 0, 0})) << "triangle " << i;
    EXPECT_EQ(t.plane_d, 0.0f);
    EXPECT_TRUE(Finite(t.edge_ab) && Finite(t.edge_ac) && Finite(t.edge_bc));
  }
  ASSERT_EQ(mesh->ComputePointNormals(), 0);
  for (uint32_t i = 0; i < mesh->point_count; ++i) EXPECT_TRUE(Finite(mesh->point_normals[i]));
}

TEST_F(MeshTest, SettersAndAdoptionCheckTheirIndices) {
  auto mesh = MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  EXPECT_EQ(mesh->SetPoint(3, 1, 1, 1), -1);
  EXPECT_EQ(mesh->SetTriangle(1, 0, 1, 2), -1);
  EXPECT_EQ(mesh->SetTriangle(0, 0, 1, 3), -1);
  EXPECT_EQ(mesh->GetPoint(99), mesh->GetPoint(0));
  EXPECT_EQ(mesh->GetTriangle(99), mesh->GetTriangle(0));
  EXPECT_EQ(mesh->SetPointCount(kMaxMeshPoints + 1), -1);
  EXPECT_EQ(mesh->SetTriangleCount(kMaxMeshTriangles + 1), -1);
  Triangle bad[1];
  bad[0].c = 3;
  EXPECT_EQ(mesh->AdoptTriangles(bad, 1), -1);
  EXPECT_EQ(mesh->AdoptTriangles(nullptr, 2), -1);
  Triangle* owned = TryNewArray<Triangle>(2);
  ASSERT_NE(owned, nullptr);
  owned[1].c = 2;
  ASSERT_EQ(mesh->AdoptTriangles(owned, 2, true), 0);
  // Adopting the same array again keeps it owned (the destructor frees it exactly once).
  ASSERT_EQ(mesh->AdoptTriangles(owned, 1), 0);
  EXPECT_EQ(mesh->owns_triangles, 1);
}

TEST_F(MeshTest, AppendingBeyondTheCapacityGrowsIt) {
  MeshObject mesh;
  for (int i = 0; i < 100; ++i) ASSERT_EQ(mesh.AppendPoint(Vec3{float(i), 0, 0}), 1);
  // The appended value lives in the array that moves.
  ASSERT_EQ(mesh.AppendPoint(mesh.points[42]), 1);
  EXPECT_EQ(mesh.points[100], (Vec3{42, 0, 0}));
}

TEST_F(MeshTest, DeletingAPointOfACubeRemovesExactlyItsTriangles) {
  auto cube = MakeCube();
  auto expected = Faces(*cube);
  std::erase_if(expected, [](const Face& f) {
    const auto& [ax, ay, az, bx, by, bz, cx, cy, cz] = f;
    return (ax == 0 && ay == 0 && az == 0) || (bx == 0 && by == 0 && bz == 0) ||
           (cx == 0 && cy == 0 && cz == 0);
  });
  const uint32_t doomed[] = {0, 0};
  ASSERT_EQ(cube->DeletePoints(doomed, 2), 0);
  EXPECT_EQ(cube->triangle_count, 12u - 6u);  // corner 0 belongs to six triangles
  EXPECT_EQ(Faces(*cube), expected);
  // Bad indices or no memory change nothing.
  const auto faces = Faces(*cube);
  const uint32_t bad[] = {1, 7};
  EXPECT_EQ(cube->DeletePoints(bad, 2), -1);
  FailNextAllocations(1);
  EXPECT_EQ(cube->DeletePoints(bad, 1), -1);
  EXPECT_NE(errors_.str().find("ERROR:"), std::string::npos);
  EXPECT_EQ(cube->point_count, 7u);
  EXPECT_EQ(Faces(*cube), faces);
}

// Fresh triangles before any point, or points replaced by fewer, leave indices out of range.
TEST_F(MeshTest, TrianglesBeyondThePointsAreSkippedEverywhere) {
  MeshObject early;
  ASSERT_EQ(early.SetTriangleCount(2), 0);
  early.Refresh();
  EXPECT_EQ(early.ComputePointNormals(), 0);
  RecordingSink empty_sink;
  early.BuildPreview(empty_sink, 0);
  EXPECT_TRUE(empty_sink.AllVertices().empty());
  auto mesh =
      MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {5, 5, 5}}, {{0, 1, 2}, {4, 2, 3}});
  Vec3 fewer[4] = {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0, 0, 1}};
  ASSERT_EQ(mesh->AdoptPoints(fewer, 4), 0);
  EXPECT_FALSE(mesh->TriangleInRange(mesh->triangles[1]));
  mesh->Refresh();
  EXPECT_EQ(mesh->triangles[1].normal, (Vec3{0, 0, 0}));
  EXPECT_EQ(mesh->bbox_max, (Vec3{2, 2, 0}));
  EXPECT_EQ(mesh->ComputePointNormals(), 0);
  RecordingSink sink;
  mesh->BuildPreview(sink, 0);
  EXPECT_EQ(sink.lists[0].primitives.size(), 1u);
  const uint32_t doomed[] = {3};
  ASSERT_EQ(mesh->DeletePoints(doomed, 1), 0);
  EXPECT_EQ(mesh->triangle_count, 1u);
  EXPECT_EQ(mesh->triangles[0].c, 2u);
}

TEST_F(MeshTest, AllocationFailuresLeaveTheMeshValid) {
  auto mesh = MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  FailNextAllocations(1);
  EXPECT_EQ(mesh->SetPointCount(10), -1);
  FailNextAllocations(1);
  EXPECT_EQ(mesh->SetTriangleCount(10), -1);
  FailNextAllocations(1);
  EXPECT_EQ(mesh->AppendPoint(Vec3{9, 9, 9}), 0);  // three points fill the capacity
  FailNextAllocations(1);
  EXPECT_EQ(mesh->ComputePointNormals(), -1);
  EXPECT_EQ(mesh->point_normals, nullptr);
  FailNextAllocations(1);
  EXPECT_EQ(mesh->Clone(), nullptr);
  EXPECT_EQ(mesh->point_count, 3u);
  EXPECT_EQ(mesh->triangle_count, 1u);
  EXPECT_EQ(mesh->points[1], (Vec3{1, 0, 0}));
  mesh->Refresh();
  EXPECT_EQ(mesh->GetTriangle(0)->normal, (Vec3{0, 0, 1}));
  // Without its mapping sphere a mesh still moves and answers.
  FailNextAllocations(1);
  MeshObject bare;
  EXPECT_EQ(bare.mapping_object, nullptr);
  bare.AppendPoint(Vec3{1, 0, 0});
  bare.Move(Step({0, 1, 0}, 2));
  bare.LookAt(Vec3{5, 5, 5});
  Vec3 bump{1, 1, 1};
  bare.BumpAt(&bump);
  EXPECT_EQ(bump, (Vec3{0, 0, 0}));
  std::unique_ptr<SceneObject> copy(bare.Clone());
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(static_cast<MeshObject*>(copy.get())->mapping_object, nullptr);
}

TEST_F(MeshTest, MovesAndRotationsReachTheMappingObject) {
  auto mesh = MakeCube();
  const SceneObject& mapping = *mesh->mapping_object;
  mesh->placement.position = Vec3{0.5f, 0.5f, 0.5f};
  mesh->mapping_object->placement.position = Vec3{0.5f, 0.5f, 0.5f};
  mesh->Move(Step({0, 0, 1}, 2));
  ExpectNear(mapping.placement.position, {0.5f, 0.5f, 2.5f});
  mesh->RotateAboutAxis(90, Vec3{0, 0, 1}, Vec3{0, 0, 0});
  ExpectNear(mapping.placement.position, {-0.5f, 0.5f, 2.5f});
  // Turning the axes keeps the position and turns the points about it.
  Vec3 mapping_x = mapping.placement.axis_X;
  mesh->RotateAxesEuler(Vec3{0, 0, -90}, kEulerZY);
  ExpectNear(mapping.placement.axis_X, mapping_x.RotateZDeg(-90));
  ExpectNear(mesh->points[6], {0, 1, 3});
  // Turning by +a and then by -a restores the points.
  const std::vector<Vec3> before = Points(*mesh);
  const Vec3 axis = Vec3{1, 2, 2} * (1.0 / 3), point{1, -2, 0.5f}, euler{30, -50, 70};
  mesh->RotateEuler(euler, point, kEulerXYZ);
  mesh->RotateAxesAboutAxis(40, axis);
  mesh->RotateAxesAboutAxis(-40, axis);
  mesh->RotateEuler(-euler, point, kEulerZYX);
  for (uint32_t i = 0; i < mesh->point_count; ++i) ExpectNear(mesh->points[i], before[i], 1e-4f);
}

TEST_F(MeshTest, ObjectModeScalesAlongTheObjectsOwnAxes) {
  auto mesh = MakeCorner();
  auto world = MakeCorner();
  for (MeshObject* m : {mesh.get(), world.get()}) {
    m->placement.axis_deg = Vec3{0, 90, 0};
    m->SetScale(2, 1, 1);
    m->SetScaleCenter(&m->placement.position);
  }
  mesh->ApplyScale();  // the editor starts in Object mode
  ExpectNear(mesh->points[2], {0, 0, 2});
  MeshSettings().coordinate_mode = CoordinateMode::kWorld;
  world->ApplyScale();
  EXPECT_EQ(Points(*world), (std::vector<Vec3>{{2, 0, 0}, {0, 1, 0}, {0, 0, 1}}));
  world->SetScaleCenter(nullptr);  // without a centre nothing happens
  world->ApplyScale();
  EXPECT_EQ(world->points[0], (Vec3{2, 0, 0}));
}

TEST_F(MeshTest, TurnTowardsLooksAtThePointAndTurnsThePoints) {
  auto mesh = MakeMesh({{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  Vec3 angles{9, 9, 9};
  mesh->TurnTowards(Vec3{5, 0, 0}, &angles);
  ExpectNear(angles, {0, 90, 0});
  ExpectNear(mesh->points[1], {0, 0, -1});
  // Straight up from the identity frame: pitch −90 after a yaw of 90, as the base computes it.
  auto up = MakeMesh({{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  up->TurnTowards(Vec3{0, 5, 0}, &angles);
  ExpectNear(up->points[0], {0, 1, 0});
  // A target at the position itself turns nothing.
  const std::vector<Vec3> before = Points(*mesh);
  const Placement frame = mesh->placement;
  mesh->TurnTowards(mesh->placement.position, &angles);
  EXPECT_EQ(angles, (Vec3{0, 0, 0}));
  EXPECT_EQ(mesh->placement, frame);
  EXPECT_EQ(Points(*mesh), before);
}

TEST_F(MeshTest, CloneIsEqualButIndependent) {
  auto mesh = MakeCube();
  mesh->ComputePointNormals();
  mesh->SetScaleCenter(&mesh->placement.position);
  std::unique_ptr<SceneObject> item(mesh->Clone());
  ASSERT_EQ(item->GetType(), kItemMesh);
  auto* copy = static_cast<MeshObject*>(item.get());
  EXPECT_EQ(copy->scale_center, &copy->placement.position);
  EXPECT_EQ(Faces(*copy), Faces(*mesh));
  EXPECT_NE(copy->mapping_object, mesh->mapping_object);
  copy->SetPoint(0, 9, 9, 9);
  EXPECT_EQ(mesh->points[0], (Vec3{0, 0, 0}));
}

TEST_F(MeshTest, PreviewDrawsTrianglesWithZNegated) {
  auto mesh = MakeMesh({{0, 0, 1}, {1, 0, 1}, {0, 1, 1}, {0, 0, 2}},
                       {{0, 1, 2}, {0, 3, 1}, {1, 3, 2}, {0, 2, 3}});
  RecordingSink sink;
  mesh->BuildPreview(sink, 0);
  ASSERT_EQ(sink.lists[0].primitives.size(), 4u);
  const auto& first = sink.lists[0].primitives[0];
  EXPECT_EQ(first.mode, kPreviewLineLoop);
  EXPECT_EQ(first.vertices, (std::vector<Vec3>{{0, 0, -1}, {1, 0, -1}, {0, 1, -1}}));
  // While dragging, every n-th triangle; the points view; shaded faces.
  MeshSettings().reduced_step = 3;
  mesh->BuildPreview(sink, 1);
  EXPECT_EQ(sink.lists.back().primitives.size(), 2u);
  mesh->BuildPreview(sink, 3);
  ASSERT_EQ(sink.lists.back().primitives.size(), 1u);
  EXPECT_EQ(sink.lists.back().primitives[0].mode, kPreviewPoints);
  MeshSettings().shaded = true;
  mesh->BuildPreview(sink, 0);
  EXPECT_EQ(sink.lists.back().primitives[0].mode, kPreviewTriangles);
  // A pending scale is previewed, not applied.
  auto scaled = MakeMesh({{1, 0, 1}, {2, 0, 1}, {1, 1, 1}}, {{0, 1, 2}});
  scaled->placement.position = Vec3{1, 0, 1};
  scaled->SetScaleCenter(&scaled->placement.position);
  scaled->SetScale(3, 1, 1);
  MeshSettings().coordinate_mode = CoordinateMode::kWorld;
  RecordingSink scaled_sink;
  scaled->BuildPreview(scaled_sink, 0);
  EXPECT_EQ(scaled_sink.AllVertices()[1], (Vec3{4, 0, -1}));
}

TEST_F(MeshTest, PathPreviewIsOneLineStripSharedByTwoLists) {
  MeshObject path;
  path.is_path = 1;
  for (const Vec3& p : {Vec3{0, 0, 1}, Vec3{1, 0, 2}, Vec3{1, 1, 3}}) path.AppendPoint(p);
  RecordingSink sink;
  path.BuildPreview(sink, 0);
  path.BuildPreview(sink, 1);
  EXPECT_EQ(path.display_lists[1], path.display_lists[0]);
  ASSERT_EQ(sink.lists[0].primitives.size(), 1u);
  EXPECT_EQ(sink.lists[0].primitives[0].mode, 3);  // line strip
  EXPECT_EQ(sink.lists[0].primitives[0].vertices,
            (std::vector<Vec3>{{0, 0, -1}, {1, 0, -2}, {1, 1, -3}}));
}
}  // namespace
}  // namespace orvane
