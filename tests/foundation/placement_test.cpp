#include "foundation/placement.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace orvane {
namespace {

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

// The rotations turn only the frame, each axis exactly as the vector rotation turns it.
TEST(Placement, RotationsAndPointAlongTurnOnlyTheFrame) {
  const Placement before = Tilted();
  // The frame's own axis as the rotation axis: all three turn about its original value.
  Placement r = before;
  r.RotateAxesAboutAxis(35, r.axis_Y);
  const Vec3 u = before.axis_Y;
  ExpectFrame(r, Vec3{before.axis_X}.RotateAxisDeg(35, u), Vec3{u}.RotateAxisDeg(35, u),
              Vec3{before.axis_Z}.RotateAxisDeg(35, u));
  EXPECT_TRUE(r.position == before.position && r.axis_deg == before.axis_deg);
  // Reset gives the default placement: at the origin, unturned, on the world axes.
  r.Reset();
  EXPECT_TRUE(r.position == Vec3{} && r.axis_deg == Vec3{});
  ExpectFrame(r, Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1});
  // PointAlong: vertical and degenerate directions.
  const struct {
    Vec3 direction, x, y, z;
  } cases[] = {
      // Off vertical by less than the threshold still counts as vertical.
      {{5e-7f, 1, -5e-7f}, {1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
      {{2, 0, 0}, {0, 0, -1}, {0, 1, 0}, {1, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "direction " << c.direction);
    Placement p = before;
    p.PointAlong(c.direction);
    ExpectFrame(p, c.x, c.y, c.z);
    EXPECT_EQ(p.position, before.position);
    EXPECT_EQ(p.axis_deg, before.axis_deg);
  }
  // LookAt points from the position; no direction changes nothing.
  Placement p = before;
  p.LookAt(Vec3{1, 2, 10});
  ExpectFrame(p, Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1});
  p.LookAt(Vec3{1, 0, 3});
  EXPECT_EQ(p.axis_Z, (Vec3{0, -1, 0}));
  const Placement looked = p;
  p.LookAt(p.position);
  EXPECT_EQ(std::memcmp(&p, &looked, sizeof p), 0);
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
