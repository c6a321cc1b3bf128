#pragma once
// Tracer: the recursive ray tracer of a scene — nearest-hit search over the scene's objects
// and shading from the lights and the hit object's material.
//
// All scratch state of a trace lives in the Tracer (not in statics), so that several tracers
// could work on one scene from several threads once the objects' hit state is made per-thread.

#include <cstdint>

#include "scene/ray.h"

namespace orvane {

class Scene;
class SceneObject;

class Tracer {
 public:
  explicit Tracer(Scene& scene);

  // Traces `ray` in a medium of refraction index `index` with `depth` levels of recursion
  // left. Sets *r, *g, *b to the colour (0..255 each) and returns 1 when the colour is valid
  // (an object was hit, or fog is on), 0 otherwise (black). At the top level (depth equal to
  // the scene's trace depth) the hit distance is kept for the depth map: PrimaryHitDistance().
  int16_t Trace(Ray ray, int* r, int* g, int* b, int16_t depth, float index, int flag);

  // The nearest visible object hit by `ray` (objects without "has_shadow" are skipped when
  // `shadowOnly`), `excluded` never answering; null when nothing is hit. The distance of the
  // hit is NearestDistance().
  SceneObject* FindNearestHit(const Ray& ray, const SceneObject* excluded, bool shadowOnly);
  float NearestDistance() const { return nearest_distance_; }

  float PrimaryHitDistance() const { return primary_hit_distance_; }
  void ResetPrimaryHitDistance() { primary_hit_distance_ = 0.0f; }

 private:
  Scene& scene_;
  float nearest_distance_ = -1.0f;
  float primary_hit_distance_ = 0.0f;
};

}  // namespace orvane
