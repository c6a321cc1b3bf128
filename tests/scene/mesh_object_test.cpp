#include "scene/mesh_object.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <tuple>
#include <vector>

#include "foundation/error_output.h"
#include "scene/math_sphere.h"
#include "scene/recording_sink.h"

namespace orvane {
namespace {

using testing_support::RecordingSink;

void ExpectNear(const Vec3& v, const Vec3& expected, float tolerance = 1e-5f) {
  EXPECT_NEAR(v.x, expected.x, tolerance);
  EXPECT_NEAR(v.y, expected.y, tolerance);
  EXPECT_NEAR(v.z, expected.z, tolerance);
}

bool Finite(const Vec3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
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

  // A mesh from explicit points and triangles, with its derived data computed.
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

  // The unit cube [0,1]^3, closed, 12 outward-facing triangles.
  static std::unique_ptr<MeshObject> MakeCube() {
    return MakeMesh(
        {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
        {{0, 2, 1},
         {0, 3, 2},
         {4, 5, 6},
         {4, 6, 7},
         {0, 1, 5},
         {0, 5, 4},  // z 0, z 1, y 0
         {3, 6, 2},
         {3, 7, 6},
         {0, 4, 7},
         {0, 7, 3},
         {1, 2, 6},
         {1, 6, 5}});  // y 1, x 0, x 1
  }

  std::ostringstream errors_;
};

TEST_F(MeshTest, FreshMeshAndTypeName) {
  MeshObject mesh;
  EXPECT_EQ(mesh.GetType(), 4);
  EXPECT_EQ(mesh.preview_dirty, 1);
  EXPECT_EQ(mesh.preview_mode, kPreviewLineLoop);
  EXPECT_EQ(mesh.point_capacity, 100u);
  EXPECT_EQ(mesh.GetPoint(0), nullptr);
  ASSERT_NE(mesh.mapping_object, nullptr);
  EXPECT_EQ(mesh.mapping_object->GetType(), kItemSphere);
  EXPECT_FLOAT_EQ(static_cast<MathSphere*>(mesh.mapping_object)->radius(), 1.0f);
  EXPECT_STREQ(mesh.TypeName(), "3D-Mesh-Object");
  mesh.is_path = 1;
  EXPECT_STREQ(mesh.TypeName(), "Path");
}

TEST_F(MeshTest, TriangleDataFollowsTheCornerOrder) {
  // Point 6 belongs to no triangle and stays out of the mesh box.
  auto mesh =
      MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 2}, {3, 0, 2}, {0, 3, 2}, {-9, 9, 9}},
               {{0, 1, 2}, {3, 5, 4}});
  const Triangle& t = *mesh->GetTriangle(0);
  EXPECT_EQ(t.normal, (Vec3{0, 0, 1}));
  EXPECT_EQ(t.plane_d, 0.0f);
  EXPECT_EQ(t.edge_ab, (Vec3{1, 0, 0}));
  EXPECT_EQ(t.edge_ac, (Vec3{0, 1, 0}));
  ExpectNear(t.edge_bc, {-0.7071068f, 0.7071068f, 0});
  EXPECT_EQ(t.drop_axis, 2);
  // Reversed corners face the other way; the plane constant is normal · A.
  const Triangle& u = *mesh->GetTriangle(1);
  EXPECT_EQ(u.normal, (Vec3{0, 0, -1}));
  EXPECT_FLOAT_EQ(u.plane_d, -2.0f);
  EXPECT_EQ(u.box_min, (Vec3{0, 0, 2}));
  EXPECT_EQ(u.box_max, (Vec3{3, 3, 2}));
  EXPECT_EQ(mesh->bbox_min, (Vec3{0, 0, 0}));
  EXPECT_EQ(mesh->bbox_max, (Vec3{3, 3, 2}));
}

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

