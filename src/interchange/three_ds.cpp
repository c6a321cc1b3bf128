#include "interchange/three_ds.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/error_output.h"
#include "foundation/file_replace.h"
#include "foundation/list.h"
#include "imageio/byte_reader.h"
#include "scene/group_object.h"
#include "scene/mesh_object.h"
#include "scene/naming.h"

namespace orvane {

namespace {

constexpr uint16_t kChunkMain = 0x4D4D;
constexpr uint16_t kChunkVersion = 0x0002;
constexpr uint16_t kChunkMeshData = 0x3D3D;
constexpr uint16_t kChunkMeshVersion = 0x3D3E;
constexpr uint16_t kChunkMasterScale = 0x0100;
constexpr uint16_t kChunkNamedObject = 0x4000;
constexpr uint16_t kChunkTriangleMesh = 0x4100;
constexpr uint16_t kChunkPointArray = 0x4110;
constexpr uint16_t kChunkFaceArray = 0x4120;
constexpr uint16_t kChunkLocalMatrix = 0x4160;

constexpr std::size_t kChunkHeaderSize = 6;
constexpr std::size_t kPointSize = 12;
constexpr std::size_t kFaceSize = 8;
constexpr std::size_t kMatrixSize = 48;
constexpr uint16_t kFaceFlags = 7;
// Files larger than this are not read.
constexpr std::size_t kMaxFileSize = std::size_t{1} << 28;

struct RawMesh {
  std::string name;
  std::vector<Vec3> points;
  std::vector<uint16_t> faces;  // three indices per face
};

// Which chunks a level of the tree understands.
enum class Level { kMain, kMeshData, kNamedObject, kTriangleMesh };

class ChunkParser {
 public:
  ChunkParser(const uint8_t* data, std::size_t size) : reader_(data, size) {}

  // False when the file breaks the chunk structure anywhere.
  bool Parse() {
    std::size_t end = 0;
    uint16_t id = 0;
    if (!Header(reader_.Size(), &id, &end) || id != kChunkMain) return false;
    return Children(end, 1, Level::kMain, nullptr) && reader_.Ok();
  }

  std::vector<RawMesh> meshes;

 private:
  // Reads a chunk header at the current position; the chunk must lie within `parent_end`.
  bool Header(std::size_t parent_end, uint16_t* id, std::size_t* end) {
    const std::size_t start = reader_.Position();
    if (parent_end < start || parent_end - start < kChunkHeaderSize) return false;
    *id = reader_.U16le();
    const uint32_t length = reader_.U32le();
    if (!reader_.Ok() || length < kChunkHeaderSize || length > parent_end - start) return false;
    *end = start + length;
    return true;
  }

  // The sub-chunks from the current position up to `end`.
  bool Children(std::size_t end, int depth, Level level, const std::string* name) {
    if (depth > kMaxThreeDsDepth) return false;
    while (reader_.Position() < end) {
      uint16_t id = 0;
      std::size_t chunk_end = 0;
      if (!Header(end, &id, &chunk_end)) return false;
      if (!Chunk(id, chunk_end, depth, level, name)) return false;
      if (!reader_.Ok() || reader_.Position() > chunk_end) return false;
      reader_.Seek(chunk_end);
    }
    return reader_.Ok();
  }

  bool Chunk(uint16_t id, std::size_t end, int depth, Level level, const std::string* name) {
    switch (level) {
      case Level::kMain:
        if (id == kChunkMeshData) return Children(end, depth + 1, Level::kMeshData, nullptr);
        return true;
      case Level::kMeshData:
        if (id == kChunkNamedObject) return NamedObject(end, depth);
        return true;
      case Level::kNamedObject:
        if (id == kChunkTriangleMesh) {
          meshes.push_back(RawMesh{*name, {}, {}});
          if (!Children(end, depth + 1, Level::kTriangleMesh, nullptr)) return false;
          const RawMesh& mesh = meshes.back();
          for (uint16_t index : mesh.faces) {
            if (index >= mesh.points.size()) return false;
          }
        }
        return true;
      case Level::kTriangleMesh:
        if (id == kChunkPointArray) return PointArray(end);
        if (id == kChunkFaceArray) return FaceArray(end);
        if (id == kChunkLocalMatrix) return end - reader_.Position() >= kMatrixSize;
        return true;
    }
    return true;
  }

  bool NamedObject(std::size_t end, int depth) {
    std::string name;
    for (;;) {
      if (reader_.Position() >= end) return false;
      const char c = static_cast<char>(reader_.U8());
      if (c == '\0') break;
      name += c;
    }
    return reader_.Ok() && Children(end, depth + 1, Level::kNamedObject, &name);
  }

