#include <gtest/gtest.h>
#include <cmath>
#include <random>
#include <set>
#include <sstream>
#include "foundation/error_output.h"
#include "material/material.h"
#include "material/texture.h"
#include "scene/group_object.h"
#include "scene/math_plane.h"
#include "scene/math_sphere.h"
#include "scene/recording_sink.h"

namespace orvane {
namespace {
using namespace testing_support;

std::vector<Vec3> Points(const MeshObject& mesh) {
  return std::vector<Vec3>(mesh.points, mesh.points + mesh.point_count);
}
std::multiset<std::array<uint32_t, 3>> Indices(const MeshObject& mesh) {
  std::multiset<std::array<uint32_t, 3>> corners;
  for (const Triangle* t = mesh.triangles; t < mesh.triangles + mesh.triangle_count; ++t)
    corners.insert({t->a, t->b, t->c});
  return corners;
}
// The unit cube [0,1]^3, closed, 12 outward-facing triangles (z 0, z 1, y 0, y 1, x 0, x 1).
std::unique_ptr<MeshObject> MakeCube() {
  // clang-format off
  return MakeMesh(
      {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
      {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
       {3, 6, 2}, {3, 7, 6}, {0, 4, 7}, {0, 7, 3}, {1, 2, 6}, {1, 6, 5}});
  // clang-format on
}
std::unique_ptr<MeshObject> MakeCorner() {
  return MakeMesh({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{0, 1, 2}});
}
struct MeshTest : ::testing::Test {
  void SetUp() override { SetErrorOutput(&errors_); }
  void TearDown() override {
    FailNextAllocations(0);
    SetErrorOutput(nullptr);
    MeshSettings() = MeshViewSettings{};
  }
  std::ostringstream errors_;
};

TEST_F(MeshTest, SettersAndAdoptionCheckTheirIndices) {
  auto mesh = MakeCorner();
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
  ASSERT_EQ(mesh->AdoptTriangles(owned, 1), 0);  // the same array: still owned, freed once
  EXPECT_EQ(mesh->owns_triangles, 1);
}

TEST_F(MeshTest, DeletingAPointOfACubeRemovesExactlyItsTriangles) {
  auto cube = MakeCube();
  std::vector<Vec3> points = Points(*cube);
  points.erase(points.begin());
  const uint32_t doomed[] = {0, 0};
  ASSERT_EQ(cube->DeletePoints(doomed, 2), 0);
  EXPECT_EQ(Indices(*cube), (std::multiset<std::array<uint32_t, 3>>{
                                {3, 4, 5}, {3, 5, 6}, {2, 5, 1}, {2, 6, 5}, {0, 1, 5}, {0, 5, 4}}));
  EXPECT_EQ(Points(*cube), points);
  const auto corners = Indices(*cube);
  const uint32_t bad[] = {1, 7};
  EXPECT_EQ(cube->DeletePoints(bad, 2), -1);
  FailNextAllocations(1);
  EXPECT_EQ(cube->DeletePoints(bad, 1), -1);
  EXPECT_NE(errors_.str().find("ERROR:"), std::string::npos);
  EXPECT_EQ(Points(*cube), points);
  EXPECT_EQ(Indices(*cube), corners);
}

// Fresh triangles before any point, or points replaced by fewer, leave indices out of range.
TEST_F(MeshTest, TrianglesBeyondThePointsAreSkippedEverywhere) {
  MeshObject early;
  ASSERT_EQ(early.SetTriangleCount(2), 0);
  early.Refresh();
  EXPECT_EQ(early.ComputePointNormals(), 0);
  EXPECT_TRUE(Drawn(early).empty());
  auto mesh =
      MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {5, 5, 5}}, {{0, 1, 2}, {4, 2, 3}});
  Vec3 fewer[4] = {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0, 0, 1}};
  ASSERT_EQ(mesh->AdoptPoints(fewer, 4), 0);
  EXPECT_FALSE(mesh->TriangleInRange(mesh->triangles[1]));
  mesh->Refresh();
  EXPECT_EQ(mesh->triangles[1].normal, (Vec3{0, 0, 0}));
  EXPECT_EQ(mesh->bbox_max, (Vec3{2, 2, 0}));
  EXPECT_EQ(mesh->ComputePointNormals(), 0);
  EXPECT_EQ(Drawn(*mesh).size(), 1u);
  const uint32_t doomed[] = {3};
  ASSERT_EQ(mesh->DeletePoints(doomed, 1), 0);
  EXPECT_EQ(mesh->triangle_count, 1u);
  EXPECT_EQ(mesh->triangles[0].c, 2u);
}

