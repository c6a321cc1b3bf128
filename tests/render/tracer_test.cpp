// The tracer on small analytic scenes whose colours can be worked out by hand. Remember the
// scale factor: 255 × 255 × 0.003921568 = 254.99998..., so a white light on a white surface
// head-on gives 254, not 255.

#include "render/tracer.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <cmath>
#include <memory>
#include <ostream>
#include <sstream>

#include "material/material.h"
#include "material/texture.h"
#include "scene/group_object.h"
#include "scene/light_source.h"
#include "scene/math_plane.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"
#include "scene/scene.h"
#include "scene_builder.h"

namespace orvane {
namespace {

constexpr double K = 0.003921568;

struct Pixel {
  int16_t result = 0;
  int r = 0;
  int g = 0;
  int b = 0;
  bool operator==(const Pixel&) const = default;
};

void PrintTo(const Pixel& p, std::ostream* os) {
  *os << "{" << p.result << ": " << p.r << ", " << p.g << ", " << p.b << "}";
}

int Trunc(double x) {
  return static_cast<int>(x);
}

class TracerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scene.EnsureLists(err));
    scene.render.traceDepth = 3;
  }

  // A material owned by the scene: diffuse only (no ambient, no highlight).
  Material* NewMaterial() {
    auto* m = new Material;
    m->setValue(kAmbient, 0, 0.0);
    scene.materials->Append(m, 1);
    return m;
  }
  // A material that only glows in (r, g, b).
  Material* Glowing(uint8_t r, uint8_t g, uint8_t b) {
    Material* m = NewMaterial();
    m->setValue(kDiffuse, 0, 0.0);
    m->setValue(kGlow, 0, 1.0);
    m->setColour(kGlow, r, g, b);
    return m;
  }
  // A material that only mirrors (a perfect mirror) or only lets light through, bent by `index`.
  Material* Mirror() {
    Material* m = NewMaterial();
    m->setValue(kDiffuse, 0, 0.0);
    m->setValue(kMirror, 0, 1.0);
    return m;
  }
  Material* Glass(double index) {
    Material* m = NewMaterial();
    m->setValue(kDiffuse, 0, 0.0);
    m->setValue(kTransparent, 0, 1.0);
    m->setValue(kTransparent, 2, index);
    return m;
  }
  template <class T>
  T* Add(T* object, Material* m) {
    object->material = m;
    scene.objects->Append(object, 1);
    return object;
  }
  MathSphere* AddSphere(Vec3 centre, float radius, Material* m) {
    auto* s = new MathSphere(radius);
    s->placement.position = centre;
    return Add(s, m);
  }
  // An infinite plane through `point` with normal `normal`.
  MathPlane* AddPlane(Vec3 point, Vec3 normal, Material* m) {
    auto* p = new MathPlane;
    p->placement.position = point;
    p->placement.axis_Z = normal;
    return Add(p, m);
  }
  LightSource* AddLight(Vec3 position) {
    auto* light = new LightSource;
    light->placement.position = position;
    scene.lights->Append(light, 1);
    return light;
  }
  LightSource* AddParallelLight(Vec3 shining_along) {
    LightSource* light = AddLight(Vec3{});
    light->parallel = 1;
    light->placement.axis_Z = shining_along;
    return light;
  }

  static Ray Along(Vec3 direction, Vec3 origin = {}) {
    Ray ray;
    ray.origin = origin;
    ray.direction = direction;
    ray.Normalize();
    return ray;
  }
  Pixel Shoot(Vec3 origin, Vec3 direction, int depth = -1, float index = 1.0f) {
    for (ListNode* n = scene.objects->head; n; n = n->next)
      dynamic_cast<SceneObject*>(n->item)->PrepareRender();
    const Ray ray = Along(direction, origin);
    Pixel p;
    const int16_t d = static_cast<int16_t>(depth < 0 ? scene.render.traceDepth : depth);
    p.result = tracer.Trace(ray, &p.r, &p.g, &p.b, d, index, 0);
    return p;
  }
  Pixel Ahead(int depth = -1) { return Shoot(Vec3{}, Vec3{0, 0, 1}, depth); }

  std::ostringstream err;
  Scene scene;
  Tracer tracer{scene};
};

