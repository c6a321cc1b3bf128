#include <gtest/gtest.h>

#include <memory>

#include "interchange/vrml_export.h"
#include "interchange_test.h"
#include "scene/camera.h"

namespace orvane {
namespace {

using namespace test;

std::string Vrml(SceneObject& item) {
  return ItemText(item, &SceneObject::WriteVrml);
}

// In data/lights_camera.wrl: a point light, a spot, a parallel light and a camera.
TEST(VrmlText, LightsPickTheirNodeAndWriteOnlyTheirFieldsAndTheCameraItsView) {
  LightSource light;
  light.placement.position = {1.0f, 2.0f, 3.0f};
  light.SetColor(255, 0, 51);
  std::string text = Vrml(light);
  light.light_type = kSpotLight;
  light.spot_angle = 0.5f;
  text += Vrml(light);
  light.light_type = kPointLight;
  light.parallel = 1;
  light.placement.axis_Z = {0.0f, -1.0f, 0.0f};
  text += Vrml(light);

  Camera camera;
  camera.placement.position = {1.0f, 2.0f, 3.0f};
  camera.placement.axis_Z = {0.0f, 0.0f, 1.0f};
  EXPECT_EQ(text + Vrml(camera), Expected("lights_camera.wrl"));
}

// In data/scene.wrl: a sphere, the sphere in a group in a group (each nests a Separator,
// indenting the material), a rectangle and a mesh, all with z negated; an infinite plane and a
// path write nothing.
TEST(VrmlExport, SceneWithoutLightsStillWritesTheLightsLine) {
  Scene scene;
  std::ostringstream err;
  ASSERT_TRUE(scene.EnsureLists(err));
  ASSERT_TRUE(scene.objects->Append(new MathPlane, 1));  // infinite: no text
  Material red;
  SetUpRed(red);
  MathSphere* spheres[] = {new MathSphere(1.5f), new MathSphere(1.5f)};
  for (MathSphere* sphere : spheres) {
    sphere->placement.position = {1.0f, 2.0f, 3.0f};
    sphere->material = &red;
  }
  ASSERT_TRUE(scene.objects->Append(spheres[0], 1));
  auto* outer = new GroupObject;
  auto* inner = new GroupObject;
  ASSERT_TRUE(outer->AddMember(inner));
  ASSERT_TRUE(inner->AddMember(spheres[1]));
  ASSERT_TRUE(scene.objects->Append(outer, 1));
  MathPlane* plane = MakePlane(kPlaneRectangle, 2.0f, 1.0f);
  plane->placement.position = {0.0f, 0.0f, 3.0f};
  MeshObject* path = MakeQuadMesh("Quad", 0.0f);
  path->is_path = 1;
  SceneObject* drawn[] = {plane, MakeQuadMesh("Quad", 0.0f), path};
  for (SceneObject* object : drawn) {
    object->material = &red;
    ASSERT_TRUE(scene.objects->Append(object, 1));
  }

  std::ostringstream out;
  ASSERT_TRUE(exportSceneVrml(scene, out));
  EXPECT_EQ(out.str(), Expected("scene.wrl"));
  EXPECT_EQ(spheres[0]->text, nullptr);  // the caches are released again
  EXPECT_EQ(red.text, nullptr);
}

TEST(VrmlExport, ObjectFileAndFailures) {
  LightSource light;
  std::ostringstream out;
  ASSERT_TRUE(exportObjectVrml(&light, out));
  EXPECT_EQ(out.str(), Expected("light.wrl"));

  EXPECT_FALSE(exportObjectVrml(nullptr, out));
  EXPECT_FALSE(exportObjectVrml(&light, ""));
  EXPECT_FALSE(exportObjectVrml(&light, "/nonexistent-dir/x.wrl"));
  Scene scene;
  EXPECT_FALSE(exportSceneVrml(scene, static_cast<const char*>(nullptr)));

  const TempDir dir;
  ASSERT_TRUE(exportObjectVrml(&light, (dir / "light.wrl").c_str()));
  EXPECT_EQ(ReadText(dir / "light.wrl"), out.str());
}

}  // namespace
}  // namespace orvane
