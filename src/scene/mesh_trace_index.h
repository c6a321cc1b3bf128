#pragma once
// MeshTraceIndex: what a prepared mesh keeps for fast ray searches — a bounding volume
// hierarchy over its traceable triangles and a compact copy of those triangles in the order
// of the tree's leaves, so that a leaf's triangles lie side by side in memory.

#include <cstdint>
#include <vector>

#include "foundation/bvh.h"

namespace orvane {

// One triangle as the ray test reads it: the corners a, b, c, the unit normal, the plane
// constant and the dropped axis, copied unchanged from the mesh, and its index there.
struct TraceTriangle {
  float corner[3][3];
  float normal[3];
  float plane_d;
  int32_t drop_axis;
  uint32_t index;
};

struct MeshTraceIndex {
  Bvh bvh;
  std::vector<TraceTriangle> triangles;  // in the order of bvh.Items()
};

}  // namespace orvane