// --- Diffuse light and the light kinds ---------------------------------------------------

TEST_F(TracerTest, SphereLitHeadOnGivesTheTruncatedDiffuseIntegers) {
  Material* m = NewMaterial();
  AddSphere({0, 0, 10}, 1, m);
  AddLight({0, 0, 0});
  EXPECT_EQ(Ahead(), (Pixel{1, 254, 254, 254}));
  EXPECT_FLOAT_EQ(tracer.PrimaryHitDistance(), 9.0f);

  m->setColour(kDiffuse, 200, 100, 50);  // 200 × 255 × K = 199.99998
  EXPECT_EQ(Ahead(), (Pixel{1, 199, 99, 49}));

  m->setColour(kDiffuse, 255, 255, 255);
  m->setValue(kDiffuse, 0, 0.5);
  static_cast<LightSource*>(scene.lights->First())->SetColor(128, 64, 0);
  EXPECT_EQ(Ahead(), (Pixel{1, 63, 31, 0}));
  static_cast<LightSource*>(scene.lights->First())->SetFlag(kIsVisible, false);  // switched off
  EXPECT_EQ(Ahead(), (Pixel{1, 0, 0, 0}));
}

TEST_F(TracerTest, MissesAndEarlyReturns) {
  AddSphere({0, 0, 10}, 1, NewMaterial());
  AddLight({0, 0, 0});
  EXPECT_EQ(Shoot({0, 0, 0}, {0, 1, 0}), (Pixel{0, 0, 0, 0}));
  EXPECT_FLOAT_EQ(tracer.PrimaryHitDistance(), -1.0f);
  EXPECT_EQ(Ahead(0), (Pixel{0, 0, 0, 0}));  // trace depth 0 traces nothing

  // No light list and no ambient light: nothing to see, even a glowing object.
  Material* glow = Glowing(0, 200, 0);
  scene.objects->First();
  static_cast<SceneObject*>(scene.objects->Current())->material = glow;
  scene.lights->RemoveAll();
  delete scene.lights;
  scene.lights = nullptr;
  scene.render.ambientIntensity = 0.0f;
  EXPECT_EQ(Ahead(), (Pixel{0, 0, 0, 0}));
  scene.render.ambientIntensity = 0.5f;
  EXPECT_EQ(Ahead(), (Pixel{1, 0, 199, 0}));
}

TEST_F(TracerTest, ParallelLightFollowsTheAngleOfIncidence) {
  AddSphere({0, 0, 10}, 1, NewMaterial());
  // Shines along (-0.28, 0, 0.96): L = (0.28, 0, -0.96), cos = 0.96 at the point facing the
  // viewer. Its position plays no part.
  AddParallelLight({-0.28f, 0, 0.96f})->placement.position = Vec3{0, 0, 50};
  EXPECT_EQ(Ahead(), (Pixel{1, 244, 244, 244}));  // 254.99998 × 0.96
}

TEST_F(TracerTest, DecreaseFadesLinearlyWithDistance) {
  AddSphere({0, 0, 10}, 1, NewMaterial());
  LightSource* light = AddLight({0, 0, 0});
  light->SetDecrease(18);  // the lit point is 9 away: half the light
  light->SetDecreaseOn(1);
  EXPECT_EQ(Ahead(), (Pixel{1, 127, 127, 127}));
  light->SetDecrease(9);
  EXPECT_EQ(Ahead(), (Pixel{1, 0, 0, 0}));
  light->SetDecrease(0);  // a zero distance means no fading
  EXPECT_EQ(Ahead(), (Pixel{1, 254, 254, 254}));
}

