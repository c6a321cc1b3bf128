#pragma once
// MaterialPreview: the small private scene in which materials are previewed — a sphere of
// radius 4 wearing the material, a textured back plane, a large textured sphere around
// everything for the reflections, one light and a camera — and the ray-traced 64 × 64
// pictures of it. The scene is built once and is never part of the user's scene.
//
// The two pictures "mat_back.iff" and "mat_front.iff" are read from the given folder; where
// one is missing the preview draws its own (a checker board and a sky gradient), so that a
// user's folder gets no files it did not ask for. A picture that is there but cannot be read
// is reported once ("Could not found the background-image.", "Could not found the
// foreground-image.") and the preview goes on without it.

#include <QImage>

#include <array>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "scene/scene.h"

namespace orvane {
class Material;
}

namespace orvane::editor {

class Prompter;

inline constexpr int kPreviewSize = 64;
inline constexpr const char* kBackImageFile = "mat_back.iff";
inline constexpr const char* kFrontImageFile = "mat_front.iff";
inline constexpr const char* kBackImageMissing = "Could not found the background-image.";
inline constexpr const char* kFrontImageMissing = "Could not found the foreground-image.";

// A traced preview: the red, green and blue planes, pixel (x, y) at x + y × size.
struct PreviewPlanes {
  int size = 0;
  std::array<std::vector<uint8_t>, 3> planes;
  QImage ToImage() const;
};

class MaterialPreview {
 public:
  MaterialPreview(const std::string& directory, Prompter& prompter);
  MaterialPreview(const MaterialPreview&) = delete;
  MaterialPreview& operator=(const MaterialPreview&) = delete;

  // `material` copied onto the sphere and traced at size × size with recursion depth 3.
  PreviewPlanes Trace(const Material& material, int size = kPreviewSize);
  Scene& scene() { return scene_; }

 private:
  void Build(const std::string& directory, Prompter& prompter);

  Scene scene_;
  std::ostringstream log_;
};

}  // namespace orvane::editor
