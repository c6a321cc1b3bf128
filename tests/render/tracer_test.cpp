// The tracer on small analytic scenes whose colours can be worked out by hand. Remember the
// scale factor: 255 × 255 × 0.003921568 = 254.99998..., so a white light on a white surface
// head-on gives 254, not 255.

#include "render/tracer.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include <pthread.h>

#include "scene_builder.h"

namespace orvane {
namespace {

constexpr double K = 0.003921568;

// The answer of Trace (whether anything was met), then red, green and blue.
using Pixel = std::array<int, 4>;

int Trunc(double x) {
  return static_cast<int>(x);
}

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
  // Glowing green, without diffuse light.
  Material* Glowing() {
    Material* m = NewMaterial();
    m->setValue(kDiffuse, 0, 0.0);
    m->setValue(kGlow, 0, 1.0);
    m->setColour(kGlow, 0, 200, 0);
    return m;
  }
  SceneObject* FirstObject() { return static_cast<SceneObject*>(b.scene.objects->First()); }

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

  render_test::SceneBuilder b;
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

  light->SetDecrease(18);  // the lit point is 9 away: half the light
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
  FirstObject()->material = Glowing();
  b.scene.lights->RemoveAll();
  delete b.scene.lights;
  b.scene.lights = nullptr;
  b.scene.render.ambientIntensity = 0.0f;
  EXPECT_EQ(Ahead(), (Pixel{0, 0, 0, 0}));
  b.scene.render.ambientIntensity = 0.5f;
  EXPECT_EQ(Ahead(), (Pixel{1, 0, 199, 0}));
}

class ShadowTest : public TracerTest {
 protected:
  // The viewer looks at (0,0,10) on a plane; the light at (10,0,0) reaches it through the
  // plane x = 5, which the viewer's ray runs parallel to. cos L = 0.7071.
  void SetUp() override {
    b.AddPlane({0, 0, 10}, {0, 0, 1}, NewMaterial());
    glass = NewMaterial();
    blocker = b.AddPlane({5, 0, 0}, {1, 0, 0}, glass);
    light = b.AddLight({10, 0, 0});
  }
  static int Lit(int light) { return Trunc(255 * light * K * 0.70710677); }
  const Pixel unblocked{1, Lit(255), Lit(255), Lit(255)};

  Material* glass = nullptr;
  MathPlane* blocker = nullptr;
  LightSource* light = nullptr;
};

TEST_F(ShadowTest, BlockersAndTheShadowSwitches) {
  EXPECT_EQ(Ahead(), kBlack);

  FirstObject()->SetFlag(kGetsShadow, false);
  EXPECT_EQ(Ahead(), unblocked);
  FirstObject()->SetFlag(kGetsShadow, true);
  light->SetFlag(kHasShadow, false);
  EXPECT_EQ(Ahead(), unblocked);
  light->SetFlag(kHasShadow, true);
  // Glass passes the light filtered by its colour (amount sqrt(1) = 1): 255 × 255 × K → 254.
  glass->setValue(kTransparent, 0, 1.0);
  glass->setColour(kTransparent, 255, 0, 0);
  EXPECT_EQ(Ahead(), (Pixel{1, Lit(254), 0, 0}));
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
  // cos L at (x, y, 10) is 10 / |(x, y, 10)|.
  const auto lit = [](float x, float y) {
    return Trunc(255 * 255 * K * 10 / std::sqrt(x * x + y * y + 100.0));
  };
  const auto at = [&](float x, float y) { return Shoot({}, {x, y, 10}); };
  auto* plane = new MathPlane;  // infinite, at z = 20: u = frac(0.5 + x/2), v = frac(0.5 - y/2)
  plane->placement.position = Vec3{0, 0, 20};
  mesh->SetMappingObject(plane);
  EXPECT_EQ(at(0.4f, 0.4f), (Pixel{1, 0, 0, lit(0.4f, 0.4f)}));  // u 0.7, v 0.3
  // The auxiliary ray runs along the plane's Z axis only: a plane behind the mesh's points
  // is never met, and without coordinates the channel colour (black) alone is left.
  plane->placement.position = Vec3{0, 0, 5};
  EXPECT_EQ(at(0.4f, 0.4f), kBlack);
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

}  // namespace
}  // namespace orvane
