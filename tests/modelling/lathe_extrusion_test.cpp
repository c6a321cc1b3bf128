#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

#include "modelling/construction_object.h"
#include "modelling/extrusion.h"
#include "modelling/lathe.h"
#include "modelling/modelling_checks.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"
#include "support/command_test.h"
#include "support/mesh_checks.h"

namespace orvane {
namespace {

using test::ExpectClosedOutward;
using test::ExpectIndicesInRange;
using test::ExpectNear;
using test::ExpectTriangle;
using test::MakePath;

constexpr const char* kBadSize = "The sizes must be finite numbers between -1e15 and 1e15.";
constexpr const char* kNameTaken = "There is a object with the same name.\nPlease change the name!";
constexpr const char* kNoSegments = "The number of segments must be greater than 0.";
constexpr const char* kTooManySegments = "The number of segments must not be greater than 10000.";

// The sign of normal · (centroid − inside(centroid)) of every triangle: +1 all outward,
// -1 all inward, 0 mixed.
int Facing(const MeshObject& m, const std::function<Vec3(const Vec3&)>& inside) {
  int out = 0;
  for (uint32_t i = 0; i < m.triangle_count; ++i) {
    const Triangle& t = m.triangles[i];
    const Vec3 g = (m.points[t.a] + m.points[t.b] + m.points[t.c]) * (1.0 / 3.0);
    if (Dot(t.normal, g - inside(g)) > 0.0) ++out;
  }
  if (out == static_cast<int>(m.triangle_count)) return 1;
  return out == 0 ? -1 : 0;
}

// Clockwise in XY (x right, y up) on the +X side: the lathe's solid then faces outward.
std::vector<Vec3> ClockwiseSquare() {
  return {{2, 1, 0}, {3, 1, 0}, {3, 0, 0}, {2, 0, 0}};
}

class LatheExtrusionTest : public test::CommandTest {
 protected:
  MeshObject* AddPath(const char* name, std::vector<Vec3> pts) {
    MeshObject* p = MakePath(pts).release();
    p->name = name;
    scene_.objects->Append(p, 1);
    return p;
  }
};

// --- Construction object -------------------------------------------------------------------

TEST(ConstructionObjectTest, IdentityDispatchAndClone) {
  auto outline = MakePath({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  ConstructionObject c;
  EXPECT_EQ(c.GetType(), 5);
  EXPECT_STREQ(c.TypeName(), "Konstruktionsobjekt");
  EXPECT_EQ(std::tuple(c.preview_mode, c.construction), std::tuple(2, 1));
  c.outline = outline.get();

  MeshObject untouched;
  c.result = &untouched;
  c.construction = 3;
  EXPECT_EQ(c.Construct(), -1);
  EXPECT_EQ(untouched.point_count, 0u);

  c.result = nullptr;
  c.construction = kConstructTriangulate;
  EXPECT_EQ(c.Construct(), 0);
  ASSERT_NE(c.result, nullptr);
  std::unique_ptr<MeshObject> filled(c.result);
  EXPECT_EQ(filled->triangle_count, 2u);

  c.segments = 5;
  c.step_angle = 12.5f;
  c.y_translation = 2.0f;
  c.caps = kCapsEvery;
  c.close_profile = 1;
  c.close_turn = 1;
  std::unique_ptr<SceneObject> copy(c.Clone());
  auto& cc = static_cast<ConstructionObject&>(*copy);
  EXPECT_EQ(std::tuple(cc.segments, cc.step_angle, cc.y_translation, cc.caps, cc.close_profile,
                       cc.close_turn, cc.construction),
            std::tuple(5, 12.5f, 2.0f, int{kCapsEvery}, 1, 1, kConstructTriangulate));
  EXPECT_EQ(cc.outline, outline.get());
  EXPECT_EQ(cc.result, filled.get());
}

TEST(ConstructionObjectTest, LatheNeedsTwoPointsAndASegmentAndFillsAGivenResult) {
  auto one = MakePath({{1, 0, 0}});
  auto two = MakePath({{1, 0, 0}, {1, 1, 0}});
  ConstructionObject c;
  c.outline = one.get();
  c.segments = 4;
  EXPECT_EQ(c.Construct(), -1);
  c.outline = two.get();
  for (int s : {0, -3, 1000000000}) {
    c.segments = s;
    EXPECT_EQ(c.Construct(), -1);
  }
  EXPECT_EQ(c.result, nullptr);
  MeshObject result;
  c.result = &result;
  c.segments = 2;
  ASSERT_EQ(c.Construct(), 0);
  EXPECT_EQ(c.result, &result);
  EXPECT_EQ(result.point_count, 6u);
  EXPECT_EQ(result.triangle_count, 4u);
}

// --- Lathe ---------------------------------------------------------------------------------

TEST(LatheDialogTest, FillsTheConstructionObject) {
  LatheInput in;
  in.segments = 4;
  in.close = true;
  in.close_end = true;
  in.y_translation = 1.5f;
  in.close_last_segment = true;
  ConstructionObject c;
  ApplyLatheDialog(in, c);
  EXPECT_EQ(std::tuple(c.segments, c.close_profile, c.close_turn), std::tuple(4, 1, 1));
  EXPECT_FLOAT_EQ(c.step_angle, 72.0f);  // A / (S + 1)
  EXPECT_EQ(c.caps, kCapsNone);          // "close end" only counts for an open turn
  EXPECT_EQ(c.y_translation, 1.5f);
  in.close_last_segment = false;
  ApplyLatheDialog(in, c);
  EXPECT_EQ(c.close_turn, 0);
  EXPECT_FLOAT_EQ(c.step_angle, 90.0f);  // A / S
  EXPECT_EQ(c.caps, kCapsBoth);
  in.close_end = false;
  ApplyLatheDialog(in, c);
  EXPECT_EQ(c.caps, kCapsNone);
}

TEST_F(LatheExtrusionTest, LatheTubesWithClosedAndOpenTurn) {
  AddPath("Profile", {{1, 0, 0}, {1, 1, 0}});
  LatheInput in;
  in.outline = "Profile";
  in.segments = 3;
  in.close_last_segment = true;
  MeshObject& m = Built(CreateLathe(scene_, in));
  EXPECT_STREQ(m.name.c_str(), "Rotations_Obj");
  ASSERT_NE(m.material, nullptr);
  EXPECT_STREQ(m.material->name.c_str(), "standard");
  EXPECT_EQ(m.point_count, 8u);
  EXPECT_EQ(m.triangle_count, 8u);
  ExpectNear(m.points[2], {0, 0, -1});  // ring 1 turned by 90 degrees
  ExpectNear(m.points[7], {0, 1, 1});
  ExpectTriangle(m, 7, 1, 0, 7);  // the closing gap joins ring 3 to ring 0

  in.name = "Open";
  in.close_last_segment = false;
  MeshObject& open = Built(CreateLathe(scene_, in));
  EXPECT_EQ(open.point_count, 8u);
  EXPECT_EQ(open.triangle_count, 6u);
  ExpectNear(open.points[2], {-0.5f, 0, -0.8660254f});  // 120 degrees
  ExpectNear(open.points[6], {1, 0, 0});                // ring 3 at 360 degrees
  ExpectTriangle(open, 0, 2, 0, 1);                     // the first gap as laid out
  ExpectTriangle(open, 1, 3, 2, 1);
}

TEST_F(LatheExtrusionTest, LatheLiftsRings) {
  AddPath("Profile", {{1, 0, 0}, {2, 0, 0}});
  LatheInput in;
  in.outline = "Profile";
  in.segments = 4;
  in.y_translation = 3.0f;
  MeshObject& m = Built(CreateLathe(scene_, in));
  for (uint32_t k = 0; k <= 4; ++k) EXPECT_NEAR(m.points[2 * k].y, k, 1e-6f);
  in.name = "One";  // S = 1: the one step lifts by the whole translation
  in.segments = 1;
  MeshObject& one = Built(CreateLathe(scene_, in));
  EXPECT_EQ(one.points[0].y, 0.0f);
  EXPECT_EQ(one.points[2].y, 3.0f);
}

TEST_F(LatheExtrusionTest, ClosedLatheFacesOutwardForAClockwiseProfileAndCapsAPartialTurn) {
  auto tube = [](const Vec3& g) {
    const double len = std::hypot(g.x, g.z);
    return Vec3{static_cast<float>(2.5 * g.x / len), 0.5f, static_cast<float>(2.5 * g.z / len)};
  };
  AddPath("CW", ClockwiseSquare());
  std::vector<Vec3> ccw = ClockwiseSquare();
  std::reverse(ccw.begin(), ccw.end());
  AddPath("CCW", ccw);
  LatheInput in;
  in.outline = "CW";
  in.close = true;
  in.close_last_segment = true;
  in.segments = 12;
  MeshObject& out = Built(CreateLathe(scene_, in));
  EXPECT_EQ(Facing(out, tube), 1);
  ExpectClosedOutward(out);
  in.name = "Inside";
  in.outline = "CCW";
  EXPECT_EQ(Facing(Built(CreateLathe(scene_, in)), tube), -1);

  in.name = "Half";
  in.outline = "CW";
  in.close_last_segment = false;
  in.segments = 4;
  in.angle = 180.0f;
  in.close_end = true;
  MeshObject& half = Built(CreateLathe(scene_, in));
  EXPECT_EQ(half.point_count, 20u);
  EXPECT_EQ(half.triangle_count, 8u * 4u + 2u * 2u);  // bands E × S, caps 2 (n - 2)
  ExpectClosedOutward(half);
}

TEST(LatheCapsTest, CapModes) {
  auto profile = MakePath(ClockwiseSquare());
  auto line = MakePath({{1, 0, 0}, {1, 1, 0}});
  ConstructionObject c;
  c.outline = profile.get();
  c.segments = 3;
  c.close_profile = 1;
  unsigned points = 0;
  unsigned tris = 0;
  const unsigned bands = 8 * 3;
  const std::pair<int, unsigned> expected[] = {{kCapsNone, 0}, {kCapsFirst, 2}, {kCapsLast, 2},
                                               {kCapsBoth, 4}, {kCapsEvery, 8}, {7, 0},
                                               {-1, 0}};
  for (auto [caps, cap_tris] : expected) {
    c.caps = caps;
    ASSERT_TRUE(LatheCounts(c, &points, &tris));
    EXPECT_EQ(points, 16u);
    EXPECT_EQ(tris, bands + cap_tris) << "caps " << caps;
  }
  c.close_turn = 1;  // both ends then become the first ring only
  c.caps = kCapsBoth;
  ASSERT_TRUE(LatheCounts(c, &points, &tris));
  EXPECT_EQ(tris, 8u * 4u + 2u);
  c.outline = line.get();  // fewer than three points: no caps
  ASSERT_TRUE(LatheCounts(c, &points, &tris));
  EXPECT_EQ(tris, 4u * 4u);  // E = 2n with the closed profile, four gaps

  c.outline = profile.get();
  c.close_turn = 0;
  c.caps = kCapsEvery;
  ASSERT_EQ(c.Construct(), 0);
  std::unique_ptr<MeshObject> result(c.result);
  EXPECT_EQ(result->triangle_count, bands + 8u);
  for (uint32_t i = bands; i < result->triangle_count; ++i) {  // each ring's cap on its points
    const Triangle& t = result->triangles[i];
    EXPECT_EQ(t.a / 4, t.b / 4);
    EXPECT_EQ(t.a / 4, t.c / 4);
  }
}

TEST(LatheCapsTest, CrossingCapOutlineWarnsOnTheConsole) {
  auto bow = MakePath({{1, 0, 0}, {2, 1, 0}, {2, 0, 0}, {1, 1, 0}});
  ConstructionObject c;
  c.outline = bow.get();
  c.segments = 2;
  c.caps = kCapsFirst;
  testing::internal::CaptureStdout();
  ASSERT_EQ(c.Construct(), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "warning: some points intersect other points.\n");
  std::unique_ptr<MeshObject> m(c.result);
  EXPECT_EQ(m->triangle_count, 2u * 6u + 2u);
}

TEST_F(LatheExtrusionTest, LatheRefusals) {
  LatheInput in;
  in.outline = "Profile";
  ExpectRefused(CreateLathe(scene_, in), "Error", "There is no path selected!");
  AddPath("Profile", {{1, 0, 0}, {1, 1, 0}});
  AddPath("Dot", {{1, 0, 0}});
  AddPath("Rotations_Obj", {{1, 0, 0}, {1, 1, 0}});
  Remember();
  ExpectRefused(CreateLathe(scene_, in), "Error", kNameTaken);
  in.name = "L";
  in.outline = "Nothing";
  ExpectRefused(CreateLathe(scene_, in), "Attention", "There is no outline-path selected.");
  in.outline = "Profile";
  for (int s : {0, INT_MIN}) {
    in.segments = s;
    ExpectRefused(CreateLathe(scene_, in), "Error", kNoSegments);
  }
  for (int s : {10001, INT_MAX}) {
    in.segments = s;
    ExpectRefused(CreateLathe(scene_, in), "Error", kTooManySegments);
  }
  in.segments = 7;
  for (float bad : {std::numeric_limits<float>::quiet_NaN(), 1e20f}) {
    in.angle = bad;
    ExpectRefused(CreateLathe(scene_, in), "Error", kBadSize);
    in.angle = 360.0f;
    in.y_translation = bad;
    ExpectRefused(CreateLathe(scene_, in), "Error", kBadSize);
    in.y_translation = 0.0f;
  }
  in.outline = "Dot";
  ExpectRefused(CreateLathe(scene_, in), "Attention",
                "The outline-path must have at least two points.");
}

TEST_F(LatheExtrusionTest, LatheBoundsTotalSize) {
  std::vector<Vec3> many(1000);
  for (size_t i = 0; i < many.size(); ++i) many[i] = {1.0f, static_cast<float>(i), 0.0f};
  MeshObject* path = AddPath("Long", many);
  Remember();
  LatheInput in;
  in.outline = "Long";
  in.segments = 1002;  // 1998 × 1002 triangles: just over two million
  ExpectRefused(CreateLathe(scene_, in), "Error",
                "The new object would get too many points or triangles.\nPlease choose fewer "
                "segments.");
  ConstructionObject c;
  c.outline = path;
  c.segments = 1002;
  EXPECT_FALSE(LatheCounts(c, nullptr, nullptr));
  EXPECT_EQ(c.Construct(), -1);
  c.segments = 1001;  // 1998 × 1001 triangles: within the bound
  unsigned points = 0;
  unsigned tris = 0;
  EXPECT_TRUE(LatheCounts(c, &points, &tris));
  EXPECT_EQ(points, 1002u * 1000u);
  EXPECT_EQ(tris, 1998u * 1001u);
}

TEST(LatheProperties, IndicesInRangeOverFlagsAndSizes) {
  for (uint32_t n : {2u, 3u, 5u}) {
    std::vector<Vec3> pts;
    for (uint32_t i = 0; i < n; ++i) pts.push_back({1.0f + (i % 3), i * 0.5f, 0.0f});
    auto profile = MakePath(pts);
    for (int s : {1, 2, 17}) {
      for (int flags = 0; flags < 4 * 5; ++flags) {
        ConstructionObject c;
        c.outline = profile.get();
        c.segments = s;
        c.close_profile = flags & 1;
        c.close_turn = (flags >> 1) & 1;
        c.caps = flags / 4;
        c.y_translation = -2.0f;
        c.step_angle = c.caps == 2 ? 0.0f : 33.0f;
        unsigned points = 0;
        unsigned tris = 0;
        ASSERT_TRUE(LatheCounts(c, &points, &tris));
        testing::internal::CaptureStdout();
        ASSERT_EQ(c.Construct(), 0);
        testing::internal::GetCapturedStdout();
        std::unique_ptr<MeshObject> m(c.result);
        EXPECT_EQ(std::pair(m->point_count, m->triangle_count), std::pair(points, tris));
        ExpectIndicesInRange(*m);
      }
    }
  }
}

// --- Z extrusion ---------------------------------------------------------------------------

TEST_F(LatheExtrusionTest, ZExtrusionOfASquarePath) {
  for (bool clockwise : {false, true}) {
    std::vector<Vec3> sq = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    if (clockwise) std::reverse(sq.begin(), sq.end());
    MeshObject* path = AddPath(clockwise ? "CW" : "CCW", sq);
    ZExtrusionInput in;
    in.name = clockwise ? "E1" : "E2";
    in.depth = 2.0f;
    in.close_outline = true;
    MeshObject& m = Built(CreateZExtrusion(scene_, in, path));
    EXPECT_FALSE(m.IsPath());
    EXPECT_EQ(m.point_count, 8u);
    EXPECT_EQ(m.triangle_count, 2u + 2u + 8u);
    for (uint32_t i = 0; i < 4; ++i) {
      ExpectNear(m.points[i], sq[i]);
      ExpectNear(m.points[4 + i], sq[i] + Vec3{0, 0, 2});
    }
    for (uint32_t i = 0; i < 2; ++i) {
      ExpectNear(m.triangles[i].normal, {0, 0, -1});     // front
      ExpectNear(m.triangles[2 + i].normal, {0, 0, 1});  // back
    }
    ExpectClosedOutward(m);
  }
}

TEST_F(LatheExtrusionTest, ZExtrusionSegmentsAndOpenOutline) {
  MeshObject* path = AddPath("P", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  ZExtrusionInput in;
  in.depth = 3.0f;
  in.segments = 3;
  MeshObject& m = Built(CreateZExtrusion(scene_, in, path));
  EXPECT_EQ(m.point_count, 16u);
  EXPECT_EQ(m.triangle_count, 2u + 2u + 2u * 3u * 3u);  // 3 edges without "close Outline"
  for (uint32_t k = 0; k <= 3; ++k) EXPECT_NEAR(m.points[4 * k + 2].z, k, 1e-6f);
  ExpectIndicesInRange(m);
}

TEST_F(LatheExtrusionTest, ZExtrusionRefusalsAndWarning) {
  MeshObject* path = AddPath("P", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}});
  MeshObject* dot = AddPath("Dot", {{0, 0, 0}});
  MeshObject* bow = AddPath("Bow", {{0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 1, 0}});
  MathSphere sphere;
  Remember();
  ZExtrusionInput in;
  for (SceneObject* wrong :
       {static_cast<SceneObject*>(nullptr), static_cast<SceneObject*>(&sphere)})
    ExpectRefused(CreateZExtrusion(scene_, in, wrong), "Attention",
                  "There is no 3D-Mesh_object choosen.");
  in.name = "P";
  ExpectRefused(CreateZExtrusion(scene_, in, path), "Error", kNameTaken);
  in.name = "E";
  for (int s : {0, INT_MIN}) {
    in.segments = s;
    ExpectRefused(CreateZExtrusion(scene_, in, path), "Error", kNoSegments);
  }
  in.segments = 1000000000;
  ExpectRefused(CreateZExtrusion(scene_, in, path), "Error", kTooManySegments);
  in.segments = 1;
  in.depth = std::numeric_limits<float>::quiet_NaN();
  ExpectRefused(CreateZExtrusion(scene_, in, path), "Error", kBadSize);
  in.depth = 1.0f;
  ExpectRefused(CreateZExtrusion(scene_, in, dot), "Attention",
                "The object has nothing to extrude.");

  testing::internal::CaptureStdout();
  const CommandResult r = CreateZExtrusion(scene_, in, bow);
  testing::internal::GetCapturedStdout();
  ASSERT_TRUE(r.ok());
  EXPECT_STREQ(r.title.c_str(), "Warning");
  EXPECT_STREQ(r.text.c_str(),
               "The lines of the outline-path should not cross in the XY-View. \nThe result of "
               "this operation may not look like as you expect.");
}

TEST_F(LatheExtrusionTest, ZExtrusionOfAMeshUsesItsBoundary) {
  // An L-shaped flat mesh of three unit squares (facing -Z, like a triangulated outline).
  const std::vector<Vec3> pts = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0},
                                 {1, 1, 0}, {2, 1, 0}, {0, 2, 0}, {1, 2, 0}};
  MeshObject* l =
      test::MakeMesh(pts, {{0, 4, 1}, {0, 3, 4}, {1, 5, 2}, {1, 4, 5}, {3, 7, 4}, {3, 6, 7}})
          .release();
  l->name = "L";
  scene_.objects->Append(l, 1);
  ZExtrusionInput in;
  in.segments = 2;
  MeshObject& m = Built(CreateZExtrusion(scene_, in, l));
  // 8 boundary edges through all 8 points: 8 front + 8 middle ring + 8 back points.
  EXPECT_EQ(m.point_count, 24u);
  EXPECT_EQ(m.triangle_count, 6u + 6u + 2u * 2u * 8u);
  for (uint32_t i = 0; i < 8; ++i) {
    ExpectNear(m.points[i], pts[i]);
    ExpectNear(m.points[16 + i], pts[i] + Vec3{0, 0, 1});
    EXPECT_NEAR(m.points[8 + i].z, 0.5f, 1e-6f);
  }
  ExpectClosedOutward(m);
}

// --- Extrusion along a path ----------------------------------------------------------------

TEST_F(LatheExtrusionTest, PathExtrusionAlongZKeepsTheOutline) {
  std::vector<Vec3> sq = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
  MeshObject* outline = AddPath("Outline", sq);
  AddPath("Spine", {{0, 0, 0}, {0, 0, 2}, {0, 0, 5}});
  PathExtrusionInput in;
  in.outline = "Outline";
  in.path = "Spine";
  in.close = true;
  in.close_end = true;
  MeshObject& m = Built(CreatePathExtrusion(scene_, in, outline));
  EXPECT_EQ(m.point_count, 12u);
  EXPECT_EQ(m.triangle_count, 2u * 2u + 2u * 4u * 2u);
  const float z[] = {0, 2, 5};
  for (uint32_t k = 0; k < 3; ++k) {
    for (uint32_t i = 0; i < 4; ++i) ExpectNear(m.points[4 * k + i], sq[i] + Vec3{0, 0, z[k]});
  }
  // The last cap repeats the first on the last ring's points, same winding.
  for (uint32_t i = 0; i < 2; ++i) {
    EXPECT_EQ(m.triangles[2 + i].a, m.triangles[i].a + 8);
    EXPECT_EQ(m.triangles[2 + i].b, m.triangles[i].b + 8);
  }
  ExpectIndicesInRange(m);
  in.name = "Open";
  in.close = false;
  in.close_end = false;
  MeshObject& open = Built(CreatePathExtrusion(scene_, in, outline));
  EXPECT_EQ(open.triangle_count, 2u * 3u * 2u);
  ExpectTriangle(open, 0, 0, 1, 4);
  ExpectTriangle(open, 1, 4, 1, 5);
}

TEST_F(LatheExtrusionTest, PathExtrusionRingsFollowTheSpine) {
  std::vector<Vec3> tri = {{1, 0, 0}, {0, 1, 0}, {-1, -1, 0}};
  MeshObject* outline = AddPath("Outline", tri);
  std::vector<Vec3> spine;
  for (int k = 0; k < 9; ++k) {  // a quarter circle in the XZ plane, then straight along +X
    const double a = k * 11.25 * kDegToRad;
    spine.push_back(
        {static_cast<float>(5 * std::sin(a)), 0.0f, static_cast<float>(5 * std::cos(a))});
  }
  spine.push_back({10, 0, 0});
  AddPath("Spine", spine);
  PathExtrusionInput in;
  in.outline = "Outline";
  in.path = "Spine";
  MeshObject& m = Built(CreatePathExtrusion(scene_, in, outline));
  ASSERT_EQ(m.point_count, 3u * 10u);
  for (uint32_t k = 0; k < 10; ++k) {
    Vec3 tangent = spine[k == 9 ? 9 : k + 1] - spine[k == 0 ? 0 : k - 1];
    tangent.Normalize();
    for (uint32_t i = 0; i < 3; ++i) {
      const Vec3 offset = m.points[3 * k + i] - spine[k];
      EXPECT_NEAR(offset.Length(), Vec3(tri[i]).Length(), 1e-5);     // carried, not scaled
      EXPECT_NEAR(Dot(offset, tangent), 0.0, 1e-5) << "ring " << k;  // across the spine
    }
  }
  // Along +X the outline's +Z turns onto +X: (1, 0, 0) goes to (0, 0, -1); Y stays up.
  ExpectNear(m.points[27] - spine[9], {0, 0, -1});
  ExpectNear(m.points[28] - spine[9], {0, 1, 0});
}

TEST_F(LatheExtrusionTest, PathExtrusionRefusalsAndWarning) {
  MeshObject* outline = AddPath("Outline", {{0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 1, 0}});
  AddPath("Spine", {{0, 0, 0}, {0, 0, 1}});
  AddPath("Dot", {{0, 0, 0}});
  auto* mesh = new MeshObject();
  mesh->name = "Mesh";
  scene_.objects->Append(mesh, 1);
  Remember();
  PathExtrusionInput in;
  in.outline = "Outline";
  in.path = "Spine";
  for (SceneObject* wrong : {static_cast<SceneObject*>(nullptr), static_cast<SceneObject*>(mesh)})
    ExpectRefused(CreatePathExtrusion(scene_, in, wrong), "Attention",
                  "You must first select a path for the outline.");
  in.name = "Spine";
  ExpectRefused(CreatePathExtrusion(scene_, in, outline), "Error", kNameTaken);
  in.name = "X";
  for (const char* bad : {"", "Mesh"}) {  // none, or not a path
    in.outline = bad;
    ExpectRefused(CreatePathExtrusion(scene_, in, outline), "Attention",
                  "You must select a path for the outline!");
  }
  in.outline = "Outline";
  in.path = "Missing";
  ExpectRefused(CreatePathExtrusion(scene_, in, outline), "Attention",
                "You must select a second path!");
  in.path = "Dot";
  ExpectRefused(CreatePathExtrusion(scene_, in, outline), "Attention",
                "The second path must have at least two points.");
  in.path = "Spine";
  in.outline = "Dot";
  ExpectRefused(CreatePathExtrusion(scene_, in, outline), "Attention",
                "The outline-path must have at least two points.");
  in.outline = "Outline";
  testing::internal::CaptureStdout();
  const CommandResult r = CreatePathExtrusion(scene_, in, outline);
  testing::internal::GetCapturedStdout();
  ASSERT_TRUE(r.ok());
  EXPECT_STREQ(r.title.c_str(), "Warning");
  EXPECT_EQ(static_cast<MeshObject*>(r.item)->point_count, 8u);
}

}  // namespace
}  // namespace orvane
