#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <sstream>
#include <vector>

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

using testing_support::RecordingSink;

void ExpectNear(const Vec3& v, float x, float y, float z, float tolerance = 1e-5f) {
  EXPECT_NEAR(v.x, x, tolerance);
  EXPECT_NEAR(v.y, y, tolerance);
  EXPECT_NEAR(v.z, z, tolerance);
}

MathSphere* Sphere(const char* name, const Vec3& at, float radius = 1.0f) {
  auto* s = new MathSphere(radius);
  s->name = name;
  s->placement.position = at;
  return s;
}

// Adds `item` to `group`, failing the test if the group refuses it.
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

Ray UnitRay(const Vec3& origin, const Vec3& direction) {
  Ray ray;
  ray.origin = origin;
  ray.direction = direction;
  ray.Normalize();
  return ray;
}

TEST(GroupMotion, MoveCarriesEveryMemberAndNestedGroups) {
  GroupObject group;
  MathSphere* a = Add(group, Sphere("a", {0, 0, 0}));
  GroupObject* inner = Add(group, new GroupObject);
  MathPlane* p = Add(*inner, new MathPlane);
  p->placement.position = Vec3{2, 3, 4};
  Ray step;
  step.direction = Vec3{1, 0, 0};
  step.length = 1;
  group.Move(step);
  ExpectNear(group.placement.position, 1, 0, 0);
  ExpectNear(a->placement.position, 1, 0, 0);
  ExpectNear(inner->placement.position, 1, 0, 0);
  ExpectNear(p->placement.position, 3, 3, 4);
  EXPECT_EQ(group.current_member, inner);  // the member visited last
}

TEST(GroupMotion, TurningTheAxesCarriesMembersAboutThePosition) {
  GroupObject group;
  MathSphere* a = Add(group, Sphere("a", {1, 0, 0}));
  group.RotateAxesAboutAxis(90, Vec3{0, 1, 0});
  ExpectNear(a->placement.position, 0, 0, -1);
  ExpectNear(a->placement.axis_X, 0, 0, -1);
  ExpectNear(group.placement.axis_X, 0, 0, -1);

  // About the group's own position, not the origin.
  GroupObject moved;
  MathSphere* b = Add(moved, Sphere("b", {3, 0, 0}));
  moved.placement.position = Vec3{2, 0, 0};
  moved.RotateAxesEuler(Vec3{0, 90, 0}, kEulerY);
  ExpectNear(b->placement.position, 2, 0, -1);
  ExpectNear(b->placement.axis_Z, 1, 0, 0);
}

TEST(GroupMotion, RotationsAboutALineOrCentreTurnMembersWithThem) {
  GroupObject group;
  MathSphere* a = Add(group, Sphere("a", {1, 0, 0}));
  group.RotateAboutAxis(90, Vec3{0, 0, 1}, Vec3{0, 0, 0});
  ExpectNear(a->placement.position, 0, 1, 0);
  ExpectNear(a->placement.axis_X, 0, 1, 0);
  ExpectNear(group.placement.axis_X, 1, 0, 0);  // only the group's position moves

  group.RotateEuler(Vec3{90, 0, 0}, Vec3{0, 0, 0}, kEulerXYZ);
  ExpectNear(a->placement.position, 0, 0, 1);
}

TEST(GroupMotion, RotationsPreserveDistancesAndUndo) {
  std::mt19937 random(1234);
  std::uniform_real_distribution<float> coord(-5.0f, 5.0f);
  for (int round = 0; round < 20; ++round) {
    GroupObject group;
    group.placement.position = Vec3{coord(random), coord(random), coord(random)};
    MathSphere* a = Add(group, Sphere("a", {coord(random), coord(random), coord(random)}));
    MathSphere* b = Add(group, Sphere("b", {coord(random), coord(random), coord(random)}));
    const Vec3 a0 = a->placement.position, b0 = b->placement.position;
    Vec3 axis{coord(random), coord(random), coord(random)};
    axis.Normalize();
    const float degrees = coord(random) * 30.0f;

    group.RotateAxesAboutAxis(degrees, axis);
    EXPECT_NEAR(Distance(a->placement.position, b->placement.position), Distance(a0, b0), 1e-4);
    EXPECT_NEAR(Distance(a->placement.position, group.placement.position),
                Distance(a0, group.placement.position), 1e-4);
    group.RotateAxesAboutAxis(-degrees, axis);
    ExpectNear(a->placement.position, a0.x, a0.y, a0.z, 1e-4f);
    ExpectNear(b->placement.position, b0.x, b0.y, b0.z, 1e-4f);
    ExpectNear(a->placement.axis_Y, 0, 1, 0, 1e-5f);
  }
}

