// VRML 1.0 export: the items' texts and the scene and object files, compared as exact text.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>

#include "interchange/vrml_export.h"
#include "material/material.h"
#include "scene/camera.h"
#include "scene/group_object.h"
#include "scene/light_source.h"
#include "scene/math_plane.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"
#include "scene/scene.h"
#include "support/test_files.h"

namespace orvane {
namespace {

std::string Vrml(SceneObject& item) {
  std::string text;
  item.FreeText();
  if (const LIST* lines = item.WriteVrml()) {
    for (const ListNode* n = lines->head; n; n = n->next) {
      if (const auto* line = dynamic_cast<const String*>(n->item)) text += line->c_str();
    }
  }
  item.FreeText();
  return text;
}

// diffuse (255,0,0) × 0.5, ambient white × 0.2, mirror green × 1, glow none, highlight size
// 50, transparency 0.25.
void SetUpRed(Material& m) {
  m.name = "red";
  m.setColour(kDiffuse, 255, 0, 0);
  m.setValue(kDiffuse, 0, 0.5);
  m.setColour(kAmbient, 255, 255, 255);
  m.setValue(kAmbient, 0, 0.2);
  m.setColour(kMirror, 0, 255, 0);
  m.setValue(kMirror, 0, 1.0);
  m.setColour(kGlow, 255, 255, 255);
  m.setValue(kGlow, 0, 0.0);
  m.setValue(kHighlight, 2, 50.0);
  m.setValue(kTransparent, 0, 0.25);
}

std::string RedLines(const std::string& indent) {
  return indent + "Material {\n" + indent + "diffuseColor  0.50  0.00  0.00\n" + indent +
         "ambientColor  0.20  0.20  0.20\n" + indent + "specularColor  0.00  1.00  0.00\n" +
         indent + "emissiveColor  0.00  0.00  0.00\n" + indent + "shininess  0.50\n" + indent +
         "transparency  0.25\n" + indent + "}\n";
}

const char* const kHeader = "#VRML V1.0 ascii\nInfo{\nstring \"created with Orvane V1.0\"\n}\n";

TEST(VrmlText, SphereNegatesZAndIndentsItsMaterialByNesting) {
  Material red;
  SetUpRed(red);
  auto* sphere = new MathSphere(1.5f);
  sphere->placement.position = {1.0f, 2.0f, 3.0f};
  sphere->material = &red;
  const std::string body =
      "Transform {\ntranslation  1.00  2.00 -3.00\n}\n"
      "Sphere {\nradius  1.50\n}\n}\n";
  EXPECT_EQ(Vrml(*sphere), "Separator {\n" + RedLines("\t") + body);

  GroupObject outer;
  auto* inner = new GroupObject;
  ASSERT_TRUE(outer.AddMember(inner));
  ASSERT_TRUE(inner->AddMember(sphere));
  EXPECT_EQ(Vrml(outer),
            "Separator {\nSeparator {\nSeparator {\n" + RedLines("\t\t\t") + body + "}\n}\n");
  EXPECT_EQ(red.text, nullptr);  // the material's cache is released again
}

TEST(VrmlText, LightsPickTheirNodeAndWriteOnlyTheirFields) {
  LightSource light;
  light.placement.position = {1.0f, 2.0f, 3.0f};
  light.SetColor(255, 0, 51);
  EXPECT_EQ(Vrml(light),
            "PointLight {\non TRUE\nintensity 1\ncolor  1.00  0.00  0.20\n"
            "location  1.00  2.00 -3.00\n}\n");

  light.light_type = kSpotLight;
  light.spot_angle = 0.5f;
  EXPECT_EQ(Vrml(light),
            "SpotLight {\non TRUE\nintensity 1\ncolor  1.00  0.00  0.20\n"
            "location  1.00  2.00 -3.00\ndirection  0.00  0.00 -1.00\ndropOffRate 0\n"
            "cutOffAngle  0.50\n}\n");

  light.light_type = kPointLight;
  light.parallel = 1;
  light.placement.axis_Z = {0.0f, -1.0f, 0.0f};
  EXPECT_EQ(Vrml(light),
            "DirectionalLight {\non TRUE\nintensity 1\ncolor  1.00  0.00  0.20\n"
            "direction  0.00 -1.00  0.00\n}\n");
}

TEST(VrmlText, CameraWritesPositionAndViewDirection) {
  Camera camera;
  camera.placement.position = {1.0f, 2.0f, 3.0f};
  camera.placement.axis_Z = {0.0f, 0.0f, 1.0f};
  EXPECT_EQ(Vrml(camera),
            "PerspectiveCamera {\nposition  1.00  2.00 -3.00\n"
            "orientation  0.00  0.00 -1.00 0\nheightAngle 0.7853\nfocalDistance 5\n}\n");
}

TEST(VrmlText, PlanesWriteTheirOutlineAndInfinitePlanesNothing) {
  Material red;
  SetUpRed(red);
  MathPlane plane;
  plane.material = &red;
  EXPECT_EQ(Vrml(plane), "");  // a fresh plane is infinite

  ASSERT_TRUE(plane.SetPlaneType(kPlaneRectangle));
  ASSERT_TRUE(plane.SetRadiusX(2.0f));
  ASSERT_TRUE(plane.SetRadiusY(1.0f));
  plane.placement.position = {0.0f, 0.0f, 3.0f};
  EXPECT_EQ(Vrml(plane), "Separator {\n" + RedLines("\t") +
                             "Coordinate3 {\npoint [\n2 1 -3,\n-2 1 -3,\n-2 -1 -3,\n2 -1 -3,\n"
                             "]\n}\nIndexedFaceSet {\ncoordIndex [\n0,1,2,3,-1\n]\n}\n}\n");

  ASSERT_TRUE(plane.SetPlaneType(kPlaneEllipse));
  plane.placement.position = {0.0f, 0.0f, 0.0f};
  const std::string ellipse = Vrml(plane);
  // Samples every 0.1 radian: 0, 0.1, ..., 6.2.
  EXPECT_NE(ellipse.find("point [\n2 0 0,\n"), std::string::npos) << ellipse;
  EXPECT_NE(ellipse.find("coordIndex [\n0,1,2,3,"), std::string::npos);
  EXPECT_NE(ellipse.find(",61,62,-1\n]\n"), std::string::npos);
  EXPECT_EQ(ellipse.find(",63,"), std::string::npos);
  char sample[64];
  std::snprintf(sample, sizeof sample, "%g %g 0,\n", 2.0 * std::cos(1.5), 1.0 * std::sin(1.5));
  EXPECT_NE(ellipse.find(sample), std::string::npos) << sample;

  // A circle follows radius_X in both directions, as it is traced.
  ASSERT_TRUE(plane.SetPlaneType(kPlaneCircle));
  std::snprintf(sample, sizeof sample, "%g %g 0,\n", 2.0 * std::cos(1.5), 2.0 * std::sin(1.5));
  EXPECT_NE(Vrml(plane).find(sample), std::string::npos) << sample;
}

TEST(VrmlText, MeshWritesVerticesAndTrianglesAndPathsNothing) {
  MeshObject mesh;
  ASSERT_EQ(mesh.SetPointCount(3), 0);
  mesh.SetPoint(0, 0.0f, 0.0f, 1.0f);
  mesh.SetPoint(1, 1.0f, 0.0f, 1.0f);
  mesh.SetPoint(2, 0.0f, 1.5f, 1.0f);
  ASSERT_EQ(mesh.SetTriangleCount(1), 0);
  ASSERT_EQ(mesh.SetTriangle(0, 0, 1, 2), 0);
  Material red;
  SetUpRed(red);
  mesh.material = &red;
  EXPECT_EQ(Vrml(mesh), "Separator {\n" + RedLines("\t") +
                            "Coordinate3 {\npoint [\n0 0 -1,\n1 0 -1,\n0 1.5 -1,\n]\n}\n"
                            "IndexedFaceSet {\ncoordIndex [\n0,1,2,-1,\n]\n}\n}\n");
  mesh.is_path = 1;
  EXPECT_EQ(Vrml(mesh), "");
}

TEST(VrmlExport, SceneWithoutLightsStillWritesTheLightsLine) {
  Scene scene;
  std::ostringstream err;
  ASSERT_TRUE(scene.EnsureLists(err));
  auto* plane = new MathPlane;  // infinite: no text
  ASSERT_TRUE(scene.objects->Append(plane, 1));
  auto* sphere = new MathSphere(1.0f);
  sphere->placement.position = {1.0f, 2.0f, 3.0f};
  ASSERT_TRUE(scene.objects->Append(sphere, 1));
  Material red;
  SetUpRed(red);
  sphere->material = &red;

  std::ostringstream out;
  ASSERT_TRUE(exportSceneVrml(scene, out));
  EXPECT_EQ(out.str(), std::string(kHeader) + "Separator {\n# lights\n# objects\nSeparator {\n" +
                           RedLines("\t") +
                           "Transform {\ntranslation  1.00  2.00 -3.00\n}\n"
                           "Sphere {\nradius  1.00\n}\n}\n}\n");
  EXPECT_EQ(sphere->text, nullptr);
}

TEST(VrmlExport, ObjectFileAndFailures) {
  LightSource light;
  std::ostringstream out;
  ASSERT_TRUE(exportObjectVrml(&light, out));
  EXPECT_EQ(out.str(), std::string(kHeader) +
                           "Separator {\nPointLight {\non TRUE\nintensity 1\n"
                           "color  1.00  1.00  1.00\nlocation  0.00  0.00  0.00\n}\n}\n");

  EXPECT_FALSE(exportObjectVrml(nullptr, out));
  EXPECT_FALSE(exportObjectVrml(&light, ""));
  EXPECT_FALSE(exportObjectVrml(&light, "/nonexistent-dir/x.wrl"));
  Scene scene;
  EXPECT_FALSE(exportSceneVrml(scene, static_cast<const char*>(nullptr)));

  const test::TempDir dir;
  ASSERT_TRUE(exportObjectVrml(&light, (dir / "light.wrl").c_str()));
  EXPECT_EQ(test::ReadText(dir / "light.wrl"), out.str());
}

}  // namespace
}  // namespace orvane
