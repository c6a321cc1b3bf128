#include "render/tracer.h"

#include <cmath>

#include "foundation/list.h"
#include "scene/scene.h"
#include "scene/scene_object.h"

namespace orvane {

namespace {

bool Finite(const Vec3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

}  // namespace

Tracer::Tracer(Scene& scene) : scene_(scene) {}

// Every object of the list is asked in turn; a later hit replaces the best one only when it is
// strictly nearer, so among equal distances the first object in list order wins.
SceneObject* Tracer::FindNearestHit(const Ray& ray, const SceneObject* excluded, bool shadowOnly) {
  nearest_distance_ = -1.0f;
  SceneObject* best = nullptr;
  if (!scene_.objects) return nullptr;
  for (const ListNode* n = scene_.objects->head; n; n = n->next) {
    SceneObject* object = dynamic_cast<SceneObject*>(n->item);
    if (!object || object == excluded) continue;
    if (shadowOnly && !object->HasFlag(kHasShadow)) continue;
    if (!object->HasFlag(kIsVisible)) continue;
    object->ResetRayState();
    while (object->Intersect(ray, nearest_distance_)) {
      const float d = object->NearDistance();
      SceneObject* element = object->HitObject();
      if (!std::isfinite(d) || element == excluded) continue;
      if (!best || d < nearest_distance_) {
        best = element;
        nearest_distance_ = d;
      }
    }
  }
  return best;
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
    SceneObject* hit = usable ? FindNearestHit(ray, nullptr, false) : nullptr;
    const float distance = hit ? nearest_distance_ : -1.0f;
    if (depth == settings.traceDepth) primary_hit_distance_ = distance;
    Sum sum;
    double length = 0.0;
    if (hit) {
      Surface surface;
      DescribeHit(hit, ray, distance, &surface);
      Shade(surface, depth, index, &sum);
      length = Distance(ray.origin, surface.point);
      result = 1;
    }
    if (ApplyFog(hit != nullptr, length, &sum)) result = 1;
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
