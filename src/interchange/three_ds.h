#pragma once
// 3D Studio (.3ds) meshes: a chunk reader and writer of our own.
//
// A 3DS file is a tree of chunks, each a 16-bit id, a 32-bit length (the 6-byte header
// included) and its data followed by sub-chunks. The reader understands the main chunk
// (0x4D4D), the mesh data (0x3D3D), named objects (0x4000: a zero-terminated name, then
// sub-chunks), triangle meshes (0x4100) with their point array (0x4110), face array (0x4120;
// its own sub-chunks are skipped) and local matrix (0x4160); every other chunk is skipped by
// its length. Only geometry travels: names, points and triangles.
//
// Reading checks every length and count against its parent chunk and the file, bounds the
// nesting depth and refuses face indices that are not below the point count; any such fault
// refuses the whole file with "Error reading file" and builds nothing.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "foundation/ov_string.h"
#include "scene/scene_object.h"

namespace orvane {

inline constexpr const char* kReadErrorTitle = "Error";
inline constexpr const char* kReadErrorText = "Error reading file";
inline constexpr const char* kUnsupportedVersionText = "Unsupported version of the file-format!";
inline constexpr const char* kWriteErrorTitle = "Error";
inline constexpr const char* kWriteErrorText = "Error writing file";
inline constexpr const char* kThreeDsOnlyMeshesTitle = "Attention";
inline constexpr const char* kThreeDsOnlyMeshesText =
    "For 3D-Studio (.3ds) you only can save 3D-Mesh-Objects (in Group-Objects).";

// Chunks nested deeper than this (the main chunk counting as 1) refuse the file.
inline constexpr int kMaxThreeDsDepth = 32;
// Longest name the format keeps.
inline constexpr int kThreeDsNameLength = 10;

// The outcome of reading an object file: the new object (owned by the caller; null when
// nothing was built) and, on failure, the message box to show. A file that holds no usable
// mesh builds nothing and has no message.
struct ImportedFile {
  SceneObject* object = nullptr;
  String title;
  String text;
  bool ok() const { return object != nullptr; }
};

// One MeshObject for a single triangle mesh (unnamed: the caller names it), a GroupObject of
// meshes named as in the file for several (made safe for scene files, see FileSafeName);
// meshes without points or faces are dropped. The points are (x, y, -z) of the file's vertices.
ImportedFile Read3ds(const uint8_t* data, std::size_t size);
ImportedFile Import3ds(const char* path);

// The 3DS bytes of a mesh, or of the direct mesh members of a group (other members are
// skipped): one named object per mesh, its name cut to 10 characters, points unchanged, faces
// with flag word 7. False with title/text set when the object is neither a mesh nor a group,
// or a mesh has more points or triangles than the format's 16-bit counts hold.
bool Build3ds(const SceneObject* object, std::vector<uint8_t>& out, String* title, String* text);
// Build3ds, then writes the file; a file that cannot be written gives "Error writing file".
bool Export3ds(const SceneObject* object, const char* path, String* title, String* text);

}  // namespace orvane
