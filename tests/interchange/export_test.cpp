#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "imageio/dib.h"
#include "interchange/pov_export.h"
#include "interchange/vrml_export.h"
#include "interchange_test.h"
#include "material/texture.h"
#include "scene/camera.h"

namespace orvane {
namespace {

using namespace test;

template <class T>
std::string Pov(T& item) {
  return ItemText(item, &T::WritePov);
}
std::string Vrml(SceneObject& item) {
  return ItemText(item, &SceneObject::WriteVrml);
}

TEST(PovText, MaterialDeclaresSphereAndPlaneTextures) {
  Material red;
  SetUpRed(red);
  EXPECT_EQ(Pov(red), Expected("red.pov"));
  red.setValue(kTransparent, 2, 1.5);
  Texture wood(kTextureImage), bumps(kTextureImage);
  wood.fileName = "wood.tga";
  bumps.fileName = "bumps.tga";
  red.setTexture(kDiffuse, &wood);
  red.setHasTexture(kDiffuse, 1);
  red.setTexture(kBump, &bumps);
  red.setHasTexture(kBump, 1);
  red.setValue(kBump, 0, 0.3);
  EXPECT_EQ(Pov(red), Expected("red_textured.pov"));
  // Names that are no POV-Ray identifier are made one; the picture type follows the file's
  // extension, and the file name is a POV-Ray string with its backslashes escaped.
  red.name = "2-tone.red";
  wood.fileName = "C:\\tex\\Wood.JPG";
  red.setTexture(kDiffuse, &wood);
  const std::string text = Pov(red);
  const std::string start =
      "#declare _2_tone_red_sph=texture { pigment { image_map { jpeg "
      "\"C:\\\\tex\\\\Wood.JPG\" map_type 1 once } ";
  EXPECT_EQ(text.substr(0, start.size()), start);
  EXPECT_NE(text.find("#declare _2_tone_red_pln="), std::string::npos);
}

// The texts follow one another in data/items.pov: a camera, a spot, a sphere, a turned
// ellipse, a laid-down rectangle and a mesh mapped by a plane (one triangle of it out of range).
TEST(ItemText, EveryKindInPovAndTheLightsAndCameraInVrml) {
  Camera camera;
  camera.placement.position = {0.0f, 0.0f, -10.0f};
  camera.placement.axis_Z = {0.0f, 0.0f, 1.0f};
  camera.setImageSize(320, 240);
  camera.SetZoom(160.0f);  // 2 atan(160 / 160) = 90 degrees
  std::string text = Pov(camera);
  LightSource light;
  light.placement.position = {1.0f, 2.0f, 3.0f};
  light.SetColor(255, 0, 51);
  light.SetDecrease(100.0f);
  light.SetFlag(kHasShadow, false);
  light.light_type = kSpotLight;
  light.spot_angle = 0.5f;
  light.fall_off = 0.1f;
  text += Pov(light);
  Material red;
  SetUpRed(red);
  auto* sphere = new MathSphere(1.5f);
  sphere->placement.position = {1.0f, 2.0f, 3.0f};
  sphere->material = &red;
  text += Pov(*sphere);
  std::unique_ptr<MathPlane> plane(MakePlane(kPlaneEllipse, 2.0f, 1.0f));
  plane->material = &red;
  plane->placement.position = {1.0f, 2.0f, 3.5f};
  // Angles that describe the frame (turned about Y, then X, then Z) are written as rotations.
  plane->placement.axis_deg = {10.0f, 20.0f, 30.0f};
  plane->placement.RotateAxesEuler(plane->placement.axis_deg, MakeEulerOrder(2, 1, 3));
  text += Pov(*plane);
  // A plane laid down by its normal keeps angles of 0: its frame is written as a matrix (the
  // rotations would stand it upright).
  std::unique_ptr<MathPlane> floor(MakePlane(kPlaneRectangle, 3.0f, 2.0f));
  floor->material = &red;
  floor->PointAlong({0.0f, 1.0f, 0.0f});
  text += Pov(*floor);
  std::unique_ptr<MeshObject> mesh(MakeQuadMesh("Quad", 0.0f));
  mesh->material = &red;
  mesh->triangles[1].c = 4;  // beyond the points: left out
  mesh->SetMappingObject(new MathPlane);
  text += Pov(*mesh);
  mesh->is_path = 1;
  EXPECT_EQ(Pov(*mesh), "");
  EXPECT_EQ(text, Expected("items.pov"));
  GroupObject group;
  ASSERT_TRUE(group.AddMember(sphere));
  EXPECT_EQ(Pov(group), Pov(*sphere));
  // In data/lights_camera.wrl: the spot, the light made parallel and the camera.
  text = Vrml(light);
  light.light_type = kPointLight;
  light.parallel = 1;
  light.placement.axis_Z = {0.0f, -1.0f, 0.0f};
  EXPECT_EQ(text + Vrml(light) + Vrml(camera), Expected("lights_camera.wrl"));
}

// In data/scene.wrl: a group in a group, each a Separator; an infinite plane and a path (in the
// inner group) write nothing. The peer tools test reads every other kind back.
TEST(VrmlExport, SceneWithoutLightsStillWritesTheLightsLine) {
  Scene scene;
  std::ostringstream err;
  ASSERT_TRUE(scene.EnsureLists(err));
  auto* outer = new GroupObject;
  auto* inner = new GroupObject;
  MeshObject* path = MakeQuadMesh("Quad", 0.0f);
  path->is_path = 1;
  ASSERT_TRUE(outer->AddMember(inner) && inner->AddMember(path));
  ASSERT_TRUE(scene.objects->Append(new MathPlane, 1) && scene.objects->Append(outer, 1));
  std::ostringstream out;
  ASSERT_TRUE(exportSceneVrml(scene, out));
  EXPECT_EQ(out.str(), Expected("scene.wrl"));
  EXPECT_EQ(path->text, nullptr);  // the caches are released again
}

// An object file is the header, the material's declarations (POV-Ray) and the object's text.
TEST(PovVrmlExport, ObjectFilesAndFailures) {
  Material red;
  SetUpRed(red);
  MathSphere sphere(2.0f);
  sphere.material = &red;
  std::ostringstream pov, vrml;
  ASSERT_TRUE(exportObjectPov(&sphere, pov) && exportObjectVrml(&sphere, vrml));
  EXPECT_EQ(pov.str(),
            "// created with Orvane V1.0\n\n// material\n" + Expected("red.pov") + Pov(sphere));
  EXPECT_EQ(vrml.str(),
            "#VRML V1.0 ascii\nInfo{\nstring \"created with Orvane V1.0\"\n}\nSeparator {\n" +
                Vrml(sphere) + "}\n");
  EXPECT_EQ(red.text, nullptr);
  const TempDir dir;
  ASSERT_TRUE(exportObjectVrml(&sphere, (dir / "x.wrl").c_str()));
  EXPECT_EQ(ReadText(dir / "x.wrl"), vrml.str());
  Scene scene;
  for (const char* path : {"", "/nonexistent-dir/x"}) {
    EXPECT_FALSE(exportObjectPov(&sphere, path) || exportObjectVrml(&sphere, path)) << path;
    EXPECT_FALSE(exportObjectPov(nullptr, path) || exportObjectVrml(nullptr, path)) << path;
  }
  EXPECT_FALSE(exportObjectPov(nullptr, pov) || exportObjectVrml(nullptr, vrml));
  EXPECT_FALSE(exportScenePov(scene, "/nonexistent-dir/x.pov"));
  EXPECT_FALSE(exportSceneVrml(scene, static_cast<const char*>(nullptr)));
}

TEST(PovExport, RendersInPovRay) {
  if (!HasTool("povray")) GTEST_SKIP() << "povray is not installed";
  Scene scene;
  Material* red = FillScene(scene);
  // A BMP picture for the colour, in a file name with a blank, and refraction.
  const TempDir dir;
  CDIB picture;
  ASSERT_TRUE(picture.Create24(4, 4));
  picture.SetPixel(1, 1, 0, 255, 0);
  ASSERT_TRUE(picture.Save((dir / "tex 1.bmp").c_str()));
  Texture texture(kTextureImage);
  texture.fileName = (dir / "tex 1.bmp").c_str();
  red->setValue(kTransparent, 2, 1.3);
  red->setTexture(kDiffuse, &texture);
  red->setHasTexture(kDiffuse, 1);
  scene.render.activeCamera = &scene.StandardCamera();
  scene.render.fogDistance = 50.0f;
  const std::string pov = dir / "scene.pov", png = dir / "scene.png", log = dir / "povray.log";
  ASSERT_TRUE(exportScenePov(scene, pov.c_str()));
  const std::string command = "povray -D '+I" + pov + "' '+O" + png + "' +W32 +H24";
  EXPECT_EQ(std::system((command + " >'" + log + "' 2>&1").c_str()), 0) << ReadText(log);
  EXPECT_FALSE(ReadBytes(png).empty());
  red->setTexture(kDiffuse, nullptr);  // the texture is destroyed before the scene
}

}  // namespace
}  // namespace orvane
