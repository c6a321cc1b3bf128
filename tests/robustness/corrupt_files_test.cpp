// The corrupt-file corpus: every reader meets its valid files cut short at every length, with
// each 16- and 32-bit field of their heads set to 0, 1, -1 and the largest positive value,
// nested deeper than any real file, and plain garbage. Each answers with its defined failure
// (and message) or with a result whose indexes hold; a script leaves what the scene held
// before it as it was. The corpus is made here from valid files, so it costs no files of its
// own; under the sanitizer build nothing may be reported.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "editor/settings.h"
#include "imageio/dib.h"
#include "imageio/ilbm.h"
#include "imageio/jpeg.h"
#include "imageio/picture.h"
#include "interchange/dxf_import.h"
#include "interchange/obt_import.h"
#include "interchange/three_ds.h"
#include "scene/group_object.h"
#include "scene/mesh_object.h"
#include "script/interpreter.h"
#include "script/scene_commands.h"
#include "script/scene_writer.h"
#include "support/test_files.h"

namespace orvane {
namespace {

using Bytes = std::vector<uint8_t>;

std::string SourceFile(const char* path) {
  std::ifstream in(std::string(ORVANE_SOURCE_DIR) + "/" + path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The variants of a binary file: cut at every length, each field of its first 128 bytes
// overwritten, and garbage of the same first bytes.
std::vector<Bytes> BinaryVariants(const Bytes& seed, bool big_endian) {
  std::vector<Bytes> variants;
  for (std::size_t n = 0; n < seed.size(); ++n)
    variants.emplace_back(seed.begin(), seed.begin() + n);
  const uint32_t values[] = {0, 1, 0xFFFFFFFFu, 0x7FFFFFFFu};
  for (std::size_t at = 0; at < std::min<std::size_t>(seed.size(), 128); ++at) {
    for (int width : {2, 4}) {
      if (at + width > seed.size()) continue;
      for (uint32_t value : values) {
        if (width == 2) value = value == 0x7FFFFFFFu ? 0x7FFF : value & 0xFFFF;
        Bytes v = seed;
        for (int i = 0; i < width; ++i) {
          const int shift = 8 * (big_endian ? width - 1 - i : i);
          v[at + i] = static_cast<uint8_t>(value >> shift);
        }
        variants.push_back(std::move(v));
      }
    }
  }
  std::mt19937 random(7);
  for (int k = 0; k < 64; ++k) {
    Bytes v(seed.begin(), seed.begin() + std::min<std::size_t>(seed.size(), k % 16));
    const std::size_t more = random() % 400;
    for (std::size_t i = 0; i < more; ++i) v.push_back(static_cast<uint8_t>(random()));
    variants.push_back(std::move(v));
  }
  return variants;
}

// The variants of a text file: cut at every length, and each line replaced by numbers that
// are empty, negative, huge or no number at all, or left out.
std::vector<std::string> TextVariants(const std::string& seed) {
  std::vector<std::string> variants;
  for (std::size_t n = 0; n < seed.size(); ++n) variants.push_back(seed.substr(0, n));
  std::vector<std::string> lines;
  std::istringstream in(seed);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    for (const char* value : {"", "-1", "0", "99999999999999999999", "nan", "1e38", "<"}) {
      std::string v;
      for (std::size_t j = 0; j < lines.size(); ++j) {
        if (j != i) {
          v += lines[j] + "\n";
        } else if (*value || j % 2) {  // every other line is left out instead of emptied
          v += std::string(value) + "\n";
        }
      }
      variants.push_back(v);
    }
  }
  return variants;
}

bool MeshIndexesHold(const MeshObject& mesh) {
  for (uint32_t j = 0; j < mesh.triangle_count; ++j) {
    if (!mesh.TriangleInRange(mesh.triangles[j])) return false;
  }
  return true;
}

bool ImportedHolds(const ImportedFile& read) {
  if (!read.ok()) return true;
  bool holds = true;
  if (read.object->GetType() == kItemMesh) {
    holds = MeshIndexesHold(*static_cast<MeshObject*>(read.object));
  } else {
    for (ListNode* n = static_cast<GroupObject*>(read.object)->members.head; n; n = n->next)
      holds = holds && MeshIndexesHold(*static_cast<MeshObject*>(n->item));
  }
  delete read.object;
  return holds;
}

Bytes IlbmSeed(bool compress) {
  Picture picture;
  EXPECT_TRUE(picture.Create(17, 5, 8));
  picture.paletteCount = 256;
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 17; ++x) picture.SetPixel(x, y, static_cast<uint8_t>(x * 13 + y));
  Bytes bytes;
  EXPECT_TRUE(writeILBM(picture, bytes, compress));
  return bytes;
}

Bytes BmpSeed() {
  CDIB dib;
  EXPECT_TRUE(dib.Create24(5, 3));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) dib.SetPixel(x, y, uint8_t(40 * x), uint8_t(80 * y), 200);
  Bytes bytes;
  EXPECT_TRUE(dib.WriteMemory(bytes));
  return bytes;
}

Bytes JpegSeed(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  JpegEncoder encoder;
  EXPECT_TRUE(encoder.Start(file, 8, 8, 75));
  uint8_t row[8 * 3];
  for (int y = 0; y < 8; ++y) {
    for (int i = 0; i < 24; ++i) row[i] = static_cast<uint8_t>(i * 10 + y * 20);
    encoder.WriteRow(row);
  }
  EXPECT_TRUE(encoder.Finish());
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes ThreeDsSeed() {
  ImportedFile read = ReadObtText(SourceFile("fuzz/corpus/obt/tetrahedron.obt"));
  EXPECT_TRUE(read.ok());
  Bytes bytes;
  String title, text;
  EXPECT_TRUE(Build3ds(read.object, bytes, &title, &text));
  delete read.object;
  return bytes;
}

// A 3DS file of `depth` editor chunks each inside the one before, every length telling the
// truth.
Bytes Nested3ds(int depth) {
  Bytes bytes;
  for (int level = 0; level < depth; ++level) {
    const uint32_t length = static_cast<uint32_t>(6 * (depth - level));
    const uint16_t id = level == 0 ? 0x4D4D : 0x3D3D;
    bytes.insert(bytes.end(), {uint8_t(id), uint8_t(id >> 8), uint8_t(length), uint8_t(length >> 8),
                               uint8_t(length >> 16), uint8_t(length >> 24)});
  }
  return bytes;
}

class CorruptFilesTest : public ::testing::Test {
 protected:
  test::TempDir temp_;
  std::string dir_ = temp_.path().string();
};

TEST_F(CorruptFilesTest, PictureReadersFailWithTheirMessages) {
  for (bool compress : {true, false}) {
    for (const Bytes& v : BinaryVariants(IlbmSeed(compress), true)) {
      Picture picture;
      const int read = readILBM(picture, v.data(), v.size(), true);
      ASSERT_GE(read, 0);
      ASSERT_LE(read, kIlbmPaletteRead | kIlbmBodyRead);
      if (read & kIlbmBodyRead) {
        ASSERT_TRUE(picture.Width() > 0 && picture.Height() > 0);
      }
    }
  }
  for (const Bytes& v : BinaryVariants(BmpSeed(), false)) {
    CDIB dib;
    if (dib.ReadMemory(v.data(), v.size())) {
      ASSERT_TRUE(dib.HasImage() && dib.Width() > 0 && dib.Height() > 0);
    } else {
      ASSERT_FALSE(dib.LastError().empty());
      ASSERT_FALSE(dib.HasImage());
    }
  }
  for (const Bytes& v : BinaryVariants(JpegSeed(dir_ + "/seed.jpg"), true)) {
    CDIB dib;
    std::string error;
    if (!ReadJpegMemory(v.data(), v.size(), dib, &error, int64_t{1} << 22)) {
      ASSERT_FALSE(error.empty());
      ASSERT_FALSE(dib.HasImage());
    }
  }
}

TEST_F(CorruptFilesTest, ObjectReadersRefuseOrBuildSoundMeshes) {
  std::vector<Bytes> files = BinaryVariants(ThreeDsSeed(), false);
  files.push_back(Nested3ds(100000));
  for (const Bytes& v : files) {
    ImportedFile read = Read3ds(v.data(), v.size());
    if (!read.ok() && !read.text.IsEmpty()) {
      ASSERT_EQ(std::string(read.text.c_str()), kReadErrorText);
    }
    ASSERT_TRUE(ImportedHolds(read));
  }
  for (const std::string& v : TextVariants(SourceFile("fuzz/corpus/dxf/one_face.dxf"))) {
    MeshObject mesh;
    const int result = ReadDxfText(v, mesh);
    ASSERT_TRUE(result == kDxfOk || result == kDxfUnreadable || result == kDxfNotEntities);
    ASSERT_TRUE(result != kDxfOk || MeshIndexesHold(mesh));
  }
  for (const std::string& v : TextVariants(SourceFile("fuzz/corpus/obt/tetrahedron.obt"))) {
    ImportedFile read = ReadObtText(v);
    ASSERT_TRUE(read.ok() || (!read.title.IsEmpty() && !read.text.IsEmpty())) << v;
    ASSERT_TRUE(ImportedHolds(read));
  }
}

// A cut or mangled scene file runs to its end or its error; what the scene held before stays
// as it was.
TEST_F(CorruptFilesTest, ScriptsLeaveTheSceneTheyRunOn) {
  const std::string keep = "sphere keep { radius <2> position <1,2,3> }\n";
  std::vector<std::string> scripts = TextVariants(
      "float i\nfor(i=0;i<3;i=i+1){ sphere s { radius <i> } }\n"
      "points p { number <3> <0,0,0> <1,0,0> <0,1,0> }\n"
      "trimesh m { points p triangles <1> <0,1,2> }\nobject g { sphere a { } }\n");
  std::string deep;
  for (int i = 0; i < 300; ++i) deep += "object g" + std::to_string(i) + " {\n";
  scripts.push_back(deep);
  int stopped = 0;
  for (const std::string& script : scripts) {
    Scene scene;
    std::ostringstream out, err;
    ScriptInterpreter interpreter(scene, out, err);
    SceneCommands commands;
    interpreter.SetItemStatements(&commands);
    std::ofstream(dir_ + "/keep.ovs") << keep;
    ASSERT_EQ(interpreter.Run((dir_ + "/keep.ovs").c_str()), 0);
    // A mangled loop may run for ever, as scripts may: a statement budget ends it.
    int statements = 0;
    interpreter.SetInterrupt([&statements] { return ++statements > 20000; });
    std::ostringstream before;
    WriteObject(scene, static_cast<SceneObject*>(scene.objects->head->item), before);
    std::ofstream(dir_ + "/corrupt.ovs", std::ios::trunc) << script;
    const int result = interpreter.Run((dir_ + "/corrupt.ovs").c_str());
    ASSERT_TRUE(result == 0 || result == -1);
    stopped += result == -1;
    std::ostringstream after;
    WriteObject(scene, static_cast<SceneObject*>(scene.objects->head->item), after);
    ASSERT_EQ(after.str(), before.str()) << script;
    if (script == deep) {
      EXPECT_NE(err.str().find("object blocks nested deeper than 256 levels."), std::string::npos);
    }
  }
  EXPECT_GT(stopped, 0);  // the corpus reaches the errors that stop a run
}

// Settings files of any bytes come out in range: what a file holds never reaches the editor
// out of its bounds.
TEST_F(CorruptFilesTest, SettingsComeOutInRange) {
  const std::string seed = editor::SettingsText(editor::EditorSettings());
  std::vector<std::string> files = TextVariants(seed);
  for (const Bytes& v : BinaryVariants(Bytes(seed.begin(), seed.end()), false))
    files.emplace_back(v.begin(), v.end());
  const std::string path = dir_ + "/ov_gui.ovi";
  for (const std::string& file : files) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << file;
    editor::EditorSettings read;
    ASSERT_TRUE(editor::ReadSettings(path, &read));
    editor::EditorSettings limited = read;
    editor::LimitSettings(&limited);
    ASSERT_TRUE(limited == read) << file;
  }
}

}  // namespace
}  // namespace orvane
