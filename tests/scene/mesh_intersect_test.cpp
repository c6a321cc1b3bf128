#include <gtest/gtest.h>
#include <array>
#include <cmath>
#include <memory>
#include <random>
#include <sstream>
#include <vector>
#include "foundation/error_output.h"
#include "material/material.h"
#include "material/texture.h"
#include "scene/group_object.h"
#include "scene/math_plane.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"
#include "scene/scene_checks.h"

namespace orvane {
namespace {
using Corners = std::array<Vec3, 3>;
using testing_support::UnitRay;

// A mesh of separate triangles (three points each), prepared for tracing.
std::unique_ptr<MeshObject> Soup(const std::vector<Corners>& triangles) {
  auto mesh = std::make_unique<MeshObject>();
  const auto n = static_cast<uint32_t>(triangles.size());
  EXPECT_EQ(mesh->SetPointCount(3 * n), 0);
  EXPECT_EQ(mesh->SetTriangleCount(n), 0);
  for (uint32_t i = 0; i < n; ++i) {
    for (uint32_t k = 0; k < 3; ++k) mesh->SetPoint(3 * i + k, triangles[i][k]);
    mesh->SetTriangle(i, 3 * i, 3 * i + 1, 3 * i + 2);
  }
  mesh->PrepareRender();
  return mesh;
}

struct Hit {
  bool hit = false;
  long triangle = -1;
  float distance = 0.0f;
};

Hit Search(MeshObject& mesh, const Ray& ray, float maxDistance = -1.0f) {
  mesh.ResetRayState();
  Hit h;
  h.hit = mesh.Intersect(ray, maxDistance);
  if (h.hit) {
    h.triangle = mesh.hit_triangle - mesh.triangles;
    h.distance = mesh.NearDistance();
  }
  return h;
}

const Corners kTriangle = {Vec3{0, 0, 5}, Vec3{2, 0, 5}, Vec3{0, 2, 5}};

TEST(MeshIntersect, OneTriangleAndTheNearestOfSeveral) {
  auto mesh = Soup({kTriangle});
  const Ray ray = UnitRay({0.5f, 0.5f, 0}, {0, 0, 1});
  ASSERT_EQ(Search(*mesh, ray).distance, 5.0f);
  EXPECT_FALSE(mesh->Intersect(ray, -1.0f));  // one hit per search
  // The limit (the nearest hit so far) excludes equal and farther hits; negative: no limit.
  EXPECT_FALSE(Search(*mesh, ray, 5.0f).hit);
  EXPECT_TRUE(Search(*mesh, UnitRay({1, 1, 0}, {0, 0, 1})).hit);          // on the long edge
  EXPECT_FALSE(Search(*mesh, UnitRay({0.5f, 0.5f, 0}, {0, 0, -1})).hit);  // behind the ray
  // Of several triangles the nearest in front of the origin.
  Corners farther = kTriangle;
  for (Vec3& p : farther) p.z = 8;
  auto several = Soup({farther, kTriangle});
  EXPECT_EQ(Search(*several, ray).triangle, 1);
}

TEST(MeshIntersect, PathsEmptyAndUnpreparedMeshesAreNeverHit) {
  const Ray ray = UnitRay({0.5f, 0.5f, 0}, {0, 0, 1});
  auto path = Soup({kTriangle});
  path->is_path = 1;
  path->PrepareRender();
  EXPECT_FALSE(Search(*path, ray).hit);
  auto mesh = Soup({kTriangle});
  mesh->SetTriangleCount(1);  // a new triangle array: prepare again before tracing
  EXPECT_FALSE(Search(*mesh, ray).hit);
}

std::vector<Corners> Strip(int n) {
  std::vector<Corners> strip;
  for (int i = 0; i < n; ++i) {
    const auto x = static_cast<float>(i);
    strip.push_back({Vec3{x, 0, 5}, Vec3{x + 1, 0, 5}, Vec3{x, 1, 5}});
  }
  return strip;
}

std::vector<Corners> RandomSoup(std::mt19937& rng, int count, float spread, float size) {
  std::uniform_real_distribution<float> centre(-spread, spread);
  std::uniform_real_distribution<float> offset(-size, size);
  std::vector<Corners> soup;
  for (int i = 0; i < count; ++i) {
    const Vec3 c{centre(rng), centre(rng), centre(rng)};
    Corners t;
    for (Vec3& p : t) p = c + Vec3{offset(rng), offset(rng), offset(rng)};
    soup.push_back(t);
  }
  return soup;
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
    std::vector<Corners> soup = RandomSoup(rng, 11 + round * 40, 5, 0.3f + 0.3f * (round % 4));
    if (round % 3 == 2)  // flat: no extent along z
      for (Corners& t : soup)
        for (Vec3& p : t) p.z = 1.5f;
    if (round % 4 == 3) {  // every triangle twice, the copies in reverse order
      for (std::size_t k = soup.size(); k-- > 0;) soup.push_back(soup[k]);
    }
    auto indexed = Soup(soup);
    auto every = Soup(soup);
    every->ClearTraceIndex();
    ASSERT_TRUE(indexed->HasTraceIndex());
    for (int r = 0; r < 400; ++r) {
      const Vec3 origin{coordinate(rng), coordinate(rng), coordinate(rng)};
      Vec3 direction{gauss(rng), gauss(rng), gauss(rng)};
      if (r % 4 == 1) {  // at a point of a triangle
        const Corners& t = soup[rng() % soup.size()];
        direction = (t[0] + t[1] + t[2]) * (1.0 / 3) - origin;
      } else if (r % 4 == 2) {  // along an axis
        direction = Vec3{};
        (r % 3 == 0 ? direction.x : r % 3 == 1 ? direction.y : direction.z) = gauss(rng);
      }
      SCOPED_TRACE(testing::Message() << "round " << round << " ray " << r);
      const Ray ray = UnitRay(origin, direction);
      const Hit a = Search(*indexed, ray);
      const Hit b = Search(*every, ray);
      ASSERT_EQ(a.hit, b.hit);
      EXPECT_EQ(a.triangle, b.triangle);
      EXPECT_EQ(a.distance, b.distance);
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

TEST(MeshIntersect, DegenerateAndNaNTrianglesAreNeverHit) {
  std::ostringstream errors;
  SetErrorOutput(&errors);
  for (int count : {6, 14}) {
    std::vector<Corners> soup = Strip(count);
    soup[0] = {Vec3{0, 0, 5}, Vec3{0, 0, 5}, Vec3{1, 0, 5}};  // two equal corners
    soup[1] = {Vec3{NAN, 0, 5}, Vec3{2, 0, 5}, Vec3{1, 1, 5}};
    soup[2] = {Vec3{2, 0, 5}, Vec3{INFINITY, 0, 5}, Vec3{50, 50, 5}};
    auto mesh = Soup(soup);
    ASSERT_TRUE(mesh->IsPrepared());
    EXPECT_TRUE(mesh->HasTraceIndex());
    EXPECT_EQ(mesh->trace_min, (Vec3{3, 0, 5}));  // the box of the good triangles only
    EXPECT_EQ(mesh->trace_max, (Vec3{float(count), 1, 5}));
    for (float x = -0.5f; x < count; x += 0.125f) {
      const Hit h = Search(*mesh, UnitRay({x, 0.3f, 0}, {0.01f, 0.02f, 1}));
      if (h.hit) {
        EXPECT_GE(h.triangle, 3);
        EXPECT_TRUE(std::isfinite(h.distance));
      }
    }
  }
  // Nothing that can be hit: not prepared, never hit, no NaN anywhere.
  auto hopeless = Soup({{Vec3{NAN, NAN, NAN}, Vec3{0, 0, 5}, Vec3{1, 0, 5}},
                        {Vec3{1, 1, 1}, Vec3{1, 1, 1}, Vec3{1, 1, 1}}});
  EXPECT_FALSE(hopeless->IsPrepared());
  EXPECT_FALSE(Search(*hopeless, UnitRay({0.5f, 0, 0}, {0, 0, 1})).hit);
  SetErrorOutput(nullptr);
}

TEST(MeshSmoothNormal, BarycentricWeightsOfThePointNormals) {
  auto mesh = Soup({kTriangle});
  mesh->SetFlag(kUsePhong, true);
  mesh->PrepareRender();
  ASSERT_NE(mesh->point_normals, nullptr);
  mesh->point_normals[0] = Vec3{1, 0, 0};
  mesh->point_normals[1] = Vec3{0, 1, 0};
  mesh->point_normals[2] = Vec3{0, 0, 1};
  Vec3 n;
  EXPECT_FALSE(mesh->SmoothNormalAt(Vec3{}, &n));  // no hit yet
  ASSERT_TRUE(Search(*mesh, UnitRay({0.5f, 0.5f, 0}, {0, 0, 1})).hit);
  const std::pair<Vec3, Vec3> cases[] = {{{0, 0, 5}, {1, 0, 0}}, {{1, 1, 5}, {0, 0.5f, 0.5f}}};
  for (const auto& [p, expected] : cases) {
    ASSERT_TRUE(mesh->SmoothNormalAt(p, &n));
    EXPECT_LT(Distance(n, expected), 1e-6) << n;
  }
}

TEST(MeshSmoothNormal, PointNormalsLeaveOutNaNTriangles) {
  auto mesh = std::make_unique<MeshObject>();
  mesh->SetPointCount(4);
  mesh->SetPoint(0, 0, 0, 5);
  mesh->SetPoint(1, 2, 0, 5);
  mesh->SetPoint(2, 0, 2, 5);
  mesh->SetPoint(3, NAN, 1, 5);
  mesh->SetTriangleCount(2);
  mesh->SetTriangle(0, 0, 1, 2);
  mesh->SetTriangle(1, 0, 2, 3);
  mesh->SetFlag(kUsePhong, true);
  mesh->PrepareRender();
  for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(mesh->point_normals[i], (Vec3{0, 0, 1}));
}

class MeshMappingTest : public ::testing::Test {
 protected:
  // The material has a texture, so that the mapping object computes coordinates.
  void SetUp() override {
    mesh = Soup({{Vec3{-2, -2, 10}, Vec3{2, -2, 10}, Vec3{0, 2, 10}}});
    material.setTexture(kDiffuse, &chess);
    material.setHasTexture(kDiffuse, 1);
    mesh->material = &material;
  }
  std::array<float, 2> UV(float x, float y) {
    mesh->PrepareRender();
    EXPECT_TRUE(Search(*mesh, UnitRay({x, y, 0}, {0, 0, 1})).hit);
    mesh->NormalAt(nullptr, mesh->hit_point);
    mesh->ComputeTextureUV();
    return {mesh->TextureU(), mesh->TextureV()};
  }
  Texture chess{kTextureChess};
  Material material;
  std::unique_ptr<MeshObject> mesh;
};

TEST_F(MeshMappingTest, SphereSeenFromItsCentre) {
  auto* sphere = new MathSphere(1);
  sphere->placement.position = Vec3{0.25f, 0, 0};
  mesh->SetMappingObject(sphere);
  // The same coordinates as a ray from the centre towards the hit point gives the sphere itself.
  MathSphere reference(1);
  reference.placement.position = sphere->placement.position;
  reference.ResetRayState();
  ASSERT_TRUE(reference.Intersect(UnitRay({0.25f, 0, 0}, {0.25f, 0.5f, 10}), -1.0f));
  const auto uv = UV(0.5f, 0.5f);
  EXPECT_EQ(uv[0], reference.TextureU());
  EXPECT_EQ(uv[1], reference.TextureV());
}

TEST_F(MeshMappingTest, PlaneAlongItsZAxisFromTheHitPoint) {
  auto* plane = new MathPlane;
  plane->placement.position = Vec3{0, 0, 15};
  mesh->SetMappingObject(plane);
  const auto uv = UV(0.4f, -0.6f);
  EXPECT_FLOAT_EQ(uv[0], 0.7f);               // frac(0.5 + 0.4 / 2)
  plane->placement.position = Vec3{0, 0, 5};  // behind the hit point: no coordinates
  EXPECT_EQ(UV(0.4f, -0.6f)[0], -1.0f);
  plane->placement.axis_Z = Vec3{0, 0, -1};  // now the ray runs towards it
  EXPECT_FLOAT_EQ(UV(0.4f, -0.6f)[0], 0.7f);
}

TEST_F(MeshMappingTest, OtherObjectsAlongTheTriangleNormal) {
  auto* group = new GroupObject;
  auto* plane = new MathPlane;
  plane->placement.position = Vec3{0, 0, 12};
  group->AddMember(plane);
  mesh->SetMappingObject(group);
  EXPECT_FLOAT_EQ(UV(0.4f, 0.2f)[0], 0.7f);  // the triangle's normal is (0, 0, 1)
  plane->placement.position = Vec3{0, 0, 8};
  EXPECT_EQ(UV(0.4f, 0.2f)[0], -1.0f);
  mesh->SetMappingObject(nullptr);
  EXPECT_EQ(UV(0.4f, 0.2f)[0], -1.0f);
}
}  // namespace
}  // namespace orvane
