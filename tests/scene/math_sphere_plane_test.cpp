#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "material/material.h"
#include "material/texture.h"
#include "scene/math_plane.h"
#include "scene/math_sphere.h"
#include "scene/recording_sink.h"

namespace orvane {
namespace {

using testing_support::RecordingSink;

constexpr double kF = 0.3183193;                // the mapping's 1/3.1415
constexpr double kQ = 1.5707963267948966 * kF;  // acos(0) × kF

// Resets the item and shoots one unit ray at it: the hit distance, or -1 for none.
float Shoot(SceneObject& item, const Vec3& origin, const Vec3& direction) {
  Ray ray;
  ray.origin = origin;
  ray.direction = direction;
  ray.Normalize();
  item.ResetRayState();
  return item.Intersect(ray, -1.0f) ? item.NearDistance() : -1.0f;
}

void ExpectNear(const Vec3& v, float x, float y, float z) {
  EXPECT_NEAR(v.x, x, 1e-5);
  EXPECT_NEAR(v.y, y, 1e-5);
  EXPECT_NEAR(v.z, z, 1e-5);
}

TEST(MathSphereHit, RootsInsideGrazingBehindAndOneHitPerSearch) {
  MathSphere sphere(2.0f);
  sphere.placement.position = Vec3{0, 0, 5};
  EXPECT_FLOAT_EQ(Shoot(sphere, {0, 0, 0}, {0, 0, 1}), 3.0f);
  EXPECT_FLOAT_EQ(sphere.FarDistance(), 7.0f);
  EXPECT_FALSE(sphere.Intersect(Ray{1, 1, {0, 0, 0}, {0, 0, 1}}, -1.0f));
  EXPECT_FLOAT_EQ(Shoot(sphere, {0, 0, 4}, {0, 0, 1}), 3.0f);  // inside: the far side
  EXPECT_FLOAT_EQ(Shoot(sphere, {2, 0, 0}, {0, 0, 1}), 5.0f);  // grazing: t = b
  EXPECT_EQ(Shoot(sphere, {0, 0, 10}, {0, 0, 1}), -1.0f);      // behind the ray
  EXPECT_EQ(Shoot(sphere, {2.01f, 0, 0}, {0, 0, 1}), -1.0f);
}

TEST(MathSphereTexture, CoordinatesUseTheApproximateInversePi) {
  struct Case {
    Vec3 from, direction;
    double u, v;
  };
  const Case cases[] = {
      {{5, 0, 0}, {-1, 0, 0}, 0.0, kQ},     {{0, 0, 5}, {0, 0, -1}, kQ / 2, kQ},
      {{-5, 0, 0}, {1, 0, 0}, kQ, kQ},      {{0, 0, -5}, {0, 0, 1}, (2 - kQ) / 2, kQ},
      {{0, 5, 0}, {0, -1, 0}, kQ / 2, 0.0}, {{0, -5, 0}, {0, 1, 0}, kQ / 2, 2 * kQ},
  };
  MathSphere sphere(1.0f);
  for (const Case& c : cases) {
    ASSERT_GT(Shoot(sphere, c.from, c.direction), 0.0f);
    EXPECT_NEAR(sphere.TextureU(), c.u, 1e-6) << c.from;
    EXPECT_NEAR(sphere.TextureV(), c.v, 1e-6) << c.from;
  }
  // The mapping turns with the local axes: axis_Z now points along world +X.
  sphere.placement.position = Vec3{1, 1, 1};
  sphere.RotateAxesAboutAxis(90, Vec3{0, 1, 0});
  Shoot(sphere, {6, 1, 1}, {-1, 0, 0});
  EXPECT_NEAR(sphere.TextureU(), kQ / 2, 1e-5);
  // Without textures nothing is computed.
  sphere.SetTextureUV(0.125f, 0.625f);
  sphere.set_uses_texture(0);
  Shoot(sphere, {1, 1, 6}, {0, 0, -1});
  EXPECT_EQ(sphere.TextureU(), 0.125f);
  EXPECT_EQ(sphere.TextureV(), 0.625f);
}

TEST(MathSphereTexture, PrepareRenderTakesTheFlagFromTheMaterial) {
  MathSphere sphere;
  sphere.set_uses_texture(0);
  sphere.PrepareRender();  // no material: the flag stays
  EXPECT_EQ(sphere.uses_texture(), 0u);
  Material material;
  sphere.material = &material;
  material.setHasTexture(kGlow, 1);
  sphere.PrepareRender();
  EXPECT_EQ(sphere.uses_texture(), 1u);
  material.setHasTexture(kGlow, 0);
  sphere.PrepareRender();
  EXPECT_EQ(sphere.uses_texture(), 0u);
}

TEST(MathSphereScale, RadiusStaysNonNegativeAndInStep) {
  MathSphere sphere(-2.0f);
  EXPECT_EQ(sphere.radius(), 2.0f);
  sphere.SetScale(2, 3, 4);
  sphere.ApplyScale();  // no centre: the position stays
  EXPECT_FLOAT_EQ(sphere.radius(), 6.0f);
  EXPECT_FLOAT_EQ(sphere.radius_squared(), 36.0f);
  EXPECT_EQ(sphere.placement.position, (Vec3{0, 0, 0}));
  sphere.SetScale(-1, -1, -1);
  sphere.ApplyScale();
  EXPECT_FLOAT_EQ(sphere.radius(), 6.0f);
  EXPECT_FALSE(sphere.SetRadius(NAN));
  EXPECT_FLOAT_EQ(sphere.radius_squared(), 36.0f);

  Vec3 centre{1, 0, 0};
  sphere.placement.position = Vec3{2, 1, 0};
  sphere.SetScaleCenter(&centre);
  sphere.SetScale(2, 2, 2);
  sphere.ApplyScale();
  ExpectNear(sphere.placement.position, 3, 2, 0);
}

TEST(MathSphereClone, CopiesDataButNotPreviewState) {
  MathSphere sphere(3.0f);
  sphere.name = "ball";
  sphere.display_lists[0] = 7;
  sphere.scale_center = &sphere.placement.position;
  std::unique_ptr<SceneObject> copy(sphere.Clone());
  auto* s = dynamic_cast<MathSphere*>(copy.get());
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->name, "ball");
  EXPECT_EQ(s->radius(), 3.0f);
  EXPECT_EQ(s->display_lists[0], 0u);
  EXPECT_EQ(s->scale_center, &s->placement.position);
  s->SetRadius(1.0f);
  EXPECT_EQ(sphere.radius(), 3.0f);
}

TEST(MathSpherePreview, ThreeCirclesOfTwentyAtTheScaledRadius) {
  MathSphere sphere(2.0f);
  sphere.placement.position = Vec3{1, 0, 5};
  sphere.SetScale(1, 2, 3);  // mean 2: drawn radius 4
  sphere.preview_dirty = 1;
  RecordingSink sink;
  sphere.BuildPreview(sink, 0);
  EXPECT_EQ(sphere.preview_dirty, 0);
  ASSERT_EQ(sink.lists.size(), 1u);
  EXPECT_EQ(sphere.display_lists[0], sink.lists[0].name);
  ASSERT_EQ(sink.lists[0].primitives.size(), 3u);
  for (const auto& circle : sink.lists[0].primitives) {
    EXPECT_EQ(circle.mode, kPreviewLineLoop);
    ASSERT_EQ(circle.vertices.size(), 20u);
    // Centred on (1, 0, -5): the view negates z. Neighbours are 18 degrees apart.
    for (const Vec3& v : circle.vertices) EXPECT_NEAR(Distance(v, Vec3{1, 0, -5}), 4.0, 1e-5);
    EXPECT_NEAR(Distance(circle.vertices[0], circle.vertices[1]), 8 * std::sin(9 * kDegToRad),
                1e-5);
  }
}

// A plane at z = 5 facing +Z.
MathPlane PlaneAtFive(int type, float rx, float ry) {
  MathPlane plane;
  plane.placement.position = Vec3{0, 0, 5};
  plane.SetPlaneType(type);
  plane.SetRadiusX(rx);
  plane.SetRadiusY(ry);
  return plane;
}

// Shoots along +Z at (x, y) of the plane at z = 5.
bool HitsAt(MathPlane& plane, float x, float y) {
  return Shoot(plane, {x, y, 0}, {0, 0, 1}) >= 0;
}

TEST(MathPlaneHit, InfiniteAndSingleSided) {
  MathPlane plane = PlaneAtFive(kPlaneInfinite, 0, 0);
  EXPECT_FLOAT_EQ(Shoot(plane, {100, -50, 0}, {0, 0, 1}), 5.0f);
  EXPECT_FLOAT_EQ(Shoot(plane, {0, 0, 0}, {0, 0.6f, 0.8f}), 6.25f);
  EXPECT_FALSE(plane.Intersect(Ray{1, 1, {0, 0, 0}, {0, 0, 1}}, -1.0f));
  EXPECT_EQ(Shoot(plane, {0, 0, 0}, {1, 0, 0}), -1.0f);  // parallel
  EXPECT_EQ(Shoot(plane, {0, 0, 6}, {0, 0, 1}), -1.0f);  // behind the origin
  plane.set_single_sided(1);
  EXPECT_EQ(Shoot(plane, {0, 0, 0}, {0, 0, 1}), -1.0f);  // travelling along the normal
  EXPECT_FLOAT_EQ(Shoot(plane, {0, 0, 9}, {0, 0, -1}), 4.0f);
  Vec3 n;
  plane.NormalAt(&n, Vec3{3, 3, 5});
  EXPECT_EQ(n, (Vec3{0, 0, 1}));
}

TEST(MathPlaneHit, CircleRectangleAndEllipseOutlines) {
  MathPlane circle = PlaneAtFive(kPlaneCircle, 2, 0);
  EXPECT_TRUE(HitsAt(circle, 0, -2));
  EXPECT_FALSE(HitsAt(circle, 1.5f, 1.5f));
  MathPlane unlimited = PlaneAtFive(kPlaneCircle, 0, 0);
  EXPECT_TRUE(HitsAt(unlimited, 1000, 1000));

  MathPlane rectangle = PlaneAtFive(kPlaneRectangle, 2, 1);
  EXPECT_TRUE(HitsAt(rectangle, 2, 0));  // on the edge
  EXPECT_TRUE(HitsAt(rectangle, -2, 1));
  EXPECT_FALSE(HitsAt(rectangle, 2.01f, 0));
  EXPECT_FALSE(HitsAt(rectangle, 0, -1.01f));

  MathPlane ellipse = PlaneAtFive(kPlaneEllipse, 2, 1);
  EXPECT_TRUE(HitsAt(ellipse, 1, 0.5f));
  EXPECT_TRUE(HitsAt(ellipse, 2, 0));
  EXPECT_FALSE(HitsAt(ellipse, 1.9f, 0.9f));  // inside the box, outside the ellipse
  MathPlane flat = PlaneAtFive(kPlaneEllipse, 0, 1);
  EXPECT_TRUE(HitsAt(flat, 0, 0.5f));
  EXPECT_FALSE(HitsAt(flat, 0.1f, 0));

  rectangle.SetRadiusY(0.5f);
  rectangle.RotateAxesAboutAxis(90, Vec3{0, 0, 1});  // axis_X now along world +Y
  EXPECT_TRUE(HitsAt(rectangle, 0.4f, 1.9f));
  EXPECT_FALSE(HitsAt(rectangle, 1.9f, 0.4f));
}

TEST(MathPlaneTexture, OutlinesMapOntoTheUnitSquareAndUnlimitedPlanesRepeat) {
  struct Case {
    int type;
    float rx, ry, x, y, u, v;
  };
  const Case cases[] = {
      {kPlaneRectangle, 2, 1, 1, 0.5f, 0.75f, 0.25f},
      {kPlaneRectangle, 2, 1, -2, -1, 0, 1},
      {kPlaneCircle, 2, 8, 1, 0.5f, 0.75f, 0.375f},
      {kPlaneEllipse, 4, 2, -2, 1, 0.25f, 0.25f},
      {kPlaneInfinite, 0, 0, 0.5f, 0.5f, 0.75f, 0.25f},
      {kPlaneInfinite, 0, 0, -101.5f, 40.5f, 0.75f, 0.25f},
  };
  for (const Case& c : cases) {
    MathPlane plane = PlaneAtFive(c.type, c.rx, c.ry);
    ASSERT_TRUE(HitsAt(plane, c.x, c.y));
    EXPECT_FLOAT_EQ(plane.TextureU(), c.u) << c.type << " " << c.x;
    EXPECT_FLOAT_EQ(plane.TextureV(), c.v) << c.type << " " << c.y;
  }
}

TEST(MathPlaneSettings, TypesRadiiScaleAndClone) {
  MathPlane plane;
  EXPECT_FALSE(plane.SetPlaneType(4));
  EXPECT_FALSE(plane.SetPlaneType(-1));
  EXPECT_EQ(plane.plane_type(), kPlaneInfinite);
  plane.SetRadiusX(-3);
  plane.SetRadiusY(-1);
  plane.SetScale(-2, 0.5f, 7);
  plane.ApplyScale();
  EXPECT_EQ(plane.radius_X(), 6.0f);
  EXPECT_EQ(plane.radius_Y(), 0.5f);
  plane.SetPlaneType(kPlaneEllipse);
  plane.set_single_sided(1);
  std::unique_ptr<SceneObject> copy(plane.Clone());
  auto* p = dynamic_cast<MathPlane*>(copy.get());
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->plane_type(), kPlaneEllipse);
  EXPECT_EQ(p->single_sided(), 1u);
  EXPECT_EQ(p->radius_X(), 6.0f);
}