TEST_F(MeshTest, AllocationFailuresLeaveTheMeshValid) {
  auto mesh = MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  const auto Starved = [](auto call) {
    FailNextAllocations(1);
    return call();
  };
  EXPECT_EQ(Starved([&] { return mesh->SetPointCount(10); }), -1);
  EXPECT_EQ(Starved([&] { return mesh->SetTriangleCount(10); }), -1);
  EXPECT_EQ(Starved([&] { return mesh->AppendPoint(Vec3{9, 9, 9}); }), 0);  // full: growing fails
  EXPECT_EQ(Starved([&] { return mesh->ComputePointNormals(); }), -1);
  EXPECT_EQ(mesh->point_normals, nullptr);
  EXPECT_EQ(Starved([&] { return mesh->Clone(); }), nullptr);
  EXPECT_EQ(Points(*mesh), (std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
  mesh->Refresh();
  ASSERT_EQ(mesh->triangle_count, 1u);
  EXPECT_EQ(mesh->triangles[0].normal, (Vec3{0, 0, 1}));
  // Growing copies an appended point of the array that moves before freeing it.
  ASSERT_EQ(mesh->AppendPoint(mesh->points[1]), 1);
  EXPECT_EQ(mesh->points[3], (Vec3{1, 0, 0}));
  // Without its mapping sphere a mesh still moves and answers.
  FailNextAllocations(1);
  MeshObject bare;
  EXPECT_EQ(bare.mapping_object, nullptr);
  bare.AppendPoint(Vec3{1, 0, 0});
  bare.Move(Ray{2, 0, {}, {0, 1, 0}});
  bare.LookAt(Vec3{5, 5, 5});
  EXPECT_EQ(BumpOf(bare), (Vec3{0, 0, 0}));
  std::unique_ptr<SceneObject> copy(bare.Clone());
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(static_cast<MeshObject*>(copy.get())->mapping_object, nullptr);
}

TEST_F(MeshTest, CopiesHaveTheirOwnMappingObjectAndMovesAndRotationsReachIt) {
  auto mesh = MakeCube();
  mesh->SetScaleCenter(&mesh->placement.position);
  std::unique_ptr<SceneObject> item(mesh->Clone());
  ASSERT_EQ(item->GetType(), kItemMesh);
  auto* copy = static_cast<MeshObject*>(item.get());
  EXPECT_EQ(copy->scale_center, &copy->placement.position);
  EXPECT_NE(copy->mapping_object, mesh->mapping_object);
  copy->SetPoint(0, 9, 9, 9);
  EXPECT_EQ(mesh->points[0], (Vec3{0, 0, 0}));
  const SceneObject& mapping = *mesh->mapping_object;
  mesh->placement.position = Vec3{0.5f, 0.5f, 0.5f};
  mesh->mapping_object->placement.position = Vec3{0.5f, 0.5f, 0.5f};
  mesh->Move(Ray{2, 0, {}, {0, 0, 1}});
  ExpectNear(mapping.placement.position, {0.5f, 0.5f, 2.5f});
  mesh->RotateAboutAxis(90, Vec3{0, 0, 1}, Vec3{0, 0, 0});
  ExpectNear(mapping.placement.position, {-0.5f, 0.5f, 2.5f});
  // Turning the axes keeps the position and turns the points about it.
  Vec3 mapping_x = mapping.placement.axis_X;
  mesh->RotateAxesEuler(Vec3{0, 0, -90}, kEulerZY);
  ExpectNear(mapping.placement.axis_X, mapping_x.RotateZDeg(-90));
  ExpectNear(mesh->points[6], {0, 1, 3});
  const std::vector<Vec3> before = Points(*mesh);
  const Vec3 axis = Vec3{1, 2, 2} * (1.0 / 3), point{1, -2, 0.5f}, euler{30, -50, 70};
  mesh->RotateEuler(euler, point, kEulerXYZ);
  mesh->RotateAxesAboutAxis(40, axis);
  mesh->RotateAxesAboutAxis(-40, axis);
  mesh->RotateEuler(-euler, point, kEulerZYX);
  for (uint32_t i = 0; i < mesh->point_count; ++i) ExpectNear(mesh->points[i], before[i], 1e-4f);
}

TEST_F(MeshTest, ObjectModeScalesAlongTheOwnAxesAndTurnTowardsTurnsThePoints) {
  auto mesh = MakeCorner(), world = MakeCorner();
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
  // Turning towards a point turns the points with the frame.
  auto up = MakeCorner();
  mesh = MakeCorner();
  Vec3 angles{9, 9, 9};
  mesh->TurnTowards(Vec3{5, 0, 0}, &angles);
  ExpectNear(angles, {0, 90, 0});
  ExpectNear(mesh->points[0], {0, 0, -1});
  // Straight up from the identity frame: pitch −90 after a yaw of 90, as the base computes it.
  up->TurnTowards(Vec3{0, 5, 0}, &angles);
  ExpectNear(up->points[2], {0, 1, 0});
  const std::vector<Vec3> before = Points(*mesh);
  const Placement frame = mesh->placement;
  mesh->TurnTowards(mesh->placement.position, &angles);
  EXPECT_EQ(angles, (Vec3{0, 0, 0}));
  EXPECT_EQ(mesh->placement, frame);
  EXPECT_EQ(Points(*mesh), before);
}

TEST_F(MeshTest, PreviewDrawsTrianglesWithZNegatedAndPathsAsOneStrip) {
  auto mesh = MakeMesh({{0, 0, 1}, {1, 0, 1}, {0, 1, 1}, {0, 0, 2}},
                       {{0, 1, 2}, {0, 3, 1}, {1, 3, 2}, {0, 2, 3}});
  RecordingSink sink;
  const auto Draw = [&](SceneObject& item, int view) {
    item.BuildPreview(sink, view);
    return sink.lists.back().primitives;
  };
  ASSERT_EQ(Draw(*mesh, 0).size(), 4u);
  EXPECT_EQ(sink.lists[0].primitives[0].mode, kPreviewLineLoop);
  EXPECT_EQ(sink.lists[0].primitives[0].vertices,
            (std::vector<Vec3>{{0, 0, -1}, {1, 0, -1}, {0, 1, -1}}));
  // While dragging, every n-th triangle; the points view; shaded faces.
  MeshSettings().reduced_step = 3;
  EXPECT_EQ(Draw(*mesh, 1).size(), 2u);
  EXPECT_EQ(Draw(*mesh, 3).at(0).mode, kPreviewPoints);
  EXPECT_EQ(sink.lists.back().primitives.size(), 1u);
  MeshSettings().shaded = true;
  EXPECT_EQ(Draw(*mesh, 0)[0].mode, kPreviewTriangles);
  // A pending scale is previewed, not applied.
  auto scaled = MakeMesh({{1, 0, 1}, {2, 0, 1}, {1, 1, 1}}, {{0, 1, 2}});
  scaled->placement.position = Vec3{1, 0, 1};
  scaled->SetScaleCenter(&scaled->placement.position);
  scaled->SetScale(3, 1, 1);
  MeshSettings().coordinate_mode = CoordinateMode::kWorld;
  EXPECT_EQ(Draw(*scaled, 0)[0].vertices[1], (Vec3{4, 0, -1}));
  // A path is one line strip, its list shared by the normal and the dragging view.
  MeshObject path;
  path.is_path = 1;
  for (const Vec3& p : {Vec3{0, 0, 1}, Vec3{1, 0, 2}, Vec3{1, 1, 3}}) path.AppendPoint(p);
  const auto strip = Draw(path, 0);
  path.BuildPreview(sink, 1);
  EXPECT_EQ(path.display_lists[1], path.display_lists[0]);
  ASSERT_EQ(strip.size(), 1u);
  EXPECT_EQ(strip[0].mode, 3);  // line strip
  EXPECT_EQ(strip[0].vertices, (std::vector<Vec3>{{0, 0, -1}, {1, 0, -2}, {1, 1, -3}}));
}

// A mesh of separate triangles (three points each), prepared for tracing.
using Corners = std::array<Vec3, 3>;
std::unique_ptr<MeshObject> Soup(const std::vector<Corners>& triangles) {
  std::vector<Vec3> points;
  Triangles indices;
  for (const Corners& t : triangles) points.insert(points.end(), t.begin(), t.end());
  for (uint32_t i = 0; i < points.size(); i += 3) indices.push_back({i, i + 1, i + 2});
  auto mesh = MakeMesh(points, indices);
  mesh->PrepareRender();
  return mesh;
}
struct Hit {
  bool hit;
  long triangle;
  float distance;
  bool operator==(const Hit&) const = default;
};
Hit Search(MeshObject& mesh, const Ray& ray, float limit = -1.0f) {
  mesh.ResetRayState();
  if (!mesh.Intersect(ray, limit)) return {false, -1, 0};
  return {true, mesh.hit_triangle - mesh.triangles, mesh.NearDistance()};
}

TEST_F(MeshTest, TheNearestWellFormedTriangleInFrontIsHitNeverPathsOrUnprepared) {
  const Corners triangle = {Vec3{0, 0, 5}, Vec3{2, 0, 5}, Vec3{0, 2, 5}};
  auto mesh = Soup({triangle});
  const Ray ray = UnitRay({0.5f, 0.5f, 0}, {0, 0, 1});
  ASSERT_EQ(Search(*mesh, ray).distance, 5.0f);
  EXPECT_FALSE(mesh->Intersect(ray, -1.0f));  // one hit per search
  // The limit (the nearest hit so far) excludes equal and farther hits; negative: no limit.
  EXPECT_FALSE(Search(*mesh, ray, 5.0f).hit);
  EXPECT_TRUE(Search(*mesh, UnitRay({1, 1, 0}, {0, 0, 1})).hit);          // on the long edge
  EXPECT_FALSE(Search(*mesh, UnitRay({0.5f, 0.5f, 0}, {0, 0, -1})).hit);  // behind the ray
  auto several = Soup({{Vec3{0, 0, 8}, Vec3{2, 0, 8}, Vec3{0, 2, 8}}, triangle});
  EXPECT_EQ(Search(*several, ray).triangle, 1);
  // Paths and meshes not prepared since their triangles changed are never hit.
  several->is_path = 1;
  several->PrepareRender();
  EXPECT_FALSE(Search(*several, ray).hit);
  mesh->SetTriangleCount(1);
  EXPECT_FALSE(Search(*mesh, ray).hit);
  // Degenerate and NaN triangles are never hit.
  std::vector<Corners> soup;
  for (float x = 0; x < 14; ++x) soup.push_back({Vec3{x, 0, 5}, Vec3{x + 1, 0, 5}, Vec3{x, 1, 5}});
  soup[0] = {Vec3{0, 0, 5}, Vec3{0, 0, 5}, Vec3{1, 0, 5}};  // two equal corners
  soup[1] = {Vec3{NAN, 0, 5}, Vec3{2, 0, 5}, Vec3{1, 1, 5}};
  soup[2] = {Vec3{2, 0, 5}, Vec3{INFINITY, 0, 5}, Vec3{50, 50, 5}};
  mesh = Soup(soup);
  ASSERT_TRUE(mesh->IsPrepared());
  EXPECT_EQ(mesh->triangles[0].normal, (Vec3{0, 0, 0}));  // never NaN
  EXPECT_TRUE(mesh->HasTraceIndex());
  EXPECT_EQ(mesh->trace_min, (Vec3{3, 0, 5}));  // the box of the good triangles only
  EXPECT_EQ(mesh->trace_max, (Vec3{14, 1, 5}));
  for (float x = -0.5f; x < 14; x += 0.125f) {
    const Hit h = Search(*mesh, UnitRay({x, 0.3f, 0}, {0.01f, 0.02f, 1}));
    EXPECT_TRUE(!h.hit || (h.triangle >= 3 && std::isfinite(h.distance))) << h.triangle;
  }
  // Nothing that can be hit: not prepared, never hit, no NaN anywhere.
  auto hopeless = Soup({{Vec3{NAN, NAN, NAN}, Vec3{0, 0, 5}, Vec3{1, 0, 5}},
                        {Vec3{1, 1, 1}, Vec3{1, 1, 1}, Vec3{1, 1, 1}}});
  EXPECT_FALSE(hopeless->IsPrepared());
  EXPECT_FALSE(Search(*hopeless, UnitRay({0.5f, 0, 0}, {0, 0, 1})).hit);
}

// The index finds exactly the nearest triangle that testing every triangle finds, for rays
// from outside and inside the box, rays aimed at triangles, axis-parallel rays, flat meshes
// and repeated triangles (equal distances: the lowest index wins).
TEST(MeshIntersect, IndexMatchesTestingEveryTriangle) {
  std::mt19937 rng(2024);
  std::uniform_real_distribution<float> coordinate(-9, 9);
  std::normal_distribution<float> gauss;
  int hits = 0;
  for (int round = 0; round < 12; ++round) {
    std::uniform_real_distribution<float> centre(-5, 5),
        offset(-0.3f - 0.3f * (round % 4), 0.3f + 0.3f * (round % 4));
    std::vector<Corners> soup(11 + round * 40);
    const bool flat = round % 3 == 2;  // no extent along z
    for (Corners& t : soup) {
      const Vec3 c{centre(rng), centre(rng), flat ? 1.5f : centre(rng)};
      for (Vec3& p : t) p = c + Vec3{offset(rng), offset(rng), flat ? 0.0f : offset(rng)};
    }
    if (round % 4 == 3)  // every triangle twice, the copies in reverse order
      for (std::size_t k = soup.size(); k-- > 0;) soup.push_back(soup[k]);
    auto indexed = Soup(soup), every = Soup(soup);
    every->ClearTraceIndex();
    ASSERT_TRUE(indexed->HasTraceIndex());
    for (int r = 0; r < 400; ++r) {
      const Vec3 origin{coordinate(rng), coordinate(rng), coordinate(rng)};
      Vec3 direction{gauss(rng), gauss(rng), gauss(rng)};
      if (r % 4 == 1) {  // at a point of a triangle
        const Corners& t = soup[rng() % soup.size()];
        direction = (t[0] + t[1] + t[2]) * (1.0 / 3) - origin;
      } else if (r % 4 == 2) {  // along an axis
        direction = Vec3{float(r % 3 == 0), float(r % 3 == 1), float(r % 3 == 2)} * gauss(rng);
      }
      SCOPED_TRACE(testing::Message() << "round " << round << " ray " << r);
      const Ray ray = UnitRay(origin, direction);
      const Hit a = Search(*indexed, ray), b = Search(*every, ray);
      ASSERT_EQ(a, b) << a.triangle << " " << a.distance << ", " << b.triangle << " " << b.distance;
      hits += a.hit;
      // Shadow rays: some triangle nearer than a limit exactly when the nearest one is.
      const double limit = a.hit ? a.distance : 1e9;
      const double above = std::nextafter(static_cast<float>(limit), INFINITY);
      for (const MeshObject* mesh : {indexed.get(), every.get()}) {
        RayHit any;
        EXPECT_FALSE(mesh->TraceAnyBelow(ray, limit, &any));
        EXPECT_EQ(mesh->TraceAnyBelow(ray, above, &any), a.hit);
      }
    }
  }
  EXPECT_GT(hits, 1200);  // the comparison covers plenty of hits
}

// Point normals leave out NaN triangles; smooth normals weigh them barycentrically.
TEST(MeshSmoothNormal, BarycentricWeightsOfThePointNormals) {
  auto mesh = MakeMesh({{0, 0, 5}, {2, 0, 5}, {0, 2, 5}, {NAN, 1, 5}}, {{0, 1, 2}, {0, 2, 3}});
  mesh->SetFlag(kUsePhong, true);
  mesh->PrepareRender();
  ASSERT_NE(mesh->point_normals, nullptr);
  for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(mesh->point_normals[i], (Vec3{0, 0, 1}));
  for (uint32_t i = 0; i < 3; ++i)
    mesh->point_normals[i] = Vec3{float(i == 0), float(i == 1), float(i == 2)};
  Vec3 n;
  EXPECT_FALSE(mesh->SmoothNormalAt(Vec3{}, &n));  // no hit yet
  ASSERT_TRUE(Search(*mesh, UnitRay({0.5f, 0.5f, 0}, {0, 0, 1})).hit);
  const std::pair<Vec3, Vec3> cases[] = {{{0, 0, 5}, {1, 0, 0}}, {{1, 1, 5}, {0, 0.5f, 0.5f}}};
  for (const auto& [p, expected] : cases) {
    ASSERT_TRUE(mesh->SmoothNormalAt(p, &n));
    EXPECT_LT(Distance(n, expected), 1e-6) << n;
  }
}

TEST(MeshMapping, SphereFromItsCentrePlaneAlongZOthersAlongTheNormal) {
  Texture chess(kTextureChess);
  Material material;
  material.setTexture(kDiffuse, &chess);
  material.setHasTexture(kDiffuse, 1);
  auto mesh = Soup({{Vec3{-2, -2, 10}, Vec3{2, -2, 10}, Vec3{0, 2, 10}}});
  mesh->material = &material;
  const auto U = [&](float x, float y) {
    mesh->PrepareRender();
    EXPECT_TRUE(Search(*mesh, UnitRay({x, y, 0}, {0, 0, 1})).hit);
    mesh->NormalAt(nullptr, mesh->hit_point);
    mesh->ComputeTextureUV();
    return mesh->TextureU();
  };
  // The same coordinates as a ray from the centre towards the hit point gives the sphere itself.
  MathSphere reference(1);
  reference.placement.position = Vec3{0.25f, 0, 0};
  mesh->SetMappingObject(reference.Clone());
  ASSERT_GT(Shoot(reference, {0.25f, 0, 0}, {0.25f, 0.5f, 10}), 0.0f);
  EXPECT_EQ(U(0.5f, 0.5f), reference.TextureU());
  EXPECT_EQ(mesh->TextureV(), reference.TextureV());
  // A plane maps along its z axis from the hit point.
  auto* plane = new MathPlane;
  plane->placement.position = Vec3{0, 0, 15};
  mesh->SetMappingObject(plane);
  EXPECT_FLOAT_EQ(U(0.4f, -0.6f), 0.7f);      // frac(0.5 + 0.4 / 2)
  plane->placement.position = Vec3{0, 0, 5};  // behind the hit point: no coordinates
  EXPECT_EQ(U(0.4f, -0.6f), -1.0f);
  plane->placement.axis_Z = Vec3{0, 0, -1};  // now the ray runs towards it
  EXPECT_FLOAT_EQ(U(0.4f, -0.6f), 0.7f);
  // Other objects map along the triangle's normal.
  auto* group = new GroupObject;
  auto* member = new MathPlane;
  member->placement.position = Vec3{0, 0, 12};
  group->AddMember(member);
  mesh->SetMappingObject(group);
  EXPECT_FLOAT_EQ(U(0.4f, 0.2f), 0.7f);  // the triangle's normal is (0, 0, 1)
  member->placement.position = Vec3{0, 0, 8};
  EXPECT_EQ(U(0.4f, 0.2f), -1.0f);
  mesh->SetMappingObject(nullptr);
  EXPECT_EQ(U(0.4f, 0.2f), -1.0f);
}
}  // namespace
}  // namespace orvane
