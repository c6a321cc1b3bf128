#include "scene/math_sphere.h"

#include <algorithm>
#include <cmath>

#include "foundation/error_output.h"
#include "material/material.h"
#include "material/sampling.h"

namespace orvane {

namespace {

// 1/3.1415: the texture mapping's angle factor, kept as the stored files expect it.
constexpr double kInvPiApprox = 0.3183193;
constexpr int kCircleVertices = 20;
constexpr double kCircleStepDeg = 18.0;

// acos with the argument held to [-1, 1], so rounding never produces NaN.
double SafeAcos(double x) {
  return std::acos(std::clamp(x, -1.0, 1.0));
}

// The view's coordinates: z negated.
Vec3 ViewPoint(const Vec3& p) {
  return Vec3{p.x, p.y, -p.z};
}

}  // namespace

MathSphere::MathSphere(float radius) {
  preview_mode = kPreviewLineLoop;
  if (!SetRadius(radius)) SetRadius(1.0f);
}

bool MathSphere::SetRadius(float r) {
  if (!std::isfinite(r)) return false;
  radius_ = std::fabs(r);
  radius_squared_ = static_cast<float>(static_cast<double>(radius_) * radius_);
  return true;
}

void MathSphere::BuildPreview(PreviewSink& sink, int) {
  const double mean_scale = (static_cast<double>(scale.x) + scale.y + scale.z) / 3.0;
  const double r = radius_ * mean_scale;
  const Placement& p = placement;
  // Each circle lies in the plane of two local axes, i.e. about the third.
  const Vec3* planes[3][2] = {
      {&p.axis_Y, &p.axis_Z}, {&p.axis_Z, &p.axis_X}, {&p.axis_X, &p.axis_Y}};
  display_lists[0] = sink.BeginList(*this, display_lists[0]);
  for (const auto& axes : planes) {
    sink.Begin(preview_mode);
    for (int k = 0; k < kCircleVertices; ++k) {
      const double angle = k * kCircleStepDeg * kDegToRad;
      const Vec3 point =
          p.position + *axes[0] * (std::cos(angle) * r) + *axes[1] * (std::sin(angle) * r);
      sink.Vertex(ViewPoint(point));
    }
    sink.End();
  }
  sink.EndList();
  preview_dirty = 0;
}

void MathSphere::ApplyScale() {
  if (scale_center) placement.position.ScaleAbout(*scale_center, scale.x, scale.y, scale.z);
  const double mean_scale = (static_cast<double>(scale.x) + scale.y + scale.z) / 3.0;
  SetRadius(static_cast<float>(radius_ * mean_scale));
  preview_dirty = 1;
}

void MathSphere::PrepareRender() {
  if (material) uses_texture_ = material->usesAnyTexture() ? 1u : 0u;
}

void MathSphere::ResetRayState() {
  hit_done_ = 0;
}

bool MathSphere::Intersect(const Ray& ray, float maxDistance) {
  if (hit_done_) return false;
  hit_done_ = 1;
  RayHit hit;
  if (!TraceNearest(ray, maxDistance, &hit)) return false;
  CompleteHit(ray, &hit);
  distance_ = hit.distance;
  second_root_ = hit.far_distance;
  hit_normal_ = hit.normal;
  if (uses_texture_) {
    u_ = hit.u;
    v_ = hit.v;
  }
  return true;
}

bool MathSphere::TraceNearest(const Ray& ray, float, RayHit* hit) const {
  if (!SphereHitDistances(placement.position, radius_squared_, ray, &hit->distance,
                          &hit->far_distance))
    return false;
  hit->object = const_cast<MathSphere*>(this);
  return true;
}

void MathSphere::CompleteHit(const Ray& ray, RayHit* hit) const {
  const Vec3& centre = placement.position;
  const Vec3 point = ray.origin + ray.direction * hit->distance;
  Vec3 n = point - centre;
  n.Normalize();
  hit->normal = n;
  if (!uses_texture_) return;

  const Placement& p = placement;
  const double ny = Dot(n, p.axis_Y);
  hit->v = static_cast<float>(SafeAcos(ny) * kInvPiApprox);
  Vec3 around = n - p.axis_Y * ny;
  around.Normalize();
  double a = SafeAcos(Dot(around, p.axis_X)) * kInvPiApprox;
  if (Dot(around, p.axis_Z) < 0.0) a = 2.0 - a;
  hit->u = static_cast<float>(a * 0.5);
}

Vec3 MathSphere::HitBump(const RayHit& hit) const {
  if (!material) return Vec3{};
  return BumpPerturbation(*material, hit.u, hit.v, hit.normal, placement.axis_X, placement.axis_Y);
}

// The box of the sphere, widened by a little more than the rounding of the hit distance so
// that no hit point lies outside it.
TraceExtent MathSphere::TraceBounds(Vec3* lo, Vec3* hi) const {
  const Vec3& c = placement.position;
  const double r = radius_ * (1.0 + 1e-5) + 1e-5;
  if (!std::isfinite(c.x) || !std::isfinite(c.y) || !std::isfinite(c.z) || !std::isfinite(r))
    return TraceExtent::kUnbounded;
  *lo = Vec3{static_cast<float>(c.x - r), static_cast<float>(c.y - r), static_cast<float>(c.z - r)};
  *hi = Vec3{static_cast<float>(c.x + r), static_cast<float>(c.y + r), static_cast<float>(c.z + r)};
  return TraceExtent::kBounded;
}

void MathSphere::SetTextureUV(float u, float v) {
  u_ = u;
  v_ = v;
}

SceneObject* MathSphere::Clone() const {
  MathSphere* copy = TryNew<MathSphere>(*this);
  if (!copy) {
    ErrorOutput() << "ERROR: Could not allocate mathematical Sphere.\n";
    return nullptr;
  }
  // A centre that pointed at the original's own position now means the copy's.
  if (scale_center == &placement.position) copy->scale_center = &copy->placement.position;
  copy->hit_done_ = 0;
  return copy;
}

void MathSphere::BumpAt(Vec3* out) {
  if (!out) return;
  if (!material) {
    *out = Vec3{0.0f, 0.0f, 0.0f};
    return;
  }
  *out = BumpPerturbation(*material, u_, v_, hit_normal_, placement.axis_X, placement.axis_Y);
}

}  // namespace orvane
