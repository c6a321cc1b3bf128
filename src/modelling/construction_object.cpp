#include "modelling/construction_object.h"

#include <new>

#include "foundation/error_output.h"
#include "modelling/lathe.h"
#include "modelling/polygons.h"

namespace orvane {

ConstructionObject::ConstructionObject() {
  preview_mode = kPreviewLineLoop;
}

ConstructionObject::ConstructionObject(const ConstructionObject& other)
    : SceneObject(other),
      segments(other.segments),
      step_angle(other.step_angle),
      y_translation(other.y_translation),
      caps(other.caps),
      close_profile(other.close_profile),
      close_turn(other.close_turn),
      outline(other.outline),
      result(other.result),
      construction(other.construction) {}

int ConstructionObject::Construct() {
  switch (construction) {
    case kConstructLathe:
      return Lathe(*this);
    case kConstructTriangulate:
      return Triangulate(*this);
    default:
      return -1;
  }
}

void ConstructionObject::BuildPreview(PreviewSink&, int) {
  for (uint32_t& list : display_lists) list = 0;
  preview_dirty = 0;
}

SceneObject* ConstructionObject::Clone() const {
  if (InjectedAllocationFailure()) return nullptr;
  return new (std::nothrow) ConstructionObject(*this);
}

}  // namespace orvane
