// libFuzzer target for the DXF reader: any text gives one of the defined result codes, and a
// mesh that was read has triangles that all index its points.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "interchange/dxf_import.h"
#include "scene/mesh_object.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  orvane::MeshObject mesh;
  const int result = orvane::ReadDxfText(text, mesh);
  if (result != orvane::kDxfOk && result != orvane::kDxfUnreadable &&
      result != orvane::kDxfNotEntities)
    std::abort();
  if (result != orvane::kDxfOk) return 0;
  // Every face gives two triangles; a face that misses a coordinate shifts the points that
  // follow but never an index beyond them.
  if (mesh.triangle_count % 2 != 0) std::abort();
  for (uint32_t j = 0; j < mesh.triangle_count; ++j) {
    if (!mesh.TriangleInRange(mesh.triangles[j])) std::abort();
  }
  return 0;
}
