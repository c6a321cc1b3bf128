#include "script/scene_commands.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <random>
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

namespace orvane {
namespace {

std::string S(const String& s) {
  return std::string(s.c_str(), s.Length());
}

template <class T>
std::vector<T*> Items(const LIST* list) {
  std::vector<T*> out;
  for (const ListNode* n = list ? list->head : nullptr; n; n = n->next) {
    if (auto* item = dynamic_cast<T*>(n->item)) out.push_back(item);
  }
  return out;
}

template <class T>
T* Named(const LIST* list, const char* name) {
  for (T* item : Items<T>(list)) {
    if (item->name == name) return item;
  }
  return nullptr;
}

void ExpectVec(const Vec3& v, float x, float y, float z) {
  EXPECT_NEAR(v.x, x, 1e-5f);
  EXPECT_NEAR(v.y, y, 1e-5f);
  EXPECT_NEAR(v.z, z, 1e-5f);
}

// Every triangle of every mesh in `list` (groups included) names points of its mesh.
void ExpectTrianglesInRange(const LIST* list) {
  for (SceneObject* item : Items<SceneObject>(list)) {
    if (auto* group = dynamic_cast<GroupObject*>(item)) ExpectTrianglesInRange(&group->members);
    auto* mesh = dynamic_cast<MeshObject*>(item);
    for (uint32_t i = 0; mesh && i < mesh->triangle_count; ++i) {
      EXPECT_TRUE(mesh->TriangleInRange(mesh->triangles[i])) << S(mesh->name);
    }
  }
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

class SceneCommandsTest : public ::testing::Test {
 protected:
  // A short folder name: the scripts name files in it on lines of at most 127 bytes.
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "ovs_cmds_XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Write(const std::string& name, const std::string& text) {
    std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  // Runs `text` as the file t.ovs on scene_ with the scene commands; `err` collects the
  // diagnostics.
  int Run(const std::string& text, const std::string& name = "t.ovs") {
    path_ = Write(name, text);
    std::ostringstream out, err;
    ScriptInterpreter interpreter(scene_, out, err);
    interpreter.SetItemStatements(&commands_);
    int result = interpreter.Run(path_.c_str());
    out_ = out.str();
    err_ = err.str();
    return result;
  }

  std::string Diag(const char* kind, int line, const std::string& message) const {
    return "\n" + path_ + ": " + kind + " (line " + std::to_string(line) + message;
  }
  std::string Warning(int line, const std::string& message) const {
    return Diag("Warning", line, message);
  }

  template <class T>
  T* Object(const char* name) {
    return Named<T>(scene_.objects, name);
  }

  std::string dir_;
  std::string path_;
  std::string out_;
  std::string err_;
  Scene scene_;
  SceneCommands commands_;
};

// --- Headers, names and copies ---------------------------------------------------------------

TEST_F(SceneCommandsTest, SphereBlockCreatesANamedSphereInTheObjectList) {
  EXPECT_EQ(Run("sphere ball { radius <2> }\n"), 0);
  EXPECT_EQ(err_, "");
  auto spheres = Items<MathSphere>(scene_.objects);
  ASSERT_EQ(spheres.size(), 1u);
  EXPECT_EQ(S(spheres[0]->name), "ball");
  EXPECT_EQ(spheres[0]->radius(), 2.0f);
  EXPECT_EQ(spheres[0]->parent, nullptr);
  EXPECT_EQ(S(scene_.headerName), "ball");
}

TEST_F(SceneCommandsTest, RepeatCountMakesSeparateCopiesOfTheFinishedItem) {
  EXPECT_EQ(Run("sphere s[3] { radius <1+1> }\nlight l[2] { color <1,2,3> }\n"
                "material m[2] { diffus <0.5> }\nimage i[4] { }\n"
                "object g[2] { sphere a { radius <4> } }\n"),
            0);
  EXPECT_EQ(err_, "");
  auto spheres = Items<MathSphere>(scene_.objects);
  ASSERT_EQ(spheres.size(), 3u);
  for (MathSphere* s : spheres) {
    EXPECT_EQ(S(s->name), "s");
    EXPECT_EQ(s->radius(), 2.0f);
  }
  EXPECT_NE(spheres[0], spheres[1]);
  EXPECT_EQ(Items<LightSource>(scene_.lights).size(), 2u);
  EXPECT_EQ(Items<LightSource>(scene_.lights)[1]->BaseColor(), (Rgb{1, 2, 3}));
  EXPECT_EQ(Items<Material>(scene_.materials).size(), 2u);
  EXPECT_EQ(Items<Texture>(scene_.images).size(), 1u);  // textures are never repeated
  auto groups = Items<GroupObject>(scene_.objects);
  ASSERT_EQ(groups.size(), 2u);
  for (GroupObject* g : groups) {
    auto members = Items<MathSphere>(&g->members);
    ASSERT_EQ(members.size(), 1u);
    EXPECT_EQ(members[0]->radius(), 4.0f);
  }
  EXPECT_NE(Items<MathSphere>(&groups[0]->members)[0], Items<MathSphere>(&groups[1]->members)[0]);
}

TEST_F(SceneCommandsTest, HugeRepeatCountsAreCut) {
  EXPECT_EQ(Run("camera c[2000000000] { zoom <3> }\n"), 0);
  EXPECT_EQ(err_, Warning(1, "): too many copies; 100000 are made.\n"));
  EXPECT_EQ(Items<Camera>(scene_.cameras).size(), 100000u);
  EXPECT_EQ(Items<Camera>(scene_.cameras).back()->Zoom(), 3.0f);  // every copy has the block's
}

TEST_F(SceneCommandsTest, MissingBraceCreatesTheItemWithDefaults) {
  EXPECT_EQ(Run("sphere lonely radius <2>\nlight\n"), 0);
  EXPECT_EQ(err_, Warning(1, "): unrecognized token: radius\n") +
                      Warning(1, "): unrecognized token: <2>\n"));
  MathSphere* sphere = Object<MathSphere>("lonely");
  ASSERT_NE(sphere, nullptr);
  EXPECT_EQ(sphere->radius(), 1.0f);
  EXPECT_EQ(Items<LightSource>(scene_.lights).size(), 1u);
}

TEST_F(SceneCommandsTest, ObjectWithoutBraceEndsTheRunSilently) {
  EXPECT_EQ(Run("sphere a { }\nobject g sphere b { }\nsphere c { }\n"), -1);
  EXPECT_EQ(err_, "");
  EXPECT_EQ(Items<SceneObject>(scene_.objects).size(), 1u);
}

// --- Groups and member statements ------------------------------------------------------------

TEST_F(SceneCommandsTest, ObjectBlocksNestAndMoveTheirMembers) {
  EXPECT_EQ(Run("object g {\n position <1,0,0>\n sphere a { position <0,2,0> }\n"
                " object h { sphere b { } }\n move <0,1,0>\n}\nsphere top { }\n"),
            0);
  EXPECT_EQ(err_, "");
  auto top = Items<SceneObject>(scene_.objects);
  ASSERT_EQ(top.size(), 2u);
  auto* g = dynamic_cast<GroupObject*>(top[0]);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(S(top[1]->name), "top");
  auto members = Items<SceneObject>(&g->members);
  ASSERT_EQ(members.size(), 2u);
  EXPECT_EQ(members[0]->parent, g);
  ExpectVec(g->placement.position, 1, 1, 0);
  ExpectVec(members[0]->placement.position, 0, 3, 0);  // moved with its group
  auto* h = dynamic_cast<GroupObject*>(members[1]);
  ASSERT_NE(h, nullptr);
  ASSERT_EQ(Items<MathSphere>(&h->members).size(), 1u);
  EXPECT_EQ(Items<MathSphere>(&h->members)[0]->parent, h);
  EXPECT_EQ(scene_.paramMode, 0);
}

TEST_F(SceneCommandsTest, DeepNestingStopsWithAnErrorAndKeepsTheOuterGroups) {
  std::string text;
  for (int i = 0; i < 10000; ++i) text += "object o {\n";
  for (int i = 0; i < 10000; ++i) text += "}\n";
  EXPECT_EQ(Run(text), -1);
  EXPECT_EQ(err_, Diag("ERROR", SceneCommands::kMaxNesting + 1,
                       "): object blocks nested deeper than 256 levels.\n"));
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
  EXPECT_EQ(Run("sphere ball { radius <2> }\nobject g { object h { sphere s { } } }\n"
                "light l { }\nmaterial m { }\ncamera c { }\nchess ch { }\n"
                "ball.radius <3>\ng.h.s.radius <5>\nl.lightness <0.5>\nm.mirror <0.25>\n"
                "c.zoom <50>\ng.position <1,2,3>\n"),
            0);
  EXPECT_EQ(err_, "");
  EXPECT_EQ(Object<MathSphere>("ball")->radius(), 3.0f);
  auto* g = Object<GroupObject>("g");
  auto* h = Named<GroupObject>(&g->members, "h");
  EXPECT_EQ(Named<MathSphere>(&h->members, "s")->radius(), 5.0f);
  ExpectVec(g->placement.position, 1, 2, 3);
  EXPECT_EQ(Items<LightSource>(scene_.lights)[0]->Color(), (Rgb{127, 127, 127}));
  EXPECT_EQ(Items<Material>(scene_.materials)[0]->value(kMirror, 0), 0.25f);
  EXPECT_EQ(Named<Camera>(scene_.cameras, "c")->Zoom(), 50.0f);
  EXPECT_EQ(scene_.memberTarget, g);
}

TEST_F(SceneCommandsTest, MemberStatementsReportUnknownNamesAndKeywords) {
  EXPECT_EQ(Run("sphere ball { }\nchess ch { }\nnothing.radius <1>\nball.nothing.radius <1>\n"
                "ball.foo <1>\nch.color1 <1,2,3>\n"),
            0);
  EXPECT_EQ(err_, Warning(3, "): unrecognized token: nothing.radius\n") +
                      Warning(3, "): unrecognized token: <1>\n") +
                      Warning(4, "): unrecognized token: ball.nothing.radius\n") +
                      Warning(4, "): unrecognized token: <1>\n") +
                      Warning(5, "): unrecognized token: foo\n") +
                      Warning(5, "): unrecognized token: <1>\n") +
                      // chess textures take the image keywords in member statements
                      Warning(6, "): unrecognized token: color1\n") +
                      Warning(6, "): unrecognized token: <1,2,3>\n"));
}

// --- Placement --------------------------------------------------------------------------------

TEST_F(SceneCommandsTest, PlacementParametersTurnAndMoveTheItem) {
  EXPECT_EQ(Run("camera w { rotate_Y <90> }\ncamera o { rotate_Y OBJ <90> }\n"
                "camera n { normal <0,5,0> }\ncamera v { position <1,0,0> look_at <1,0,-4> }\n"
                "sphere r { position <0,1,0> rotate_X_around <0,0,0> <90> }\n"
                "sphere f { axis_deg <1,2,3> axis_X <0,1,0> has_shadow <0> gets_shadow <0> }\n"),
            0);
  EXPECT_EQ(err_, "");
  ExpectVec(Named<Camera>(scene_.cameras, "w")->placement.axis_Z, -1, 0, 0);
  ExpectVec(Named<Camera>(scene_.cameras, "o")->placement.axis_Z, -1, 0, 0);
  ExpectVec(Named<Camera>(scene_.cameras, "n")->placement.axis_Z, 0, 1, 0);
  ExpectVec(Named<Camera>(scene_.cameras, "v")->placement.axis_Z, 0, 0, -1);
  ExpectVec(Object<MathSphere>("r")->placement.position, 0, 0, 1);
  MathSphere* f = Object<MathSphere>("f");
  ExpectVec(f->placement.axis_deg, 1, 2, 3);
  ExpectVec(f->placement.axis_X, 0, 1, 0);
  EXPECT_FALSE(f->HasFlag(kHasShadow));
  EXPECT_FALSE(f->HasFlag(kGetsShadow));
  EXPECT_TRUE(f->HasFlag(kIsVisible));
}

TEST_F(SceneCommandsTest, PlacementWarnings) {
  EXPECT_EQ(Run("sphere s {\n rotate_Z SIDEWAYS <90>\n rotate_X_around <0,0,0> radius <2>\n"
                " is_visible <0>\n use_phong <1>\n use_phong }\n"),
            0);
  EXPECT_EQ(err_, Warning(2, "): unknown parameter.\n") +
                      Warning(3, "): degree-definiton expected. \n") +
                      Warning(3, "): unrecognized token: <2>\n") +
                      Warning(4, "): is_visible has no effect. (in this version)\n") +
                      Warning(5, "): use_phong\n") + Warning(6, "): use_phong\n"));
  MathSphere* s = Object<MathSphere>("s");
  ExpectVec(s->placement.axis_X, 0, -1, 0);  // still turned, about world Z
  EXPECT_TRUE(s->HasFlag(kIsVisible));
  EXPECT_TRUE(s->HasFlag(kUsePhong));
}

// --- Points, meshes and constructions ----------------------------------------------------------

TEST_F(SceneCommandsTest, PointsAndTrimeshBuildOneTriangle) {
  EXPECT_EQ(Run("points p { number <3> <0,0,0> <1,0,0> <0,1,0> }\n"
                "trimesh t { points p triangles <1> <0,1,2> }\n"),
            0);
  EXPECT_EQ(err_, "");
  ASSERT_EQ(Items<MeshObject>(scene_.points).size(), 1u);
  auto* t = Object<MeshObject>("t");
  ASSERT_NE(t, nullptr);
  ASSERT_EQ(t->point_count, 3u);
  ASSERT_EQ(t->triangle_count, 1u);
  EXPECT_EQ(t->triangles[0].c, 2u);
  ExpectVec(t->triangles[0].normal, 0, 0, 1);
  EXPECT_NE(t->points, Items<MeshObject>(scene_.points)[0]->points);  // the mesh's own copy
}

TEST_F(SceneCommandsTest, PointAndTriangleIndicesAreChecked) {
  EXPECT_EQ(Run("points p {\n <9,9,9>\n set <1>\n number <3>\n <0,0,0> <1,0,0> <0,1,0>\n"
                " <5,5,5>\n set <1> <2,2,2>\n number <0>\n}\n"
                "trimesh t {\n <0,1,2>\n set <0>\n points p\n triangles <2>\n <0,1,7>\n <2,1,0>\n"
                " <0,1,2>\n set <0> <0,2,1>\n}\n"),
            0);
  EXPECT_EQ(err_, Warning(2, "): the points are not initialized yet.\n") +
                      Warning(3, "): there are no points initialized.\n") +
                      Warning(6, "): the index of the point is too high. \n") +
                      Warning(8, "): the number of points must be at least 1.\n") +
                      Warning(11, "): the triangles are not initialized yet.\n") +
                      Warning(12, "): there are no triangles initialized.\n") +
                      Warning(15, "): the index of the point is too high. \n") +
                      Warning(17, "): the index of the triangle is too high. \n"));
  auto* p = Items<MeshObject>(scene_.points)[0];
  ExpectVec(p->points[1], 2, 2, 2);
  auto* t = Object<MeshObject>("t");
  ASSERT_EQ(t->triangle_count, 2u);
  EXPECT_EQ(t->triangles[0].b, 2u);  // set <0> rewrote the first triangle
  EXPECT_EQ(t->triangles[1].a, 2u);
  ExpectTrianglesInRange(scene_.objects);
}

TEST_F(SceneCommandsTest, TrimeshWithoutPointsIsStillInserted) {
  EXPECT_EQ(Run("trimesh t { points nowhere material none }\n"), 0);
  EXPECT_EQ(err_, Warning(1, "): points not found.\n") + Warning(1, "): material not found.\n") +
                      Warning(1, "): there are no points initialized in the trimesh.\n"));
  EXPECT_NE(Object<MeshObject>("t"), nullptr);
}

TEST_F(SceneCommandsTest, HugeCountsAreRefusedAndTheItemDropped) {
  EXPECT_EQ(Run("sphere keep { }\npoints p { number <100000000> }\nsphere after { }\n"), -1);
  EXPECT_EQ(err_, Warning(2, "): can not allocate memory for the points.\n"));
  EXPECT_TRUE(Items<MeshObject>(scene_.points).empty());
  EXPECT_NE(Object<MathSphere>("keep"), nullptr);
  EXPECT_EQ(Object<MathSphere>("after"), nullptr);

  EXPECT_EQ(Run("trimesh t { triangles <2000000000> }\n"), -1);
  EXPECT_EQ(err_, Warning(1, "): can not allocate memory for the triangles.\n"));
  EXPECT_EQ(Object<MeshObject>("t"), nullptr);
}

TEST_F(SceneCommandsTest, MaterialObjectBecomesTheMeshsMappingObject) {
  EXPECT_EQ(Run("object g {\n sphere t_mat_object { radius <7> }\n"
                " points t { number <3> <0,0,0> <1,0,0> <0,1,0> }\n"
                " trimesh t { points t triangles <1> <0,1,2> material_object t_mat_object }\n}\n"
                "trimesh u { material_object nothing }\n"),
            0);
  EXPECT_EQ(err_, Warning(6, "): object not found.\n") +
                      Warning(6, "): there are no points initialized in the trimesh.\n"));
  auto* g = Object<GroupObject>("g");
  auto* t = Named<MeshObject>(&g->members, "t");
  auto* mapping = dynamic_cast<MathSphere*>(t->mapping_object);
  ASSERT_NE(mapping, nullptr);
  EXPECT_EQ(mapping->radius(), 7.0f);
  RemoveMappingLeftovers(scene_);
  EXPECT_EQ(Items<SceneObject>(&g->members).size(), 1u);
  EXPECT_EQ(t->mapping_object, mapping);  // the mesh keeps its copy
}

TEST_F(SceneCommandsTest, RemoveMappingLeftoversTakesOnlyNamesEndingInTheSuffix) {
  EXPECT_EQ(Run("sphere a_mat_object { }\nsphere _mat_objectx { }\nobject g { sphere "
                "b_mat_object { } sphere c { } }\nsphere _mat_object { }\n"),
            0);
  RemoveMappingLeftovers(scene_);
  auto top = Items<SceneObject>(scene_.objects);
  ASSERT_EQ(top.size(), 2u);
  EXPECT_EQ(S(top[0]->name), "_mat_objectx");
  auto members = Items<SceneObject>(&dynamic_cast<GroupObject*>(top[1])->members);
  ASSERT_EQ(members.size(), 1u);
  EXPECT_EQ(S(members[0]->name), "c");
}

TEST_F(SceneCommandsTest, TrimeshLoadsTheFirstMeshOfAnObjectFile) {
  Write("part.ovo",
        "object g { points m { number <4> <0,0,0> <1,0,0> <0,1,0> <0,0,1> }\n"
        "trimesh m { position <5,0,0> points m triangles <2> <0,1,2> <0,2,3> use_phong <1> } }\n");
  EXPECT_EQ(Run("trimesh t { load \"" + dir_ +
                "/part.ovo\" move <1,0,0> }\n"
                "trimesh u { load \"" +
                dir_ + "/missing.ovo\" }\ntrimesh v { load missing }\n"),
            0);
  auto* t = Object<MeshObject>("t");
  ASSERT_EQ(t->point_count, 4u);
  ASSERT_EQ(t->triangle_count, 2u);
  ExpectVec(t->points[3], 1, 0, 1);
  ExpectVec(t->placement.position, 6, 0, 0);
  EXPECT_TRUE(t->HasFlag(kUsePhong));
  EXPECT_NE(err_.find(Warning(2, "): could not load the object.\n")), std::string::npos);
  EXPECT_NE(err_.find(Warning(3, "): no correct filename given.\n")), std::string::npos);
}

TEST_F(SceneCommandsTest, AFileLoadingItselfStopsAtTheNestingBound) {
  std::string self = dir_ + "/self.ovs";
  EXPECT_EQ(Run("trimesh t { load \"" + self + "\" }\n", "self.ovs"), 0);
  EXPECT_NE(Object<MeshObject>("t"), nullptr);
  EXPECT_NE(err_.find("could not load the object"), std::string::npos);
  EXPECT_EQ(commands_.state().nesting, 0);
}

TEST_F(SceneCommandsTest, FilesThatLoadThemselvesTwiceStillEnd) {
  const std::string self = dir_ + "/twice.ovs";
  EXPECT_EQ(Run("trimesh a { load \"" + self + "\" }\ntrimesh b { load \"" + self + "\" }\n",
                "twice.ovs"),
            0);
  EXPECT_EQ(Items<MeshObject>(scene_.objects).size(), 2u);
  EXPECT_NE(err_.find("could not load the object"), std::string::npos);
}

TEST_F(SceneCommandsTest, EveryLoadStatementOfTheFileItselfMayLoad) {
  Write("part.ovo",
        "points m { number <3> <0,0,0> <1,0,0> <0,1,0> }\n"
        "trimesh m { points m triangles <1> <0,1,2> }\n");
  EXPECT_EQ(
      Run("float i\nfor(i=0;i<300;i=i+1){\ntrimesh t { load \"" + dir_ + "/part.ovo\" }\n}\n"), 0);
  EXPECT_EQ(err_, "");
  auto meshes = Items<MeshObject>(scene_.objects);
  ASSERT_EQ(meshes.size(), 300u);
  EXPECT_EQ(meshes.back()->triangle_count, 1u);
}

TEST_F(SceneCommandsTest, ConstructBuildsALatheAndAppliesItsPlacementAfterwards) {
  EXPECT_EQ(Run("points p { number <3> <1,0,0> <2,1,0> <1,2,0> }\n"
                "construct vase { type lathe points p segments <4> move <0,10,0> }\n"
                "construct bad { type spiral segments <1> }\n"
                "points sq { number <4> <0,0,0> <1,0,0> <1,1,0> <0,1,0> }\n"
                "construct floor { type polygon points sq }\n"),
            0);
  EXPECT_EQ(err_, Diag("Syntax error", 3, "): wrong construct-type assignment.\n") +
                      Warning(3, "): the number of segments must be at least 2.\n") +
                      Warning(3, "): construct failed.\n"));
  auto* vase = Object<MeshObject>("vase");
  ASSERT_NE(vase, nullptr);
  EXPECT_EQ(vase->point_count, 15u);
  EXPECT_GT(vase->triangle_count, 0u);
  EXPECT_NEAR(vase->bbox_min.y, 10.0f, 1e-5f);
  EXPECT_EQ(Object<MeshObject>("bad"), nullptr);
  EXPECT_EQ(Items<MeshObject>(scene_.points).size(), 2u);  // the outlines stay
  EXPECT_EQ(Object<MeshObject>("floor")->triangle_count, 2u);
}

// --- Spheres, planes, lights and cameras -------------------------------------------------------

TEST_F(SceneCommandsTest, PlaneRadiiDecideTheTypeUntilATypeFollows) {
  EXPECT_EQ(Run("plane c { radius_X <-2> }\nplane e { radius_X <2> radius_Y <3> }\n"
                "plane r { radius_Y <1> radius_X <2> type rectangle single_side }\n"
                "plane h { type circle type hexagon double_side }\n"),
            0);
  EXPECT_EQ(err_, Diag("Syntax error", 4, "): wrong plane-type assignment.\n"));
  auto* c = Object<MathPlane>("c");
  EXPECT_EQ(c->plane_type(), kPlaneCircle);
  EXPECT_EQ(c->radius_Y(), 2.0f);
  EXPECT_EQ(Object<MathPlane>("e")->plane_type(), kPlaneEllipse);
  auto* r = Object<MathPlane>("r");
  EXPECT_EQ(r->plane_type(), kPlaneRectangle);
  EXPECT_EQ(r->single_sided(), 1u);
  EXPECT_EQ(r->radius_X(), 2.0f);
  EXPECT_EQ(Object<MathPlane>("h")->plane_type(), kPlaneCircle);
}

TEST_F(SceneCommandsTest, ObjectsFindTheirMaterials) {
  EXPECT_EQ(Run("material red { }\nsphere s { material red }\nplane p { material blue }\n"), 0);
  EXPECT_EQ(err_, Warning(3, "): material not found.\n"));
  EXPECT_EQ(Object<MathSphere>("s")->material, Items<Material>(scene_.materials)[0]);
  EXPECT_EQ(Object<MathPlane>("p")->material, nullptr);
}

TEST_F(SceneCommandsTest, LightParameters) {
  EXPECT_EQ(Run("light { type spot color <200,100,300> lightness <2> decrease <-5> parallel <1>\n"
                " spot_angle <10> fall_off <2> position <1,2,3> }\n"
                "light p { decrease <4> type star lightness <-1> }\n"),
            0);
  EXPECT_EQ(err_, Diag("Syntax error", 3, "): wrong light-type assignment.\n"));
  auto lights = Items<LightSource>(scene_.lights);
  ASSERT_EQ(lights.size(), 2u);
  LightSource* spot = lights[0];
  EXPECT_EQ(S(spot->name), "");
  EXPECT_EQ(spot->light_type, kSpotLight);
  EXPECT_EQ(spot->BaseColor(), (Rgb{200, 100, 44}));
  EXPECT_EQ(spot->Color(), (Rgb{255, 200, 88}));
  EXPECT_EQ(spot->Decrease(), 5.0f);
  EXPECT_EQ(spot->decrease_on, 0);
  EXPECT_EQ(spot->parallel, 1);
  EXPECT_FLOAT_EQ(spot->spot_angle, 10 * 0.017453292f);
  EXPECT_FLOAT_EQ(spot->fall_off, 2 * 0.017453292f);
  ExpectVec(spot->placement.position, 1, 2, 3);
  EXPECT_EQ(lights[1]->light_type, kPointLight);
  EXPECT_EQ(lights[1]->decrease_on, 1);
  EXPECT_EQ(lights[1]->Color(), (Rgb{0, 0, 0}));
}

// --- Materials and textures ---------------------------------------------------------------------

TEST_F(SceneCommandsTest, MaterialChannels) {
  EXPECT_EQ(Run("chess board { }\nmaterial m {\n"
                " diffus <0.5> diffus_color <1,2,3> diffus_tile <2,3> diffus_texture board\n"
                " highlight <0.7> highlight_size <40> highlight_color <4,5,6>\n"
                " mirror <0.3> transparent <0.25> refraction <1.5> glow <0.1> ambient <0.2>\n"
                " bump <0.6> bump_texture board bump_color <1,1,1> highlight_brightness <0.9>\n"
                " glow_texture none\n}\n"),
            0);
  EXPECT_EQ(err_, Warning(6, "): unrecognized token: bump_color\n") +
                      Warning(6, "): unrecognized token: <1,1,1>\n") +
                      Warning(7, "): texture(bitmap/fractal) not found.\n"));
  Material* m = Items<Material>(scene_.materials)[0];
  Texture* board = Items<Texture>(scene_.images)[0];
  EXPECT_EQ(S(m->name), "m");
  EXPECT_EQ(m->value(kDiffuse, 0), 0.5f);
  EXPECT_EQ(m->colour(kDiffuse), (Rgb{1, 2, 3}));
  EXPECT_EQ(m->tileX(kDiffuse), 2.0f);
  EXPECT_EQ(m->tileY(kDiffuse), 3.0f);
  EXPECT_EQ(m->texture(kDiffuse), board);
  EXPECT_EQ(m->hasTexture(kDiffuse), 1u);
  EXPECT_EQ(m->value(kHighlight, 1), 0.9f);
  EXPECT_EQ(m->value(kHighlight, 2), 60.0f);
  EXPECT_EQ(m->colour(kHighlight), (Rgb{4, 5, 6}));
  EXPECT_EQ(m->value(kMirror, 0), 0.3f);
  EXPECT_EQ(m->value(kTransparent, 0), 0.25f);
  EXPECT_EQ(m->value(kTransparent, 1), 0.5f);
  EXPECT_EQ(m->value(kTransparent, 2), 1.5f);
  EXPECT_EQ(m->value(kGlow, 0), 0.1f);
  EXPECT_EQ(m->value(kAmbient, 0), 0.2f);
  EXPECT_EQ(m->value(kBump, 0), 0.6f);
  EXPECT_EQ(m->texture(kBump), board);
  EXPECT_EQ(m->texture(kGlow), nullptr);
}

TEST_F(SceneCommandsTest, HighlightSizeIsStoredAsOneHundredMinusItsValue) {
  EXPECT_EQ(Run("material a { highlight_size <-5> }\nmaterial b { highlight_size <150> }\n"), 0);
  auto materials = Items<Material>(scene_.materials);
  EXPECT_EQ(materials[0]->value(kHighlight, 2), 100.0f);
  EXPECT_EQ(materials[1]->value(kHighlight, 2), 0.0f);
}

TEST_F(SceneCommandsTest, TexturesOfEveryKind) {
  Picture picture;
  ASSERT_TRUE(picture.Create(16, 8, 8));
  picture.paletteCount = 4;
  picture.palette[3] = Rgb{10, 20, 30};
  picture.SetPixel(2, 1, 3);
  std::filesystem::create_directory(dir_ + "/tex");
  ASSERT_TRUE(writeILBM(picture, (dir_ + "/tex/pic.iff").c_str(), false));
  auto* path = new String((dir_ + "/tex").c_str());
  ASSERT_TRUE(commands_.TexturePaths().Append(path, 1));

  EXPECT_EQ(Run("image pic { load \"pic.iff\" }\nimage none { load \"nothing.iff\" }\n"
                "palette pal { RGB <0,0,0,0> RGB <4,40,80,120> RGB <300,1,1,1> range <4,0> }\n"
                "fractal fr { limits <-2,1,-1.5,1.5> iterations <50> palette pal }\n"
                "fractal lost { palette gone }\n"
                "chess ch { color1 <1,2,3> color2 <4,5,6> }\nfade fa { color1 <7,8,9> }\n"
                "image drawn { palette pal bar <0,0,3,3,4> line <10,10,12,10,2> }\n"),
            0);
  EXPECT_EQ(err_, Warning(2, "): Texture not found/readable: nothing.iff") +
                      Warning(5, "): palette not found.\n"));
  auto* pic = Named<Texture>(scene_.images, "pic");
  EXPECT_EQ(pic->kind, kTextureImage);
  EXPECT_EQ(pic->Width(), 16);
  EXPECT_EQ(pic->TexelColour(2, 1), (ColourF{10, 20, 30}));
  EXPECT_EQ(Named<Texture>(scene_.images, "none")->Width(), 320);  // the default picture

  auto* pal = Named<Texture>(scene_.images, "pal");
  EXPECT_EQ(pal->kind, kTexturePalette);
  EXPECT_EQ(pal->picture()->palette[2], (Rgb{20, 40, 60}));
  auto* fr = Named<Texture>(scene_.images, "fr");
  EXPECT_EQ(fr->kind, kTextureFractal);
  EXPECT_EQ(fr->fractal.xMin, -2.0);
  EXPECT_EQ(fr->fractal.yMax, 1.5);
  EXPECT_EQ(fr->fractal.iterations, 50);
  EXPECT_EQ(fr->fractal.palette(), pal->picture());

  auto* ch = Named<Texture>(scene_.images, "ch");
  EXPECT_EQ(ch->kind, kTextureChess);
  EXPECT_EQ(ch->twoColours.colour2(), (Colour16{4, 5, 6}));
  auto* fa = Named<Texture>(scene_.images, "fa");
  EXPECT_EQ(fa->kind, kTextureFade);
  EXPECT_EQ(fa->twoColours.colour1(), (Colour16{7, 8, 9}));

  auto* drawn = Named<Texture>(scene_.images, "drawn");
  EXPECT_EQ(drawn->picture()->Pixel(3, 3), 4);
  EXPECT_EQ(drawn->picture()->Pixel(11, 10), 2);
  EXPECT_EQ(drawn->TexelColour(1, 1), (ColourF{40, 80, 120}));
}

TEST_F(SceneCommandsTest, ImagesAndFractalsSaveAsIff) {
  const std::string image = dir_ + "/saved.iff";
  const std::string fractal = dir_ + "/fractal.iff";
  EXPECT_EQ(Run("image i { bar <0,0,9,9,1> save \"" + image + "\" save \"" + dir_ +
                "/no/such/dir.iff\" }\nfractal f { save \"" + fractal + "\" }\n"),
            0);
  EXPECT_EQ(err_, Warning(1, "): Could not write Image3 to file: " + dir_ + "/no/such/dir.iff"));
  Picture back;
  EXPECT_EQ(readILBM(back, image.c_str(), true) & kIlbmBodyRead, kIlbmBodyRead);
  EXPECT_EQ(back.Pixel(5, 5), 1);
  EXPECT_EQ(readILBM(back, fractal.c_str(), true) & kIlbmBodyRead, kIlbmBodyRead);
}

// --- The raytrace block -------------------------------------------------------------------------

TEST_F(SceneCommandsTest, RaytraceSettings) {
  EXPECT_EQ(Run("camera cam { }\nimage bg { }\nfractal fr { }\nraytrace ignored {\n camera cam\n"
                " background_color <1,2,3> background_texture fr field_mask bg\n"
                " field_left <10> field_right <20> field_top <30> field_bottom <40>\n"
                " field_brightness <50> field_type <7> ambient_color <4,5,6>\n"
                " fog_color <7,8,9> fog <-12.7> camera nobody speed <3>\n}\n"),
            0);
  EXPECT_EQ(err_, Warning(9, "): camera not found.\n") +
                      Warning(9, "): unrecognized token: speed\n") +
                      Warning(9, "): unrecognized token: <3>\n"));
  const RenderSettings& r = scene_.render;
  Camera* cam = Named<Camera>(scene_.cameras, "cam");
  EXPECT_EQ(r.activeCamera, cam);
  EXPECT_EQ(scene_.traceCamera, cam);
  EXPECT_EQ(r.background[2], 3);
  EXPECT_EQ(r.backgroundMode, 2);
  EXPECT_EQ(r.backgroundTexture, Named<Texture>(scene_.images, "fr"));
  EXPECT_EQ(r.fieldMask, Named<Texture>(scene_.images, "bg"));
  EXPECT_EQ(r.fieldLeft, 10);
  EXPECT_EQ(r.fieldRight, 20);
  EXPECT_EQ(r.fieldTop, 30);
  EXPECT_EQ(r.fieldBottom, 40);
  EXPECT_EQ(r.fieldBrightness, 50);
  EXPECT_EQ(r.fieldMaskType, 2);
  EXPECT_EQ(r.ambient[0], 4);
  EXPECT_EQ(r.fog[1], 8);
  EXPECT_EQ(r.fogDistance, 12.0f);

  EXPECT_EQ(Run("raytrace { field_type <1> background_texture bg background_color <0,0,0> }\n"), 0);
  EXPECT_EQ(scene_.render.fieldMaskType, 1);
  EXPECT_EQ(scene_.render.backgroundMode, 0);
}

// --- Bad input
// ------------------------------------------------------------------------------------

TEST_F(SceneCommandsTest, UnknownWordsInEveryBlockAreReportedAndSkipped) {
  const char* blocks[] = {"object",  "points", "trimesh",  "construct", "sphere",
                          "plane",   "light",  "material", "image",     "palette",
                          "fractal", "chess",  "fade",     "camera",    "raytrace"};
  for (const char* block : blocks) {
    const std::string keyword(block);
    EXPECT_EQ(Run(keyword + " x { bogus <1> \"text\" }\n"), 0) << block;
    // Points and trimesh blocks take bare values as points and triangles.
    const std::string value = keyword == "points"    ? "): the points are not initialized yet.\n"
                              : keyword == "trimesh" ? "): the triangles are not initialized yet.\n"
                                                     : "): unrecognized token: <1>\n";
    std::string expected = Warning(1, "): unrecognized token: bogus\n") + Warning(1, value) +
                           Warning(1, "): unrecognized token: \"text\"\n");
    if (keyword == "trimesh") {
      expected += Warning(1, "): there are no points initialized in the trimesh.\n");
    }
    if (keyword == "construct") expected += Warning(1, "): construct failed.\n");
    EXPECT_EQ(err_, expected) << block;
  }
}

TEST_F(SceneCommandsTest, TruncatedBlocksKeepWhatWasRead) {
  EXPECT_EQ(Run("sphere s { radius <2>"), -1);
  EXPECT_EQ(err_, Diag("ERROR", 1, "): reached end of file and missed '}'.\n"));
  EXPECT_EQ(Object<MathSphere>("s")->radius(), 2.0f);

  EXPECT_EQ(Run("object g { sphere in { } position <1,0,0>\n"), -1);
  auto* g = Object<GroupObject>("g");
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(Items<SceneObject>(&g->members).size(), 1u);
  EXPECT_EQ(commands_.state().nesting, 0);

  EXPECT_EQ(Run("sphere r { radius"), -1);
  EXPECT_EQ(Run("light"), 0);
}

TEST_F(SceneCommandsTest, AParameterNeverTakesTheClosingBraceAsItsValue) {
  EXPECT_EQ(Run("sphere s { radius }\nsphere t { material }\nsphere u { radius \"2\" }\n"), 0);
  EXPECT_EQ(err_, "");
  EXPECT_EQ(Items<MathSphere>(scene_.objects).size(), 3u);
}

TEST_F(SceneCommandsTest, RandomInputNeverBreaksTheScene) {
  // clang-format off
  const char* words[] = {
      "object", "points", "trimesh", "construct", "sphere", "plane", "light", "material", "image",
      "palette", "fractal", "chess", "fade", "camera", "raytrace", "{", "}", "{", "}", "<1,2,3>",
      "<0,1,2>", "<-5>", "<>", "number", "triangles", "set", "points", "p", "t", "g",
      "g.t.radius", "t.triangles", "radius", "type", "lathe", "move", "rotate_X", "OBJ",
      "material", "m", "load", "\"x\"", "position", "<999999999>", "fog", "camera",
      "diffus_texture", "range", "RGB", "<300,-1>", "if(1)", "float", "a", "a=3", "[2]", "s[3]",
      "\"", "<"};
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
