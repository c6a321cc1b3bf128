#include "modelling/height_field.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>
#include <sstream>

#include "foundation/error_output.h"
#include "imageio/picture.h"
#include "material/texture.h"
#include "scene/mesh_object.h"
#include "scene/naming.h"
#include "scene/scene.h"
#include "support/mesh_checks.h"

namespace orvane {
namespace {

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};

// A width × height palette picture whose columns at or beyond `first_white` are white and the
// others black.
Texture* ColumnTexture(const char* name, int width, int height, int first_white) {
  auto* texture = new Texture(kTextureImage);
  texture->name = name;
  auto picture = std::make_unique<Picture>();
  EXPECT_TRUE(picture->Create(width, height, 8));
  picture->palette[0] = kBlack;
  picture->palette[1] = kWhite;
  picture->paletteCount = 2;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) picture->SetPixel(x, y, x >= first_white ? 1 : 0);
  }
  texture->SetPicture(std::move(picture));
  return texture;
}

class HeightFieldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetErrorOutput(&errors_);
    ASSERT_TRUE(scene_.EnsureLists(errors_));
  }
  void TearDown() override { SetErrorOutput(nullptr); }

  Texture* AddTexture(Texture* texture) {
    scene_.images->Append(texture, 1);
    return texture;
  }

  MeshObject* Built(const CommandResult& r) {
    EXPECT_TRUE(r.ok()) << r.title << ": " << r.text;
    return static_cast<MeshObject*>(r.item);
  }

  std::ostringstream errors_;
  Scene scene_;
};

HeightFieldInput SmallField() {
  HeightFieldInput in;
  in.texture = "white";
  in.size_x = 10.0f;
  in.size_z = 10.0f;
  in.subdivisions_x = 2;
  in.subdivisions_z = 2;
  in.height = 5.0f;
  return in;
}

TEST_F(HeightFieldTest, WhiteImageLiftsEveryPointToTheFullHeight) {
  AddTexture(ColumnTexture("white", 2, 2, 0));
  MeshObject* mesh = Built(CreateHeightField(scene_, SmallField()));
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->name, "Height Field");
  ASSERT_EQ(mesh->point_count, 9u);
  ASSERT_EQ(mesh->triangle_count, 8u);
  for (uint32_t i = 0; i < 9; ++i) {
    EXPECT_FLOAT_EQ(mesh->points[i].y, 5.0f);
    EXPECT_FLOAT_EQ(mesh->points[i].x, -5.0f + 5.0f * (i % 3));
    EXPECT_FLOAT_EQ(mesh->points[i].z, -5.0f + 5.0f * (i / 3));
  }
  // Cell (1, 0): triangles 4 and 5 split along P(1, 1)-P(2, 0).
  test::ExpectTriangle(*mesh, 4, 3, 4, 6);
  test::ExpectTriangle(*mesh, 5, 7, 6, 4);
  ASSERT_NE(mesh->material, nullptr);
  EXPECT_EQ(mesh->material->name, "standard");
  EXPECT_EQ(scene_.objects->Last(), mesh);
  EXPECT_EQ(mesh->preview_dirty, 1);
}

TEST_F(HeightFieldTest, WaterLevelAtTheMaximumFlattensEverything) {
  AddTexture(ColumnTexture("white", 2, 2, 0));
  HeightFieldInput in = SmallField();
  in.water_level = 5.0f;
  MeshObject* mesh = Built(CreateHeightField(scene_, in));
  for (uint32_t i = 0; i < mesh->point_count; ++i) EXPECT_NEAR(mesh->points[i].y, 0.0f, 1e-5f);
  // Above the water level the height counts from the level; below it the floor is flat at 0.
  in.name = "Shallow";
  in.water_level = 1.0f;
  mesh = Built(CreateHeightField(scene_, in));
  for (uint32_t i = 0; i < mesh->point_count; ++i) EXPECT_NEAR(mesh->points[i].y, 4.0f, 1e-5f);
  AddTexture(ColumnTexture("black", 2, 2, 2));
  in.name = "Dark";
  in.texture = "black";
  mesh = Built(CreateHeightField(scene_, in));
  for (uint32_t i = 0; i < mesh->point_count; ++i) EXPECT_EQ(mesh->points[i].y, 0.0f);
}

