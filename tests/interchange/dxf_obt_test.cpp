#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "interchange/dxf_import.h"
#include "interchange/import_object.h"
#include "interchange/obt_import.h"
#include "interchange_test.h"

namespace orvane {
namespace {

using namespace test;

TEST(Dxf, RefusesOtherStartsAndCutFacesAndReadsValuesLikeCodes) {
  MeshObject mesh;
  EXPECT_EQ(ReadDxfText("0\nSECTION\n2\nHEADER\n0\nENDSEC\n" + kHeader + kFace, mesh),
            kDxfNotEntities);
  EXPECT_EQ(ReadDxfText("", mesh), kDxfNotEntities);
  EXPECT_EQ(ReadDxf("/nonexistent/file.dxf", mesh), kDxfUnreadable);
  // On the layer "10", which is read as the code of the real code line "10": x.
  ASSERT_EQ(ReadDxfText(kHeader + "0\n3DFACE\n8\n10\n" + (kFace + 9), mesh), kDxfOk);
  ExpectPoint(mesh, 0, 50.0f, 10.0f, 15.0f);
  // A face with fewer than four corners before its "33".
  EXPECT_EQ(ReadDxfText(kHeader + "0\n3DFACE\n10\n1\n33\n2\n", mesh), kDxfUnreadable);
}

TEST(Obt, RefusesWithTheDefinedMessages) {
  const std::pair<std::string, const char*> cases[] = {
      {"HM_OBX\n1.0\n0\n0\n", "Error reading file"},
      {"HM_OBT\n1.5\n0\n0\n", "Unsupported version of the file-format!"},
      {"HM_OBT\n1.0\nx\n", "Unsupported version of the file-format!"},
      {"HM_OBT\n1.0\n-1\n0\n", "Error reading file"},
      {"HM_OBT\n1.0\n0\n", "Error reading file"},
      {"HM_OBT\n1.0\n3\n0 0 0\n1 0 0\n1 1 0\n1\n0 1 3 7\n", "Error reading file"},
      {"HM_OBT\n1.0\n3\n0 0 0\n1 0 0\n1 1 0\n1\n0 1 99999999999 7\n", "Error reading file"},
      {"HM_OBT\n1.0\n2000000000\n0 0 0\n", "Error reading file"},
  };
  for (const auto& [text, message] : cases) {
    ImportedFile read = ReadObtText(text);
    EXPECT_FALSE(read.ok()) << text;
    EXPECT_STREQ(read.text.c_str(), message) << text;
    EXPECT_STREQ(read.title.c_str(), "Error");
    delete read.object;
  }
  ImportedFile whole = ReadObtText("HM_OBT\n1.0\n3\n0 0 0\n1 0 0\n1 1 -2\n1\n0 1 2 7\n");
  ASSERT_TRUE(whole.ok());
  std::unique_ptr<SceneObject> owned(whole.object);
  ExpectMesh(*static_cast<MeshObject*>(whole.object), {{0, 0, 0}, {1, 0, 0}, {1, 1, -2}},
             {{0, 1, 2}});
}

// Each format's file is named after its title and gets the default material (a group: each
// member); a taken name is made unique, and a file that cannot be read leaves the scene alone.
TEST(ImportFlow, FilesAreAddedByTheirTitleOrLeaveTheSceneAlone) {
  const TempDir dir;
  std::ofstream(dir / "face.dxf") << kHeader << kFace;
  std::ofstream(dir / "tri.obt") << "HM_OBT 1.0 3 0 0 0 1 0 0 1 1 0 1 0 1 2 0";
  std::ofstream(dir / "Broken.3ds", std::ios::binary) << "MM\x10";
  GroupObject group;
  group.AddMember(MakeQuadMesh("Alpha", 0.0f));
  group.AddMember(MakeQuadMesh("Beta", 3.0f));
  String title, text;
  ASSERT_TRUE(Export3ds(&group, (dir / "Parts.3ds").c_str(), &title, &text));
  Scene scene;
  const char* files[][2] = {
      {"face.dxf", "face"}, {"tri.obt", "tri"}, {"Parts.3ds", "Parts"}, {"Parts.3ds", "Parts1"}};
  for (const auto& [file, name] : files) {
    SCOPED_TRACE(name);
    CommandResult added = ImportObjectFile(scene, dir / file);
    ASSERT_TRUE(added.ok());
    EXPECT_STREQ(added.item->name.c_str(), name);
    for (const MeshObject* mesh : Meshes(added.item)) {
      ASSERT_NE(mesh->material, nullptr);
      EXPECT_STREQ(mesh->material->name.c_str(), "standard");
    }
  }
  CommandResult refused = ImportObjectFile(scene, dir / "Broken.3ds");
  EXPECT_FALSE(refused.ok());
  EXPECT_STREQ(refused.text.c_str(), "Error reading file");
  EXPECT_EQ(scene.objects->count, 4);
  ImportedFile again = ReadObjectFile(dir / "Parts.3ds");
  ASSERT_TRUE(again.ok());
  EXPECT_FALSE(AddImportedObject(scene, again, "Parts").ok());
  ASSERT_NE(again.object, nullptr);  // still ours: the caller may ask for another name
  EXPECT_TRUE(AddImportedObject(scene, again, "Other").ok());
  EXPECT_EQ(again.object, nullptr);
  EXPECT_EQ(scene.objects->count, 5);
}

}  // namespace
}  // namespace orvane
