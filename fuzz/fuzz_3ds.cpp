// libFuzzer target for the 3DS reader: any input is refused with a message, builds nothing, or
// gives meshes whose triangles all index their points; what is read can be written again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "foundation/list.h"
#include "interchange/three_ds.h"
#include "scene/group_object.h"
#include "scene/mesh_object.h"

namespace {

void CheckMesh(const orvane::MeshObject& mesh) {
  if (mesh.point_count == 0 || mesh.triangle_count == 0) std::abort();
  for (uint32_t j = 0; j < mesh.triangle_count; ++j) {
    if (!mesh.TriangleInRange(mesh.triangles[j])) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  orvane::ImportedFile read = orvane::Read3ds(data, size);
  if (!read.ok()) return 0;
  if (!read.text.IsEmpty()) std::abort();
  if (read.object->GetType() == orvane::kItemMesh) {
    CheckMesh(*static_cast<orvane::MeshObject*>(read.object));
  } else {
    auto* group = static_cast<orvane::GroupObject*>(read.object);
    for (orvane::ListNode* n = group->members.head; n; n = n->next) {
      if (n->item->GetType() != orvane::kItemMesh) std::abort();
      CheckMesh(*static_cast<orvane::MeshObject*>(n->item));
    }
  }
  std::vector<uint8_t> written;
  orvane::String title, text;
  if (!orvane::Build3ds(read.object, written, &title, &text)) std::abort();
  delete read.object;
  return 0;
}
