#pragma once
// PreviewSink: where scene items describe their preview geometry. The core never calls
// OpenGL: the editor's sink compiles display lists, tests record the calls.
//
// Coordinates are handed over as the items define them for the view (z already negated).

#include <cstdint>

#include "foundation/vec3.h"

namespace orvane {

class SceneObject;

// Primitive modes, numbered as OpenGL numbers them.
enum PreviewMode : int32_t {
  kPreviewPoints = 0,
  kPreviewLines = 1,
  kPreviewLineLoop = 2,
  kPreviewTriangles = 4,
};

class PreviewSink {
 public:
  virtual ~PreviewSink() = default;
  // Starts (or restarts) a display list for `item`; `name` is the list's current name (0 for
  // none). Returns the name under which the list is kept (non-zero).
  virtual uint32_t BeginList(const SceneObject& item, uint32_t name) = 0;
  virtual void EndList() = 0;
  virtual void Begin(int32_t mode) = 0;
  virtual void Normal(const Vec3& n) = 0;
  virtual void Vertex(const Vec3& v) = 0;
  virtual void End() = 0;
  // Frees a display list made by BeginList.
  virtual void DeleteList(uint32_t name) = 0;
};

}  // namespace orvane
