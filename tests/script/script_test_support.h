#pragma once
// Helpers of the script tests: the items of a scene list, scene files run as the editor loads
// them, the written scene and the expected files of the data folder.

#include <gtest/gtest.h>

#include <filesystem>
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

// Runs the scene file `path` on `scene` with the scene commands, the way the editor loads files:
// the mapping objects that the files put before their meshes are then taken out of the object
// lists. Answers the diagnostics.
inline std::string LoadScene(Scene& scene, const std::string& path, int* result,
                             const std::string& texture_dir = "") {
  std::ostringstream out, err;
  ScriptInterpreter interpreter(scene, out, err);
  SceneCommands commands;
  if (!texture_dir.empty()) commands.TexturePaths().Append(new String(texture_dir.c_str()), 1);
  interpreter.SetItemStatements(&commands);
  *result = interpreter.Run(path.c_str());
  RemoveMappingLeftovers(scene);
  return err.str();
}

// The scene as the scene writer writes it.
inline std::string WrittenScene(Scene& scene) {
  std::ostringstream out;
  EXPECT_TRUE(WriteScene(scene, out));
  return out.str();
}

// The file `name` of tests/script/data, whole.
inline std::string DataText(const char* name) {
  return ReadText((std::filesystem::path(__FILE__).parent_path() / "data" / name).string());
}

}  // namespace orvane::test
