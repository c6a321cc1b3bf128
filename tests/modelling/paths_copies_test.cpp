#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <sstream>
#include <vector>

#include "foundation/error_output.h"
#include "modelling/copies.h"
#include "modelling/modelling_checks.h"
#include "modelling/paths.h"
#include "material/material.h"
#include "scene/camera.h"
#include "scene/group_object.h"
#include "scene/light_source.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"
#include "scene/naming.h"
#include "scene/scene.h"

namespace orvane {
namespace {

using test::ExpectNear;

std::vector<SceneObject*> Items(const LIST* list) {
  std::vector<SceneObject*> items;
  for (const ListNode* n = list ? list->head : nullptr; n; n = n->next)
    items.push_back(dynamic_cast<SceneObject*>(n->item));
  return items;
}

std::vector<std::string> Names(const LIST* list) {
  std::vector<std::string> names;
  for (SceneObject* item : Items(list)) names.emplace_back(item->name.c_str());
  return names;
}

// Every triangle index of every mesh below `list` names a point of its mesh.
void ExpectIndicesValid(const LIST* list) {
  for (SceneObject* item : Items(list)) {
    if (auto* mesh = dynamic_cast<MeshObject*>(item)) {
      for (uint32_t i = 0; i < mesh->triangle_count; ++i)
        EXPECT_TRUE(mesh->TriangleInRange(mesh->triangles[i])) << item->name << " triangle " << i;
    } else if (auto* group = dynamic_cast<GroupObject*>(item)) {
      ExpectIndicesValid(&group->members);
    }
  }
}

MeshObject* NewMesh(const std::vector<Vec3>& points) {
  return test::MakeMesh(points).release();
}

class ModellingScene : public ::testing::Test {
 protected:
  void SetUp() override {
    SetErrorOutput(&errors_);
    ASSERT_TRUE(scene_.New(nullptr));
  }
  void TearDown() override {
    FailNextAllocations(0);
    SetErrorOutput(nullptr);
  }

  // Appends `item` to the object list (owned) under `name`.
  template <class T>
  T* Add(T* item, const char* name) {
    item->name = name;
    scene_.objects->Append(item, 1);
    return item;
  }

  MeshObject* PathAt(const CommandResult& r) {
    EXPECT_TRUE(r.ok()) << r.text;
    return dynamic_cast<MeshObject*>(r.item);
  }

  std::ostringstream errors_;
  Scene scene_;
};

// --- New path -------------------------------------------------------------------------------

using NewPathTest = ModellingScene;

// Linear shapes spread the width over n - 1 steps; circles go round once without repeating the
// first point; the screw climbs by width / n per point; the spiral's radius shrinks by width / n.
TEST_F(NewPathTest, ShapesPlaceTheirPoints) {
  const struct {
    int64_t n;
    float width, angle;
    PathShape shape;
    std::vector<Vec3> points;
  } cases[] = {
      {5,
       8.0f,
       360.0f,
       PathShape::kLinearX,
       {{0, 0, 0}, {2, 0, 0}, {4, 0, 0}, {6, 0, 0}, {8, 0, 0}}},
      {3, 4.0f, 0.0f, PathShape::kLinearZ, {{0, 0, 0}, {0, 0, 2}, {0, 0, 4}}},
      {4, 1.0f, 0.0f, PathShape::kCircleXY, {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}}},
      {4, 2.0f, 0.0f, PathShape::kCircleXZ, {{2, 0, 0}, {0, 0, 2}, {-2, 0, 0}, {0, 0, -2}}},
      {4, 2.0f, 360.0f, PathShape::kScrewXZ, {{2, 0, 0}, {0, 0.5f, 2}, {-2, 1, 0}, {0, 1.5f, -2}}},
      {2, 2.0f, 360.0f, PathShape::kSpiralXZ, {{2, 0, 0}, {-1, 1, 0}}},
  };
  int made = 0;
  for (const auto& c : cases) {
    MeshObject* p =
        PathAt(NewPath(scene_, String("P") + String().Str(++made), c.n, c.width, c.angle, c.shape));
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p->point_count, c.points.size());
    for (uint32_t i = 0; i < p->point_count; ++i) ExpectNear(p->points[i], c.points[i]);
  }
}

