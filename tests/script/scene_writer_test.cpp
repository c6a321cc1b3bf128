#include "script/scene_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
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
#include "script/interpreter.h"
#include "script/scene_commands.h"
#include "support/test_files.h"

namespace orvane {
namespace {

// The five placement lines of an unturned item at (x, y, z), as they appear in the files.
std::string Placed(const char* position) {
  return std::string("position <") + position +
         ">\naxis_deg <0,0,0>\naxis_X <1,0,0>\naxis_Y <0,1,0>\naxis_Z <0,0,1>\n";
}

const std::string kBoard = "chess board{\ncolor1 <255,0,0>\ncolor2 <0,0,255>\n}\n\n";

// A material with the default channels except the diffuse colour and texture line.
std::string MaterialText(const std::string& name, const char* diffuse) {
  return "material " + name + "{\ndiffus <1>\ndiffus_color <" + diffuse + ">\n" +
         (name == "red" ? "diffus_texture board\n" : "") +
         "diffus_tile <1,1>\n"
         "highlight <0>\nhighlight_size <70.00>\nhighlight_color <255,255,255>\nhighlight_tile "
         "<1,1>\n"
         "refraction <0>\n"
         "mirror <0>\nmirror_color <255,255,255>\nmirror_tile <1,1>\n"
         "transparent <0>\ntransparent_color <255,255,255>\ntransparent_tile <1,1>\n"
         "glow <0>\nglow_color <255,255,255>\nglow_tile <1,1>\n"
         "ambient <0.1>\nambient_color <255,255,255>\nambient_tile <1,1>\n"
         "bump <0>\nbump_tile <1,1>\n"
         "}\n\n";
}

const std::string kRed = MaterialText("red", "255,0,0");

const std::string kGroup =
    "object g{\n" + Placed("1,0,0") + "sphere tri_mat_object{\n" + Placed("0,0,0") +
    "radius <1>\nmaterial red\nis_visible <0>\n}\n\n"
    "points tri{\nnumber <3>\n<1,0,0>\n<2,0,0>\n<1,1,0>\n}\n\n"
    "trimesh tri{\n" +
    Placed("1,0,0") +
    "points tri\ntriangles <1>\n<0,1,2>\nmaterial red\nmaterial_object tri_mat_object\n}\n\n"
    "}\n\n";

// A small scene built in code: a light, textures of every kind (in an order the writer must
// sort), two materials, a sphere, a group with a mesh, a camera and render settings.
class SmallScene : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ostringstream err;
    ASSERT_TRUE(scene_.EnsureLists(err));

    auto* lamp = new LightSource;
    lamp->name = "lamp";
    lamp->placement.position = Vec3{0, 10, -5};
    lamp->SetColor(255, 255, 200);
    scene_.lights->Append(lamp, 1);

    auto* frac = AddTexture(kTextureFractal, "frac");
    auto* wood = AddTexture(kTextureImage, "wood");
    wood->fileName = "wood.iff";
    auto* pal = AddTexture(kTexturePalette, "pal");
    ASSERT_TRUE(pal->CreatePicture(8, 8, 8));
    pal->picture()->paletteCount = 4;
    frac->fractal.SetPalette(pal->picture());
    board_ = AddTexture(kTextureChess, "board");
    board_->twoColours.SetColour1(255, 0, 0);
    board_->twoColours.SetColour2(0, 0, 255);

    red_ = new Material;
    red_->name = "red";
    red_->setColour(kDiffuse, 255, 0, 0);
    red_->setTexture(kDiffuse, board_);
    red_->setHasTexture(kDiffuse, 1);
    scene_.materials->Append(red_, 1);
    auto* spare = new Material;
    spare->name = "spare";
    scene_.materials->Append(spare, 1);

    auto* ball = new MathSphere(2.0f);
    ball->name = "ball";
    ball->placement.position = Vec3{0, 2, 0};
    ball->material = red_;
    scene_.objects->Append(ball, 1);

