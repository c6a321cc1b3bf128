#include "script/scene_commands.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "imageio/ilbm.h"
#include "material/material.h"
#include "material/texture.h"
#include "scene/camera.h"
#include "scene/group_object.h"
#include "scene/light_source.h"
#include "scene/math_plane.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"
#include "script_test_support.h"

namespace orvane {
namespace {

using test::Items;
using test::Named;

void ExpectVec(const Vec3& v, float x, float y, float z) {
  EXPECT_NEAR(v.x, x, 1e-5f);
  EXPECT_NEAR(v.y, y, 1e-5f);
  EXPECT_NEAR(v.z, z, 1e-5f);
}

// Members know their groups, meshes hold the arrays their counts promise.
void ExpectConsistent(const LIST* list, const GroupObject* parent) {
  for (SceneObject* item : Items<SceneObject>(list)) {
    EXPECT_EQ(item->parent, parent);
    if (auto* group = dynamic_cast<GroupObject*>(item)) ExpectConsistent(&group->members, group);
    if (auto* mesh = dynamic_cast<MeshObject*>(item)) {
      EXPECT_TRUE(mesh->point_count == 0 || mesh->points != nullptr);
      EXPECT_TRUE(mesh->triangle_count == 0 || mesh->triangles != nullptr);
      EXPECT_LE(mesh->point_count, mesh->point_capacity);
    }
  }
}

class SceneCommandsTest : public test::ScriptFiles {
 protected:
  int Run(const std::string& text, const std::string& name = "t.ovs") {
    path_ = Write(name, text);
    std::ostringstream out, err;
    ScriptInterpreter interpreter(scene_, out, err);
    interpreter.SetItemStatements(&commands_);
    int result = interpreter.Run(path_.c_str());
    err_ = err.str();
    return result;
  }
  void Expect(const std::string& text, const std::string& err, int result = 0) {
    EXPECT_EQ(Run(text), result) << text;
    EXPECT_EQ(err_, err) << text;
  }
  std::string W(int line, const std::string& message) const {
    return Diag("Warning", line, "): " + message + "\n");
  }
  std::string Unrecognized(int line, const std::string& token) const {
    return W(line, "unrecognized token: " + token);
  }
  template <class T>
  T* Object(const char* name) {
    return Named<T>(scene_.objects, name);
  }
  // The lines of the written scene that start with one of `prefixes`, each ended by ';'.
  std::string WrittenLines(std::initializer_list<const char*> prefixes) {
    std::istringstream written(test::WrittenScene(scene_));
    std::string lines;
    for (std::string line; std::getline(written, line);) {
      for (const char* prefix : prefixes) lines += line.rfind(prefix, 0) == 0 ? line + ";" : "";
    }
    return lines;
  }
  Texture* Image(const char* name) { return Named<Texture>(scene_.images, name); }
  Camera* CameraNamed(const char* name) { return Named<Camera>(scene_.cameras, name); }
  std::string err_;
  SceneCommands commands_;
};

TEST_F(SceneCommandsTest, RepeatCountMakesSeparateCopiesOfTheFinishedItem) {
  Expect(
      "sphere s[3] { radius <1+1> }\nlight l[2] { color <1,2,3> }\n"
      "material m[2] { diffus <0.5> }\nimage i[4] { }\nobject g[2] { sphere a { radius <4> } }\n",
      "");
  auto spheres = Items<MathSphere>(scene_.objects);
  auto lights = Items<LightSource>(scene_.lights);
  auto materials = Items<Material>(scene_.materials);
  auto groups = Items<GroupObject>(scene_.objects);
  // Textures are never repeated.
  ASSERT_EQ((std::vector<size_t>{spheres.size(), lights.size(), materials.size(), groups.size(),
                                 Items<Texture>(scene_.images).size()}),
            (std::vector<size_t>{3, 2, 2, 2, 1}));
  EXPECT_NE(spheres[0], spheres[1]);
  EXPECT_EQ(spheres[2]->radius(), 2.0f);
  EXPECT_EQ(lights[1]->Color(), (Rgb{1, 2, 3}));
  EXPECT_EQ(materials[1]->value(kDiffuse, 0), 0.5f);
  ExpectConsistent(scene_.objects, nullptr);  // each group has a sphere of its own
  EXPECT_EQ(Items<MathSphere>(&groups[0]->members).size(), 1u);
  auto second = Items<MathSphere>(&groups[1]->members);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(second[0]->radius(), 4.0f);
}

TEST_F(SceneCommandsTest, HugeRepeatCountsAreCut) {
  Expect("camera c[2000000000] { zoom <3> }\n", W(1, "too many copies; 100000 are made."));
  auto cameras = Items<Camera>(scene_.cameras);
  ASSERT_EQ(cameras.size(), 100000u);
  EXPECT_EQ(cameras.back()->Zoom(), 3.0f);  // every copy has the block's
  EXPECT_EQ(test::S(scene_.headerName), "c");
}

TEST_F(SceneCommandsTest, ObjectBlocksNestAndMoveTheirMembers) {
  Expect(
      "object g {\n position <1,0,0>\n sphere a { position <0,2,0> }\n"
      " object h { sphere b { } }\n move <0,1,0>\n}\nsphere top { }\n",
      "");
  ExpectConsistent(scene_.objects, nullptr);
  EXPECT_EQ(scene_.paramMode, 0);
  EXPECT_EQ(WrittenLines({"object", "sphere", "position"}),  // a and b moved with g
            "object g{;position <1,1,0>;sphere a{;position <0,3,0>;object h{;position <0,1,0>;"
            "sphere b{;position <0,1,0>;sphere top{;position <0,0,0>;");
}

TEST_F(SceneCommandsTest, DeepNestingStopsWithAnErrorAndKeepsTheOuterGroups) {
  std::string text;
  for (int i = 0; i < 10000; ++i) text += "object o {\n";
  for (int i = 0; i < 10000; ++i) text += "}\n";
  Expect(text,
         Diag("ERROR", SceneCommands::kMaxNesting + 1,
              "): object blocks nested deeper than 256 levels.\n"),
         -1);
  int depth = 0;
  for (auto groups = Items<GroupObject>(scene_.objects); !groups.empty();
       groups = Items<GroupObject>(&groups[0]->members)) {
    ASSERT_EQ(groups.size(), 1u);
    ++depth;
  }
  EXPECT_EQ(depth, SceneCommands::kMaxNesting);
  EXPECT_EQ(commands_.state().nesting, 0);
  EXPECT_TRUE(commands_.state().open_groups.empty());
}

TEST_F(SceneCommandsTest, MemberStatementsChangeExistingItems) {
  Expect(
      "sphere ball { radius <2> }\nobject g { object h { sphere s { } } }\nlight l { }\n"
      "material m { }\ncamera c { }\nchess ch { }\nball.radius <3>\ng.h.s.radius <5>\n"
      "l.lightness <0.5>\nm.mirror <0.25>\nc.zoom <50>\ng.position <1,2,3>\n",
      "");
  auto* g = Object<GroupObject>("g");
  EXPECT_EQ(scene_.memberTarget, g);
  EXPECT_EQ(Object<MathSphere>("ball")->radius(), 3.0f);
  auto* h = Named<GroupObject>(&g->members, "h");
  EXPECT_EQ(Named<MathSphere>(&h->members, "s")->radius(), 5.0f);
  EXPECT_EQ(Items<LightSource>(scene_.lights)[0]->Color(), (Rgb{127, 127, 127}));
  EXPECT_EQ(Items<Material>(scene_.materials)[0]->value(kMirror, 0), 0.25f);
  EXPECT_EQ(CameraNamed("c")->Zoom(), 50.0f);
  // No raytrace block chose a camera: the scene renders with the first.
  EXPECT_NE(test::WrittenScene(scene_).find("raytrace {\ncamera c\n"), std::string::npos);
  ExpectVec(g->placement.position, 1, 2, 3);
  ExpectVec(h->placement.position, 0, 0, 0);  // a position statement moves no member
}

TEST_F(SceneCommandsTest, MemberStatementsReportUnknownNamesAndKeywords) {
  Expect(
      "sphere ball { }\nchess ch { }\nnothing.radius <1>\nball.nothing.radius <1>\n"
      "ball.foo <1>\nch.color1 <1,2,3>\nobject x { bogus <1> \"text\" }\n",
      Unrecognized(3, "nothing.radius") + Unrecognized(3, "<1>") +
          Unrecognized(4, "ball.nothing.radius") + Unrecognized(4, "<1>") + Unrecognized(5, "foo") +
          Unrecognized(5, "<1>") +
          // chess textures take the image keywords in member statements
          Unrecognized(6, "color1") + Unrecognized(6, "<1,2,3>") +
          // an object block skips what it does not know up to its '}'
          Unrecognized(7, "bogus") + Unrecognized(7, "<1>") + Unrecognized(7, "\"text\""));
}

TEST_F(SceneCommandsTest, PlacementParametersTurnAndMoveTheItem) {
  Expect(
      "camera w { rotate_Y <90> }\ncamera o { rotate_Y OBJ <90> }\ncamera n { normal <0,5,0> }\n"
      "camera v { position <1,0,0> look_at <1,0,-4> }\n"
      "sphere r { position <0,1,0> rotate_X_around <0,0,0> <90> }\n"
      "sphere f { axis_deg <1,2,3> axis_X <0,1,0> has_shadow <0> gets_shadow <0> }\n",
      "");
  ExpectVec(CameraNamed("w")->placement.axis_Z, -1, 0, 0);
  ExpectVec(CameraNamed("o")->placement.axis_Z, -1, 0, 0);
  ExpectVec(CameraNamed("n")->placement.axis_Z, 0, 1, 0);
  ExpectVec(CameraNamed("v")->placement.axis_Z, 0, 0, -1);
  ExpectVec(Object<MathSphere>("r")->placement.position, 0, 0, 1);
  MathSphere* f = Object<MathSphere>("f");
  ExpectVec(f->placement.axis_deg, 1, 2, 3);
  ExpectVec(f->placement.axis_X, 0, 1, 0);
  EXPECT_FALSE(f->HasFlag(kHasShadow));
  EXPECT_FALSE(f->HasFlag(kGetsShadow));
  EXPECT_TRUE(f->HasFlag(kIsVisible));
}

TEST_F(SceneCommandsTest, PlacementWarnings) {
  Expect(
      "sphere s {\n rotate_Z SIDEWAYS <90>\n rotate_X_around <0,0,0> radius <2>\n"
      " is_visible <0>\n use_phong <1>\n use_phong }\n",
      W(2, "unknown parameter.") + W(3, "degree-definiton expected. ") + Unrecognized(3, "<2>") +
          W(4, "is_visible has no effect. (in this version)") + W(5, "use_phong") +
          W(6, "use_phong"));
  MathSphere* s = Object<MathSphere>("s");
  ExpectVec(s->placement.axis_X, 0, -1, 0);  // still turned, about world Z
  EXPECT_TRUE(s->HasFlag(kIsVisible));
  EXPECT_TRUE(s->HasFlag(kUsePhong));
}

TEST_F(SceneCommandsTest, PointAndTriangleIndicesAreChecked) {
  Expect(
      "points p {\n <9,9,9>\n set <1>\n number <3>\n <0,0,0> <1,0,0> <0,1,0>\n"
      " <5,5,5>\n set <1> <2,2,2>\n number <0>\n}\n"
      "trimesh t {\n <0,1,2>\n set <0>\n points p\n triangles <2>\n <0,1,7>\n <2,1,0>\n"
      " <0,1,2>\n set <0> <0,2,1>\n}\n",
      W(2, "the points are not initialized yet.") + W(3, "there are no points initialized.") +
          W(6, "the index of the point is too high. ") +
          W(8, "the number of points must be at least 1.") +
          W(11, "the triangles are not initialized yet.") +
          W(12, "there are no triangles initialized.") +
          W(15, "the index of the point is too high. ") +
          W(17, "the index of the triangle is too high. "));
  // set <0> rewrote the first triangle; the mesh has its copy of the points.
  EXPECT_NE(Object<MeshObject>("t")->points, Named<MeshObject>(scene_.points, "p")->points);
  EXPECT_EQ(WrittenLines({"number", "triangles", "<"}),
            "number <3>;<0,0,0>;<2,2,2>;<0,1,0>;triangles <2>;<0,2,1>;<2,1,0>;");
}

TEST_F(SceneCommandsTest, HugeCountsAreRefusedAndTheItemDropped) {
  Expect("sphere keep { }\npoints p { number <100000000> }\nsphere after { }\n",
         W(2, "can not allocate memory for the points."), -1);
  EXPECT_TRUE(Items<MeshObject>(scene_.points).empty());
  EXPECT_NE(Object<MathSphere>("keep"), nullptr);
  EXPECT_EQ(Object<MathSphere>("after"), nullptr);
  Expect("trimesh t { triangles <2000000000> }\n",
         W(1, "can not allocate memory for the triangles."), -1);
  EXPECT_EQ(Object<MeshObject>("t"), nullptr);
}

TEST_F(SceneCommandsTest, MaterialObjectBecomesTheMeshsMappingObject) {
  Expect(
      "object g {\n sphere t_mat_object { radius <7> }\n"
      " points t { number <3> <0,0,0> <1,0,0> <0,1,0> }\n"
      " trimesh t { points t triangles <1> <0,1,2> material_object t_mat_object }\n}\n"
      "sphere a_mat_object { }\ntrimesh u { points nowhere material none material_object nothing "
      "}\n"
      "sphere _mat_objectx { }\nsphere _mat_object { }\n",
      W(7, "points not found.") + W(7, "material not found.") + W(7, "object not found.") +
          W(7, "there are no points initialized in the trimesh."));
  EXPECT_NE(Object<MeshObject>("u"), nullptr);  // inserted without points
  auto* g = Object<GroupObject>("g");
  auto* t = Named<MeshObject>(&g->members, "t");
  auto* mapping = dynamic_cast<MathSphere*>(t->mapping_object);
  ASSERT_NE(mapping, nullptr);
  EXPECT_EQ(mapping->radius(), 7.0f);
  RemoveMappingLeftovers(scene_);  // takes only the names ending in the suffix
  std::vector<std::string> names;
  for (SceneObject* item : Items<SceneObject>(scene_.objects)) names.push_back(test::S(item->name));
  EXPECT_EQ(names, (std::vector<std::string>{"g", "u", "_mat_objectx"}));
  EXPECT_EQ(Items<SceneObject>(&g->members), (std::vector<SceneObject*>{t}));
  EXPECT_EQ(t->mapping_object, mapping);  // the mesh keeps its copy
}

TEST_F(SceneCommandsTest, TrimeshLoadsTheFirstMeshOfAnObjectFile) {
  Write("part.ovo",
        "object g { points m { number <4> <0,0,0> <1,0,0> <0,1,0> <0,0,1> }\n"
        "trimesh m { position <5,0,0> points m triangles <2> <0,1,2> <0,2,3> use_phong <1> } }\n");
  EXPECT_EQ(Run("trimesh t { load \"" + dir_ + "/part.ovo\" move <1,0,0> }\ntrimesh u { load \"" +
                dir_ + "/missing.ovo\" }\ntrimesh v { load missing }\n"),
            0);
  auto* t = Object<MeshObject>("t");  // moved with its points
  ExpectVec(t->placement.position, 6, 0, 0);
  EXPECT_TRUE(t->HasFlag(kUsePhong));
  EXPECT_EQ(WrittenLines({"number", "triangles", "<"}),  // u and v have no points
            "number <4>;<1,0,0>;<2,0,0>;<1,1,0>;<1,0,1>;triangles <2>;<0,1,2>;<0,2,3>;"
            "number <0>;triangles <0>;number <0>;triangles <0>;");
  EXPECT_NE(err_.find(W(2, "could not load the object.")), std::string::npos);
  EXPECT_NE(err_.find(W(3, "no correct filename given.")), std::string::npos);
}

TEST_F(SceneCommandsTest, FilesLoadingThemselvesStopAtTheNestingBound) {
  const std::string self = dir_ + "/self.ovs";
  EXPECT_EQ(Run("trimesh t { load \"" + self + "\" }\n", "self.ovs"), 0);
  EXPECT_NE(Object<MeshObject>("t"), nullptr);
  EXPECT_NE(err_.find("could not load the object"), std::string::npos);
  EXPECT_EQ(commands_.state().nesting, 0);
}

TEST_F(SceneCommandsTest, ConstructBuildsALatheAndAppliesItsPlacementAfterwards) {
  Expect(
      "points p { number <3> <1,0,0> <2,1,0> <1,2,0> }\n"
      "construct vase { type lathe points p segments <4> move <0,10,0> }\n"
      "construct bad { type spiral segments <1> }\n"
      "points sq { number <4> <0,0,0> <1,0,0> <1,1,0> <0,1,0> }\n"
      "construct floor { type polygon points sq }\n",
      Diag("Syntax error", 3, "): wrong construct-type assignment.\n") +
          W(3, "the number of segments must be at least 2.") + W(3, "construct failed."));
  auto* vase = Object<MeshObject>("vase");
  ASSERT_NE(vase, nullptr);
  EXPECT_EQ(vase->point_count, 15u);
  EXPECT_GT(vase->triangle_count, 0u);
  EXPECT_NEAR(vase->bbox_min.y, 10.0f, 1e-5f);
  EXPECT_EQ(Object<MeshObject>("bad"), nullptr);
  EXPECT_EQ(Items<MeshObject>(scene_.points).size(), 2u);  // the outlines stay
  EXPECT_EQ(Object<MeshObject>("floor")->triangle_count, 2u);
}

TEST_F(SceneCommandsTest, PlaneRadiiDecideTheTypeUntilATypeFollows) {
  Expect(
      "plane c { radius_X <-2> }\nplane e { radius_X <2> radius_Y <3> }\n"
      "plane r { radius_Y <1> radius_X <2> type rectangle single_side }\n"
      "plane h { type circle type hexagon double_side }\nplane i { type infinite }\n",
      Diag("Syntax error", 4, "): wrong plane-type assignment.\n"));
  EXPECT_EQ(Object<MathPlane>("r")->plane_type(), kPlaneRectangle);
  EXPECT_EQ(Object<MathPlane>("r")->single_sided(), 1u);
  EXPECT_EQ(WrittenLines({"radius", "type", "single", "double"}),
            "radius_X <2>;radius_Y <2>;type circle;radius_X <2>;radius_Y <3>;type ellipse;"
            "radius_X <2>;radius_Y <1>;type rectangle;single_side;radius_X <0>;radius_Y <0>;"
            "type circle;radius_X <0>;radius_Y <0>;type infinite;");
}

TEST_F(SceneCommandsTest, LightParameters) {
  Expect(
      "light { type spot color <200,100,300> lightness <2> decrease <-5> parallel <1>\n"
      " spot_angle <10> fall_off <2> position <1,2,3> }\n"
      "light p { decrease <4> type star lightness <-1> }\n",
      Diag("Syntax error", 3, "): wrong light-type assignment.\n"));
  auto lights = Items<LightSource>(scene_.lights);
  ASSERT_EQ(lights.size(), 2u);
  EXPECT_EQ(lights[0]->BaseColor(), (Rgb{200, 100, 44}));
  EXPECT_EQ(lights[0]->Color(), (Rgb{255, 200, 88}));
  EXPECT_EQ(lights[0]->Decrease(), 5.0f);
  EXPECT_EQ(lights[0]->decrease_on, 0);  // a negative decrease switches it off
  EXPECT_EQ(lights[1]->decrease_on, 1);
  EXPECT_EQ(lights[1]->Decrease(), 4.0f);
  EXPECT_EQ(lights[1]->Color(), (Rgb{0, 0, 0}));
  EXPECT_EQ(WrittenLines({"position", "spot_", "fall", "type", "parallel"}),
            "position <1,2,3>;spot_angle <10>;fall_off <2>;type spot;parallel <1>;"
            "position <0,0,0>;spot_angle <20.002>;fall_off <5.00192>;type point;parallel <0>;");
}

// The rich scene's round trip reads every channel word; these are the exceptions.
TEST_F(SceneCommandsTest, MaterialChannels) {
  Expect(
      "chess board { }\nmaterial m {\n"
      " highlight <0.7> highlight_size <40> highlight_brightness <0.9> bump_texture board\n"
      " bump_color <1,1,1> glow_texture none\n}\n"
      "material a { highlight_size <-5> }\nmaterial b { highlight_size <150> }\n",
      Unrecognized(4, "bump_color") + Unrecognized(4, "<1,1,1>") +
          W(4, "texture(bitmap/fractal) not found."));
  auto materials = Items<Material>(scene_.materials);
  ASSERT_EQ(materials.size(), 3u);
  // highlight_size f is kept as 100 - f, within 0 and 100; highlight_brightness overrides
  // highlight.
  EXPECT_FLOAT_EQ(materials[0]->value(kHighlight, 1), 0.9f);
  EXPECT_FLOAT_EQ(materials[0]->value(kHighlight, 2), 60.0f);
  EXPECT_EQ(materials[0]->texture(kBump), Image("board"));
  EXPECT_EQ(materials[0]->hasTexture(kBump) + materials[0]->hasTexture(kGlow), 1u);
  EXPECT_EQ(std::make_pair(materials[1]->value(kHighlight, 2), materials[2]->value(kHighlight, 2)),
            std::make_pair(100.0f, 0.0f));
}

TEST_F(SceneCommandsTest, TexturesOfEveryKind) {
  Picture picture;
  ASSERT_TRUE(picture.Create(16, 8, 8));
  picture.paletteCount = 4;
  picture.palette[3] = Rgb{10, 20, 30};
  picture.SetPixel(2, 1, 3);
  std::filesystem::create_directory(dir_ + "/tex");
  ASSERT_TRUE(writeILBM(picture, (dir_ + "/tex/pic.iff").c_str(), false));
  ASSERT_TRUE(commands_.TexturePaths().Append(new String((dir_ + "/tex").c_str()), 1));
  Expect(
      "image pic { load \"pic.iff\" }\nimage none { load \"nothing.iff\" }\n"
      "palette pal { RGB <0,0,0,0> RGB <4,40,80,120> RGB <300,1,1,1> range <4,0> }\n"
      "fractal fr { limits <-2,1,-1.5,1.5> iterations <50> palette pal }\n"
      "fractal lost { palette gone }\n"
      "chess ch { color1 <1,2,3> color2 <4,5,6> }\nfade fa { color1 <7,8,9> }\n"
      "image drawn { palette pal bar <0,0,3,3,4> line <10,10,12,10,2> }\n",
      Diag("Warning", 2, "): Texture not found/readable: nothing.iff") +
          W(5, "palette not found."));
  std::vector<int> kinds;
  for (const char* name : {"pic", "pal", "fr", "ch", "fa"}) kinds.push_back(Image(name)->kind);
  EXPECT_EQ(kinds, (std::vector<int>{kTextureImage, kTexturePalette, kTextureFractal, kTextureChess,
                                     kTextureFade}));
  EXPECT_EQ(Image("pic")->Width(), 16);
  EXPECT_EQ(Image("pic")->TexelColour(2, 1), (ColourF{10, 20, 30}));
  EXPECT_EQ(Image("none")->Width(), 320);  // the default picture
  EXPECT_EQ(Image("pal")->picture()->palette[2], (Rgb{20, 40, 60}));
  EXPECT_EQ(Image("fr")->fractal.palette(), Image("pal")->picture());
  EXPECT_EQ(Image("ch")->twoColours.colour2(), (Colour16{4, 5, 6}));
  Texture* drawn = Image("drawn");
  EXPECT_EQ(drawn->picture()->Pixel(3, 3), 4);
  EXPECT_EQ(drawn->picture()->Pixel(11, 10), 2);
  EXPECT_EQ(drawn->TexelColour(1, 1), (ColourF{40, 80, 120}));
}

TEST_F(SceneCommandsTest, ImagesAndFractalsSaveAsIff) {
  const std::string image = dir_ + "/saved.iff", fractal = dir_ + "/fractal.iff",
                    nowhere = dir_ + "/no/such/dir.iff";
  Expect("image i { bar <0,0,9,9,1> save \"" + image + "\" save \"" + nowhere +
             "\" }\nfractal f { save \"" + fractal + "\" }\n",
         Diag("Warning", 1, "): Could not write Image3 to file: " + nowhere));
  Picture back;
  EXPECT_EQ(readILBM(back, image.c_str(), true) & kIlbmBodyRead, kIlbmBodyRead);
  EXPECT_EQ(back.Pixel(5, 5), 1);
  EXPECT_EQ(readILBM(back, fractal.c_str(), true) & kIlbmBodyRead, kIlbmBodyRead);
}

TEST_F(SceneCommandsTest, RaytraceSettings) {
  Expect(
      "camera cam { }\nimage bg { }\nfractal fr { }\nraytrace ignored {\n camera cam\n"
      " background_color <1,2,3> background_texture fr field_mask bg\n"
      " field_left <10> field_right <20> field_top <30> field_bottom <40>\n"
      " field_brightness <50> field_type <7> ambient_color <4,5,6>\n"
      " fog_color <7,8,9> fog <-12.7> camera nobody speed <3>\n}\n",
      W(9, "camera not found.") + Unrecognized(9, "speed") + Unrecognized(9, "<3>"));
  const RenderSettings& r = scene_.render;
  EXPECT_EQ(r.activeCamera, CameraNamed("cam"));
  EXPECT_EQ(scene_.traceCamera, CameraNamed("cam"));
  EXPECT_EQ(r.backgroundTexture, Image("fr"));
  EXPECT_EQ(r.fieldMask, Image("bg"));
  EXPECT_EQ(
      (std::vector<int>{r.background[2], r.backgroundMode, r.fieldLeft, r.fieldRight, r.fieldTop,
                        r.fieldBottom, r.fieldBrightness, r.fieldMaskType, r.ambient[0], r.fog[1]}),
      (std::vector<int>{3, 2, 10, 20, 30, 40, 50, 2, 4, 8}));
  EXPECT_EQ(r.fogDistance, 12.0f);
  Expect("raytrace { field_type <1> background_texture bg background_color <0,0,0> }\n", "");
  EXPECT_EQ(scene_.render.fieldMaskType, 1);
  EXPECT_EQ(scene_.render.backgroundMode, 0);
}

TEST_F(SceneCommandsTest, TruncatedBlocksKeepWhatWasRead) {
  Expect("sphere s { radius <2>", Diag("ERROR", 1, "): reached end of file and missed '}'.\n"), -1);
  EXPECT_EQ(Object<MathSphere>("s")->radius(), 2.0f);
  EXPECT_EQ(Run("object g { sphere in { } position <1,0,0>\n"), -1);
  auto* g = Object<GroupObject>("g");
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(Items<SceneObject>(&g->members).size(), 1u);
  EXPECT_EQ(commands_.state().nesting, 0);
  EXPECT_EQ(Run("sphere r { radius"), -1);
  EXPECT_EQ(Run("light"), 0);
}

TEST_F(SceneCommandsTest, RandomInputNeverBreaksTheScene) {
  // clang-format off
  const char* words[] = {
      "object", "points", "trimesh", "construct", "sphere", "plane", "light", "material", "image",
      "palette", "fractal", "chess", "fade", "camera", "raytrace", "{", "}", "{", "}", "<1,2,3>",
      "<0,1,2>", "<-5>", "<>", "number", "triangles", "set", "points", "p", "t", "g", "g.t.radius",
      "t.triangles", "radius", "type", "lathe", "move", "rotate_X", "OBJ", "material", "m", "load",
      "\"x\"", "position", "<999999999>", "fog", "camera", "diffus_texture", "range", "RGB",
      "<300,-1>", "if(1)", "float", "a", "a=3", "[2]", "s[3]", "\"", "<"};
  // clang-format on
  std::mt19937 random(1234);
  for (int round = 0; round < 150; ++round) {
    std::string text;
    const int count = 1 + static_cast<int>(random() % 60);
    for (int i = 0; i < count; ++i) {
      text += words[random() % std::size(words)];
      text += random() % 5 == 0 ? "\n" : " ";
      if (random() % 40 == 0) text += static_cast<char>(random() % 256);
    }
    Run(text);
    ExpectConsistent(scene_.objects, nullptr);
    ASSERT_EQ(commands_.state().nesting, 0) << text;
    ASSERT_TRUE(commands_.state().open_groups.empty()) << text;
  }
}

}  // namespace
}  // namespace orvane
