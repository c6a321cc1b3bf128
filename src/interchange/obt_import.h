#pragma once
// OBT import: a text object file holding points and triangles.
//
// "HM_OBT", the version (exactly 1.0), the point count, the points as x y z, the triangle
// count, and per triangle three point indices and one unused integer; whitespace between the
// numbers is free.

#include <string>

#include "interchange/three_ds.h"

namespace orvane {

// The mesh of the OBT text, or nothing with "Error reading file" or "Unsupported version of
// the file-format!" (under "Error"). Triangle indices outside the points refuse the file.
ImportedFile ReadObtText(const std::string& text);
ImportedFile ImportObt(const char* path);

}  // namespace orvane
