// Our files against independent implementations: 3DS read and written by assimp
// (assimp-utils) and by lib3ds (its 3dsdump, from lib3ds-dev), DXF written by ezdxf
// (python3-ezdxf), VRML 1.0 read by tovrmlx3d (view3dscene). Each test skips itself where its
// tool is missing.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "interchange/import_object.h"
#include "interchange/three_ds.h"
#include "interchange/vrml_export.h"
#include "material/material.h"
#include "scene/group_object.h"
#include "scene/light_source.h"
#include "scene/math_plane.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"
#include "scene/scene.h"
#include "support/mesh_checks.h"
#include "support/test_files.h"

namespace orvane {
namespace {

using test::ExpectMirrored;
using test::ExpectPoint;
using test::ExpectTriangle;
using test::MakeQuadMesh;

class PeerTools : public ::testing::Test {
 protected:
  std::string PathOf(const char* name) const { return dir_ / name; }

  // Runs `command` with its output in a log file, or its standard output in `out` when given;
  // a failure reports the log.
  ::testing::AssertionResult Run(const std::string& command, const char* out = nullptr) const {
    const std::string log = "'" + PathOf("peer.log") + "'";
    const std::string redirect = out ? " >'" + PathOf(out) + "' 2>>" + log : " >>" + log + " 2>&1";
    if (std::system((command + redirect).c_str()) == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << command << " failed:\n" << Read("peer.log");
  }

  std::string Read(const char* name) const { return test::ReadText(PathOf(name)); }

  // The standard output of `command`.
  std::string Output(const std::string& command) const {
    EXPECT_TRUE(Run(command, "peer.out"));
    return Read("peer.out");
  }

  test::TempDir dir_;
};

// What lib3ds's 3dsdump prints for the meshes of `mesh`'s export under the name `name`.
std::string DumpOf(const MeshObject& mesh, const char* name) {
  std::ostringstream dump;
  dump << "  " << name << " vertices=" << mesh.point_count << " faces=" << mesh.triangle_count
       << "\n  matrix:\n";
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column) dump << (row == column ? "1" : "0") << ".000000 ";
    dump << "\n";
  }
  dump << "  point list:\n";
  char line[128];
  for (uint32_t k = 0; k < mesh.point_count; ++k) {
    std::snprintf(line, sizeof line, "    %f %f %f\n", mesh.points[k].x, mesh.points[k].y,
                  mesh.points[k].z);
    dump << line;
  }
  dump << "  facelist:\n";
  for (uint32_t j = 0; j < mesh.triangle_count; ++j) {
    std::snprintf(line, sizeof line, "    %4u %4u %4u  smoothing:0  flags:7  material:\"\"\n",
                  mesh.triangles[j].a, mesh.triangles[j].b, mesh.triangles[j].c);
    dump << line;
  }
  return dump.str();
}

// Debian's interpreter, where python3-ezdxf puts the module, before any other python3 on PATH.
std::string PythonWithEzdxf() {
  for (const char* python : {"/usr/bin/python3", "python3"}) {
    const std::string probe = std::string(python) + " -c 'import ezdxf' >/dev/null 2>&1";
    if (std::system(probe.c_str()) == 0) return python;
  }
  return {};
}

TEST_F(PeerTools, AssimpReadsOurThreeDs) {
  if (!test::HasTool("assimp")) GTEST_SKIP() << "assimp (assimp-utils) is not installed";
  std::unique_ptr<MeshObject> mesh(MakeQuadMesh("Peer", 0.0f));
  String title, text;
  ASSERT_TRUE(Export3ds(mesh.get(), PathOf("Peer.3ds").c_str(), &title, &text));
  const std::string report = Output("assimp info '" + PathOf("Peer.3ds") + "'");
  EXPECT_NE(report.find("Vertices:           4\n"), std::string::npos) << report;
  EXPECT_NE(report.find("Faces:              2\n"), std::string::npos) << report;
}

// lib3ds reads the names (cut to 10 characters), points, faces and flag words we write, and we
// read what lib3ds writes back.
TEST_F(PeerTools, Lib3dsReadsOurThreeDsAndWeReadItsOwn) {
  if (!test::HasTool("3dsdump")) GTEST_SKIP() << "3dsdump (lib3ds-dev) is not installed";
  GroupObject group;
  // lib3ds keeps its meshes sorted by name, so the names sort in file order here.
  auto* first = MakeQuadMesh("FirstMesh16Chars", 0.0f);
  auto* second = MakeQuadMesh("Second", 5.0f);
  group.AddMember(first);
  group.AddMember(second);
  String title, text;
  ASSERT_TRUE(Export3ds(&group, PathOf("Pair.3ds").c_str(), &title, &text));
  const std::string dump =
      Output("3dsdump -t '" + PathOf("Pair.3ds") + "' -w '" + PathOf("Again.3ds") + "'");
  EXPECT_EQ(dump,
            "Dumping meshes:\n" + DumpOf(*first, "FirstMesh1") + DumpOf(*second, "Second") + "\n");

  ImportedFile again = ReadObjectFile(PathOf("Again.3ds"));
  ASSERT_TRUE(again.ok()) << again.text.c_str();
  std::unique_ptr<SceneObject> owned(again.object);
  ASSERT_EQ(again.object->GetType(), kItemGroup);
  const ListNode* node = static_cast<const GroupObject*>(again.object)->members.head;
  for (const MeshObject* original : {first, second}) {
    ASSERT_NE(node, nullptr);
    ExpectMirrored(*original, *static_cast<const MeshObject*>(node->item));
    node = node->next;
  }
  EXPECT_EQ(node, nullptr);
}

TEST_F(PeerTools, ThreeDsWrittenByAssimp) {
  if (!test::HasTool("assimp")) GTEST_SKIP() << "assimp (assimp-utils) is not installed";
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

TEST_F(PeerTools, DxfWrittenByEzdxf) {
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

// An independent VRML reader parses an exported scene of every kind of node without a word of
// complaint, and reads back the values we wrote (z negated).
TEST_F(PeerTools, VrmlReadByAnIndependentReader) {
  if (!test::HasTool("tovrmlx3d")) GTEST_SKIP() << "tovrmlx3d (view3dscene) is not installed";
  Scene scene;
  std::ostringstream errors;
  ASSERT_TRUE(scene.EnsureLists(errors));
  auto* red = new Material;
  red->name = "red";
  red->setColour(kDiffuse, 255, 0, 0);
  ASSERT_TRUE(scene.materials->Append(red, 1));
  for (int i = 0; i < 3; ++i) {  // point, spot and parallel light
    auto* light = new LightSource;
    light->light_type = i == 1 ? kSpotLight : kPointLight;
    light->parallel = i == 2 ? 1 : 0;
    light->placement.position = {1.0f + static_cast<float>(i), 5.0f, 2.0f};
    ASSERT_TRUE(scene.lights->Append(light, 1));
  }
  auto* sphere = new MathSphere(1.5f);
  sphere->placement.position = {0.0f, 0.0f, 5.0f};
  sphere->material = red;
  ASSERT_TRUE(scene.objects->Append(sphere, 1));
  for (int type : {kPlaneRectangle, kPlaneCircle, kPlaneEllipse}) {
    auto* plane = new MathPlane;
    ASSERT_TRUE(plane->SetPlaneType(type));
    ASSERT_TRUE(plane->SetRadiusX(2.0f));
    ASSERT_TRUE(plane->SetRadiusY(1.0f));
    plane->material = red;
    ASSERT_TRUE(scene.objects->Append(plane, 1));
  }
  auto* group = new GroupObject;
  MeshObject* mesh = MakeQuadMesh("Quad", 0.0f);
  mesh->material = red;
  ASSERT_TRUE(group->AddMember(mesh));
  ASSERT_TRUE(scene.objects->Append(group, 1));

  ASSERT_TRUE(exportSceneVrml(scene, PathOf("scene.wrl").c_str()));
  std::string read = Output("tovrmlx3d '" + PathOf("scene.wrl") + "'");
  std::erase(read, '\t');           // its indentation follows the nesting
  EXPECT_EQ(Read("peer.log"), "");  // its warnings and errors
  for (const char* node : {"PointLight {", "SpotLight {", "DirectionalLight {", "Sphere {",
                           "IndexedFaceSet {", "coordIndex"}) {
    EXPECT_NE(read.find(node), std::string::npos) << node << " missing in\n" << read;
  }
  EXPECT_NE(read.find("location 1 5 -2"), std::string::npos) << read;
  EXPECT_NE(read.find("radius 1.5"), std::string::npos) << read;
  EXPECT_NE(read.find("translation 0 0 -5"), std::string::npos) << read;
  // The quad's points with z negated, and its two triangles.
  EXPECT_NE(read.find("0 0 -1,\n1 0 -2,\n1 1 3,\n0 1.5 -0.25,"), std::string::npos) << read;
  EXPECT_NE(read.find("0, 1, 3, -1,\n1, 2, 3, -1,"), std::string::npos) << read;
}

}  // namespace
}  // namespace orvane
