#pragma once
// Triangle: one face of a MeshObject, three indices into the mesh's point array and the data
// derived from the three corners A, B, C (MeshObject::ComputeTriangleData and ComputeBoxes).
//
// All vectors are world coordinates. Unit vectors come from Ray::Normalize, so a vector of
// zero length (a degenerate triangle) stays (0,0,0) and never becomes NaN.

#include <cstdint>

#include "foundation/vec3.h"

namespace orvane {

struct Triangle {
  uint32_t a = 0;  // indices into the mesh's points, each below its point_count
  uint32_t b = 0;
  uint32_t c = 0;
  Vec3 normal;           // unit normal, right-handed for the corner order a, b, c
  Vec3 box_min;          // lower corner of the triangle's bounding box
  Vec3 box_max;          // upper corner
  Vec3 edge_ab;          // unit direction from A to B
  Vec3 edge_ac;          // unit direction from A to C
  Vec3 edge_bc;          // unit direction from B to C
  float plane_d = 0.0f;  // normal · A

  // The ray tracer's per-triangle data, filled by MeshObject::ComputeTraceData and read by
  // the triangle test; copied unchanged by MeshObject::Clone.
  //
  // The coordinate (0 x, 1 y, 2 z) in which `normal` has its largest magnitude: the inside
  // test projects the hit point onto the plane of the two other coordinates.
  int32_t drop_axis = 2;
};

}  // namespace orvane