TEST(GroupMotion, ScaleForwardsCentreAndFactors) {
  GroupObject group;
  group.placement.position = Vec3{1, 0, 0};
  MathSphere* a = Add(group, Sphere("a", {2, 0, 0}, 1.0f));
  group.SetScaleCenter(&group.placement.position);
  group.SetScale(3, 3, 3);
  EXPECT_EQ(a->scale_center, &group.placement.position);
  EXPECT_EQ(a->scale, (Vec3{3, 3, 3}));
  group.ApplyScale();
  ExpectNear(group.placement.position, 1, 0, 0);
  ExpectNear(a->placement.position, 4, 0, 0);
  EXPECT_FLOAT_EQ(a->radius(), 3.0f);
}

TEST(GroupMotion, TurnTowardsAnswersTheGroupsAngles) {
  GroupObject group;
  MathSphere* a = Add(group, Sphere("a", {0, 0, 0}));
  Vec3 angles;
  group.TurnTowards(Vec3{5, 0, 0}, &angles);
  ExpectNear(angles, 0, 90, 0);
  ExpectNear(group.placement.axis_Z, 1, 0, 0);
  ExpectNear(a->placement.axis_Z, 1, 0, 0);

  group.PointAlong(Vec3{0, 0, -1});
  ExpectNear(a->placement.axis_Z, 0, 0, -1);
  group.LookAt(Vec3{0, 0, 3});
  ExpectNear(a->placement.axis_Z, 0, 0, 1);
}

TEST(GroupTracing, AnswersForTheNearestMember) {
  GroupObject group;
  Material far_material, near_material;
  MathSphere* far_one = Add(group, Sphere("far", {0, 0, 10}));
  MathSphere* near_one = Add(group, Sphere("near", {0, 0, 5}));
  far_one->material = &far_material;
  near_one->material = &near_material;
  const Ray ray = UnitRay({0, 0, 0}, {0, 0, 1});
  group.PrepareRender();  // reaches the members: their materials have no texture
  EXPECT_EQ(near_one->uses_texture(), 0u);
  group.ResetRayState();
  ASSERT_TRUE(group.Intersect(ray, -1.0f));
  EXPECT_FLOAT_EQ(group.NearDistance(), 4.0f);
  EXPECT_FLOAT_EQ(group.FarDistance(), 6.0f);
  EXPECT_EQ(group.current_member, near_one);
  EXPECT_EQ(group.HitObject(), near_one);
  EXPECT_EQ(group.GetMaterial(), &near_material);
  EXPECT_FLOAT_EQ(group.TextureU(), near_one->TextureU());
  Vec3 n;
  group.NormalAt(&n, Vec3{0, 0, 4});
  ExpectNear(n, 0, 0, -1);
  EXPECT_FALSE(group.Intersect(ray, -1.0f));  // one hit per search

  near_one->SetFlag(kIsVisible, false);  // an invisible member never occludes
  group.ResetRayState();
  ASSERT_TRUE(group.Intersect(ray, -1.0f));
  EXPECT_EQ(group.HitObject(), far_one);

  group.ResetRayState();
  EXPECT_FALSE(group.Intersect(UnitRay({5, 5, 0}, {0, 0, 1}), -1.0f));
  EXPECT_EQ(group.HitObject(), &group);
  group.NormalAt(&n, Vec3{1, 1, 1});
  EXPECT_EQ(n, (Vec3{0, 0, 0}));
}

TEST(GroupTracing, NestedGroupsAndEqualDistances) {
  GroupObject outer;
  GroupObject* inner = Add(outer, new GroupObject);
  MathSphere* first = Add(*inner, Sphere("first", {0, 0, 5}));
  Add(outer, Sphere("second", {0, 0, 5}));
  outer.ResetRayState();
  ASSERT_TRUE(outer.Intersect(UnitRay({0, 0, 0}, {0, 0, 1}), -1.0f));
  EXPECT_EQ(outer.current_member, inner);
  EXPECT_EQ(outer.HitObject(), first);  // the first in list order wins a tie
  outer.SetTextureUV(0.25f, 0.5f);
  EXPECT_EQ(first->TextureU(), 0.25f);
  outer.SetDistance(2.5f);
  EXPECT_EQ(first->NearDistance(), 2.5f);
}