TEST(MathPlaneSurface, BumpFollowsTheHitsTextureCoordinates) {
  // A 2 × 1 bump picture: white at column 0, black at column 1.
  Texture texture(kTextureImage);
  ASSERT_TRUE(texture.CreatePicture(2, 1, 8));
  texture.picture()->palette[1] = Rgb{255, 255, 255};
  texture.picture()->paletteCount = 2;
  texture.picture()->SetPixel(0, 0, 1);
  Material material;
  material.setValue(kBump, 0, 1.0);
  material.setTexture(kBump, &texture);
  material.setHasTexture(kBump, 1);
  MathPlane plane = PlaneAtFive(kPlaneRectangle, 1, 1);
  plane.material = &material;

  Vec3 bump;
  ASSERT_TRUE(HitsAt(plane, -0.5f, 0));  // u = 0.25: white, black to its right
  plane.BumpAt(&bump);
  ExpectNear(bump, 1, 0, 0);            // toward growing u
  ASSERT_TRUE(HitsAt(plane, 0.5f, 0));  // u = 0.75: black, white to its right (wrapping)
  plane.BumpAt(&bump);
  ExpectNear(bump, -1, 0, 0);
  plane.material = nullptr;
  plane.BumpAt(&bump);
  EXPECT_EQ(bump, (Vec3{0, 0, 0}));
}

