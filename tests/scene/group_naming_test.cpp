#include <gtest/gtest.h>
#include <memory>
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
#include "scene/scene_checks.h"

namespace orvane {
namespace {
using testing_support::ExpectNear;
using testing_support::RecordingSink;
using testing_support::Step;
using testing_support::UnitRay;

MathSphere* Sphere(const char* name, const Vec3& at = {}) {
  auto* s = new MathSphere(1.0f);
  s->name = name;
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

TEST(GroupMotion, MovesAndTurnsCarryEveryMemberAndNestedGroups) {
  GroupObject group;
  Add(group, Sphere("a"));
  GroupObject* inner = Add(group, new GroupObject);
  MathPlane* p = Add(*inner, new MathPlane);
  p->placement.position = Vec3{2, 3, 4};
  group.Move(Step({1, 0, 0}, 1));
  ExpectNear(p->placement.position, {3, 3, 4});
  EXPECT_EQ(group.current_member, inner);  // the member visited last
  // Turning the axes carries members about the group's own position, not the origin.
  GroupObject turning;
  MathSphere* t = Add(turning, Sphere("t", {1, 0, 0}));
  turning.RotateAxesAboutAxis(90, Vec3{0, 1, 0});
  ExpectNear(t->placement.position, {0, 0, -1});
  GroupObject moved;
  MathSphere* b = Add(moved, Sphere("b", {3, 0, 0}));
  moved.placement.position = Vec3{2, 0, 0};
  moved.RotateAxesEuler(Vec3{0, 90, 0}, kEulerY);
  ExpectNear(b->placement.position, {2, 0, -1});
  // Rotations about a line or a centre turn the members; only the group's position moves.
  GroupObject turned;
  MathSphere* c = Add(turned, Sphere("c", {1, 0, 0}));
  turned.RotateAboutAxis(90, Vec3{0, 0, 1}, Vec3{0, 0, 0});
  ExpectNear(c->placement.axis_X, {0, 1, 0});
  turned.RotateEuler(Vec3{90, 0, 0}, Vec3{0, 0, 0}, kEulerXYZ);
  ExpectNear(c->placement.position, {0, 0, 1});
}

TEST(GroupMotion, ScaleForwardsCentreAndFactorsAndTurnsReachTheMembers) {
  GroupObject group;
  group.placement.position = Vec3{1, 0, 0};
  MathSphere* a = Add(group, Sphere("a", {2, 0, 0}));
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
  Material far_material, near_material;
  MathSphere* far_one = Add(group, Sphere("far", {0, 0, 10}));
  MathSphere* near_one = Add(group, Sphere("near", {0, 0, 5}));
  far_one->material = &far_material;
  near_one->material = &near_material;
  const Ray ray = UnitRay({0, 0, 0}, {0, 0, 1});
  group.PrepareRender();  // reaches the members: their materials have no texture
  group.ResetRayState();
  ASSERT_TRUE(group.Intersect(ray, -1.0f));
  EXPECT_FLOAT_EQ(group.NearDistance(), 4.0f);
  EXPECT_FLOAT_EQ(group.FarDistance(), 6.0f);
  EXPECT_EQ(group.HitObject(), near_one);
  EXPECT_EQ(group.GetMaterial(), &near_material);
  group.SetTextureUV(0.25f, 0.5f);
  EXPECT_EQ(near_one->TextureU(), 0.25f);
  group.SetDistance(2.5f);
  EXPECT_EQ(near_one->NearDistance(), 2.5f);
  Vec3 n;
  group.NormalAt(&n, Vec3{0, 0, 4});
  ExpectNear(n, {0, 0, -1});
  EXPECT_FALSE(group.Intersect(ray, -1.0f));  // one hit per search
  near_one->SetFlag(kIsVisible, false);       // an invisible member never occludes
  group.ResetRayState();
  ASSERT_TRUE(group.Intersect(ray, -1.0f));
  EXPECT_EQ(group.HitObject(), far_one);
  group.ResetRayState();
  EXPECT_FALSE(group.Intersect(UnitRay({5, 5, 0}, {0, 0, 1}), -1.0f));
  group.NormalAt(&n, Vec3{1, 1, 1});
  EXPECT_EQ(n, (Vec3{0, 0, 0}));
}

TEST(GroupPreview, MarksMembersAndDeletesTheirLists) {
  GroupObject group;
  MathSphere* a = Add(group, Sphere("a"));
  GroupObject* inner = Add(group, new GroupObject);
  MathSphere* b = Add(*inner, Sphere("b"));
  group.preview_dirty = 1;
  RecordingSink sink;
  group.BuildPreview(sink, 0);
  EXPECT_EQ(a->preview_dirty, 1);
  EXPECT_TRUE(sink.lists.empty());  // nothing of its own to draw
  a->display_lists[0] = 4;
  a->display_lists[1] = 4;  // shared name: deleted once
  a->display_lists[3] = 6;
  b->display_lists[0] = 9;
  group.DeleteMemberDisplayLists(sink);
  EXPECT_EQ(sink.deleted, (std::vector<uint32_t>{4, 6, 9}));
}

TEST(GroupMembers, MaterialsAndMappingLeftoversReachNestedMembers) {
  GroupObject group;
  Material m, other;
  Add(group, Sphere("Cube_mat_object"));
  Add(group, Sphere("_mat_object"));
  Add(group, Sphere("Cube"));
  GroupObject* inner = Add(group, new GroupObject);
  inner->name = "inner";
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
}

TEST(GroupClone, DeepCopySharesNothing) {
  GroupObject group;
  Add(group, Sphere("m1", {1, 0, 0}));
  GroupObject* inner = Add(group, new GroupObject);
  Add(*inner, Sphere("m2", {0, 1, 0}));
  group.SetScaleCenter(&group.placement.position);
  std::unique_ptr<SceneObject> copy_item(group.Clone());
  auto* copy = dynamic_cast<GroupObject*>(copy_item.get());
  ASSERT_NE(copy, nullptr);
  auto* inner_copy = dynamic_cast<GroupObject*>(Members(*copy)[1]);
  ASSERT_NE(inner_copy, nullptr);
  EXPECT_NE(Members(*inner_copy)[0], Members(*inner)[0]);
  // Scale centres that meant the original's position now mean the copy's.
  EXPECT_EQ(Members(*inner_copy)[0]->scale_center, &copy->placement.position);
}

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
    h->AddMember(Sphere("Wheel"));
    g->AddMember(h);
    scene.objects->Append(Sphere("Ball"), 1);
    scene.objects->Append(g, 1);
    scene.lights->Append(Sphere("Lamp"), 1);
    scene.cameras->Append(Sphere("Standard_Kamera"), 1);
  }
  void AddObject(const char* name) { scene.objects->Append(Sphere(name), 1); }
  Scene scene;
};

TEST_F(NamingTest, WalksLeaveListPositionsAloneAndMissingListsHoldNoNames) {
  ListNode* before = scene.objects->head;
  scene.objects->current = before;
  EXPECT_EQ(MakeUniqueName(scene, "Wheel", NameKind::kObject), "Wheel1");
  EXPECT_EQ(scene.objects->current, before);
  EXPECT_EQ(MakeUniqueName(scene, "Lamp", NameKind::kLight), "Lamp1");
  Scene empty;
  EXPECT_FALSE(IsNameTaken(empty, "Ball", NameKind::kObject));
  EXPECT_EQ(MakeUniqueName(empty, "Ball", NameKind::kCamera), "Ball1");
  AssignParents(empty);
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

TEST_F(NamingTest, UniqueNamesCountTheTrailingNumberOn) {
  AddObject("Ring1");
  AddObject("Ring2");
  EXPECT_EQ(MakeUniqueName(scene, "Ring", NameKind::kLight), "Ring1");
  const struct {
    const char* name;
    const char* unique;
  } cases[] = {{"Ring", "Ring3"},
               {"Box09", "Box10"},
               {"A007", "A8"},
               {"", "1"},
               {"X99999999999999999999", "X100000000000000000000"}};
  for (const auto& c : cases)
    EXPECT_EQ(MakeUniqueName(scene, c.name, NameKind::kObject), c.unique) << c.name;
}

TEST_F(NamingTest, AssignParentsFollowsTheTree) {
  auto* g = dynamic_cast<GroupObject*>(scene.objects->tail->item);
  ASSERT_NE(g, nullptr);
  auto* h = dynamic_cast<GroupObject*>(g->members.head->item);
  auto* wheel = dynamic_cast<SceneObject*>(h->members.head->item);
  g->parent = h;  // stale values are overwritten
  AssignParents(scene);
  EXPECT_EQ(g->parent, nullptr);
  EXPECT_EQ(h->parent, g);
  EXPECT_EQ(wheel->parent, h);
}
}  // namespace
}  // namespace orvane
