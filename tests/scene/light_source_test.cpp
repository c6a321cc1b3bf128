#include "scene/light_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "scene/recording_sink.h"

namespace orvane {
namespace {

TEST(LightColor, EffectiveColorIsBaseTimesBrightnessClamped) {
  LightSource light;
  EXPECT_EQ(light.Color(), (Rgb{255, 255, 255}));
  light.SetColor(200, 100, 50);
  light.SetBrightness(1.5f);
  EXPECT_EQ(light.Color(), (Rgb{255, 150, 75}));  // clamped, never wrapped
  EXPECT_EQ(light.BaseColor(), (Rgb{200, 100, 50}));
  light.SetBrightness(0.5f);
  EXPECT_EQ(light.Color(), (Rgb{100, 50, 25}));
  light.SetColor(20, 10, 5);  // a new colour keeps the brightness
  EXPECT_EQ(light.Color(), (Rgb{10, 5, 2}));

  light.SetBrightness(-1.0f);
  EXPECT_EQ(light.Brightness(), 0.0f);
  EXPECT_EQ(light.Color(), (Rgb{0, 0, 0}));
  light.SetBrightness(std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(light.Brightness(), 0.0f);

  light.SetColor(266, -1, 0);  // channels are taken modulo 256
  light.SetBrightness(std::numeric_limits<float>::infinity());
  EXPECT_EQ(light.BaseColor(), (Rgb{10, 255, 0}));
  EXPECT_EQ(light.Color(), (Rgb{255, 255, 0}));
}

TEST(LightData, DecreaseIsNeverNegative) {
  LightSource light;
  light.SetDecrease(-300.0f);
  EXPECT_EQ(light.Decrease(), 300.0f);
  light.SetDecrease(std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(light.Decrease(), 0.0f);
  light.SetDecreaseOn(5);
  EXPECT_EQ(light.decrease_on, 1);
}

TEST(LightDialog, ValuesAreConvertedInTheDialogsTerms) {
  LightSource light;
  LightDialogValues values;
  values.decrease = -300;
  values.red = 200;
  values.green = 100;
  values.blue = 50;
  values.brightness_percent = 150;
  values.spot = true;
  values.shadow = false;
  values.parallel = true;
  values.spot_angle_degrees = 20;
  values.fall_off_degrees = 10;
  ApplyLightDialog(light, values);
  EXPECT_EQ(light.Decrease(), 300.0f);
  EXPECT_EQ(light.decrease_on, 1);
  EXPECT_EQ(light.Color(), (Rgb{255, 150, 75}));
  EXPECT_EQ(light.light_type, kSpotLight);
  EXPECT_FALSE(light.HasFlag(kHasShadow));
  EXPECT_EQ(light.parallel, 1);
  EXPECT_FLOAT_EQ(light.spot_angle, 0.34906584f);
  EXPECT_FLOAT_EQ(light.fall_off, 0.17453292f);
  EXPECT_EQ(light.preview_dirty, 1);

  // Editing shows the chosen colour and the stored values back in degrees and percent.
  LightDialogValues shown = LightDialogValuesOf(light);
  EXPECT_EQ(shown.red, 200);
  EXPECT_NEAR(shown.brightness_percent, 150.0, 1e-4);
  EXPECT_NEAR(shown.spot_angle_degrees, 20.0, 1e-4);
  EXPECT_NEAR(shown.fall_off_degrees, 10.0, 1e-4);
  EXPECT_TRUE(shown.spot && shown.parallel && !shown.shadow);

  values.decrease = 0;
  values.spot = false;
  values.shadow = true;
  ApplyLightDialog(light, values);
  EXPECT_EQ(light.decrease_on, 0);
  EXPECT_EQ(light.light_type, kPointLight);
  EXPECT_TRUE(light.HasFlag(kHasShadow));
}

TEST(LightPreview, FourDiagonalsOfAUnitCubeInViewCoordinates) {
  LightSource light;
  light.placement.position = Vec3{0, 0, 5};
  light.preview_dirty = 1;
  testing_support::RecordingSink sink;
  light.BuildPreview(sink, 0);

  ASSERT_EQ(sink.lists.size(), 1u);
  ASSERT_EQ(sink.lists[0].primitives.size(), 1u);
  const auto& lines = sink.lists[0].primitives[0];
  EXPECT_EQ(lines.mode, kPreviewLines);
  ASSERT_EQ(lines.vertices.size(), 8u);
  for (const Vec3& v : lines.vertices) {
    EXPECT_EQ(std::fabs(v.x), 0.5f);
    EXPECT_EQ(std::fabs(v.y), 0.5f);
    EXPECT_TRUE(v.z == -5.5f || v.z == -4.5f) << v;
  }
  // Each line joins opposite corners through the centre; the four lines are different.
  for (size_t i = 0; i < 8; i += 2) {
    EXPECT_EQ(lines.vertices[i] + lines.vertices[i + 1], (Vec3{0, 0, -10}));
    for (size_t j = 0; j < i; j += 2) EXPECT_NE(lines.vertices[i], lines.vertices[j]);
  }
  const uint32_t name = sink.lists[0].name;
  EXPECT_EQ(light.display_lists[0], name);
  EXPECT_EQ(light.display_lists[2], name);
  EXPECT_EQ(light.display_lists[3], 0u);
  EXPECT_EQ(light.preview_dirty, 0);

  light.BuildPreview(sink, 0);  // a rebuild frees the old list first
  EXPECT_EQ(sink.deleted, (std::vector<uint32_t>{name}));
  EXPECT_NE(light.display_lists[0], name);
}

// A sink that cannot make display lists.
class FullSink : public testing_support::RecordingSink {
 public:
  uint32_t BeginList(const SceneObject&, uint32_t) override { return 0; }
};

TEST(LightPreview, NoListMeansNothingDrawn) {
  LightSource light;
  light.display_lists[0] = light.display_lists[1] = 7;
  light.preview_dirty = 1;
  FullSink sink;
  light.BuildPreview(sink, 0);
  EXPECT_EQ(sink.deleted, (std::vector<uint32_t>{7}));
  EXPECT_TRUE(sink.lists.empty());
  EXPECT_EQ(light.display_lists[1], 0u);
  EXPECT_EQ(light.preview_dirty, 1);
}

TEST(LightItem, CloneCopiesEverythingButThePreview) {
  LightSource light;
  light.name = "Licht";
  light.placement.position = Vec3{1, 2, 3};
  light.SetColor(10, 20, 30);
  light.SetBrightness(2);
  light.SetDecrease(12.7f);
  light.light_type = kSpotLight;
  light.parallel = 1;
  light.SetSpotAngle(0.5f);
  light.SetFlag(kHasShadow, false);
  light.display_lists[0] = 4;
  std::unique_ptr<SceneObject> copy(light.Clone());
  ASSERT_NE(copy, nullptr);
  ASSERT_EQ(copy->GetType(), kItemLight);
  EXPECT_STREQ(copy->TypeName(), "Lightsource");
  auto& clone = static_cast<LightSource&>(*copy);
  EXPECT_EQ(clone.name, "Licht");
  EXPECT_EQ(clone.placement, light.placement);
  EXPECT_EQ(clone.Color(), (Rgb{20, 40, 60}));
  EXPECT_EQ(clone.Decrease(), 12.7f);
  EXPECT_EQ(clone.light_type, kSpotLight);
  EXPECT_EQ(clone.parallel, 1);
  EXPECT_EQ(clone.spot_angle, 0.5f);
  EXPECT_FALSE(clone.HasFlag(kHasShadow));
  EXPECT_EQ(clone.preview_mode, kPreviewLines);
  EXPECT_EQ(clone.display_lists[0], 0u);
  clone.SetColor(0, 0, 0);
  clone.name = "Other";
  EXPECT_EQ(light.Color(), (Rgb{20, 40, 60}));
  EXPECT_EQ(light.name, "Licht");
}

}  // namespace
}  // namespace orvane
