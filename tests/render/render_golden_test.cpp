// Golden-image tests: small scenes, one per feature, rendered on several thread counts and
// compared byte for byte with the reference pictures in golden/. A few pixels of the simplest scenes are also checked
// against values worked out by hand, so the references are not only self-consistent.
//
// To renew the references after an intended change of the pictures, run the tests with
// ORVANE_UPDATE_GOLDEN=1 and look at every changed picture before checking it in.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "scene/mesh_object.h"
#include "scene_builder.h"

namespace orvane {
namespace {

using render_test::ReadBytes;
using render_test::ReadTga;
using render_test::SceneBuilder;
using render_test::TempDir;

std::filesystem::path GoldenDir() {
  return std::filesystem::path(__FILE__).parent_path() / "golden";
}

// Compares the picture `file` with golden/<name>.tga (or renews the reference).
void ExpectGolden(const std::string& file, const std::string& name) {
  const std::filesystem::path reference = GoldenDir() / (name + ".tga");
  if (std::getenv("ORVANE_UPDATE_GOLDEN") != nullptr) {
    std::filesystem::copy_file(file, reference, std::filesystem::copy_options::overwrite_existing);
    GTEST_SKIP() << "renewed " << reference;
  }
  const std::vector<uint8_t> actual = ReadBytes(file);
  const std::vector<uint8_t> expected = ReadBytes(reference.string());
  ASSERT_FALSE(expected.empty()) << "missing reference " << reference;
  ASSERT_EQ(actual.size(), expected.size()) << name;
  std::size_t differing = 0, first = 0;
  for (std::size_t i = 0; i < actual.size(); ++i) {
    if (actual[i] != expected[i] && differing++ == 0) first = i;
  }
  EXPECT_EQ(differing, 0u) << name << ": first difference at byte " << first;
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
    b.SetBackground(30, 40, 90);
  }
  // Renders frame -1 on 1, 2, 3 and 7 threads and compares out.tga with the reference each
  // time; the files of the last render stay for the test's own checks.
  void Render(const std::string& name) {
    for (uint32_t threads : {1u, 2u, 3u, 7u}) {
      SCOPED_TRACE(threads);
      b.scene.render.threads = threads;
      ASSERT_EQ(b.driver.renderFrame(-1), 0);
      EXPECT_EQ(b.err.str(), "");
      ExpectGolden(dir / "out.tga", name);
    }
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
  SceneBuilder b;
  Camera* camera = nullptr;
  Material* grey = nullptr;
};

TEST_F(Golden, PointLight) {
  b.AddSphere({0, 0, 6}, 1, b.AddMaterial("orange", 200, 100, 50));
  b.AddLight({2, 3, 0});
  Render("point_light");
  auto image = ReadTga(dir / "out.tga");
  ASSERT_TRUE(image);
  // Centre: the sphere's front point (0, 0, 5) faces the camera, N = (0, 0, -1); the light is
  // sqrt(38) = 6.16441 away along (2, 3, 5), cosL = 5 / 6.16441 = 0.811107.
  EXPECT_EQ(image->Pixel(40, 30), (Rgb{162, 81, 40}));
  // Bottom row, centre column: the floor point (0, -1, 50/29); the light lies along
  // (2, 4, -1.72414), 4.79298 away: cosL = 0.834553, 128 × cosL = 106.8.
  EXPECT_EQ(image->Pixel(40, 59), (Rgb{106, 106, 106}));
  // Above the horizon: the background.
  EXPECT_EQ(image->Pixel(0, 0), (Rgb{30, 40, 90}));
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

TEST_F(Golden, ParallelLight) {
  b.AddSphere({0, 0, 6}, 1, b.AddMaterial("green", 60, 200, 90));
  LightSource* sun = b.AddLight({0, 10, 0});
  sun->parallel = 1;
  sun->PointAlong({1, -1, 1});
  Render("parallel_light");
}

TEST_F(Golden, DecreasingPointLight) {
  b.AddSphere({-1.5f, 0, 8}, 1, b.AddMaterial("white", 255, 255, 255));
  LightSource* lamp = b.AddLight({1, 1, 4});
  lamp->SetDecrease(7);
  lamp->SetDecreaseOn(1);
  Render("decreasing_light");
}

TEST_F(Golden, ShadowThroughRedGlass) {
  grey->setColour(kDiffuse, 240, 240, 240);
  b.AddSphere({0, 0.2f, 6}, 0.9f, Glass("red glass", 255, 0, 0, 1.0f));
  b.AddLight({-3, 5, 4});
  camera->placement.position = Vec3{0, 2, 0};
  camera->LookAt({0, -1, 6});
  Render("shadow_red_glass");
}

// Two mirror spheres facing each other beside a red one: depth 1 shows no reflection,
// depth 3 reflections of reflections.
class GoldenMirror : public Golden {
 protected:
  void SetUp() override {
    Golden::SetUp();
    Material* mirror = b.AddMaterial("mirror", 40, 40, 40);
    mirror->setValue(kMirror, 0, 0.9);
    b.AddSphere({-1.1f, 0, 6}, 1, mirror);
    b.AddSphere({1.1f, 0, 6}, 1, mirror);
    b.AddSphere({0, -0.6f, 3.8f}, 0.4f, b.AddMaterial("red", 220, 30, 30));
    b.AddLight({0, 3, 1});
  }
};

TEST_F(GoldenMirror, DepthOne) {
  b.scene.render.traceDepth = 1;
  Render("mirror_depth1");
}

TEST_F(GoldenMirror, DepthThree) {
  b.scene.render.traceDepth = 3;
  Render("mirror_depth3");
}

TEST_F(Golden, Refraction) {
  Texture* chess = b.AddTexture("chess", kTextureChess);
  chess->twoColours.SetColour1(250, 250, 250);
  chess->twoColours.SetColour2(20, 20, 20);
  Material* board = b.AddMaterial("board", 0, 0, 0);
  board->setTexture(kDiffuse, chess);
  board->setHasTexture(kDiffuse, 1);
  b.AddPlane({0, 0, 9}, {0, 0, -1}, board);
  b.AddSphere({0, 0, 5}, 1.3f, Glass("glass", 255, 255, 255, 1.5f));
  b.AddLight({0, 2, 0});
  Render("refraction");
}

TEST_F(Golden, FogOnAMissCountsAsAHit) {
  b.AddSphere({0, 0, 6}, 1, b.AddMaterial("orange", 200, 100, 50));
  b.AddLight({2, 3, 0});
  b.scene.render.fogDistance = 20;
  b.scene.render.fog[0] = 180;
  b.scene.render.fog[1] = 190;
  b.scene.render.fog[2] = 200;
  Render("fog");
}

TEST_F(Golden, DepthMapInverted) {
  b.AddSphere({0, 0, 6}, 1, b.AddMaterial("orange", 200, 100, 50));
  b.AddLight({2, 3, 0});
  RenderSettings& s = b.scene.render;
  s.depthMap = 1;
  s.depthMapName = (dir / "depth").c_str();
  s.depthNear = 1;
  s.depthFocus = 5;
  s.depthFar = 12;
  s.depthInvert = 1;
  for (uint32_t threads : {1u, 2u, 3u, 7u}) {
    SCOPED_TRACE(threads);
    s.threads = threads;
    ASSERT_EQ(b.driver.renderFrame(-1), 0);
    ExpectGolden(dir / "depth.tga", "depth_map_inverted");
  }
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
}

TEST_F(Golden, RenderFieldWithBitmapMask) {
  b.AddSphere({0, 0, 6}, 1, b.AddMaterial("orange", 200, 100, 50));
  b.AddLight({2, 3, 0});
  // A 16 × 12 mask: a bright ring about the centre, dark elsewhere.
  Texture* mask = b.AddTexture("mask", kTextureImage);
  render_test::FillPicture(mask, 16, 12, [](int x, int y) {
    const double r = std::hypot(x - 7.5, (y - 5.5) * 1.0);
    return r > 2.5 && r < 5.5 ? 1 : 0;
  });
  mask->picture()->palette[1] = Rgb{255, 255, 255};
  RenderSettings& s = b.scene.render;
  s.fieldMaskType = 1;
  s.fieldMask = mask;
  s.fieldBrightness = 128;
  s.fieldLeft = 4;
  s.fieldRight = 75;
  Render("field_bitmap_mask");
}

TEST_F(Golden, BackgroundTexture) {
  // An 8 × 8 picture: red rising to the right, green rising downwards.
  Texture* picture = b.AddTexture("sky", kTextureImage);
  render_test::FillPicture(picture, 8, 8, [](int x, int y) { return x + 8 * y; });
  for (int i = 0; i < 64; ++i)
    picture->picture()->palette[i] = Rgb{uint8_t(i % 8 * 32), uint8_t(i / 8 * 32), 128};
  b.scene.render.backgroundMode = 1;
  b.scene.render.backgroundTexture = picture;
  b.AddSphere({0, 0, 6}, 1, b.AddMaterial("white", 255, 255, 255));
  b.AddLight({2, 3, 0});
  Render("background_texture");
}

// A sphere of rings × segments quads (the pole rows hold degenerate triangles).
MeshObject* AddMeshSphere(SceneBuilder& b, Vec3 c, float r, int rings, int segments, Material* m) {
  auto* mesh = new MeshObject();
  const int cols = segments + 1;
  EXPECT_EQ(mesh->SetPointCount(uint32_t((rings + 1) * cols)), 0);
  for (int i = 0; i <= rings; ++i) {
    const double theta = kPi * i / rings;
    for (int j = 0; j <= segments; ++j) {
      const double phi = 2 * kPi * j / segments;
      mesh->SetPoint(uint32_t(i * cols + j), float(c.x + r * std::sin(theta) * std::cos(phi)),
                     float(c.y + r * std::cos(theta)),
                     float(c.z + r * std::sin(theta) * std::sin(phi)));
    }
  }
  EXPECT_EQ(mesh->SetTriangleCount(uint32_t(rings * segments * 2)), 0);
  uint32_t t = 0;
  for (int i = 0; i < rings; ++i) {
    for (int j = 0; j < segments; ++j) {
      const uint32_t a = uint32_t(i * cols + j), bb = a + 1, cc = a + cols, d = cc + 1;
      mesh->SetTriangle(t++, a, bb, cc);
      mesh->SetTriangle(t++, bb, d, cc);
    }
  }
  mesh->placement.position = c;
  mesh->material = m;
  b.scene.objects->Append(mesh, 1);
  return mesh;
}

TEST_F(Golden, PhongMeshBesideAFlatOne) {
  Material* white = b.AddMaterial("white", 230, 230, 230);
  white->setValue(kHighlight, 1, 0.8);
  AddMeshSphere(b, {-1.1f, 0, 6}, 1, 8, 12, white)->SetFlag(kUsePhong, true);
  AddMeshSphere(b, {1.1f, 0, 6}, 1, 8, 12, white);
  b.AddLight({1, 3, 1});
  Render("phong_mesh");
}

TEST_F(Golden, BumpOnASphere) {
  Texture* stripes = b.AddTexture("stripes", kTextureImage);
  render_test::FillPicture(stripes, 8, 8, [](int x, int) { return x % 2; });
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
  render_test::FillPicture(quadrants, 2, 2, [](int x, int y) { return 1 + x + 2 * y; });
  Rgb* palette = quadrants->picture()->palette.data();
  palette[1] = Rgb{230, 40, 40};
  palette[2] = Rgb{40, 230, 40};
  palette[3] = Rgb{40, 40, 230};
  palette[4] = Rgb{230, 230, 40};
  Material* textured = b.AddMaterial("textured", 0, 0, 0);
  textured->setTexture(kDiffuse, quadrants);
  textured->setHasTexture(kDiffuse, 1);

  MeshObject* quad = render_test::NewMesh(
      {{-2, 1.5f, 6}, {2, 1.5f, 6}, {2, -1.5f, 6}, {-2, -1.5f, 6}}, {{0, 1, 2}, {0, 2, 3}});
  quad->material = textured;
  auto* mapping = new MathPlane();
  mapping->placement.position = Vec3{0, 0, 6.5f};
  mapping->SetPlaneType(kPlaneRectangle);
  mapping->SetRadiusX(2);
  mapping->SetRadiusY(1.5f);
  quad->SetMappingObject(mapping);
  b.scene.objects->Append(quad, 1);
  b.AddLight({0, 0, 0});
  Render("mesh_mapping_plane");
}

}  // namespace
}  // namespace orvane
