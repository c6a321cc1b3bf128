#pragma once
// Helpers of the script tests: scene lists, loaded and written scenes, data files, scratch files.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/list.h"
#include "foundation/ov_string.h"
#include "scene/scene.h"
#include "script/interpreter.h"
#include "script/scene_commands.h"
#include "script/scene_writer.h"
#include "support/test_files.h"

namespace orvane::test {

inline std::string S(const String& s) {
  return std::string(s.c_str(), s.Length());
}

// The entries of `list` (may be null) that are a T, in list order.
template <class T>
std::vector<T*> Items(const LIST* list) {
  std::vector<T*> out;
  for (const ListNode* n = list ? list->head : nullptr; n; n = n->next) {
    if (auto* item = dynamic_cast<T*>(n->item)) out.push_back(item);
  }
  return out;
}

template <class T>
T* Named(const LIST* list, const std::string& name) {
  for (T* item : Items<T>(list)) {
    if (S(item->name) == name) return item;
  }
  return nullptr;
}

// The scene file `path` run the way the editor loads files, mapping objects taken out after.
struct LoadedScene {
  explicit LoadedScene(const std::string& path, const std::string& texture_dir = "") {
    std::ostringstream out, errors;
    ScriptInterpreter interpreter(scene, out, errors);
    SceneCommands commands;
    if (!texture_dir.empty()) commands.TexturePaths().Append(new String(texture_dir.c_str()), 1);
    interpreter.SetItemStatements(&commands);
    result = interpreter.Run(path.c_str());
    RemoveMappingLeftovers(scene);
    err = errors.str();
  }
  Scene scene;
  int result = 0;
  std::string err;
};

inline std::string WrittenScene(Scene& scene) {
  std::ostringstream out;
  EXPECT_TRUE(WriteScene(scene, out));
  return out.str();
}

// The placement lines of an item that is not turned; the expected files write "=unturned".
inline const std::string kUnturned =
    "axis_deg <0,0,0>\naxis_X <1,0,0>\naxis_Y <0,1,0>\naxis_Z <0,0,1>\n";

inline std::string DataText(const char* name) {
  std::string text =
      ReadText((std::filesystem::path(__FILE__).parent_path() / "data" / name).string());
  for (size_t at; (at = text.find("=unturned\n")) != std::string::npos;)
    text.replace(at, 10, kUnturned);
  return text;
}

// A short-named scratch folder (script lines hold 127 bytes), a scene and the script's path_.
class ScriptFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "ovs_XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    path_ = dir_ + "/t.ovs";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Write(const std::string& name, const std::string& text) {
    std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  std::string Diag(const char* kind, int line, const std::string& message) const {
    return "\n" + path_ + ": " + kind + " (line " + std::to_string(line) + message;
  }
  std::string dir_, path_;
  Scene scene_;
};

}  // namespace orvane::test
