#pragma once
// A PreviewSink that records the preview geometry, and helpers of the scene tests.

#include <gtest/gtest.h>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>
#include "scene/mesh_object.h"
#include "scene/preview_sink.h"
#include "support/mesh_checks.h"

namespace orvane::testing_support {
using test::ExpectNear;
using test::MakeMesh;
using test::Named;
using test::Triangles;

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

inline Ray UnitRay(const Vec3& origin, const Vec3& direction) {
  Ray ray{0, 0, origin, direction};
  ray.Normalize();
  return ray;
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
}  // namespace orvane::testing_support