TEST_F(TracerTest, SpotLightConeAndFallOff) {
  AddPlane({0, 0, 10}, {0, 0, 1}, NewMaterial());
  LightSource* spot = AddLight({0, 0, 0});
  spot->light_type = kSpotLight;
  spot->SetSpotAngle(0.2f);
  spot->SetFallOff(0.2f);
  // Light and viewer at the origin: at the angle t from the axis, cos L = cos t.
  const auto at = [&](double t) { return Shoot({}, {float(std::sin(t)), 0, float(std::cos(t))}); };
  const auto lit = [](double k, double t) { return Trunc(255 * 255 * K * k * std::cos(t)); };
  EXPECT_EQ(at(0.1).r, lit(1.0, 0.1));  // inside the cone
  EXPECT_EQ(at(0.3).r, lit(0.5, 0.3));  // half way through the soft edge
  EXPECT_EQ(at(0.35).r, lit(0.25, 0.35));
  EXPECT_EQ(at(0.45), (Pixel{1, 0, 0, 0}));  // beyond the edge
  spot->placement.axis_Z = Vec3{0, 0, -1};   // turned away
  EXPECT_EQ(at(0.0), (Pixel{1, 0, 0, 0}));
}

TEST_F(TracerTest, LightBehindTheSurfaceOnlyLightsAViewerBehindIt) {
  // The plane's normal points away from the viewer: the viewer is behind it.
  AddPlane({0, 0, 10}, {0, 0, 1}, NewMaterial());
  LightSource* light = AddLight({0, 0, 0});  // behind too: lit
  EXPECT_EQ(Ahead(), (Pixel{1, 254, 254, 254}));
  light->placement.position = Vec3{0, 0, 20};  // in front: the viewer cannot see that side
  EXPECT_EQ(Ahead(), (Pixel{1, 0, 0, 0}));
}

TEST_F(TracerTest, HighlightAroundTheMirrorDirection) {
  Material* m = NewMaterial();
  m->setValue(kDiffuse, 0, 0.0);
  m->setValue(kHighlight, 1, 0.5);
  AddSphere({0, 0, 10}, 1, m);
  AddLight({0, 0, 0});  // R = L: cos R = 1
  EXPECT_EQ(Ahead(), (Pixel{1, 127, 127, 127}));

  // Off the mirror direction the highlight falls with cos R ^ (1.1 ^ (0.01 × 30²)).
  scene.lights->RemoveAll();
  AddParallelLight({-0.6f, 0, 0.8f});  // L = (0.6, 0, -0.8); R = (0, 0, -1): cos R = 0.8
  const double spec = std::pow(0.8, std::pow(1.1, 9.0)) * 0.5 * 255 * K;
  const int expected = Trunc(255 * K * 255 * spec);
  EXPECT_EQ(Ahead(), (Pixel{1, expected, expected, expected}));
  EXPECT_LT(expected, 127);
  EXPECT_GT(expected, 0);
}

// --- Shadows -----------------------------------------------------------------------------

class ShadowTest : public TracerTest {
 protected:
  // The viewer looks at (0,0,10) on a plane; the light at (10,0,0) reaches it through the
  // plane x = 5, which the viewer's ray runs parallel to. cos L = 0.7071.
  void SetUp() override {
    TracerTest::SetUp();
    AddPlane({0, 0, 10}, {0, 0, 1}, NewMaterial());
    glass = NewMaterial();
    blocker = AddPlane({5, 0, 0}, {1, 0, 0}, glass);
    AddLight({10, 0, 0});
  }
  static int Lit(int light) { return Trunc(255 * light * K * 0.70710677); }

  Material* glass = nullptr;
  MathPlane* blocker = nullptr;
};

TEST_F(ShadowTest, OpaqueBlockerRemovesTheLight) {
  EXPECT_EQ(Ahead(), (Pixel{1, 0, 0, 0}));
}

TEST_F(ShadowTest, RedGlassLetsOnlyRedThrough) {
  glass->setValue(kTransparent, 0, 1.0);  // filter amount sqrt(1) = 1
  glass->setColour(kTransparent, 255, 0, 0);
  EXPECT_EQ(Ahead(), (Pixel{1, Lit(254), 0, 0}));  // 255 × 255 × K = 254.99998 → 254
  glass->setValue(kTransparent, 0, 0.25);          // filter amount 0.5
  glass->setColour(kTransparent, 255, 255, 255);
  EXPECT_EQ(Ahead(), (Pixel{1, Lit(127), Lit(127), Lit(127)}));
}