TEST_F(MeshTest, PointNormalsAverageTheTrianglesThatUseThem) {
  // Two faces meeting at a right angle along the edge 0-1; point 4 is used by nothing.
  auto mesh =
      MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, -1}, {7, 7, 7}}, {{0, 1, 2}, {0, 1, 3}});
  ASSERT_EQ(mesh->ComputePointNormals(), 0);
  const float h = 0.7071068f;
  ExpectNear(mesh->point_normals[0], {0, h, h});
  ExpectNear(mesh->point_normals[2], {0, 0, 1});
  ExpectNear(mesh->point_normals[3], {0, 1, 0});
  EXPECT_EQ(mesh->point_normals[4], (Vec3{0, 0, 0}));
}

TEST_F(MeshTest, SettersCheckTheirIndices) {
  auto mesh = MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  EXPECT_EQ(mesh->SetPoint(3, 1, 1, 1), -1);
  EXPECT_EQ(mesh->SetTriangle(1, 0, 1, 2), -1);
  EXPECT_EQ(mesh->SetTriangle(0, 0, 1, 3), -1);
  EXPECT_EQ(mesh->GetTriangle(0)->c, 2u);
  EXPECT_EQ(mesh->GetPoint(99), mesh->GetPoint(0));
  EXPECT_EQ(mesh->GetTriangle(99), mesh->GetTriangle(0));
  EXPECT_EQ(mesh->SetPointCount(kMaxMeshPoints + 1), -1);
  EXPECT_EQ(mesh->SetTriangleCount(kMaxMeshTriangles + 1), -1);
  EXPECT_EQ(mesh->point_count, 3u);
  EXPECT_EQ(mesh->triangle_count, 1u);
}

