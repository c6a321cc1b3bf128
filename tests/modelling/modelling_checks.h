#pragma once
// Mesh checks shared by the modelling tests: near points, indices in range, closed outward
// surfaces, and small meshes and paths built from lists.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "scene/mesh_object.h"

namespace orvane::test {

inline void ExpectNear(const Vec3& v, const Vec3& expected, float tolerance = 1e-5f) {
  EXPECT_NEAR(v.x, expected.x, tolerance);
  EXPECT_NEAR(v.y, expected.y, tolerance);
  EXPECT_NEAR(v.z, expected.z, tolerance);
}

inline void ExpectIndicesInRange(const MeshObject& m) {
  for (uint32_t i = 0; i < m.triangle_count; ++i)
    ASSERT_TRUE(m.TriangleInRange(m.triangles[i])) << "triangle " << i;
}

// A closed surface oriented consistently (every directed edge once, always with its reverse)
// that encloses a positive volume, so that its normals face out.
inline void ExpectClosedOutward(const MeshObject& m) {
  std::map<std::pair<uint32_t, uint32_t>, int> edges;
  double volume6 = 0.0;
  for (uint32_t i = 0; i < m.triangle_count; ++i) {
    const Triangle& t = m.triangles[i];
    for (auto e : {std::pair{t.a, t.b}, std::pair{t.b, t.c}, std::pair{t.c, t.a}}) ++edges[e];
    volume6 += Dot(m.points[t.a], Cross(m.points[t.b], m.points[t.c]));
  }
  for (const auto& [e, n] : edges) {
    EXPECT_EQ(n, 1) << e.first << "->" << e.second;
    EXPECT_EQ(edges.count({e.second, e.first}), 1u) << e.first << "->" << e.second;
  }
  EXPECT_GT(volume6, 0.0);
}

// A mesh (or path) of the given points and triangles, its triangle data computed.
inline std::unique_ptr<MeshObject> MakeMesh(const std::vector<Vec3>& points,
                                            const std::vector<std::array<uint32_t, 3>>& tris = {},
                                            bool path = false) {
  auto mesh = std::make_unique<MeshObject>();
  mesh->is_path = path ? 1 : 0;
  EXPECT_EQ(mesh->SetPointCount(static_cast<uint32_t>(points.size())), 0);
  for (uint32_t i = 0; i < points.size(); ++i) mesh->SetPoint(i, points[i]);
  EXPECT_EQ(mesh->SetTriangleCount(static_cast<uint32_t>(tris.size())), 0);
  for (uint32_t i = 0; i < tris.size(); ++i)
    EXPECT_EQ(mesh->SetTriangle(i, tris[i][0], tris[i][1], tris[i][2]), 0);
  if (!path) mesh->Refresh();
  return mesh;
}

inline std::unique_ptr<MeshObject> MakePath(const std::vector<Vec3>& points) {
  return MakeMesh(points, {}, true);
}

}  // namespace orvane::test
