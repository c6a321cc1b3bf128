// The raytrace block: the scene's render settings.

#include <cstdlib>

#include "material/texture.h"
#include "scene/camera.h"
#include "scene/render_settings.h"
#include "scene/scene.h"
#include "script/scene_commands.h"

namespace orvane::scene_commands {

namespace {

void ReadColour(BlockReader& b, uint8_t* rgb) {
  rgb[0] = static_cast<uint8_t>(b.Int(1));
  rgb[1] = static_cast<uint8_t>(b.Int(2));
  rgb[2] = static_cast<uint8_t>(b.Int(3));
}

// A texture named by the next word; null (reported) when there is none.
const Texture* NamedTexture(BlockReader& b) {
  String name;
  if (!b.Word(&name)) return nullptr;
  const Texture* texture = FindTexture(b.scene.images, name);
  if (!texture) b.Warning("): texture(bitmap/fractal) not found.\n");
  return texture;
}

// camera name
Param TraceCamera(BlockReader& b, Scene& scene) {
  String name;
  if (!b.Word(&name)) return Param::kDone;
  Camera* camera = FindCamera(scene, name);
  if (!camera) {
    b.Warning("): camera not found.\n");
    return Param::kDone;
  }
  scene.render.activeCamera = camera;
  scene.traceCamera = camera;
  return Param::kDone;
}

// background_color <r,g,b>
Param BackgroundColour(BlockReader& b, Scene& scene) {
  if (!b.Value()) return Param::kDone;
  ReadColour(b, scene.render.background);
  scene.render.backgroundMode = 0;
  return Param::kDone;
}

// background_texture name: a bitmap gives mode 1, any other texture mode 2 (its fractal)
Param BackgroundTexture(BlockReader& b, Scene& scene) {
  if (const Texture* texture = NamedTexture(b)) {
    scene.render.backgroundTexture = texture;
    scene.render.backgroundMode = texture->kind == kTextureImage ? 1 : 2;
  }
  return Param::kDone;
}

// field_mask name: a bitmap gives mask type 1, any other texture type 2 (its fractal)
Param FieldMask(BlockReader& b, Scene& scene) {
  if (const Texture* texture = NamedTexture(b)) {
    scene.render.fieldMask = texture;
    scene.render.fieldMaskType = texture->kind == kTextureImage ? 1 : 2;
  }
  return Param::kDone;
}

template <int32_t RenderSettings::*field>
Param IntSetting(BlockReader& b, Scene& scene) {
  if (b.Value()) scene.render.*field = b.Int(1);
  return Param::kDone;
}

// field_type <n>: 0, 1, or 2 for any other value
Param FieldType(BlockReader& b, Scene& scene) {
  if (!b.Value()) return Param::kDone;
  const int n = b.Int(1);
  scene.render.fieldMaskType = n == 0 || n == 1 ? n : 2;
  return Param::kDone;
}

// ambient_color <r,g,b>
Param AmbientColour(BlockReader& b, Scene& scene) {
  if (b.Value()) ReadColour(b, scene.render.ambient);
  return Param::kDone;
}

// fog_color <r,g,b>
Param FogColour(BlockReader& b, Scene& scene) {
  if (b.Value()) ReadColour(b, scene.render.fog);
  return Param::kDone;
}

// fog <f>: stored as |int(f)|
Param Fog(BlockReader& b, Scene& scene) {
  if (!b.Value()) return Param::kDone;
  const int distance = b.Int(1);
  scene.render.fogDistance =
      distance < 0 ? -static_cast<float>(distance) : static_cast<float>(distance);
  return Param::kDone;
}

const Keyword<Scene> kRaytraceKeywords[] = {
    {"camera", TraceCamera},                                             // camera name
    {"background_color", BackgroundColour},                              // background_color <r,g,b>
    {"background_texture", BackgroundTexture},                           // background_texture name
    {"field_mask", FieldMask},                                           // field_mask name
    {"field_left", IntSetting<&RenderSettings::fieldLeft>},              // field_left <n>
    {"field_right", IntSetting<&RenderSettings::fieldRight>},            // field_right <n>
    {"field_top", IntSetting<&RenderSettings::fieldTop>},                // field_top <n>
    {"field_bottom", IntSetting<&RenderSettings::fieldBottom>},          // field_bottom <n>
    {"field_brightness", IntSetting<&RenderSettings::fieldBrightness>},  // field_brightness <n>
    {"field_type", FieldType},                                           // field_type <n>
    {"ambient_color", AmbientColour},                                    // ambient_color <r,g,b>
    {"fog_color", FogColour},                                            // fog_color <r,g,b>
    {"fog", Fog},                                                        // fog <f>
};

}  // namespace

// raytrace [name] { camera c background_color <r,g,b> ... fog <f> }; the name is ignored
int RaytraceBlock(BlockReader& b, const BlockHeader& h) {
  if (!h.open) return 0;
  const End end = b.ReadParameters(
      [&](const String& token) { return RunKeyword(kRaytraceKeywords, b, b.scene, token); });
  return end == End::kClosed ? 0 : -1;
}

}  // namespace orvane::scene_commands