TEST_F(HeightFieldTest, SamplesStopAtU0999AndNeverWrapToTheFirstColumn) {
  // Column 0 black, column 1 white: at u = 1 the lookup would wrap to the black column.
  AddTexture(ColumnTexture("edge", 2, 1, 1));
  HeightFieldInput in = SmallField();
  in.texture = "edge";
  in.subdivisions_x = 1;
  MeshObject* mesh = Built(CreateHeightField(scene_, in));
  ASSERT_EQ(mesh->point_count, 6u);
  EXPECT_FLOAT_EQ(mesh->points[0].y, 0.0f);
  // The filtered lookup at u = 0.999 mixes the white texel with its wrapped black neighbour.
  EXPECT_GT(mesh->points[1].y, 0.45f * 5.0f);
  EXPECT_NEAR(mesh->points[1].y, 5.0f * BrightnessAt(*FindTexture(scene_.images, "edge"), 0.999, 0),
              1e-5f);
}

TEST_F(HeightFieldTest, SphereModeWrapsTheGridOntoASphereOfRadiusSizeX) {
  AddTexture(ColumnTexture("white", 2, 2, 0));
  HeightFieldInput in = SmallField();
  in.sphere = true;
  in.size_x = 3.0f;
  in.subdivisions_x = 8;
  in.subdivisions_z = 4;
  in.height = 1.0f;
  MeshObject* mesh = Built(CreateHeightField(scene_, in));
  ASSERT_EQ(mesh->point_count, 45u);
  for (uint32_t i = 0; i < mesh->point_count; ++i)
    EXPECT_NEAR(mesh->points[i].Length(), 4.0, 1e-5) << i;  // radius 3 plus full height 1
  EXPECT_NEAR(mesh->points[0].y, -4.0f, 1e-5f);             // row 0: the bottom pole
  EXPECT_NEAR(mesh->points[18].x, 4.0f, 1e-5f);             // row 2, column 0: on the equator at +X
}

TEST_F(HeightFieldTest, RefusesInTheStatedOrder) {
  HeightFieldInput in = SmallField();
  CommandResult r = CreateHeightField(scene_, in);
  EXPECT_EQ(r.title, "Attention");
  EXPECT_EQ(r.text, "There are no textures loaded!\nPlease load or create a textur first!");
  AddTexture(ColumnTexture("white", 2, 2, 0));
  in.texture = "";
  r = CreateHeightField(scene_, in);
  EXPECT_EQ(r.title, "Error");
  EXPECT_EQ(r.text, "You must select a texture.");
  in.texture = "missing";
  EXPECT_EQ(CreateHeightField(scene_, in).text, "You must select a texture.");
  in.texture = "white";
  ASSERT_TRUE(CreateHeightField(scene_, in).ok());
  EXPECT_EQ(CreateHeightField(scene_, in).text, kNameTakenText);

  in.name = "Other";
  const struct {
    int64_t nx, nz;
    const char* text;
  } counts[] = {{0, 2, kSubdivisionsText},
                {2, -1, kSubdivisionsText},
                {1000000000, 2, kTooManySegmentsText},
                {2000, 2000, kTooManyTrianglesText},
                {10001, 1, kTooManySegmentsText}};
  for (const auto& c : counts) {
    in.subdivisions_x = c.nx;
    in.subdivisions_z = c.nz;
    r = CreateHeightField(scene_, in);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.text, c.text) << c.nx << " x " << c.nz;
  }
  in.subdivisions_x = in.subdivisions_z = 2;
  for (float bad : {std::nanf(""), 1e30f}) {
    in.height = bad;
    EXPECT_EQ(CreateHeightField(scene_, in).text, kBadSizeText);
  }
  in.height = 0.0f;  // no height at all: a flat field, not a division by zero
  MeshObject* flat = Built(CreateHeightField(scene_, in));
  for (uint32_t i = 0; i < flat->point_count; ++i) EXPECT_EQ(flat->points[i].y, 0.0f);
}

