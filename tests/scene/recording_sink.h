#pragma once
// A PreviewSink that records the preview geometry, and helpers of the scene tests.

#include <gtest/gtest.h>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>
#include "scene/mesh_object.h"
#include "scene/preview_sink.h"

namespace orvane::testing_support {
struct RecordingSink : PreviewSink {
  struct Primitive {
    int32_t mode = 0;
    std::vector<Vec3> vertices;
  };
  struct List {
    uint32_t name = 0;
    std::vector<Primitive> primitives;
  };
  uint32_t BeginList(const SceneObject&, uint32_t name) override {
    lists.push_back(List{name ? name : next_name++, {}});
    return lists.back().name;
  }
  void EndList() override {}
  void Begin(int32_t mode) override {
    if (lists.empty()) lists.push_back(List{});
    lists.back().primitives.push_back(Primitive{mode, {}});
  }
  void Normal(const Vec3&) override {}
  void Vertex(const Vec3& v) override {
    if (!lists.empty() && !lists.back().primitives.empty())
      lists.back().primitives.back().vertices.push_back(v);
  }
  void End() override {}
  void DeleteList(uint32_t name) override { deleted.push_back(name); }
  std::vector<List> lists;
  std::vector<uint32_t> deleted;
  uint32_t next_name = 1;
};

inline void ExpectNear(const Vec3& v, const Vec3& expected, float tolerance = 1e-5f) {
  EXPECT_LT(Distance(v, expected), tolerance) << v << " expected " << expected;
}
inline Ray UnitRay(const Vec3& origin, const Vec3& direction) {
  Ray ray{0, 0, origin, direction};
  ray.Normalize();
  return ray;
}
template <class T>
T* Named(T* item, const char* name) {
  item->name = name;
  return item;
}
// The item's bump and normal at `at`, each written over (9, 9, 9).
inline Vec3 BumpOf(SceneObject& item) {
  Vec3 bump{9, 9, 9};
  item.BumpAt(&bump);
  return bump;
}
inline Vec3 NormalOf(SceneObject& item, const Vec3& at) {
  Vec3 normal{9, 9, 9};
  item.NormalAt(&normal, at);
  return normal;
}
// Resets the item and shoots one unit ray at it: the hit distance, or -1 for none.
inline float Shoot(SceneObject& item, const Vec3& origin, const Vec3& direction) {
  item.ResetRayState();
  return item.Intersect(UnitRay(origin, direction), -1.0f) ? item.NearDistance() : -1.0f;
}
// What the item draws into its first display list.
template <class Item>
std::vector<RecordingSink::Primitive> Drawn(Item&& item) {
  RecordingSink sink;
  item.BuildPreview(sink, 0);
  return sink.lists.at(0).primitives;
}
using Triangles = std::vector<std::array<uint32_t, 3>>;
inline std::unique_ptr<MeshObject> MakeMesh(const std::vector<Vec3>& points,
                                            const Triangles& triangles) {
  auto mesh = std::make_unique<MeshObject>();
  EXPECT_EQ(mesh->SetPointCount(static_cast<uint32_t>(points.size())), 0);
  for (uint32_t i = 0; i < points.size(); ++i) EXPECT_EQ(mesh->SetPoint(i, points[i]), 0);
  EXPECT_EQ(mesh->SetTriangleCount(static_cast<uint32_t>(triangles.size())), 0);
  for (uint32_t i = 0; i < triangles.size(); ++i)
    EXPECT_EQ(mesh->SetTriangle(i, triangles[i][0], triangles[i][1], triangles[i][2]), 0);
  mesh->Refresh();
  return mesh;
}
}  // namespace orvane::testing_support
