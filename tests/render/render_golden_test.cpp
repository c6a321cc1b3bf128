// Small scenes rendered on several thread counts and compared byte for byte with golden/; a few
// pixels are checked against values worked out by hand. To renew the references after an
// intended change, run with ORVANE_UPDATE_GOLDEN=1 and look at every changed picture.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "scene_builder.h"

namespace orvane {
namespace {

using render_test::FillPicture;
using render_test::ReadBytes;
using render_test::TempDir;

// Compares the picture `file` with golden/<name>.tga (or renews the reference).
void ExpectGolden(const std::string& file, const std::string& name) {
  const auto reference = std::filesystem::path(__FILE__).parent_path() / "golden" / (name + ".tga");
  if (std::getenv("ORVANE_UPDATE_GOLDEN") != nullptr) {
    std::filesystem::copy_file(file, reference, std::filesystem::copy_options::overwrite_existing);
    GTEST_SKIP() << "renewed " << reference;
  }
  const std::vector<uint8_t> actual = ReadBytes(file);
  const std::vector<uint8_t> expected = ReadBytes(reference.string());
  ASSERT_FALSE(expected.empty()) << "missing reference " << reference;
  EXPECT_TRUE(actual == expected) << name << " differs from " << reference;
}

// The common stage: a camera at the origin looking along +Z, 80 × 60 pixels (focal distance
// 50 pixels), a grey floor at y = -1 and a blue background.
class Golden : public ::testing::Test {
 protected:
  void SetUp() override {
    b.Output(dir / "out", 80, 60);
    camera = b.AddCamera({0, 0, 0}, {0, 0, 1});
    grey = b.AddMaterial("grey", 128, 128, 128);
    b.AddPlane({0, -1, 0}, {0, 1, 0}, grey);
    b.driver.SetBackgroundColour(30, 40, 90);
  }
  // Renders frame -1 on 1, 2, 3 and 7 threads and compares out.tga (and depth.tga, when
  // `depth` names its reference) with the reference each time; the files of the last render
  // stay for the test's own checks.
  void Render(const std::string& name, const std::string& depth = "") {
    for (uint32_t threads : {1u, 2u, 3u, 7u}) {
      SCOPED_TRACE(threads);
      b.scene.render.threads = threads;
      ASSERT_EQ(b.driver.renderFrame(-1), 0);
      EXPECT_EQ(b.err.str(), "");
      ExpectGolden(dir / "out.tga", name);
      if (!depth.empty()) ExpectGolden(dir / "depth.tga", depth);
    }
  }
  Material* Textured(const char* name, Texture* t) {
    Material* m = b.AddMaterial(name, 0, 0, 0);
    m->setTexture(kDiffuse, t);
    m->setHasTexture(kDiffuse, 1);
    return m;
  }
  Material* Glass(const char* name, uint8_t r, uint8_t g, uint8_t bl, float refraction) {
    Material* m = b.AddMaterial(name, r, g, bl);
    m->setValue(kDiffuse, 0, 0.2);
    m->setValue(kTransparent, 0, 0.8);
    m->setValue(kTransparent, 2, refraction);
    m->setColour(kTransparent, r, g, bl);
    return m;
  }

