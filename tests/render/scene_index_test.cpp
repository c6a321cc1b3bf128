// The scene's spatial index must give the nearest hit and shadow decision of a plain walk
// over the object list, ties included, and render the same pictures.

#include "render/scene_index.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "render/tracer.h"
#include "scene/group_object.h"
#include "scene_builder.h"

namespace orvane {
namespace {

using render_test::NewMesh;
using render_test::SceneBuilder;

struct Found {
  SceneObject* element = nullptr;
  long triangle = -1;
  float distance = -1.0f;
};

// The search as the list defines it: every top-level object in order through the stateful
// protocol; a later hit replaces the best only when strictly nearer.
Found WalkTheList(const LIST& objects, const Ray& ray, bool shadowOnly) {
  Found best;
  for (const ListNode* n = objects.head; n; n = n->next) {
    auto* object = dynamic_cast<SceneObject*>(n->item);
    if (!object || !object->HasFlag(kIsVisible)) continue;
    if (shadowOnly && !object->HasFlag(kHasShadow)) continue;
    object->ResetRayState();
    while (object->Intersect(ray, best.distance)) {
      const float d = object->NearDistance();
      if (!std::isfinite(d) || (best.element && !(d < best.distance))) continue;
      best.element = object->HitObject();
      best.distance = d;
      const auto* mesh = dynamic_cast<const MeshObject*>(best.element);
      best.triangle = mesh ? mesh->hit_triangle - mesh->triangles : -1;
    }
  }
  return best;
}

Found FromIndex(const SceneIndex& index, const Ray& ray, bool shadowOnly) {
  RayHit hit;
  Found found;
  if (!index.Nearest(ray, nullptr, shadowOnly, &hit)) return found;
  found.element = hit.object;
  found.distance = hit.distance;
  found.triangle = hit.object->GetType() == kItemMesh ? long(hit.triangle) : -1;
  return found;
}

class RandomScene {
 public:
  explicit RandomScene(uint32_t seed) : rng_(seed) {}

  // Hundreds of items; a tenth are exact copies of an earlier one (equal distances).
  void Fill(LIST& objects) {
    for (int i = 0; i < 300; ++i) objects.Append(NewItem(0), 1);
    for (int i = 0; i < 3; ++i) {
      auto* p = new MathPlane();
      p->placement.position = Point(8.0f);
      p->PointAlong(Vec3{gauss_(rng_), gauss_(rng_), gauss_(rng_)});
      p->SetPlaneType(static_cast<int>(rng_() % 4));
      p->SetRadiusX(1.0f + float(rng_() % 4));
      p->SetRadiusY(1.0f + float(rng_() % 3));
      RandomFlags(p);
      objects.Append(p, 1);
    }
  }

  Ray NewRay() {
    Ray ray;
    ray.origin = Point(12.0f);
    ray.direction = Vec3{gauss_(rng_), gauss_(rng_), gauss_(rng_)};
    if (rng_() % 3 == 0 && !spheres_.empty())  // aimed at a sphere's centre
      ray.direction = spheres_[rng_() % spheres_.size()] - ray.origin;
    ray.Normalize();
    return ray;
  }

 private:
  Vec3 Point(float spread) {
    std::uniform_real_distribution<float> u(-spread, spread);
    return Vec3{u(rng_), u(rng_), u(rng_)};
  }
  void RandomFlags(SceneObject* o) {
    o->SetFlag(kIsVisible, rng_() % 8 != 0);
    o->SetFlag(kHasShadow, rng_() % 4 != 0);
  }
  SceneObject* NewItem(int depth) {
    const uint32_t kind = rng_() % 10;
    SceneObject* item = nullptr;
    if (kind < 5) {
      auto* s = new MathSphere(0.2f + float(rng_() % 5) * 0.3f);
      // Copies of an earlier centre meet a ray at exactly the same distance.
      const bool copy = !spheres_.empty() && rng_() % 5 == 0;
      s->placement.position = copy ? spheres_[rng_() % spheres_.size()] : Point(8.0f);
      if (copy) s->SetRadius(0.5f);
      spheres_.push_back(s->placement.position);
      item = s;
    } else if (kind < 8) {
      const Vec3 c = Point(8.0f);
      std::uniform_real_distribution<float> off(-1.5f, 1.5f);
      std::vector<Vec3> p;
      for (int k = 0; k < 6; ++k) p.push_back(c + Vec3{off(rng_), off(rng_), off(rng_)});
      // Triangles 0 and 3 are the same triangle, so rays through it tie.
      MeshObject* mesh = NewMesh({p[0], p[1], p[2], p[3], p[4], p[5]},
                                 {{0, 1, 2}, {3, 4, 5}, {0, 2, 4}, {0, 1, 2}, {1, 3, 5}});
      mesh->SetFlag(kUsePhong, rng_() % 2 == 0);
      item = mesh;
    } else if (depth < 2) {
      auto* group = new GroupObject();
      const int members = 1 + static_cast<int>(rng_() % 4);
      for (int k = 0; k < members; ++k) group->AddMember(NewItem(depth + 1));
      item = group;
    } else {
      item = new MathSphere(0.7f);
      item->placement.position = Point(8.0f);
    }
    RandomFlags(item);
    item->PrepareRender();
    return item;
  }