TEST_F(NewPathTest, EveryShapeIsAPathWithinItsWidthInTheScene) {
  const PathShape shapes[] = {PathShape::kLinearX,  PathShape::kLinearZ, PathShape::kCircleXY,
                              PathShape::kCircleXZ, PathShape::kScrewXZ, PathShape::kSpiralXZ};
  int made = 0;
  for (PathShape shape : shapes) {
    const String name = String("P") + String().Str(made);
    MeshObject* p = PathAt(NewPath(scene_, name, 7, -3.0f, 720.0f, shape));
    ASSERT_NE(p, nullptr);
    ++made;
    EXPECT_EQ(p->is_path, 1);
    EXPECT_STREQ(p->TypeName(), "Path");
    EXPECT_EQ(p->triangle_count, 0u);
    EXPECT_EQ(p->point_count, 7u);
    EXPECT_EQ(p->preview_dirty, 1);
    EXPECT_EQ(p->name, name);
    ASSERT_NE(p->material, nullptr);
    EXPECT_EQ(p->material->name, "standard");
    EXPECT_EQ(scene_.objects->tail->item, p);
    for (uint32_t i = 0; i < p->point_count; ++i)
      EXPECT_LE(p->points[i].Length(), 3.0 * std::sqrt(2.0) + 1e-5);
  }
  EXPECT_EQ(scene_.objects->count, made);
}

TEST_F(NewPathTest, LongPathsKeepRoomForTwiceTheirPoints) {
  MeshObject* small = PathAt(NewPath(scene_, "Small", 5, 1.0f, 0.0f, PathShape::kLinearX));
  ASSERT_NE(small, nullptr);
  EXPECT_EQ(small->point_capacity, kInitialPointCapacity);

  MeshObject* big = PathAt(NewPath(scene_, "Big", 150, 1.0f, 0.0f, PathShape::kCircleXY));
  ASSERT_NE(big, nullptr);
  EXPECT_GE(big->point_capacity, 300u);
  const Vec3 first = big->points[0];
  EXPECT_EQ(big->AppendPoint(Vec3{9, 9, 9}), 1);
  EXPECT_EQ(big->point_count, 151u);
  EXPECT_EQ(big->points[0], first);
}

TEST_F(NewPathTest, RefusesInTheStatedOrderAndBuildsNothing) {
  Add(new MeshObject(), "Path");
  const int before = scene_.objects->count;
  const char* few = "The number of points must be greater than 1!";
  struct Case {
    const char* name;
    int64_t points;
    float width;
    float angle;
    PathShape shape;
    const char* text;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const Case cases[] = {
      {"Path", 1, 1.0f, 0.0f, PathShape::kLinearX, kNameTakenText},  // the name comes first
      {"New", 1, 1.0f, 0.0f, PathShape::kLinearX, few},
      {"New", -7, 1.0f, 0.0f, PathShape::kLinearX, few},
      {"New", 1000000000, 1.0f, 0.0f, PathShape::kLinearX,
       "The number of points must not be greater than 2000000!"},
      {"New", 5, nan, 0.0f, PathShape::kLinearX, kBadSizeText},
      {"New", 5, 1.0f, inf, PathShape::kScrewXZ, kBadSizeText},
      {"New", 5, 1e30f, 0.0f, PathShape::kLinearX, kBadSizeText},
      {"New", 5, 1.0f, 0.0f, static_cast<PathShape>(6), "Unknown basic look of the path!"},
  };
  for (const Case& c : cases) {
    const CommandResult r = NewPath(scene_, c.name, c.points, c.width, c.angle, c.shape);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.title, "Error");
    EXPECT_EQ(r.text, c.text) << c.name << " " << c.points;
  }
  EXPECT_EQ(scene_.objects->count, before);
}

TEST_F(NewPathTest, LargestAcceptedCountIsBuilt) {
  MeshObject* p =
      PathAt(NewPath(scene_, "Huge", kMaxNewPathPoints, 1.0f, 0.0f, PathShape::kLinearX));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->point_count, static_cast<uint32_t>(kMaxNewPathPoints));
  EXPECT_FLOAT_EQ(p->points[p->point_count - 1].x, 1.0f);
}

// --- Path from mesh -------------------------------------------------------------------------

using PathFromMeshTest = ModellingScene;

TEST_F(PathFromMeshTest, CopiesThePointsInOrderUnderAUniquePfadName) {
  MeshObject* mesh = Add(NewMesh({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}), "Mesh");
  MeshObject* path = PathAt(PathFromMesh(scene_, mesh));
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(path->name, "Pfad1");
  EXPECT_EQ(path->is_path, 1);
  ASSERT_EQ(path->point_count, 3u);
  for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(path->points[i], mesh->points[i]);
  mesh->points[0] = Vec3{0, 0, 0};
  EXPECT_EQ(path->points[0], (Vec3{1, 2, 3})) << "the path has its own points";

  MeshObject* second = PathAt(PathFromMesh(scene_, mesh));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->name, "Pfad2");
}

