#include "scene/camera.h"

#include <cmath>

#include "foundation/error_output.h"

namespace orvane {

namespace {

constexpr double D(float v) {
  return static_cast<double>(v);
}
constexpr float F(double v) {
  return static_cast<float>(v);
}

// The mean of three scale factors is formed with the single-precision third.
constexpr float kOneThird = 0.33333334f;
// A zoom refers to a picture of this width.
constexpr double kReferenceWidth = 320.0;
// 2 × degrees per radian: turns atan(half angle) into the full opening angle in degrees.
constexpr double kTwiceRadToDeg = 114.59156;

float MeanScaled(float value, const Vec3& factors) {
  return F(D(value) * (D(factors.x) + D(factors.y) + D(factors.z)) * D(kOneThird));
}

}  // namespace

Camera::Camera() {
  preview_mode = kPreviewLineLoop;
}

Camera::Camera(const Camera& other)
    : SceneObject(other),
      half_width(other.half_width),
      half_height(other.half_height),
      panorama_width(other.panorama_width),
      focal(other.focal),
      zoom(other.zoom),
      effective_zoom(other.effective_zoom) {}

Camera::~Camera() = default;

SceneObject* Camera::Clone() const {
  Camera* copy = TryNew<Camera>(*this);
  if (!copy) ErrorOutput() << "ERROR: Could not allocate camera.\n";
  return copy;
}

void Camera::BuildPreview(PreviewSink&, int) {
  for (uint32_t& slot : display_lists) slot = 0;
}

void Camera::SetScale(float sx, float sy, float sz) {
  SceneObject::SetScale(sx, sy, sz);
  effective_zoom = MeanScaled(zoom, scale);
  UpdateFocal();
}

void Camera::ApplyScale() {
  zoom = MeanScaled(zoom, scale);
  effective_zoom = zoom;
  UpdateFocal();
}

void Camera::SetZoom(float z) {
  zoom = z;
  effective_zoom = z;
  UpdateFocal();
}

void Camera::SetEffectiveZoom(float z) {
  effective_zoom = z;
  UpdateFocal();
}

void Camera::setImageSize(int32_t w, int32_t h) {
  half_width = w > 0 ? F(D(static_cast<float>(w)) * 0.5) : 0.0f;
  half_height = h > 0 ? F(D(static_cast<float>(h)) * 0.5) : 0.0f;
  UpdateFocal();
}

void Camera::UpdateFocal() {
  focal = F(D(effective_zoom) * (2.0 * D(half_width)) / kReferenceWidth);
}

double Camera::ViewAngle() const {
  // atan2 of an infinite height is a quarter turn; focal 0 is answered without dividing by it.
  if (focal == 0.0f) return 180.0;
  return std::atan2(240.0 / (2.0 * D(focal)), 1.0) * kTwiceRadToDeg;
}

Ray Camera::primaryRay(float px, float py) const {
  Ray ray;
  ray.origin = placement.position;
  // Built in two steps: the horizontal sum is normalized and scaled back by its length before
  // the vertical term is added. The rounding of these steps is part of every traced picture.
  ray.direction = placement.axis_Z * D(focal);
  ray.direction += placement.axis_X * (D(px) - D(half_width));
  ray.Normalize();
  ray.direction *= D(ray.length);
  ray.direction -= placement.axis_Y * (D(py) - D(half_height));
  ray.Normalize();
  return ray;
}

Ray Camera::panoramaRay(float px, float py) const {
  Ray ray;
  ray.origin = placement.position;
  ray.direction = placement.axis_Z;
  // Also rejects NaN.
  if (!(panorama_width >= kEps)) {
    ray.Normalize();
    return ray;
  }
  const double width = D(panorama_width);
  float yaw = F(180.0 + 360.0 * D(px) / width);
  if (yaw >= 360.0f) yaw -= 360.0f;
  const float pitch = F(D(py) / (width / 2.0) * 180.0 - 90.0);

  Vec3 right = placement.axis_X;
  ray.direction.RotateAxisDeg(yaw, placement.axis_Y);
  right.RotateAxisDeg(yaw, placement.axis_Y);
  ray.direction.RotateAxisDeg(pitch, right);
  ray.Normalize();
  return ray;
}

Camera MakeStandardCamera() {
  Camera camera;
  camera.name = kStandardCameraName;
  camera.placement.position = Vec3{1.0f, 2.0f, -7.0f};
  camera.setImageSize(320, 240);
  return camera;
}

namespace {

// Makes the node holding `item` current; false when the list does not hold it.
bool Seek(LIST& list, const ListItem* item) {
  for (ListItem* it = list.First(); it; it = list.Next()) {
    if (it == item) return true;
  }
  return false;
}

Camera* FirstCamera(LIST& cameras) {
  for (ListNode* node = cameras.head; node; node = node->next) {
    if (node->item && node->item->GetType() == kItemCamera) return static_cast<Camera*>(node->item);
  }
  return nullptr;
}

}  // namespace

CameraDeletion DeleteCamera(LIST& cameras, Camera& standard, Camera* camera) {
  CameraDeletion result;
  if (!camera || !Seek(cameras, camera)) {
    result.current = FirstCamera(cameras);
    return result;
  }
  if (camera == &standard) {
    if (cameras.count <= 1) {
      result.refused = true;
      result.title = "Attention";
      result.text = "You can not delete the 'Standard_Camera', \nas long no other camera exists.";
      result.current = FirstCamera(cameras);
      return result;
    }
    // The scene owns the standard camera: the node must never destroy it.
    cameras.SetOwn(0);
    cameras.Remove();
  } else {
    // Every other camera belongs to the list, whatever its node says.
    cameras.SetOwn(1);
    cameras.Remove();
    if (cameras.count == 0) {
      if (cameras.Append(&standard, 0)) {
        result.standard_restored = true;
      } else {
        ErrorOutput() << "ERROR: Could not append the standard camera.\n";
      }
    }
  }
  result.removed = true;
  result.current = FirstCamera(cameras);
  return result;
}

}  // namespace orvane
