// POV-Ray export: the items' texts and the scene and object files as exact text, and (when
// POV-Ray is installed) a rendered export.

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "imageio/dib.h"
#include "interchange/pov_export.h"
#include "material/material.h"
#include "material/texture.h"
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

std::string TextOf(const LIST* lines) {
  std::string text;
  for (const ListNode* n = lines ? lines->head : nullptr; n; n = n->next) {
    if (const auto* line = dynamic_cast<const String*>(n->item)) text += line->c_str();
  }
  return text;
}

template <class T>
std::string Pov(T& item) {
  item.FreeText();
  std::string text = TextOf(item.WritePov());
  item.FreeText();
  return text;
}

// diffuse (255,0,0) × 0.5, ambient white × 0.2, mirror green × 1, highlight brightness 0.8 and
// size 50, transparency 0.25, no refraction.
void SetUpRed(Material& m, const char* name = "red") {
  m.name = name;
  m.setColour(kDiffuse, 255, 0, 0);
  m.setValue(kDiffuse, 0, 0.5);
  m.setColour(kAmbient, 255, 255, 255);
  m.setValue(kAmbient, 0, 0.2);
  m.setColour(kMirror, 0, 255, 0);
  m.setValue(kMirror, 0, 1.0);
  m.setValue(kHighlight, 1, 0.8);
  m.setValue(kHighlight, 2, 50.0);
  m.setValue(kTransparent, 0, 0.25);
  m.setValue(kTransparent, 2, 0.0);
}

std::string Finish(const std::string& refraction) {
  return " } finish { reflection rgb < 0.00, 1.00, 0.00> reflection  1.00 " + refraction +
         "ambient rgb < 0.20, 0.20, 0.20> diffuse  0.50 phong  0.80 phong_size 50.00 }";
}

std::string RedDeclarations(const std::string& name = "red") {
  const std::string pigment = "=texture { pigment { color rgb < 0.50, 0.00, 0.00> filter  0.25";
  return "#declare " + name + "_sph" + pigment + Finish("refraction 0 ") + "}\n" + "#declare " +
         name + "_pln" + pigment + Finish("refraction 0 ") + "}\n";
}

TEST(PovText, MaterialDeclaresSphereAndPlaneTextures) {
  Material red;
  SetUpRed(red);
  EXPECT_EQ(Pov(red), RedDeclarations());

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
  EXPECT_EQ(
      Pov(red),
      "#declare red_sph=texture { pigment { image_map { iff \"wood.tga\" map_type 1 once } " +
          Finish("refraction 1 ior  1.50 ") +
          " normal { bump_map { iff \"bumps.tga\" bump_size  0.30 map_type 1 } } }\n"
          "#declare red_pln=texture { pigment { image_map { iff \"wood.tga\" map_type 0 once } " +
          Finish("refraction 1 ior  1.50 ") +
          " normal { bump_map { iff \"bumps.tga\" bump_size  0.30 map_type 0 } } }\n");

  // Only image textures with a file are named; a procedural one leaves the colour.
  Texture chess(kTextureChess);
  red.setTexture(kDiffuse, &chess);
  EXPECT_NE(Pov(red).find("pigment { color rgb < 0.50, 0.00, 0.00> filter  0.25 }"),
            std::string::npos);

  // A bump texture without an amount is left out.
  red.setValue(kBump, 0, 0.0);
  EXPECT_EQ(Pov(red).find("normal"), std::string::npos);

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
  bumps.fileName = "bumps.bmp";
  red.setValue(kBump, 0, 0.5);
  EXPECT_NE(Pov(red).find("bump_map { bmp \"bumps.bmp\""), std::string::npos);
}

