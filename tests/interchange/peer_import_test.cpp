// Files written by independent tools are imported: 3DS written by assimp (assimp-utils) and
// DXF written by ezdxf (python3-ezdxf). Each test skips itself where its tool is missing.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "interchange/import_object.h"
#include "scene/group_object.h"
#include "scene/mesh_object.h"

namespace orvane {
namespace {

class PeerImport : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           (std::string("orvane_peer_") + info->name() + "_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string PathOf(const char* name) const { return (dir_ / name).string(); }

  // Runs `command` with its output in a log file; a failure reports the log.
  ::testing::AssertionResult Run(const std::string& command) const {
    const std::string log = PathOf("peer.log");
    if (std::system((command + " >'" + log + "' 2>&1").c_str()) == 0)
      return ::testing::AssertionSuccess();
    std::ifstream in(log);
    const std::string output((std::istreambuf_iterator<char>(in)), {});
    return ::testing::AssertionFailure() << command << " failed:\n" << output;
  }

  std::filesystem::path dir_;
};

// Debian's interpreter, where python3-ezdxf puts the module, before any other python3 on PATH.
std::string PythonWithEzdxf() {
  for (const char* python : {"/usr/bin/python3", "python3"}) {
    const std::string probe = std::string(python) + " -c 'import ezdxf' >/dev/null 2>&1";
    if (std::system(probe.c_str()) == 0) return python;
  }
  return {};
}

void ExpectPoint(const MeshObject& mesh, uint32_t k, float x, float y, float z) {
  ASSERT_LT(k, mesh.point_count);
  EXPECT_FLOAT_EQ(mesh.points[k].x, x) << "point " << k;
  EXPECT_FLOAT_EQ(mesh.points[k].y, y) << "point " << k;
  EXPECT_FLOAT_EQ(mesh.points[k].z, z) << "point " << k;
}

void ExpectTriangle(const MeshObject& mesh, uint32_t j, uint32_t a, uint32_t b, uint32_t c) {
  ASSERT_LT(j, mesh.triangle_count);
  EXPECT_EQ(mesh.triangles[j].a, a) << "triangle " << j;
  EXPECT_EQ(mesh.triangles[j].b, b) << "triangle " << j;
  EXPECT_EQ(mesh.triangles[j].c, c) << "triangle " << j;
}

TEST_F(PeerImport, ThreeDsWrittenByAssimp) {
  if (std::system("command -v assimp >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "assimp (assimp-utils) is not installed";
  // Two objects: assimp writes one named triangle mesh each, with materials, a mesh matrix,
  // face material groups and a keyframe section around them, all of which we skip.
  std::ofstream(PathOf("Pair.obj")) << "o Box\n"
                                       "v 0 0 0\nv 1 0 0\nv 1 1 0.5\nv -2.5 1 2\n"
                                       "f 1 2 3\nf 1 3 4\n"
                                       "o Other\n"
                                       "v 5 5 5\nv 6 5 5\nv 6 6 -5\n"
                                       "f 5 6 7\n";
  ASSERT_TRUE(Run("assimp export '" + PathOf("Pair.obj") + "' '" + PathOf("Pair.3ds") + "'"));

  ImportedFile imported = ReadObjectFile(PathOf("Pair.3ds"));
  ASSERT_TRUE(imported.ok()) << imported.text.c_str();
  ASSERT_EQ(imported.object->GetType(), kItemGroup);
  const auto* group = static_cast<const GroupObject*>(imported.object);
  const ListNode* first = group->members.head;
  ASSERT_NE(first, nullptr);
  ASSERT_NE(first->next, nullptr);
  EXPECT_EQ(first->next->next, nullptr);

  const auto& box = *static_cast<const MeshObject*>(first->item);
  EXPECT_EQ(std::string(box.name.c_str()).rfind("Box", 0), 0u) << box.name.c_str();
  ASSERT_EQ(box.point_count, 4u);
  ExpectPoint(box, 0, 0.0f, 0.0f, 0.0f);
  ExpectPoint(box, 1, 1.0f, 0.0f, 0.0f);
  ExpectPoint(box, 2, 1.0f, 1.0f, -0.5f);
  ExpectPoint(box, 3, -2.5f, 1.0f, -2.0f);
  ASSERT_EQ(box.triangle_count, 2u);
  ExpectTriangle(box, 0, 0, 1, 2);
  ExpectTriangle(box, 1, 0, 2, 3);

  const auto& other = *static_cast<const MeshObject*>(first->next->item);
  EXPECT_EQ(std::string(other.name.c_str()).rfind("Other", 0), 0u) << other.name.c_str();
  ASSERT_EQ(other.point_count, 3u);
  ExpectPoint(other, 0, 5.0f, 5.0f, -5.0f);
  ExpectPoint(other, 2, 6.0f, 6.0f, 5.0f);
  ASSERT_EQ(other.triangle_count, 1u);
  ExpectTriangle(other, 0, 0, 1, 2);
  delete imported.object;
}

TEST_F(PeerImport, DxfWrittenByEzdxf) {
  const std::string python = PythonWithEzdxf();
  if (python.empty()) GTEST_SKIP() << "ezdxf (python3-ezdxf) is not installed";
  // ezdxf's R12 writer starts the file with the ENTITIES section, as the import requires.
  // Its full document writer puts HEADER and TABLES sections first, which is refused.
  std::ofstream(PathOf("write.py")) << R"(import sys
import ezdxf
from ezdxf.addons import r12writer
with r12writer(sys.argv[1]) as dxf:
    dxf.add_3dface([(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0)])
    dxf.add_3dface([(1.5, -2.25, 0.003), (2, 0, 1), (2, 2, 1)], color=3)
doc = ezdxf.new('R2010')
doc.modelspace().add_3dface([(0, 0, 0), (1, 0, 0), (1, 1, 0)])
doc.saveas(sys.argv[2])
)";
  ASSERT_TRUE(Run(python + " '" + PathOf("write.py") + "' '" + PathOf("Faces.dxf") + "' '" +
                  PathOf("Document.dxf") + "'"));

  ImportedFile imported = ReadObjectFile(PathOf("Faces.dxf"));
  ASSERT_TRUE(imported.ok()) << imported.text.c_str();
  ASSERT_EQ(imported.object->GetType(), kItemMesh);
  const auto& mesh = *static_cast<const MeshObject*>(imported.object);
  ASSERT_EQ(mesh.point_count, 8u);
  ExpectPoint(mesh, 2, 5.0f, 5.0f, 0.0f);
  ExpectPoint(mesh, 4, 7.5f, -11.25f, 0.015f);
  // A triangular face repeats its third corner as the fourth.
  ExpectPoint(mesh, 7, 10.0f, 10.0f, 5.0f);
  ASSERT_EQ(mesh.triangle_count, 4u);
  ExpectTriangle(mesh, 0, 0, 1, 3);
  ExpectTriangle(mesh, 1, 1, 2, 3);
  ExpectTriangle(mesh, 2, 4, 5, 7);
  ExpectTriangle(mesh, 3, 5, 6, 7);
  delete imported.object;

  ImportedFile refused = ReadObjectFile(PathOf("Document.dxf"));
  EXPECT_FALSE(refused.ok());
  EXPECT_EQ(refused.object, nullptr);
  EXPECT_STREQ(refused.text.c_str(), "Error reading file");
}

}  // namespace
}  // namespace orvane
