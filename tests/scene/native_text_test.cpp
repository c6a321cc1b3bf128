// The native (scene-language) text of the scene items, line by line.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "material/material.h"
#include "scene/camera.h"
#include "scene/group_object.h"
#include "scene/light_source.h"
#include "scene/math_plane.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"

namespace orvane {
namespace {

using Lines = std::vector<std::string>;

Lines TextOf(const LIST* text) {
  Lines lines;
  for (const ListNode* n = text ? text->head : nullptr; n; n = n->next) {
    const auto* line = dynamic_cast<const String*>(n->item);
    lines.push_back(line ? std::string(line->c_str(), line->Length()) : "<not a String>");
  }
  return lines;
}

// The item's native lines; its text is released afterwards.
Lines NativeLines(SceneObject& item) {
  Lines lines = TextOf(item.WriteNative());
  item.FreeText();
  return lines;
}

const Lines kDefaultPlacement = {"position <0,0,0>\n", "axis_deg <0,0,0>\n", "axis_X <1,0,0>\n",
                                 "axis_Y <0,1,0>\n", "axis_Z <0,0,1>\n"};

// header, the default placement, `body`, closing
Lines Block(const std::string& header, const Lines& body, const std::string& closing = "}\n\n") {
  Lines lines = {header};
  lines.insert(lines.end(), kDefaultPlacement.begin(), kDefaultPlacement.end());
  lines.insert(lines.end(), body.begin(), body.end());
  lines.push_back(closing);
  return lines;
}

bool Contains(const Lines& lines, const std::string& line) {
  for (const std::string& l : lines) {
    if (l == line) return true;
  }
  return false;
}

TEST(NativeText, CameraBlockEndsWithASingleLineFeed) {
  Camera camera;
  camera.name = "cam";
  camera.SetZoom(300.0f);
  EXPECT_EQ(NativeLines(camera), Block("camera cam{\n", {"zoom <300>\n"}, "}\n"));
}

TEST(NativeText, LightWritesEffectiveColourWholeDecreaseAndDegrees) {
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
  Lines expected = Block("light sun{\n",
                         {"color <255,150,75>\n", "decrease <12>\n", "spot_angle <20>\n",
                          "fall_off <5>\n", "type spot\n", "has_shadow <1>\n", "parallel <1>\n"});
  expected[1] = "position <1,2,3>\n";
  EXPECT_EQ(NativeLines(light), expected);

  // A fraction of the decrease is dropped, so 0.5 reads back as no fading.
  light.SetDecrease(0.5f);
  light.SetFlag(kHasShadow, false);
  light.light_type = kPointLight;
  light.parallel = 0;
  const Lines lines = NativeLines(light);
  EXPECT_TRUE(Contains(lines, "decrease <0>\n"));
  EXPECT_TRUE(Contains(lines, "type point\n"));
  EXPECT_TRUE(Contains(lines, "has_shadow <0>\n"));
  EXPECT_TRUE(Contains(lines, "parallel <0>\n"));
}

TEST(NativeText, FreshItemsWriteNoFlagLines) {
  MathSphere sphere;
  MathPlane plane;
  MeshObject mesh;
  for (SceneObject* item : {static_cast<SceneObject*>(&sphere), static_cast<SceneObject*>(&plane),
                            static_cast<SceneObject*>(&mesh)}) {
    item->name = "x";
    const Lines lines = NativeLines(*item);
    for (const char* flag :
         {"is_visible <0>\n", "has_shadow <0>\n", "gets_shadow <0>\n", "use_phong <1>\n"}) {
      // The mesh's mapping object is written invisible on purpose; the mesh itself is not.
      const bool mapping = item == &mesh && std::string(flag) == "is_visible <0>\n";
      EXPECT_EQ(Contains(lines, flag), mapping) << item->TypeName() << ": " << flag;
    }
  }
}

TEST(NativeText, SphereWithMaterialAndEveryFlagOff) {
  Material gold;
  gold.name = "gold";
  MathSphere sphere(2.5f);
  sphere.name = "ball";
  EXPECT_EQ(NativeLines(sphere), Block("sphere ball{\n", {"radius <2.5>\n"}));

  sphere.material = &gold;
  sphere.flags = 0;
  EXPECT_EQ(NativeLines(sphere),
            Block("sphere ball{\n", {"radius <2.5>\n", "material gold\n", "is_visible <0>\n",
                                     "has_shadow <0>\n", "gets_shadow <0>\n"}));
}

TEST(NativeText, PlaneWritesHalfExtentsTypeWordAndSides) {
  MathPlane plane;
  plane.name = "floor";
  EXPECT_EQ(NativeLines(plane),
            Block("plane floor{\n", {"radius_X <0>\n", "radius_Y <0>\n", "type infinite\n"}));

  const struct {
    int type;
    const char* line;
  } kTypes[] = {{kPlaneCircle, "type circle\n"},
                {kPlaneRectangle, "type rectangle\n"},
                {kPlaneEllipse, "type ellipse\n"}};
  for (const auto& t : kTypes) {
    ASSERT_TRUE(plane.SetPlaneType(t.type));
    EXPECT_TRUE(Contains(NativeLines(plane), t.line)) << t.line;
  }

  Material m;
  m.name = "tiles";
  plane.material = &m;
  plane.SetRadiusX(3.0f);
  plane.SetRadiusY(0.25f);
  plane.set_single_sided(1);
  plane.SetFlag(kGetsShadow, false);
  EXPECT_EQ(NativeLines(plane),
            Block("plane floor{\n", {"radius_X <3>\n", "radius_Y <0.25>\n", "type ellipse\n",
                                     "single_side\n", "material tiles\n", "gets_shadow <0>\n"}));
}

TEST(NativeText, EmptyGroupIsHeaderPlacementAndClosingLine) {
  GroupObject group;
  group.name = "g";
  EXPECT_EQ(NativeLines(group), Block("object g{\n", {}));
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

  Lines expected = {"object outer{\n"};
  const Lines parts[] = {kDefaultPlacement,
                         Block("object inner{\n", {}),
                         Block("camera eye{\n", {"zoom <200>\n"}, "}\n"),
                         {"}\n\n"}};
  for (const Lines& p : parts) expected.insert(expected.end(), p.begin(), p.end());
  // The inner group's placement is followed by the ball before its closing line.
  const Lines ball_block = Block("sphere ball{\n", {"radius <1>\n"});
  expected.insert(expected.begin() + 12, ball_block.begin(), ball_block.end());

  EXPECT_EQ(NativeLines(outer), expected);
  EXPECT_EQ(inner->text, nullptr);
  EXPECT_EQ(ball->text, nullptr);
  EXPECT_EQ(cam->text, nullptr);
}

// A mesh of three points and one triangle, named `name`.
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
  Material m;
  m.name = "clay";
  MeshObject mesh;
  MakeTriangle(mesh, "tri");
  mesh.material = &m;