  TempDir dir;
  render_test::SceneBuilder b;
  Camera* camera = nullptr;
  Material* grey = nullptr;
};

// One scene in three pictures: under a point light, its inverted depth map, and traced through
// a bitmap mask.
TEST_F(Golden, PointLightDepthMapFogAndFieldMask) {
  b.AddSphere({0, 0, 6}, 1, b.AddMaterial("orange", 200, 100, 50));
  b.AddLight({2, 3, 0});
  RenderSettings& s = b.scene.render;
  s.depthMap = 1;
  s.depthMapName = (dir / "depth").c_str();
  s.depthNear = 1;
  s.depthFocus = 5;
  s.depthFar = 12;
  s.depthInvert = 1;
  Render("point_light", "depth_map_inverted");
  const auto image = render_test::ReadTga(dir / "out.tga");
  // Centre: the sphere's front point (0, 0, 5) faces the camera, N = (0, 0, -1); the light is
  // sqrt(38) = 6.16441 away along (2, 3, 5), cosL = 5 / 6.16441 = 0.811107.
  EXPECT_EQ(image.Pixel(40, 30), (Rgb{162, 81, 40}));
  // Bottom row, centre column: the floor point (0, -1, 50/29); the light lies along
  // (2, 4, -1.72414), 4.79298 away: cosL = 0.834553, 128 × cosL = 106.8.
  EXPECT_EQ(image.Pixel(40, 59), (Rgb{106, 106, 106}));

  // A 16 × 12 mask: a bright ring about the centre, dark elsewhere.
  Texture* mask = b.AddTexture("mask", kTextureImage);
  FillPicture(mask, 16, 12, [](int x, int y) {
    const double r = std::hypot(x - 7.5, y - 5.5);
    return r > 2.5 && r < 5.5 ? 1 : 0;
  });
  mask->picture()->palette[1] = Rgb{255, 255, 255};
  s.fieldMaskType = 1;
  s.fieldMask = mask;
  s.fieldBrightness = 128;
  s.fieldLeft = 4;
  s.fieldRight = 75;
  Render("field_bitmap_mask");
}

TEST_F(Golden, SpotLightWithFallOff) {
  b.AddSphere({1.2f, 0, 7}, 1, b.AddMaterial("white", 230, 230, 230));
  LightSource* spot = b.AddLight({0, 4, 6});
  spot->light_type = kSpotLight;
  spot->PointAlong({0, -1, 0});
  spot->SetSpotAngle(20 * kDegToRad);
  spot->SetFallOff(15 * kDegToRad);
  Render("spot_light");
}

TEST_F(Golden, ShadowThroughRedGlass) {
  grey->setColour(kDiffuse, 240, 240, 240);
  b.AddSphere({0, 0.2f, 6}, 0.9f, Glass("red glass", 255, 0, 0, 1.0f));
  b.AddLight({-3, 5, 4});
  camera->placement.position = Vec3{0, 2, 0};
  camera->LookAt({0, -1, 6});
  Render("shadow_red_glass");
}

TEST_F(Golden, Refraction) {
  Texture* chess = b.AddTexture("chess", kTextureChess);
  chess->twoColours.SetColour1(250, 250, 250);
  chess->twoColours.SetColour2(20, 20, 20);
  b.AddPlane({0, 0, 9}, {0, 0, -1}, Textured("board", chess));
  b.AddSphere({0, 0, 5}, 1.3f, Glass("glass", 255, 255, 255, 1.5f));
  b.AddLight({0, 2, 0});
  Render("refraction");
}

// Two mirror spheres facing each other beside a red one: depth 1 shows no reflection,
// depth 3 reflections of reflections.
TEST_F(Golden, MirrorsOnDepthOneAndThree) {
  Material* mirror = b.AddMaterial("mirror", 40, 40, 40);
  mirror->setValue(kMirror, 0, 0.9);
  b.AddSphere({-1.1f, 0, 6}, 1, mirror);
  b.AddSphere({1.1f, 0, 6}, 1, mirror);
  b.AddSphere({0, -0.6f, 3.8f}, 0.4f, b.AddMaterial("red", 220, 30, 30));
  b.AddLight({0, 3, 1});
  b.scene.render.traceDepth = 1;
  Render("mirror_depth1");
  b.scene.render.traceDepth = 3;
  Render("mirror_depth3");
}

TEST_F(Golden, Panorama) {
  b.Output(dir / "out", 128, 60);
  b.scene.render.panorama = 1;
  b.scene.render.fieldBottom = 64;  // the panorama is 64 rows high
  b.AddSphere({0, 0, 4}, 1, b.AddMaterial("red", 220, 40, 40));
  b.AddSphere({4, 0, 0}, 1, b.AddMaterial("green", 40, 220, 40));
  b.AddSphere({0, 0, -4}, 1, b.AddMaterial("blue", 40, 40, 220));
  b.AddSphere({-4, 0, 0}, 1, b.AddMaterial("yellow", 220, 220, 40));
  b.AddLight({0, 3, 0});
  Render("panorama");
  EXPECT_EQ(camera->PanoramaWidth(), 128.0f);
}

TEST_F(Golden, BumpOnASphere) {
  Texture* stripes = b.AddTexture("stripes", kTextureImage);
  FillPicture(stripes, 8, 8, [](int x, int) { return x % 2; });
  stripes->picture()->palette[1] = Rgb{255, 255, 255};
  Material* bumpy = b.AddMaterial("bumpy", 200, 180, 160);
  bumpy->setValue(kBump, 0, 0.6);
  bumpy->setTexture(kBump, stripes);
  bumpy->setHasTexture(kBump, 1);
  bumpy->setTiles(kBump, 3, 3);
  b.AddSphere({0, 0, 5}, 1.4f, bumpy);
  b.AddLight({2, 3, 0});
  Render("bump_sphere");
}

TEST_F(Golden, MeshThroughItsMappingPlane) {
  // A 4 × 3 quad facing the camera at z = 6, mapped by a rectangle just behind it.
  Texture* quadrants = b.AddTexture("quadrants", kTextureImage);
  FillPicture(quadrants, 2, 2, [](int x, int y) { return 1 + x + 2 * y; });
  Rgb* palette = quadrants->picture()->palette.data();
  palette[1] = Rgb{230, 40, 40};
  palette[2] = Rgb{40, 230, 40};
  palette[3] = Rgb{40, 40, 230};
  palette[4] = Rgb{230, 230, 40};
  MeshObject* quad = b.AddMesh({{-2, 1.5f, 6}, {2, 1.5f, 6}, {2, -1.5f, 6}, {-2, -1.5f, 6}},
                               {{0, 1, 2}, {0, 2, 3}}, Textured("textured", quadrants));
  auto* mapping = new MathPlane();
  mapping->placement.position = Vec3{0, 0, 6.5f};
  mapping->SetPlaneType(kPlaneRectangle);
  mapping->SetRadiusX(2);
  mapping->SetRadiusY(1.5f);
  quad->SetMappingObject(mapping);
  b.AddLight({0, 0, 0});
  Render("mesh_mapping_plane");
}

}  // namespace
}  // namespace orvane
