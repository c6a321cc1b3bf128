#pragma once
// The object import flow: an object file (.3ds, .obt, .dxf) becomes a new item of the scene.
//
// The new object is named after the file title (the file name without directory and
// extension), gets the default material (a group: each member) and is appended to the
// scene's object list. A taken name is refused so that the caller can ask for another one;
// ImportObjectFile, for callers that cannot ask, makes the name unique instead.

#include <string>

#include "interchange/three_ds.h"
#include "modelling/command_result.h"
#include "scene/scene.h"

namespace orvane {

// Whether the extension of `path` (case-insensitive) names a format the import reads.
bool IsImportFile(const std::string& path);
// The file name of `path` without its directory and its extension.
String FileTitle(const std::string& path);

// Reads the file in the format of its extension. Nothing (no message) when the file holds no
// usable mesh; an unknown extension gives "Error reading file".
ImportedFile ReadObjectFile(const std::string& path);

// Names `imported.object` `name` and adds it to the scene with the default material. A taken
// name answers the name-taken refusal and leaves the object with the caller (try again with
// another name, or delete it); otherwise the scene takes the object and imported.object
// becomes null.
CommandResult AddImportedObject(Scene& scene, ImportedFile& imported, const String& name);

// Read, name after the file title (made safe for scene files, and unique when taken) and add. A file that holds no
// usable mesh answers a result without item and without message.
CommandResult ImportObjectFile(Scene& scene, const std::string& path);

}  // namespace orvane
