#include <gtest/gtest.h>
#include <cmath>
#include <memory>
#include <vector>
#include "scene/camera.h"
#include "scene/group_object.h"
#include "scene/light_source.h"
#include "scene/recording_sink.h"
#include "scene/scene.h"
#include "scene/scene_checks.h"
#include "scene/scene_object.h"

namespace orvane {
namespace {
using testing_support::ExpectNear;

// The smallest concrete item: the base's defaults, and a text writer that counts its calls.
class PlainItem : public SceneObject {
 public:
  SceneObject* Clone() const override { return new PlainItem(*this); }
  const char* TypeName() const override { return "Plain"; }
  int builds = 0;

 protected:
  void BuildNativeText(LIST& lines) override {
    ++builds;
    AppendLine(lines, "plain {");
  }
};

TEST(SceneObjectDefaults, FreshItemIsVisibleAndCastsAndReceivesShadows) {
  PlainItem item;
  EXPECT_EQ(item.flags, 7u);
  EXPECT_FALSE(item.Intersect(Ray{}, 1e10f));
  Vec3 out{9, 9, 9};
  item.BumpAt(&out);
  EXPECT_EQ(out, (Vec3{0, 0, 0}));
  item.placement.position = Vec3{1, 2, 3};
  item.NormalAt(&out, Vec3{2, 2, 5});
  EXPECT_EQ(out, (Vec3{1, 0, 2}));
  // The text is built once and then kept.
  EXPECT_EQ(item.WriteNative(), item.WriteNative());
  EXPECT_EQ(item.builds, 1);
}

TEST(LightDialog, ValuesAreConvertedInTheDialogsTerms) {
  LightSource light;
  // Decrease, red, green, blue, brightness in percent, spot, shadow, parallel, angles in degrees.
  LightDialogValues values{-300, 200, 100, 50, 150, true, false, true, 20, 10};
  ApplyLightDialog(light, values);
  EXPECT_EQ(light.Decrease(), 300.0f);  // never negative
  EXPECT_EQ(light.decrease_on, 1);
  EXPECT_EQ(light.Color(), (Rgb{255, 150, 75}));  // base times brightness, clamped
  EXPECT_EQ(light.light_type, kSpotLight);
  EXPECT_FALSE(light.HasFlag(kHasShadow));
  EXPECT_FLOAT_EQ(light.spot_angle, 0.34906584f);
  EXPECT_FLOAT_EQ(light.fall_off, 0.17453292f);
  // Editing shows the chosen colour and the stored values back in degrees and percent.
  LightDialogValues shown = LightDialogValuesOf(light);
  EXPECT_EQ(shown.red, 200);
  EXPECT_TRUE(shown.spot && shown.parallel && !shown.shadow);
}

// A camera that counts its destruction, to tell destroyed cameras from unlinked ones.
class CountedCamera : public Camera {
 public:
  explicit CountedCamera(int* destroyed) : destroyed_(destroyed) {}
  ~CountedCamera() override { ++*destroyed_; }

