#pragma once
// The file writers: a whole scene (".ovs"), one object with what it needs (".ovo") and one
// material with its textures (".ovm"), written as scene-language programs that rebuild what
// they describe when they are run.
//
// Each writer joins the native text of the items (WriteNative; the items' text caches are
// released again with FreeText) in an order in which every name is defined before it is used:
// textures, then materials, then the items that use them. The items themselves fix their
// blocks and number formats (render/native_text.h).
//
// The stream forms write to `out` and return false when the stream has failed. The file forms
// build the text first and then write the file in one go (mode binary: the line ends are the
// line feeds of the text), so a file that cannot be opened is left as it was; they return
// false for nothing to write, a file that cannot be opened or a failed write.
//
// A line longer than a script line may be (127 bytes; long names make them) is spread over
// several lines at its token boundaries, so that the file reads back token for token.
//
// Textures without a block of their own (palettes) are never written; a fractal names the
// texture whose palette it uses only when that texture is in the scene's texture list.

#include <iosfwd>

#include "foundation/ov_string.h"

namespace orvane {

class Material;
class Scene;
class SceneObject;

// The first line of each kind of file.
inline constexpr const char* kSceneFileHeader = "// Orvane V1.0 - Scene\n\n";
inline constexpr const char* kObjectFileHeader = "// Orvane V1.0 - Objekt\n\n";
inline constexpr const char* kMaterialFileHeader = "// Orvane V1.0 - Material\n\n";

// The scene: its lights, its textures (images first, then fractals, chess and fade textures),
// materials, objects (groups with their members inside) and cameras, then the `raytrace` block
// with the render camera (the scene's active camera, else the camera of the last `raytrace`
// block, else the first camera; no camera line when the scene has none), the ambient and the
// fog settings, and finally "TRACE! <1>" so that running the file renders frame 1. The render
// field and the background are not part of the file.
bool WriteScene(Scene& scene, std::ostream& out);
// `fileName` with ".ovs" appended unless it already ends in ".ovs".
String SceneFileName(const char* fileName);
// WriteScene into SceneFileName(fileName).
bool SaveScene(Scene& scene, const char* fileName);

// One object: a group or a single item. A single item brings the textures of its material's
// channels and its material; a group brings the textures and materials of the scene's lists
// that its members use (recursively). False when `object` is null.
bool WriteObject(Scene& scene, SceneObject* object, std::ostream& out);
// False also for an empty or null file name.
bool SaveObject(Scene& scene, SceneObject* object, const char* fileName);

// One material and the textures of its channels. `scene` only lends its texture list to name
// fractal palettes. False when `material` is null.
bool WriteMaterial(Scene& scene, Material* material, std::ostream& out);
// False also for an empty or null file name.
bool SaveMaterial(Scene& scene, Material* material, const char* fileName);

}  // namespace orvane
