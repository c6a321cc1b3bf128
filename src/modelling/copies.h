#pragma once
// Multiple copies of the clipboard item: "Copy Number" (n copies) and "Copy To 3D-Mesh-Points"
// (one copy at every point of the current mesh).
//
// Where the copies go: light sources into the scene's light list and cameras into its camera
// list, each with a name made unique among its own kind (MakeUniqueName). Every other item
// gets a name made unique among the objects and goes into
//   - a new group, when `in_group` is set (see below),
//   - otherwise the current object when that is a group and `to_top_level` is not set (the
//     object browser's "objects" root is selected),
//   - otherwise the scene's object list.
// The new group is named `group_name` made unique among the objects and placed like a copy
// would be without it: into the current group unless `to_top_level`, else the object list.
// It is created even when the copies are lights or cameras, which never join it.
//
// Every copy is a Clone of the clipboard item with preview_dirty 1; a copied group loses its
// members named "..._mat_object" (GroupObject::RemoveMappingLeftovers). The names count on from
// the clipboard item's name: Cube gives Cube1, Cube2, ... skipping taken names.
//
// Bounds: at most kMaxCopies copies in one command, and at most kMaxCopyBytes of point and
// triangle data in all copies together (the clipboard item's arrays, recursively through
// groups, times the number of copies). Larger requests are refused before anything is made.
// When memory runs out part-way, every copy made so far is removed again and the
// out-of-memory refusal is returned: the scene is as it was.
//
// Results: the new group when `in_group` is set, else the last copy made; or a refusal (title
// and text) with the scene unchanged.

#include <cstdint>

#include "foundation/ov_string.h"
#include "modelling/command_result.h"

namespace orvane {

class Scene;
class SceneObject;

inline constexpr int64_t kMaxCopies = kMaxSegments;
inline constexpr uint64_t kMaxCopyBytes = uint64_t{512} << 20;

// Refusals of both commands (the texts of the first four are this module's own).
inline constexpr const char* kNoClipboardTitle = "Attention";
inline constexpr const char* kNoClipboardText = "There is no object on the clipboard.";
inline constexpr const char* kCopyCountTitle = "Error";
inline constexpr const char* kTooFewCopiesText = "The number of copies must be greater than 0.";
inline constexpr const char* kTooManyCopiesText =
    "The number of copies must not be greater than 10000.";
inline constexpr const char* kCopiesTooLargeText =
    "The copies would need too much memory.\nPlease make fewer copies.";
inline constexpr const char* kNeedsMeshTitle = "Attention";
inline constexpr const char* kNeedsMeshText =
    "The current object must be a 3D-Mesh-Object for this function!";

// Edit > Paste > more > Number...: `count` copies of `clipboard`.
// Checks, in this order: a clipboard item (kNoClipboardText); 1 ≤ count (kTooFewCopiesText);
// count ≤ kMaxCopies (kTooManyCopiesText); the memory bound (kCopiesTooLargeText).
CommandResult CopyNumber(Scene& scene, const SceneObject* clipboard, int64_t count, bool in_group,
                         const String& group_name, SceneObject* current, bool to_top_level);

// Edit > Paste > more > as 3D-Mesh-Object...: one copy of `clipboard` at every point of the
// current mesh (or path), from the last point to the first. Each copy is moved by −position
// and then by the point (Move with steps of length 1), so that its position lands on the point.
// Checks, in this order: the current object is a MeshObject (kNeedsMeshText); a clipboard item;
// point_count ≤ kMaxCopies (kTooManyCopiesText); the memory bound. A mesh without points makes
// nothing (no group either) and returns an empty result: no item and no message.
CommandResult CopyToMeshPoints(Scene& scene, const SceneObject* clipboard, bool in_group,
                               const String& group_name, SceneObject* current, bool to_top_level);

}  // namespace orvane