TEST(PovText, CameraAndLights) {
  Camera camera;
  camera.placement.position = {0.0f, 0.0f, -10.0f};
  camera.placement.axis_Z = {0.0f, 0.0f, 1.0f};
  camera.setImageSize(320, 240);
  camera.SetZoom(160.0f);  // 2 atan(160 / 160) = 90 degrees
  EXPECT_EQ(Pov(camera),
            "camera {\nlocation < 0.00, 0.00,-10.00>\nlook_at < 0.00, 0.00,-9.00>\n"
            "angle 90.00\n}\n");

  LightSource light;
  light.placement.position = {1.0f, 2.0f, 3.0f};
  light.SetColor(255, 0, 51);
  light.SetDecrease(100.0f);
  EXPECT_EQ(Pov(light),
            "light_source {\n< 1.00, 2.00, 3.00>\ncolor rgb < 1.00, 0.00, 0.20>\n"
            "fade_distance 100.00\nfade_power 1\n}\n");

  light.SetFlag(kHasShadow, false);
  light.light_type = kSpotLight;
  light.spot_angle = 0.5f;
  light.fall_off = 0.1f;
  EXPECT_EQ(Pov(light),
            "light_source {\n< 1.00, 2.00, 3.00>\ncolor rgb < 1.00, 0.00, 0.20>\n"
            "fade_distance 100.00\nfade_power 1\nshadowless\nspotlight\nradius 28.65\n"
            "falloff 34.38\npoint_at < 1.00, 2.00, 4.00>\n}\n");
}

TEST(PovText, SpherePlaneMeshAndGroup) {
  Material red;
  SetUpRed(red);
  auto* sphere = new MathSphere(1.5f);
  sphere->placement.position = {1.0f, 2.0f, 3.0f};
  sphere->material = &red;
  const std::string sphere_text = "sphere {\n< 1.00, 2.00, 3.00>, 1.50\ntexture {red_sph}\n}\n";
  EXPECT_EQ(Pov(*sphere), sphere_text);

  auto* plane = new MathPlane;
  plane->material = &red;
  EXPECT_EQ(Pov(*plane), "");  // infinite
  ASSERT_TRUE(plane->SetPlaneType(kPlaneRectangle));
  ASSERT_TRUE(plane->SetRadiusX(2.0f));
  ASSERT_TRUE(plane->SetRadiusY(1.0f));
  plane->placement.position = {1.0f, 2.0f, 3.5f};
  // Angles that describe the frame (turned about Y, then X, then Z) are written as rotations.
  plane->placement.axis_deg = {10.0f, 20.0f, 30.0f};
  plane->placement.RotateAxesEuler(plane->placement.axis_deg, MakeEulerOrder(2, 1, 3));
  const std::string transforms =
      "texture {red_pln }\ntranslate <-0.5,-0.5,0>\nscale <2,1,0>\nrotate <0,20,0>\n"
      "rotate <10,0,0>\nrotate <0,0,30>\ntranslate <1,2,3.5>\n}\n";
  EXPECT_EQ(Pov(*plane), "box { <0,0,0>,<1,1,0>\n" + transforms);
  ASSERT_TRUE(plane->SetPlaneType(kPlaneEllipse));
  EXPECT_EQ(Pov(*plane), "cylinder { <0.5,0.5,0>,<0.5,0.5,0.0001>,0.5\n" + transforms);

  // A plane laid down by its normal keeps angles of 0: its frame is written as a matrix (the
  // rotations would stand it upright).
  MathPlane floor;
  floor.material = &red;
  ASSERT_TRUE(floor.SetPlaneType(kPlaneRectangle));
  ASSERT_TRUE(floor.SetRadiusX(3.0f));
  ASSERT_TRUE(floor.SetRadiusY(2.0f));
  floor.PointAlong({0.0f, 1.0f, 0.0f});
  EXPECT_EQ(Pov(floor),
            "box { <0,0,0>,<1,1,0>\ntexture {red_pln }\ntranslate <-0.5,-0.5,0>\nscale <3,2,0>\n"
            "matrix <1,0,0, 0,0,1, 0,1,0, 0,0,0>\ntranslate <0,0,0>\n}\n");

  auto* mesh = new MeshObject;
  ASSERT_EQ(mesh->SetPointCount(3), 0);
  mesh->SetPoint(0, 0.0f, 0.0f, 1.0f);
  mesh->SetPoint(1, 1.0f, 0.0f, 1.0f);
  mesh->SetPoint(2, 0.0f, 1.5f, 1.0f);
  ASSERT_EQ(mesh->SetTriangleCount(1), 0);
  ASSERT_EQ(mesh->SetTriangle(0, 0, 1, 2), 0);
  mesh->material = &red;
  const std::string triangle = "object {\nunion {\ntriangle {\n<0,0,1>,\n<1,0,1>,\n<0,1.5,1>\n}\n";
  EXPECT_EQ(Pov(*mesh), triangle + "texture {red_sph}\n}\n}\n");
  mesh->SetMappingObject(new MathPlane);
  EXPECT_EQ(Pov(*mesh), triangle + "texture {red_pln}\n}\n}\n");
  mesh->is_path = 1;
  EXPECT_EQ(Pov(*mesh), "");
  mesh->is_path = 0;

  GroupObject group;
  ASSERT_TRUE(group.AddMember(sphere));
  ASSERT_TRUE(group.AddMember(mesh));
  ASSERT_TRUE(group.AddMember(plane));
  EXPECT_EQ(Pov(group), sphere_text + triangle + "texture {red_pln}\n}\n}\n" +
                            "cylinder { <0.5,0.5,0>,<0.5,0.5,0.0001>,0.5\n" + transforms);
}