TEST_F(ShadowTest, TwoGlassBlockersFilterTwice) {
  glass->setValue(kTransparent, 0, 1.0);
  glass->setColour(kTransparent, 255, 128, 0);
  AddPlane({7, 0, 0}, {1, 0, 0}, glass);
  const int g1 = Trunc(255 * 128 * K);  // 127
  EXPECT_EQ(Ahead(), (Pixel{1, Lit(253), Lit(Trunc(g1 * 128 * K)), 0}));
}

TEST_F(ShadowTest, BlockersBeyondTheLightCastNoShadow) {
  blocker->placement.position = Vec3{15, 0, 0};
  EXPECT_EQ(Ahead(), (Pixel{1, Lit(255), Lit(255), Lit(255)}));
}

TEST_F(ShadowTest, ObjectWithoutHasShadowIsSeenButCastsNoShadow) {
  blocker->SetFlag(kHasShadow, false);
  EXPECT_EQ(Ahead(), (Pixel{1, Lit(255), Lit(255), Lit(255)}));
  // It is still seen: a ray across it stops there.
  const Ray ray = Along({1, 0, 0});
  EXPECT_EQ(tracer.FindNearestHit(ray, nullptr, false), blocker);
  EXPECT_FLOAT_EQ(tracer.NearestDistance(), 5.0f);
  EXPECT_EQ(tracer.FindNearestHit(ray, nullptr, true), nullptr);
}

TEST_F(ShadowTest, InvisibleObjectsNeverOcclude) {
  blocker->SetFlag(kIsVisible, false);
  EXPECT_EQ(Ahead(), (Pixel{1, Lit(255), Lit(255), Lit(255)}));
  const Ray ray = Along({1, 0, 0});
  EXPECT_EQ(tracer.FindNearestHit(ray, nullptr, true), nullptr);
  EXPECT_EQ(tracer.FindNearestHit(ray, nullptr, false), nullptr);
}

TEST_F(ShadowTest, ShadowSwitchesOfObjectAndLight) {
  scene.objects->First();
  static_cast<SceneObject*>(scene.objects->Current())->SetFlag(kGetsShadow, false);
  EXPECT_EQ(Ahead().r, Lit(255));
  static_cast<SceneObject*>(scene.objects->Current())->SetFlag(kGetsShadow, true);
  static_cast<LightSource*>(scene.lights->First())->SetFlag(kHasShadow, false);
  EXPECT_EQ(Ahead().r, Lit(255));
}

TEST_F(ShadowTest, ParallelLightsAreBeyondEveryBlocker) {
  scene.lights->RemoveAll();
  AddParallelLight({-0.70710677f, 0, 0.70710677f});
  blocker->placement.position = Vec3{500, 0, 0};
  EXPECT_EQ(Ahead(), (Pixel{1, 0, 0, 0}));
}

// Seen from inside, lit from beyond its far side: the shadow ray meets the object itself.
TEST_F(TracerTest, OnlyMeshesShadowThemselves) {
  AddSphere({0, 0, 0}, 10, NewMaterial());
  AddLight({0, 0, -20});
  EXPECT_EQ(Ahead(), (Pixel{1, 254, 254, 254}));

  scene.objects->RemoveAll();
  // Two squares of one mesh, at z = 10 and z = -10.
  MeshObject* box = Add(render_test::NewMesh({{-5, -5, -10},
                                              {5, -5, -10},
                                              {-5, 5, -10},
                                              {5, 5, -10},
                                              {-5, -5, 10},
                                              {5, -5, 10},
                                              {-5, 5, 10},
                                              {5, 5, 10}},
                                             {{4, 5, 7}, {4, 7, 6}, {0, 3, 1}, {0, 2, 3}}),
                        NewMaterial());
  EXPECT_EQ(Ahead(), (Pixel{1, 0, 0, 0}));
  box->SetFlag(kHasShadow, false);
  EXPECT_EQ(Ahead(), (Pixel{1, 254, 254, 254}));
}

// --- The nearest-hit search --------------------------------------------------------------

