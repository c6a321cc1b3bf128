// The tracer on small analytic scenes whose colours can be worked out by hand. Remember the
// scale factor: 255 × 255 × 0.003921568 = 254.99998..., so a white light on a white surface
// head-on gives 254, not 255.

#include "render/tracer.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <array>
#include <cmath>

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
  // A material without diffuse light that only has `channel`, at `amount`.
  Material* Only(int channel, double amount) {
    Material* m = NewMaterial();
    m->setValue(kDiffuse, 0, 0.0);
    m->setValue(channel, 0, amount);
    return m;
  }
  Material* Glowing(uint8_t r, uint8_t g, uint8_t bl) {
    Material* m = Only(kGlow, 1.0);
    m->setColour(kGlow, r, g, bl);
    return m;
  }
  LightSource* AddParallelLight(Vec3 shining_along) {
    LightSource* light = b.AddLight(Vec3{});
    light->parallel = 1;
    light->placement.axis_Z = shining_along;
    return light;
  }
  LightSource* FirstLight() { return static_cast<LightSource*>(b.scene.lights->First()); }
  SceneObject* FirstObject() { return static_cast<SceneObject*>(b.scene.objects->First()); }

  static Ray Along(Vec3 direction, Vec3 origin = {}) {
    Ray ray;
    ray.origin = origin;
    ray.direction = direction;
    ray.Normalize();
    return ray;
  }
  Pixel Shoot(Vec3 origin, Vec3 direction, int depth = -1, float index = 1.0f) {
    for (ListNode* n = b.scene.objects->head; n; n = n->next)
      dynamic_cast<SceneObject*>(n->item)->PrepareRender();
    Pixel p{};
    const int16_t d = static_cast<int16_t>(depth < 0 ? b.scene.render.traceDepth : depth);
    p[0] = tracer.Trace(Along(direction, origin), &p[1], &p[2], &p[3], d, index, 0);
    return p;
  }
  Pixel Ahead(int depth = -1) { return Shoot(Vec3{}, Vec3{0, 0, 1}, depth); }

  render_test::SceneBuilder b;
  Tracer tracer{b.scene};
  Pixel deep{};  // traced on a thread of its own
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
  FirstObject()->material = Glowing(0, 200, 0);
  b.scene.lights->RemoveAll();
  delete b.scene.lights;
  b.scene.lights = nullptr;
  b.scene.render.ambientIntensity = 0.0f;
  EXPECT_EQ(Ahead(), (Pixel{0, 0, 0, 0}));
  b.scene.render.ambientIntensity = 0.5f;
  EXPECT_EQ(Ahead(), (Pixel{1, 0, 199, 0}));
}

// The plane's normal points away from the viewer: the viewer is behind it.
TEST_F(TracerTest, LightsOnAPlaneSeenFromBehind) {
  b.AddPlane({0, 0, 10}, {0, 0, 1}, NewMaterial());
  LightSource* light = b.AddLight({0, 0, 20});  // in front: the viewer cannot see that side
  EXPECT_EQ(Ahead(), kBlack);
  light->placement.position = Vec3{0, 0, 0};  // behind too: lit
  EXPECT_EQ(Ahead(), kWhite);

  light->light_type = kSpotLight;
  light->SetSpotAngle(0.2f);
  light->SetFallOff(0.2f);
  // Light and viewer at the origin: at the angle t from the axis, cos L = cos t.
  const auto at = [&](double t) { return Shoot({}, {float(std::sin(t)), 0, float(std::cos(t))}); };
  const auto lit = [](double k, double t) { return Trunc(255 * 255 * K * k * std::cos(t)); };
  EXPECT_EQ(at(0.1)[1], lit(1.0, 0.1));      // inside the cone
  EXPECT_EQ(at(0.3)[1], lit(0.5, 0.3));      // half way through the soft edge
  EXPECT_EQ(at(0.45), kBlack);               // beyond the edge
  light->placement.axis_Z = Vec3{0, 0, -1};  // turned away
  EXPECT_EQ(at(0.0), kBlack);
}

