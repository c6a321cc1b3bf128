#pragma once
// DXF import: the corners of the 3DFACE entities of a file's ENTITIES section as one mesh.
//
// The file must begin directly with the ENTITIES section. Lines are read as group-code and
// value lines; leading and trailing blanks and carriage returns are ignored. Each face gives
// four points (the corner coordinates times 5) and the triangles (c0, c1, c3), (c1, c2, c3).

#include <string>

#include "interchange/three_ds.h"
#include "scene/mesh_object.h"

namespace orvane {

enum DxfResult : int {
  kDxfOk = 0,
  kDxfUnreadable = 1,   // the file could not be read, or its faces are broken or cut short
  kDxfNotEntities = 2,  // the file does not start with "0 SECTION 2 ENTITIES"
};

// Fills `mesh` (replacing its points and triangles) from the DXF text. A nonzero result leaves
// the mesh in an unspecified but valid state; the caller discards it.
int ReadDxfText(const std::string& text, MeshObject& mesh);
int ReadDxf(const char* path, MeshObject& mesh);

// ReadDxf into a new mesh; any failure gives "Error reading file".
ImportedFile ImportDxf(const char* path);

}  // namespace orvane