TEST_F(TracerTest, EqualDistancesGoToTheFirstObjectInTheList) {
  MathSphere* first = AddSphere({0, 0, 10}, 1, Glowing(255, 0, 0));
  MathSphere* second = AddSphere({0, 0, 10}, 1, Glowing(0, 255, 0));
  const Ray ray = Along({0, 0, 1});
  EXPECT_EQ(tracer.FindNearestHit(ray, nullptr, false), first);
  EXPECT_EQ(Ahead(), (Pixel{1, 254, 0, 0}));
  // The excluded object never answers; a nearer later object wins.
  EXPECT_EQ(tracer.FindNearestHit(ray, first, false), second);
  MathSphere* nearer = AddSphere({0, 0, 5}, 1, Glowing(0, 0, 255));
  EXPECT_EQ(tracer.FindNearestHit(ray, nullptr, false), nearer);
  EXPECT_FLOAT_EQ(tracer.NearestDistance(), 4.0f);
}

TEST_F(TracerTest, GroupsAnswerWithTheMemberThatWasHit) {
  auto* group = new GroupObject;
  auto* member = new MathSphere(1);
  member->placement.position = Vec3{0, 0, 10};
  member->material = Glowing(0, 0, 255);
  group->AddMember(member);
  Add(group, NewMaterial());
  const Ray ray = Along({0, 0, 1});
  EXPECT_EQ(tracer.FindNearestHit(ray, nullptr, false), member);
  EXPECT_EQ(Ahead(), (Pixel{1, 0, 0, 254}));
}

// --- Mirror and transparency -------------------------------------------------------------

// A mirror at z = 10 facing the viewer reflects a green glowing sphere behind the viewer.
TEST_F(TracerTest, MirrorNeedsADepthAboveOne) {
  Material* mirror = Mirror();
  AddPlane({0, 0, 10}, {0, 0, -1}, mirror);
  AddSphere({0, 0, -10}, 1, Glowing(0, 200, 0));  // glow 199
  EXPECT_EQ(Ahead(1), (Pixel{1, 0, 0, 0}));
  const int reflected = Trunc(255 * K * 199 * 255 * K);  // 198
  EXPECT_EQ(Ahead(2), (Pixel{1, 0, reflected, 0}));
  mirror->setColour(kMirror, 255, 128, 255);  // the mirror colour filters
  EXPECT_EQ(Ahead(3), (Pixel{1, 0, Trunc(128 * K * 199 * 255 * K), 0}));
}

// Two facing mirrors that glow a little: each level adds 9 and loses 1 to truncation.
TEST_F(TracerTest, FacingMirrorsAddOneLevelPerDepth) {
  Material* mirror = Mirror();
  mirror->setValue(kGlow, 0, 1.0);
  mirror->setColour(kGlow, 10, 10, 10);
  AddPlane({0, 0, 10}, {0, 0, -1}, mirror);
  AddPlane({0, 0, -10}, {0, 0, 1}, mirror);
  EXPECT_EQ(Ahead(1).g, 9);
  EXPECT_EQ(Ahead(2).g, 9 + 8);
  EXPECT_EQ(Ahead(20).g, 9 + 19 * 8);
  scene.render.traceDepth = 100;
  EXPECT_EQ(Ahead(100), (Pixel{1, 255, 255, 255}));
  EXPECT_FLOAT_EQ(tracer.PrimaryHitDistance(), 10.0f);
}

// 100 levels must fit a small thread stack: the recursion's frames stay small.
TEST_F(TracerTest, DepthHundredFitsASmallStack) {
  Material* mirror = NewMaterial();
  mirror->setValue(kMirror, 0, 1.0);
  AddPlane({0, 0, 10}, {0, 0, -1}, mirror);
  AddPlane({0, 0, -10}, {0, 0, 1}, mirror);
  AddLight({0, 5, 0});
  for (ListNode* n = scene.objects->head; n; n = n->next)
    dynamic_cast<SceneObject*>(n->item)->PrepareRender();
  struct Job {
    Tracer* tracer;
    Pixel pixel;
  } job{&tracer, {}};
  const auto run = [](void* arg) -> void* {
    auto* j = static_cast<Job*>(arg);
    const Ray ray = Along({0, 0, 1});
    j->pixel.result = j->tracer->Trace(ray, &j->pixel.r, &j->pixel.g, &j->pixel.b, 100, 1.0f, 0);
    return nullptr;
  };
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, 256 * 1024);
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, &attr, +run, &job), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
  EXPECT_EQ(job.pixel.result, 1);
}

