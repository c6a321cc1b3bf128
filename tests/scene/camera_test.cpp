#include "scene/camera.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "scene/group_object.h"
#include "scene/light_source.h"
#include "scene/recording_sink.h"
#include "scene/scene.h"

namespace orvane {
namespace {

void ExpectNear(const Vec3& v, const Vec3& expected, float tolerance = 1e-6f) {
  EXPECT_NEAR(v.x, expected.x, tolerance);
  EXPECT_NEAR(v.y, expected.y, tolerance);
  EXPECT_NEAR(v.z, expected.z, tolerance);
}

Vec3 Normalized(Vec3 v) {
  return v.Normalize();
}

// A camera that counts its destruction, to tell destroyed cameras from unlinked ones.
class CountedCamera : public Camera {
 public:
  explicit CountedCamera(int* destroyed) : destroyed_(destroyed) {}
  ~CountedCamera() override { ++*destroyed_; }

 private:
  int* destroyed_;
};

TEST(CameraGeometry, FocalAndViewAngleFollowZoomAndPictureWidth) {
  Camera camera;
  EXPECT_FLOAT_EQ(camera.Focal(), 200.0f);
  EXPECT_NEAR(camera.ViewAngle(), 61.93, 0.005);
  camera.setImageSize(640, 480);
  EXPECT_FLOAT_EQ(camera.Focal(), 400.0f);
  EXPECT_NEAR(camera.ViewAngle(), 33.40, 0.005);  // always for a 240-pixel height
  camera.SetZoom(300);
  EXPECT_FLOAT_EQ(camera.Focal(), 600.0f);
  camera.SetEffectiveZoom(100);
  EXPECT_FLOAT_EQ(camera.Zoom(), 300.0f);
  EXPECT_FLOAT_EQ(camera.Focal(), 200.0f);
  camera.setImageSize(0, 0);
  EXPECT_EQ(camera.Focal(), 0.0f);
  EXPECT_EQ(camera.ViewAngle(), 180.0);
  const Ray ray = camera.primaryRay(0, 0);  // degenerate, but no NaN
  EXPECT_FALSE(std::isnan(ray.direction.y) || std::isnan(ray.length));
}

TEST(CameraGeometry, ScalingTheCameraScalesItsZoom) {
  Camera camera;
  camera.SetScale(2, 2, 2);
  EXPECT_FLOAT_EQ(camera.EffectiveZoom(), 400.0f);
  EXPECT_FLOAT_EQ(camera.Focal(), 400.0f);
  EXPECT_FLOAT_EQ(camera.Zoom(), 200.0f);  // pending until applied
  camera.ApplyScale();
  EXPECT_FLOAT_EQ(camera.Zoom(), 400.0f);
  camera.SetScale(1, 1, 1);
  EXPECT_FLOAT_EQ(camera.EffectiveZoom(), 400.0f);

  Camera mixed;
  mixed.SetScale(1, 2, 3);
  mixed.ApplyScale();
  EXPECT_FLOAT_EQ(mixed.Zoom(), 400.0f);
}

TEST(CameraRays, CentrePixelLooksExactlyAlongTheViewAxis) {
  Camera camera;
  camera.placement.position = Vec3{1, 2, 3};
  Ray centre = camera.primaryRay(160, 120);
  EXPECT_EQ(centre.direction, camera.placement.axis_Z);
  EXPECT_EQ(centre.origin, camera.placement.position);
  EXPECT_FLOAT_EQ(centre.length, 200.0f);
  EXPECT_EQ(centre.normalized, 1);

  Ray corner = camera.primaryRay(0, 0);  // top left: up and to the left
  ExpectNear(corner.direction, Normalized(Vec3{-160, 120, 200}));
  Ray opposite = camera.primaryRay(320, 240);
  ExpectNear(opposite.direction,
             Vec3{-corner.direction.x, -corner.direction.y, corner.direction.z});

  // A turned camera looks along its own frame.
  camera.PointAlong(Vec3{1, 1, 0});
  ExpectNear(camera.primaryRay(160, 120).direction, camera.placement.axis_Z);
  Ray right = camera.primaryRay(320, 120);
  EXPECT_GT(Dot(right.direction, camera.placement.axis_X), 0.6);
}

TEST(CameraRays, PanoramaCoversTheFullCircle) {
  Camera camera;
  camera.SetPanoramaWidth(720);
  const Vec3 z = camera.placement.axis_Z;
  EXPECT_EQ(camera.panoramaRay(360, 180).direction, z);  // the middle column looks ahead
  ExpectNear(camera.panoramaRay(0, 180).direction, -z);  // the first one backwards
  ExpectNear(camera.panoramaRay(180, 180).direction, Vec3{-1, 0, 0});
  ExpectNear(camera.panoramaRay(540, 180).direction, Vec3{1, 0, 0});
  ExpectNear(camera.panoramaRay(360, 0).direction, Vec3{0, 1, 0});  // top row: straight up
  ExpectNear(camera.panoramaRay(360, 360).direction, Vec3{0, -1, 0});
  ExpectNear(camera.panoramaRay(360, 90).direction, Normalized(Vec3{0, 1, 1}));
  Ray ray = camera.panoramaRay(123, 77);
  EXPECT_FLOAT_EQ(ray.length, 1.0f);
  EXPECT_NEAR(ray.direction.Length(), 1.0, 1e-6);

  // A camera turned to look along +X turns its panorama with it.
  camera.PointAlong(Vec3{1, 0, 0});
  ExpectNear(camera.panoramaRay(360, 180).direction, Vec3{1, 0, 0});
  ExpectNear(camera.panoramaRay(0, 180).direction, Vec3{-1, 0, 0});

  Camera unset;  // no panorama width: straight ahead, no division by zero
  EXPECT_EQ(unset.panoramaRay(10, 10).direction, unset.placement.axis_Z);
}

TEST(CameraItem, CloneCopiesTheCameraAndStaysIndependent) {
  Camera camera;
  camera.name = "Kamera1";
  camera.placement.position = Vec3{4, 5, 6};
  camera.setImageSize(640, 480);
  camera.SetZoom(250);
  camera.display_lists[0] = 3;
  std::unique_ptr<SceneObject> copy(camera.Clone());
  ASSERT_NE(copy, nullptr);
  ASSERT_EQ(copy->GetType(), kItemCamera);
  EXPECT_STREQ(copy->TypeName(), "Camera");
  auto& clone = static_cast<Camera&>(*copy);
  EXPECT_EQ(clone.name, "Kamera1");
  EXPECT_EQ(clone.placement, camera.placement);
  EXPECT_EQ(clone.Focal(), 500.0f);
  EXPECT_EQ(clone.display_lists[0], 0u);
  clone.SetZoom(100);
  clone.placement.position.x = 0;
  EXPECT_EQ(camera.Zoom(), 250.0f);
  EXPECT_EQ(camera.placement.position.x, 4.0f);

  // Cameras draw nothing of their own.
  testing_support::RecordingSink sink;
  camera.BuildPreview(sink, 0);
  EXPECT_EQ(camera.display_lists[0], 0u);
  EXPECT_TRUE(sink.lists.empty());
}

TEST(StandardCamera, StandsBehindAndAboveTheOrigin) {
  Camera standard = MakeStandardCamera();
  EXPECT_EQ(standard.name, "Standard_Kamera");
  EXPECT_EQ(standard.placement.position, (Vec3{1, 2, -7}));
  EXPECT_EQ(standard.placement.axis_Z, (Vec3{0, 0, 1}));
  EXPECT_EQ(standard.Focal(), 200.0f);
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

TEST_F(CameraDeletionTest, TheOnlyStandardCameraIsRefused) {
  cameras_.Append(&standard_, 0);
  CameraDeletion result = DeleteCamera(cameras_, standard_, &standard_);
  EXPECT_TRUE(result.refused);
  EXPECT_STREQ(result.title, "Attention");
  EXPECT_STREQ(result.text,
               "You can not delete the 'Standard_Camera', \nas long no other camera exists.");
  EXPECT_FALSE(result.removed);
  EXPECT_EQ(cameras_.count, 1);
  EXPECT_EQ(result.current, &standard_);
}

TEST_F(CameraDeletionTest, TheStandardCameraAmongOthersIsOnlyUnlinked) {
  cameras_.Append(&standard_, 0);
  Camera* other = AddCamera();
  CameraDeletion result = DeleteCamera(cameras_, standard_, &standard_);
  EXPECT_FALSE(result.refused);
  EXPECT_TRUE(result.removed);
  EXPECT_EQ(cameras_.count, 1);
  EXPECT_EQ(result.current, other);
  EXPECT_EQ(destroyed_, 0);
}

TEST_F(CameraDeletionTest, DeletingTheLastCameraBringsTheStandardCameraBack) {
  Camera* first = AddCamera();
  Camera* second = AddCamera();
  CameraDeletion result = DeleteCamera(cameras_, standard_, second);
  EXPECT_TRUE(result.removed);
  EXPECT_FALSE(result.standard_restored);
  EXPECT_EQ(destroyed_, 1);
  EXPECT_EQ(result.current, first);

  result = DeleteCamera(cameras_, standard_, first);
  EXPECT_EQ(destroyed_, 2);
  EXPECT_TRUE(result.standard_restored);
  EXPECT_EQ(result.current, &standard_);
  ASSERT_EQ(cameras_.count, 1);
  EXPECT_EQ(cameras_.head->owns, 0);  // the scene, not the list, owns the standard camera

  Camera stranger;  // not in the list: nothing happens
  result = DeleteCamera(cameras_, standard_, &stranger);
  EXPECT_FALSE(result.removed || result.refused);
  EXPECT_EQ(cameras_.count, 1);
}

TEST(SceneClear, KeepsTheStandardCameraAndDestroysTheOthers) {
  Scene scene;
  ASSERT_TRUE(scene.New(nullptr));
  ASSERT_EQ(scene.cameras->count, 1);
  EXPECT_EQ(scene.cameras->First(), &scene.StandardCamera());

  int destroyed = 0;
  scene.cameras->Append(new CountedCamera(&destroyed), 1);
  auto* namesake = new CountedCamera(&destroyed);  // a loaded camera that took the name
  namesake->name = "Standard_Kamera";
  scene.cameras->Append(namesake, 1);
  scene.cameras->Append(new CountedCamera(&destroyed), 0);  // the list's even without ownership
  scene.StandardCamera().placement.position.x = 9;

  scene.Clear(nullptr);
  EXPECT_EQ(destroyed, 3);
  EXPECT_EQ(scene.cameras, nullptr);
  EXPECT_EQ(scene.StandardCamera().name, "Standard_Kamera");

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
  light->BuildPreview(sink, 0);  // one list, named in three slots
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
  EXPECT_EQ(scene.objects, nullptr);
  EXPECT_EQ(scene.lights, nullptr);
}

}  // namespace
}  // namespace orvane
