#pragma once
// CommandResult: the outcome of one modelling command, and the finishing steps every
// modelling command shares.
//
// A command either builds its item into the scene (appended to the object list, which owns it)
// and returns it in `item`, or refuses: `item` stays null and `title`/`text` hold the message
// box the editor shows ("Error", "Attention", ...). A refused command leaves the scene as it
// was. A command that succeeds with a warning returns the item together with the warning's
// title and text; ok() looks at the item only.
//
// The default material: new meshes get the material named "standard" of the scene's material
// list. When the list holds none, one is created with the Material defaults (which carry that
// name) and appended to the list, owned by it. Keeping it in the list means that a saved scene
// declares it and a reloaded mesh finds it again by name.

#include <ostream>

#include "foundation/error_output.h"
#include "foundation/list.h"
#include "foundation/ov_string.h"
#include "material/material.h"
#include "scene/scene.h"
#include "scene/scene_object.h"

namespace orvane {

struct CommandResult {
  SceneObject* item = nullptr;  // owned by the scene's object list, never by the result
  String title;
  String text;

  bool ok() const { return item != nullptr; }
  bool HasMessage() const { return !text.IsEmpty(); }

  static CommandResult Refused(const char* title, const char* text) {
    CommandResult r;
    r.title = title;
    r.text = text;
    return r;
  }
  static CommandResult Built(SceneObject* item) {
    CommandResult r;
    r.item = item;
    return r;
  }
};

// The titles of the message boxes of refused commands.
inline constexpr const char* kErrorTitle = "Error";
inline constexpr const char* kAttentionTitle = "Attention";

// The refusal when memory for the new item or its list node cannot be had.
inline constexpr const char* kOutOfMemoryTitle = "Error";
inline constexpr const char* kOutOfMemoryText = "Not enough memory for the new object.";

// Bounds of what one modelling command builds, so that no input asks for more memory than a
// scene can hold or runs for minutes: at most kMaxSegments along any one direction (segments,
// rings, tube segments, ...) and at most kMaxBuiltPoints points and kMaxBuiltTriangles
// triangles in one new mesh. Larger requests are refused with the messages below ("Error").
inline constexpr int kMaxSegments = 10000;
inline constexpr unsigned kMaxBuiltPoints = 2000000;
inline constexpr unsigned kMaxBuiltTriangles = 2000000;
inline constexpr const char* kTooManySegmentsText =
    "The number of segments must not be greater than 10000.";
inline constexpr const char* kTooManyTrianglesText =
    "The new object would get too many points or triangles.\nPlease choose fewer segments.";
// Sizes (radii, widths, depths, lifts) must be finite and at most this large in magnitude.
inline constexpr double kMaxSize = 1e15;
inline constexpr const char* kBadSizeText =
    "The sizes must be finite numbers between -1e15 and 1e15.";

// The material named "standard" in scene.materials, created (Material defaults) and appended
// when missing; the lists are created when the scene has none yet. Null only when memory cannot
// be had. The material list's current position moves only when a material is appended.
inline Material* DefaultMaterial(Scene& scene) {
  if (!scene.materials && !scene.EnsureLists(ErrorOutput())) return nullptr;
  for (ListNode* n = scene.materials->head; n; n = n->next) {
    if (n->item && n->item->GetType() == kItemMaterial) {
      auto* m = static_cast<Material*>(n->item);
      if (m->name == "standard") return m;
    }
  }
  auto* created = TryNew<Material>();
  if (!created) {
    ErrorOutput() << "ERROR: Could not allocate the default material.\n";
    return nullptr;
  }
  if (!scene.materials->Append(created, 1)) {
    delete created;
    return nullptr;
  }
  return created;
}

// Names `object`, gives it the default material when it has none, marks it preview_dirty and
// appends it to the scene's object list, which then owns it. When that cannot be done the
// object is destroyed and the out-of-memory refusal returned.
inline CommandResult AddToScene(Scene& scene, SceneObject* object, const String& name) {
  if (!object) return CommandResult::Refused(kOutOfMemoryTitle, kOutOfMemoryText);
  if (!scene.objects && !scene.EnsureLists(ErrorOutput())) {
    delete object;
    return CommandResult::Refused(kOutOfMemoryTitle, kOutOfMemoryText);
  }
  object->name = name;
  if (!object->material) object->material = DefaultMaterial(scene);
  object->preview_dirty = 1;
  if (!scene.objects->Append(object, 1)) {
    delete object;
    return CommandResult::Refused(kOutOfMemoryTitle, kOutOfMemoryText);
  }
  return CommandResult::Built(object);
}

}  // namespace orvane
