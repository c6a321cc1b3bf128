#include <gtest/gtest.h>
#include <sstream>
#include "foundation/error_output.h"
#include "material/material.h"
#include "scene/group_object.h"
#include "scene/math_plane.h"
#include "scene/math_sphere.h"
#include "scene/naming.h"
#include "scene/recording_sink.h"
#include "scene/scene.h"

namespace orvane {
namespace {
using namespace testing_support;

MathSphere* Sphere(const char* name, const Vec3& at = {}) {
  auto* s = Named(new MathSphere(1.0f), name);
  s->placement.position = at;
  return s;
}
template <class T>
T* Add(GroupObject& group, T* item) {
  EXPECT_TRUE(group.AddMember(item));
  return item;
}
std::vector<SceneObject*> Members(const GroupObject& group) {
  std::vector<SceneObject*> out;
  for (ListNode* n = group.members.head; n; n = n->next)
    out.push_back(dynamic_cast<SceneObject*>(n->item));
  return out;
}
std::vector<std::string> MemberNames(const GroupObject& group) {
  std::vector<std::string> out;
  for (SceneObject* m : Members(group)) out.emplace_back(m->name.c_str());
  return out;
}

TEST(GroupMotion, MovesPreviewsScalesAndTurnsReachEveryMemberAndNestedGroups) {
  GroupObject group;
  MathSphere* a = Add(group, Sphere("a", {1, 0, 0}));
  GroupObject* inner = Add(group, new GroupObject);
  MathPlane* p = Add(*inner, new MathPlane);
  p->placement.position = Vec3{2, 3, 4};
  group.Move(Ray{1, 0, {}, {1, 0, 0}});
  ExpectNear(p->placement.position, {3, 3, 4});
  EXPECT_EQ(group.current_member, inner);  // the member visited last
  group.preview_dirty = 1;
  RecordingSink sink;
  group.BuildPreview(sink, 0);  // nothing of its own to draw: marks the members
  EXPECT_TRUE(sink.lists.empty());
  EXPECT_EQ(a->preview_dirty, 1);
  group.SetScaleCenter(&group.placement.position);
  group.SetScale(3, 3, 3);
  group.ApplyScale();
  ExpectNear(a->placement.position, {4, 0, 0});
  EXPECT_FLOAT_EQ(a->radius(), 3.0f);
  Vec3 angles;
  group.TurnTowards(Vec3{6, 0, 0}, &angles);  // the group's angles
  ExpectNear(angles, {0, 90, 0});
  ExpectNear(group.placement.axis_Z, {1, 0, 0});
  ExpectNear(a->placement.axis_Z, {1, 0, 0});
  group.PointAlong(Vec3{0, 0, -1});
  ExpectNear(a->placement.axis_Z, {0, 0, -1});
  group.LookAt(Vec3{4, 0, 3});  // each member looks from where it stands
  ExpectNear(a->placement.axis_Z, {0, 0, 1});
}

TEST(GroupTracing, AnswersForTheNearestMember) {
  GroupObject group;
  Material near_material;
  MathSphere* far_one = Add(group, Sphere("far", {0, 0, 10}));
  MathSphere* near_one = Add(group, Sphere("near", {0, 0, 5}));
  near_one->material = &near_material;
  group.PrepareRender();  // reaches the members: their materials have no texture
  ASSERT_FLOAT_EQ(Shoot(group, {0, 0, 0}, {0, 0, 1}), 4.0f);
  EXPECT_FLOAT_EQ(group.FarDistance(), 6.0f);
  EXPECT_EQ(group.HitObject(), near_one);
  EXPECT_EQ(group.GetMaterial(), &near_material);
  group.SetTextureUV(0.25f, 0.5f);
  EXPECT_EQ(near_one->TextureU(), 0.25f);
  group.SetDistance(2.5f);
  EXPECT_EQ(near_one->NearDistance(), 2.5f);
  ExpectNear(NormalOf(group, {0, 0, 4}), {0, 0, -1});
  EXPECT_FALSE(group.Intersect(UnitRay({0, 0, 0}, {0, 0, 1}), -1.0f));  // one hit per search
  near_one->SetFlag(kIsVisible, false);  // an invisible member never occludes
  ASSERT_FLOAT_EQ(Shoot(group, {0, 0, 0}, {0, 0, 1}), 9.0f);
  EXPECT_EQ(group.HitObject(), far_one);
  EXPECT_EQ(Shoot(group, {5, 5, 0}, {0, 0, 1}), -1.0f);
  EXPECT_EQ(NormalOf(group, {1, 1, 1}), (Vec3{0, 0, 0}));
}

struct UncopyableItem : SceneObject {
  SceneObject* Clone() const override { return nullptr; }
  const char* TypeName() const override { return "Uncopyable"; }
};

TEST(GroupMembers, MaterialsMappingLeftoversAndDeepCopiesReachNestedMembers) {
  GroupObject group;
  Material m, other;
  for (const char* name : {"Cube_mat_object", "_mat_object", "Cube"}) Add(group, Sphere(name));
  GroupObject* inner = Add(group, Named(new GroupObject, "inner"));
  Add(*inner, Sphere("Ball_mat_object"));
  MathSphere* deep = Add(*inner, Sphere("mat_object"));
  Add(group, Sphere("Last_mat_object"));
  EXPECT_FALSE(group.UsesMaterial(&m));
  deep->material = &m;
  EXPECT_TRUE(group.UsesMaterial(&m));
  group.AssignMaterial(&other);
  EXPECT_EQ(deep->material, &other);
  EXPECT_EQ(inner->material, nullptr);  // groups keep their own
  group.current_member = Members(group).back();
  group.RemoveMappingLeftovers();
  EXPECT_EQ(MemberNames(group), (std::vector<std::string>{"Cube", "inner"}));
  EXPECT_EQ(MemberNames(*inner), (std::vector<std::string>{"mat_object"}));
  EXPECT_EQ(group.current_member, nullptr);
  // A copy is deep; scale centres that meant the original's position now mean the copy's.
  group.SetScaleCenter(&group.placement.position);
  std::unique_ptr<SceneObject> copy_item(group.Clone());
  auto* copy = dynamic_cast<GroupObject*>(copy_item.get());
  ASSERT_NE(copy, nullptr);
  auto* inner_copy = dynamic_cast<GroupObject*>(Members(*copy)[1]);
  ASSERT_NE(inner_copy, nullptr);
  EXPECT_NE(Members(*inner_copy)[0], deep);
  EXPECT_EQ(Members(*inner_copy)[0]->scale_center, &copy->placement.position);
  // A member that cannot be copied, or no memory: null and an error.
  Add(group, new UncopyableItem);
  std::ostringstream err;
  SetErrorOutput(&err);
  EXPECT_EQ(group.Clone(), nullptr);  // the copies made so far are freed (leak checker)
  GroupObject empty;
  FailNextAllocations(1);
  EXPECT_EQ(empty.Clone(), nullptr);
  FailNextAllocations(0);
  SetErrorOutput(nullptr);
  EXPECT_EQ(err.str(),
            "ERROR: Could not allocate Group-Object member.\n"
            "ERROR: Could not allocate Group-Object.\n");
}

// Names from imported files become one word that a scene file reads back.
TEST(FileSafeNameTest, KeepsWhatReadsBackAsOneWord) {
  EXPECT_EQ(FileSafeName("Box_01-b", "Mesh"), "Box_01-b");
  EXPECT_EQ(FileSafeName("my part.1", "Mesh"), "my_part_1");
  EXPECT_EQ(FileSafeName("Cone{x}\"<>/[2]", "Mesh"), "Cone_x______2_");
  EXPECT_EQ(FileSafeName("-1", "Mesh"), "_1");
  EXPECT_EQ(FileSafeName("W\xc3\xbcrfel\t", "Mesh"), "W__rfel_");
  EXPECT_EQ(FileSafeName("", "Mesh"), "Mesh");
}

// A scene with an object tree G { H { Wheel } } among other objects, a light and a camera.
TEST(Naming, UniqueNamesCountTheTrailingNumberOnAndParentsFollowTheTree) {
  Scene scene;
  std::ostringstream err;
  ASSERT_TRUE(scene.EnsureLists(err));
  auto* g = Named(new GroupObject, "G");
  GroupObject* h = Add(*g, Named(new GroupObject, "H"));
  MathSphere* wheel = Add(*h, Sphere("Wheel"));
  for (const char* name : {"Ball", "Ring1", "Ring2"}) scene.objects->Append(Sphere(name), 1);
  scene.objects->Append(g, 1);
  scene.lights->Append(Sphere("Lamp"), 1);
  scene.cameras->Append(Sphere("Standard_Kamera"), 1);
  EXPECT_EQ(MakeUniqueName(scene, "Ring", NameKind::kLight), "Ring1");
  const std::pair<const char*, const char*> cases[] = {
      {"Ring", "Ring3"}, {"Box09", "Box10"}, {"A007", "A8"}, {"", "1"}};
  for (const auto& [name, unique] : cases)
    EXPECT_EQ(MakeUniqueName(scene, name, NameKind::kObject), unique) << name;
  EXPECT_EQ(MakeUniqueName(scene, "X99999999999999999999", NameKind::kObject),
            "X100000000000000000000");  // beyond 64 bits
  // Walks leave list positions alone; missing lists hold no names.
  ListNode* before = scene.objects->head;
  scene.objects->current = before;
  EXPECT_EQ(MakeUniqueName(scene, "Wheel", NameKind::kObject), "Wheel1");
  EXPECT_EQ(scene.objects->current, before);
  EXPECT_EQ(MakeUniqueName(scene, "Lamp", NameKind::kLight), "Lamp1");
  Scene empty;
  EXPECT_FALSE(IsNameTaken(empty, "Ball", NameKind::kObject));
  EXPECT_EQ(MakeUniqueName(empty, "Ball", NameKind::kCamera), "Ball1");
  AssignParents(empty);
  g->parent = h;  // stale values are overwritten
  AssignParents(scene);
  EXPECT_EQ(g->parent, nullptr);
  EXPECT_EQ(h->parent, g);
  EXPECT_EQ(wheel->parent, h);
}
}  // namespace
}  // namespace orvane
