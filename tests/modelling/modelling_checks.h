#pragma once
// Mesh checks and the command fixture shared by the modelling tests.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <utility>
#include <vector>

#include "foundation/error_output.h"
#include "scene/mesh_object.h"
#include "support/command_test.h"
#include "support/mesh_checks.h"

namespace orvane::test {

using Objects = std::initializer_list<SceneObject*>;
using Tri = std::array<uint32_t, 3>;
using Tris = Triangles;
constexpr float kNaN = NAN, kInf = INFINITY;

// Neither an item nor a message: the command did nothing.
inline void ExpectNothing(const CommandResult& r) {
  EXPECT_FALSE(r.ok() || r.HasMessage());
}

inline void ExpectIndicesInRange(const MeshObject& m) {
  for (uint32_t i = 0; i < m.triangle_count; ++i)
    ASSERT_TRUE(m.TriangleInRange(m.triangles[i])) << "triangle " << i;
}

// The counts of `m`, and its indices in range; leaves the test when the counts differ.
inline void ExpectCounts(const MeshObject& m, uint32_t points, uint32_t tris) {
  EXPECT_EQ(m.point_count, points);
  EXPECT_EQ(m.triangle_count, tris);
  if (m.point_count != points || m.triangle_count != tris) throw std::runtime_error("counts");
  ExpectIndicesInRange(m);
}

// A closed surface oriented consistently (every directed edge once, always with its reverse)
// that encloses a positive volume, so that its windings face out, and so do the normals.
inline void ExpectClosedOutward(const MeshObject& m) {
  std::map<std::pair<uint32_t, uint32_t>, int> edges;
  double volume6 = 0.0;
  for (uint32_t i = 0; i < m.triangle_count; ++i) {
    const Triangle& t = m.triangles[i];
    const Vec3 &a = m.points[t.a], &b = m.points[t.b], &c = m.points[t.c];
    for (auto e : {std::pair{t.a, t.b}, std::pair{t.b, t.c}, std::pair{t.c, t.a}}) ++edges[e];
    volume6 += Dot(a, Cross(b, c));
    EXPECT_GT(Dot(t.normal, Cross(b - a, c - a)), 0.0) << "triangle " << i;
  }
  for (const auto& [e, n] : edges) {
    EXPECT_EQ(n, 1) << e.first << "->" << e.second;
    EXPECT_EQ(edges.count({e.second, e.first}), 1u) << e.first << "->" << e.second;
  }
  EXPECT_GT(volume6, 0.0);
}

inline std::unique_ptr<MeshObject> MakePath(const std::vector<Vec3>& points) {
  return MakeMesh(points, {}, true);
}

// The command fixture with the error output caught and allocations working again afterwards.
class ModellingTest : public CommandTest {
 protected:
  void SetUp() override {
    SetErrorOutput(&errors_);
    CommandTest::SetUp();
  }
  void TearDown() override {
    FailNextAllocations(0);
    SetErrorOutput(nullptr);
  }
  // Appends `item` to the object list (owned) under `name`.
  template <class T>
  T* Add(T* item, const char* name) {
    scene_.objects->Append(Named(item, name), 1);
    return item;
  }
  std::ostringstream errors_;
};

}  // namespace orvane::test