TEST_F(PathFromMeshTest, NeedsAMeshThatIsNotAPath) {
  MathSphere* sphere = Add(new MathSphere(1.0f), "Ball");
  MeshObject* path = Add(new MeshObject(), "Line");
  path->is_path = 1;
  const int before = scene_.objects->count;
  for (SceneObject* current :
       {static_cast<SceneObject*>(nullptr), static_cast<SceneObject*>(sphere)}) {
    const CommandResult r = PathFromMesh(scene_, current);
    EXPECT_EQ(r.title, "Attention");
    EXPECT_EQ(r.text, "There is no 3D-Mesh_object choosen.");
  }
  const CommandResult r = PathFromMesh(scene_, path);
  EXPECT_EQ(r.title, "Attention");
  EXPECT_EQ(r.text, "The current object is a path.");
  EXPECT_EQ(scene_.objects->count, before);
}

// --- Copy Number ----------------------------------------------------------------------------

using CopyNumberTest = ModellingScene;

TEST_F(CopyNumberTest, CopiesGetTheNextFreeNamesAndTheirOwnData) {
  Add(new MeshObject(), "Cube");
  Add(new MeshObject(), "Cube2");
  std::unique_ptr<MeshObject> clip(NewMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
  clip->SetTriangleCount(1);
  clip->SetTriangle(0, 0, 1, 2);
  clip->name = "Cube";
  clip->placement.position = Vec3{5, 0, 0};

  const CommandResult r = CopyNumber(scene_, clip.get(), 3, false, "", nullptr, false);
  ASSERT_TRUE(r.ok()) << r.text;
  EXPECT_EQ(Names(scene_.objects),
            (std::vector<std::string>{"Cube", "Cube2", "Cube1", "Cube3", "Cube4"}));
  EXPECT_EQ(r.item, scene_.objects->tail->item);
  for (SceneObject* item : Items(scene_.objects)) {
    auto* copy = dynamic_cast<MeshObject*>(item);
    if (copy->point_count == 0) continue;  // the two originals
    EXPECT_NE(copy->points, clip->points);
    EXPECT_EQ(copy->placement.position, clip->placement.position);
    EXPECT_EQ(copy->preview_dirty, 1);
    EXPECT_EQ(copy->parent, nullptr);
  }
  ExpectIndicesValid(scene_.objects);
}

TEST_F(CopyNumberTest, LightsAndCamerasGoToTheirOwnLists) {
  LightSource light;
  light.name = "Licht";
  const int objects = scene_.objects->count;
  ASSERT_TRUE(CopyNumber(scene_, &light, 3, false, "", nullptr, false).ok());
  EXPECT_EQ(Names(scene_.lights), (std::vector<std::string>{"Licht1", "Licht2", "Licht3"}));
  EXPECT_EQ(scene_.objects->count, objects);

  Camera camera;
  camera.name = "Kamera";
  ASSERT_TRUE(CopyNumber(scene_, &camera, 2, false, "", nullptr, false).ok());
  EXPECT_EQ(Names(scene_.cameras),
            (std::vector<std::string>{"Standard_Kamera", "Kamera1", "Kamera2"}));
  EXPECT_EQ(scene_.objects->count, objects);
}

TEST_F(CopyNumberTest, GroupOptionCollectsTheCopiesInANewUniqueGroup) {
  MathSphere ball(1.0f);
  ball.name = "Ball";
  const CommandResult r = CopyNumber(scene_, &ball, 2, true, "Row", nullptr, false);
  ASSERT_TRUE(r.ok()) << r.text;
  auto* group = dynamic_cast<GroupObject*>(r.item);
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->name, "Row1");
  EXPECT_EQ(scene_.objects->tail->item, group);
  EXPECT_EQ(Names(&group->members), (std::vector<std::string>{"Ball1", "Ball2"}));
  for (SceneObject* member : Items(&group->members)) EXPECT_EQ(member->parent, group);

  // A second run counts on past the members of the first group.
  const CommandResult again = CopyNumber(scene_, &ball, 1, false, "", nullptr, false);
  ASSERT_TRUE(again.ok());
  EXPECT_EQ(again.item->name, "Ball3");
}