    group_ = new GroupObject;
    group_->name = "g";
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
    scene_.objects->Append(group_, 1);

    auto* cam = new Camera;
    cam->name = "cam";
    cam->placement.position = Vec3{0, 1, -10};
    cam->SetZoom(250.0f);
    scene_.cameras->Append(cam, 1);
    scene_.render.activeCamera = cam;
    scene_.render.ambient[0] = 10;
    scene_.render.ambient[1] = 20;
    scene_.render.ambient[2] = 30;
    scene_.render.fog[0] = 1;
    scene_.render.fog[1] = 2;
    scene_.render.fog[2] = 3;
    scene_.render.fogDistance = 500.9f;
  }

  Texture* AddTexture(int kind, const char* name) {
    auto* t = new Texture(kind);
    t->name = name;
    scene_.images->Append(t, 1);
    return t;
  }

  std::string SceneText() {
    std::ostringstream out;
    EXPECT_TRUE(WriteScene(scene_, out));
    return out.str();
  }

  Scene scene_;
  Material* red_ = nullptr;
  Texture* board_ = nullptr;
  GroupObject* group_ = nullptr;
};

TEST_F(SmallScene, SceneFileGoldenBytes) {
  const std::string expected =
      "// Orvane V1.0 - Scene\n\n"
      "// lights\n"
      "light lamp{\n" +
      Placed("0,10,-5") +
      "color <255,255,200>\ndecrease <0>\nspot_angle <20.002>\nfall_off <5.00192>\n"
      "type point\nhas_shadow <1>\nparallel <0>\n}\n\n"
      "// images\n"
      "image wood{\nload \"wood.iff\"\n}\n\n"
      "fractal frac{\npalette pal\niterations <20>\nlimits <-2.70,0.50,-1.00,1.00>\n}\n\n" +
      kBoard + "// materials\n" + kRed + MaterialText("spare", "255,255,255") +
      "// objects\n"
      "sphere ball{\n" +
      Placed("0,2,0") + "radius <2>\nmaterial red\n}\n\n" + kGroup +
      "// cameras\n"
      "camera cam{\n" +
      Placed("0,1,-10") +
      "zoom <250>\n}\n"
      "// raytracer init\n"
      "raytrace {\ncamera cam\nambient_color <10,20,30>\nfog_color <1,2,3>\nfog <500>\n}\n"
      "\nTRACE! <1>\n";
  EXPECT_EQ(SceneText(), expected);
}

TEST_F(SmallScene, ObjectFileOfAGroupBringsOnlyWhatItUses) {
  std::ostringstream out;
  ASSERT_TRUE(WriteObject(scene_, group_, out));
  EXPECT_EQ(out.str(), "// Orvane V1.0 - Objekt\n\n// images\n" + kBoard + "// material\n" + kRed +
                           "// object\n" + kGroup);
}

TEST_F(SmallScene, ObjectFileOfASingleItemBringsItsMaterial) {
  auto* ball = dynamic_cast<SceneObject*>(scene_.objects->head->item);
  ASSERT_NE(ball, nullptr);
  std::ostringstream out;
  ASSERT_TRUE(WriteObject(scene_, ball, out));
  EXPECT_EQ(out.str(), "// Orvane V1.0 - Objekt\n\n// images\n" + kBoard + "// material\n" + kRed +
                           "// object\nsphere ball{\n" + Placed("0,2,0") +
                           "radius <2>\nmaterial red\n}\n\n");

  ball->material = nullptr;
  std::ostringstream bare;
  ASSERT_TRUE(WriteObject(scene_, ball, bare));
  EXPECT_EQ(bare.str(),
            "// Orvane V1.0 - Objekt\n\n// images\n// material\n// object\nsphere ball{\n" +
                Placed("0,2,0") + "radius <2>\n}\n\n");
}

