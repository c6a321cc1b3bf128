#include "interchange/three_ds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "interchange/import_object.h"
#include "material/material.h"
#include "scene/group_object.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"
#include "scene/scene.h"
#include "support/mesh_checks.h"
#include "support/test_files.h"

namespace orvane {
namespace {

using test::ExpectMirrored;
using test::MakeQuadMesh;

std::vector<uint8_t> Exported(const SceneObject& object) {
  std::vector<uint8_t> bytes;
  String title, text;
  EXPECT_TRUE(Build3ds(&object, bytes, &title, &text)) << text.c_str();
  return bytes;
}

void ExpectReadError(const std::vector<uint8_t>& bytes, const char* what) {
  ImportedFile read = Read3ds(bytes.data(), bytes.size());
  EXPECT_FALSE(read.ok()) << what;
  EXPECT_STREQ(read.text.c_str(), "Error reading file") << what;
  EXPECT_STREQ(read.title.c_str(), "Error") << what;
  delete read.object;
}

uint16_t U16At(const std::vector<uint8_t>& b, std::size_t at) {
  return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}
uint32_t U32At(const std::vector<uint8_t>& b, std::size_t at) {
  return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 |
         uint32_t{b[at + 3]} << 24;
}
void PutU16(std::vector<uint8_t>& b, std::size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void PutU32(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b[at + static_cast<std::size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

struct ChunkAt {
  uint16_t id;
  std::size_t start;
  std::size_t parent_end;
};

// Every chunk of a file we wrote, walking into the containers we write.
void Walk(const std::vector<uint8_t>& b, std::size_t start, std::size_t end,
          std::vector<ChunkAt>* out) {
  while (start + 6 <= end) {
    const uint16_t id = U16At(b, start);
    const uint32_t length = U32At(b, start + 2);
    out->push_back({id, start, end});
    std::size_t data = start + 6;
    if (id == 0x4000)
      data = std::find(b.begin() + static_cast<long>(data), b.end(), 0) - b.begin() + 1;
    if (id == 0x4D4D || id == 0x3D3D || id == 0x4000 || id == 0x4100)
      Walk(b, data, start + length, out);
    start += length;
  }
}

std::vector<uint8_t> Chunk(uint16_t id, const std::vector<uint8_t>& body) {
  std::vector<uint8_t> c(6);
  PutU16(c, 0, id);
  PutU32(c, 2, static_cast<uint32_t>(body.size() + 6));
  c.insert(c.end(), body.begin(), body.end());
  return c;
}
std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// The chunks hold face flags 7 and names cut to ten bytes; reading gives the mesh back with z
// negated.
TEST(ThreeDs, ExportWritesTheChunksAndImportGivesTheMeshWithOppositeZ) {
  std::unique_ptr<MeshObject> mesh(MakeQuadMesh("ABCDEFGHIJKLMNOP", 0.0f));
  const std::vector<uint8_t> bytes = Exported(*mesh);
  std::vector<ChunkAt> chunks;
  Walk(bytes, 0, bytes.size(), &chunks);
  ASSERT_EQ(chunks.front().id, 0x4D4D);
  EXPECT_EQ(U32At(bytes, 2), bytes.size());
  int faces_seen = 0;
  for (const ChunkAt& c : chunks) {
    if (c.id == 0x4000) {
      EXPECT_STREQ(reinterpret_cast<const char*>(&bytes[c.start + 6]), "ABCDEFGHIJ");
    }
    if (c.id == 0x4120) {
      ++faces_seen;
      ASSERT_EQ(U16At(bytes, c.start + 6), 2);
      EXPECT_EQ(U16At(bytes, c.start + 8 + 6), 7);
      EXPECT_EQ(U16At(bytes, c.start + 8 + 14), 7);
    }
  }
  EXPECT_EQ(faces_seen, 1);

  ImportedFile read = Read3ds(bytes.data(), bytes.size());
  ASSERT_TRUE(read.ok());
  std::unique_ptr<SceneObject> owned(read.object);
  ASSERT_EQ(read.object->GetType(), kItemMesh);
  ExpectMirrored(*mesh, *static_cast<MeshObject*>(read.object));
}

TEST(ThreeDs, GroupsExportTheirDirectMeshesAndImportAsAGroup) {
  GroupObject group;
  group.AddMember(MakeQuadMesh("FirstMeshNameLong", 0.0f));
  group.AddMember(new MathSphere(2.0f));
  group.AddMember(MakeQuadMesh("Second", 5.0f));
  group.AddMember(MakeQuadMesh("Third", 9.0f));
  const std::vector<uint8_t> bytes = Exported(group);
  ImportedFile read = Read3ds(bytes.data(), bytes.size());
  ASSERT_TRUE(read.ok());
  std::unique_ptr<SceneObject> owned(read.object);
  ASSERT_EQ(read.object->GetType(), kItemGroup);
  const auto* imported = static_cast<GroupObject*>(read.object);
  const char* names[] = {"FirstMeshN", "Second", "Third"};
  const ListNode* original = group.members.head;
  int i = 0;
  for (const ListNode* n = imported->members.head; n; n = n->next, ++i) {
    ASSERT_LT(i, 3);
    ASSERT_EQ(n->item->GetType(), kItemMesh);
    EXPECT_STREQ(static_cast<const SceneObject*>(n->item)->name.c_str(), names[i]);
    if (original->item->GetType() != kItemMesh) original = original->next;
    ExpectMirrored(*static_cast<const MeshObject*>(original->item),
                   *static_cast<const MeshObject*>(n->item));
    original = original->next;
  }
  EXPECT_EQ(i, 3);
}

TEST(ThreeDs, ExportRefusesWhatTheFormatCannotHold) {
  MathSphere sphere(1.0f);
  std::vector<uint8_t> bytes;
  String title, text;
  EXPECT_FALSE(Build3ds(&sphere, bytes, &title, &text));
  EXPECT_STREQ(title.c_str(), "Attention");
  EXPECT_STREQ(text.c_str(),
               "For 3D-Studio (.3ds) you only can save 3D-Mesh-Objects (in Group-Objects).");

  MeshObject big;
  ASSERT_EQ(big.SetPointCount(65536), 0);
  EXPECT_FALSE(Build3ds(&big, bytes, &title, &text));
  EXPECT_STREQ(text.c_str(), "Error writing file");
  EXPECT_TRUE(bytes.empty());

  std::unique_ptr<MeshObject> mesh(MakeQuadMesh("Cube", 0.0f));
  EXPECT_FALSE(Export3ds(mesh.get(), "/nonexistent-dir/x.3ds", &title, &text));
  EXPECT_STREQ(text.c_str(), "Error writing file");
}

TEST(ThreeDs, SkipsUnknownChunksAndDropsEmptyMeshes) {
  const std::vector<uint8_t> point = {0, 0, 0, 0, 0, 0, 0x80, 0x3F, 0, 0, 0, 0};  // (0, 1, 0)
  std::vector<uint8_t> points = {3, 0};
  for (int i = 0; i < 3; ++i) points.insert(points.end(), point.begin(), point.end());
  const std::vector<uint8_t> faces =
      Cat({{1, 0, 0, 0, 1, 0, 2, 0, 0, 0}, Chunk(0x4150, {1, 0, 0, 0})});
  const std::vector<uint8_t> unknown = Chunk(0xB000, {1, 2, 3, 4, 5});
  const std::vector<uint8_t> trimesh =
      Chunk(0x4100, Cat({unknown, Chunk(0x4120, faces), Chunk(0x4110, points)}));
  const std::vector<uint8_t> empty = Chunk(0x4100, Chunk(0x4110, points));
  const std::vector<uint8_t> file = Chunk(
      0x4D4D, Cat({unknown, Chunk(0x3D3D, Cat({unknown, Chunk(0x4000, Cat({{'A', 0}, trimesh})),
                                               Chunk(0x4000, Cat({{'B', 0}, empty}))}))}));
  ImportedFile read = Read3ds(file.data(), file.size());
  ASSERT_TRUE(read.ok());
  std::unique_ptr<SceneObject> owned(read.object);
  ASSERT_EQ(read.object->GetType(), kItemGroup);
  const auto* group = static_cast<GroupObject*>(read.object);
  ASSERT_NE(group->members.head, nullptr);
  EXPECT_EQ(group->members.head->next, nullptr);
  const auto* mesh = static_cast<MeshObject*>(group->members.head->item);
  EXPECT_STREQ(mesh->name.c_str(), "A");
  EXPECT_EQ(mesh->point_count, 3u);
  EXPECT_EQ(mesh->triangle_count, 1u);

  // A single mesh without faces builds nothing and says nothing.
  const std::vector<uint8_t> lone =
      Chunk(0x4D4D, Chunk(0x3D3D, Chunk(0x4000, Cat({{'B', 0}, empty}))));
  ImportedFile none = Read3ds(lone.data(), lone.size());
  EXPECT_FALSE(none.ok());
  EXPECT_TRUE(none.text.IsEmpty());
}

TEST(ThreeDs, RefusesEveryBrokenLengthAndCount) {
  GroupObject group;
  group.AddMember(MakeQuadMesh("One", 0.0f));
  group.AddMember(MakeQuadMesh("Two", 1.0f));
  const std::vector<uint8_t> good = Exported(group);

  for (std::size_t size = 0; size < good.size(); ++size) {
    ExpectReadError(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(size)),
                    ("truncated to " + std::to_string(size)).c_str());
  }

  std::vector<ChunkAt> chunks;
  Walk(good, 0, good.size(), &chunks);
  ASSERT_GT(chunks.size(), 10u);
  for (const ChunkAt& c : chunks) {
    const uint32_t beyond_parent = static_cast<uint32_t>(c.parent_end - c.start + 1);
    for (uint32_t length :
         {0u, 5u, static_cast<uint32_t>(good.size() + 1), beyond_parent, 0xFFFFFFFFu}) {
      std::vector<uint8_t> bad = good;
      PutU32(bad, c.start + 2, length);
      ExpectReadError(
          bad, ("chunk " + std::to_string(c.id) + " length " + std::to_string(length)).c_str());
    }
    if (c.id == 0x4110 || c.id == 0x4120) {
      std::vector<uint8_t> bad = good;
      PutU16(bad, c.start + 6, static_cast<uint16_t>(U16At(good, c.start + 6) + 1));
      ExpectReadError(bad, "count beyond the data");
      PutU16(bad, c.start + 6, 0xFFFF);
      ExpectReadError(bad, "count 65535");
    }
    if (c.id == 0x4120) {
      std::vector<uint8_t> bad = good;
      PutU16(bad, c.start + 8 + 2, 4);  // the second corner of the first face; 4 points
      ExpectReadError(bad, "face index beyond the points");
    }
  }

  std::vector<uint8_t> not_main = good;
  PutU16(not_main, 0, 0x3D3D);
  ExpectReadError(not_main, "no main chunk");
  std::vector<uint8_t> unterminated = Chunk(0x4D4D, Chunk(0x3D3D, Chunk(0x4000, {'A', 'B'})));
  ExpectReadError(unterminated, "name without its end");
}

TEST(ThreeDs, DeeplyNestedChunksDoNotExhaustTheReader) {
  const std::size_t depth = 200000;
  std::vector<uint8_t> nested(6 * depth);
  for (std::size_t i = 0; i < depth; ++i) {
    PutU16(nested, 6 * i, i == 0 ? 0x4D4D : (i % 2 ? 0x3D3D : 0x4D4D));
    PutU32(nested, 6 * i + 2, static_cast<uint32_t>(6 * (depth - i)));
  }
  ImportedFile read = Read3ds(nested.data(), nested.size());
  EXPECT_FALSE(read.ok());
  delete read.object;
}

TEST(ThreeDs, ImportFlowNamesAfterTheFileAndGivesTheDefaultMaterial) {
  const test::TempDir temp;
  const std::filesystem::path& dir = temp.path();
  GroupObject group;
  group.AddMember(MakeQuadMesh("Alpha", 0.0f));
  group.AddMember(MakeQuadMesh("Beta", 3.0f));
  const std::string path = (dir / "Parts.3ds").string();
  String title, text;
  ASSERT_TRUE(Export3ds(&group, path.c_str(), &title, &text));

  Scene scene;
  CommandResult first = ImportObjectFile(scene, path);
  ASSERT_TRUE(first.ok());
  EXPECT_STREQ(first.item->name.c_str(), "Parts");
  for (ListNode* n = static_cast<GroupObject*>(first.item)->members.head; n; n = n->next) {
    const Material* material = static_cast<const SceneObject*>(n->item)->material;
    ASSERT_NE(material, nullptr);
    EXPECT_STREQ(material->name.c_str(), "standard");
  }
  CommandResult second = ImportObjectFile(scene, path);
  ASSERT_TRUE(second.ok());
  EXPECT_STREQ(second.item->name.c_str(), "Parts1");

  ImportedFile again = ReadObjectFile(path);
  ASSERT_TRUE(again.ok());
  CommandResult taken = AddImportedObject(scene, again, "Parts");
  EXPECT_FALSE(taken.ok());
  EXPECT_STREQ(taken.text.c_str(),
               "There is a object with the same name.\nPlease change the name!");
  ASSERT_NE(again.object, nullptr);  // still ours: the caller may ask for another name
  EXPECT_TRUE(AddImportedObject(scene, again, "Other").ok());
  EXPECT_EQ(again.object, nullptr);

  std::ofstream(dir / "Broken.3ds", std::ios::binary) << "MM\x10";
  const ListNode* tail = scene.objects->tail;
  CommandResult broken = ImportObjectFile(scene, (dir / "Broken.3ds").string());
  EXPECT_FALSE(broken.ok());
  EXPECT_STREQ(broken.text.c_str(), "Error reading file");
  EXPECT_EQ(scene.objects->tail, tail);
}

}  // namespace
}  // namespace orvane