TEST(GroupPreview, MarksMembersAndDeletesTheirLists) {
  GroupObject group;
  MathSphere* a = Add(group, Sphere("a", {0, 0, 0}));
  GroupObject* inner = Add(group, new GroupObject);
  MathSphere* b = Add(*inner, Sphere("b", {0, 0, 0}));
  group.preview_dirty = 1;
  RecordingSink sink;
  group.BuildPreview(sink, 0);
  EXPECT_EQ(group.preview_dirty, 0);
  EXPECT_EQ(a->preview_dirty, 1);
  EXPECT_EQ(inner->preview_dirty, 1);
  EXPECT_TRUE(sink.lists.empty());  // nothing of its own to draw

  a->display_lists[0] = 4;
  a->display_lists[1] = 4;  // shared name: deleted once
  a->display_lists[3] = 6;
  b->display_lists[0] = 9;
  group.DeleteMemberDisplayLists(sink);
  EXPECT_EQ(sink.deleted, (std::vector<uint32_t>{4, 6, 9}));
  EXPECT_EQ(a->display_lists[1], 0u);
  EXPECT_EQ(b->display_lists[0], 0u);
}

TEST(GroupMaterial, UseAndAssignReachNestedMembers) {
  GroupObject group;
  Material m, other;
  Add(group, Sphere("a", {0, 0, 0}));
  GroupObject* inner = Add(group, new GroupObject);
  MathSphere* deep = Add(*inner, Sphere("deep", {0, 0, 0}));
  EXPECT_FALSE(group.UsesMaterial(&m));
  deep->material = &m;
  EXPECT_TRUE(group.UsesMaterial(&m));
  group.AssignMaterial(&other);
  EXPECT_EQ(deep->material, &other);
  EXPECT_EQ(Members(group)[0]->material, &other);
  EXPECT_EQ(inner->material, nullptr);  // groups keep their own
  EXPECT_FALSE(group.UsesMaterial(&m));
}

TEST(GroupMembers, RemoveMappingLeftoversEverywhere) {
  GroupObject group;
  Add(group, Sphere("Cube_mat_object", {0, 0, 0}));
  Add(group, Sphere("_mat_object", {0, 0, 0}));
  Add(group, Sphere("Cube", {0, 0, 0}));
  GroupObject* inner = Add(group, new GroupObject);
  inner->name = "inner";
  Add(*inner, Sphere("Ball_mat_object", {0, 0, 0}));
  Add(*inner, Sphere("mat_object", {0, 0, 0}));
  Add(group, Sphere("Last_mat_object", {0, 0, 0}));
  group.current_member = Members(group).back();
  group.RemoveMappingLeftovers();
  EXPECT_EQ(MemberNames(group), (std::vector<std::string>{"Cube", "inner"}));
  EXPECT_EQ(MemberNames(*inner), (std::vector<std::string>{"mat_object"}));
  EXPECT_EQ(group.current_member, nullptr);
}

TEST(GroupClone, DeepCopyKeepsNamesAndSharesNothing) {
  GroupObject group;
  group.name = "G";
  group.placement.position = Vec3{1, 2, 3};
  Add(group, Sphere("m1", {1, 0, 0}));
  GroupObject* inner = Add(group, new GroupObject);
  inner->name = "H";
  Add(*inner, Sphere("m2", {0, 1, 0}));
  group.SetScaleCenter(&group.placement.position);

  std::unique_ptr<SceneObject> copy_item(group.Clone());
  auto* copy = dynamic_cast<GroupObject*>(copy_item.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->name, "G");
  EXPECT_EQ(copy->placement, group.placement);
  EXPECT_EQ(MemberNames(*copy), (std::vector<std::string>{"m1", "H"}));
  auto* inner_copy = dynamic_cast<GroupObject*>(Members(*copy)[1]);
  ASSERT_NE(inner_copy, nullptr);
  EXPECT_EQ(MemberNames(*inner_copy), (std::vector<std::string>{"m2"}));
  EXPECT_NE(inner_copy, inner);
  EXPECT_NE(Members(*inner_copy)[0], Members(*inner)[0]);
  EXPECT_EQ(Members(*copy)[0]->parent, copy);
  EXPECT_EQ(Members(*inner_copy)[0]->parent, inner_copy);
  // Scale centres that meant the original's position now mean the copy's.
  EXPECT_EQ(Members(*inner_copy)[0]->scale_center, &copy->placement.position);

  Ray step;
  step.direction = Vec3{0, 0, 1};
  step.length = 5;
  copy->Move(step);
  ExpectNear(Members(*inner)[0]->placement.position, 0, 1, 0);
}

// A member that cannot be copied.
class UncopyableItem : public SceneObject {
 public:
  SceneObject* Clone() const override { return nullptr; }
  const char* TypeName() const override { return "Uncopyable"; }
};

TEST(GroupClone, FailuresGiveNullAndAnError) {
  GroupObject group;
  Add(group, Sphere("m1", {1, 0, 0}));
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

// A scene with an object tree G { H { Wheel } }, a light and a camera list.
class NamingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ostringstream err;
    ASSERT_TRUE(scene.EnsureLists(err));
    auto* g = new GroupObject;
    g->name = "G";
    auto* h = new GroupObject;
    h->name = "H";
    h->AddMember(Sphere("Wheel", {0, 0, 0}));
    g->AddMember(h);
    scene.objects->Append(Sphere("Ball", {0, 0, 0}), 1);
    scene.objects->Append(g, 1);
    scene.lights->Append(Sphere("Lamp", {0, 0, 0}), 1);
    scene.cameras->Append(Sphere("Standard_Kamera", {0, 0, 0}), 1);
  }
  void AddObject(const char* name) { scene.objects->Append(Sphere(name, {0, 0, 0}), 1); }

  Scene scene;
};

