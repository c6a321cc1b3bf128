// The tracer on small analytic scenes whose colours can be worked out by hand. Remember the
// scale factor: 255 × 255 × 0.003921568 = 254.99998..., so a white light on a white surface
// head-on gives 254, not 255.

#include "render/tracer.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "render/scene_index.h"
#include "scene/group_object.h"
#include "scene_builder.h"

namespace orvane::render_test {
namespace {

constexpr double K = 0.003921568;

// The answer of Trace (whether anything was met), then red, green and blue.
using Pixel = std::array<int, 4>;

const Pixel kBlack{1, 0, 0, 0};  // a hit without light
const Pixel kWhite{1, 254, 254, 254};

class TracerTest : public ::testing::Test {
 public:
  // A white material owned by the scene: diffuse only (no ambient, no highlight).
  Material* NewMaterial() {
    Material* m = b.AddMaterial("m", 255, 255, 255);
    m->setValue(kAmbient, 0, 0.0);
    return m;
  }
  static Ray Along(Vec3 direction, Vec3 origin = {}) {
    Ray ray;
    ray.origin = origin;
    ray.direction = direction;
    ray.Normalize();
    return ray;
  }
  Pixel Shoot(Vec3 origin, Vec3 direction, int depth = -1) {
    for (ListNode* n = b.scene.objects->head; n; n = n->next)
      dynamic_cast<SceneObject*>(n->item)->PrepareRender();
    Pixel p{};
    const int16_t d = static_cast<int16_t>(depth < 0 ? b.scene.render.traceDepth : depth);
    p[0] = tracer.Trace(Along(direction, origin), &p[1], &p[2], &p[3], d, 1.0f, 0);
    return p;
  }
  Pixel Ahead(int depth = -1) { return Shoot(Vec3{}, Vec3{0, 0, 1}, depth); }
  SceneBuilder b;
  Tracer tracer{b.scene};
};

// A white sphere 9 in front of the viewer, lit from the viewer's place.
TEST_F(TracerTest, PointLightOnASphere) {
  Material* m = NewMaterial();
  b.AddSphere({0, 0, 10}, 1, m);
  LightSource* light = b.AddLight({0, 0, 0});
  EXPECT_EQ(Ahead(), kWhite);
  EXPECT_FLOAT_EQ(tracer.PrimaryHitDistance(), 9.0f);
  EXPECT_EQ(Ahead(0), (Pixel{0, 0, 0, 0}));  // trace depth 0 traces nothing
  light->SetDecrease(18);                    // the lit point is 9 away: half the light
  light->SetDecreaseOn(1);
  EXPECT_EQ(Ahead(), (Pixel{1, 127, 127, 127}));
  light->SetDecrease(0);  // a zero distance means no fading
  EXPECT_EQ(Ahead(), kWhite);
  light->SetDecreaseOn(0);
  m->setValue(kDiffuse, 0, 0.0);
  m->setValue(kHighlight, 1, 0.5);  // seen along the light: R = L, cos R = 1
  light->SetColor(128, 64, 0);
  EXPECT_EQ(Ahead(), (Pixel{1, 63, 31, 0}));
  light->SetFlag(kIsVisible, false);  // switched off
  EXPECT_EQ(Ahead(), kBlack);
  // No light list and no ambient light: nothing to see, even a glowing object.
  m->setValue(kGlow, 0, 1.0);
  m->setColour(kGlow, 0, 200, 0);
  b.scene.lights->RemoveAll();
  delete b.scene.lights;
  b.scene.lights = nullptr;
  b.scene.render.ambientIntensity = 0.0f;
  EXPECT_EQ(Ahead(), (Pixel{0, 0, 0, 0}));
  b.scene.render.ambientIntensity = 0.5f;
  EXPECT_EQ(Ahead(), (Pixel{1, 0, 199, 0}));
}

// The viewer looks at (0,0,10) on a plane; the light at (10,0,0) reaches it through the plane
// x = 5, which the viewer's ray runs parallel to. cos L = 0.7071.
TEST_F(TracerTest, BlockersAndTheShadowSwitches) {
  MathPlane* wall = b.AddPlane({0, 0, 10}, {0, 0, 1}, NewMaterial());
  Material* glass = NewMaterial();
  MathPlane* blocker = b.AddPlane({5, 0, 0}, {1, 0, 0}, glass);
  LightSource* light = b.AddLight({10, 0, 0});
  const auto lit = [](int amount) { return static_cast<int>(255 * amount * K * 0.70710677); };
  const Pixel unblocked{1, lit(255), lit(255), lit(255)};
  EXPECT_EQ(Ahead(), kBlack);
  wall->SetFlag(kGetsShadow, false);
  EXPECT_EQ(Ahead(), unblocked);
  wall->SetFlag(kGetsShadow, true);
  light->SetFlag(kHasShadow, false);
  EXPECT_EQ(Ahead(), unblocked);
  light->SetFlag(kHasShadow, true);
  // Glass passes the light filtered by its colour (amount sqrt(1) = 1): 255 × 255 × K → 254.
  glass->setValue(kTransparent, 0, 1.0);
  glass->setColour(kTransparent, 255, 0, 0);
  EXPECT_EQ(Ahead(), (Pixel{1, lit(254), 0, 0}));
  glass->setValue(kTransparent, 0, 0.0);
  EXPECT_EQ(Ahead(), kBlack);
  // Without "has shadow" the blocker is still seen: a ray across it stops there.
  blocker->SetFlag(kHasShadow, false);
  EXPECT_EQ(Ahead(), unblocked);
  const Ray ray = Along({1, 0, 0});
  EXPECT_EQ(tracer.FindNearestHit(ray, nullptr, false), blocker);
  EXPECT_FLOAT_EQ(tracer.NearestDistance(), 5.0f);
  EXPECT_EQ(tracer.FindNearestHit(ray, nullptr, true), nullptr);
  // Parallel lights are beyond every blocker.
  blocker->SetFlag(kHasShadow, true);
  blocker->placement.position = Vec3{500, 0, 0};
  b.scene.lights->RemoveAll();
  LightSource* parallel = b.AddLight(Vec3{});
  parallel->parallel = 1;
  parallel->placement.axis_Z = Vec3{-0.70710677f, 0, 0.70710677f};
  EXPECT_EQ(Ahead(), kBlack);
}

// The square -2..2 × -2..2 at z = 10 facing the viewer, with a chess texture red / blue on a
// material whose diffuse colour is black, so that the diffuse sample is the texel alone.
TEST_F(TracerTest, MeshTextureCoordinatesThroughTheMappingObject) {
  Texture* chess = b.AddTexture("chess", kTextureChess);
  chess->twoColours.SetColour1(255, 0, 0);
  chess->twoColours.SetColour2(0, 0, 255);
  Material* m = NewMaterial();
  m->setColour(kDiffuse, 0, 0, 0);
  m->setTexture(kDiffuse, chess);
  m->setHasTexture(kDiffuse, 1);
  MeshObject* mesh =
      b.AddMesh({{-2, -2, 10}, {2, -2, 10}, {2, 2, 10}, {-2, 2, 10}}, {{0, 2, 1}, {0, 3, 2}}, m);
  b.AddLight({0, 0, 0});
  // Seen at (0.4, 0.4, 10): cos L is 10 / |(0.4, 0.4, 10)|.
  const int lit = static_cast<int>(255 * 255 * K * 10 / std::sqrt(0.32 + 100.0));
  auto* plane = new MathPlane;  // infinite, at z = 20: u = frac(0.5 + x/2), v = frac(0.5 - y/2)
  plane->placement.position = Vec3{0, 0, 20};
  mesh->SetMappingObject(plane);
  EXPECT_EQ(Shoot({}, {0.4f, 0.4f, 10}), (Pixel{1, 0, 0, lit}));  // u 0.7, v 0.3
  // The auxiliary ray runs along the plane's Z axis only: a plane behind the mesh's points
  // is never met, and without coordinates the channel colour (black) alone is left.
  plane->placement.position = Vec3{0, 0, 5};
  EXPECT_EQ(Shoot({}, {0.4f, 0.4f, 10}), kBlack);
}

TEST_F(TracerTest, DegenerateAndNaNTrianglesGiveFiniteColours) {
  auto* mesh = new MeshObject;
  mesh->SetPointCount(30);
  for (uint32_t i = 0; i < 30; ++i)
    mesh->SetPoint(i, float(i % 5) - 2, float(i / 5) - 3, 10 + float(i % 3));
  mesh->SetPoint(7, NAN, 0, 10);
  mesh->SetPoint(8, INFINITY, -INFINITY, 10);
  mesh->SetPoint(9, 1, 1, 10);
  mesh->SetTriangleCount(24);
  for (uint32_t i = 0; i < 24; ++i) mesh->SetTriangle(i, i, i + 1, i + 5);
  mesh->SetTriangle(3, 9, 9, 9);  // a point
  mesh->SetTriangle(4, 0, 1, 2);  // a line
  mesh->SetFlag(kUsePhong, true);
  // Seen through and with a highlight, so that refracted rays and highlights meet the bad points.
  Material* m = b.Add(mesh, NewMaterial())->material;
  m->setValue(kTransparent, 0, 0.5);
  m->setValue(kHighlight, 1, 0.5);
  b.AddLight({0, 0, 0});
  b.scene.render.fogDistance = 50;
  for (int y = -6; y <= 6; ++y) {
    for (int x = -6; x <= 6; ++x) {
      const Pixel p = Shoot({}, {x * 0.05f, y * 0.05f, 1});
      EXPECT_EQ(p[0], 1);
      for (int c : {p[1], p[2], p[3]}) EXPECT_TRUE(c >= 0 && c <= 255) << c;
    }
  }
  // A ray with NaN in it or without a direction is a miss (here: fog).
  const Pixel fog{1, 200, 200, 200};
  EXPECT_EQ(Shoot({NAN, 0, 0}, {0, 0, 1}), fog);
  EXPECT_EQ(Shoot({0, 0, 0}, {0, NAN, 1}), fog);
  EXPECT_EQ(Shoot({0, 0, 0}, {0, 0, 0}), fog);
}

// 100 levels must fit a small thread stack: the recursion's frames stay small.
TEST_F(TracerTest, DepthHundredFitsASmallStack) {
  Material* mirror = NewMaterial();
  mirror->setValue(kMirror, 0, 1.0);
  b.AddPlane({0, 0, 10}, {0, 0, -1}, mirror);
  b.AddPlane({0, 0, -10}, {0, 0, 1}, mirror);
  b.AddLight({0, 5, 0});
  struct Run {
    TracerTest* test;
    Pixel deep;
  } run{this, {}};
  const auto body = [](void* arg) -> void* {
    auto* r = static_cast<Run*>(arg);
    r->deep = r->test->Ahead(100);
    return nullptr;
  };
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, 256 * 1024);
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, &attr, +body, &run), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
  EXPECT_EQ(run.deep[0], 1);
}