TEST_F(HeightFieldTest, LongestRowIsBuilt) {
  AddTexture(ColumnTexture("white", 2, 2, 0));
  HeightFieldInput in = SmallField();
  in.subdivisions_x = 10000;
  in.subdivisions_z = 1;
  MeshObject* mesh = Built(CreateHeightField(scene_, in));
  EXPECT_EQ(mesh->triangle_count, 20000u);
  EXPECT_EQ(mesh->point_count, 20002u);
  EXPECT_FLOAT_EQ(mesh->points[10000].x, 5.0f);
}

// --- Image scan ---

ImageScanInput HalfScan() {
  ImageScanInput in;
  in.texture = "half";
  in.size_x = 8.0f;
  in.size_y = 2.0f;
  in.subdivisions_x = 8;
  in.subdivisions_y = 2;
  in.threshold = 0.5f;
  return in;
}

TEST_F(HeightFieldTest, ScanOfAHalfBlackImageKeepsTheBrightCellsAndTheirPointsOnly) {
  AddTexture(ColumnTexture("half", 8, 4, 4));
  MeshObject* mesh = Built(ScanImage(scene_, HalfScan()));
  EXPECT_EQ(mesh->name, "Scan");
  // Cells sample their corner at u = 0.999 c / 8: columns 5 to 7 read white; column 4 reads
  // the last black texel (filtered brightness 0.498) and stays empty.
  ASSERT_EQ(mesh->triangle_count, 12u);
  ASSERT_EQ(mesh->point_count, 12u);
  std::set<uint32_t> used;
  double area = 0.0;
  for (uint32_t i = 0; i < mesh->triangle_count; ++i) {
    const Triangle& t = mesh->triangles[i];
    ASSERT_TRUE(t.a < 12 && t.b < 12 && t.c < 12);
    used.insert({t.a, t.b, t.c});
    area +=
        std::fabs(
            Cross(mesh->points[t.b] - mesh->points[t.a], mesh->points[t.c] - mesh->points[t.a]).z) /
        2.0;
  }
  EXPECT_EQ(used.size(), 12u);  // every kept point is used
  EXPECT_DOUBLE_EQ(area, 3.0 * 2.0);
  for (uint32_t i = 0; i < mesh->point_count; ++i) EXPECT_GE(mesh->points[i].x, 1.0f);
  // Points keep their grid order: first row y = -1 from x = 1 to 4.
  EXPECT_EQ(mesh->points[0], (Vec3{1, -1, 0}));
  EXPECT_EQ(mesh->points[11], (Vec3{4, 1, 0}));
  test::ExpectTriangle(*mesh, 0, 0, 1, 4);
}

TEST_F(HeightFieldTest, ScanOfADarkImageAddsAnEmptyMesh) {
  AddTexture(ColumnTexture("half", 8, 4, 8));  // no white column
  MeshObject* mesh = Built(ScanImage(scene_, HalfScan()));
  EXPECT_EQ(mesh->point_count, 0u);
  EXPECT_EQ(mesh->triangle_count, 0u);
  EXPECT_EQ(scene_.objects->Last(), mesh);
}

TEST_F(HeightFieldTest, ScanRefusesInTheStatedOrder) {
  ImageScanInput in = HalfScan();
  EXPECT_EQ(ScanImage(scene_, in).text, kNoTexturesText);
  AddTexture(ColumnTexture("half", 8, 4, 4));
  in.texture = "";
  CommandResult r = ScanImage(scene_, in);
  EXPECT_EQ(r.title, "Fehler");
  EXPECT_EQ(r.text, "You must select a texture first.");
  in.texture = "half";
  ASSERT_TRUE(ScanImage(scene_, in).ok());
  r = ScanImage(scene_, in);
  EXPECT_EQ(r.title, "Error");
  EXPECT_EQ(r.text, kNameTakenText);
  in.name = "Scan2";
  in.subdivisions_y = 0;
  EXPECT_EQ(ScanImage(scene_, in).text, kSubdivisionsText);
  in.subdivisions_y = 2;
  in.threshold = std::nanf("");
  EXPECT_EQ(ScanImage(scene_, in).text, kBadSizeText);
}

}  // namespace
}  // namespace orvane
