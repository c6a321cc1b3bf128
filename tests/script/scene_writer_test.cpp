#include "script/scene_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "imageio/ilbm.h"
#include "material/material.h"
#include "material/texture.h"
#include "scene/camera.h"
#include "scene/group_object.h"
#include "scene/light_source.h"
#include "scene/math_plane.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"
#include "scene/scene.h"
#include "script_test_support.h"
#include "support/test_files.h"

namespace orvane {
namespace {

const std::filesystem::path kDataDir = std::filesystem::path(__FILE__).parent_path() / "data";

// A small scene built in code: a light, textures of every kind (in an order the writer must
// sort), two materials, a sphere, a group with a mesh, a camera and render settings.
class SmallScene : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ostringstream err;
    ASSERT_TRUE(scene_.EnsureLists(err));

    auto* lamp = Add(scene_.lights, new LightSource, "lamp");
    lamp->placement.position = Vec3{0, 10, -5};
    lamp->SetColor(255, 255, 200);

    auto* frac = Add(scene_.images, new Texture(kTextureFractal), "frac");
    Add(scene_.images, new Texture(kTextureImage), "wood")->fileName = "wood.iff";
    auto* pal = Add(scene_.images, new Texture(kTexturePalette), "pal");
    ASSERT_TRUE(pal->CreatePicture(8, 8, 8));
    pal->picture()->paletteCount = 4;
    frac->fractal.SetPalette(pal->picture());
    board_ = Add(scene_.images, new Texture(kTextureChess), "board");
    board_->twoColours.SetColour1(255, 0, 0);
    board_->twoColours.SetColour2(0, 0, 255);

    red_ = Add(scene_.materials, new Material, "red");
    red_->setColour(kDiffuse, 255, 0, 0);
    red_->setTexture(kDiffuse, board_);
    red_->setHasTexture(kDiffuse, 1);
    Add(scene_.materials, new Material, "spare");

    auto* ball = Add(scene_.objects, new MathSphere(2.0f), "ball");
    ball->placement.position = Vec3{0, 2, 0};
    ball->material = red_;

    group_ = Add(scene_.objects, new GroupObject, "g");
    group_->placement.position = Vec3{1, 0, 0};
    auto* tri = new MeshObject;
    tri->name = "tri";
    tri->placement.position = Vec3{1, 0, 0};
    ASSERT_EQ(tri->SetPointCount(3), 0);
    tri->SetPoint(0, 1, 0, 0);
    tri->SetPoint(1, 2, 0, 0);
    tri->SetPoint(2, 1, 1, 0);
    ASSERT_EQ(tri->SetTriangleCount(1), 0);
    ASSERT_EQ(tri->SetTriangle(0, 0, 1, 2), 0);
    tri->material = red_;
    group_->AddMember(tri);

    auto* cam = Add(scene_.cameras, new Camera, "cam");
    cam->placement.position = Vec3{0, 1, -10};
    cam->SetZoom(250.0f);
    scene_.render.activeCamera = cam;
    for (int i = 0; i < 3; ++i) {
      scene_.render.ambient[i] = static_cast<uint8_t>(10 * (i + 1));  // 10, 20, 30
      scene_.render.fog[i] = static_cast<uint8_t>(i + 1);             // 1, 2, 3
    }
    scene_.render.fogDistance = 500.9f;
  }

  template <class T>
  static T* Add(LIST* list, T* item, const char* name) {
    item->name = name;
    list->Append(item, 1);
    return item;
  }

  std::string SceneText() { return test::WrittenScene(scene_); }

  test::TempDir temp_;
  std::string dir_ = temp_.path().string();
  Scene scene_;
  Material* red_ = nullptr;
  Texture* board_ = nullptr;
  GroupObject* group_ = nullptr;
};

TEST_F(SmallScene, SceneFileGoldenBytes) {
  EXPECT_EQ(SceneText(), test::DataText("small_scene.ovs"));
}

TEST_F(SmallScene, ObjectFilesBringOnlyWhatTheObjectUses) {
  std::ostringstream group;
  ASSERT_TRUE(WriteObject(scene_, group_, group));
  EXPECT_EQ(group.str(), test::DataText("small_group.ovo"));

  auto* ball = dynamic_cast<SceneObject*>(scene_.objects->head->item);
  ASSERT_NE(ball, nullptr);
  std::ostringstream out;
  ASSERT_TRUE(WriteObject(scene_, ball, out));
  EXPECT_EQ(out.str(), test::DataText("small_ball.ovo"));
  ball->material = nullptr;
  std::ostringstream bare;
  ASSERT_TRUE(WriteObject(scene_, ball, bare));
  EXPECT_EQ(bare.str(), test::DataText("small_bare_ball.ovo"));
}

TEST_F(SmallScene, MaterialFileBringsEachChannelTextureOnce) {
  red_->setTexture(kBump, board_);  // a second channel with the same texture
  std::ostringstream out;
  ASSERT_TRUE(WriteMaterial(scene_, red_, out));
  EXPECT_EQ(out.str(), test::DataText("small_red.ovm"));
}

TEST_F(SmallScene, SaveSceneAddsTheExtensionOnce) {
  EXPECT_EQ(SceneFileName("a"), String("a.ovs"));
  EXPECT_EQ(SceneFileName("a.ovs"), String("a.ovs"));
  EXPECT_EQ(SceneFileName("a.OVS"), String("a.OVS.ovs"));

  ASSERT_TRUE(SaveScene(scene_, (dir_ + "/s").c_str()));
  EXPECT_EQ(test::ReadText(dir_ + "/s.ovs"), SceneText());
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/s"));
}