 private:
  int* destroyed_;
};

TEST(CameraGeometry, FocalAndViewAngleFollowZoomScaleAndPictureWidth) {
  Camera camera;
  camera.setImageSize(640, 480);
  EXPECT_FLOAT_EQ(camera.Focal(), 400.0f);
  EXPECT_NEAR(camera.ViewAngle(), 33.40, 0.005);  // always for a 240-pixel height
  // A copy keeps the zoom and picture size; cameras draw nothing of their own.
  camera.SetZoom(300);
  camera.display_lists[0] = 3;
  std::unique_ptr<SceneObject> copy(camera.Clone());
  ASSERT_EQ(copy->GetType(), kItemCamera);
  EXPECT_EQ(static_cast<Camera&>(*copy).Focal(), 600.0f);
  testing_support::RecordingSink sink;
  camera.BuildPreview(sink, 0);
  EXPECT_EQ(camera.display_lists[0], 0u);
  camera.SetEffectiveZoom(100);
  EXPECT_FLOAT_EQ(camera.Focal(), 200.0f);
  camera.setImageSize(0, 0);
  const Ray ray = camera.primaryRay(0, 0);  // degenerate, but no NaN
  EXPECT_FALSE(std::isnan(ray.direction.y) || std::isnan(ray.length));
  // Scaling the camera scales its zoom by the mean factor, applied only by ApplyScale.
  Camera scaled;
  scaled.SetScale(2, 2, 2);
  EXPECT_FLOAT_EQ(scaled.EffectiveZoom(), 400.0f);
  scaled.ApplyScale();
  EXPECT_FLOAT_EQ(scaled.Zoom(), 400.0f);
}

TEST(CameraRays, PanoramaCoversTheFullCircle) {
  Camera camera;
  camera.SetPanoramaWidth(720);
  EXPECT_EQ(camera.panoramaRay(360, 180).direction, camera.placement.axis_Z);  // looks ahead
  ExpectNear(camera.panoramaRay(0, 180).direction, {0, 0, -1}, 1e-6f);         // the first one back
  Camera unset;  // no panorama width: straight ahead, no division by zero
  EXPECT_EQ(unset.panoramaRay(10, 10).direction, unset.placement.axis_Z);
}

class CameraDeletionTest : public ::testing::Test {
 protected:
  ~CameraDeletionTest() override { cameras_.RemoveAll(); }
  Camera* AddCamera() {
    auto* camera = new CountedCamera(&destroyed_);
    cameras_.Append(camera, 1);
    return camera;
  }
  LIST cameras_;
  Camera standard_ = MakeStandardCamera();
  int destroyed_ = 0;
};

TEST_F(CameraDeletionTest, TheStandardCameraIsRefusedAloneAndOnlyUnlinkedAmongOthers) {
  cameras_.Append(&standard_, 0);
  CameraDeletion result = DeleteCamera(cameras_, standard_, &standard_);
  EXPECT_TRUE(result.refused);
  EXPECT_EQ(cameras_.count, 1);
  Camera* other = AddCamera();
  result = DeleteCamera(cameras_, standard_, &standard_);
  EXPECT_TRUE(result.removed);
  EXPECT_EQ(result.current, other);
  EXPECT_EQ(destroyed_, 0);
}

TEST_F(CameraDeletionTest, DeletingTheLastCameraBringsTheStandardCameraBack) {
  Camera* first = AddCamera();
  Camera* second = AddCamera();
  CameraDeletion result = DeleteCamera(cameras_, standard_, second);
  EXPECT_FALSE(result.standard_restored);
  EXPECT_EQ(destroyed_, 1);
  EXPECT_EQ(result.current, first);
  result = DeleteCamera(cameras_, standard_, first);
  EXPECT_EQ(destroyed_, 2);
  EXPECT_TRUE(result.standard_restored);
  EXPECT_EQ(result.current, &standard_);
  ASSERT_EQ(cameras_.count, 1);
  EXPECT_EQ(cameras_.head->owns, 0);  // the scene, not the list, owns the standard camera
  Camera stranger;                    // not in the list: nothing happens
  result = DeleteCamera(cameras_, standard_, &stranger);
  EXPECT_FALSE(result.removed || result.refused);
  EXPECT_EQ(cameras_.count, 1);
}

TEST(SceneClear, KeepsTheStandardCameraAndDestroysTheOthers) {
  Scene scene;
  ASSERT_TRUE(scene.New(nullptr));
  int destroyed = 0;
  scene.cameras->Append(new CountedCamera(&destroyed), 1);
  auto* namesake = new CountedCamera(&destroyed);  // a loaded camera that took the name
  namesake->name = "Standard_Kamera";
  scene.cameras->Append(namesake, 1);
  scene.cameras->Append(new CountedCamera(&destroyed), 0);  // the list's even without ownership
  scene.StandardCamera().placement.position.x = 9;
  scene.Clear(nullptr);
  EXPECT_EQ(destroyed, 3);
  ASSERT_TRUE(scene.New(nullptr));
  ASSERT_EQ(scene.cameras->count, 1);
  EXPECT_EQ(scene.cameras->First(), &scene.StandardCamera());
  EXPECT_EQ(scene.StandardCamera().placement.position.x, 9.0f);  // the same camera lives on
  // A node that claims the standard camera never destroys it (the sanitizer build would fail).
  scene.cameras->Append(&scene.StandardCamera(), 1);
  scene.DeleteLists();
  EXPECT_EQ(scene.StandardCamera().name, "Standard_Kamera");
}

TEST(SceneClear, FreesTheDisplayListsOfObjectsLightsAndGroupMembers) {
  Scene scene;
  ASSERT_TRUE(scene.New(nullptr));
  testing_support::RecordingSink sink;
  auto* light = new LightSource;
  light->BuildPreview(sink, 0);  // one list, named in three slots: four diagonals of a cube
  EXPECT_EQ(sink.lists[0].primitives[0].vertices.size(), 8u);
  scene.lights->Append(light, 1);
  auto* top = new Camera;  // stands in for any top-level item: only its first list goes
  top->display_lists[0] = 20;
  top->display_lists[1] = 21;
  scene.objects->Append(top, 1);
  auto* group = new GroupObject;
  group->display_lists[0] = 30;
  auto* member = new LightSource;
  member->display_lists[0] = 31;
  member->display_lists[1] = 32;
  member->display_lists[2] = 31;
  ASSERT_TRUE(group->AddMember(member));
  scene.objects->Append(group, 1);
  scene.Clear(&sink);
  EXPECT_EQ(sink.deleted, (std::vector<uint32_t>{20, 30, 31, 32, sink.lists[0].name}));
}
}  // namespace
}  // namespace orvane
