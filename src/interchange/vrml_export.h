#pragma once
// VRML 1.0 export: the whole scene (its lights, then its objects; cameras are not written) or
// one object, as ASCII VRML built from the items' own VRML text (SceneObject::WriteVrml). Each
// item's text cache is dropped before and released after it is written.
//
// The stream forms return false when the stream has failed. The file forms build the text
// first and then write the file, so a file that cannot be opened is left as it was; they
// return false for an empty or null name, a null object or a file that cannot be written (the
// caller then shows kExportErrorText under kExportErrorTitle).

#include <iosfwd>
#include <string>

namespace orvane {

class Scene;
class SceneObject;

inline constexpr const char* kExportErrorTitle = "Error";
inline constexpr const char* kExportErrorText = "Error writing file";
// Shown under kExportNoObjectTitle when an object export has no object to write.
inline constexpr const char* kExportNoObjectTitle = "Attention";
inline constexpr const char* kExportNoObjectText = "Please select an object.";

bool exportSceneVrml(Scene& scene, std::ostream& out);
bool exportSceneVrml(Scene& scene, const char* fileName);
bool exportObjectVrml(SceneObject* object, std::ostream& out);
bool exportObjectVrml(SceneObject* object, const char* fileName);

// Shared by the exporters: writes `text` to `fileName` in one go; false for an empty or null
// name or a file that cannot be opened or written.
bool WriteExportFile(const char* fileName, const std::string& text);

}  // namespace orvane
