#include "scene/scene_object.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "scene/scene.h"

namespace orvane {
namespace {

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

void ExpectNear(const Vec3& v, float x, float y, float z, float tolerance = 1e-4f) {
  EXPECT_NEAR(v.x, x, tolerance);
  EXPECT_NEAR(v.y, y, tolerance);
  EXPECT_NEAR(v.z, z, tolerance);
}

TEST(SceneObjectDefaults, FreshItemIsVisibleAndCastsAndReceivesShadows) {
  PlainItem item;
  EXPECT_EQ(item.flags, 7u);
  EXPECT_TRUE(item.HasFlag(kIsVisible));
  EXPECT_FALSE(item.HasFlag(kUsePhong));
  EXPECT_EQ(item.scale, (Vec3{1, 1, 1}));
  EXPECT_EQ(item.HitObject(), &item);
  EXPECT_FALSE(item.Intersect(Ray{}, 1e10f));
  Vec3 out{9, 9, 9};
  item.BumpAt(&out);
  EXPECT_EQ(out, (Vec3{0, 0, 0}));
  item.placement.position = Vec3{1, 2, 3};
  item.NormalAt(&out, Vec3{2, 2, 5});
  EXPECT_EQ(out, (Vec3{1, 0, 2}));
}

TEST(SceneObjectText, IsCachedUntilFreed) {
  PlainItem item;
  LIST* first = item.WriteNative();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(item.WriteNative(), first);
  EXPECT_EQ(item.builds, 1);
  EXPECT_EQ(first->count, 1);
  item.FreeText();
  EXPECT_EQ(item.text, nullptr);
  item.WriteNative();
  EXPECT_EQ(item.builds, 2);
  // The destructor releases a cache that nobody freed (checked by the leak sanitizer).
}

TEST(SceneObjectClone, CopiesDataButNotCachesOrPreviewState) {
  PlainItem item;
  item.name = "Cube";
  item.placement.position = Vec3{1, 2, 3};
  item.display_lists[0] = 5;
  item.tree_item = 9;
  item.WriteNative();
  std::unique_ptr<SceneObject> copy(item.Clone());
  EXPECT_EQ(copy->name, "Cube");
  EXPECT_EQ(copy->placement, item.placement);
  EXPECT_EQ(copy->text, nullptr);
  EXPECT_EQ(copy->display_lists[0], 0u);
  EXPECT_EQ(copy->tree_item, 0);
}

TEST(SceneObjectMotion, MoveAndRotatePosition) {
  PlainItem item;
  Ray step;
  step.direction = Vec3{0, 3, 4};
  step.Normalize();
  EXPECT_FLOAT_EQ(step.length, 5.0f);
  EXPECT_EQ(step.normalized, 1);
  step.length = 10;
  item.Move(step);
  ExpectNear(item.placement.position, 0, 6, 8);
  step.length = 0;
  item.Move(step);
  ExpectNear(item.placement.position, 0, 6, 8);

  item.placement.position = Vec3{2, 0, 0};
  item.RotateAboutAxis(90, Vec3{0, 0, 1}, Vec3{1, 0, 0});
  ExpectNear(item.placement.position, 1, 1, 0);
}

struct TurnCase {
  Vec3 target;
  Vec3 angles;
};

TEST(SceneObjectMotion, TurnTowardsGivesPitchAndYaw) {
  const TurnCase cases[] = {{{0, 0, 5}, {0, 0, 0}}, {{5, 0, 0}, {0, 90, 0}}, {{0, 5, 0}, {-90, 90, 0}},
                            {{-5, 0, 0}, {0, -90, 0}}};
  for (const TurnCase& c : cases) {
    PlainItem item;
    Vec3 angles;
    item.TurnTowards(c.target, &angles);
    ExpectNear(angles, c.angles.x, c.angles.y, c.angles.z);
    // The frame's Z axis now looks at the target.
    Vec3 d = c.target;
    d.Normalize();
    ExpectNear(item.placement.axis_Z, d.x, d.y, d.z);
  }
}

}  // namespace
}  // namespace orvane