class ShadowTest : public TracerTest {
 protected:
  // The viewer looks at (0,0,10) on a plane; the light at (10,0,0) reaches it through the
  // plane x = 5, which the viewer's ray runs parallel to. cos L = 0.7071.
  void SetUp() override {
    b.AddPlane({0, 0, 10}, {0, 0, 1}, NewMaterial());
    glass = NewMaterial();
    blocker = b.AddPlane({5, 0, 0}, {1, 0, 0}, glass);
    b.AddLight({10, 0, 0});
  }
  static int Lit(int light) { return Trunc(255 * light * K * 0.70710677); }
  const Pixel unblocked{1, Lit(255), Lit(255), Lit(255)};

  Material* glass = nullptr;
  MathPlane* blocker = nullptr;
};

TEST_F(ShadowTest, OpaqueBlockersAndTheShadowSwitches) {
  EXPECT_EQ(Ahead(), kBlack);

  FirstObject()->SetFlag(kGetsShadow, false);
  EXPECT_EQ(Ahead(), unblocked);
  FirstObject()->SetFlag(kGetsShadow, true);
  FirstLight()->SetFlag(kHasShadow, false);
  EXPECT_EQ(Ahead(), unblocked);
  FirstLight()->SetFlag(kHasShadow, true);
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
  AddParallelLight({-0.70710677f, 0, 0.70710677f});
  EXPECT_EQ(Ahead(), kBlack);
}

TEST_F(ShadowTest, GlassBlockersFilterTheLight) {
  glass->setValue(kTransparent, 0, 1.0);  // filter amount sqrt(1) = 1
  glass->setColour(kTransparent, 255, 0, 0);
  EXPECT_EQ(Ahead(), (Pixel{1, Lit(254), 0, 0}));  // 255 × 255 × K = 254.99998 → 254
}

// 100 levels must fit a small thread stack: the recursion's frames stay small.
TEST_F(TracerTest, DepthHundredFitsASmallStack) {
  Material* mirror = NewMaterial();
  mirror->setValue(kMirror, 0, 1.0);
  b.AddPlane({0, 0, 10}, {0, 0, -1}, mirror);
  b.AddPlane({0, 0, -10}, {0, 0, 1}, mirror);
  b.AddLight({0, 5, 0});
  const auto run = [](void* test) -> void* {
    auto* t = static_cast<TracerTest*>(test);
    t->deep = t->Ahead(100);
    return nullptr;
  };
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, 256 * 1024);
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, &attr, +run, this), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
  EXPECT_EQ(deep[0], 1);
}

// A glass plane at z = 10 met at 60° from its normal: leaving a medium of index 1.5 the ray is
// totally reflected; entering the glass it bends towards the normal.
TEST_F(TracerTest, TotalInternalReflectionAndEntering) {
  Material* glass = Only(kTransparent, 1.0);
  glass->setValue(kTransparent, 2, 1.5);
  MathPlane* surface = b.AddPlane({0, 0, 10}, {0, 0, 1}, glass);
  const Vec3 d{0.8660254f, 0, 0.5f};
  const Vec3 p{17.320508f, 0, 10};                                          // the hit
  b.AddSphere(p + Vec3{0.8660254f, 0, -0.5f} * 10, 1, Glowing(0, 200, 0));  // along R
  b.AddSphere(p + d * 10, 1, Glowing(200, 0, 0));                           // straight on
  const int through = Trunc(255 * K * 199 * 255 * K);
  EXPECT_EQ(Shoot({}, d, 3, 1.5f), (Pixel{1, 0, through, 0}));
  surface->placement.axis_Z = Vec3{0, 0, -1};
  EXPECT_EQ(Shoot({}, d, 3, 1.0f), kBlack);  // bent: meets neither sphere
  // An index of 1.0 entering from 1.0 does not bend: the ray goes straight on.
  glass->setValue(kTransparent, 2, 1.0);
  EXPECT_EQ(Shoot({}, d, 3, 1.0f), (Pixel{1, through, 0, 0}));
}