  bool PointArray(std::size_t end) {
    if (end - reader_.Position() < 2) return false;
    const uint16_t count = reader_.U16le();
    if (std::size_t{count} * kPointSize > end - reader_.Position()) return false;
    std::vector<Vec3>& points = meshes.back().points;
    points.clear();
    points.reserve(count);
    for (uint16_t k = 0; k < count; ++k) {
      const float x = reader_.F32le();
      const float y = reader_.F32le();
      const float z = reader_.F32le();
      points.push_back(Vec3{x, y, z});
    }
    return reader_.Ok();
  }

  // The faces; the chunk's own sub-chunks (material and smoothing groups) are skipped.
  bool FaceArray(std::size_t end) {
    if (end - reader_.Position() < 2) return false;
    const uint16_t count = reader_.U16le();
    if (std::size_t{count} * kFaceSize > end - reader_.Position()) return false;
    std::vector<uint16_t>& faces = meshes.back().faces;
    faces.clear();
    faces.reserve(std::size_t{count} * 3);
    for (uint16_t j = 0; j < count; ++j) {
      faces.push_back(reader_.U16le());
      faces.push_back(reader_.U16le());
      faces.push_back(reader_.U16le());
      reader_.U16le();  // flag word
    }
    return reader_.Ok();
  }

  ByteReader reader_;
};

ImportedFile ReadFailure() {
  ImportedFile result;
  result.title = kReadErrorTitle;
  result.text = kReadErrorText;
  return result;
}

// A MeshObject holding `raw` (z negated), or null when memory cannot be had.
MeshObject* BuildMesh(const RawMesh& raw) {
  auto* mesh = TryNew<MeshObject>();
  if (!mesh) return nullptr;
  const auto points = static_cast<uint32_t>(raw.points.size());
  const auto triangles = static_cast<uint32_t>(raw.faces.size() / 3);
  bool ok = mesh->SetPointCount(points) == 0 && mesh->SetTriangleCount(triangles) == 0;
  for (uint32_t k = 0; ok && k < points; ++k) {
    const Vec3& p = raw.points[k];
    // 0 - z rather than -z: a z of 0 stays 0 instead of becoming -0 in saved files.
    ok = mesh->SetPoint(k, p.x, p.y, 0.0f - p.z) == 0;
  }
  for (uint32_t j = 0; ok && j < triangles; ++j) {
    ok = mesh->SetTriangle(j, raw.faces[3 * j], raw.faces[3 * j + 1], raw.faces[3 * j + 2]) == 0;
  }
  if (!ok) {
    delete mesh;
    return nullptr;
  }
  return mesh;
}

bool Usable(const RawMesh& raw) {
  return !raw.points.empty() && !raw.faces.empty();
}

class ChunkWriter {
 public:
  explicit ChunkWriter(std::vector<uint8_t>& out) : out_(out) {}