  Lines expected =
      Block("sphere tri_mat_object{\n", {"radius <1>\n", "material clay\n", "is_visible <0>\n"});
  const Lines points = {"points tri{\n", "number <3>\n",   "<0,0,0>\n",
                        "<1.5,0,0>\n",   "<0,-2,0.001>\n", "}\n\n"};
  const Lines trimesh =
      Block("trimesh tri{\n", {"points tri\n", "triangles <1>\n", "<0,1,2>\n", "material clay\n",
                               "material_object tri_mat_object\n"});
  expected.insert(expected.end(), points.begin(), points.end());
  expected.insert(expected.end(), trimesh.begin(), trimesh.end());
  EXPECT_EQ(NativeLines(mesh), expected);

  // The mapping object was prepared for loading: renamed, invisible, with the mesh's material.
  ASSERT_NE(mesh.mapping_object, nullptr);
  EXPECT_EQ(mesh.mapping_object->name, "tri_mat_object");
  EXPECT_FALSE(mesh.mapping_object->HasFlag(kIsVisible));
  EXPECT_EQ(mesh.mapping_object->material, &m);
  EXPECT_EQ(mesh.mapping_object->text, nullptr);
}

TEST(NativeText, MeshFlagLinesInTheirOrder) {
  MeshObject mesh;
  MakeTriangle(mesh, "m");
  mesh.flags = kUsePhong;  // invisible, no shadows, smooth
  const Lines lines = NativeLines(mesh);
  ASSERT_GE(lines.size(), 5u);
  const Lines tail(lines.end() - 5, lines.end());
  EXPECT_EQ(tail, (Lines{"is_visible <0>\n", "use_phong <1>\n", "has_shadow <0>\n",
                         "gets_shadow <0>\n", "}\n\n"}));
}

TEST(NativeText, MeshLeavesOutTrianglesBeyondItsPoints) {
  MeshObject mesh;
  MakeTriangle(mesh, "m");
  ASSERT_EQ(mesh.SetTriangleCount(2), 0);
  ASSERT_EQ(mesh.SetTriangle(0, 0, 1, 2), 0);
  ASSERT_EQ(mesh.SetTriangle(1, 2, 1, 0), 0);
  // Fewer points: the triangles now name a point that is gone.
  ASSERT_EQ(mesh.SetPointCount(2), 0);
  const Lines lines = NativeLines(mesh);
  EXPECT_TRUE(Contains(lines, "triangles <0>\n"));
  EXPECT_FALSE(Contains(lines, "<0,1,2>\n"));
  EXPECT_FALSE(Contains(lines, "<2,1,0>\n"));
}

TEST(NativeText, MeshWithoutMappingObjectWritesNoneAndNoReference) {
  MeshObject mesh;
  MakeTriangle(mesh, "bare");
  mesh.SetMappingObject(nullptr);
  const Lines lines = NativeLines(mesh);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "points bare{\n");
  for (const std::string& l : lines) EXPECT_EQ(l.find("material_object"), std::string::npos);
}

}  // namespace
}  // namespace orvane
