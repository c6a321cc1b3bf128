#include "scene/scene_object.h"

#include <cmath>

#include "foundation/error_output.h"

namespace orvane {

void Ray::Normalize() {
  length = static_cast<float>(direction.Length());
  direction.DivideAbs(length);
  normalized = 1;
}

SceneObject::SceneObject() = default;

SceneObject::SceneObject(const SceneObject& other)
    : ListItem(other),
      flags(other.flags),
      name(other.name),
      placement(other.placement),
      scale(other.scale),
      scale_center(other.scale_center),
      material(other.material),
      parent(other.parent),
      preview_dirty(1),
      preview_mode(other.preview_mode) {}

// The cached text goes with the item: a forgotten FreeText must not leak.
SceneObject::~SceneObject() { FreeText(); }

void SceneObject::BuildPreview(PreviewSink&, int) { preview_dirty = 0; }

void SceneObject::SetScaleCenter(Vec3* center) { scale_center = center; }

void SceneObject::SetScale(float sx, float sy, float sz) { scale = Vec3{sx, sy, sz}; }

void SceneObject::ApplyScale() {}

void SceneObject::Move(const Ray& step) {
  if (step.length == 0.0f) return;
  placement.position += step.direction * static_cast<double>(step.length);
}

void SceneObject::RotateAboutAxis(float degrees, const Vec3& axis, const Vec3& point) {
  placement.position.RotateAxisDeg(degrees, axis, point);
}

void SceneObject::RotateEuler(const Vec3& degrees, const Vec3& center, int order) {
  placement.position.RotateEuler(degrees, center, order);
}

void SceneObject::RotateAxesAboutAxis(float degrees, const Vec3& axis) {
  placement.RotateAxesAboutAxis(degrees, axis);
}

void SceneObject::RotateAxesEuler(const Vec3& degrees, int order) {
  placement.RotateAxesEuler(degrees, order);
}

void SceneObject::TurnAboutAxis(float degrees, const Vec3& axis, const Vec3& point) {
  const Vec3 a = axis;  // the arguments may be this item's own vectors
  const Vec3 p = point;
  RotateAxesAboutAxis(degrees, a);
  RotateAboutAxis(degrees, a, p);
}

void SceneObject::TurnEuler(const Vec3& degrees, const Vec3& center, int order) {
  const Vec3 d = degrees;
  const Vec3 c = center;
  RotateAxesEuler(d, order);
  RotateEuler(d, c, order);
}

void SceneObject::PointAlong(const Vec3& direction) { placement.PointAlong(direction); }

void YawPitchTowards(const Vec3& d, double* yaw, double* pitch) {
  Vec3 h{d.x, 0.0f, d.z};
  h.Normalize();
  *yaw = acos_clamped(Dot(h, Vec3{0.0f, 0.0f, 1.0f})) * kRadToDeg;
  if (Dot(h, Vec3{1.0f, 0.0f, 0.0f}) < 0.0) *yaw = -*yaw;
  Placement scratch;
  scratch.RotateAxesEuler(Vec3{0.0f, static_cast<float>(*yaw), 0.0f}, kEulerY);
  *pitch = acos_clamped(Dot(d, scratch.axis_Z)) * kRadToDeg;
  if (Dot(d, scratch.axis_Y) > 0.0) *pitch = -*pitch;
}

void SceneObject::TurnTowards(const Vec3& point, Vec3* anglesOut) {
  Vec3 d = point - placement.position;
  d.Normalize();
  double yaw = 0.0;
  double pitch = 0.0;
  YawPitchTowards(d, &yaw, &pitch);
  placement.RotateAxesEuler(Vec3{0.0f, static_cast<float>(yaw), 0.0f}, kEulerY);
  placement.RotateAxesAboutAxis(pitch, placement.axis_X);
  if (anglesOut) *anglesOut = Vec3{static_cast<float>(pitch), static_cast<float>(yaw), 0.0f};
}

void SceneObject::LookAt(const Vec3& point) { placement.LookAt(point); }

void SceneObject::PrepareRender() {}
void SceneObject::ResetRayState() {}
bool SceneObject::Intersect(const Ray&, float) { return false; }
float SceneObject::NearDistance() const { return 0.0f; }
float SceneObject::FarDistance() const { return 0.0f; }
void SceneObject::SetDistance(float) {}
void SceneObject::ComputeTextureUV() {}
float SceneObject::TextureU() const { return 0.0f; }
float SceneObject::TextureV() const { return 0.0f; }
void SceneObject::SetTextureUV(float, float) {}
Material* SceneObject::GetMaterial() const { return material; }
SceneObject* SceneObject::HitObject() { return this; }
bool SceneObject::TraceNearest(const Ray&, float, RayHit*) const { return false; }
void SceneObject::CompleteHit(const Ray&, RayHit*) const {}
bool SceneObject::TraceAnyBelow(const Ray& ray, double limit, RayHit* hit) const {
  return TraceNearest(ray, -1.0f, hit) && std::isfinite(hit->distance) &&
         static_cast<double>(hit->distance) < limit;
}
Vec3 SceneObject::HitNormal(const RayHit&, const Vec3& point) const {
  return point - placement.position;
}
void SceneObject::HitTextureUV(RayHit*, const Vec3&) const {}
Vec3 SceneObject::HitBump(const RayHit&) const { return Vec3{}; }
TraceExtent SceneObject::TraceBounds(Vec3*, Vec3*) const { return TraceExtent::kNone; }

LIST* SceneObject::CachedText(void (SceneObject::*build)(LIST&)) {
  if (text) return text;
  text = TryNew<LIST>();
  if (!text) {
    ErrorOutput() << "ERROR: Could not allocate LIST for text.\n";
    return nullptr;
  }
  (this->*build)(*text);
  return text;
}

LIST* SceneObject::WriteNative() { return CachedText(&SceneObject::BuildNativeText); }
LIST* SceneObject::WriteVrml() { return CachedText(&SceneObject::BuildVrmlText); }
LIST* SceneObject::WritePov() { return CachedText(&SceneObject::BuildPovText); }

void SceneObject::FreeText() {
  if (!text) return;
  text->RemoveAll();
  delete text;
  text = nullptr;
}

void SceneObject::BuildNativeText(LIST&) {}
void SceneObject::BuildVrmlText(LIST&) {}
void SceneObject::BuildPovText(LIST&) {}

void SceneObject::NormalAt(Vec3* out, const Vec3& point) {
  if (out) *out = point - placement.position;
}

void SceneObject::BumpAt(Vec3* out) {
  if (out) *out = Vec3{0.0f, 0.0f, 0.0f};
}

void AppendLine(LIST& lines, const String& line) {
  String* copy = TryNew<String>(line);
  if (!copy || !lines.Append(copy, 1)) {
    delete copy;
    ErrorOutput() << "ERROR: Could not allocate text line.\n";
  }
}

}  // namespace orvane
