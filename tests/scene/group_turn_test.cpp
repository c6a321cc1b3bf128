#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "scene/group_object.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"

namespace orvane {
namespace {

// Every turn of a group moves its members as one rigid body: each member's position, frame
// and (for meshes) points end where the same turn takes them in the world, however deep the
// member sits. Meshes and groups turn their content in their own turns, so a group must not
// turn them a second time about their own centres.
struct Turn {
  const char* name;
  std::function<void(GroupObject&)> apply;
  std::function<void(Vec3&)> point;      // where the turn takes a point
  std::function<void(Vec3&)> direction;  // and a direction
};

const Vec3 kY{0, 1, 0};
const Vec3 kAngles{30, 60, 0};
const Vec3 kOuterAt{1, 0, 0};
const Vec3 kPivot{0, 0, 5};

const Turn kTurns[] = {
    {"axes about an axis", [](GroupObject& g) { g.RotateAxesAboutAxis(90, kY); },
     [](Vec3& v) { v.RotateAxisDeg(90, kY, kOuterAt); }, [](Vec3& v) { v.RotateAxisDeg(90, kY); }},
    {"about an axis through a point", [](GroupObject& g) { g.RotateAboutAxis(90, kY, kPivot); },
     [](Vec3& v) { v.RotateAxisDeg(90, kY, kPivot); }, [](Vec3& v) { v.RotateAxisDeg(90, kY); }},
    {"axes by Euler angles", [](GroupObject& g) { g.RotateAxesEuler(kAngles, kEulerXYZ); },
     [](Vec3& v) { v.RotateEuler(kAngles, kOuterAt, kEulerXYZ); },
     [](Vec3& v) { v.RotateEuler(kAngles, kEulerXYZ); }},
    {"by Euler angles about a point",
     [](GroupObject& g) { g.RotateEuler(kAngles, kPivot, kEulerXYZ); },
     [](Vec3& v) { v.RotateEuler(kAngles, kPivot, kEulerXYZ); },
     [](Vec3& v) { v.RotateEuler(kAngles, kEulerXYZ); }},
};

MeshObject* Mesh(const Vec3& at) {
  auto* mesh = new MeshObject;
  mesh->placement.position = at;
  for (const Vec3& offset : {Vec3{0, 0, 0}, Vec3{1, 0, 0}, Vec3{0, 1, 1}}) {
    EXPECT_EQ(mesh->AppendPoint(at + offset), 1);
  }
  return mesh;
}

template <class T>
T* Add(GroupObject& group, T* item, const Vec3& at) {
  item->placement.position = at;
  EXPECT_TRUE(group.AddMember(item));
  return item;
}

// Every vector of `item`'s tree that a turn must carry: positions and points, then frames.
void Collect(SceneObject& item, std::vector<Vec3*>* points, std::vector<Vec3*>* directions) {
  points->push_back(&item.placement.position);
  directions->insert(directions->end(),
                     {&item.placement.axis_X, &item.placement.axis_Y, &item.placement.axis_Z});
  if (auto* mesh = dynamic_cast<MeshObject*>(&item)) {
    for (uint32_t i = 0; i < mesh->point_count; ++i) points->push_back(&mesh->points[i]);
  }
  if (auto* group = dynamic_cast<GroupObject*>(&item)) {
    for (ListNode* n = group->members.head; n; n = n->next) {
      Collect(*dynamic_cast<SceneObject*>(n->item), points, directions);
    }
  }
}

TEST(GroupTurn, MembersAtEveryDepthTurnOnceAndRigidly) {
  for (const Turn& turn : kTurns) {
    SCOPED_TRACE(turn.name);
    GroupObject outer;
    outer.placement.position = kOuterAt;
    Add(outer, new MathSphere(1.0f), {3, 0, 0});
    Add(outer, Mesh({2, 2, 0}), {2, 2, 0});
    GroupObject* inner = Add(outer, new GroupObject, {0, 3, 0});
    Add(*inner, new MathSphere(0.5f), {3, 3, 4});
    Add(*inner, Mesh({0, 4, 0}), {0, 4, 0});
    GroupObject* deepest = Add(*inner, new GroupObject, {0, 0, 2});
    Add(*deepest, Mesh({1, 1, 3}), {1, 1, 3});

    std::vector<Vec3*> points, directions;
    for (ListNode* n = outer.members.head; n; n = n->next) {
      Collect(*dynamic_cast<SceneObject*>(n->item), &points, &directions);
    }
    std::vector<Vec3> expected_points, expected_directions;
    for (Vec3* p : points) turn.point(expected_points.emplace_back(*p));
    for (Vec3* d : directions) turn.direction(expected_directions.emplace_back(*d));

    turn.apply(outer);
    for (size_t i = 0; i < points.size() + directions.size(); ++i) {
      const bool point = i < points.size();
      const Vec3& got = point ? *points[i] : *directions[i - points.size()];
      const Vec3& want = point ? expected_points[i] : expected_directions[i - points.size()];
      SCOPED_TRACE((point ? "point " : "frame axis ") + std::to_string(i));
      EXPECT_LT(Distance(got, want), 1e-4);
    }
  }
}

}  // namespace
}  // namespace orvane