TEST(MathPlanePreview, GridCellsCoverTheOutline) {
  MathPlane rectangle = PlaneAtFive(kPlaneRectangle, 2, 1);
  RecordingSink sink;
  rectangle.BuildPreview(sink, 0);
  ASSERT_EQ(sink.lists.size(), 1u);
  EXPECT_EQ(sink.lists[0].primitives.size(), 100u);
  for (const auto& cell : sink.lists[0].primitives) {
    ASSERT_EQ(cell.vertices.size(), 4u);
    EXPECT_NEAR(Distance(cell.vertices[0], cell.vertices[1]), 0.4, 1e-5);  // 0.2 × radius_X
    EXPECT_NEAR(Distance(cell.vertices[1], cell.vertices[2]), 0.2, 1e-5);
    for (const Vec3& v : cell.vertices) {
      EXPECT_TRUE(std::fabs(v.x) <= 2.00001f && std::fabs(v.y) <= 1.00001f) << v;
      EXPECT_FLOAT_EQ(v.z, -5.0f);  // z negated
    }
  }

  MathPlane circle = PlaneAtFive(kPlaneCircle, 1, 0);
  RecordingSink round;
  circle.BuildPreview(round, 0);
  EXPECT_GT(round.lists[0].primitives.size(), 50u);
  EXPECT_LT(round.lists[0].primitives.size(), 100u);
  for (const auto& cell : round.lists[0].primitives)
    EXPECT_LE(Distance((cell.vertices[0] + cell.vertices[2]) * 0.5, Vec3{0, 0, -5}), 1.0);

  MathPlane infinite = PlaneAtFive(kPlaneInfinite, 0, 0);
  RecordingSink wide;
  infinite.BuildPreview(wide, 0);
  float reach = 0;
  for (const Vec3& v : wide.AllVertices()) reach = std::max(reach, std::fabs(v.x));
  EXPECT_FLOAT_EQ(reach, 100.0f);
}

}  // namespace
}  // namespace orvane
