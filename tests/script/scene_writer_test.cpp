#include "script/scene_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "imageio/ilbm.h"
#include "material/material.h"
#include "material/texture.h"
#include "scene/group_object.h"
#include "scene/mesh_object.h"
#include "script_test_support.h"

namespace orvane {
namespace {

// What the written text cannot show: the kinds of the items, in list order.
void AddKinds(const LIST* list, std::string& out) {
  for (SceneObject* item : test::Items<SceneObject>(list)) {
    out += std::string(item->TypeName()) + ";";
    if (auto* group = dynamic_cast<GroupObject*>(item)) AddKinds(&group->members, out);
    if (auto* mesh = dynamic_cast<MeshObject*>(item); mesh && mesh->mapping_object)
      out += std::string(mesh->mapping_object->TypeName()) + ";";
  }
}

std::string Kinds(Scene& scene) {
  std::string out;
  for (LIST* list : {scene.lights, scene.objects, scene.cameras}) AddKinds(list, out);
  return out;
}

// The rich scene of the data folder, loaded with its image texture, and its saved file.
class SceneWriter : public test::ScriptFiles {
 protected:
  void SetUp() override {
    ScriptFiles::SetUp();
    Picture wood;
    ASSERT_TRUE(wood.Create(4, 2, 8));
    wood.paletteCount = 256;
    for (int i = 0; i < 256; ++i) wood.palette[i] = Rgb{uint8_t(i), uint8_t(255 - i), 7};
    for (int x = 0; x < 4; ++x) wood.SetPixel(x, 1, uint8_t(40 * x));
    ASSERT_TRUE(writeILBM(wood, (dir_ + "/rich_wood.iff").c_str(), true));
    rich_ = Load(kRich);
    ASSERT_EQ(rich_->scene.objects->count, 2) << "the rich scene did not load as written";
    outer_ = test::Named<SceneObject>(rich_->scene.objects, "outer");
    every_ = test::Named<Material>(rich_->scene.materials, "every");
    ASSERT_TRUE(outer_ && every_);
  }
  std::unique_ptr<test::LoadedScene> Load(const std::string& path) {
    auto loaded = std::make_unique<test::LoadedScene>(path, dir_);
    EXPECT_EQ(loaded->result, 0) << path << loaded->err;
    return loaded;
  }
  std::string ObjectText(SceneObject* object) {
    std::ostringstream out;
    EXPECT_TRUE(WriteObject(rich_->scene, object, out));
    return out.str();
  }
  const std::string kRich = std::filesystem::path(__FILE__).parent_path() / "data/rich_scene.ovs";
  const std::string saved_ = test::DataText("rich_scene_saved.ovs");
  // The text of the saved scene from `head` up to `end`, or the end of a block holding no other.
  std::string Block(const char* head, const char* end = "}\n\n") const {
    const size_t start = saved_.find(head), stop = saved_.find(end, start);
    return saved_.substr(start, stop - start) + (end[0] == '}' ? end : "");
  }
  const std::string images_ = Block("image wood{", "// materials\n");
  const std::string material_ = Block("material every{", "// objects\n");
  const std::string outer_text_ = Block("object outer{", "// cameras\n");
  std::unique_ptr<test::LoadedScene> rich_;
  SceneObject* outer_ = nullptr;
  Material* every_ = nullptr;
};

TEST_F(SceneWriter, RichSceneSavesLoadsAndSavesToTheSameFile) {
  EXPECT_EQ(SceneFileName("a"), String("a.ovs"));
  EXPECT_EQ(SceneFileName("a.ovs"), String("a.ovs"));
  EXPECT_EQ(SceneFileName("a.OVS"), String("a.OVS.ovs"));
  ASSERT_TRUE(SaveScene(rich_->scene, (dir_ + "/first").c_str()));
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/first"));
  // Images come first and the fog distance is written truncated.
  EXPECT_EQ(test::ReadText(dir_ + "/first.ovs"), saved_);
  auto second = Load(dir_ + "/first.ovs");
  ASSERT_TRUE(SaveScene(second->scene, (dir_ + "/second").c_str()));
  EXPECT_EQ(test::ReadText(dir_ + "/second.ovs"), saved_);
  EXPECT_EQ(Kinds(second->scene), Kinds(rich_->scene));
  EXPECT_EQ(test::Named<Texture>(second->scene.images, "wood")->Width(), 4);
  for (Texture* back : test::Items<Texture>(second->scene.images)) {
    const Texture* before = test::Named<Texture>(rich_->scene.images, test::S(back->name));
    EXPECT_EQ(std::make_pair(back->Width(), back->Height()),
              std::make_pair(before->Width(), before->Height()));
  }
}

// Points set in code are written; a fractal names its palette, which has no block of its own.
TEST_F(SceneWriter, ItemsBuiltInCode) {
  Scene& scene = rich_->scene;
  auto* fractal = new Texture(kTextureFractal);
  auto* palette = new Texture(kTexturePalette);
  fractal->name = "frac";
  palette->name = "pal";
  ASSERT_TRUE(palette->CreatePicture(8, 8, 8));
  fractal->fractal.SetPalette(palette->picture());
  scene.images->Append(fractal, 1);
  scene.images->Append(palette, 1);
  auto* mesh = new MeshObject;
  ASSERT_EQ(mesh->SetPointCount(1), 0);
  mesh->SetPoint(0, 1, 2, 3);
  mesh->name = "m";
  scene.objects->Append(mesh, 1);
  const std::string text = test::WrittenScene(scene);
  EXPECT_NE(text.find("number <1>\n<1,2,3>\n"), std::string::npos) << text;
  EXPECT_NE(text.find("fractal frac{\npalette pal\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("pal{"), std::string::npos);
}

TEST_F(SceneWriter, ObjectFilesBringOnlyWhatTheObjectUses) {
  auto* spare = new Material;  // neither it nor the texture are written
  spare->name = "spare";
  rich_->scene.materials->Append(spare, 1);
  rich_->scene.images->Append(new Texture(kTextureChess), 1);
  const std::string head = "// Orvane V1.0 - Objekt\n\n// images\n";
  EXPECT_EQ(ObjectText(outer_),
            head + images_ + "// material\n" + material_ + "// object\n" + outer_text_);
  // A single object and a material file bring the textures in channel order.
  const std::string textures = Block("image wood{") + Block("chess board{") +
                               Block("fractal apple{") + Block("fade dusk{") + "// material\n";
  SceneObject* disc = test::Named<SceneObject>(rich_->scene.objects, "disc");
  const std::string disc_text = Block("plane disc{");
  EXPECT_EQ(ObjectText(disc), head + textures + material_ + "// object\n" + disc_text);
  disc->material = nullptr;
  std::string bare_disc = disc_text;
  bare_disc.erase(bare_disc.find("material every\n"), 15);
  EXPECT_EQ(ObjectText(disc), head + "// material\n// object\n" + bare_disc);
  std::ostringstream material;
  ASSERT_TRUE(WriteMaterial(rich_->scene, every_, material));
  EXPECT_EQ(material.str(), "// Orvane V1.0 - Material\n\n// images\n" + textures + material_);
}

TEST_F(SceneWriter, NothingToWriteOrNowhereToWriteIsRefused) {
  Scene& scene = rich_->scene;
  EXPECT_FALSE(SaveObject(scene, nullptr, (dir_ + "/x.ovo").c_str()));
  EXPECT_FALSE(SaveObject(scene, outer_, ""));
  EXPECT_FALSE(SaveObject(scene, outer_, nullptr));
  EXPECT_FALSE(SaveMaterial(scene, nullptr, (dir_ + "/x.ovm").c_str()));
  EXPECT_FALSE(SaveMaterial(scene, every_, ""));
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/x.ovo"));
  EXPECT_FALSE(SaveScene(scene, (dir_ + "/missing/s").c_str()));
  // A file that cannot be replaced keeps its content.
  const std::string blocked = dir_ + "/blocked.ovs";
  std::filesystem::create_directory(blocked);
  EXPECT_FALSE(SaveScene(scene, blocked.c_str()));
  EXPECT_TRUE(std::filesystem::is_directory(blocked));
}

TEST_F(SceneWriter, ObjectAndMaterialFilesLoadBackIntoAnEmptyScene) {
  ASSERT_TRUE(SaveObject(rich_->scene, outer_, (dir_ + "/outer.ovo").c_str()));
  auto object = Load(dir_ + "/outer.ovo");
  auto objects = test::Items<SceneObject>(object->scene.objects);
  ASSERT_EQ(objects.size(), 1u);
  // Writing prepares the mapping objects as it did for the saved group: compare after it.
  std::ostringstream object_again;
  ASSERT_TRUE(WriteObject(object->scene, objects[0], object_again));
  EXPECT_EQ(object_again.str(), test::ReadText(dir_ + "/outer.ovo"));
  // The group's mesh brings its material and that material's textures.
  EXPECT_EQ(object->scene.materials->count, 1);
  EXPECT_EQ(object->scene.images->count, 4);
  ASSERT_TRUE(SaveMaterial(rich_->scene, every_, (dir_ + "/every.ovm").c_str()));
  auto material = Load(dir_ + "/every.ovm");
  auto materials = test::Items<Material>(material->scene.materials);
  ASSERT_EQ(materials.size(), 1u);
  EXPECT_EQ(material->scene.images->count, 4);
  std::ostringstream again;
  ASSERT_TRUE(WriteMaterial(material->scene, materials[0], again));
  EXPECT_EQ(again.str(), test::ReadText(dir_ + "/every.ovm"));
}

}  // namespace
}  // namespace orvane