TEST_F(MeshTest, AppendingThe101stPointDoublesTheCapacity) {
  MeshObject mesh;
  for (int i = 0; i < 100; ++i) ASSERT_EQ(mesh.AppendPoint(Vec3{float(i), 0, 0}), 1);
  EXPECT_EQ(mesh.point_capacity, 100u);
  const Vec3* before = mesh.points;
  // The appended value lives in the array that moves.
  ASSERT_EQ(mesh.AppendPoint(mesh.points[42]), 1);
  EXPECT_NE(mesh.points, before);
  EXPECT_EQ(mesh.point_capacity, 200u);
  EXPECT_EQ(mesh.point_count, 101u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(mesh.points[i].x, float(i));
  EXPECT_EQ(mesh.points[100], (Vec3{42, 0, 0}));
}

TEST_F(MeshTest, AppendingAfterAnEmptyOrAdoptedArrayGrows) {
  MeshObject mesh;
  ASSERT_EQ(mesh.SetPointCount(0), 0);
  ASSERT_EQ(mesh.AppendPoint(Vec3{1, 2, 3}), 1);
  EXPECT_EQ(mesh.point_capacity, 100u);
  Vec3 caller[2] = {{1, 1, 1}, {2, 2, 2}};
  ASSERT_EQ(mesh.AdoptPoints(caller, 2), 0);
  ASSERT_EQ(mesh.AppendPoint(Vec3{3, 3, 3}), 1);
  EXPECT_EQ(mesh.point_capacity, 4u);
  EXPECT_EQ(mesh.owns_points, 1);
  EXPECT_EQ(mesh.points[1], (Vec3{2, 2, 2}));
  EXPECT_EQ(caller[1], (Vec3{2, 2, 2}));  // the caller's array is neither freed nor changed
}

TEST_F(MeshTest, CapacityGrowthIsCapped) {
  EXPECT_EQ(GrownPointCapacity(0, 1), 100u);
  EXPECT_EQ(GrownPointCapacity(100, 101), 200u);
  EXPECT_EQ(GrownPointCapacity(3, 50), 96u);
  EXPECT_EQ(GrownPointCapacity(kMaxMeshPoints / 2 + 7, kMaxMeshPoints / 2 + 8), kMaxMeshPoints);
  EXPECT_EQ(GrownPointCapacity(kMaxMeshPoints, kMaxMeshPoints + 1), 0u);
  EXPECT_EQ(GrownPointCapacity(0xFFFFFFFFu, 0xFFFFFFFFu), 0u);
}

TEST_F(MeshTest, AdoptingChecksIndicesAndOwnership) {
  auto mesh = MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  Triangle bad[1];
  bad[0].a = 0;
  bad[0].b = 1;
  bad[0].c = 3;
  EXPECT_EQ(mesh->AdoptTriangles(bad, 1), -1);
  EXPECT_EQ(mesh->AdoptTriangles(nullptr, 2), -1);
  EXPECT_EQ(mesh->triangle_count, 1u);
  EXPECT_EQ(mesh->owns_triangles, 1);

  Triangle* owned = TryNewArray<Triangle>(2);
  ASSERT_NE(owned, nullptr);
  owned[1].c = 2;
  ASSERT_EQ(mesh->AdoptTriangles(owned, 2, true), 0);
  EXPECT_EQ(mesh->triangles, owned);
  EXPECT_EQ(mesh->owns_triangles, 1);
  // Adopting the same array again keeps it owned (the destructor frees it exactly once).
  ASSERT_EQ(mesh->AdoptTriangles(owned, 1), 0);
  EXPECT_EQ(mesh->owns_triangles, 1);
}

// The corner coordinates of every triangle, for comparing meshes whose indices differ.
std::multiset<std::tuple<float, float, float, float, float, float, float, float, float>> Faces(
    const MeshObject& mesh) {
  std::multiset<std::tuple<float, float, float, float, float, float, float, float, float>> faces;
  for (uint32_t i = 0; i < mesh.triangle_count; ++i) {
    const Triangle& t = mesh.triangles[i];
    const Vec3 &a = mesh.points[t.a], &b = mesh.points[t.b], &c = mesh.points[t.c];
    faces.insert({a.x, a.y, a.z, b.x, b.y, b.z, c.x, c.y, c.z});
  }
  return faces;
}

TEST_F(MeshTest, DeletingAPointOfACubeRemovesExactlyItsTriangles) {
  auto cube = MakeCube();
  auto expected = Faces(*cube);
  for (auto it = expected.begin(); it != expected.end();) {
    const auto& [ax, ay, az, bx, by, bz, cx, cy, cz] = *it;
    const bool uses_origin = (ax == 0 && ay == 0 && az == 0) || (bx == 0 && by == 0 && bz == 0) ||
                             (cx == 0 && cy == 0 && cz == 0);
    it = uses_origin ? expected.erase(it) : std::next(it);
  }
  const uint32_t doomed[] = {0, 0};
  ASSERT_EQ(cube->DeletePoints(doomed, 2), 0);
  EXPECT_EQ(cube->point_count, 7u);
  EXPECT_EQ(cube->triangle_count, 12u - 6u);  // corner 0 belongs to six triangles
  for (uint32_t i = 0; i < cube->triangle_count; ++i)
    EXPECT_TRUE(cube->TriangleInRange(cube->triangles[i]));
  EXPECT_EQ(Faces(*cube), expected);
}

TEST_F(MeshTest, DeletingWithBadIndicesOrNoMemoryChangesNothing) {
  auto cube = MakeCube();
  const auto faces = Faces(*cube);
  const uint32_t bad[] = {1, 8};
  EXPECT_EQ(cube->DeletePoints(bad, 2), -1);
  const uint32_t good[] = {1};
  FailNextAllocations(1);
  EXPECT_EQ(cube->DeletePoints(good, 1), -1);
  EXPECT_NE(errors_.str().find("ERROR:"), std::string::npos);
  EXPECT_EQ(cube->point_count, 8u);
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
  EXPECT_EQ(mesh->point_capacity, 3u);
  EXPECT_EQ(mesh->triangle_count, 1u);
  EXPECT_EQ(mesh->points[1], (Vec3{1, 0, 0}));
  mesh->Refresh();
  EXPECT_EQ(mesh->GetTriangle(0)->normal, (Vec3{0, 0, 1}));

  // Without its mapping sphere a mesh still moves and answers.
  FailNextAllocations(1);
  MeshObject bare;
  EXPECT_EQ(bare.mapping_object, nullptr);
  bare.AppendPoint(Vec3{1, 0, 0});
  Ray step;
  step.direction = Vec3{0, 1, 0};
  step.length = 2;
  bare.Move(step);
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
  mesh->placement.position = Vec3{0.5f, 0.5f, 0.5f};
  mesh->mapping_object->placement.position = Vec3{0.5f, 0.5f, 0.5f};
  Ray step;
  step.direction = Vec3{0, 0, 3};
  step.Normalize();
  step.length = 2;
  mesh->Move(step);
  ExpectNear(mesh->placement.position, {0.5f, 0.5f, 2.5f});
  ExpectNear(mesh->mapping_object->placement.position, {0.5f, 0.5f, 2.5f});
  ExpectNear(mesh->points[6], {1, 1, 3});

  mesh->RotateAboutAxis(90, Vec3{0, 0, 1}, Vec3{0, 0, 0});
  ExpectNear(mesh->placement.position, {-0.5f, 0.5f, 2.5f});
  ExpectNear(mesh->mapping_object->placement.position, {-0.5f, 0.5f, 2.5f});
  ExpectNear(mesh->placement.axis_X, {0, 1, 0});
  ExpectNear(mesh->points[1], {0, 1, 2});

  // Turning the axes keeps the position and turns the points about it.
  Vec3 mapping_x = mesh->mapping_object->placement.axis_X;
  mesh->RotateAxesEuler(Vec3{0, 0, -90}, kEulerZY);
  ExpectNear(mesh->placement.position, {-0.5f, 0.5f, 2.5f});
  ExpectNear(mesh->placement.axis_X, {1, 0, 0});
  ExpectNear(mesh->mapping_object->placement.axis_X, mapping_x.RotateZDeg(-90));
  ExpectNear(mesh->points[6], {0, 1, 3});
}

// Rigid motions keep every edge length; turning by +a and then −a restores the points.
TEST_F(MeshTest, RotationsAreRigidAndReversible) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> coord(-5, 5);
  std::uniform_real_distribution<float> angle(-180, 180);
  for (int round = 0; round < 20; ++round) {
    auto mesh = MakeCube();
    mesh->placement.position = Vec3{coord(rng), coord(rng), coord(rng)};
    std::vector<Vec3> original(mesh->points, mesh->points + mesh->point_count);
    Vec3 axis{coord(rng), coord(rng), coord(rng)};
    axis.Normalize();
    const Vec3 point{coord(rng), coord(rng), coord(rng)};
    const Vec3 euler{angle(rng), angle(rng), angle(rng)};
    const float a = angle(rng);

    mesh->RotateAboutAxis(a, axis, point);
    mesh->RotateEuler(euler, point, kEulerXYZ);
    mesh->RotateAxesAboutAxis(a, axis);
    for (uint32_t i = 0; i < mesh->triangle_count; ++i) {
      const Triangle& t = mesh->triangles[i];
      EXPECT_NEAR(Distance(mesh->points[t.a], mesh->points[t.b]),
                  Distance(original[t.a], original[t.b]), 1e-4);
      EXPECT_NEAR(Distance(mesh->points[t.b], mesh->points[t.c]),
                  Distance(original[t.b], original[t.c]), 1e-4);
    }
    mesh->RotateAxesAboutAxis(-a, axis);
    mesh->RotateEuler(-euler, point, kEulerZYX);
    mesh->RotateAboutAxis(-a, axis, point);
    for (uint32_t i = 0; i < mesh->point_count; ++i)
      ExpectNear(mesh->points[i], original[i], 1e-4f);
  }
}