  std::size_t Begin(uint16_t id) {
    const std::size_t start = out_.size();
    U16(id);
    U32(0);
    return start;
  }
  // Patches the length of the chunk begun at `start`; false when it does not fit 32 bits.
  bool End(std::size_t start) {
    const std::size_t length = out_.size() - start;
    if (length > UINT32_MAX) return false;
    for (int i = 0; i < 4; ++i)
      out_[start + 2 + static_cast<std::size_t>(i)] = static_cast<uint8_t>(length >> (8 * i));
    return true;
  }
  void U16(uint16_t v) {
    out_.push_back(static_cast<uint8_t>(v));
    out_.push_back(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void F32(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    U32(bits);
  }
  void Text(const char* s, int length) {
    for (int i = 0; i < length; ++i) out_.push_back(static_cast<uint8_t>(s[i]));
    out_.push_back(0);
  }

 private:
  std::vector<uint8_t>& out_;
};

uint32_t InRangeTriangles(const MeshObject& mesh) {
  uint32_t count = 0;
  for (uint32_t j = 0; j < mesh.triangle_count; ++j) {
    if (mesh.TriangleInRange(mesh.triangles[j])) ++count;
  }
  return count;
}

bool WriteMesh(ChunkWriter& w, const MeshObject& mesh) {
  const std::size_t named = w.Begin(kChunkNamedObject);
  const String& name = mesh.name;
  const int length = name.Length() < kThreeDsNameLength ? name.Length() : kThreeDsNameLength;
  w.Text(name.c_str(), length);
  const std::size_t trimesh = w.Begin(kChunkTriangleMesh);

  const std::size_t points = w.Begin(kChunkPointArray);
  w.U16(static_cast<uint16_t>(mesh.point_count));
  for (uint32_t k = 0; k < mesh.point_count; ++k) {
    w.F32(mesh.points[k].x);
    w.F32(mesh.points[k].y);
    w.F32(mesh.points[k].z);
  }
  if (!w.End(points)) return false;

  const std::size_t faces = w.Begin(kChunkFaceArray);
  w.U16(static_cast<uint16_t>(InRangeTriangles(mesh)));
  for (uint32_t j = 0; j < mesh.triangle_count; ++j) {
    const Triangle& t = mesh.triangles[j];
    if (!mesh.TriangleInRange(t)) continue;
    w.U16(static_cast<uint16_t>(t.a));
    w.U16(static_cast<uint16_t>(t.b));
    w.U16(static_cast<uint16_t>(t.c));
    w.U16(kFaceFlags);
  }
  if (!w.End(faces)) return false;

  // The points are stored in world coordinates, so the local frame is the identity.
  const std::size_t matrix = w.Begin(kChunkLocalMatrix);
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 3; ++col) w.F32(row == col ? 1.0f : 0.0f);
  }
  return w.End(matrix) && w.End(trimesh) && w.End(named);
}

bool Fits16Bits(const MeshObject& mesh) {
  return mesh.point_count <= UINT16_MAX && InRangeTriangles(mesh) <= UINT16_MAX;
}

void SetMessage(String* title, String* text, const char* t, const char* m) {
  if (title) *title = t;
  if (text) *text = m;
}

}  // namespace

ImportedFile Read3ds(const uint8_t* data, std::size_t size) {
  ChunkParser parser(data, size);
  if (!parser.Parse()) return ReadFailure();
  const std::vector<RawMesh>& raws = parser.meshes;
  if (raws.empty()) return {};

  ImportedFile result;
  if (raws.size() == 1) {
    if (!Usable(raws.front())) return {};
    result.object = BuildMesh(raws.front());
    return result.object ? result : ReadFailure();
  }
  auto* group = TryNew<GroupObject>();
  if (!group) return ReadFailure();
  for (const RawMesh& raw : raws) {
    if (!Usable(raw)) continue;
    MeshObject* mesh = BuildMesh(raw);
    if (!mesh) {
      delete group;
      return ReadFailure();
    }
    mesh->name = FileSafeName(String(raw.name.c_str()), "Mesh");
    if (!group->AddMember(mesh)) {
      delete mesh;
      delete group;
      return ReadFailure();
    }
  }
  if (!group->members.head) {
    delete group;
    return {};
  }
  result.object = group;
  return result;
}

ImportedFile Import3ds(const char* path) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, bytes, kMaxFileSize)) return ReadFailure();
  return Read3ds(bytes.data(), bytes.size());
}

bool Build3ds(const SceneObject* object, std::vector<uint8_t>& out, String* title, String* text) {
  out.clear();
  std::vector<const MeshObject*> meshes;
  if (object && object->GetType() == kItemMesh) {
    meshes.push_back(static_cast<const MeshObject*>(object));
  } else if (object && object->GetType() == kItemGroup) {
    const auto* group = static_cast<const GroupObject*>(object);
    for (const ListNode* n = group->members.head; n; n = n->next) {
      if (n->item && n->item->GetType() == kItemMesh)
        meshes.push_back(static_cast<const MeshObject*>(n->item));
    }
  } else {
    SetMessage(title, text, kThreeDsOnlyMeshesTitle, kThreeDsOnlyMeshesText);
    return false;
  }
  for (const MeshObject* mesh : meshes) {
    if (!Fits16Bits(*mesh)) {
      SetMessage(title, text, kWriteErrorTitle, kWriteErrorText);
      return false;
    }
  }

  ChunkWriter w(out);
  const std::size_t main = w.Begin(kChunkMain);
  const std::size_t version = w.Begin(kChunkVersion);
  w.U32(3);
  bool ok = w.End(version);
  const std::size_t data = w.Begin(kChunkMeshData);
  const std::size_t mesh_version = w.Begin(kChunkMeshVersion);
  w.U32(3);
  ok = ok && w.End(mesh_version);
  const std::size_t scale = w.Begin(kChunkMasterScale);
  w.F32(1.0f);
  ok = ok && w.End(scale);
  for (const MeshObject* mesh : meshes) ok = ok && WriteMesh(w, *mesh);
  ok = ok && w.End(data) && w.End(main);
  if (!ok) {
    out.clear();
    SetMessage(title, text, kWriteErrorTitle, kWriteErrorText);
  }
  return ok;
}

bool Export3ds(const SceneObject* object, const char* path, String* title, String* text) {
  std::vector<uint8_t> bytes;
  if (!Build3ds(object, bytes, title, text)) return false;
  const bool ok = path && ReplaceFileContents(path, bytes.data(), bytes.size());
  if (!ok) SetMessage(title, text, kWriteErrorTitle, kWriteErrorText);
  return ok;
}

}  // namespace orvane