// A glass plane at z = 10 met at 60° from its normal. With the normal pointing away from the
// viewer the ray leaves a medium of index 1.5 and is totally reflected; with the normal towards
// the viewer it enters the glass and bends towards the normal.
TEST_F(TracerTest, TotalInternalReflectionAndEntering) {
  Material* glass = Glass(1.5);
  MathPlane* surface = AddPlane({0, 0, 10}, {0, 0, 1}, glass);
  const Vec3 d{0.8660254f, 0, 0.5f};
  const Vec3 p{17.320508f, 0, 10};                                        // the hit
  AddSphere(p + Vec3{0.8660254f, 0, -0.5f} * 10, 1, Glowing(0, 200, 0));  // along R
  AddSphere(p + d * 10, 1, Glowing(200, 0, 0));                           // straight on
  const int through = Trunc(255 * K * 199 * 255 * K);
  EXPECT_EQ(Shoot({}, d, 3, 1.5f), (Pixel{1, 0, through, 0}));
  surface->placement.axis_Z = Vec3{0, 0, -1};
  EXPECT_EQ(Shoot({}, d, 3, 1.0f), (Pixel{1, 0, 0, 0}));  // bent: meets neither sphere
  // An index of 1.0 entering from 1.0 does not bend: the ray goes straight on.
  glass->setValue(kTransparent, 2, 1.0);
  EXPECT_EQ(Shoot({}, d, 3, 1.0f), (Pixel{1, through, 0, 0}));
  // Without a refraction index the ray is not bent either.
  glass->setValue(kTransparent, 2, 0.0);
  surface->placement.axis_Z = Vec3{0, 0, 1};
  EXPECT_EQ(Shoot({}, d, 3, 1.5f), (Pixel{1, through, 0, 0}));
}

// A slab of glass (index 1.5) between z = 10 and z = 12: the ray bends in, keeps the index of
// the glass inside and bends back out parallel to itself, shifted sideways.
TEST_F(TracerTest, RefractionThroughASlabShiftsTheRay) {
  Material* glass = Glass(1.5);
  AddPlane({0, 0, 10}, {0, 0, -1}, glass);  // entering
  AddPlane({0, 0, 12}, {0, 0, 1}, glass);   // leaving
  const double t30 = std::tan(30 * M_PI / 180);
  const double inside = std::tan(std::asin(0.5 / 1.5));
  const Vec3 d{0.5f, 0, 0.8660254f};
  const auto on_line = [&](double shift) {
    const double z = 40;
    return Vec3{float(z * t30 + shift), 0, float(z)};
  };
  AddSphere(on_line(2 * (inside - t30)), 0.2f, Glowing(0, 200, 0));
  AddSphere(on_line(0), 0.2f, Glowing(200, 0, 0));
  const int twice = Trunc(255 * K * Trunc(255 * K * 199 * 255 * K) * 255 * K);  // 197
  EXPECT_EQ(Shoot({}, d, 3), (Pixel{1, 0, twice, 0}));
  EXPECT_EQ(Shoot({}, d, 2), (Pixel{1, 0, 0, 0}));  // one level short of the sphere
}

// --- Glow, ambient, fog --------------------------------------------------------------------

TEST_F(TracerTest, AmbientGlowAndClamping) {
  Material* m = NewMaterial();
  m->setValue(kDiffuse, 0, 0.0);
  m->setValue(kAmbient, 0, 0.5);
  m->setColour(kAmbient, 255, 255, 0);
  AddSphere({0, 0, 10}, 1, m);
  scene.render.ambient[0] = 200;
  scene.render.ambient[1] = 100;
  scene.render.ambientIntensity = 0.5f;
  const double w = 0.5 * 255 * K;
  EXPECT_EQ(Ahead(), (Pixel{1, Trunc(255 * K * 200 * w * 0.5), Trunc(255 * K * 100 * w * 0.5), 0}));
  scene.render.ambientIntensity = 0.0f;
  EXPECT_EQ(Ahead(), (Pixel{1, 0, 0, 0}));
  m->setValue(kGlow, 0, 3.0);  // 764 each: clamped
  EXPECT_EQ(Ahead(), (Pixel{1, 255, 255, 255}));
}

