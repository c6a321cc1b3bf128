#pragma once
// LightSource: the scene item that lights the traced picture. Lights live in the scene's light
// list, not in the object list.
//
// `position` is the light's location; `axis_Z` the direction in which spot and parallel lights
// shine. The colour is held twice: the colour the user chose (`base_color`) and the effective
// colour the ray tracer reads (`color`), each channel min(255, truncate(base × brightness)).
// SetColor and SetBrightness are the only writers of the effective colour (besides copying),
// so the two always agree. Angles are radians; the shadow switch is the kHasShadow flag.
//
// How the tracer evaluates the decrease, the spot angles and `parallel` is the shading code's;
// this class only stores them.

#include <cstdint>

#include "imageio/picture.h"
#include "scene/scene_object.h"

namespace orvane {

enum LightType : int32_t {
  kPointLight = 0,
  kSpotLight = 1,
};

class LightSource : public SceneObject {
 public:
  // White, brightness 1, no decrease, point light, spot angles 20 and 5 degrees, not parallel,
  // casting shadows; previewed as lines.
  LightSource();
  // Copies name, placement, flags and all light data; no cached text, display lists or browser
  // node (the scene language repeats lights through this copy).
  LightSource(const LightSource& other);
  ~LightSource() override;

  int GetType() const override { return kItemLight; }
  const char* TypeName() const override { return "Lightsource"; }
  SceneObject* Clone() const override;

  // The light as the four space diagonals of a unit cube centred on `position`, in view
  // coordinates (z negated), as one primitive of lines in one new display list; the old list is
  // freed first. The new list's name goes into display_lists[0..2]. When the sink cannot make a
  // list nothing is drawn, the names are cleared and the light stays dirty.
  void BuildPreview(PreviewSink& sink, int variant) override;

  // base_color := (r, g, b), each taken modulo 256; the effective colour is recomputed.
  void SetColor(int r, int g, int b);
  // brightness := b, or 0 when b is negative or NaN; the effective colour is recomputed.
  void SetBrightness(float b);
  // decrease := |d| (NaN counts as 0).
  void SetDecrease(float d);
  // decrease_on := 1 for a non-zero `on`, else 0.
  void SetDecreaseOn(int on) { decrease_on = on ? 1 : 0; }
  void SetSpotAngle(float radians) { spot_angle = radians; }
  void SetFallOff(float radians) { fall_off = radians; }

  // The effective colour, which the ray tracer uses.
  Rgb Color() const { return color; }
  Rgb BaseColor() const { return base_color; }
  float Brightness() const { return brightness; }
  // The distance over which the light fades; 0 = no fading. Never negative.
  float Decrease() const { return decrease; }

  int16_t decrease_on = 0;
  int32_t light_type = kPointLight;
  float spot_angle = 0.3491f;  // fully lit cone, measured from axis_Z
  float fall_off = 0.0873f;    // width of the soft edge beyond spot_angle
  int16_t parallel = 0;        // 1: shines along axis_Z from infinitely far

 protected:
  // The scene-language text: "light NAME{", the placement, the effective colour, decrease, spot
  // angles in degrees, type, shadow and parallel switches, "}".
  void BuildNativeText(LIST& lines) override;
  void BuildVrmlText(LIST& lines) override;
  void BuildPovText(LIST& lines) override;

 private:
  void UpdateColor();

  float decrease = 0.0f;
  float brightness = 1.0f;
  Rgb color{255, 255, 255};
  Rgb base_color{255, 255, 255};
};

// The light dialog's fields, as entered (or as shown for an existing light). The initial
// values are those of the dialog for a new light.
struct LightDialogValues {
  double decrease = 1000.0;
  int red = 0;
  int green = 0;
  int blue = 0;
  double brightness_percent = 100.0;
  bool spot = false;
  bool shadow = true;
  bool parallel = false;
  double spot_angle_degrees = 20.0;
  double fall_off_degrees = 5.0;
};

// The message box for a new light whose name is already taken in the light list (the text in
// UTF-8, as the editor shows it).
inline constexpr const char* kLightNameTakenTitle = "Fehler";
inline constexpr const char* kLightNameTakenText =
    "Es existiert bereits eine Lichtquelle mit dem gleichen Namen.\nBitte ändern sie den Namen !";

// The dialog's conversions: percent × 0.01, degrees × 0.017453292, and back (× 100, × 57.29578).
float LightBrightnessFromPercent(double percent);
double LightBrightnessToPercent(float brightness);
float LightAngleFromDegrees(double degrees);
double LightAngleToDegrees(float radians);

// Stores the dialog's values into `light` in the dialog's order: decrease := |entered| and the
// decrease flag := (decrease > 0); colour; brightness from percent; type (spot or point);
// shadow flag; parallel; spot angle and fall-off from degrees. The name is the caller's.
void ApplyLightDialog(LightSource& light, const LightDialogValues& values);
// The dialog's fields filled from an existing light (its chosen colour, not the effective one).
LightDialogValues LightDialogValuesOf(const LightSource& light);

}  // namespace orvane