TEST_F(SmallScene, NothingToWriteOrNowhereToWriteIsRefused) {
  EXPECT_FALSE(SaveObject(scene_, nullptr, (dir_ + "/x.ovo").c_str()));
  EXPECT_FALSE(SaveObject(scene_, group_, ""));
  EXPECT_FALSE(SaveObject(scene_, group_, nullptr));
  EXPECT_FALSE(SaveMaterial(scene_, nullptr, (dir_ + "/x.ovm").c_str()));
  EXPECT_FALSE(SaveMaterial(scene_, red_, ""));
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/x.ovo"));
  EXPECT_FALSE(SaveScene(scene_, (dir_ + "/missing/s").c_str()));

  // A file that cannot be replaced keeps its content.
  const std::string blocked = dir_ + "/blocked.ovs";
  std::filesystem::create_directory(blocked);
  EXPECT_FALSE(SaveScene(scene_, blocked.c_str()));
  EXPECT_TRUE(std::filesystem::is_directory(blocked));
}

// --- Round trip through the scene language ---------------------------------------------------

struct LoadedScene {
  LoadedScene(const std::string& path, const std::string& texture_dir) {
    err = test::LoadScene(scene, path, &result, texture_dir);
  }
  Scene scene;
  int result = 0;
  std::string err;
};

// What the written text cannot show: the kinds of the items and the sizes of the pictures.
std::vector<std::string> Kinds(Scene& scene) {
  std::vector<std::string> out;
  for (LIST* list : {scene.lights, scene.objects, scene.cameras}) {
    for (SceneObject* item : test::Items<SceneObject>(list)) out.push_back(item->TypeName());
  }
  for (Texture* t : test::Items<Texture>(scene.images)) {
    out.push_back(std::to_string(t->Width()) + "x" + std::to_string(t->Height()));
  }
  return out;
}

class RoundTrip : public SmallScene {
 protected:
  void SetUp() override {
    SmallScene::SetUp();
    // The rich scene's image texture.
    Picture wood;
    ASSERT_TRUE(wood.Create(4, 2, 8));
    wood.paletteCount = 256;
    for (int i = 0; i < 256; ++i) wood.palette[i] = Rgb{uint8_t(i), uint8_t(255 - i), 7};
    for (int x = 0; x < 4; ++x) wood.SetPixel(x, 1, uint8_t(40 * x));
    ASSERT_TRUE(writeILBM(wood, (dir_ + "/rich_wood.iff").c_str(), true));
  }
  const std::string rich_ = (kDataDir / "rich_scene.ovs").string();
};

TEST_F(RoundTrip, RichSceneSavesLoadsAndSavesToTheSameFile) {
  LoadedScene first(rich_, dir_);
  ASSERT_EQ(first.result, 0) << first.err;
  ASSERT_NE(first.scene.objects, nullptr);
  ASSERT_EQ(first.scene.objects->count, 6) << "the rich scene did not load as written";
  ASSERT_TRUE(SaveScene(first.scene, (dir_ + "/first").c_str()));

  LoadedScene second(dir_ + "/first.ovs", dir_);
  ASSERT_EQ(second.result, 0) << second.err;
  ASSERT_TRUE(SaveScene(second.scene, (dir_ + "/second").c_str()));

  const std::string saved = test::ReadText(dir_ + "/first.ovs");
  EXPECT_EQ(test::ReadText(dir_ + "/second.ovs"), saved);
  EXPECT_EQ(saved, test::DataText("rich_scene_saved.ovs"));
  EXPECT_EQ(Kinds(second.scene), Kinds(first.scene));
}

TEST_F(RoundTrip, ObjectAndMaterialFilesLoadBackIntoAnEmptyScene) {
  LoadedScene rich(rich_, dir_);
  ASSERT_EQ(rich.result, 0) << rich.err;
  SceneObject* outer = test::Named<SceneObject>(rich.scene.objects, "outer");
  ASSERT_NE(outer, nullptr);
  ASSERT_TRUE(SaveObject(rich.scene, outer, (dir_ + "/outer.ovo").c_str()));
  LoadedScene object(dir_ + "/outer.ovo", dir_);
  ASSERT_EQ(object.result, 0) << object.err;
  ASSERT_EQ(object.scene.objects->count, 1);
  auto* loaded_outer = dynamic_cast<SceneObject*>(object.scene.objects->head->item);
  ASSERT_NE(loaded_outer, nullptr);
  // Writing prepares the mapping objects as it did for the saved group: compare after it.
  std::ostringstream object_again;
  ASSERT_TRUE(WriteObject(object.scene, loaded_outer, object_again));
  EXPECT_EQ(object_again.str(), test::ReadText(dir_ + "/outer.ovo"));
  // Both materials are used inside the group; of the textures only those of "every".
  EXPECT_EQ(object.scene.materials->count, 2);
  EXPECT_EQ(object.scene.images->count, 4);

  auto* every = dynamic_cast<Material*>(rich.scene.materials->head->item);
  ASSERT_NE(every, nullptr);
  ASSERT_TRUE(SaveMaterial(rich.scene, every, (dir_ + "/every.ovm").c_str()));
  LoadedScene material(dir_ + "/every.ovm", dir_);
  ASSERT_EQ(material.result, 0) << material.err;
  ASSERT_EQ(material.scene.materials->count, 1);
  EXPECT_EQ(material.scene.images->count, 4);
  std::ostringstream again;
  ASSERT_TRUE(WriteMaterial(material.scene,
                            dynamic_cast<Material*>(material.scene.materials->head->item), again));
  EXPECT_EQ(again.str(), test::ReadText(dir_ + "/every.ovm"));
}

}  // namespace
}  // namespace orvane
