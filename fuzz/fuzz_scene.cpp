// libFuzzer target for scene files: any text of up to 16 KB runs as a scene file with the scene
// commands (materials, textures, objects, lights, cameras, raytrace settings, member
// statements, variables, expressions). Afterwards every object knows the group that holds it,
// every mesh holds the arrays its counts promise within its limits, no mapping leftover stays in
// the scene, and the scene is written back as a scene file, which runs again (and is checked and
// written the same way) without a fault.
//
// Inputs that may legitimately run for ever or touch other files are skipped. Each word below
// is looked for case-insensitively anywhere in the input, except "do" and "TRACE", which count
// only as words of their own (no letter, digit or '_' on either side): "has_shadow",
// "gets_shadow", "double_side" and "raytrace" hold them, and the statements are always tokens
// of their own ("do", "TRACE!"):
//   while, for, do       loops (rewritten into labels and goto before the run)
//   goto, jump, label    jumps back to a label
//   TRACE, run, EXIT     rendering, running further files, ending the run
//   include              reading other files
//   load, save           texture and object files read ("load") and pictures written ("save")
#include <unistd.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "foundation/list.h"
#include "scene/group_object.h"
#include "scene/mesh_object.h"
#include "scene/scene.h"
#include "scene/scene_object.h"
#include "script/interpreter.h"
#include "script/scene_commands.h"
#include "script/scene_writer.h"

namespace {

constexpr std::size_t kMaxInput = 16384;

volatile float g_sink = 0.0f;

const char* const kSkippedWords[] = {"while", "for",  "goto",    "jump", "label",
                                     "run",   "exit", "include", "load", "save"};
const char* const kSkippedTokens[] = {"do", "trace"};

bool IsWordByte(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

bool Skipped(const std::string& text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* word : kSkippedWords) {
    if (lower.find(word) != std::string::npos) return true;
  }
  for (const char* word : kSkippedTokens) {
    const std::size_t length = std::strlen(word);
    for (std::size_t at = lower.find(word); at != std::string::npos;
         at = lower.find(word, at + 1)) {
      const bool before = at > 0 && IsWordByte(lower[at - 1]);
      const bool after = at + length < lower.size() && IsWordByte(lower[at + length]);
      if (!before && !after) return true;
    }
  }
  return false;
}

void CheckObjects(const orvane::LIST& list, const orvane::GroupObject* parent) {
  for (const orvane::ListNode* node = list.head; node; node = node->next) {
    auto* object = dynamic_cast<orvane::SceneObject*>(node->item);
    if (!object) std::abort();
    if (object->parent != parent) std::abort();
    const int length = object->name.Length();
    if (length >= 11 && std::strcmp(object->name.c_str() + length - 11, "_mat_object") == 0) {
      std::abort();
    }
    if (auto* group = dynamic_cast<orvane::GroupObject*>(object)) {
      CheckObjects(group->members, group);
    }
    if (auto* mesh = dynamic_cast<orvane::MeshObject*>(object)) {
      if (mesh->point_count > mesh->point_capacity) std::abort();
      if (mesh->point_count > 0 && !mesh->points) std::abort();
      if (mesh->triangle_count > orvane::kMaxMeshTriangles) std::abort();
      if (mesh->triangle_count > 0 && !mesh->triangles) std::abort();
      // Out-of-range triangles may stay (they are skipped); the others name stored points.
      float sum = 0.0f;
      for (uint32_t i = 0; i < mesh->triangle_count; ++i) {
        const orvane::Triangle& t = mesh->triangles[i];
        if (!mesh->TriangleInRange(t)) continue;
        sum += mesh->points[t.a].x + mesh->points[t.b].y + mesh->points[t.c].z;
      }
      g_sink = sum;
    }
  }
}

// Runs the file at `path` on a new scene, checks it and answers the scene written back.
std::string RunAndWrite(const std::string& path) {
  orvane::Scene scene;
  std::ostringstream out;
  std::ostringstream err;
  orvane::ScriptInterpreter interpreter(scene, out, err);
  orvane::SceneCommands commands;
  interpreter.SetItemStatements(&commands);
  interpreter.Run(path.c_str());
  orvane::RemoveMappingLeftovers(scene);
  if (!scene.objects || !scene.materials || !scene.images || !scene.cameras || !scene.lights) {
    std::abort();
  }
  CheckObjects(*scene.objects, nullptr);
  std::ostringstream written;
  if (!orvane::WriteScene(scene, written)) std::abort();
  return written.str();
}

bool WriteFile(const std::string& path, const char* data, std::size_t size) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(data, static_cast<std::streamsize>(size));
  return static_cast<bool>(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (Skipped(text)) return 0;

  static const std::string path =
      "/tmp/orvane_fuzz_scene_" + std::to_string(static_cast<long>(getpid())) + ".ovs";
  if (!WriteFile(path, text.data(), text.size())) std::abort();
  const std::string written = RunAndWrite(path);

  // The written scene is a scene file in its own right.
  if (!WriteFile(path, written.data(), written.size())) std::abort();
  RunAndWrite(path);
  std::remove(path.c_str());
  return 0;
}
