#pragma once
// RenderSettings: the render settings a scene carries — set by the scene language's `raytrace`
// block, by the command line and by the editor's render dialog, read by the render driver.
// Defaults are those of a new scene.

#include <cstdint>

#include "foundation/ov_string.h"

namespace orvane {

class Camera;
class Texture;

struct RenderSettings {
  // The image size is held as half values: width = 2 × halfWidth (odd sizes lose a pixel).
  uint32_t halfWidth = 160;
  uint32_t halfHeight = 120;
  uint16_t traceDepth = 3;
  uint16_t verbose = 0;
  uint16_t skipExisting = 0;
  uint16_t renderingDisabled = 0;  // TRACE! renders nothing while set
  uint32_t prepareOnly = 0;
  int32_t frameFrom = -2147483647 - 1;
  int32_t frameTo = -1;  // -1: no upper limit
  uint32_t tgaOutput = 1;
  uint32_t jpegOutput = 0;
  int32_t jpegQuality = 75;
  // Threads that trace a picture; 0: one per processor core. Pictures do not depend on it.
  uint32_t threads = 0;
  uint32_t panorama = 0;
  uint32_t depthMap = 0;
  float depthNear = 0.0f;
  float depthFar = 0.0f;
  float depthFocus = 0.0f;
  uint16_t depthInvert = 0;
  String outputName;
  String depthMapName;
  // The traced pixel rectangle, inclusive ("field_left" ... "field_bottom").
  int32_t fieldLeft = 0;
  int32_t fieldRight = 320;
  int32_t fieldTop = 0;
  int32_t fieldBottom = 240;
  int32_t fieldMaskType = 0;  // 0 none, 1 bitmap, 2 fractal
  const Texture* fieldMask = nullptr;  // not owned: a texture of the scene's texture list
  int32_t fieldBrightness = 0;
  uint8_t background[3] = {0, 0, 0};
  int32_t backgroundMode = 0;  // 0 plain colour, 1 bitmap texture, 2 fractal
  const Texture* backgroundTexture = nullptr;  // not owned
  uint8_t ambient[3] = {0, 0, 0};
  float ambientIntensity = 1.0f;  // |v| clamped to at most 1
  uint8_t fog[3] = {200, 200, 200};
  float fogDistance = 0.0f;
  Camera* activeCamera = nullptr;  // not owned
  uint32_t framesRendered = 0;
  float totalRenderSeconds = 0.0f;

  int32_t Width() const { return static_cast<int32_t>(halfWidth * 2); }
  int32_t Height() const { return static_cast<int32_t>(halfHeight * 2); }
  // Stores w / 2 and h / 2 (negative sizes count as 0).
  void SetSize(int32_t width, int32_t height) {
    halfWidth = width > 0 ? static_cast<uint32_t>(width / 2) : 0;
    halfHeight = height > 0 ? static_cast<uint32_t>(height / 2) : 0;
  }
  // Stores |v| clamped to at most 1.
  void SetAmbientIntensity(float v) {
    float a = v < 0 ? -v : v;
    ambientIntensity = a > 1.0f || a != a ? 1.0f : a;
  }
};

}  // namespace orvane
