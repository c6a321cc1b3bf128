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
#include "script_test_support.h"
#include "support/test_files.h"

namespace orvane {
namespace {

using test::Named;

// Runs `text` as a scene file on `scene`; answers the diagnostics.
std::string RunText(test::TempDir& dir, Scene& scene, const std::string& text) {
  const std::string path = dir / "scene.ovs";
  std::ofstream(path, std::ios::binary) << text;
  int result = -1;
  const std::string err = test::LoadScene(scene, path, &result);
  EXPECT_EQ(result, ScriptInterpreter::kRunOk) << err;
  return err;
}

// Names as long as a line allows: the keyword, the name and the `{` each fit only alone.
const std::string kSphereName = "s" + std::string(125, 'x');
const std::string kMaterialName = "m" + std::string(125, 'y');
// A mesh's mapping object is written as "<name>_mat_object": the longest mesh name whose
// mapping name still fits a line.
const std::string kMeshName = "t" + std::string(115, 'z');

const std::string kLongNames =
    "material\n" + kMaterialName + "\n{ diffus <0.5> }\nsphere\n" + kSphereName +
    "\n{ radius <3> material\n" + kMaterialName + "\n}\npoints\n" + kMeshName +
    "\n{ number <3> <1,0,0> <2,0,0> <1,1,0> }\ntrimesh\n" + kMeshName + "\n{ points\n" + kMeshName +
    "\ntriangles <1> <0,1,2> }\nsphere other { radius <5> }\n";

TEST(SceneFuzzRegression, LongNamesSurviveWritingAndReadingBack) {
  test::TempDir dir;
  Scene first;
  EXPECT_EQ(RunText(dir, first, kLongNames), "");
  const std::string text = test::WrittenScene(first);
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 127u) << line;

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
  EXPECT_EQ(test::WrittenScene(second), text);
}

TEST(SceneFuzzRegression, ShortLinesAreWrittenAsTheyWere) {
  test::TempDir dir;
  Scene scene;
  EXPECT_EQ(RunText(dir, scene, "sphere ball { radius <2> }\n"), "");
  const std::string text = test::WrittenScene(scene);
  EXPECT_NE(text.find("sphere ball{\n"), std::string::npos);
  EXPECT_NE(text.find("\nradius <2>\n"), std::string::npos);
}

}  // namespace
}  // namespace orvane
