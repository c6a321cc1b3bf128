// Scene files that once went wrong when written back and read again. Names may fill a script
// line of their own (127 bytes); the writer's lines that carry such a name with a keyword and
// a `{` used to be longer than a line may be, so reading them back dropped the brace and the
// block's contents went astray.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "material/material.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"
#include "scene/scene.h"
#include "script/interpreter.h"
#include "script/scene_commands.h"
#include "script/scene_writer.h"
#include "support/test_files.h"

namespace orvane {
namespace {

constexpr std::size_t kLineLimit = 127;

// Runs `text` as a scene file on `scene` with the scene commands; answers the diagnostics.
std::string RunText(test::TempDir& dir, Scene& scene, const std::string& text) {
  const std::string path = dir / "scene.ovs";
  std::ofstream(path, std::ios::binary) << text;
  std::ostringstream out, err;
  ScriptInterpreter interpreter(scene, out, err);
  SceneCommands commands;
  interpreter.SetItemStatements(&commands);
  EXPECT_EQ(interpreter.Run(path.c_str()), ScriptInterpreter::kRunOk) << err.str();
  RemoveMappingLeftovers(scene);
  return err.str();
}

std::string Written(Scene& scene) {
  std::ostringstream out;
  EXPECT_TRUE(WriteScene(scene, out));
  return out.str();
}

std::size_t LongestLine(const std::string& text) {
  std::size_t longest = 0;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) longest = std::max(longest, line.size());
  return longest;
}

template <class T>
T* Named(const LIST* list, const std::string& name) {
  for (const ListNode* n = list ? list->head : nullptr; n; n = n->next) {
    auto* item = dynamic_cast<T*>(n->item);
    if (item && std::string(item->name.c_str(), item->name.Length()) == name) return item;
  }
  return nullptr;
}

// Names as long as a line allows: the keyword, the name and the `{` each fit only alone.
const std::string kSphereName = "s" + std::string(125, 'x');
const std::string kMaterialName = "m" + std::string(125, 'y');
// A mesh's mapping object is written as "<name>_mat_object": the longest mesh name whose
// mapping name still fits a line.
const std::string kMeshName = "t" + std::string(115, 'z');

const std::string kLongNames = "material\n" + kMaterialName +
                               "\n{ diffus <0.5> }\n"
                               "sphere\n" +
                               kSphereName + "\n{ radius <3> material\n" + kMaterialName +
                               "\n}\n"
                               "points\n" +
                               kMeshName +
                               "\n{ number <3> <1,0,0> <2,0,0> <1,1,0> }\n"
                               "trimesh\n" +
                               kMeshName + "\n{ points\n" + kMeshName +
                               "\ntriangles <1> <0,1,2> }\n"
                               "sphere other { radius <5> }\n";

TEST(SceneFuzzRegression, LongNamesSurviveWritingAndReadingBack) {
  test::TempDir dir;
  Scene first;
  EXPECT_EQ(RunText(dir, first, kLongNames), "");
  const std::string text = Written(first);
  EXPECT_LE(LongestLine(text), kLineLimit);

  Scene second;
  // The mesh's mapping object brings its own notice; nothing is lost or unknown.
  const std::string err = RunText(dir, second, text);
  EXPECT_EQ(err.find("unrecognized"), std::string::npos) << err;
  EXPECT_EQ(err.find("not found"), std::string::npos) << err;
  auto* sphere = Named<MathSphere>(second.objects, kSphereName);
  ASSERT_NE(sphere, nullptr);
  EXPECT_EQ(sphere->radius(), 3.0f);
  auto* material = Named<Material>(second.materials, kMaterialName);
  ASSERT_NE(material, nullptr);
  EXPECT_EQ(sphere->material, material);
  auto* other = Named<MathSphere>(second.objects, "other");
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(other->radius(), 5.0f);
  auto* mesh = Named<MeshObject>(second.objects, kMeshName);
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->point_count, 3u);
  EXPECT_EQ(mesh->triangle_count, 1u);

  // Once read back, the scene writes the same text again.
  EXPECT_EQ(Written(second), text);
}

TEST(SceneFuzzRegression, ShortLinesAreWrittenAsTheyWere) {
  test::TempDir dir;
  Scene scene;
  EXPECT_EQ(RunText(dir, scene, "sphere ball { radius <2> }\n"), "");
  const std::string text = Written(scene);
  EXPECT_NE(text.find("sphere ball{\n"), std::string::npos);
  EXPECT_NE(text.find("\nradius <2>\n"), std::string::npos);
}

}  // namespace
}  // namespace orvane
