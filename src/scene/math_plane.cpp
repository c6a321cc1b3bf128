#include "scene/math_plane.h"

#include <algorithm>
#include <cmath>

#include "foundation/error_output.h"
#include "material/material.h"
#include "material/sampling.h"

namespace orvane {

namespace {

constexpr double kMinDenominator = 0.000001;
constexpr int kCellsPerHalfAxis = 5;  // 10 cells of 0.2 × the half extent across
constexpr double kUnlimitedPreviewExtent = 100.0;

double Fraction(double x) {
  return x - std::floor(x);
}

// Whether a point at (qx, qy) lies inside the ellipse with half extents rx, ry; the caller has
// checked |qx| <= rx and |qy| <= ry.
bool InsideEllipse(double qx, double qy, double rx, double ry) {
  const double ry2 = ry * ry;
  // With rx = 0 only qx = 0 gets here, where the quotient's term vanishes.
  const double reach = rx > 0.0 ? ry2 - ry2 / (rx * rx) * (qx * qx) : ry2;
  return std::fabs(qy) <= std::sqrt(std::max(reach, 0.0));
}

}  // namespace

MathPlane::MathPlane() {
  preview_mode = kPreviewLineLoop;
}

bool MathPlane::SetRadiusX(float r) {
  if (!std::isfinite(r)) return false;
  radius_X_ = std::fabs(r);
  return true;
}

bool MathPlane::SetRadiusY(float r) {
  if (!std::isfinite(r)) return false;
  radius_Y_ = std::fabs(r);
  return true;
}

bool MathPlane::SetPlaneType(int type) {
  if (type < kPlaneInfinite || type > kPlaneEllipse) return false;
  plane_type_ = static_cast<int16_t>(type);
  return true;
}

void MathPlane::BuildPreview(PreviewSink& sink, int) {
  const bool unlimited =
      plane_type_ == kPlaneInfinite || (plane_type_ == kPlaneCircle && radius_X_ <= 0.0f);
  double rx = radius_X_ * std::fabs(static_cast<double>(scale.x));
  double ry = (plane_type_ == kPlaneCircle ? radius_X_ : radius_Y_) *
              std::fabs(static_cast<double>(plane_type_ == kPlaneCircle ? scale.x : scale.y));
  if (unlimited) rx = ry = kUnlimitedPreviewExtent;
  const bool round = !unlimited && (plane_type_ == kPlaneCircle || plane_type_ == kPlaneEllipse);
  const double cell_x = rx / kCellsPerHalfAxis;
  const double cell_y = ry / kCellsPerHalfAxis;
  const Placement& p = placement;

  display_lists[0] = sink.BeginList(*this, display_lists[0]);
  for (int i = -kCellsPerHalfAxis; i < kCellsPerHalfAxis; ++i) {
    for (int j = -kCellsPerHalfAxis; j < kCellsPerHalfAxis; ++j) {
      const double x0 = i * cell_x, x1 = (i + 1) * cell_x;
      const double y0 = j * cell_y, y1 = (j + 1) * cell_y;
      if (round && !InsideEllipse(0.5 * (x0 + x1), 0.5 * (y0 + y1), rx, ry)) continue;
      const double corners[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
      sink.Begin(preview_mode);
      for (const auto& c : corners) {
        const Vec3 point = p.position + p.axis_X * c[0] + p.axis_Y * c[1];
        sink.Vertex(Vec3{point.x, point.y, -point.z});
      }
      sink.End();
    }
  }
  sink.EndList();
  preview_dirty = 0;
}

void MathPlane::ApplyScale() {
  if (scale_center) placement.position.ScaleAbout(*scale_center, scale.x, scale.y, scale.z);
  SetRadiusX(static_cast<float>(radius_X_ * static_cast<double>(scale.x)));
  SetRadiusY(static_cast<float>(radius_Y_ * static_cast<double>(scale.y)));
  preview_dirty = 1;
}

void MathPlane::PrepareRender() {
  if (material) uses_texture_ = material->usesAnyTexture() ? 1u : 0u;
}

void MathPlane::ResetRayState() {
  hit_done_ = 0;
}

bool MathPlane::Intersect(const Ray& ray, float maxDistance) {
  if (hit_done_) return false;
  hit_done_ = 1;
  RayHit hit;
  if (!TraceNearest(ray, maxDistance, &hit)) return false;
  distance_ = hit.distance;
  if (uses_texture_) {
    u_ = hit.u;
    v_ = hit.v;
  }
  return true;
}

bool MathPlane::TraceNearest(const Ray& ray, float, RayHit* hit) const {
  const Placement& p = placement;
  const double denom = Dot(p.axis_Z, ray.direction);
  if (std::fabs(denom) < kMinDenominator) return false;
  if (single_sided_ && denom > 0.0) return false;
  const double t = (Dot(p.axis_Z, p.position) - Dot(p.axis_Z, ray.origin)) / denom;
  if (t < 0.0) return false;
  const float stored_t = static_cast<float>(t);

  const Vec3 q = ray.origin + ray.direction * stored_t - p.position;
  if (!InsideOutline(Dot(q, p.axis_X), Dot(q, p.axis_Y), q.Length(), hit)) return false;
  hit->object = const_cast<MathPlane*>(this);
  hit->distance = stored_t;
  hit->far_distance = stored_t;
  return true;
}

Vec3 MathPlane::HitNormal(const RayHit&, const Vec3&) const {
  return placement.axis_Z;
}

Vec3 MathPlane::HitBump(const RayHit& hit) const {
  if (!material) return Vec3{};
  return BumpPerturbation(*material, hit.u, hit.v, placement.axis_Z, placement.axis_X,
                          placement.axis_Y);
}

TraceExtent MathPlane::TraceBounds(Vec3*, Vec3*) const {
  return TraceExtent::kUnbounded;
}

bool MathPlane::InsideOutline(double qx, double qy, double q_length, RayHit* hit) const {
  const double rx = radius_X_;
  const double ry = radius_Y_;
  switch (plane_type_) {
    case kPlaneCircle:
      if (rx <= 0.0) break;  // unlimited
      if (q_length > rx) return false;
      SetBoundedUV(qx, qy, rx, rx, hit);
      return true;
    case kPlaneRectangle:
      if (std::fabs(qx) > rx || std::fabs(qy) > ry) return false;
      SetBoundedUV(qx, qy, rx, ry, hit);
      return true;
    case kPlaneEllipse:
      if (std::fabs(qx) > rx || std::fabs(qy) > ry) return false;
      if (!InsideEllipse(qx, qy, rx, ry)) return false;
      SetBoundedUV(qx, qy, rx, ry, hit);
      return true;
    default:
      break;
  }
  // Infinite planes and unlimited circles: half extents of 1, repeated.
  if (uses_texture_) {
    hit->u = static_cast<float>(Fraction(0.5 + qx / 2.0));
    hit->v = static_cast<float>(Fraction(0.5 - qy / 2.0));
  }
  return true;
}

void MathPlane::SetBoundedUV(double qx, double qy, double rx, double ry, RayHit* hit) const {
  if (!uses_texture_) return;
  hit->u = static_cast<float>(rx > 0.0 ? 0.5 + qx / (2.0 * rx) : 0.5);
  hit->v = static_cast<float>(ry > 0.0 ? 0.5 - qy / (2.0 * ry) : 0.5);
}

void MathPlane::SetTextureUV(float u, float v) {
  u_ = u;
  v_ = v;
}

SceneObject* MathPlane::Clone() const {
  MathPlane* copy = TryNew<MathPlane>(*this);
  if (!copy) {
    ErrorOutput() << "ERROR: Could not allocate mathematical Plane.\n";
    return nullptr;
  }
  if (scale_center == &placement.position) copy->scale_center = &copy->placement.position;
  copy->hit_done_ = 0;
  return copy;
}

void MathPlane::NormalAt(Vec3* out, const Vec3&) {
  if (out) *out = placement.axis_Z;
}

void MathPlane::BumpAt(Vec3* out) {
  if (!out) return;
  if (!material) {
    *out = Vec3{0.0f, 0.0f, 0.0f};
    return;
  }
  *out = BumpPerturbation(*material, u_, v_, placement.axis_Z, placement.axis_X, placement.axis_Y);
}

}  // namespace orvane
