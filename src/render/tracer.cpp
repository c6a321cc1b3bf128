#include "render/tracer.h"

#include <cmath>

#include "scene/scene.h"
#include "scene/scene_object.h"

namespace orvane {

namespace {

bool Finite(const Vec3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

}  // namespace

Tracer::Tracer(Scene& scene) : scene_(scene) {}

const SceneIndex& Tracer::Index() {
  if (index_) return *index_;
  own_index_.Build(scene_.objects, false);
  return own_index_;
}

bool Tracer::FindNearest(const Ray& ray, const SceneObject* excluded, bool shadowOnly,
                         RayHit* hit) {
  nearest_distance_ = -1.0f;
  if (!scene_.objects && !index_) return false;
  if (!Index().Nearest(ray, excluded, shadowOnly, hit)) return false;
  nearest_distance_ = hit->distance;
  return true;
}

SceneObject* Tracer::FindNearestHit(const Ray& ray, const SceneObject* excluded, bool shadowOnly) {
  RayHit hit;
  return FindNearest(ray, excluded, shadowOnly, &hit) ? hit.object : nullptr;
}

int16_t Tracer::Trace(Ray ray, int* r, int* g, int* b, int16_t depth, float index, int) {
  int out[3] = {0, 0, 0};
  int16_t result = 0;
  const RenderSettings& settings = scene_.render;
  const bool runs =
      depth >= 1 && scene_.objects && (scene_.lights || settings.ambientIntensity != 0.0f);
  if (runs) {
    // A ray without a usable direction (zero length, NaN or infinite parts) hits nothing.
    ray.Normalize();
    const bool usable = ray.length >= kEps && Finite(ray.origin) && Finite(ray.direction);
    RayHit hit;
    const bool found = usable && FindNearest(ray, nullptr, false, &hit);
    const float distance = found ? hit.distance : -1.0f;
    if (depth == settings.traceDepth) primary_hit_distance_ = distance;
    Sum sum;
    double length = 0.0;
    if (found) {
      Surface surface;
      DescribeHit(hit, ray, &surface);
      Shade(surface, depth, index, &sum);
      length = Distance(ray.origin, surface.point);
      result = 1;
    }
    if (ApplyFog(found, length, &sum)) result = 1;
    out[0] = static_cast<int>(sum.r);
    out[1] = static_cast<int>(sum.g);
    out[2] = static_cast<int>(sum.b);
  }
  if (r) *r = out[0];
  if (g) *g = out[1];
  if (b) *b = out[2];
  return result;
}

}  // namespace orvane
