#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/list.h"
#include "foundation/ov_string.h"
#include "material/material.h"
#include "scene/group_object.h"
#include "scene/light_source.h"
#include "scene/math_plane.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"
#include "scene/scene.h"
#include "support/mesh_checks.h"
#include "support/test_files.h"

namespace orvane::test {

// A DXF section start, and one face with the corners (1,2,3), (4,5,6), (7,8,9) and (10,11,12).
const std::string kHeader = "0\nSECTION\n2\nENTITIES\n";
const char* const kFace =
    "0\n3DFACE\n10\n1\n20\n2\n30\n3\n11\n4\n21\n5\n31\n6\n12\n7\n22\n8\n32\n9\n13\n10\n23\n11\n"
    "33\n12\n";

// The lines `write` (WritePov or WriteVrml) gives for `item`, joined, with no text cached.
template <class T, class Write>
std::string ItemText(T& item, Write write) {
  item.FreeText();
  std::ostringstream text;
  WriteLines(text, (item.*write)());
  item.FreeText();
  return text.str();
}

// The whole text of data/`name`.
inline std::string Expected(const char* name) {
  return ReadText(std::filesystem::path(__FILE__).parent_path() / "data" / name);
}

// "red": diffuse (255,0,0) × 0.5, ambient white × 0.2, mirror green × 1, highlight brightness
// 0.8 and size 50, transparency 0.25; glow (white × 0) and refraction (none) keep their defaults.
inline void SetUpRed(Material& m, const char* name = "red") {
  m.name = name;
  m.setColour(kDiffuse, 255, 0, 0);
  m.setValue(kDiffuse, 0, 0.5);
  m.setValue(kAmbient, 0, 0.2);
  m.setColour(kMirror, 0, 255, 0);
  m.setValue(kMirror, 0, 1.0);
  m.setValue(kHighlight, 1, 0.8);
  m.setValue(kHighlight, 2, 50.0);
  m.setValue(kTransparent, 0, 0.25);
}

inline MathPlane* MakePlane(int type, float x, float y) {
  auto* plane = new MathPlane;
  EXPECT_TRUE(plane->SetPlaneType(type) && plane->SetRadiusX(x) && plane->SetRadiusY(y));
  return plane;
}

// An item of every kind, all of the returned material "red-glass.2" (no POV-Ray identifier).
inline Material* FillScene(Scene& scene) {
  std::ostringstream errors;
  EXPECT_TRUE(scene.EnsureLists(errors));
  auto* red = new Material;
  SetUpRed(*red, "red-glass.2");
  EXPECT_TRUE(scene.materials->Append(red, 1));
  for (int i = 0; i < 3; ++i) {
    auto* light = new LightSource;
    light->light_type = i == 1 ? kSpotLight : kPointLight;
    light->parallel = i == 2 ? 1 : 0;
    light->placement.position = {1.0f + static_cast<float>(i), 5.0f, 2.0f};
    EXPECT_TRUE(scene.lights->Append(light, 1));
  }
  auto* sphere = new MathSphere(1.5f);
  sphere->placement.position = {0.0f, 0.0f, 5.0f};
  auto* group = new GroupObject;
  MeshObject* mesh = MakeQuadMesh("Quad", 0.0f);
  EXPECT_TRUE(group->AddMember(mesh));
  SceneObject* objects[] = {sphere, MakePlane(kPlaneRectangle, 2.0f, 1.0f),
                            MakePlane(kPlaneCircle, 2.0f, 1.0f),
                            MakePlane(kPlaneEllipse, 2.0f, 1.0f), group};
  objects[1]->placement.axis_deg = {90.0f, 0.0f, 0.0f};
  for (SceneObject* object : objects) {
    object->material = red;
    EXPECT_TRUE(scene.objects->Append(object, 1));
  }
  mesh->material = red;
  return red;
}

inline void ExpectMesh(const MeshObject& mesh, const std::vector<Vec3>& points,
                       const std::vector<std::array<uint32_t, 3>>& triangles) {
  ASSERT_EQ(mesh.point_count, points.size());
  for (uint32_t k = 0; k < points.size(); ++k)
    ExpectPoint(mesh, k, points[k].x, points[k].y, points[k].z);
  ASSERT_EQ(mesh.triangle_count, triangles.size());
  for (uint32_t j = 0; j < triangles.size(); ++j)
    ExpectTriangle(mesh, j, triangles[j][0], triangles[j][1], triangles[j][2]);
}

// The meshes an import gave: the members of a group (which must all be meshes) or the mesh.
inline std::vector<const MeshObject*> Meshes(const SceneObject* object) {
  if (object && object->GetType() == kItemMesh) return {static_cast<const MeshObject*>(object)};
  std::vector<const MeshObject*> meshes;
  const auto* group = dynamic_cast<const GroupObject*>(object);
  for (const ListNode* n = group ? group->members.head : nullptr; n; n = n->next)
    meshes.push_back(dynamic_cast<const MeshObject*>(n->item));
  EXPECT_EQ(std::count(meshes.begin(), meshes.end(), nullptr), 0) << "a member that is no mesh";
  return meshes;
}

}  // namespace orvane::test
