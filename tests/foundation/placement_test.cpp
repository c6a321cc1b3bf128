#include "foundation/placement.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

namespace orvane {
namespace {

bool SameBits(const Placement& a, const Placement& b) {
  return std::memcmp(&a, &b, sizeof(Placement)) == 0;
}

void ExpectNear(const Vec3& actual, const Vec3& expected, double tolerance) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// A frame that is neither the default nor axis-aligned.
Placement Tilted() {
  Placement p;
  p.position = Vec3{1, 2, 3};
  p.axis_deg = Vec3{10, 20, 30};
  p.RotateAxesEuler(Vec3{10, 20, 30}, kEulerXYZ);
  return p;
}

TEST(Placement, DefaultAndReset) {
  const Placement fresh;
  EXPECT_EQ(fresh.position, (Vec3{0, 0, 0}));
  EXPECT_EQ(fresh.axis_X, (Vec3{1, 0, 0}));
  EXPECT_EQ(fresh.axis_Y, (Vec3{0, 1, 0}));
  EXPECT_EQ(fresh.axis_Z, (Vec3{0, 0, 1}));
  EXPECT_EQ(fresh.axis_deg, (Vec3{0, 0, 0}));
  Placement p = Tilted();
  p.Reset();
  EXPECT_TRUE(SameBits(p, fresh));
}

TEST(Placement, EulerTurnsOnlyTheFrame) {
  Placement p;
  p.position = Vec3{4, 5, 6};
  p.axis_deg = Vec3{1, 2, 3};
  p.RotateAxesEuler(Vec3{0, 90, 0}, kEulerY);
  EXPECT_EQ(p.position, (Vec3{4, 5, 6}));
  EXPECT_EQ(p.axis_deg, (Vec3{1, 2, 3}));
  ExpectNear(p.axis_X, Vec3{0, 0, -1}, 1e-7);
  EXPECT_EQ(p.axis_Y, (Vec3{0, 1, 0}));
  ExpectNear(p.axis_Z, Vec3{1, 0, 0}, 1e-7);
  // Each axis follows exactly the vector rotation.
  const Vec3 angles{-15, 40, 75};
  Placement q = Tilted();
  const Placement before = q;
  q.RotateAxesEuler(angles, kEulerZYX);
  EXPECT_EQ(q.axis_X, Vec3{before.axis_X}.RotateEuler(angles, kEulerZYX));
  EXPECT_EQ(q.axis_Y, Vec3{before.axis_Y}.RotateEuler(angles, kEulerZYX));
  EXPECT_EQ(q.axis_Z, Vec3{before.axis_Z}.RotateEuler(angles, kEulerZYX));
}

TEST(Placement, AboutAnAxisUsesTheAxisAsPassed) {
  Placement p = Tilted();
  const Placement before = p;
  // The frame's own axis as the rotation axis: all three turn about its original value.
  p.RotateAxesAboutAxis(35, p.axis_Y);
  const Vec3 u = before.axis_Y;
  EXPECT_EQ(p.axis_X, Vec3{before.axis_X}.RotateAxisDeg(35, u));
  EXPECT_EQ(p.axis_Y, Vec3{before.axis_Y}.RotateAxisDeg(35, u));
  EXPECT_EQ(p.axis_Z, Vec3{before.axis_Z}.RotateAxisDeg(35, u));
  EXPECT_EQ(p.position, before.position);
  EXPECT_EQ(p.axis_deg, before.axis_deg);
  // Turning back restores the frame.
  p.RotateAxesAboutAxis(-35, u);
  ExpectNear(p.axis_X, before.axis_X, 1e-6);
  ExpectNear(p.axis_Y, before.axis_Y, 1e-6);
  ExpectNear(p.axis_Z, before.axis_Z, 1e-6);
}

TEST(PlacementPointAlong, VerticalAndDegenerateDirections) {
  Placement up = Tilted();
  up.PointAlong(Vec3{0, 5, 0});
  EXPECT_EQ(up.axis_X, (Vec3{1, 0, 0}));
  EXPECT_EQ(up.axis_Y, (Vec3{0, 0, 1}));
  EXPECT_EQ(up.axis_Z, (Vec3{0, 1, 0}));

  Placement down = Tilted();
  down.PointAlong(Vec3{0, -2, 0});
  EXPECT_EQ(down.axis_X, (Vec3{1, 0, 0}));
  EXPECT_EQ(down.axis_Y, (Vec3{0, 0, -1}));
  EXPECT_EQ(down.axis_Z, (Vec3{0, -1, 0}));

  // Off vertical by less than the threshold still counts as vertical.
  Placement almost = Tilted();
  almost.PointAlong(Vec3{5e-7f, 1, -5e-7f});
  EXPECT_EQ(almost.axis_Z, (Vec3{0, 1, 0}));

  Placement ahead = Tilted();
  ahead.PointAlong(Vec3{0, 0, 3});
  const Placement fresh;
  EXPECT_EQ(ahead.axis_X, fresh.axis_X);
  EXPECT_EQ(ahead.axis_Y, fresh.axis_Y);
  EXPECT_EQ(ahead.axis_Z, fresh.axis_Z);
  EXPECT_EQ(ahead.position, (Vec3{1, 2, 3}));
  EXPECT_EQ(ahead.axis_deg, (Vec3{10, 20, 30}));

  const Placement tilted = Tilted();
  for (const Vec3& d : {Vec3{0, 0, 0}, Vec3{5e-7f, 0, 0}}) {
    Placement p = tilted;
    p.PointAlong(d);
    EXPECT_TRUE(SameBits(p, tilted));
  }
}

TEST(PlacementPointAlong, GivesAnUprightRightHandedFrame) {
  std::mt19937 rng(7u);
  std::uniform_real_distribution<float> unit(-10.0f, 10.0f);
  for (int i = 0; i < 200; ++i) {
    const Vec3 d{unit(rng), unit(rng), unit(rng)};
    if (std::hypot(d.x, d.z) < 0.01) continue;
    Placement p;
    p.PointAlong(d);
    ExpectNear(p.axis_Z, Vec3{d}.Normalize(), 1e-7);
    EXPECT_EQ(p.axis_X.y, 0.0f);  // horizontal
    EXPECT_GT(p.axis_Y.y, 0.0f);  // upright
    EXPECT_NEAR(p.axis_X.Length(), 1.0, 1e-6);
    EXPECT_NEAR(p.axis_Y.Length(), 1.0, 1e-6);
    ExpectNear(Cross(p.axis_X, p.axis_Y), p.axis_Z, 1e-6);
    EXPECT_NEAR(Dot(p.axis_X, p.axis_Z), 0.0, 1e-6);
    EXPECT_NEAR(Dot(p.axis_Y, p.axis_Z), 0.0, 1e-6);
  }
  Placement right;
  right.PointAlong(Vec3{2, 0, 0});
  ExpectNear(right.axis_X, Vec3{0, 0, -1}, 1e-7);
  ExpectNear(right.axis_Y, Vec3{0, 1, 0}, 1e-7);
  ExpectNear(right.axis_Z, Vec3{1, 0, 0}, 1e-7);
}

TEST(PlacementPointAlong, LookAtUsesThePosition) {
  Placement p = Tilted();
  p.LookAt(Vec3{1, 2, 10});  // straight ahead of the position
  EXPECT_EQ(p.axis_X, (Vec3{1, 0, 0}));
  EXPECT_EQ(p.axis_Y, (Vec3{0, 1, 0}));
  EXPECT_EQ(p.axis_Z, (Vec3{0, 0, 1}));
  p.LookAt(Vec3{1, 0, 3});  // straight below
  EXPECT_EQ(p.axis_Z, (Vec3{0, -1, 0}));
  const Placement before = p;
  p.LookAt(p.position);  // no direction: nothing changes
  EXPECT_TRUE(SameBits(p, before));
}

TEST(Placement, TextLines) {
  Placement p;
  p.position = Vec3{1, -2.5f, 0.1f};
  p.axis_deg = Vec3{0, 90, -1234567};
  p.axis_X = Vec3{0.5f, 0, -0.25f};
  const std::array<String, 5> lines = p.TextLines();
  const char* expected[5] = {"position <1,-2.5,0.1>", "axis_deg <0,90,-1.23457e+06>",
                             "axis_X <0.5,0,-0.25>", "axis_Y <0,1,0>", "axis_Z <0,0,1>"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(std::string(lines[i].c_str()), expected[i]) << "line " << i;
  }
}

}  // namespace
}  // namespace orvane
