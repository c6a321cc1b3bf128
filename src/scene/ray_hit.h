#pragma once
// RayHit: one ray's hit of one scene item, kept by the searcher instead of in the item, so
// that several searches (one per thread) can run over the same items at once.
//
// An item fills it in TraceNearest and reads it back in HitNormal, HitTextureUV and HitBump;
// fields an item does not use keep their defaults.

#include <cstdint>

#include "foundation/vec3.h"

namespace orvane {

class SceneObject;

struct RayHit {
  SceneObject* object = nullptr;  // the element hit (a group's member, not the group)
  float distance = -1.0f;         // along the unit ray
  float far_distance = 0.0f;      // a sphere's second root; else the distance
  uint32_t triangle = 0;          // meshes: the index of the triangle hit
  Vec3 point;                     // meshes: the hit point as the search computed it
  Vec3 normal{0.0f, 0.0f, 1.0f};  // spheres: the unit normal at the hit
  float u = 0.0f;                 // texture coordinates, where the item computes them while
  float v = 0.0f;                 // intersecting (spheres and planes with textures)
};

// The box an item occupies for the tracer's spatial index.
enum class TraceExtent {
  kNone,       // never hit (unprepared, empty, a path, an item that is not traced)
  kBounded,    // inside lo..hi
  kUnbounded,  // no finite box (planes)
};

}  // namespace orvane