TEST_F(MeshTest, ObjectModeScalesAlongTheObjectsOwnAxes) {
  auto mesh = MakeMesh({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{0, 1, 2}});
  auto world = MakeMesh({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{0, 1, 2}});
  for (MeshObject* m : {mesh.get(), world.get()}) {
    m->placement.axis_deg = Vec3{0, 90, 0};
    m->SetScale(2, 1, 1);
    m->SetScaleCenter(&m->placement.position);
  }
  mesh->ApplyScale();  // the editor starts in Object mode
  ExpectNear(mesh->points[0], {1, 0, 0});
  ExpectNear(mesh->points[1], {0, 1, 0});
  ExpectNear(mesh->points[2], {0, 0, 2});
  ExpectNear(mesh->placement.position, {0, 0, 0});

  MeshSettings().coordinate_mode = CoordinateMode::kWorld;
  world->ApplyScale();
  EXPECT_EQ(world->points[0], (Vec3{2, 0, 0}));
  EXPECT_EQ(world->points[2], (Vec3{0, 0, 1}));

  // Without a centre nothing happens.
  world->SetScaleCenter(nullptr);
  world->ApplyScale();
  EXPECT_EQ(world->points[0], (Vec3{2, 0, 0}));
}

TEST_F(MeshTest, TurnTowardsLooksAtThePointAndTurnsThePoints) {
  auto mesh = MakeMesh({{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  Vec3 angles{9, 9, 9};
  mesh->TurnTowards(Vec3{5, 0, 0}, &angles);
  ExpectNear(angles, {0, 90, 0});
  ExpectNear(mesh->placement.axis_Z, {1, 0, 0});
  ExpectNear(mesh->mapping_object->placement.axis_Z, {1, 0, 0});
  ExpectNear(mesh->points[0], {1, 0, 0});
  ExpectNear(mesh->points[1], {0, 0, -1});

  // Straight up from the identity frame: pitch −90 after a yaw of 90, as the base computes it.
  auto up = MakeMesh({{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  up->TurnTowards(Vec3{0, 5, 0}, &angles);
  ExpectNear(angles, {-90, 90, 0}, 1e-4f);
  ExpectNear(up->placement.axis_Z, {0, 1, 0});
  ExpectNear(up->points[0], {0, 1, 0});

  // A target at the position itself turns nothing.
  const std::vector<Vec3> before(mesh->points, mesh->points + 3);
  const Placement frame = mesh->placement;
  mesh->TurnTowards(mesh->placement.position, &angles);
  EXPECT_EQ(angles, (Vec3{0, 0, 0}));
  EXPECT_EQ(mesh->placement, frame);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(mesh->points[i], before[i]);
}

TEST_F(MeshTest, CloneIsEqualButIndependent) {
  auto mesh = MakeCube();
  mesh->name = "Cube";
  mesh->flags = kIsVisible | kUsePhong;
  mesh->placement.position = Vec3{1, 2, 3};
  mesh->mapping_object->placement.position = Vec3{4, 5, 6};
  mesh->ComputePointNormals();
  mesh->SetScaleCenter(&mesh->placement.position);
  mesh->WriteNative();
  std::unique_ptr<SceneObject> item(mesh->Clone());
  ASSERT_NE(item, nullptr);
  ASSERT_EQ(item->GetType(), kItemMesh);
  auto* copy = static_cast<MeshObject*>(item.get());
  EXPECT_EQ(copy->name, "Cube");
  EXPECT_EQ(copy->flags, mesh->flags);
  EXPECT_EQ(copy->placement, mesh->placement);
  EXPECT_EQ(copy->point_capacity, mesh->point_capacity);
  EXPECT_EQ(copy->scale_center, &copy->placement.position);
  EXPECT_EQ(Faces(*copy), Faces(*mesh));
  EXPECT_EQ(copy->triangles[3].normal, mesh->triangles[3].normal);
  EXPECT_EQ(copy->point_normals, nullptr);
  EXPECT_EQ(copy->text, nullptr);
  EXPECT_FALSE(copy->HasTraceIndex());
  ASSERT_NE(copy->mapping_object, nullptr);
  EXPECT_NE(copy->mapping_object, mesh->mapping_object);
  EXPECT_EQ(copy->mapping_object->placement.position, (Vec3{4, 5, 6}));

  EXPECT_NE(copy->points, mesh->points);
  EXPECT_NE(copy->triangles, mesh->triangles);
  copy->SetPoint(0, 9, 9, 9);
  copy->SetTriangle(0, 7, 7, 7);
  EXPECT_EQ(mesh->points[0], (Vec3{0, 0, 0}));
  EXPECT_EQ(mesh->triangles[0].a, 0u);
}

TEST_F(MeshTest, PreviewDrawsTrianglesWithZNegated) {
  auto mesh = MakeMesh({{0, 0, 1}, {1, 0, 1}, {0, 1, 1}, {0, 0, 2}},
                       {{0, 1, 2}, {0, 3, 1}, {1, 3, 2}, {0, 2, 3}});
  RecordingSink sink;
  mesh->BuildPreview(sink, 0);
  EXPECT_EQ(mesh->preview_dirty, 0);
  ASSERT_EQ(sink.lists.size(), 1u);
  EXPECT_EQ(mesh->display_lists[0], sink.lists[0].name);
  ASSERT_EQ(sink.lists[0].primitives.size(), 4u);
  const auto& first = sink.lists[0].primitives[0];
  EXPECT_EQ(first.mode, kPreviewLineLoop);
  ASSERT_EQ(first.vertices.size(), 3u);
  EXPECT_EQ(first.vertices[1], (Vec3{1, 0, -1}));
  ASSERT_EQ(first.normals.size(), 1u);
  EXPECT_EQ(first.normals[0], (Vec3{0, 0, -1}));

  // While dragging, every n-th triangle; the points view; shaded faces.
  MeshSettings().reduced_step = 3;
  mesh->BuildPreview(sink, 1);
  EXPECT_EQ(sink.lists.back().primitives.size(), 2u);
  mesh->BuildPreview(sink, 3);
  ASSERT_EQ(sink.lists.back().primitives.size(), 1u);
  EXPECT_EQ(sink.lists.back().primitives[0].mode, kPreviewPoints);
  EXPECT_EQ(sink.lists.back().primitives[0].vertices[3], (Vec3{0, 0, -2}));
  MeshSettings().shaded = true;
  mesh->BuildPreview(sink, 0);
  EXPECT_EQ(mesh->preview_mode, kPreviewTriangles);
  EXPECT_EQ(sink.lists.back().name, mesh->display_lists[0]);
  EXPECT_EQ(sink.lists.back().primitives[0].mode, kPreviewTriangles);
}

TEST_F(MeshTest, PreviewShowsAPendingScale) {
  auto mesh = MakeMesh({{1, 0, 1}, {2, 0, 1}, {1, 1, 1}}, {{0, 1, 2}});
  mesh->placement.position = Vec3{1, 0, 1};
  mesh->SetScaleCenter(&mesh->placement.position);
  mesh->SetScale(3, 1, 1);
  MeshSettings().coordinate_mode = CoordinateMode::kWorld;
  RecordingSink sink;
  mesh->BuildPreview(sink, 0);
  EXPECT_EQ(sink.AllVertices()[1], (Vec3{4, 0, -1}));
  EXPECT_EQ(mesh->points[1], (Vec3{2, 0, 1}));  // previewed, not applied
}

TEST_F(MeshTest, PathPreviewIsOneLineStripSharedByTwoLists) {
  MeshObject path;
  path.is_path = 1;
  path.AppendPoint(Vec3{0, 0, 1});
  path.AppendPoint(Vec3{1, 0, 2});
  path.AppendPoint(Vec3{1, 1, 3});
  RecordingSink sink;
  path.BuildPreview(sink, 0);
  path.BuildPreview(sink, 1);
  ASSERT_EQ(sink.lists.size(), 2u);
  EXPECT_EQ(sink.lists[0].name, sink.lists[1].name);
  EXPECT_EQ(path.display_lists[1], path.display_lists[0]);
  ASSERT_EQ(sink.lists[0].primitives.size(), 1u);
  EXPECT_EQ(sink.lists[0].primitives[0].mode, 3);  // line strip
  EXPECT_EQ(sink.lists[0].primitives[0].vertices,
            (std::vector<Vec3>{{0, 0, -1}, {1, 0, -2}, {1, 1, -3}}));

  // Back as a mesh, the second list gets its own name again.
  path.is_path = 0;
  path.BuildPreview(sink, 1);
  EXPECT_NE(path.display_lists[1], path.display_lists[0]);
  EXPECT_TRUE(sink.deleted.empty());
}

}  // namespace
}  // namespace orvane
