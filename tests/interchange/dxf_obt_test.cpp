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

const char* const kFaceLines[] = {"0",  "3DFACE", "8",  "0",  "10", "1",  "20", "2", "30", "3",
                                  "11", "4",      "21", "5",  "31", "6",  "12", "7", "22", "8",
                                  "32", "9",      "13", "10", "23", "11", "33", "12"};

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  return text;
}

std::vector<std::string> OneFaceFile() {
  std::vector<std::string> lines = {"0", "SECTION", "2", "ENTITIES"};
  lines.insert(lines.end(), std::begin(kFaceLines), std::end(kFaceLines));
  lines.insert(lines.end(), {"0", "ENDSEC", "0", "EOF"});
  return lines;
}

TEST(Dxf, RefusesOtherStartsAndCutFacesAndReadsValuesLikeCodes) {
  MeshObject mesh;
  const std::vector<std::string> lines = OneFaceFile();
  const std::string header = Lines({"0", "SECTION", "2", "HEADER", "0", "ENDSEC"});
  EXPECT_EQ(ReadDxfText(header + Lines(lines), mesh), kDxfNotEntities);
  EXPECT_EQ(ReadDxfText("", mesh), kDxfNotEntities);
  EXPECT_EQ(ReadDxf("/nonexistent/file.dxf", mesh), kDxfUnreadable);

  std::vector<std::string> layer = lines;
  layer[4 + 3] = "10";  // layer "10": the real code line "10" becomes its x value
  ASSERT_EQ(ReadDxfText(Lines(layer), mesh), kDxfOk);
  ExpectPoint(mesh, 0, 50.0f, 10.0f, 15.0f);
  // A face with fewer than four corners before its "33".
  const auto three = Lines({"0", "SECTION", "2", "ENTITIES", "0", "3DFACE", "10", "1", "33", "2"});
  EXPECT_EQ(ReadDxfText(three, mesh), kDxfUnreadable);
}

TEST(Obt, RefusesWithTheDefinedMessages) {
  const std::string good = "HM_OBT\n1.0\n3\n0 0 0\n1 0 0\n1 1 -2\n1\n0 1 2 7\n";
  struct Case {
    std::string text;
    const char* message;
  } cases[] = {
      {"HM_OBX\n1.0\n0\n0\n", "Error reading file"},
      {"HM_OBT\n1.5\n0\n0\n", "Unsupported version of the file-format!"},
      {"HM_OBT\n1.0\nx\n", "Unsupported version of the file-format!"},
      {"HM_OBT\n1.0\n-1\n0\n", "Error reading file"},
      {"HM_OBT\n1.0\n0\n", "Error reading file"},
      {"HM_OBT\n1.0\n3\n0 0 0\n1 0 0\n1 1 0\n1\n0 1 3 7\n", "Error reading file"},
      {"HM_OBT\n1.0\n3\n0 0 0\n1 0 0\n1 1 0\n1\n0 1 99999999999 7\n", "Error reading file"},
      {"HM_OBT\n1.0\n2000000000\n0 0 0\n", "Error reading file"},
  };
  for (const Case& c : cases) {
    ImportedFile read = ReadObtText(c.text);
    EXPECT_FALSE(read.ok()) << c.text;
    EXPECT_STREQ(read.text.c_str(), c.message) << c.text;
    EXPECT_STREQ(read.title.c_str(), "Error");
    delete read.object;
  }
  ImportedFile whole = ReadObtText(good);
  ASSERT_TRUE(whole.ok());
  std::unique_ptr<SceneObject> owned(whole.object);
  ExpectMesh(*static_cast<MeshObject*>(whole.object), {{0, 0, 0}, {1, 0, 0}, {1, 1, -2}},
             {{0, 1, 2}});
}

// Each format's file is named after its title and gets the default material (a group: each
// member); a taken name is made unique, and a file that cannot be read leaves the scene alone.
TEST(ImportFlow, FilesAreAddedByTheirTitleOrLeaveTheSceneAlone) {
  const TempDir dir;
  std::ofstream(dir / "face.dxf") << Lines(OneFaceFile());
  std::ofstream(dir / "tri.obt") << "HM_OBT 1.0 3 0 0 0 1 0 0 1 1 0 1 0 1 2 0";
  std::ofstream(dir / "header.dxf") << Lines({"0", "SECTION", "2", "HEADER"});
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
  for (const char* file : {"Broken.3ds", "header.dxf"}) {
    CommandResult refused = ImportObjectFile(scene, dir / file);
    EXPECT_FALSE(refused.ok()) << file;
    EXPECT_STREQ(refused.text.c_str(), "Error reading file") << file;
  }
  EXPECT_EQ(scene.objects->count, 4);

  ImportedFile again = ReadObjectFile(dir / "Parts.3ds");
  ASSERT_TRUE(again.ok());
  CommandResult taken = AddImportedObject(scene, again, "Parts");
  EXPECT_FALSE(taken.ok());
  ASSERT_NE(again.object, nullptr);  // still ours: the caller may ask for another name
  EXPECT_TRUE(AddImportedObject(scene, again, "Other").ok());
  EXPECT_EQ(again.object, nullptr);
  EXPECT_EQ(scene.objects->count, 5);
}

}  // namespace
}  // namespace orvane
