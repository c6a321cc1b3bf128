#pragma once
// Small vector helpers shared by the mesh's source files (geometry, tracing, preview).

#include <algorithm>

#include "foundation/vec3.h"
#include "scene/ray.h"

namespace orvane::mesh_detail {

// Unit vector as Ray::Normalize makes it: a vector shorter than kEps stays as it is.
inline Vec3 RayNormalized(const Vec3& v) {
  Ray ray;
  ray.direction = v;
  ray.Normalize();
  return ray.direction;
}

inline Vec3 Min(const Vec3& a, const Vec3& b) {
  return Vec3{std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z)};
}

inline Vec3 Max(const Vec3& a, const Vec3& b) {
  return Vec3{std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)};
}

}  // namespace orvane::mesh_detail
