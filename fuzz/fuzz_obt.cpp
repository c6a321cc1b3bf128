// libFuzzer target for the OBT reader: any text is refused with a message or gives a mesh
// whose triangles all index its points.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "interchange/obt_import.h"
#include "scene/mesh_object.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  orvane::ImportedFile read = orvane::ReadObtText(text);
  if (!read.ok()) {
    if (read.title.IsEmpty() || read.text.IsEmpty()) std::abort();
    return 0;
  }
  if (!read.text.IsEmpty()) std::abort();
  if (read.object->GetType() != orvane::kItemMesh) std::abort();
  const auto& mesh = *static_cast<const orvane::MeshObject*>(read.object);
  for (uint32_t j = 0; j < mesh.triangle_count; ++j) {
    if (!mesh.TriangleInRange(mesh.triangles[j])) std::abort();
  }
  delete read.object;
  return 0;
}
