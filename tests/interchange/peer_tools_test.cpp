// Our files against independent readers and writers; each test skips itself without its tool.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>

#include "interchange/import_object.h"
#include "interchange/three_ds.h"
#include "interchange/vrml_export.h"
#include "interchange_test.h"

namespace orvane {
namespace {

using namespace test;

class PeerTools : public ::testing::Test {
 protected:
  std::string PathOf(const char* name) const { return dir_ / name; }

  // The standard output of `command`; its standard error goes to peer.log.
  std::string Output(const std::string& command) const {
    const std::string out = PathOf("peer.out"), log = PathOf("peer.log");
    EXPECT_EQ(std::system((command + " >'" + out + "' 2>'" + log + "'").c_str()), 0)
        << command << " failed:\n"
        << ReadText(log);
    return ReadText(out);
  }

  // The object read from the file `name`, owned by the fixture.
  const SceneObject* Import(const char* name) {
    ImportedFile imported = ReadObjectFile(PathOf(name));
    EXPECT_TRUE(imported.ok()) << imported.text.c_str();
    read_.reset(imported.object);
    return imported.object;
  }

  TempDir dir_;
  std::unique_ptr<SceneObject> read_;
};

// lib3ds reads the name (cut to 10 characters), points, faces and flag words we write, and we
// read what lib3ds writes back.
TEST_F(PeerTools, Lib3dsReadsOurThreeDsAndWeReadItsOwn) {
  if (!HasTool("3dsdump")) GTEST_SKIP() << "3dsdump (lib3ds-dev) is not installed";
  std::unique_ptr<MeshObject> mesh(MakeQuadMesh("FirstMesh16Chars", 0.0f));
  String title, text;
  ASSERT_TRUE(Export3ds(mesh.get(), PathOf("Ours.3ds").c_str(), &title, &text));
  // The points unchanged, an identity matrix and no material.
  EXPECT_EQ(Output("3dsdump -t '" + PathOf("Ours.3ds") + "' -w '" + PathOf("Again.3ds") + "'"),
            Expected("quad.3dsdump"));
  const std::vector<const MeshObject*> meshes = Meshes(Import("Again.3ds"));
  ASSERT_EQ(meshes.size(), 1u);
  ExpectMirrored(*mesh, *meshes[0]);
}

TEST_F(PeerTools, AssimpReadsOurThreeDsAndWeReadItsOwn) {
  if (!HasTool("assimp")) GTEST_SKIP() << "assimp (assimp-utils) is not installed";
  std::unique_ptr<MeshObject> mesh(MakeQuadMesh("Peer", 0.0f));
  String title, text;
  ASSERT_TRUE(Export3ds(mesh.get(), PathOf("Peer.3ds").c_str(), &title, &text));
  const std::string report = Output("assimp info '" + PathOf("Peer.3ds") + "'");
  EXPECT_NE(report.find("Vertices:           4\n"), std::string::npos) << report;
  EXPECT_NE(report.find("Faces:              2\n"), std::string::npos) << report;
  // assimp writes a named triangle mesh with a material, a mesh matrix, a face material group
  // and a keyframe section around it, all of which we skip.
  std::ofstream(PathOf("box.obj")) << "o Box\nv 0 0 0\nv 1 0 0\nv 1 1 0.5\nf 1 2 3\n";
  Output("assimp export '" + PathOf("box.obj") + "' '" + PathOf("Box.3ds") + "'");
  const std::vector<const MeshObject*> meshes = Meshes(Import("Box.3ds"));
  ASSERT_EQ(meshes.size(), 1u);
  ExpectMesh(*meshes[0], {{0, 0, 0}, {1, 0, 0}, {1, 1, -0.5f}}, {{0, 1, 2}});
}

// ezdxf's R12 writer starts the file with the ENTITIES section, as the import requires; its
// full document writer puts HEADER and TABLES sections first, which is refused.
TEST_F(PeerTools, DxfWrittenByEzdxf) {
  // Debian's interpreter, where python3-ezdxf puts the module, before any other python3.
  const std::string python = "/usr/bin/python3";
  if (std::system((python + " -c 'import ezdxf' >/dev/null 2>&1").c_str()) != 0)
    GTEST_SKIP() << "ezdxf (python3-ezdxf) is not installed";
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
  Output(python + " '" + PathOf("write.py") + "' '" + PathOf("Faces.dxf") + "' '" +
         PathOf("Document.dxf") + "'");
  const std::vector<const MeshObject*> meshes = Meshes(Import("Faces.dxf"));
  ASSERT_EQ(meshes.size(), 1u);
  // Scaled by 5; a triangular face repeats its third corner as the fourth.
  const std::vector<Vec3> points = {
      {0, 0, 0},  {5, 0, 0},   {5, 5, 0},  {0, 5, 0}, {7.5f, -11.25f, 0.015f},
      {10, 0, 5}, {10, 10, 5}, {10, 10, 5}};
  ExpectMesh(*meshes[0], points, {{0, 1, 3}, {1, 2, 3}, {4, 5, 7}, {5, 6, 7}});
  ImportedFile refused = ReadObjectFile(PathOf("Document.dxf"));
  EXPECT_EQ(refused.object, nullptr);
  EXPECT_STREQ(refused.text.c_str(), "Error reading file");
}

// An independent VRML reader parses an exported scene of every kind of node without a word of
// complaint, and reads back the values we wrote (z negated; the ambient 0.2 and the emissive 0
// of the material are its defaults, which it leaves out).
TEST_F(PeerTools, VrmlReadByAnIndependentReader) {
  if (!HasTool("tovrmlx3d")) GTEST_SKIP() << "tovrmlx3d (view3dscene) is not installed";
  Scene scene;
  FillScene(scene);
  ASSERT_TRUE(exportSceneVrml(scene, PathOf("scene.wrl").c_str()));
  std::string read = Output("tovrmlx3d '" + PathOf("scene.wrl") + "'");
  std::erase(read, '\t');                       // its indentation follows the nesting
  EXPECT_EQ(ReadText(PathOf("peer.log")), "");  // its warnings and errors
  for (const char* part :
       {"PointLight {", "SpotLight {", "DirectionalLight {", "Sphere {", "IndexedFaceSet {",
        "location 1 5 -2", "radius 1.5", "translation 0 0 -5", "2 1 0,\n-2 1 0,\n-2 -1 0,\n2 -1 0,",
        "Material {\ndiffuseColor 0.5 0 0\nspecularColor 0 1 0\nshininess 0.5\ntransparency "
        "0.25\n}",
        "0 0 -1,\n1 0 -2,\n1 1 3,\n0 1.5 -0.25,", "0, 1, 3, -1,\n1, 2, 3, -1,"}) {
    EXPECT_NE(read.find(part), std::string::npos) << part << " missing in\n" << read;
  }
}

}  // namespace
}  // namespace orvane
