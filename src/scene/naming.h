#pragma once
// Name rules of the scene's items.
//
// A name is taken when an item of the same kind already has it: lights are looked up in the
// scene's light list, cameras in its camera list, every other item in the object list including
// the members of all groups, recursively (depth first, descending into every item of type 1).
// The walks read the list nodes directly and leave every list's current position alone.
// A list that does not exist holds no names.

#include "foundation/ov_string.h"

namespace orvane {

class Scene;

enum class NameKind {
  kObject,  // meshes, paths, spheres, planes, groups, construction objects
  kLight,
  kCamera,
};

// The message box with which creating commands refuse a taken object name; nothing is created
// and the dialog stays open. (Light sources have their own message.)
inline constexpr const char* kNameTakenTitle = "Error";
inline constexpr const char* kNameTakenText =
    "There is a object with the same name.\nPlease change the name!";

bool IsNameTaken(const Scene& scene, const String& name, NameKind kind);

// Replaces the run of decimal digits at the end of `name` (possibly empty, counting as 0) by the
// decimal form of its value + 1, and repeats while the result is taken: Cube -> Cube1,
// Box09 -> Box10, Part9 -> Part10; Ring with Ring1 and Ring2 taken -> Ring3. The name is always
// changed at least once. Digit runs of any length are counted on without overflow.
String MakeUniqueName(const Scene& scene, const String& name, NameKind kind);

// `text` as a name that scene files carry and read back as one word: ASCII letters, digits and
// '_' stay, as does '-' after the first byte; every other byte (blanks, braces, quotes, dots,
// control and non-ASCII bytes) becomes '_'. An empty text gives `fallback`. For names that come
// from outside the program: file titles and the object names of imported files.
String FileSafeName(const String& text, const char* fallback);

// Before a picture: every item of the object, light and camera lists gets parent null, and
// every group member its group, recursively.
void AssignParents(Scene& scene);

}  // namespace orvane