TEST(PovExport, SceneFileWithAndWithoutFog) {
  Scene scene;
  std::ostringstream err;
  ASSERT_TRUE(scene.EnsureLists(err));
  auto* standard = new Material;
  SetUpRed(*standard, "standard");
  ASSERT_TRUE(scene.materials->Append(standard, 1));
  auto* sphere = new MathSphere(1.0f);  // no material: refers to "standard"
  ASSERT_TRUE(scene.objects->Append(sphere, 1));
  ASSERT_TRUE(scene.objects->Append(new MathPlane, 1));  // infinite: no text
  scene.render.ambient[0] = 255;
  scene.render.ambient[2] = 51;
  scene.render.fogDistance = 0.7f;

  std::ostringstream out;
  ASSERT_TRUE(exportScenePov(scene, out));
  // No camera is active and no light is in the list: their headings stay.
  EXPECT_EQ(out.str(),
            "// created with Orvane V1.0\n\n// globals + fog\n"
            "global_settings { ambient_light rgb < 1.00, 0.00, 0.20> }\n// materials\n" +
                RedDeclarations("standard") +
                "// camera\n// lights\n// objects\n"
                "sphere {\n< 0.00, 0.00, 0.00>, 1.00\ntexture {standard_sph}\n}\n");

  scene.render.fogDistance = 25.9f;
  std::ostringstream fogged;
  ASSERT_TRUE(exportScenePov(scene, fogged));
  EXPECT_NE(fogged.str().find("}\nfog { fog_type 1 colour rgb < 0.78, 0.78, 0.78> distance 25 }\n"
                              "// materials\n"),
            std::string::npos);

  // Without a "standard" material its declarations come first, from a fresh material.
  Material fresh;
  Scene bare;
  ASSERT_TRUE(bare.EnsureLists(err));
  std::ostringstream defaulted;
  ASSERT_TRUE(exportScenePov(bare, defaulted));
  EXPECT_NE(defaulted.str().find("// materials\n" + Pov(fresh) + "// camera\n"), std::string::npos);
}

TEST(PovExport, ObjectFileAndFailures) {
  Material red;
  SetUpRed(red);
  MathSphere sphere(2.0f);
  sphere.material = &red;
  std::ostringstream out;
  ASSERT_TRUE(exportObjectPov(&sphere, out));
  EXPECT_EQ(out.str(), "// created with Orvane V1.0\n\n// material\n" + RedDeclarations() +
                           "sphere {\n< 0.00, 0.00, 0.00>, 2.00\ntexture {red_sph}\n}\n");
  EXPECT_EQ(red.text, nullptr);

  EXPECT_FALSE(exportObjectPov(nullptr, out));
  EXPECT_FALSE(exportObjectPov(&sphere, ""));
  EXPECT_FALSE(exportObjectPov(&sphere, "/nonexistent-dir/x.pov"));
  Scene scene;
  EXPECT_FALSE(exportScenePov(scene, "/nonexistent-dir/x.pov"));
}

