// The render driver: its output files and console lines, and small scenes rendered on several
// thread counts and compared byte for byte with golden/ (a few pixels are checked against values
// worked out by hand). To renew the references after an intended change, run with
// ORVANE_UPDATE_GOLDEN=1 and look at every changed picture.

#include "render/render_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "imageio/jpeg.h"
#include "scene/group_object.h"
#include "scene_builder.h"

namespace orvane::render_test {
namespace {

class RenderDriverFiles : public ::testing::Test {
 protected:
  TempDir dir;
  SceneBuilder b;
};

TEST_F(RenderDriverFiles, TinyAndTooLargeSizes) {
  b.Output(dir / "zero", 0, 0);
  b.AddCamera({0, 0, 0}, {0, 0, 1});
  b.scene.render.jpegOutput = 1;
  ASSERT_EQ(b.driver.renderFrame(-1), 0);
  EXPECT_EQ(ReadBytes(dir / "zero.tga").size(), 18u);
  EXPECT_EQ(b.scene.render.framesRendered, 1u);
  // A JPEG cannot be empty: it is skipped with the library's reason.
  EXPECT_EQ(b.err.str().rfind("JPEG: ", 0), 0u) << b.err.str();
  b.Output(dir / "big", 2, 2);
  b.scene.render.halfWidth = 40000;  // too large for a TGA header
  EXPECT_EQ(b.driver.renderFrame(1), -1);
  EXPECT_NE(b.err.str().find("too large"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir / "big00001.tga"));
}

TEST_F(RenderDriverFiles, UnwritableOutputs) {
  b.Output(dir / "missing/pic", 40, 20);
  EXPECT_EQ(b.driver.renderFrame(1), -1);
  EXPECT_EQ(b.err.str(), "TGA: Cannot open output file \n");
  EXPECT_EQ(b.out.str(), "");
  EXPECT_EQ(b.scene.render.framesRendered, 0u);
  EXPECT_TRUE(b.driver.OutputFailed());
  // The JPEG (a folder of that name is in the way): skipped, the TGA is still written.
  b.err.str("");
  b.Output(dir / "pic", 40, 20);
  std::filesystem::create_directory(dir / "pic00001.jpg");
  b.scene.render.jpegOutput = 1;
  b.scene.render.depthMap = 1;
  b.scene.render.depthMapName = (dir / "missing/depth").c_str();
  EXPECT_EQ(b.driver.renderFrame(1), 0);
  EXPECT_EQ(b.err.str(), "JPEG: Cannot open output file \nTGA: Cannot open output file \n");
  EXPECT_EQ(ReadBytes(dir / "pic00001.tga").size(), 18u + 40 * 20 * 3);
  EXPECT_EQ(b.scene.render.framesRendered, 1u);
  EXPECT_TRUE(b.driver.OutputFailed());  // the caller learns that pictures were lost
  // Each frame starts without the failures of the last.
  std::filesystem::remove(dir / "pic00001.jpg");
  b.scene.render.depthMapName = (dir / "depth").c_str();
  EXPECT_EQ(b.driver.renderFrame(1), 0);
  EXPECT_FALSE(b.driver.OutputFailed());
  // A full device behind the picture's name: the frame is rendered, the failed write reported
  // and the frame marked as having lost its picture.
  b.err.str("");
  std::error_code error;
  std::filesystem::create_symlink("/dev/full", dir / "full.tga", error);
  if (error || !std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  b.Output(dir / "full", 40, 20);
  EXPECT_EQ(b.driver.renderFrame(-1), 0);
  EXPECT_EQ(b.err.str(), "ERROR: Could not write " + (dir / "full.tga") + "\n");
  EXPECT_TRUE(b.driver.OutputFailed());
}

TEST_F(RenderDriverFiles, SkipExistingAndFrameRange) {
  b.Output(dir / "f", 20, 10);
  { std::ofstream(dir / "f00003.tga") << "keep"; }
  b.scene.render.skipExisting = 1;
  b.scene.render.frameFrom = 2;
  b.scene.render.frameTo = 4;
  for (int frame = -1; frame <= 6; ++frame) EXPECT_EQ(b.driver.renderFrame(frame), 0);
  // 2 and 4 rendered, 3 skipped as existing; -1 (no number) is below "from".
  EXPECT_EQ(b.scene.render.framesRendered, 2u);
  EXPECT_EQ(ReadBytes(dir / "f00003.tga").size(), 4u);
  EXPECT_TRUE(std::filesystem::exists(dir / "f00004.tga"));
  EXPECT_FALSE(std::filesystem::exists(dir / "f.tga"));
  b.scene.render.renderingDisabled = 1;
  b.scene.render.skipExisting = 0;
  EXPECT_EQ(b.driver.renderFrame(2), 0);
  EXPECT_EQ(b.scene.render.framesRendered, 2u);
}

TEST_F(RenderDriverFiles, JpegHoldsTheSamePicture) {
  b.Output(dir / "j", 48, 24);
  b.scene.render.background[0] = 255;  // red
  b.scene.render.jpegOutput = 1;
  b.scene.render.jpegQuality = 90;
  ASSERT_EQ(b.driver.renderFrame(5), 0);
  CDIB dib;
  std::string error;
  EXPECT_EQ(RenderDriver::OutputFileName("j.tga", 5, ".jpg"), "j00005.jpg");
  ASSERT_TRUE(ReadJpegTexture((dir / "j00005.jpg").c_str(), dib, &error)) << error;
  const uint32_t pixel = dib.GetPixel(20, 13);  // 0x00BBGGRR
  EXPECT_TRUE((pixel & 0xFF) >= 250 && (pixel >> 8 & 0xFF) <= 5 && (pixel >> 16 & 0xFF) <= 5)
      << std::hex << pixel;
}

// `text` with the seconds after "in: " and "in " masked as '#'.
std::string MaskSeconds(std::string text) {
  for (std::size_t at = text.find(" in"); at != std::string::npos; at = text.find(" in", at + 1)) {
    const std::size_t from = text.find_first_not_of(": ", at + 3);
    const std::size_t to = text.find_first_not_of("-+0123456789.e", from);
    if (to != from && to != std::string::npos) text.replace(from, to - from, "#");
  }
  return text;
}

// The verbose lines, then a frame only prepared, whose blocks the caller pulls.
TEST_F(RenderDriverFiles, ConsoleLinesAndPrepareOnly) {
  b.Output(dir / "c", 20, 26);
  b.scene.render.verbose = 1;
  b.scene.render.traceDepth = 5;
  ASSERT_EQ(b.driver.renderFrame(-1), 0);
  EXPECT_EQ(MaskSeconds(b.out.str()),
            "\nRendering (20x26 trace: 5) " + (dir / "c.tga") +
                " ...\nlines: 0..9         ready in: #s.\nlines: 10..19       ready in: #s.\n"
                "lines: 20..29    \n\n 0 of 520 pixels hit.\n\n Rendered in #s .\n");
  b.Output(dir / "p", 8, 34);
  b.scene.render.prepareOnly = 1;
  ASSERT_EQ(b.driver.renderFrame(1), 0);
  EXPECT_TRUE(b.driver.FrameInProgress());
  std::vector<int> lines{b.driver.CurrentLine()};
  while (b.driver.renderLineBlock() == 1) lines.push_back(b.driver.CurrentLine());
  EXPECT_EQ(lines, (std::vector<int>{0, 10, 20, 30}));
  EXPECT_EQ(b.driver.CurrentLine(), 34);
  EXPECT_FALSE(b.driver.FrameInProgress());
  EXPECT_EQ(b.driver.renderLineBlock(), 0);
  EXPECT_EQ(ReadBytes(dir / "p00001.tga").size(), 18u + 8 * 34 * 3);
}

// A grey floor (y = -1) under a camera at the origin looking along +Z: the lower half of the
// picture hits it, the upper half misses. Its depth map, then masks that leave pixels untraced.
TEST_F(RenderDriverFiles, FloorDepthMapWithAndWithoutBufferAndMasks) {
  b.Output(dir / "floor", 20, 20);
  b.AddCamera({0, 0, 0}, {0, 0, 1});
  b.AddPlane({0, -1, 0}, {0, 1, 0}, b.AddMaterial("grey", 128, 128, 128));
  b.AddLight({0, 5, 0});
  b.scene.render.background[2] = 200;
  RenderSettings& s = b.scene.render;
  s.depthMap = 1;
  s.depthMapName = (dir / "depth").c_str();
  s.depthFocus = 10;
  s.depthFar = 20;
  ASSERT_EQ(b.driver.renderFrame(1), 0);
  const TgaImage depth(dir / "depth00001.tga");
  ASSERT_EQ(depth.width, 20);
  // Focal distance 200 × 20 / 320 = 12.5 pixels. Row 19 looks along (0, -9, 12.5): the floor
  // is sqrt(81 + 156.25) / 9 = 1.71143 away, 1.71143 / 10 × 255 = 43.6.
  EXPECT_EQ(depth.Pixel(10, 19), (Rgb{43, 43, 43}));
  // Rows at and above the horizon miss: 0.
  EXPECT_EQ(depth.Pixel(10, 10), (Rgb{0, 0, 0}));
  EXPECT_EQ(b.driver.PixelsHit(), 9u * 20);
  // Without memory for the block buffer both pictures are written line by line, the same.
  b.driver.SetBlockBufferLimit(0);
  ASSERT_EQ(b.driver.renderFrame(2), 0);
  EXPECT_EQ(b.err.str(),
            "ERROR: No memory for RGB-save-buffer.\nERROR: No memory for RGB-save-buffer.\n");
  EXPECT_EQ(ReadBytes(dir / "floor00001.tga"), ReadBytes(dir / "floor00002.tga"));
  EXPECT_EQ(ReadBytes(dir / "depth00001.tga"), ReadBytes(dir / "depth00002.tga"));
  s.fieldMaskType = 1;
  s.fieldBrightness = 100;
  // A mask texture without a picture masks nothing.
  s.fieldMask = b.AddTexture("empty", kTextureImage);
  ASSERT_EQ(b.driver.renderFrame(3), 0);
  EXPECT_EQ(b.driver.PixelsHit(), 20u * 9);
  Texture* fractal = b.AddTexture("fractal", kTextureFractal);
  s.fieldMaskType = 2;
  s.fieldMask = fractal;
  // Without a palette every pixel is left untraced.
  ASSERT_EQ(b.driver.renderFrame(1), 0);
  EXPECT_EQ(b.driver.PixelsHit(), 0u);
  // A window around c = 0, inside the set: index 20 (the iteration count) everywhere.
  auto palette = std::make_unique<Picture>();
  palette->paletteCount = 32;
  palette->palette[20] = Rgb{255, 255, 255};
  fractal->fractal.SetOwnedPalette(std::move(palette));
  fractal->fractal.xMin = fractal->fractal.yMin = -0.01;
  fractal->fractal.xMax = fractal->fractal.yMax = 0.01;
  ASSERT_EQ(b.driver.renderFrame(2), 0);
  EXPECT_EQ(b.driver.PixelsHit(), 20u * 9);
}

TEST_F(RenderDriverFiles, BitmapAndFractalBackgrounds) {
  // Texels: red at (0, 0), blue at (1, 0).
  Texture* picture = b.AddTexture("back", kTextureImage);
  FillPicture(picture, 2, 1, [](int x, int) { return x; });
  picture->picture()->palette[0] = Rgb{255, 0, 0};
  picture->picture()->palette[1] = Rgb{0, 0, 255};
  b.Output(dir / "bg", 4, 2);
  b.scene.render.backgroundMode = 1;
  b.scene.render.backgroundTexture = picture;
  ASSERT_EQ(b.driver.renderFrame(1), 0);
  const TgaImage image(dir / "bg00001.tga");
  // u = x / 4: x = 0 is texel A = red; x = 1 is 2 × 0.25 = 0.5 into it:
  // 0.5 × (0.5 red + 0.5 blue + red) = (191.25, 0, 63.75).
  EXPECT_EQ(image.Pixel(0, 0), (Rgb{255, 0, 0}));
  EXPECT_EQ(image.Pixel(1, 0), (Rgb{191, 0, 63}));
  Texture* fractal = b.AddTexture("frac", kTextureFractal);
  b.Output(dir / "fr", 6, 4);
  b.scene.render.backgroundMode = 2;
  b.scene.render.backgroundTexture = fractal;
  b.scene.render.background[1] = 99;
  // No palette: the grey ramp; c = 0.5 + 1.0i at the window's top left stops after 4 steps.
  fractal->fractal.xMin = fractal->fractal.xMax = 0.5;
  fractal->fractal.yMin = fractal->fractal.yMax = 1.0;
  ASSERT_EQ(b.driver.renderFrame(1), 0);
  const TgaImage fractal_image(dir / "fr00001.tga");
  EXPECT_EQ(fractal_image.Pixel(5, 3), (Rgb{4, 4, 4}));
}

TEST_F(RenderDriverFiles, PrepareRemovesPreviewObjectsSetsParentsAndRendersPreviews) {
  Material* m = b.AddMaterial("m", 255, 255, 255);
  // The preview objects go; a mesh's mapping leftover ("ball_mat_object") stays.
  for (const char* name : {"_mat_object", "ball", "_mat_objectPreview", "ball_mat_object"})
    b.AddSphere({0, 0, 0}, 1, m)->name = name;
  auto* outer = new GroupObject();
  auto* inner = new GroupObject();
  auto* member = new MathSphere(1.0f);
  inner->AddMember(member);
  outer->AddMember(inner);
  b.scene.objects->Append(outer, 1);
  member->parent = inner->parent = nullptr;
  outer->parent = inner;  // stale
  b.driver.prepareScene();
  std::vector<std::string> names;
  for (ListItem* i = b.scene.objects->First(); i != nullptr; i = b.scene.objects->Next())
    names.push_back(static_cast<SceneObject*>(i)->name.c_str());
  EXPECT_EQ(names, (std::vector<std::string>{"ball", "ball_mat_object", ""}));
  EXPECT_TRUE(outer->parent == nullptr && inner->parent == outer && member->parent == inner);
  // A preview of another scene: the planes hold the traced picture.
  b.scene.objects->RemoveAll();
  b.AddCamera({0, 0, 0}, {0, 0, 1});
  b.AddLight({0, 0, 0});
  b.AddSphere({0, 0, 10}, 1, b.AddMaterial("white", 255, 255, 255));
  b.scene.render.background[0] = 77;
  b.scene.render.fieldRight = 7;
  b.scene.render.fieldBottom = 6;  // row 7 is left to the background
  std::vector<uint8_t> red(64, 1), green(64, 1), blue(64, 1);
  b.driver.renderPreview(8, 8, red.data(), green.data(), blue.data(), red.size());
  EXPECT_EQ(b.scene.render.framesRendered, 1u);
  // The corner pixels miss: black. The centre (4, 4) looks straight at the sphere.
  EXPECT_EQ(red[0], 0);
  EXPECT_GT(red[4 + 4 * 8], 0);
  EXPECT_EQ(red[3 + 7 * 8], 77);
}

// Compares the picture `file` with golden/<name>.tga (or renews the reference).
void ExpectGolden(const std::string& file, const std::string& name) {
  const auto reference = std::filesystem::path(__FILE__).parent_path() / "golden" / (name + ".tga");
  if (std::getenv("ORVANE_UPDATE_GOLDEN") != nullptr) {
    std::filesystem::copy_file(file, reference, std::filesystem::copy_options::overwrite_existing);
    GTEST_SKIP() << "renewed " << reference;
  }
  const std::vector<uint8_t> expected = ReadBytes(reference.string());
  ASSERT_FALSE(expected.empty()) << "missing reference " << reference;
  EXPECT_TRUE(ReadBytes(file) == expected) << name << " differs from " << reference;
}

// The common stage: a camera at the origin looking along +Z, 80 × 60 pixels (focal distance
// 50 pixels), a grey floor at y = -1 and a blue background.
class Golden : public RenderDriverFiles {
 protected:
  void SetUp() override {
    b.Output(dir / "out", 80, 60);
    camera = b.AddCamera({0, 0, 0}, {0, 0, 1});
    grey = b.AddMaterial("grey", 128, 128, 128);
    b.AddPlane({0, -1, 0}, {0, 1, 0}, grey);
    b.driver.SetBackgroundColour(30, 40, 90);
  }
  // Renders frame -1 on 1, 2, 3 and 7 threads, comparing out.tga (and depth.tga when `depth`
  // names its reference) each time; the last render's files stay for the test's own checks.
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
  const TgaImage image(dir / "out.tga");
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
  const Rgb colours[] = {{230, 40, 40}, {40, 230, 40}, {40, 40, 230}, {230, 230, 40}};
  std::copy(colours, colours + 4, quadrants->picture()->palette.begin() + 1);
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
}  // namespace orvane::render_test
