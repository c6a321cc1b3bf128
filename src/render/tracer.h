#pragma once
// Tracer: the recursive ray tracer of a scene — nearest-hit search over the scene's objects
// and shading from the lights and the hit object's material.
//
// All scratch state of a trace lives in the Tracer (not in statics) and the searches keep no
// state in the scene's items, so several tracers (one per thread) can trace one scene at once
// over a shared SceneIndex, as long as nobody changes the scene meanwhile. A tracer without
// an index collects the scene's traced set anew for every search (for callers that trace a
// few rays without preparing a frame).
//
// Colours: every contribution is truncated toward zero before it is added, each component is
// clamped to 0..255 at the end of a level, and every "/ 255" of a byte colour or a texture
// brightness is a multiplication by kByteScale (so 255 × 255 × kByteScale is just below 255).
// Non-finite intermediate values contribute nothing and negative sums end as 0: no NaN or
// wrapped value reaches a pixel.
//
// Secondary rays: mirror and transparency rays start kSurfaceOffset along their direction from
// the hit point, shadow rays kSurfaceOffset towards the light. A shadow ray stops at the first
// blocker that is not nearer than the light (a parallel light is beyond every blocker) and at
// the lit object itself unless that is a mesh; transparent blockers filter the light and the
// ray goes on behind them.
//
// Recursion: each mirror and transparency ray is one level deeper; a level costs under 1 KiB
// of stack (about 0.7 KiB optimised, 1.3 KiB with the sanitizers), so a trace depth of 100 is
// safe. A material with both a mirror and a transparency channel doubles the rays per level,
// so deep traces of such scenes take long.

#include <cstdint>

#include "foundation/vec3.h"
#include "material/material.h"
#include "material/texture.h"
#include "render/scene_index.h"
#include "scene/ray.h"
#include "scene/ray_hit.h"

namespace orvane {

class LightSource;
class Scene;
class SceneObject;

// 1/255, the factor that scales byte colours and brightnesses.
inline constexpr double kByteScale = 0.003921568;
// How far secondary and shadow rays start from the surface they leave, along their direction.
inline constexpr float kSurfaceOffset = 0.001f;

class Tracer {
 public:
  explicit Tracer(Scene& scene);

  // Searches `index` (not owned; null: the scene's list as it is at each search). The index
  // must stay alive and unchanged while the tracer uses it.
  void UseIndex(const SceneIndex* index) { index_ = index; }

  // Traces `ray` in a medium of refraction index `index` with `depth` levels of recursion
  // left. Sets *r, *g, *b to the colour (0..255 each) and returns 1 when the colour is valid
  // (an object was hit, or fog is on), 0 otherwise (black). At the top level (depth equal to
  // the scene's trace depth) the hit distance is kept for the depth map: PrimaryHitDistance(),
  // -1 when nothing was hit. `flag` is not used.
  int16_t Trace(Ray ray, int* r, int* g, int* b, int16_t depth, float index, int flag);

  // The nearest visible object hit by `ray` (objects without "has_shadow" are skipped when
  // `shadowOnly`), `excluded` never answering; null when nothing is hit. The distance of the
  // hit is NearestDistance().
  SceneObject* FindNearestHit(const Ray& ray, const SceneObject* excluded, bool shadowOnly);
  float NearestDistance() const { return nearest_distance_; }
  // The same search with the whole hit record; false when nothing is hit.
  bool FindNearest(const Ray& ray, const SceneObject* excluded, bool shadowOnly, RayHit* hit);

  float PrimaryHitDistance() const { return primary_hit_distance_; }
  void ResetPrimaryHitDistance() { primary_hit_distance_ = 0.0f; }

 private:
  // Colour sums of one level, before clamping.
  struct Sum {
    int64_t r = 0;
    int64_t g = 0;
    int64_t b = 0;
  };

  // What shading needs of a hit, fixed before any further search moves the objects' hit state.
  struct Surface {
    SceneObject* object = nullptr;
    const Material* material = nullptr;
    Vec3 point;             // P
    Vec3 normal;            // N, unit, after the bump
    Vec3 direction;         // D, the unit ray direction
    Vec3 reflected;         // R
    double cos_view = 0.0;  // N · D before the bump; > 0 when the viewer is behind the surface
    float u = 0.0f;
    float v = 0.0f;
    ColourF diffuse;                           // S(0)
    float brightness[kMaterialChannels] = {};  // s(c)
    double diffuse_amount = 0.0;               // a(0,0), reduced by a transparency texture
  };

  void DescribeHit(RayHit hit, const Ray& ray, Surface* s);
  // The index to search: the shared one, or the scene's current list collected anew.
  const SceneIndex& Index();
  void Shade(const Surface& s, int16_t depth, float index, Sum* sum);
  void AddLight(const LightSource& light, const Surface& s, Sum* sum);
  // Attenuation k of `light` at the surface and the unit direction *L towards it.
  double LightFactor(const LightSource& light, const Surface& s, Vec3* L) const;
  // Filters the light colour through the shadow blockers between the surface and the light.
  void FilterShadow(const LightSource& light, const Surface& s, const Vec3& L, int64_t colour[3]);
  void AddMirror(const Surface& s, int16_t depth, float index, Sum* sum);
  void AddTransparency(const Surface& s, int16_t depth, float index, Sum* sum);
  // Traces a secondary ray from P one level deeper and, when it reports a colour, adds it
  // scaled by the channel colour, `amount` and the channel's texture `brightness`.
  void AddSecondary(const Surface& s, const Vec3& direction, int channel, double amount,
                    double brightness, int16_t depth, float index, Sum* sum);
  void AddGlowAndAmbient(const Surface& s, Sum* sum) const;
  // Fog over `length` (hit) or the fog colour (miss); true when fog is on.
  bool ApplyFog(bool hit, double length, Sum* sum) const;

  Scene& scene_;
  const SceneIndex* index_ = nullptr;
  SceneIndex own_index_;
  float nearest_distance_ = -1.0f;
  float primary_hit_distance_ = 0.0f;
  Material fallback_material_;  // for hit objects without a material
};

}  // namespace orvane
