#include "interchange/three_ds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "interchange_test.h"

namespace orvane {
namespace {

using namespace test;
using Bytes = std::vector<uint8_t>;

Bytes Exported(const SceneObject& object) {
  Bytes bytes;
  String title, text;
  EXPECT_TRUE(Build3ds(&object, bytes, &title, &text)) << text.c_str();
  return bytes;
}

// Reading `bytes` succeeds; the object is owned by `owner`.
const SceneObject* Read(const Bytes& bytes, std::unique_ptr<SceneObject>& owner) {
  ImportedFile read = Read3ds(bytes.data(), bytes.size());
  EXPECT_TRUE(read.ok()) << read.text.c_str();
  owner.reset(read.object);
  return read.object;
}

void ExpectReadError(const Bytes& bytes, const std::string& what) {
  ImportedFile read = Read3ds(bytes.data(), bytes.size());
  EXPECT_FALSE(read.ok()) << what;
  EXPECT_STREQ(read.text.c_str(), "Error reading file") << what;
  delete read.object;
}

// The little-endian number of `size` bytes at `at`, and its replacement by `v`.
uint32_t Get(const Bytes& b, std::size_t at, int size) {
  uint32_t v = 0;
  for (int i = size - 1; i >= 0; --i) v = v << 8 | b[at + static_cast<std::size_t>(i)];
  return v;
}
void Put(Bytes& b, std::size_t at, int size, uint32_t v) {
  for (int i = 0; i < size; ++i)
    b[at + static_cast<std::size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

struct ChunkAt {
  uint16_t id;
  std::size_t start;
  std::size_t parent_end;
};

// Every chunk of a file we wrote, walking into the containers we write.
void Walk(const Bytes& b, std::size_t start, std::size_t end, std::vector<ChunkAt>* out) {
  while (start + 6 <= end) {
    const auto id = static_cast<uint16_t>(Get(b, start, 2));
    const uint32_t length = Get(b, start + 2, 4);
    out->push_back({id, start, end});
    std::size_t data = start + 6;
    if (id == 0x4000)
      data = std::find(b.begin() + static_cast<long>(data), b.end(), 0) - b.begin() + 1;
    if (id == 0x4D4D || id == 0x3D3D || id == 0x4000 || id == 0x4100)
      Walk(b, data, start + length, out);
    start += length;
  }
}

// A chunk of `id` holding the concatenation of `parts`.
Bytes Chunk(uint16_t id, std::initializer_list<Bytes> parts) {
  Bytes c(6);
  for (const auto& p : parts) c.insert(c.end(), p.begin(), p.end());
  Put(c, 0, 2, id);
  Put(c, 2, 4, static_cast<uint32_t>(c.size()));
  return c;
}

// A group's direct meshes become named objects (names cut to ten bytes, face flags 7); reading
// gives a group of the meshes with z negated, or for a single mesh the mesh alone.
TEST(ThreeDs, ExportWritesTheChunksImportGivesTheMeshesWithOppositeZAndTheRestIsRefused) {
  GroupObject group;
  MeshObject* meshes[] = {MakeQuadMesh("FirstMeshNameLong", 0.0f), MakeQuadMesh("Second", 5.0f)};
  group.AddMember(meshes[0]);
  group.AddMember(new MathSphere(2.0f));
  group.AddMember(meshes[1]);
  const Bytes bytes = Exported(group);
  std::vector<ChunkAt> chunks;
  Walk(bytes, 0, bytes.size(), &chunks);
  ASSERT_EQ(chunks.front().id, 0x4D4D);
  EXPECT_EQ(Get(bytes, 2, 4), bytes.size());
  std::vector<std::string> names;
  int faces_seen = 0;
  for (const ChunkAt& c : chunks) {
    if (c.id == 0x4000) names.push_back(reinterpret_cast<const char*>(&bytes[c.start + 6]));
    if (c.id != 0x4120) continue;
    ++faces_seen;
    ASSERT_EQ(Get(bytes, c.start + 6, 2), 2u);
    EXPECT_EQ(Get(bytes, c.start + 8 + 6, 2), 7u);
    EXPECT_EQ(Get(bytes, c.start + 8 + 14, 2), 7u);
  }
  EXPECT_EQ(faces_seen, 2);
  ASSERT_EQ(names, (std::vector<std::string>{"FirstMeshN", "Second"}));
  std::unique_ptr<SceneObject> owner;
  const std::vector<const MeshObject*> imported = Meshes(Read(bytes, owner));
  ASSERT_EQ(imported.size(), 2u);
  ASSERT_EQ(owner->GetType(), kItemGroup);
  for (int i = 0; i < 2; ++i) {
    EXPECT_STREQ(imported[i]->name.c_str(), names[i].c_str());
    ExpectMirrored(*meshes[i], *imported[i]);
  }
  const SceneObject* single = Read(Exported(*meshes[0]), owner);
  ASSERT_EQ(single->GetType(), kItemMesh);
  ExpectMirrored(*meshes[0], *static_cast<const MeshObject*>(single));
  // What the format cannot hold is refused.
  MathSphere sphere(1.0f);
  Bytes out;
  String title, text;
  EXPECT_FALSE(Build3ds(&sphere, out, &title, &text));
  MeshObject big;
  ASSERT_EQ(big.SetPointCount(65536), 0);
  EXPECT_FALSE(Build3ds(&big, out, &title, &text));
  EXPECT_STREQ(text.c_str(), "Error writing file");
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(Export3ds(meshes[0], "/nonexistent-dir/x.3ds", &title, &text));
  EXPECT_STREQ(text.c_str(), "Error writing file");
}

TEST(ThreeDs, SkipsUnknownChunksAndDropsEmptyMeshes) {
  const Bytes point = {0, 0, 0, 0, 0, 0, 0x80, 0x3F, 0, 0, 0, 0};  // (0, 1, 0)
  const Bytes points = Chunk(0x4110, {{3, 0}, point, point, point});
  const Bytes faces =
      Chunk(0x4120, {{1, 0, 0, 0, 1, 0, 2, 0, 0, 0}, Chunk(0x4150, {{1, 0, 0, 0}})});
  const Bytes unknown = Chunk(0xB000, {{1, 2, 3, 4, 5}});
  const Bytes empty = Chunk(0x4000, {{'B', 0}, Chunk(0x4100, {points})});
  const Bytes file = Chunk(
      0x4D4D,
      {unknown,
       Chunk(0x3D3D, {unknown, Chunk(0x4000, {{'A', 0}, Chunk(0x4100, {unknown, faces, points})}),
                      empty})});
  std::unique_ptr<SceneObject> owner;
  const std::vector<const MeshObject*> meshes = Meshes(Read(file, owner));
  ASSERT_EQ(meshes.size(), 1u);
  ASSERT_EQ(owner->GetType(), kItemGroup);
  EXPECT_STREQ(meshes[0]->name.c_str(), "A");
  EXPECT_EQ(meshes[0]->point_count, 3u);
  EXPECT_FALSE(std::signbit(meshes[0]->points[0].z));  // a z of 0 stays 0, not -0
  EXPECT_EQ(meshes[0]->triangle_count, 1u);
  // A single mesh without faces builds nothing and says nothing.
  const Bytes lone = Chunk(0x4D4D, {Chunk(0x3D3D, {empty})});
  ImportedFile none = Read3ds(lone.data(), lone.size());
  EXPECT_FALSE(none.ok());
  EXPECT_TRUE(none.text.IsEmpty());
}

TEST(ThreeDs, RefusesEveryBrokenLengthAndCountAndDeepNesting) {
  GroupObject group;
  group.AddMember(MakeQuadMesh("One", 0.0f));
  group.AddMember(MakeQuadMesh("Two", 1.0f));
  const Bytes good = Exported(group);
  std::vector<ChunkAt> chunks;
  Walk(good, 0, good.size(), &chunks);
  for (const ChunkAt& c : chunks) {
    const auto beyond_parent = static_cast<uint32_t>(c.parent_end - c.start + 1);
    for (uint32_t length :
         {0u, 5u, static_cast<uint32_t>(good.size() + 1), beyond_parent, 0xFFFFFFFFu}) {
      Bytes bad = good;
      Put(bad, c.start + 2, 4, length);
      ExpectReadError(bad, "chunk " + std::to_string(c.id) + " length " + std::to_string(length));
    }
    Bytes bad = good;
    if (c.id == 0x4110 || c.id == 0x4120) {
      Put(bad, c.start + 6, 2, Get(good, c.start + 6, 2) + 1);
      ExpectReadError(bad, "count beyond the data");
      Put(bad, c.start + 6, 2, 0xFFFF);
      ExpectReadError(bad, "count 65535");
    }
    if (c.id == 0x4120) {
      bad = good;
      Put(bad, c.start + 8 + 2, 2, 4);  // the second corner of the first face; 4 points
      ExpectReadError(bad, "face index beyond the points");
    }
  }
  Bytes not_main = good;
  Put(not_main, 0, 2, 0x3D3D);
  ExpectReadError(not_main, "no main chunk");
  ExpectReadError(Chunk(0x4D4D, {Chunk(0x3D3D, {Chunk(0x4000, {{'A', 'B'}})})}),
                  "name without its end");
  // Deeply nested chunks do not exhaust the reader.
  const std::size_t depth = 200000;
  Bytes nested(6 * depth);
  for (std::size_t i = 0; i < depth; ++i) {
    Put(nested, 6 * i, 2, i % 2 ? 0x3D3D : 0x4D4D);
    Put(nested, 6 * i + 2, 4, static_cast<uint32_t>(6 * (depth - i)));
  }
  ImportedFile read = Read3ds(nested.data(), nested.size());
  EXPECT_FALSE(read.ok());
  delete read.object;
}

}  // namespace
}  // namespace orvane
