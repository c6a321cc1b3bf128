#include "scene/light_source.h"

#include <cmath>

#include "foundation/error_output.h"

namespace orvane {

namespace {

constexpr double D(float v) {
  return static_cast<double>(v);
}

// One channel of the effective colour: truncate(channel × brightness), clamped to 255, never
// wrapped. The brightness is never negative or NaN, but 0 × infinity is NaN.
uint8_t EffectiveChannel(uint8_t channel, float brightness) {
  const double v = static_cast<double>(channel) * D(brightness);
  if (!(v >= 0.0)) return 0;
  if (v >= 256.0) return 255;
  return static_cast<uint8_t>(static_cast<int>(v));
}

// The cube's half edge.
constexpr float kHalf = 0.5f;

}  // namespace

LightSource::LightSource() {
  preview_mode = kPreviewLines;
}

LightSource::LightSource(const LightSource& other)
    : SceneObject(other),
      decrease_on(other.decrease_on),
      light_type(other.light_type),
      spot_angle(other.spot_angle),
      fall_off(other.fall_off),
      parallel(other.parallel),
      decrease(other.decrease),
      brightness(other.brightness),
      color(other.color),
      base_color(other.base_color) {}

LightSource::~LightSource() = default;

SceneObject* LightSource::Clone() const {
  LightSource* copy = TryNew<LightSource>(*this);
  if (!copy) ErrorOutput() << "ERROR: Could not allocate light source.\n";
  return copy;
}

void LightSource::SetColor(int r, int g, int b) {
  // Conversion to an unsigned byte is taken modulo 256.
  base_color = Rgb{static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)};
  UpdateColor();
}

void LightSource::SetBrightness(float b) {
  brightness = b >= 0.0f ? b : 0.0f;  // also turns NaN into 0
  UpdateColor();
}

void LightSource::SetDecrease(float d) {
  decrease = std::isnan(d) ? 0.0f : std::fabs(d);
}

void LightSource::UpdateColor() {
  color =
      Rgb{EffectiveChannel(base_color.r, brightness), EffectiveChannel(base_color.g, brightness),
          EffectiveChannel(base_color.b, brightness)};
}

void LightSource::BuildPreview(PreviewSink& sink, int) {
  if (display_lists[0]) sink.DeleteList(display_lists[0]);
  for (uint32_t& slot : display_lists) slot = 0;
  const uint32_t list = sink.BeginList(*this, 0);
  if (!list) return;

  const float x = placement.position.x;
  const float y = placement.position.y;
  const float z = -placement.position.z;  // the view looks along −z
  const float x0 = x - kHalf, x1 = x + kHalf;
  const float y0 = y - kHalf, y1 = y + kHalf;
  const float z0 = z - kHalf, z1 = z + kHalf;
  const Vec3 diagonals[8] = {
      {x0, y0, z0}, {x1, y1, z1},  //
      {x0, y0, z1}, {x1, y1, z0},  //
      {x0, y1, z0}, {x1, y0, z1},  //
      {x1, y0, z0}, {x0, y1, z1},
  };
  sink.Begin(preview_mode);
  for (const Vec3& v : diagonals) sink.Vertex(v);
  sink.End();
  sink.EndList();

  display_lists[0] = display_lists[1] = display_lists[2] = list;
  preview_dirty = 0;
}

float LightBrightnessFromPercent(double percent) {
  return static_cast<float>(percent * 0.01);
}

double LightBrightnessToPercent(float brightness) {
  return D(brightness) * 100.0;
}

float LightAngleFromDegrees(double degrees) {
  return static_cast<float>(degrees * D(kDegToRad));
}

double LightAngleToDegrees(float radians) {
  return D(radians) * D(kRadToDeg);
}

void ApplyLightDialog(LightSource& light, const LightDialogValues& values) {
  light.SetDecrease(static_cast<float>(values.decrease));
  light.SetDecreaseOn(light.Decrease() > 0.0f);
  light.SetColor(values.red, values.green, values.blue);
  light.SetBrightness(LightBrightnessFromPercent(values.brightness_percent));
  light.light_type = values.spot ? kSpotLight : kPointLight;
  light.SetFlag(kHasShadow, values.shadow);
  light.parallel = values.parallel ? 1 : 0;
  light.SetSpotAngle(LightAngleFromDegrees(values.spot_angle_degrees));
  light.SetFallOff(LightAngleFromDegrees(values.fall_off_degrees));
  light.preview_dirty = 1;
}

LightDialogValues LightDialogValuesOf(const LightSource& light) {
  LightDialogValues values;
  values.decrease = D(light.Decrease());
  const Rgb base = light.BaseColor();
  values.red = base.r;
  values.green = base.g;
  values.blue = base.b;
  values.brightness_percent = LightBrightnessToPercent(light.Brightness());
  values.spot = light.light_type == kSpotLight;
  values.shadow = light.HasFlag(kHasShadow);
  values.parallel = light.parallel != 0;
  values.spot_angle_degrees = LightAngleToDegrees(light.spot_angle);
  values.fall_off_degrees = LightAngleToDegrees(light.fall_off);
  return values;
}

}  // namespace orvane