TEST_F(CopyNumberTest, CurrentGroupReceivesCopiesUnlessTopLevelIsChosen) {
  auto* outer = Add(new GroupObject(), "Outer");
  MathSphere ball(1.0f);
  ball.name = "Ball";
  ASSERT_TRUE(CopyNumber(scene_, &ball, 2, false, "", outer, false).ok());
  EXPECT_EQ(outer->members.count, 2);

  ASSERT_TRUE(CopyNumber(scene_, &ball, 1, false, "", outer, true).ok());
  EXPECT_EQ(outer->members.count, 2);
  EXPECT_EQ(scene_.objects->count, 2);

  const CommandResult grouped = CopyNumber(scene_, &ball, 1, true, "Inner", outer, false);
  ASSERT_TRUE(grouped.ok());
  EXPECT_EQ(grouped.item->parent, outer);
  EXPECT_EQ(outer->members.tail->item, grouped.item);
}

TEST_F(CopyNumberTest, CopiedGroupsLoseTheirMappingLeftovers) {
  GroupObject clip;
  clip.name = "G";
  auto* kept = new MeshObject();
  kept->name = "Body";
  auto* leftover = new MathSphere(1.0f);
  leftover->name = "Body_mat_object";
  clip.AddMember(kept);
  clip.AddMember(leftover);
  const CommandResult r = CopyNumber(scene_, &clip, 1, false, "", nullptr, false);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(Names(&dynamic_cast<GroupObject*>(r.item)->members),
            (std::vector<std::string>{"Body"}));
  EXPECT_EQ(clip.members.count, 2) << "the clipboard item stays as it is";
}

TEST_F(CopyNumberTest, CopyingAGroupIntoItselfDoesNotCopyTheCopies) {
  auto* group = Add(new GroupObject(), "G");
  auto* member = new MathSphere(1.0f);
  member->name = "M";
  group->AddMember(member);
  ASSERT_TRUE(CopyNumber(scene_, group, 3, false, "", group, false).ok());
  EXPECT_EQ(group->members.count, 1);
  EXPECT_EQ(scene_.objects->count, 4);
}

TEST_F(CopyNumberTest, BadCountsAndAMissingClipboardAreRefused) {
  MathSphere ball(1.0f);
  ball.name = "Ball";
  const CommandResult none = CopyNumber(scene_, nullptr, 3, false, "", nullptr, false);
  EXPECT_EQ(none.title, "Attention");
  EXPECT_EQ(none.text, kNoClipboardText);
  for (int64_t count : {int64_t{0}, int64_t{-2}}) {
    const CommandResult r = CopyNumber(scene_, &ball, count, true, "G", nullptr, false);
    EXPECT_EQ(r.title, "Error");
    EXPECT_EQ(r.text, "The number of copies must be greater than 0.");
  }
  for (int64_t count : {kMaxCopies + 1, int64_t{1000000000}}) {
    const CommandResult r = CopyNumber(scene_, &ball, count, false, "", nullptr, false);
    EXPECT_EQ(r.text, "The number of copies must not be greater than 10000.");
  }
  std::unique_ptr<MeshObject> big(new MeshObject());
  ASSERT_EQ(big->SetPointCount(1u << 20), 0);  // 12 MiB: 100 copies exceed the bound
  big->name = "Big";
  const CommandResult heavy = CopyNumber(scene_, big.get(), 100, false, "", nullptr, false);
  EXPECT_EQ(heavy.text, kCopiesTooLargeText);
  EXPECT_EQ(scene_.objects->count, 0);
  EXPECT_EQ(scene_.lights->count, 0);
}

TEST_F(CopyNumberTest, LargestAcceptedCountIsMade) {
  MathSphere ball(1.0f);
  ball.name = "Ball";
  ASSERT_TRUE(CopyNumber(scene_, &ball, kMaxCopies, false, "", nullptr, false).ok());
  EXPECT_EQ(scene_.objects->count, kMaxCopies);
  EXPECT_EQ(static_cast<SceneObject*>(scene_.objects->tail->item)->name, "Ball10000");
}

// An item whose Clone gives out after a number of copies.
class FlakyItem : public SceneObject {
 public:
  explicit FlakyItem(int* budget) : budget_(budget) {}
  SceneObject* Clone() const override {
    if ((*budget_)-- <= 0) return nullptr;
    return new FlakyItem(*this);
  }
  const char* TypeName() const override { return "Flaky"; }

 private:
  FlakyItem(const FlakyItem& other) = default;
  int* budget_;
};

