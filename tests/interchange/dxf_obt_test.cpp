#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "interchange/dxf_import.h"
#include "interchange/import_object.h"
#include "interchange/obt_import.h"
#include "scene/mesh_object.h"
#include "scene/scene.h"
#include "support/mesh_checks.h"
#include "support/test_files.h"

namespace orvane {
namespace {

using test::ExpectPoint;
using test::ExpectTriangle;

const char* const kFaceLines[] = {"0",  "3DFACE", "8",  "0",  "10", "1",  "20", "2", "30", "3",
                                  "11", "4",      "21", "5",  "31", "6",  "12", "7", "22", "8",
                                  "32", "9",      "13", "10", "23", "11", "33", "12"};

std::string Lines(const std::vector<std::string>& lines, const char* eol = "\n") {
  std::string text;
  for (const std::string& l : lines) text += l + eol;
  return text;
}

std::vector<std::string> OneFaceFile() {
  std::vector<std::string> lines = {"0", "SECTION", "2", "ENTITIES"};
  lines.insert(lines.end(), std::begin(kFaceLines), std::end(kFaceLines));
  lines.insert(lines.end(), {"0", "ENDSEC", "0", "EOF"});
  return lines;
}

TEST(Dxf, OneFaceGivesFourScaledPointsAndTwoTriangles) {
  for (const char* eol : {"\n", "\r\n"}) {
    MeshObject mesh;
    ASSERT_EQ(ReadDxfText(Lines(OneFaceFile(), eol), mesh), kDxfOk);
    ASSERT_EQ(mesh.point_count, 4u);
    ExpectPoint(mesh, 0, 5.0f, 10.0f, 15.0f);
    ExpectPoint(mesh, 3, 50.0f, 55.0f, 60.0f);
    ASSERT_EQ(mesh.triangle_count, 2u);
    ExpectTriangle(mesh, 0, 0, 1, 3);
    ExpectTriangle(mesh, 1, 1, 2, 3);
  }
}

TEST(Dxf, FacesFollowOneAnotherAndIndentedCodesAreRead) {
  std::vector<std::string> lines = OneFaceFile();
  lines.insert(lines.begin() + 4, std::begin(kFaceLines), std::end(kFaceLines));
  for (std::string& l : lines) {
    if (l.size() <= 2) l = "  " + l;  // group codes written right-aligned
  }
  MeshObject mesh;
  ASSERT_EQ(ReadDxfText(Lines(lines), mesh), kDxfOk);
  EXPECT_EQ(mesh.point_count, 8u);
  ASSERT_EQ(mesh.triangle_count, 4u);
  ExpectTriangle(mesh, 2, 4, 5, 7);
  ExpectTriangle(mesh, 3, 5, 6, 7);
}

TEST(Dxf, TriangularFacesAndValuesThatReadLikeCodes) {
  std::vector<std::string> lines = OneFaceFile();
  lines[4 + 23] = "7";  // fourth corner = third corner (7, 8, 9): a degenerate triangle stays
  lines[4 + 25] = "8";
  lines[4 + 27] = "9";
  MeshObject mesh;
  ASSERT_EQ(ReadDxfText(Lines(lines), mesh), kDxfOk);
  EXPECT_EQ(mesh.triangle_count, 2u);
  ExpectPoint(mesh, 3, 35.0f, 40.0f, 45.0f);

  lines = OneFaceFile();
  lines[4 + 3] = "10";  // layer "10": the real code line "10" becomes its x value
  MeshObject other;
  ASSERT_EQ(ReadDxfText(Lines(lines), other), kDxfOk);
  ExpectPoint(other, 0, 50.0f, 10.0f, 15.0f);
}

TEST(Dxf, RefusesOtherStartsAndCutFaces) {
  MeshObject mesh;
  std::vector<std::string> header = {"0", "SECTION", "2", "HEADER", "0", "ENDSEC"};
  std::vector<std::string> lines = OneFaceFile();
  header.insert(header.end(), lines.begin(), lines.end());
  EXPECT_EQ(ReadDxfText(Lines(header), mesh), kDxfNotEntities);
  EXPECT_EQ(ReadDxfText("", mesh), kDxfNotEntities);
  EXPECT_EQ(ReadDxf("/nonexistent/file.dxf", mesh), kDxfUnreadable);

  // Cut anywhere inside the face, before its last value.
  for (std::size_t keep = 6; keep < 4 + 28; ++keep) {
    std::vector<std::string> cut(lines.begin(), lines.begin() + static_cast<long>(keep));
    EXPECT_EQ(ReadDxfText(Lines(cut), mesh), kDxfUnreadable) << keep << " lines";
  }
  // A face with fewer than four corners before its "33".
  std::vector<std::string> short_face = {"0",      "SECTION", "2", "ENTITIES", "0",
                                         "3DFACE", "10",      "1", "33",       "2"};
  EXPECT_EQ(ReadDxfText(Lines(short_face), mesh), kDxfUnreadable);
}

TEST(Obt, SampleGivesItsPointsAndTriangles) {
  MeshObject* mesh = nullptr;
  ImportedFile read =
      ReadObtText("HM_OBT\n1.0\n4\n0 0 0\n1 0 0\n1 1 0\n0 1 -2\n2\n0 1 2 7\n0 2 3 0\n");
  ASSERT_TRUE(read.ok()) << read.text.c_str();
  std::unique_ptr<SceneObject> owned(read.object);
  mesh = static_cast<MeshObject*>(read.object);
  ASSERT_EQ(mesh->point_count, 4u);
  ExpectPoint(*mesh, 3, 0.0f, 1.0f, -2.0f);
  ASSERT_EQ(mesh->triangle_count, 2u);
  ExpectTriangle(*mesh, 0, 0, 1, 2);
  ExpectTriangle(*mesh, 1, 0, 2, 3);
}

TEST(Obt, RefusesWithTheDefinedMessages) {
  const std::string good = "HM_OBT\n1.0\n3\n0 0 0\n1 0 0\n1 1 0\n1\n0 1 2 7\n";
  struct Case {
    std::string text;
    const char* message;
  } cases[] = {
      {"HM_OBX\n1.0\n0\n0\n", "Error reading file"},
      {"HM_OBT\n1.5\n0\n0\n", "Unsupported version of the file-format!"},
      {"HM_OBT\nx\n", "Unsupported version of the file-format!"},
      {"HM_OBT\n1.0\nx\n", "Unsupported version of the file-format!"},
      {"HM_OBT\n1.0\n-1\n0\n", "Error reading file"},
      {"HM_OBT\n1.0\n3\n0 0 0\n1 0 0\n1 1 0\n1\n0 1 3 7\n", "Error reading file"},
      {"HM_OBT\n1.0\n3\n0 0 0\n1 0 0\n1 1 0\n1\n0 -1 2 7\n", "Error reading file"},
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
  for (std::size_t size = 0; size + 1 < good.size(); ++size) {
    ImportedFile read = ReadObtText(good.substr(0, size));
    EXPECT_FALSE(read.ok()) << size;
    delete read.object;
  }
  ImportedFile whole = ReadObtText(good);
  EXPECT_TRUE(whole.ok());
  delete whole.object;
}

TEST(ImportFlow, TextFormatsAreAddedOrLeaveTheSceneAlone) {
  const test::TempDir temp;
  const std::filesystem::path& dir = temp.path();
  std::ofstream(dir / "face.dxf") << Lines(OneFaceFile());
  std::ofstream(dir / "tri.obt") << "HM_OBT 1.0 3 0 0 0 1 0 0 1 1 0 1 0 1 2 0";
  std::ofstream(dir / "cut.obt") << "HM_OBT 1.0 3 0 0 0 1 0";
  Scene scene;
  CommandResult face = ImportObjectFile(scene, (dir / "face.dxf").string());
  ASSERT_TRUE(face.ok());
  EXPECT_STREQ(face.item->name.c_str(), "face");
  EXPECT_NE(face.item->material, nullptr);
  CommandResult tri = ImportObjectFile(scene, (dir / "tri.obt").string());
  ASSERT_TRUE(tri.ok());
  EXPECT_STREQ(tri.item->name.c_str(), "tri");
  EXPECT_EQ(scene.objects->count, 2);
  CommandResult cut = ImportObjectFile(scene, (dir / "cut.obt").string());
  EXPECT_FALSE(cut.ok());
  EXPECT_STREQ(cut.text.c_str(), "Error reading file");
  EXPECT_EQ(scene.objects->count, 2);
}

}  // namespace
}  // namespace orvane
