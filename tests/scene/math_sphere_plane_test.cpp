#include <gtest/gtest.h>
#include <cmath>
#include "material/material.h"
#include "material/texture.h"
#include "scene/math_plane.h"
#include "scene/math_sphere.h"
#include "scene/recording_sink.h"
#include "scene/scene_checks.h"

namespace orvane {
namespace {
using testing_support::ExpectNear;
using testing_support::RecordingSink;
using testing_support::Shoot;

constexpr double kF = 0.3183193;                // the mapping's 1/3.1415
constexpr double kQ = 1.5707963267948966 * kF;  // acos(0) × kF

TEST(MathSphereTexture, CoordinatesUseTheApproximateInversePiAndTheMaterialsFlag) {
  const struct {
    Vec3 from, direction;
    double u, v;
  } cases[] = {
      {{5, 0, 0}, {-1, 0, 0}, 0.0, kQ},
      {{0, 0, -5}, {0, 0, 1}, (2 - kQ) / 2, kQ},
  };
  MathSphere sphere(1.0f);
  EXPECT_FALSE(sphere.SetRadius(NAN));  // refused: nothing changes
  EXPECT_EQ(sphere.radius_squared(), 1.0f);
  for (const auto& c : cases) {
    ASSERT_GT(Shoot(sphere, c.from, c.direction), 0.0f);
    EXPECT_NEAR(sphere.TextureU(), c.u, 1e-6) << c.from;
    EXPECT_NEAR(sphere.TextureV(), c.v, 1e-6) << c.from;
  }
  // Without textures nothing is computed.
  sphere.SetTextureUV(0.125f, 0.625f);
  sphere.set_uses_texture(0);
  Shoot(sphere, {0, 0, 5}, {0, 0, -1});
  EXPECT_EQ(sphere.TextureU(), 0.125f);
  // PrepareRender takes the flag from the material; without one the flag stays.
  sphere.PrepareRender();
  Material material;
  sphere.material = &material;
  material.setHasTexture(kGlow, 1);
  sphere.PrepareRender();
  EXPECT_EQ(sphere.uses_texture(), 1u);
}

TEST(MathSpherePreview, ThreeCirclesOfTwentyAtTheScaledRadius) {
  MathSphere sphere(-2.0f);  // kept as |r|
  sphere.placement.position = Vec3{1, 0, 5};
  sphere.SetScale(1, 2, 3);  // mean 2: drawn radius 4
  sphere.preview_dirty = 1;
  RecordingSink sink;
  sphere.BuildPreview(sink, 0);
  ASSERT_EQ(sink.lists[0].primitives.size(), 3u);
  for (const auto& circle : sink.lists[0].primitives) {
    ASSERT_EQ(circle.vertices.size(), 20u);
    // Centred on (1, 0, -5): the view negates z.
    for (const Vec3& v : circle.vertices) EXPECT_NEAR(Distance(v, Vec3{1, 0, -5}), 4.0, 1e-5);
  }
}

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
  EXPECT_EQ(Shoot(plane, {0, 0, 0}, {1, 0, 0}), -1.0f);  // parallel
  EXPECT_EQ(Shoot(plane, {0, 0, 6}, {0, 0, 1}), -1.0f);  // behind the origin
  plane.set_single_sided(5);
  EXPECT_EQ(plane.single_sided(), 1u);
  EXPECT_EQ(Shoot(plane, {0, 0, 0}, {0, 0, 1}), -1.0f);  // travelling along the normal
  EXPECT_FLOAT_EQ(Shoot(plane, {0, 0, 9}, {0, 0, -1}), 4.0f);
  Vec3 n;
  plane.NormalAt(&n, Vec3{3, 3, 5});
  EXPECT_EQ(n, (Vec3{0, 0, 1}));
}

TEST(MathPlaneHit, CircleRectangleAndEllipseOutlines) {
  const struct {
    int type;
    float rx, ry, x, y;
    bool hit;
  } cases[] = {
      {kPlaneCircle, 2, 0, 0, -2, true},         {kPlaneCircle, 2, 0, 1.5f, 1.5f, false},
      {kPlaneCircle, 0, 0, 1000, 1000, true},  // no radius: unlimited
      {kPlaneRectangle, 2, 1, -2, 1, true},    // on the edge
      {kPlaneRectangle, 2, 1, 0, -1.01f, false}, {kPlaneEllipse, 2, 1, 2, 0, true},
      {kPlaneEllipse, 2, 1, 1.9f, 0.9f, false},  // inside the box, outside the ellipse
      {kPlaneEllipse, 0, 1, 0.1f, 0, false},
  };
  for (const auto& c : cases) {
    MathPlane plane = PlaneAtFive(c.type, c.rx, c.ry);
    EXPECT_EQ(HitsAt(plane, c.x, c.y), c.hit)
        << "type " << c.type << " radii " << c.rx << ", " << c.ry << " at " << c.x << ", " << c.y;
  }
  MathPlane rectangle = PlaneAtFive(kPlaneRectangle, 2, 0.5f);
  rectangle.RotateAxesAboutAxis(90, Vec3{0, 0, 1});  // axis_X now along world +Y
  EXPECT_TRUE(HitsAt(rectangle, 0.4f, 1.9f));
}

TEST(MathPlaneSettings, TypesAndRadiiStayValid) {
  MathPlane plane;
  EXPECT_FALSE(plane.SetPlaneType(4));
  EXPECT_EQ(plane.plane_type(), kPlaneInfinite);
  plane.SetRadiusX(-3);
  plane.SetRadiusY(-1);
  plane.SetScale(-2, 0.5f, 7);
  plane.ApplyScale();
  EXPECT_EQ(plane.radius_X(), 6.0f);
  EXPECT_EQ(plane.radius_Y(), 0.5f);
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
  ExpectNear(bump, {1, 0, 0});          // toward growing u
  ASSERT_TRUE(HitsAt(plane, 0.5f, 0));  // u = 0.75: black, white to its right (wrapping)
  plane.BumpAt(&bump);
  ExpectNear(bump, {-1, 0, 0});
  plane.material = nullptr;
  plane.BumpAt(&bump);
  EXPECT_EQ(bump, (Vec3{0, 0, 0}));
}

TEST(MathPlanePreview, GridCellsCoverTheOutline) {
  MathPlane rectangle = PlaneAtFive(kPlaneRectangle, 2, 1);
  RecordingSink sink;
  rectangle.BuildPreview(sink, 0);
  ASSERT_EQ(sink.lists[0].primitives.size(), 100u);
  for (const auto& cell : sink.lists[0].primitives) {
    ASSERT_EQ(cell.vertices.size(), 4u);
    EXPECT_NEAR(Distance(cell.vertices[0], cell.vertices[1]), 0.4, 1e-5);  // 0.2 × radius_X
  }
  MathPlane circle = PlaneAtFive(kPlaneCircle, 1, 0);
  RecordingSink round;
  circle.BuildPreview(round, 0);
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
