#include <gtest/gtest.h>
#include <filesystem>
#include <memory>
#include <string>
#include "material/material.h"
#include "scene/camera.h"
#include "scene/group_object.h"
#include "scene/light_source.h"
#include "scene/math_plane.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"
#include "support/test_files.h"

namespace orvane {
namespace {
const std::filesystem::path kDataDir = std::filesystem::path(__FILE__).parent_path() / "data";

// The item's native text; its text is released afterwards.
std::string NativeText(SceneObject& item) {
  std::string text;
  const LIST* lines = item.WriteNative();
  for (const ListNode* n = lines ? lines->head : nullptr; n; n = n->next) {
    const auto* line = dynamic_cast<const String*>(n->item);
    if (!line) {
      ADD_FAILURE() << "a line that is not a String";
      continue;
    }
    const std::string s(line->c_str(), line->Length());
    // One line per String; a block's closing brace carries the empty line after it.
    EXPECT_TRUE(s.find('\n') == s.size() - 1 || s == "}\n\n") << s;
    text += s;
  }
  item.FreeText();
  return text;
}

// The item writes the data file `name`, and so does its copy unless `copy_too` is false.
void ExpectText(SceneObject& item, const char* name, bool copy_too = true) {
  SCOPED_TRACE(name);
  const std::string expected = test::ReadText((kDataDir / name).string());
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(NativeText(item), expected);
  if (!copy_too) return;
  std::unique_ptr<SceneObject> copy(item.Clone());
  ASSERT_NE(copy, nullptr);
  EXPECT_STREQ(copy->TypeName(), item.TypeName());
  EXPECT_EQ(NativeText(*copy), expected);
}

TEST(NativeText, CameraAndLightBlocks) {
  Camera camera;  // the only block closed by a single line feed
  camera.name = "cam";
  camera.SetZoom(300.0f);
  ExpectText(camera, "camera.txt");
  // A light writes its effective colour, the whole decrease and its angles in degrees.
  LightSource light;
  light.name = "sun";
  light.placement.position = Vec3{1, 2, 3};
  light.SetColor(200, 100, 50);
  light.SetBrightness(1.5f);
  light.SetDecrease(12.7f);
  light.SetSpotAngle(LightAngleFromDegrees(20.0));
  light.SetFallOff(LightAngleFromDegrees(5.0));
  light.light_type = kSpotLight;
  light.parallel = 1;
  ExpectText(light, "light_spot.txt");
  // A fraction of the decrease is dropped, so 0.5 reads back as no fading.
  light.SetDecrease(0.5f);
  light.SetFlag(kHasShadow, false);
  light.light_type = kPointLight;
  light.parallel = 0;
  ExpectText(light, "light_point.txt");
}

TEST(NativeText, SphereAndPlaneWriteFlagLinesOnlyWhenOff) {
  Material gold;
  gold.name = "gold";
  MathSphere sphere(2.5f);
  sphere.name = "ball";
  sphere.material = &gold;
  sphere.flags = 0;
  ExpectText(sphere, "sphere_gold.txt");
  MathPlane plane;
  plane.name = "floor";
  ExpectText(plane, "plane.txt");
  ASSERT_TRUE(plane.SetPlaneType(kPlaneCircle));
  EXPECT_NE(NativeText(plane).find("type circle\n"), std::string::npos);
  ASSERT_TRUE(plane.SetPlaneType(kPlaneRectangle));
  EXPECT_NE(NativeText(plane).find("type rectangle\n"), std::string::npos);
  ASSERT_TRUE(plane.SetPlaneType(kPlaneEllipse));
  Material tiles;
  tiles.name = "tiles";
  plane.material = &tiles;
  plane.SetRadiusX(3.0f);
  plane.SetRadiusY(0.25f);
  plane.set_single_sided(1);
  plane.SetFlag(kGetsShadow, false);
  ExpectText(plane, "plane_ellipse.txt");
}

TEST(NativeText, GroupNestsMemberBlocksInOrderAndReleasesTheirText) {
  GroupObject outer;
  outer.name = "outer";
  auto* inner = new GroupObject;
  inner->name = "inner";
  auto* ball = new MathSphere(1.0f);
  ball->name = "ball";
  auto* cam = new Camera;  // any item: a member whose block ends differently
  cam->name = "eye";
  ASSERT_TRUE(inner->AddMember(ball));
  ASSERT_TRUE(outer.AddMember(inner));
  ASSERT_TRUE(outer.AddMember(cam));
  // A stale text of another format in a member must not leak into the native text.
  AppendLine(*cam->WriteVrml(), "stale");
  ExpectText(outer, "group_nested.txt");
  EXPECT_EQ(cam->text, nullptr);
}

void MakeTriangle(MeshObject& mesh, const char* name) {
  mesh.name = name;
  ASSERT_EQ(mesh.SetPointCount(3), 0);
  mesh.SetPoint(0, 0.0f, 0.0f, 0.0f);
  mesh.SetPoint(1, 1.5f, 0.0f, 0.0f);
  mesh.SetPoint(2, 0.0f, -2.0f, 1e-3f);
  ASSERT_EQ(mesh.SetTriangleCount(1), 0);
  ASSERT_EQ(mesh.SetTriangle(0, 0, 1, 2), 0);
}

TEST(NativeText, MeshWritesMappingObjectPointsBlockThenTrimesh) {
  Material clay;
  clay.name = "clay";
  MeshObject mesh;
  MakeTriangle(mesh, "tri");
  mesh.material = &clay;
  // The mapping object is written renamed, invisible and with the mesh's material.
  ExpectText(mesh, "mesh_triangle.txt");
}

TEST(NativeText, MeshLeavesOutTrianglesBeyondItsPointsAndAMissingMappingObject) {
  MeshObject mesh;
  MakeTriangle(mesh, "m");
  ASSERT_EQ(mesh.SetTriangleCount(2), 0);
  ASSERT_EQ(mesh.SetTriangle(0, 0, 1, 2), 0);
  ASSERT_EQ(mesh.SetTriangle(1, 2, 1, 0), 0);
  // Fewer points: the triangles now name a point that is gone.
  ASSERT_EQ(mesh.SetPointCount(2), 0);
  ExpectText(mesh, "mesh_beyond_points.txt");
  MeshObject bare;
  MakeTriangle(bare, "bare");
  bare.SetMappingObject(nullptr);
  ExpectText(bare, "mesh_bare.txt", false);  // a copy gets a mapping sphere of its own
}
}  // namespace
}  // namespace orvane
