#pragma once
// Vector comparisons and unit rays for the scene tests.

#include <gtest/gtest.h>
#include "scene/scene_object.h"

namespace orvane::testing_support {
inline void ExpectNear(const Vec3& v, const Vec3& expected, float tolerance = 1e-5f) {
  EXPECT_NEAR(v.x, expected.x, tolerance) << v;
  EXPECT_NEAR(v.y, expected.y, tolerance) << v;
  EXPECT_NEAR(v.z, expected.z, tolerance) << v;
}
inline Ray UnitRay(const Vec3& origin, const Vec3& direction) {
  Ray ray;
  ray.origin = origin;
  ray.direction = direction;
  ray.Normalize();
  return ray;
}
// A motion of `length` along the unit vector `direction`.
inline Ray Step(const Vec3& direction, float length) {
  Ray step;
  step.direction = direction;
  step.length = length;
  return step;
}
// Resets the item and shoots one unit ray at it: the hit distance, or -1 for none.
inline float Shoot(SceneObject& item, const Vec3& origin, const Vec3& direction) {
  item.ResetRayState();
  return item.Intersect(UnitRay(origin, direction), -1.0f) ? item.NearDistance() : -1.0f;
}
}  // namespace orvane::testing_support
