#include "foundation/placement.h"

#include <gtest/gtest.h>

#include <cstring>
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

void ExpectFrame(const Placement& p, const Vec3& x, const Vec3& y, const Vec3& z) {
  EXPECT_EQ(p.axis_X, x);
  EXPECT_EQ(p.axis_Y, y);
  EXPECT_EQ(p.axis_Z, z);
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
  ExpectFrame(fresh, Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1});
  EXPECT_EQ(fresh.axis_deg, (Vec3{0, 0, 0}));
  Placement p = Tilted();
  p.Reset();
  EXPECT_TRUE(SameBits(p, fresh));
}

// The rotations turn only the frame, each axis exactly as the vector rotation turns it.
TEST(Placement, RotationsTurnOnlyTheFrame) {
  const Vec3 angles{-15, 40, 75};
  const Placement before = Tilted();
  Placement q = before;
  q.RotateAxesEuler(angles, kEulerZYX);
  ExpectFrame(q, Vec3{before.axis_X}.RotateEuler(angles, kEulerZYX),
              Vec3{before.axis_Y}.RotateEuler(angles, kEulerZYX),
              Vec3{before.axis_Z}.RotateEuler(angles, kEulerZYX));
  EXPECT_TRUE(q.position == before.position && q.axis_deg == before.axis_deg);
  // The frame's own axis as the rotation axis: all three turn about its original value.
  Placement r = before;
  r.RotateAxesAboutAxis(35, r.axis_Y);
  const Vec3 u = before.axis_Y;
  ExpectFrame(r, Vec3{before.axis_X}.RotateAxisDeg(35, u), Vec3{u}.RotateAxisDeg(35, u),
              Vec3{before.axis_Z}.RotateAxisDeg(35, u));
  EXPECT_EQ(r.position, before.position);
  EXPECT_EQ(r.axis_deg, before.axis_deg);
  r.RotateAxesAboutAxis(-35, u);  // turning back restores the frame
  ExpectNear(r.axis_X, before.axis_X, 1e-6);
  ExpectNear(r.axis_Y, before.axis_Y, 1e-6);
  ExpectNear(r.axis_Z, before.axis_Z, 1e-6);
}

TEST(PlacementPointAlong, VerticalAndDegenerateDirections) {
  const Placement tilted = Tilted();
  const struct {
    Vec3 direction, x, y, z;
  } cases[] = {
      {{0, 5, 0}, {1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
      {{0, -2, 0}, {1, 0, 0}, {0, 0, -1}, {0, -1, 0}},
      // Off vertical by less than the threshold still counts as vertical.
      {{5e-7f, 1, -5e-7f}, {1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
      {{0, 0, 3}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
      {{2, 0, 0}, {0, 0, -1}, {0, 1, 0}, {1, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "direction " << c.direction);
    Placement p = tilted;
    p.PointAlong(c.direction);
    ExpectFrame(p, c.x, c.y, c.z);
    EXPECT_EQ(p.position, tilted.position);
    EXPECT_EQ(p.axis_deg, tilted.axis_deg);
  }
  for (const Vec3& d : {Vec3{0, 0, 0}, Vec3{5e-7f, 0, 0}}) {
    Placement p = tilted;
    p.PointAlong(d);
    EXPECT_TRUE(SameBits(p, tilted));
  }
  // LookAt points from the position; no direction changes nothing.
  Placement p = tilted;
  p.LookAt(Vec3{1, 2, 10});
  ExpectFrame(p, Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1});
  p.LookAt(Vec3{1, 0, 3});
  EXPECT_EQ(p.axis_Z, (Vec3{0, -1, 0}));
  const Placement before = p;
  p.LookAt(p.position);
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
  for (int i = 0; i < 5; ++i) EXPECT_EQ(std::string(lines[i].c_str()), expected[i]) << i;
}

}  // namespace
}  // namespace orvane