// POV-Ray parses and renders an exported scene with every kind of item.
TEST(PovExport, RendersInPovRay) {
  if (!test::HasTool("povray")) GTEST_SKIP() << "povray is not installed";
  Scene scene;
  std::ostringstream err;
  ASSERT_TRUE(scene.EnsureLists(err));
  // A material name that is no POV-Ray identifier, with a BMP picture for its colour.
  const test::TempDir dir;
  CDIB picture;
  ASSERT_TRUE(picture.Create24(4, 4));
  picture.SetPixel(1, 1, 0, 255, 0);
  ASSERT_TRUE(picture.Save((dir / "tex 1.bmp").c_str()));
  Texture texture(kTextureImage);
  texture.fileName = (dir / "tex 1.bmp").c_str();
  auto* red = new Material;
  SetUpRed(*red);
  red->name = "red-glass.2";
  red->setValue(kTransparent, 2, 1.3);
  red->setTexture(kDiffuse, &texture);
  red->setHasTexture(kDiffuse, 1);
  ASSERT_TRUE(scene.materials->Append(red, 1));
  Camera& camera = scene.StandardCamera();
  camera.placement.position = {0.0f, 0.0f, -10.0f};
  camera.placement.axis_Z = {0.0f, 0.0f, 1.0f};
  scene.render.activeCamera = &camera;
  scene.render.fogDistance = 50.0f;

  auto* point = new LightSource;
  point->placement.position = {5.0f, 5.0f, -5.0f};
  point->SetDecrease(20.0f);
  auto* spot = new LightSource;
  spot->light_type = kSpotLight;
  spot->SetFlag(kHasShadow, false);
  spot->placement.position = {0.0f, 5.0f, -5.0f};
  ASSERT_TRUE(scene.lights->Append(point, 1));
  ASSERT_TRUE(scene.lights->Append(spot, 1));

  auto* sphere = new MathSphere(1.0f);
  sphere->material = red;
  auto* rectangle = new MathPlane;
  ASSERT_TRUE(rectangle->SetPlaneType(kPlaneRectangle));
  ASSERT_TRUE(rectangle->SetRadiusX(3.0f));
  ASSERT_TRUE(rectangle->SetRadiusY(2.0f));
  rectangle->placement.axis_deg = {90.0f, 0.0f, 0.0f};
  auto* disc = new MathPlane;
  ASSERT_TRUE(disc->SetPlaneType(kPlaneCircle));
  ASSERT_TRUE(disc->SetRadiusX(1.0f));
  auto* mesh = new MeshObject;
  ASSERT_EQ(mesh->SetPointCount(4), 0);
  mesh->SetPoint(0, -2.0f, -2.0f, 1.0f);
  mesh->SetPoint(1, 2.0f, -2.0f, 1.0f);
  mesh->SetPoint(2, 0.0f, 2.0f, 1.0f);
  mesh->SetPoint(3, 0.0f, 0.0f, 3.0f);
  ASSERT_EQ(mesh->SetTriangleCount(2), 0);
  ASSERT_EQ(mesh->SetTriangle(0, 0, 1, 2), 0);
  ASSERT_EQ(mesh->SetTriangle(1, 0, 1, 3), 0);
  auto* group = new GroupObject;
  ASSERT_TRUE(group->AddMember(disc));
  ASSERT_TRUE(group->AddMember(mesh));
  ASSERT_TRUE(scene.objects->Append(sphere, 1));
  ASSERT_TRUE(scene.objects->Append(rectangle, 1));
  ASSERT_TRUE(scene.objects->Append(group, 1));

  const std::string pov = dir / "scene.pov", png = dir / "scene.png", log = dir / "povray.log";
  ASSERT_TRUE(exportScenePov(scene, pov.c_str()));
  const std::string command =
      "povray -D '+I" + pov + "' '+O" + png + "' +W32 +H24 >'" + log + "' 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << test::ReadText(log);
  EXPECT_FALSE(test::ReadBytes(png).empty());
  red->setTexture(kDiffuse, nullptr);  // the texture is destroyed before the scene
}

}  // namespace
}  // namespace orvane
