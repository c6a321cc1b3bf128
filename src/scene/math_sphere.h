#pragma once
// MathSphere: the analytic sphere ("mathematical Sphere", type 2). The ray tracer hits it
// exactly; meshes also keep one (radius 1) as the mapping object that supplies their texture
// coordinates.
//
// Geometry: the centre is placement.position; the local axes of the placement orient the
// texture mapping (v runs from the +axis_Y pole, u around axis_Y starting at axis_X).
//
// Tracing protocol: ResetRayState starts a search; the first Intersect of a search answers
// the nearest hit in front of the ray origin (a ray starting inside hits the far side) and
// every further Intersect answers false until the next reset. Rays are expected to have unit
// directions. The maximum distance is ignored.
//
// Texture coordinates (computed while intersecting when the uses-texture flag is set), with n
// the unit normal at the hit and f = 0.3183193 (1/3.1415, deliberately not 1/pi):
//   v = acos(n · Y) × f
//   n' = unit(n - Y (n · Y)); a = acos(n' · X) × f, a = 2 - a when n' · Z < 0; u = a × 0.5
// At the poles n' is the zero vector, which gives u = 0.25.

#include <cmath>
#include <cstdint>
#include <utility>

#include "scene/scene_object.h"

namespace orvane {

// The distances at which `ray` (unit direction) meets the sphere of `centre` and squared
// radius `radius_squared`: the nearest one in front of the origin (a ray starting inside
// meets the far side) and the other root. False when it misses. The tracer's spatial index
// calls this directly on the spheres it keeps side by side.
inline bool SphereHitDistances(const Vec3& centre, float radius_squared, const Ray& ray,
                               float* near, float* far) {
  constexpr double kMinHitDistance = 0.000001;
  const Vec3 to_centre = centre - ray.origin;
  const double b = Dot(to_centre, ray.direction);
  const double disc = b * b - Dot(to_centre, to_centre) + radius_squared;
  if (disc < 0.0) return false;
  const double s = std::sqrt(disc);
  double t0 = b - s;
  double t1 = b + s;
  if (t0 < kMinHitDistance) std::swap(t0, t1);
  if (t0 < kMinHitDistance) return false;
  *near = static_cast<float>(t0);
  *far = static_cast<float>(t1);
  return true;
}

class MathSphere : public SceneObject {
 public:
  // The radius is stored as |radius|; a non-finite radius counts as 1.
  explicit MathSphere(float radius = 1.0f);
  MathSphere(const MathSphere& other) = default;

  int GetType() const override { return kItemSphere; }
  const char* TypeName() const override { return "mathematical Sphere"; }

  float radius() const { return radius_; }
  float radius_squared() const { return radius_squared_; }
  // Stores |r| and its square. A non-finite r is refused: false, nothing changes.
  bool SetRadius(float r);
  uint32_t uses_texture() const { return uses_texture_; }
  void set_uses_texture(uint32_t flag) { uses_texture_ = flag ? 1u : 0u; }

  // Three circles of 20 vertices (18° steps) about the local X, Y and Z axes, of radius
  // radius × (sx + sy + sz) / 3 of the pending scale, into the first display list.
  void BuildPreview(PreviewSink& sink, int variant) override;
  // The position is scaled about scale_center (when set) by the scale factors; the radius is
  // multiplied by (sx + sy + sz) / 3 and kept non-negative. The pending scale stays; the caller
  // resets it.
  void ApplyScale() override;

  // With a material: uses-texture := whether any channel has a texture.
  void PrepareRender() override;
  void ResetRayState() override;
  bool Intersect(const Ray& ray, float maxDistance) override;
  bool TraceNearest(const Ray& ray, float maxDistance, RayHit* hit) const override;
  // The unit normal at the hit and, when the sphere uses textures, its (u, v).
  void CompleteHit(const Ray& ray, RayHit* hit) const override;
  Vec3 HitBump(const RayHit& hit) const override;
  TraceExtent TraceBounds(Vec3* lo, Vec3* hi) const override;
  float NearDistance() const override { return distance_; }
  // The second root of the last hit (the other side of the sphere).
  float FarDistance() const override { return second_root_; }
  void SetDistance(float distance) override { distance_ = distance; }
  float TextureU() const override { return u_; }
  float TextureV() const override { return v_; }
  void SetTextureUV(float u, float v) override;

  SceneObject* Clone() const override;

  // Inherited: out := point - centre (shading normalizes it).
  // The bump perturbation of the material at the last hit's (u, v), with the local X and Y
  // axes as tangent references; (0,0,0) without a material.
  void BumpAt(Vec3* out) override;

 protected:
  // The scene-language text: "sphere NAME{", the placement, radius, material and the flags that
  // differ from the defaults, "}".
  void BuildNativeText(LIST& lines) override;
  void BuildVrmlText(LIST& lines) override;
  void BuildPovText(LIST& lines) override;

 private:
  float radius_ = 1.0f;
  float radius_squared_ = 1.0f;
  float distance_ = 0.0f;     // t of the current hit
  float second_root_ = 0.0f;  // the other root of the current hit
  float u_ = 0.0f;
  float v_ = 0.0f;
  uint32_t hit_done_ = 0;
  uint32_t uses_texture_ = 1;
  Vec3 hit_normal_{0.0f, 0.0f, 1.0f};  // unit normal at the current hit, for BumpAt
};

}  // namespace orvane
