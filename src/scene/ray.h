#pragma once
// Ray: a directed length, shared by the move operation and the ray tracer. The end point is
// origin + direction × length; advancing by t moves the origin by direction × t.

#include <cstdint>

#include "foundation/vec3.h"

namespace orvane {

struct Ray {
  float length = 0.0f;
  int32_t normalized = 0;
  Vec3 origin;
  Vec3 direction;

  // length := |direction|; direction divided by it (unchanged when shorter than EPS);
  // normalized := 1.
  void Normalize();
};

}  // namespace orvane
