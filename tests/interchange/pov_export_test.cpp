#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "imageio/dib.h"
#include "interchange/pov_export.h"
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

TEST(PovText, MaterialDeclaresSphereAndPlaneTextures) {
  Material red;
  SetUpRed(red);
  EXPECT_EQ(Pov(red), Expected("red.pov"));

  red.setValue(kTransparent, 2, 1.5);
  Texture wood(kTextureImage);
  wood.fileName = "wood.tga";
  Texture bumps(kTextureImage);
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
  EXPECT_EQ(text.rfind("#declare _2_tone_red_sph=texture { pigment { image_map { jpeg "
                       "\"C:\\\\tex\\\\Wood.JPG\" map_type 1 once } ",
                       0),
            0u)
      << text;
  EXPECT_NE(text.find("#declare _2_tone_red_pln="), std::string::npos);
}

// The texts follow one another in data/items.pov: a camera, a point light, a spot, a sphere, a
// rectangle, an ellipse, a laid-down rectangle, a mesh, the mesh with a plane for its mapping,
// and a group of the sphere, the mapped mesh and the ellipse.
TEST(PovText, ItemsOfEveryKind) {
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
  text += Pov(light);
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

  auto* plane = MakePlane(kPlaneRectangle, 2.0f, 1.0f);
  plane->material = &red;
  plane->placement.position = {1.0f, 2.0f, 3.5f};
  // Angles that describe the frame (turned about Y, then X, then Z) are written as rotations.
  plane->placement.axis_deg = {10.0f, 20.0f, 30.0f};
  plane->placement.RotateAxesEuler(plane->placement.axis_deg, MakeEulerOrder(2, 1, 3));
  text += Pov(*plane);
  ASSERT_TRUE(plane->SetPlaneType(kPlaneEllipse));
  text += Pov(*plane);

  // A plane laid down by its normal keeps angles of 0: its frame is written as a matrix (the
  // rotations would stand it upright).
  std::unique_ptr<MathPlane> floor(MakePlane(kPlaneRectangle, 3.0f, 2.0f));
  floor->material = &red;
  floor->PointAlong({0.0f, 1.0f, 0.0f});
  text += Pov(*floor);

  MeshObject* mesh = MakeQuadMesh("Quad", 0.0f);
  mesh->material = &red;
  text += Pov(*mesh);
  mesh->SetMappingObject(new MathPlane);
  text += Pov(*mesh);
  mesh->is_path = 1;
  EXPECT_EQ(Pov(*mesh), "");
  mesh->is_path = 0;

  GroupObject group;
  ASSERT_TRUE(group.AddMember(sphere));
  ASSERT_TRUE(group.AddMember(mesh));
  ASSERT_TRUE(group.AddMember(plane));
  EXPECT_EQ(text + Pov(group), Expected("items.pov"));
}

TEST(PovExport, ObjectFileAndFailures) {
  Material red;
  SetUpRed(red);
  MathSphere sphere(2.0f);
  sphere.material = &red;
  std::ostringstream out;
  ASSERT_TRUE(exportObjectPov(&sphere, out));
  EXPECT_EQ(out.str(), Expected("object.pov"));
  EXPECT_EQ(red.text, nullptr);

  EXPECT_FALSE(exportObjectPov(nullptr, out));
  EXPECT_FALSE(exportObjectPov(&sphere, ""));
  EXPECT_FALSE(exportObjectPov(&sphere, "/nonexistent-dir/x.pov"));
  Scene scene;
  EXPECT_FALSE(exportScenePov(scene, "/nonexistent-dir/x.pov"));
}

// POV-Ray parses and renders an exported scene with every kind of item.
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
  Camera& camera = scene.StandardCamera();
  camera.placement.position = {0.0f, 0.0f, -10.0f};
  camera.placement.axis_Z = {0.0f, 0.0f, 1.0f};
  scene.render.activeCamera = &camera;
  scene.render.fogDistance = 50.0f;

  const std::string pov = dir / "scene.pov", png = dir / "scene.png", log = dir / "povray.log";
  ASSERT_TRUE(exportScenePov(scene, pov.c_str()));
  const std::string command =
      "povray -D '+I" + pov + "' '+O" + png + "' +W32 +H24 >'" + log + "' 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << ReadText(log);
  EXPECT_FALSE(ReadBytes(png).empty());
  red->setTexture(kDiffuse, nullptr);  // the texture is destroyed before the scene
}

}  // namespace
}  // namespace orvane
