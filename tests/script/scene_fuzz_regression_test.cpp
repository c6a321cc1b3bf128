// Scene files that once went wrong when written back and read again: a name filling a line with
// its keyword and `{` made lines longer than 127 bytes, and reading back dropped the brace.

#include <gtest/gtest.h>

#include "material/material.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"
#include "script_test_support.h"

namespace orvane {
namespace {

using test::Named;

class SceneFuzzRegression : public test::ScriptFiles {
 protected:
  // Loads `text` as a scene file, which must run to its end.
  std::unique_ptr<test::LoadedScene> Load(const std::string& text) {
    auto loaded = std::make_unique<test::LoadedScene>(Write("scene.ovs", text));
    EXPECT_EQ(loaded->result, ScriptInterpreter::kRunOk) << loaded->err;
    return loaded;
  }
};

// Names as long as a line allows: the keyword, the name and the `{` each fit only alone.
const std::string kSphereName = "s" + std::string(125, 'x');
const std::string kMaterialName = "m" + std::string(125, 'y');
// The longest mesh name whose mapping object "<name>_mat_object" still fits a line.
const std::string kMeshName = "t" + std::string(115, 'z');

const std::string kLongNames =
    "material\n" + kMaterialName + "\n{ diffus <0.5> }\nsphere\n" + kSphereName +
    "\n{ radius <3> material\n" + kMaterialName + "\n}\npoints\n" + kMeshName +
    "\n{ number <3> <1,0,0> <2,0,0> <1,1,0> }\ntrimesh\n" + kMeshName + "\n{ points\n" + kMeshName +
    "\ntriangles <1> <0,1,2> }\nsphere other { radius <5> }\n";

TEST_F(SceneFuzzRegression, LongNamesSurviveWritingAndReadingBack) {
  auto first = Load(kLongNames);
  EXPECT_EQ(first->err, "");
  const std::string text = test::WrittenScene(first->scene);
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 127u) << line;
  // The mesh's mapping object brings its own notice; nothing is lost or unknown.
  auto second = Load(text);
  const std::string& err = second->err;
  EXPECT_EQ(err.find("unrecognized"), std::string::npos) << err;
  EXPECT_EQ(err.find("not found"), std::string::npos) << err;
  const LIST* objects = second->scene.objects;
  auto* sphere = Named<MathSphere>(objects, kSphereName);
  ASSERT_NE(sphere, nullptr);
  EXPECT_EQ(sphere->radius(), 3.0f);
  auto* material = Named<Material>(second->scene.materials, kMaterialName);
  ASSERT_NE(material, nullptr);
  EXPECT_EQ(sphere->material, material);
  auto* other = Named<MathSphere>(objects, "other");
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(other->radius(), 5.0f);
  auto* mesh = Named<MeshObject>(objects, kMeshName);
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->point_count, 3u);
  EXPECT_EQ(mesh->triangle_count, 1u);
  // Once read back, the scene writes the same text again.
  EXPECT_EQ(test::WrittenScene(second->scene), text);
}

TEST_F(SceneFuzzRegression, ShortLinesAreWrittenAsTheyWere) {
  auto loaded = Load("sphere ball { radius <2> }\n");
  EXPECT_EQ(loaded->err, "");
  const std::string text = test::WrittenScene(loaded->scene);
  EXPECT_NE(text.find("sphere ball{\n"), std::string::npos);
  EXPECT_NE(text.find("\nradius <2>\n"), std::string::npos);
}

}  // namespace
}  // namespace orvane