TEST_F(SmallScene, MaterialFileBringsEachChannelTextureOnce) {
  red_->setTexture(kBump, board_);  // a second channel with the same texture
  std::ostringstream out;
  ASSERT_TRUE(WriteMaterial(scene_, red_, out));
  std::string red_with_bump = kRed;
  red_with_bump.replace(red_with_bump.find("bump_tile"), 0, "bump_texture board\n");
  EXPECT_EQ(out.str(),
            "// Orvane V1.0 - Material\n\n// images\n" + kBoard + "// material\n" + red_with_bump);
}

TEST_F(SmallScene, RenderCameraFallsBackToTheRaytraceBlocksThenTheFirst) {
  auto* second = new Camera;
  second->name = "second";
  scene_.cameras->Append(second, 1);
  scene_.render.activeCamera = nullptr;
  scene_.traceCamera = second;
  EXPECT_NE(SceneText().find("raytrace {\ncamera second\n"), std::string::npos);
  scene_.traceCamera = nullptr;
  EXPECT_NE(SceneText().find("raytrace {\ncamera cam\n"), std::string::npos);

  scene_.cameras->RemoveAll();
  const std::string text = SceneText();
  EXPECT_NE(text.find("// cameras\n// raytracer init\nraytrace {\nambient_color"),
            std::string::npos);
}

TEST_F(SmallScene, FractalPaletteIsNamedOnlyWhileItsTextureIsInTheScene) {
  // Drop the palette texture from the list; the fractal keeps its (borrowed) palette, but no
  // file could name it.
  Picture kept;
  ASSERT_TRUE(kept.Create(8, 8, 8));
  kept.paletteCount = 4;
  for (ListNode* n = scene_.images->head; n; n = n->next) {
    auto* t = dynamic_cast<Texture*>(n->item);
    if (t && t->kind == kTextureFractal) t->fractal.SetPalette(&kept);
  }
  const std::string text = SceneText();
  EXPECT_NE(text.find("fractal frac{\niterations <20>\n"), std::string::npos) << text;
}

class WriterFiles : public SmallScene {
 protected:
  static std::string Read(const std::string& path) { return test::ReadText(path); }

  test::TempDir temp_;
  std::string dir_ = temp_.path().string();
};

TEST_F(WriterFiles, SaveSceneAddsTheExtensionOnce) {
  EXPECT_EQ(SceneFileName("a"), String("a.ovs"));
  EXPECT_EQ(SceneFileName("a.ovs"), String("a.ovs"));
  EXPECT_EQ(SceneFileName("a.OVS"), String("a.OVS.ovs"));

  ASSERT_TRUE(SaveScene(scene_, (dir_ + "/s").c_str()));
  EXPECT_EQ(Read(dir_ + "/s.ovs"), SceneText());
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/s"));
}

TEST_F(WriterFiles, NothingToWriteOrNowhereToWriteIsRefused) {
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

const std::string kDataDir = (std::filesystem::path(__FILE__).parent_path() / "data").string();

// A scene loaded as the editor loads files: the scene commands build the items, then the
// mapping objects that the files put before their meshes are taken out of the object lists.
struct LoadedScene {
  Scene scene;
  std::string err;
  int result = 0;

  LoadedScene(const std::string& path, const std::string& texture_dir) {
    std::ostringstream out, errors;
    ScriptInterpreter interpreter(scene, out, errors);
    SceneCommands commands;
    commands.TexturePaths().Append(new String(texture_dir.c_str()), 1);
    interpreter.SetItemStatements(&commands);
    scene.render.renderingDisabled = 1;
    result = interpreter.Run(path.c_str());
    RemoveMappingLeftovers(scene);
    err = errors.str();
  }
};

std::string Num(double v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.5g", v);
  return buffer;
}

std::string Vec(const Vec3& v) {
  return Num(v.x) + "," + Num(v.y) + "," + Num(v.z);
}

std::string Colour(Rgb c) {
  return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b);
}

std::string Colours(const TwoColourPattern& p) {
  std::string text;
  for (int16_t c : p.colours) text += std::to_string(c) + " ";
  return text;
}

std::string NameOf(const Material* m) {
  return m ? std::string(m->name.c_str()) : "-";
}

