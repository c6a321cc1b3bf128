#pragma once
// Checks of a mesh's points and triangles, and a small mesh to export and read back.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "scene/mesh_object.h"

namespace orvane::test {

using Triangles = std::vector<std::array<uint32_t, 3>>;

inline void ExpectNear(const Vec3& v, const Vec3& expected, float tolerance = 1e-5f) {
  EXPECT_LT(Distance(v, expected), tolerance) << v << " expected " << expected;
}

template <class T>
T* Named(T* item, const char* name) {
  item->name = name;
  return item;
}

// A mesh (or path) of the given points and triangles, its triangle data computed.
inline std::unique_ptr<MeshObject> MakeMesh(const std::vector<Vec3>& points,
                                            const Triangles& triangles = {}, bool path = false) {
  auto mesh = std::make_unique<MeshObject>();
  mesh->is_path = path ? 1 : 0;
  EXPECT_EQ(mesh->SetPointCount(static_cast<uint32_t>(points.size())), 0);
  for (uint32_t i = 0; i < points.size(); ++i) EXPECT_EQ(mesh->SetPoint(i, points[i]), 0);
  EXPECT_EQ(mesh->SetTriangleCount(static_cast<uint32_t>(triangles.size())), 0);
  for (uint32_t i = 0; i < triangles.size(); ++i)
    EXPECT_EQ(mesh->SetTriangle(i, triangles[i][0], triangles[i][1], triangles[i][2]), 0);
  if (!path) mesh->Refresh();
  return mesh;
}

inline void ExpectPoint(const MeshObject& mesh, uint32_t k, float x, float y, float z) {
  ASSERT_LT(k, mesh.point_count);
  EXPECT_FLOAT_EQ(mesh.points[k].x, x) << "point " << k;
  EXPECT_FLOAT_EQ(mesh.points[k].y, y) << "point " << k;
  EXPECT_FLOAT_EQ(mesh.points[k].z, z) << "point " << k;
}

inline void ExpectTriangle(const MeshObject& mesh, uint32_t j, uint32_t a, uint32_t b, uint32_t c) {
  ASSERT_LT(j, mesh.triangle_count);
  EXPECT_EQ(mesh.triangles[j].a, a) << "triangle " << j;
  EXPECT_EQ(mesh.triangles[j].b, b) << "triangle " << j;
  EXPECT_EQ(mesh.triangles[j].c, c) << "triangle " << j;
}

// `read` has the triangles of `original` and its points with z negated, as a file format with
// the other handedness gives them back.
inline void ExpectMirrored(const MeshObject& original, const MeshObject& read) {
  ASSERT_EQ(read.point_count, original.point_count);
  for (uint32_t k = 0; k < read.point_count; ++k) {
    const Vec3& p = original.points[k];
    ExpectPoint(read, k, p.x, p.y, -p.z);
  }
  ASSERT_EQ(read.triangle_count, original.triangle_count);
  for (uint32_t j = 0; j < read.triangle_count; ++j) {
    const Triangle& t = original.triangles[j];
    ExpectTriangle(read, j, t.a, t.b, t.c);
  }
}

// Four points (moved `offset` along x) and two triangles, with z of both signs.
inline MeshObject* MakeQuadMesh(const char* name, float offset) {
  auto* mesh = new MeshObject();
  mesh->name = name;
  mesh->SetPointCount(4);
  mesh->SetPoint(0, offset, 0.0f, 1.0f);
  mesh->SetPoint(1, offset + 1.0f, 0.0f, 2.0f);
  mesh->SetPoint(2, offset + 1.0f, 1.0f, -3.0f);
  mesh->SetPoint(3, offset, 1.5f, 0.25f);
  mesh->SetTriangleCount(2);
  mesh->SetTriangle(0, 0, 1, 3);
  mesh->SetTriangle(1, 1, 2, 3);
  return mesh;
}

}  // namespace orvane::test