TEST_F(TracerTest, FogOnAMissCountsAsAHit) {
  AddLight({0, 0, 0});
  scene.render.fogDistance = 100.9f;  // whole units: 100
  scene.render.fog[0] = 10;
  scene.render.fog[1] = 20;
  scene.render.fog[2] = 30;
  EXPECT_EQ(Ahead(), (Pixel{1, 10, 20, 30}));
  scene.render.fogDistance = 0.9f;  // truncates to 0: no fog
  EXPECT_EQ(Ahead(), (Pixel{0, 0, 0, 0}));
}

TEST_F(TracerTest, FogBlendsByTheDistanceOfEachLevel) {
  AddSphere({0, 0, 10}, 1, NewMaterial());
  AddLight({0, 0, 0});
  scene.render.fogDistance = 100;
  scene.render.fog[0] = 200;
  scene.render.fog[1] = 0;
  scene.render.fog[2] = 0;
  EXPECT_EQ(Ahead(),
            (Pixel{1, Trunc(254 * 0.91 + 200 * 0.09), Trunc(254 * 0.91), Trunc(254 * 0.91)}));
  scene.render.fogDistance = 5;  // beyond the fog distance only fog is left
  EXPECT_EQ(Ahead(), (Pixel{1, 200, 0, 0}));

  // A mirror ray is fogged over its own length, then again over the primary ray's.
  scene.objects->RemoveAll();
  scene.lights->RemoveAll();
  Material* mirror = Mirror();
  AddPlane({0, 0, 10}, {0, 0, -1}, mirror);
  AddSphere({0, 0, -20}, 10, Glowing(0, 200, 0));  // reached 20 after the mirror
  scene.render.fogDistance = 40;
  scene.render.fog[0] = 0;
  const int sphere = Trunc(199 * 0.5);  // 20 of 40
  const int mirrored = Trunc(255 * K * sphere * 255 * K);
  EXPECT_EQ(Ahead(), (Pixel{1, 0, Trunc(mirrored * 0.75), 0}));  // 10 of 40
}

// --- Texture coordinates, Phong normals and bump ------------------------------------------

class MeshShadingTest : public TracerTest {
 protected:
  // A chess texture red / blue on a material whose diffuse colour is black, so that the
  // diffuse sample is the texel alone.
  Material* ChessMaterial() {
    chess = std::make_unique<Texture>(kTextureChess);
    chess->twoColours.SetColour1(255, 0, 0);
    chess->twoColours.SetColour2(0, 0, 255);
    Material* m = NewMaterial();
    m->setColour(kDiffuse, 0, 0, 0);
    m->setTexture(kDiffuse, chess.get());
    m->setHasTexture(kDiffuse, 1);
    return m;
  }
  // The square -2..2 × -2..2 at z = 10 as two triangles facing the viewer.
  MeshObject* AddSquare(Material* m) {
    return Add(render_test::NewMesh({{-2, -2, 10}, {2, -2, 10}, {2, 2, 10}, {-2, 2, 10}},
                                    {{0, 2, 1}, {0, 3, 2}}),
               m);
  }
  // A light at the viewer; cos L at (x, y, 10) is 10 / |(x, y, 10)|.
  static int Lit(float x, float y) {
    return Trunc(255 * 255 * K * 10 / std::sqrt(x * x + y * y + 100.0));
  }
  Pixel At(float x, float y) { return Shoot({}, {x, y, 10}); }

  std::unique_ptr<Texture> chess;
};

TEST_F(MeshShadingTest, MeshThroughItsMappingSphere) {
  AddSquare(ChessMaterial());
  AddLight({0, 0, 0});
  // The unit sphere at the origin seen towards +z: u = 0.25, v below 0.5 above the X axis.
  EXPECT_EQ(At(0.5f, 1), (Pixel{1, Lit(0.5f, 1), 0, 0}));
  EXPECT_EQ(At(0.5f, -1), (Pixel{1, 0, 0, Lit(0.5f, -1)}));
}

