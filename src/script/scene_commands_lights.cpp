// Light and camera blocks.

#include <cmath>
#include <memory>
#include <ostream>

#include "foundation/error_output.h"
#include "scene/camera.h"
#include "scene/light_source.h"
#include "scene/scene.h"
#include "script/scene_commands.h"

namespace orvane::scene_commands {

namespace {

// type point | spot
Param LightType(BlockReader& b, LightSource& light) {
  String word;
  if (!b.Word(&word)) return Param::kDone;
  if (word == "point") {
    light.light_type = kPointLight;
  } else if (word == "spot") {
    light.light_type = kSpotLight;
  } else {
    b.SyntaxError("): wrong light-type assignment.\n");
  }
  return Param::kDone;
}

// color <r,g,b>
Param LightColor(BlockReader& b, LightSource& light) {
  if (b.Value()) light.SetColor(b.Int(1), b.Int(2), b.Int(3));
  return Param::kDone;
}

// lightness <f>: negative counts as 0
Param LightLightness(BlockReader& b, LightSource& light) {
  if (b.Value()) light.SetBrightness(b.Float(1));
  return Param::kDone;
}

// decrease <f>: stored as |f|, fall-off on for f > 0
Param LightDecrease(BlockReader& b, LightSource& light) {
  if (!b.Value()) return Param::kDone;
  const float f = b.Float(1);
  light.SetDecrease(f);
  light.SetDecreaseOn(f > 0.0f ? 1 : 0);
  return Param::kDone;
}

// parallel <f>: parallel when |f| >= 1e-6
Param LightParallel(BlockReader& b, LightSource& light) {
  if (b.Value()) light.parallel = std::fabs(b.Float(1)) >= kEps ? 1 : 0;
  return Param::kDone;
}

// spot_angle <degrees>
Param LightSpotAngle(BlockReader& b, LightSource& light) {
  if (b.Value()) light.SetSpotAngle(LightAngleFromDegrees(b.Float(1)));
  return Param::kDone;
}

// fall_off <degrees>
Param LightFallOff(BlockReader& b, LightSource& light) {
  if (b.Value()) light.SetFallOff(LightAngleFromDegrees(b.Float(1)));
  return Param::kDone;
}

const Keyword<LightSource> kLightKeywords[] = {
    {"type", LightType},             // type point | spot
    {"color", LightColor},           // color <r,g,b>
    {"lightness", LightLightness},   // lightness <f>
    {"decrease", LightDecrease},     // decrease <f>
    {"parallel", LightParallel},     // parallel <f>
    {"spot_angle", LightSpotAngle},  // spot_angle <degrees>
    {"fall_off", LightFallOff},      // fall_off <degrees>
};

// zoom <f>
Param CameraZoom(BlockReader& b, Camera& camera) {
  if (b.Value()) camera.SetZoom(b.Float(1));
  return Param::kDone;
}

const Keyword<Camera> kCameraKeywords[] = {
    {"zoom", CameraZoom},  // zoom <f>
};

}  // namespace

// light [name] { type point|spot color <r,g,b> lightness <f> decrease <f> parallel <f>
//                spot_angle <deg> fall_off <deg> placement }
int LightBlock(BlockReader& b, const BlockHeader& h) {
  return ListedItem(b, h, b.scene.lights, LightParameter);
}

// camera [name] { zoom <f> placement }
int CameraBlock(BlockReader& b, const BlockHeader& h) {
  return ListedItem(b, h, b.scene.cameras, CameraParameter);
}

Param LightParameter(BlockReader& b, LightSource& light, const String& word) {
  Param result = RunKeyword(kLightKeywords, b, light, word);
  if (result == Param::kUnknown && PlacementParameter(b, light, word)) result = Param::kDone;
  light.preview_dirty = 1;
  return result;
}

Param CameraParameter(BlockReader& b, Camera& camera, const String& word) {
  Param result = RunKeyword(kCameraKeywords, b, camera, word);
  if (result == Param::kUnknown && PlacementParameter(b, camera, word)) result = Param::kDone;
  return result;
}

}  // namespace orvane::scene_commands
