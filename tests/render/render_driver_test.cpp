#include "render/render_driver.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "imageio/jpeg.h"
#include "scene/group_object.h"
#include "scene_builder.h"

namespace orvane {
namespace {

using render_test::ReadBytes;
using render_test::ReadTga;
using render_test::SceneBuilder;
using render_test::TempDir;

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
}

// A full device behind the picture's name: the frame is rendered, the failed write reported and
// the frame marked as having lost its picture.
TEST_F(RenderDriverFiles, WriteFailuresAreReported) {
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
  EXPECT_GE(pixel & 0xFF, 250u);
  EXPECT_LE((pixel >> 8) & 0xFF, 5u);
  EXPECT_LE((pixel >> 16) & 0xFF, 5u);
}

// `text` with the seconds after "ready in: " and "Rendered in " masked as '#'.
std::string MaskSeconds(std::string text) {
  for (const std::string label : {"ready in: ", "Rendered in "}) {
    for (std::size_t at = text.find(label); at != std::string::npos;
         at = text.find(label, at + 1)) {
      const std::size_t from = at + label.size();
      const std::size_t to = text.find_first_not_of("-+0123456789.e", from);
      if (to != from && to != std::string::npos) text.replace(from, to - from, "#");
    }
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
  EXPECT_EQ(b.driver.CurrentLine(), 0);
  std::vector<int> lines;
  while (b.driver.renderLineBlock() == 1) lines.push_back(b.driver.CurrentLine());
  EXPECT_EQ(lines, (std::vector<int>{10, 20, 30}));
  EXPECT_EQ(b.driver.CurrentLine(), 34);
  EXPECT_FALSE(b.driver.FrameInProgress());
  EXPECT_EQ(b.driver.renderLineBlock(), 0);
  EXPECT_EQ(ReadBytes(dir / "p00001.tga").size(), 18u + 8 * 34 * 3);
}

// A grey floor (y = -1) under a camera at the origin looking along +Z: the lower half of the
// picture hits it, the upper half misses.
class RenderDriverFloor : public RenderDriverFiles {
 protected:
  void SetUp() override {
    b.Output(dir / "floor", 20, 20);
    b.AddCamera({0, 0, 0}, {0, 0, 1});
    b.AddPlane({0, -1, 0}, {0, 1, 0}, b.AddMaterial("grey", 128, 128, 128));
    b.AddLight({0, 5, 0});
    b.scene.render.background[2] = 200;
  }
};

TEST_F(RenderDriverFloor, DepthMapFromThePrimaryHitsWithAndWithoutBuffer) {
  RenderSettings& s = b.scene.render;
  s.depthMap = 1;
  s.depthMapName = (dir / "depth").c_str();
  s.depthFocus = 10;
  s.depthFar = 20;
  ASSERT_EQ(b.driver.renderFrame(1), 0);
  auto depth = ReadTga(dir / "depth00001.tga");
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
}

TEST_F(RenderDriverFloor, EmptyAndFractalMasks) {
  RenderSettings& s = b.scene.render;
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
  render_test::FillPicture(picture, 2, 1, [](int x, int) { return x; });
  picture->picture()->palette[0] = Rgb{255, 0, 0};
  picture->picture()->palette[1] = Rgb{0, 0, 255};
  b.Output(dir / "bg", 4, 2);
  b.scene.render.backgroundMode = 1;
  b.scene.render.backgroundTexture = picture;
  ASSERT_EQ(b.driver.renderFrame(1), 0);
  auto image = ReadTga(dir / "bg00001.tga");
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
  image = ReadTga(dir / "fr00001.tga");
  EXPECT_EQ(image.Pixel(5, 3), (Rgb{4, 4, 4}));
}

TEST(RenderDriverPrepare, RemovesPreviewObjectsSetsParentsAndRendersPreviews) {
  SceneBuilder b;
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
  member->parent = nullptr;
  inner->parent = nullptr;
  outer->parent = inner;  // stale

  b.driver.prepareScene();
  std::vector<std::string> names;
  for (ListNode* n = b.scene.objects->head; n != nullptr; n = n->next)
    names.push_back(static_cast<SceneObject*>(n->item)->name.c_str());
  EXPECT_EQ(names, (std::vector<std::string>{"ball", "ball_mat_object", ""}));
  EXPECT_EQ(outer->parent, nullptr);
  EXPECT_EQ(inner->parent, outer);
  EXPECT_EQ(member->parent, inner);

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

}  // namespace
}  // namespace orvane