// What the loaded items are, field by field, independently of the writers' text: placement
// rounded to five digits (the files hold six), everything else exactly.
void Describe(SceneObject& item, std::vector<std::string>& out, const std::string& indent) {
  const Placement& p = item.placement;
  std::string d = indent + item.TypeName() + " " + item.name.c_str() + " pos " + Vec(p.position) +
                  " deg " + Vec(p.axis_deg) + " X " + Vec(p.axis_X) + " Y " + Vec(p.axis_Y) +
                  " Z " + Vec(p.axis_Z) + " flags " + std::to_string(item.flags) + " material " +
                  NameOf(item.material);
  if (auto* s = dynamic_cast<MathSphere*>(&item)) d += " radius " + Num(s->radius());
  if (auto* pl = dynamic_cast<MathPlane*>(&item)) {
    d += " radii " + Num(pl->radius_X()) + "," + Num(pl->radius_Y()) + " type " +
         std::to_string(pl->plane_type()) + " single " + std::to_string(pl->single_sided());
  }
  if (auto* c = dynamic_cast<Camera*>(&item)) d += " zoom " + Num(c->Zoom());
  if (auto* l = dynamic_cast<LightSource*>(&item)) {
    d += " colour " + Colour(l->Color()) + " decrease " + Num(l->Decrease()) + " on " +
         std::to_string(l->decrease_on) + " type " + std::to_string(l->light_type) + " spot " +
         Num(l->spot_angle) + "," + Num(l->fall_off) + " parallel " + std::to_string(l->parallel);
  }
  if (auto* m = dynamic_cast<MeshObject*>(&item)) {
    d += " points";
    for (uint32_t i = 0; i < m->point_count; ++i) d += " " + Vec(m->points[i]);
    d += " triangles";
    for (uint32_t i = 0; i < m->triangle_count; ++i) {
      const Triangle& t = m->triangles[i];
      d += " " + std::to_string(t.a) + "," + std::to_string(t.b) + "," + std::to_string(t.c);
    }
    out.push_back(d);
    if (m->mapping_object) Describe(*m->mapping_object, out, indent + "  mapping ");
    return;
  }
  out.push_back(d);
  if (auto* g = dynamic_cast<GroupObject*>(&item)) {
    for (ListNode* n = g->members.head; n; n = n->next) {
      if (auto* member = dynamic_cast<SceneObject*>(n->item)) Describe(*member, out, indent + "  ");
    }
  }
}

std::vector<std::string> Describe(Scene& scene) {
  std::vector<std::string> out;
  for (LIST* list : {scene.lights, scene.objects, scene.cameras}) {
    for (ListNode* n = list ? list->head : nullptr; n; n = n->next) {
      if (auto* item = dynamic_cast<SceneObject*>(n->item)) Describe(*item, out, "");
    }
  }
  for (ListNode* n = scene.images ? scene.images->head : nullptr; n; n = n->next) {
    auto* t = dynamic_cast<Texture*>(n->item);
    if (!t) continue;
    const Fractal& f = t->fractal;
    out.push_back("texture " + std::string(t->name.c_str()) + " kind " + std::to_string(t->kind) +
                  " file " + t->fileName.c_str() + " pixels " + std::to_string(t->Width()) + "x" +
                  std::to_string(t->Height()) + " fractal " + std::to_string(f.iterations) + " " +
                  Num(f.xMin) + "," + Num(f.xMax) + "," + Num(f.yMin) + "," + Num(f.yMax) +
                  " colours " + Colours(t->twoColours));
  }
  for (ListNode* n = scene.materials ? scene.materials->head : nullptr; n; n = n->next) {
    auto* m = dynamic_cast<Material*>(n->item);
    if (!m) continue;
    for (int ch = 0; ch < kMaterialChannels; ++ch) {
      const Texture* t = m->texture(ch);
      out.push_back("material " + std::string(m->name.c_str()) + " channel " + std::to_string(ch) +
                    " values " + Num(m->value(ch, 0)) + "," + Num(m->value(ch, 1)) + "," +
                    Num(m->value(ch, 2)) + " tiles " + Num(m->tileX(ch)) + "," + Num(m->tileY(ch)) +
                    " colour " + Colour(m->colour(ch)) + " texture " + (t ? t->name.c_str() : "-") +
                    " " + std::to_string(m->hasTexture(ch)));
    }
  }
  const RenderSettings& r = scene.render;
  const Camera* camera = r.activeCamera;
  out.push_back(std::string("raytrace camera ") + (camera ? camera->name.c_str() : "-") +
                " ambient " + Colour(Rgb{r.ambient[0], r.ambient[1], r.ambient[2]}) + " fog " +
                Colour(Rgb{r.fog[0], r.fog[1], r.fog[2]}) + " " + Num(r.fogDistance));
  return out;
}