TEST_F(TracerTest, FogBlendsByTheDistanceOfEachLevel) {
  b.AddSphere({0, 0, 10}, 1, NewMaterial());
  b.AddLight({0, 0, 0});
  RenderSettings& s = b.scene.render;
  s.fogDistance = 100.9f;  // whole units: 100
  s.fog[1] = s.fog[2] = 0;
  EXPECT_EQ(Shoot({}, {0, 1, 0}), (Pixel{1, 200, 0, 0}));  // fog on a miss counts as a hit
  EXPECT_EQ(Ahead(),
            (Pixel{1, Trunc(254 * 0.91 + 200 * 0.09), Trunc(254 * 0.91), Trunc(254 * 0.91)}));
  s.fogDistance = 5;  // beyond the fog distance only fog is left
  EXPECT_EQ(Ahead(), (Pixel{1, 200, 0, 0}));
  s.fogDistance = 0.9f;  // truncates to 0: no fog
  EXPECT_EQ(Shoot({}, {0, 1, 0}), (Pixel{0, 0, 0, 0}));
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
  // Without a mapping object the unit sphere at the origin maps; seen towards +z: u = 0.25,
  // v below 0.5 above the X axis.
  EXPECT_EQ(at(0.5f, 1), (Pixel{1, lit(0.5f, 1), 0, 0}));

  auto* plane = new MathPlane;  // infinite, at z = 20: u = frac(0.5 + x/2), v = frac(0.5 - y/2)
  plane->placement.position = Vec3{0, 0, 20};
  mesh->SetMappingObject(plane);
  EXPECT_EQ(at(0.4f, 0.4f), (Pixel{1, 0, 0, lit(0.4f, 0.4f)}));  // u 0.7, v 0.3
  // The auxiliary ray runs along the plane's Z axis only: a plane behind the mesh's points
  // is never met, and without coordinates the channel colour (black) alone is left.
  plane->placement.position = Vec3{0, 0, 5};
  EXPECT_EQ(at(0.4f, 0.4f), kBlack);
}

// A roof lit along +z, its ridge (x = 0, z = 9) of normal (0, 0, 1): the smooth normal at
// (-0.5, 0.5) mixes the slope normal (weight 0.5) and the two ridge normals (0.25 each).
TEST_F(TracerTest, PhongNormalsAreInterpolated) {
  MeshObject* roof =
      b.AddMesh({{-1, -1, 10}, {-1, 1, 10}, {0, -1, 9}, {0, 1, 9}, {1, -1, 10}, {1, 1, 10}},
                {{0, 2, 1}, {1, 2, 3}, {2, 4, 5}, {2, 5, 3}}, NewMaterial());
  AddParallelLight({0, 0, 1});
  const Vec3 origin{-0.5f, 0.5f, 0};
  const int flat = Trunc(255 * 255 * K * std::sqrt(0.5));
  EXPECT_EQ(Shoot(origin, {0, 0, 1})[1], flat);
  roof->SetFlag(kUsePhong, true);
  // 0.5 (-0.7071, 0, -0.7071) + 0.5 (0, 0, -1), normalized: cos L = 0.853553 / 0.923880.
  const int smooth = Trunc(255 * 255 * K * (0.5 + 0.5 * std::sqrt(0.5)) /
                           std::sqrt(0.125 + std::pow(0.5 + 0.5 * std::sqrt(0.5), 2)));
  EXPECT_EQ(Shoot(origin, {0, 0, 1})[1], smooth);
  EXPECT_GT(smooth, flat);
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
      for (int c : {p[1], p[2], p[3]}) {
        EXPECT_GE(c, 0);
        EXPECT_LE(c, 255);
      }
    }
  }
  // A ray with NaN in it or without a direction is a miss (here: fog).
  const Pixel fog{1, 200, 200, 200};
  EXPECT_EQ(Shoot({NAN, 0, 0}, {0, 0, 1}), fog);
  EXPECT_EQ(Shoot({0, 0, 0}, {0, NAN, 1}), fog);
  EXPECT_EQ(Shoot({0, 0, 0}, {0, 0, 0}), fog);
}

}  // namespace
}  // namespace orvane