TEST_F(NamingTest, TakenNamesPerKindReachNestedGroups) {
  for (const char* name : {"Wheel", "H", "Ball"})
    EXPECT_TRUE(IsNameTaken(scene, name, NameKind::kObject));
  EXPECT_FALSE(IsNameTaken(scene, "Whee", NameKind::kObject));
  EXPECT_FALSE(IsNameTaken(scene, "Lamp", NameKind::kObject));
  EXPECT_TRUE(IsNameTaken(scene, "Lamp", NameKind::kLight));
  EXPECT_FALSE(IsNameTaken(scene, "Wheel", NameKind::kLight));
  EXPECT_TRUE(IsNameTaken(scene, "Standard_Kamera", NameKind::kCamera));
  EXPECT_FALSE(IsNameTaken(scene, "Lamp", NameKind::kCamera));
  EXPECT_STREQ(kNameTakenText, "There is a object with the same name.\nPlease change the name!");
  EXPECT_STREQ(kNameTakenTitle, "Error");
}

TEST_F(NamingTest, WalksLeaveListPositionsAloneAndMissingListsHoldNoNames) {
  ListNode* before = scene.objects->head;
  scene.objects->current = before;
  MakeUniqueName(scene, "Wheel", NameKind::kObject);
  EXPECT_EQ(scene.objects->current, before);
  Scene empty;
  EXPECT_FALSE(IsNameTaken(empty, "Ball", NameKind::kObject));
  EXPECT_EQ(MakeUniqueName(empty, "Ball", NameKind::kCamera), "Ball1");
  AssignParents(empty);
}

TEST(FileSafeNameTest, KeepsWhatReadsBackAsOneWord) {
  EXPECT_EQ(FileSafeName("Box_01-b", "Mesh"), "Box_01-b");
  EXPECT_EQ(FileSafeName("my part.1", "Mesh"), "my_part_1");
  EXPECT_EQ(FileSafeName("Cone{x}\"<>/[2]", "Mesh"), "Cone_x______2_");
  EXPECT_EQ(FileSafeName("-1", "Mesh"), "_1");
  EXPECT_EQ(FileSafeName("W\xc3\xbcrfel\t", "Mesh"), "W__rfel_");
  EXPECT_EQ(FileSafeName("", "Mesh"), "Mesh");
}

TEST_F(NamingTest, UniqueNamesCountTheTrailingNumberOn) {
  AddObject("Ring1");
  AddObject("Ring2");
  EXPECT_EQ(MakeUniqueName(scene, "Ring", NameKind::kObject), "Ring3");
  EXPECT_EQ(MakeUniqueName(scene, "Ring", NameKind::kLight), "Ring1");
  EXPECT_EQ(MakeUniqueName(scene, "Cube", NameKind::kObject), "Cube1");
  EXPECT_EQ(MakeUniqueName(scene, "Cube1", NameKind::kObject), "Cube2");
  EXPECT_EQ(MakeUniqueName(scene, "Box09", NameKind::kObject), "Box10");
  EXPECT_EQ(MakeUniqueName(scene, "Part9", NameKind::kObject), "Part10");
  EXPECT_EQ(MakeUniqueName(scene, "A007", NameKind::kObject), "A8");
  EXPECT_EQ(MakeUniqueName(scene, "", NameKind::kObject), "1");
  EXPECT_EQ(MakeUniqueName(scene, "X99999999999999999999", NameKind::kObject),
            "X100000000000000000000");
  AddObject("Wheel1");
  EXPECT_EQ(MakeUniqueName(scene, "Wheel", NameKind::kObject), "Wheel2");
}

TEST_F(NamingTest, AssignParentsFollowsTheTree) {
  auto* g = dynamic_cast<GroupObject*>(scene.objects->tail->item);
  ASSERT_NE(g, nullptr);
  auto* h = dynamic_cast<GroupObject*>(g->members.head->item);
  auto* wheel = dynamic_cast<SceneObject*>(h->members.head->item);
  g->parent = h;  // stale values are overwritten
  wheel->parent = nullptr;
  AssignParents(scene);
  EXPECT_EQ(g->parent, nullptr);
  EXPECT_EQ(h->parent, g);
  EXPECT_EQ(wheel->parent, h);
}

}  // namespace
}  // namespace orvane