// The scene's spatial index must give the nearest hit and shadow decision of a plain walk over
// the object list, ties included, and render the same pictures.
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
  if (!index.Nearest(ray, nullptr, shadowOnly, &hit)) return Found{};
  return Found{hit.object, hit.object->GetType() == kItemMesh ? long(hit.triangle) : -1,
               hit.distance};
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
    const uint32_t kind = rng_() % (depth < 2 ? 10 : 8);  // groups nest two deep
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
    } else {
      auto* group = new GroupObject();
      const int members = 1 + static_cast<int>(rng_() % 4);
      for (int k = 0; k < members; ++k) group->AddMember(NewItem(depth + 1));
      item = group;
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
      hits += expected.element != nullptr;
      // The shadow decision: the nearest caster lies before the limit and is not the lit
      // object (unless that is a mesh).
      const Found caster = shadow ? expected : WalkTheList(objects, ray, true);
      const double limit = caster.element && r % 3 ? caster.distance : 30.0;
      for (const SceneIndex* index : {&tree, &linear}) {
        const Found got = FromIndex(*index, ray, shadow);
        ASSERT_EQ(got.element, expected.element);
        EXPECT_EQ(got.triangle, expected.triangle);
        EXPECT_EQ(got.distance, expected.distance);
        RayHit before;
        const bool in_front = index->Nearest(ray, nullptr, true, &before, limit);
        EXPECT_EQ(in_front, caster.element && caster.distance < limit);
        EXPECT_EQ(in_front ? before.object : caster.element, caster.element);
        for (SceneObject* self : {static_cast<SceneObject*>(nullptr), caster.element}) {
          const bool blocked = caster.element && caster.distance < limit &&
                               !(caster.element == self && self->GetType() != kItemMesh);
          EXPECT_EQ(index->Blocked(ray, limit, self), blocked);
        }
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
}  // namespace orvane::render_test