TEST_F(MeshShadingTest, MeshThroughAMappingPlane) {
  MeshObject* mesh = AddSquare(ChessMaterial());
  auto* plane = new MathPlane;  // infinite, at z = 20: u = frac(0.5 + x/2), v = frac(0.5 - y/2)
  plane->placement.position = Vec3{0, 0, 20};
  mesh->SetMappingObject(plane);
  AddLight({0, 0, 0});
  EXPECT_EQ(At(0.4f, 0.4f), (Pixel{1, 0, 0, Lit(0.4f, 0.4f)}));    // u 0.7, v 0.3
  EXPECT_EQ(At(0.4f, -0.4f), (Pixel{1, Lit(0.4f, -0.4f), 0, 0}));  // u 0.7, v 0.7
  EXPECT_EQ(At(-0.4f, -0.4f), (Pixel{1, 0, 0, Lit(-0.4f, -0.4f)}));
  // The auxiliary ray runs along the plane's Z axis only: a plane behind the mesh's points
  // is never met, and without coordinates the channel colour (black) alone is left.
  plane->placement.position = Vec3{0, 0, 5};
  EXPECT_EQ(At(0.4f, 0.4f), (Pixel{1, 0, 0, 0}));
}

// A roof: two slopes meeting at a ridge along y at x = 0, z = 9, lit along +z. Each ridge
// point has as many triangles on either slope, so its normal is (0, 0, 1). The smooth normal
// at (-0.5, 0.5) mixes the slope normal (weight 0.5) and the two ridge normals (0.25 each).
TEST_F(MeshShadingTest, PhongNormalsAreInterpolated) {
  MeshObject* roof =
      Add(render_test::NewMesh(
              {{-1, -1, 10}, {-1, 1, 10}, {0, -1, 9}, {0, 1, 9}, {1, -1, 10}, {1, 1, 10}},
              {{0, 2, 1}, {1, 2, 3}, {2, 4, 5}, {2, 5, 3}}),
          NewMaterial());
  AddParallelLight({0, 0, 1});
  const Vec3 origin{-0.5f, 0.5f, 0};
  const int flat = Trunc(255 * 255 * K * std::sqrt(0.5));
  EXPECT_EQ(Shoot(origin, {0, 0, 1}).r, flat);
  roof->SetFlag(kUsePhong, true);
  // 0.5 (-0.7071, 0, -0.7071) + 0.5 (0, 0, -1), normalized: cos L = 0.853553 / 0.923880.
  const int smooth = Trunc(255 * 255 * K * (0.5 + 0.5 * std::sqrt(0.5)) /
                           std::sqrt(0.125 + std::pow(0.5 + 0.5 * std::sqrt(0.5), 2)));
  EXPECT_EQ(Shoot(origin, {0, 0, 1}).r, smooth);
  EXPECT_GT(smooth, flat);
}

// --- Bad geometry --------------------------------------------------------------------------

TEST_F(MeshShadingTest, DegenerateAndNaNTrianglesGiveFiniteColours) {
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
  Add(mesh, NewMaterial());
  AddLight({0, 0, 0});
  scene.render.fogDistance = 50;
  for (int y = -6; y <= 6; ++y) {
    for (int x = -6; x <= 6; ++x) {
      const Pixel p = Shoot({}, {x * 0.05f, y * 0.05f, 1});
      EXPECT_EQ(p.result, 1);
      for (int c : {p.r, p.g, p.b}) {
        EXPECT_GE(c, 0);
        EXPECT_LE(c, 255);
      }
    }
  }
  // A ray with NaN in it or without a direction is a miss (here: fog).
  EXPECT_EQ(Shoot({NAN, 0, 0}, {0, 0, 1}), (Pixel{1, 200, 200, 200}));
  EXPECT_EQ(Shoot({0, 0, 0}, {0, NAN, 1}), (Pixel{1, 200, 200, 200}));
  EXPECT_EQ(Shoot({0, 0, 0}, {0, 0, 0}), (Pixel{1, 200, 200, 200}));
}

}  // namespace
}  // namespace orvane