TEST_F(CopyNumberTest, RunningOutOfMemoryPartWayTakesEveryCopyBack) {
  auto* outer = Add(new GroupObject(), "Outer");
  int budget = 2;
  FlakyItem clip(&budget);
  clip.name = "F";
  for (bool in_group : {false, true}) {
    budget = 2;
    const CommandResult r = CopyNumber(scene_, &clip, 5, in_group, "G", outer, false);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.text, kOutOfMemoryText);
    EXPECT_EQ(outer->members.count, 0);
    EXPECT_EQ(outer->current_member, nullptr);
    EXPECT_EQ(scene_.objects->count, 1);
  }
  FailNextAllocations(1);  // the new group itself
  EXPECT_EQ(CopyNumber(scene_, &clip, 1, true, "G", nullptr, false).text, kOutOfMemoryText);
  EXPECT_EQ(scene_.objects->count, 1);
}

// --- Copy To 3D-Mesh-Points -----------------------------------------------------------------

using CopyToPointsTest = ModellingScene;

TEST_F(CopyToPointsTest, OneCopyLandsOnEveryPointFromTheLastToTheFirst) {
  MeshObject* target = Add(NewMesh({{1, 0, 0}, {0, 2, 0}, {0, 0, 3}}), "Target");
  MathSphere ball(1.0f);
  ball.name = "Ball";
  ball.placement.position = Vec3{5, 5, 5};
  ASSERT_TRUE(CopyToMeshPoints(scene_, &ball, false, "", target, false).ok());
  const std::vector<SceneObject*> items = Items(scene_.objects);
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[1]->name, "Ball1");
  ExpectNear(items[1]->placement.position, {0, 0, 3});
  ExpectNear(items[2]->placement.position, {0, 2, 0});
  ExpectNear(items[3]->placement.position, {1, 0, 0});
  EXPECT_EQ(ball.placement.position, (Vec3{5, 5, 5}));
}

TEST_F(CopyToPointsTest, MeshCopiesCarryTheirPointsAlongIntoTheGroup) {
  MeshObject* target = Add(NewMesh({{10, 0, 0}, {0, 0, -10}}), "Target");
  target->is_path = 1;  // paths have points too
  std::unique_ptr<MeshObject> clip(NewMesh({{1, 1, 1}, {2, 1, 1}, {1, 2, 1}}));
  clip->SetTriangleCount(1);
  clip->SetTriangle(0, 0, 2, 1);
  clip->name = "Tri";
  clip->placement.position = Vec3{1, 1, 1};

  const CommandResult r = CopyToMeshPoints(scene_, clip.get(), true, "Copies", target, false);
  ASSERT_TRUE(r.ok()) << r.text;
  auto* group = dynamic_cast<GroupObject*>(r.item);
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->name, "Copies1");
  const std::vector<SceneObject*> members = Items(&group->members);
  ASSERT_EQ(members.size(), 2u);
  auto* first = dynamic_cast<MeshObject*>(members[0]);  // on the last point
  ExpectNear(first->placement.position, {0, 0, -10});
  ExpectNear(first->points[1], {1, 0, -10});
  ExpectNear(first->points[2], {0, 1, -10});
  ExpectIndicesValid(scene_.objects);
}

TEST_F(CopyToPointsTest, RefusalsAndEmptyMeshes) {
  MathSphere ball(1.0f);
  ball.name = "Ball";
  MathSphere* sphere = Add(new MathSphere(1.0f), "NotAMesh");
  for (SceneObject* current :
       {static_cast<SceneObject*>(nullptr), static_cast<SceneObject*>(sphere)}) {
    const CommandResult r = CopyToMeshPoints(scene_, &ball, false, "", current, false);
    EXPECT_EQ(r.title, "Attention");
    EXPECT_EQ(r.text, "The current object must be a 3D-Mesh-Object for this function!");
  }
  MeshObject* empty = Add(new MeshObject(), "Empty");
  EXPECT_EQ(CopyToMeshPoints(scene_, nullptr, false, "", empty, false).text, kNoClipboardText);
  const CommandResult nothing = CopyToMeshPoints(scene_, &ball, true, "G", empty, false);
  EXPECT_FALSE(nothing.ok());
  EXPECT_FALSE(nothing.HasMessage());

  MeshObject* dense = Add(new MeshObject(), "Dense");
  ASSERT_EQ(dense->SetPointCount(static_cast<uint32_t>(kMaxCopies) + 1), 0);
  EXPECT_EQ(CopyToMeshPoints(scene_, &ball, false, "", dense, false).text, kTooManyCopiesText);
  EXPECT_EQ(scene_.objects->count, 3);
}

}  // namespace
}  // namespace orvane
