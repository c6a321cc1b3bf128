#pragma once
// Camera: the scene item through which pictures are traced and the editor's camera view looks.
//
// The placement gives the eye point (`position`) and the viewing frame: the camera looks along
// `axis_Z`, `axis_X` points to the right of the picture and `axis_Y` up. Its own data is a zoom
// and the picture geometry in pixels, from which it makes one primary ray per pixel, either as a
// pinhole camera or as a 360-degree panorama.
//
// The zoom does not depend on the picture size: zoom 200 is a focal distance of 200 pixels for
// a 320-pixel-wide picture and 400 pixels for a 640-pixel-wide one. `focal` is always
// effective_zoom × (2 × half_width) / 320; every setter below keeps it so.
//
// A camera has no preview display list: the views draw cameras themselves.

#include <cstdint>

#include "foundation/list.h"
#include "scene/scene_object.h"

namespace orvane {

// The name of the camera every scene starts with.
inline constexpr const char* kStandardCameraName = "Standard_Kamera";

class Camera : public SceneObject {
 public:
  // Picture 320 × 240, zoom 200, looking along +Z from the origin, preview mode line loop.
  Camera();
  // Copies the item data (name, placement, flags, scale) and the camera data; like Clone, the
  // copy has no cached text, no display lists and no browser node.
  Camera(const Camera& other);
  ~Camera() override;

  int GetType() const override { return kItemCamera; }
  const char* TypeName() const override { return "Camera"; }
  SceneObject* Clone() const override;

  // Only forgets the display-list names; nothing is drawn.
  void BuildPreview(PreviewSink& sink, int variant) override;
  // Stores the factors; effective_zoom := zoom × (sx + sy + sz) × 1/3 (the single-precision
  // third), focal recomputed. The stored zoom stays until ApplyScale.
  void SetScale(float sx, float sy, float sz) override;
  // Makes the pending scale permanent: zoom := effective_zoom := zoom × mean(scale). The factors
  // stay stored; the editor resets them with SetScale(1, 1, 1) afterwards.
  void ApplyScale() override;

  // zoom := effective_zoom := z (the scene language's "zoom <").
  void SetZoom(float z);
  // effective_zoom := z; the stored zoom stays.
  void SetEffectiveZoom(float z);
  // half_width := w / 2, half_height := h / 2 (pixels); negative sizes count as 0.
  void setImageSize(int32_t w, int32_t h);
  // The width in pixels of the panorama picture (which is half as high); set by the render
  // driver before a panorama picture. Values below 1e-6 (and NaN) mean "not set".
  void SetPanoramaWidth(float width) { panorama_width = width; }

  float Zoom() const { return zoom; }
  float EffectiveZoom() const { return effective_zoom; }
  float Focal() const { return focal; }
  float HalfWidth() const { return half_width; }
  float HalfHeight() const { return half_height; }
  float PanoramaWidth() const { return panorama_width; }

  // The vertical opening angle in degrees for a 240-pixel-high picture: 2 × atan(120 / focal),
  // computed as atan2(240 / (2 × focal), 1) × 114.59156. 180 for focal 0.
  double ViewAngle() const;

  // The perspective ray through pixel (px, py), (0, 0) being the top left pixel: from
  // `position` along axis_Z × focal + axis_X × (px − half_width) − axis_Y × (py − half_height),
  // normalized (`length` is the length before normalizing). A zero direction (focal 0 at the
  // centre pixel) stays zero.
  Ray primaryRay(float px, float py) const;
  // The 360-degree ray through pixel (px, py) of a picture panorama_width wide and half as
  // high: column px turns axis_Z about axis_Y by 180 + 360 × px / panorama_width degrees
  // (wrapped below 360), row py then about the turned axis_X by py / (panorama_width / 2) ×
  // 180 − 90 degrees, so the leftmost column looks backwards, the middle one straight ahead, the
  // top row straight up. Without a panorama width the ray looks along axis_Z. Normalized.
  Ray panoramaRay(float px, float py) const;

 protected:
  // The scene-language text: "camera NAME{", the placement, "zoom <", "}".
  void BuildNativeText(LIST& lines) override;
  void BuildVrmlText(LIST& lines) override;
  void BuildPovText(LIST& lines) override;

 private:
  void UpdateFocal();

  float half_width = 160.0f;
  float half_height = 120.0f;
  float panorama_width = 0.0f;
  float focal = 200.0f;
  float zoom = 200.0f;
  float effective_zoom = 200.0f;
};

// The standard camera: kStandardCameraName at (1, 2, −7), looking along +Z, picture 320 × 240.
Camera MakeStandardCamera();

// The outcome of the editor's "delete camera" command.
struct CameraDeletion {
  // Refused: the message box to show (title and text); nothing changed.
  bool refused = false;
  const char* title = nullptr;
  const char* text = nullptr;
  // The camera left the list; any camera but the standard one was also destroyed, so the caller
  // must drop its pointer (and clear its current object if it was that camera).
  bool removed = false;
  // The list became empty and the standard camera was appended again (show it in the browser).
  bool standard_restored = false;
  // The first camera of the list, which becomes the current camera (null for an empty list).
  Camera* current = nullptr;
};

// Deletes `camera` from `cameras` by the editor's rules:
// - the standard camera as the only camera of the list is refused ("Attention");
// - the standard camera among others is only unlinked, never destroyed;
// - any other camera is unlinked and destroyed; an emptied list gets the standard camera back
//   (unowned: the scene owns it).
// A camera that is not in the list (or null) changes nothing. `standard` is the scene's standard
// camera, told apart by identity, not by name.
CameraDeletion DeleteCamera(LIST& cameras, Camera& standard, Camera* camera);

}  // namespace orvane