class RoundTrip : public WriterFiles {
 protected:
  void SetUp() override {
    WriterFiles::SetUp();
    // The rich scene's image texture.
    Picture wood;
    ASSERT_TRUE(wood.Create(4, 2, 8));
    wood.paletteCount = 256;
    for (int i = 0; i < 256; ++i) wood.palette[i] = Rgb{uint8_t(i), uint8_t(255 - i), 7};
    for (int x = 0; x < 4; ++x) wood.SetPixel(x, 1, uint8_t(40 * x));
    ASSERT_TRUE(writeILBM(wood, (dir_ + "/rich_wood.iff").c_str(), true));
  }
};

TEST_F(RoundTrip, RichSceneSavesLoadsAndSavesToTheSameFile) {
  LoadedScene first(kDataDir + "/rich_scene.ovs", dir_);
  ASSERT_EQ(first.result, 0) << first.err;
  ASSERT_NE(first.scene.objects, nullptr);
  ASSERT_EQ(first.scene.objects->count, 6) << "the rich scene did not load as written";
  ASSERT_TRUE(SaveScene(first.scene, (dir_ + "/first").c_str()));

  LoadedScene second(dir_ + "/first.ovs", dir_);
  ASSERT_EQ(second.result, 0) << second.err;
  ASSERT_TRUE(SaveScene(second.scene, (dir_ + "/second").c_str()));

  const std::string saved = Read(dir_ + "/first.ovs");
  EXPECT_EQ(Read(dir_ + "/second.ovs"), saved);
  EXPECT_EQ(Describe(second.scene), Describe(first.scene));

  // The file holds every kind of item and setting the scene has.
  for (const char* part :
       {"type spot\n", "parallel <1>\n", "image wood{\n", "fractal apple{\n", "chess board{\n",
        "fade dusk{\n", "bump_texture wood\n", "mirror_texture apple\n", "type circle\n",
        "single_side\n", "use_phong <1>\n", "object inner{\n", "material_object flat_mat_object\n",
        "camera top\n", "fog <750>\n", "TRACE! <1>\n"}) {
    EXPECT_NE(saved.find(part), std::string::npos) << part;
  }
}

TEST_F(RoundTrip, ObjectAndMaterialFilesLoadBackIntoAnEmptyScene) {
  LoadedScene rich(kDataDir + "/rich_scene.ovs", dir_);
  ASSERT_EQ(rich.result, 0) << rich.err;
  SceneObject* outer = nullptr;
  for (ListNode* n = rich.scene.objects->head; n; n = n->next) {
    auto* item = dynamic_cast<SceneObject*>(n->item);
    if (item && item->name == "outer") outer = item;
  }
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
  EXPECT_EQ(object_again.str(), Read(dir_ + "/outer.ovo"));
  std::vector<std::string> expected, loaded;
  Describe(*outer, expected, "");
  Describe(*loaded_outer, loaded, "");
  EXPECT_EQ(loaded, expected);
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
  EXPECT_EQ(again.str(), Read(dir_ + "/every.ovm"));
}

}  // namespace
}  // namespace orvane