  std::mt19937 rng_;
  std::normal_distribution<float> gauss_;
  std::vector<Vec3> spheres_;
};

TEST(SceneIndex, RandomScenesGiveTheHitsOfTheListWalk) {
  int hits = 0;
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    LIST objects;
    RandomScene scene(seed);
    scene.Fill(objects);
    SceneIndex tree;
    tree.Build(&objects);
    SceneIndex linear;
    linear.Build(&objects, false);
    ASSERT_GT(tree.ItemCount(), 200u);
    for (int r = 0; r < 1500; ++r) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << " ray " << r);
      const Ray ray = scene.NewRay();
      const bool shadow = r % 2 == 1;
      const Found expected = WalkTheList(objects, ray, shadow);
      for (const SceneIndex* index : {&tree, &linear}) {
        const Found got = FromIndex(*index, ray, shadow);
        ASSERT_EQ(got.element, expected.element);
        EXPECT_EQ(got.triangle, expected.triangle);
        EXPECT_EQ(got.distance, expected.distance);
      }
      hits += expected.element != nullptr;

      // The shadow decision: the nearest caster lies before the limit and is not the lit
      // object (unless that is a mesh).
      const Found caster = shadow ? expected : WalkTheList(objects, ray, true);
      const double limit = caster.element && r % 3 ? caster.distance : 30.0;
      for (const SceneIndex* index : {&tree, &linear}) {
        RayHit before;
        const bool in_front = index->Nearest(ray, nullptr, true, &before, limit);
        EXPECT_EQ(in_front, caster.element && caster.distance < limit);
        EXPECT_EQ(in_front ? before.object : caster.element, caster.element);
      }
      for (SceneObject* self : {static_cast<SceneObject*>(nullptr), caster.element}) {
        const bool blocked = caster.element && caster.distance < limit &&
                             !(caster.element == self && self->GetType() != kItemMesh);
        EXPECT_EQ(tree.Blocked(ray, limit, self), blocked);
        EXPECT_EQ(linear.Blocked(ray, limit, self), blocked);
      }
    }
  }
  EXPECT_GT(hits, 3000);  // the comparison covers plenty of hits
}

// Items a tree handles badly or not at all: a hundred spheres and meshes at one point, huge, NaN
// and infinite coordinates, meshes of zero or one triangle, degenerate triangles, an empty group.
// The scene renders the picture of the plain list walk.
TEST(SceneIndex, AnOddSceneRendersThePictureOfTheListWalk) {
  SceneBuilder b;
  b.AddCamera({0, 0, -10}, {0, 0, 0});
  b.AddLight({3, 5, -8});
  Material* m = b.AddMaterial("m", 200, 120, 60);
  m->setValue(kMirror, 0, 0.5);
  for (int i = 0; i < 100; ++i) {
    b.AddSphere({0, 0, 0}, 1.0f + 0.01f * float(i % 3), m);
    b.AddMesh({{-1, -1, 0}, {1, -1, 0}, {0, 1, 0}}, {{0, 1, 2}}, m);
  }
  b.AddSphere({NAN, 0, 0}, 1, m);
  b.AddSphere({1e30f, 1e30f, 1e30f}, 1e29f, m);
  b.AddMesh({{NAN, 0, 0}, {1e38f, 0, 0}, {0, -1e38f, 3}, {INFINITY, 1, 1}},
            {{0, 1, 2}, {1, 2, 3}, {0, 0, 0}}, m);
  b.AddMesh({}, {}, nullptr);
  b.AddMesh({{-2, -2, 1}, {2, -2, 1}, {0, -1, 1}}, {{0, 1, 2}}, m);
  b.AddMesh({{0, 0, 0}, {1, 1, 1}, {2, 2, 2}}, {{0, 1, 2}}, nullptr);
  b.Add(new GroupObject(), nullptr);
  b.AddPlane({0, -2, 0}, {0, 1, 0}, m);
  b.driver.SetImageSize(40, 30);
  b.driver.prepareScene();
  Tracer walk(b.scene);  // no index: the list as it is, item after item
  int hits = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      SCOPED_TRACE(testing::Message() << x << "," << y);
      const Ray ray = b.scene.render.activeCamera->primaryRay(float(x), float(y));
      int r1 = -1, g1 = -1, b1 = -1, r2 = -1, g2 = -1, b2 = -1;
      const int16_t hit = b.driver.tracer().Trace(ray, &r1, &g1, &b1, 3, 1.0f, 0);
      EXPECT_EQ(walk.Trace(ray, &r2, &g2, &b2, 3, 1.0f, 0), hit);
      EXPECT_EQ((std::array<int, 3>{r1, g1, b1}), (std::array<int, 3>{r2, g2, b2}));
      for (int c : {r1, g1, b1}) EXPECT_TRUE(c >= 0 && c <= 255);
      hits += hit;
    }
  }
  EXPECT_GT(hits, 100);  // the picture shows something
}

}  // namespace
}  // namespace orvane
