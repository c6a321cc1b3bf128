#pragma once
// MathPlane: the analytic plane ("mathematical Plane", type 3), unlimited or cut to a circle,
// a rectangle or an ellipse. It lies through placement.position, is spanned by the local
// axis_X and axis_Y and has axis_Z as its normal. Meshes may use one as their mapping object.
//
// Outline by plane type, with Q = P - position, qx = Q · axis_X, qy = Q · axis_Y:
//   0 infinite   every point of the plane
//   1 circle     |Q| <= radius_X; a radius_X of 0 (or less) leaves the circle unlimited
//   2 rectangle  |qx| <= radius_X and |qy| <= radius_Y (points on the edge count)
//   3 ellipse    the rectangle's test and |qy| <= sqrt(rY² - rY²/rX² × qx²)
//
// Tracing protocol: as for MathSphere, one hit per search; maxDistance is ignored. A
// single-sided plane is not hit by rays that travel along its normal (from behind), whatever
// kind of ray it is.
//
// Texture coordinates, computed while intersecting when the uses-texture flag is set:
//   bounded outlines: u = 0.5 + qx / (2 rX), v = 0.5 - qy / (2 rY), with rX = rY = radius_X
//   for the circle (a half extent of 0 gives 0.5);
//   infinite planes and unlimited circles: the same with half extents of 1, reduced to their
//   fractional parts, so a texture repeats every two units along each axis.

#include <cstdint>

#include "scene/scene_object.h"

namespace orvane {

enum PlaneType : int16_t {
  kPlaneInfinite = 0,
  kPlaneCircle = 1,
  kPlaneRectangle = 2,
  kPlaneEllipse = 3,
};

class MathPlane : public SceneObject {
 public:
  MathPlane();
  MathPlane(const MathPlane& other) = default;

  int GetType() const override { return kItemPlane; }
  const char* TypeName() const override { return "mathematical Plane"; }

  float radius_X() const { return radius_X_; }
  float radius_Y() const { return radius_Y_; }
  // Store |r|; a non-finite r is refused (false, nothing changes).
  bool SetRadiusX(float r);
  bool SetRadiusY(float r);
  int16_t plane_type() const { return plane_type_; }
  // Types 0..3; another value is refused (false, nothing changes).
  bool SetPlaneType(int type);
  uint32_t single_sided() const { return single_sided_; }
  void set_single_sided(uint32_t flag) { single_sided_ = flag ? 1u : 0u; }
  uint32_t uses_texture() const { return uses_texture_; }
  void set_uses_texture(uint32_t flag) { uses_texture_ = flag ? 1u : 0u; }

  // The outline area as a grid of four-vertex primitives of preview_mode, cells of 0.2 × the
  // half extents (10 per half axis); circles and ellipses keep the cells whose centre lies
  // inside. Infinite planes and unlimited circles are drawn over ±100 units. The pending scale
  // is shown (half extents times |sx| and |sy|).
  void BuildPreview(PreviewSink& sink, int variant) override;
  // The position is scaled about scale_center (when set); radius_X is multiplied by |sx| and
  // radius_Y by |sy|: the factors apply along the plane's own axes. The pending scale stays.
  void ApplyScale() override;

  void PrepareRender() override;
  void ResetRayState() override;
  bool Intersect(const Ray& ray, float maxDistance) override;
  bool TraceNearest(const Ray& ray, float maxDistance, RayHit* hit) const override;
  Vec3 HitNormal(const RayHit& hit, const Vec3& point) const override;
  Vec3 HitBump(const RayHit& hit) const override;
  TraceExtent TraceBounds(Vec3* lo, Vec3* hi) const override;
  float NearDistance() const override { return distance_; }
  void SetDistance(float distance) override { distance_ = distance; }
  float TextureU() const override { return u_; }
  float TextureV() const override { return v_; }
  void SetTextureUV(float u, float v) override;

  SceneObject* Clone() const override;

  // out := axis_Z, whichever side is hit (shading flips it as needed).
  void NormalAt(Vec3* out, const Vec3& point) override;
  // The bump perturbation of the material at the last hit's (u, v); (0,0,0) without one.
  void BumpAt(Vec3* out) override;

 protected:
  // The scene-language text: "plane NAME{", the placement, half extents, type, sidedness, material
  // and the flags that differ from the defaults, "}".
  void BuildNativeText(LIST& lines) override;
  void BuildVrmlText(LIST& lines) override;
  void BuildPovText(LIST& lines) override;

 private:
  // Whether the point with local coordinates (qx, qy) and distance |Q| from the centre lies
  // inside the outline; sets the texture coordinates when it does.
  bool InsideOutline(double qx, double qy, double q_length, RayHit* hit) const;
  void SetBoundedUV(double qx, double qy, double rx, double ry, RayHit* hit) const;

  float radius_X_ = 0.0f;
  float radius_Y_ = 0.0f;
  int16_t plane_type_ = kPlaneInfinite;
  float distance_ = 0.0f;
  float u_ = 0.0f;
  float v_ = 0.0f;
  uint32_t hit_done_ = 0;
  uint32_t single_sided_ = 0;
  uint32_t uses_texture_ = 1;
};

}  // namespace orvane
