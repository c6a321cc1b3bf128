// Triangulation and the other polygon operations and commands, the construction object,
// lathes and extrusions.

#include "modelling/polygons.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "modelling/construction_object.h"
#include "modelling/extrusion.h"
#include "modelling/lathe.h"
#include "modelling/modelling_checks.h"
#include "scene/math_sphere.h"
#include "scene/naming.h"
#include "scene/scene.h"

namespace orvane {
namespace {

using namespace test;
using Outline = std::vector<Vec3>;

// Plane geometry of the checks, in double.
double Cross(const Vec3& a, const Vec3& b, const Vec3& c) {
  return (double(b.x) - a.x) * (double(c.y) - a.y) - (double(b.y) - a.y) * (double(c.x) - a.x);
}

// Triangulates `points`; the console output must be `warning` unless that is null.
std::unique_ptr<MeshObject> Fill(const Outline& points, const char* warning = "") {
  MeshObject* result = nullptr;
  std::ostringstream console;
  EXPECT_EQ(Triangulate(MakeMesh(points).get(), result, console), 0);
  EXPECT_TRUE(!warning || console.str() == warning) << console.str();
  return std::unique_ptr<MeshObject>(result);
}

// The triangles of `mesh` fill the simple polygon `poly` exactly: n - 2 triangles of positive
// area, all facing -Z (clockwise), whose edges cancel in pairs but for the outline's, each once
// and clockwise; so a point inside lies in exactly one triangle, a point outside in none.
void ExpectExactFill(const MeshObject& mesh, const Outline& poly) {
  const uint32_t n = static_cast<uint32_t>(poly.size());
  ExpectCounts(mesh, n, n - 2);
  std::map<std::pair<uint32_t, uint32_t>, int> net;  // +1 for each edge up from the lower index
  auto add = [&net](uint32_t u, uint32_t v, int s) {
    if (u > v) std::swap(u, v), s = -s;
    net[{u, v}] += s;
  };
  for (uint32_t i = 0; i < mesh.triangle_count; ++i) {
    const Triangle& t = mesh.triangles[i];
    ASSERT_LT(Cross(poly[t.a], poly[t.b], poly[t.c]), 0.0) << "triangle " << i;
    EXPECT_LT(t.normal.z, 0.0f);
    add(t.a, t.b, 1), add(t.b, t.c, 1), add(t.c, t.a, 1);
  }
  double area = 0.0;  // twice the signed area, from a fan of the outline
  for (uint32_t k = 1; k + 1 < n; ++k) area += Cross(poly[0], poly[k], poly[k + 1]);
  const int clockwise = area < 0 ? 1 : -1;
  for (uint32_t k = 0; k < n; ++k) add(k, (k + 1) % n, -clockwise);
  for (const auto& [e, s] : net) EXPECT_EQ(s, 0) << e.first << "-" << e.second;
}

Outline LongOutline() {
  Outline points(kMaxOutlinePoints + 1);
  for (uint32_t i = 0; i < points.size(); ++i) points[i] = Vec3{float(i % 9), float(i), 0};
  return points;
}

const Outline kSquare{{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}};
const Outline kBowTie{{0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 1, 0}};
constexpr const char* kBothMeshes = "Both polygons must be 3D-Mesh-Objects!";
constexpr const char* kNoSegments = "The number of segments must be greater than 0.";

TEST(Triangulate, FillsSimpleOutlinesExactlyAndEndsOnCrossingOrDegenerateOnes) {
  const Outline l_shape{{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}};
  // A dart whose equal diagonals lie one inside, one outside, from either end.
  for (const Outline& p : {kSquare, l_shape, Outline(l_shape.rbegin(), l_shape.rend()),
                           Outline{{0, 0, 0}, {1, 3, 0}, {2, 0, 0}, {1, 1, 0}},
                           Outline{{1, 3, 0}, {2, 0, 0}, {1, 1, 0}, {0, 0, 0}}})
    ExpectExactFill(*Fill(p), p);
  // Nothing for a missing, short or too long outline; a given result is filled.
  MeshObject* result = nullptr;
  EXPECT_EQ(Triangulate(nullptr, result), 0);
  EXPECT_EQ(Triangulate(MakeMesh({{0, 0, 0}, {1, 0, 0}}).get(), result), 0);
  EXPECT_EQ(result, nullptr);
  MeshObject given;
  result = &given;
  EXPECT_EQ(Triangulate(MakeMesh(LongOutline()).get(), result), -1);
  EXPECT_EQ(result, &given);
  EXPECT_EQ(given.point_count, 0u);
  given.SetPointCount(9);
  ASSERT_EQ(Triangulate(MakePath(kSquare).get(), result), 0);
  EXPECT_EQ(result, &given);
  ExpectCounts(given, 4u, 2u);
  // Crossing and degenerate input always ends, never with an index out of range.
  Outline two_ties{{0, 0, 0}, {2, 0, 0}, {4, 2, 0}, {4, 0, 0}, {2, 2, 0}, {0, 2, 0}}, line, same,
      vertical, scattered;
  for (int i = 0; i < 3000; ++i) {
    line.push_back(Vec3{float(i), float(2 * i), 0});
    same.push_back(Vec3{1, 2, 3});
    vertical.push_back(Vec3{0, float(i % 7), 0});
  }
  std::mt19937 rng(99);
  std::uniform_real_distribution<float> u(0.0f, 1.0f);
  for (int i = 0; i < 10000; ++i) scattered.push_back(Vec3{u(rng), u(rng), 0});
  for (const Outline& p : {kBowTie, two_ties, scattered})  // warned once each
    ExpectCounts(*Fill(p, kSelfIntersectionWarning), p.size(), p.size() - 2);
  for (const Outline& p : {line, same, vertical}) ExpectCounts(*Fill(p), p.size(), p.size() - 2);
  const Outline odd{{0, 0, 0}, {kNaN, 1, 0}, {1, 1, 0}, {kInf, -kInf, 0}, {0, kNaN, 0}, {2, 0, 0}};
  ExpectCounts(*Fill(odd, nullptr), 6, 4);
}

TEST(Triangulate, KeepsTheResultWhenMemoryRunsOut) {
  std::ostringstream errors;
  SetErrorOutput(&errors);
  auto outline = MakeMesh(kSquare);
  MeshObject* result = nullptr;
  FailNextAllocations(1);
  EXPECT_EQ(Triangulate(outline.get(), result), -1);
  EXPECT_EQ(result, nullptr);
  SetErrorOutput(nullptr);
  EXPECT_NE(errors.str().find("ERROR:"), std::string::npos);
}

// The direction angle runs counterclockwise from +X in [0, 2π).
TEST(PlaneHelpers, DirectionAngleAndBoundaryEdges) {
  EXPECT_DOUBLE_EQ(DirectionAngle(Vec3{2, 0, 5}), 0.0);
  EXPECT_NEAR(DirectionAngle(Vec3{0, 3, 0}), 1.5707963, 1e-6);
  EXPECT_NEAR(DirectionAngle(Vec3{0, -1, 0}), 4.712389, 1e-6);
  const double nearly_full = DirectionAngle(Vec3{1, -1e-5f, 0});  // clamped to 0 by acos
  EXPECT_GE(nearly_full, 0.0);
  EXPECT_LT(nearly_full, 6.2831853);
  std::vector<EdgePair> edges;
  ASSERT_TRUE(BoundaryEdges(*MakeMesh(kSquare, {{0, 1, 2}, {0, 2, 3}}), edges));
  // (0,1) (0,2) (2,1), then (0,2) clears slot 1, which (0,3) takes; (3,2) is appended.
  EXPECT_EQ(edges, (std::vector<EdgePair>{{0, 1}, {0, 3}, {2, 1}, {3, 2}}));
  auto tetra = MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
                        {{0, 1, 2}, {0, 3, 1}, {1, 3, 2}, {0, 2, 3}});
  ASSERT_TRUE(BoundaryEdges(*tetra, edges));
  EXPECT_TRUE(edges.empty());
  ASSERT_TRUE(BoundaryEdges(*MakePath({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}), edges));
  EXPECT_EQ(edges, (std::vector<EdgePair>{{0, 1}, {1, 2}, {2, 0}, {2, 0}}));
}

class PolygonCommands : public ModellingTest {
 protected:
  // A path, or a mesh whose first three points make one triangle.
  MeshObject* AddMesh(const char* name, const Outline& p, bool path = false) {
    return Add(MakeMesh(p, !path && p.size() >= 3 ? Tris{{0, 1, 2}} : Tris{}, path).release(),
               name);
  }
  MeshObject* AddPath(const char* name, const Outline& p) { return AddMesh(name, p, true); }
};

// From two polygons: the reference, then the current one; from a path: its outline filled.
TEST_F(PolygonCommands, FromTwoPolygonsAndFromAPathRefuseInTheStatedOrderAndBuild) {
  const Outline tri{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  MeshObject *a = AddMesh("A", tri), *b = AddMesh("B", tri), *path = AddPath("P", kSquare),
             *long_path = AddPath("Long", LongOutline());
  MathSphere sphere(1.0f);
  Remember();
  ExpectRefused(PolygonFromTwoPolygons(scene_, a, a), "Attention",
                "The second polygon may not be the first polygon!");
  for (SceneObject* other : Objects{path, &sphere, nullptr}) {
    EXPECT_EQ(PolygonFromTwoPolygons(scene_, a, other).text, kBothMeshes);
    EXPECT_EQ(PolygonFromTwoPolygons(scene_, other, a).text, kBothMeshes);
  }
  FailNextAllocations(1);
  ExpectRefused(PolygonFromTwoPolygons(scene_, a, b), "Attention", "The polygons can't united.");
  MeshObject* current = AddMesh("Cur", {{5, 0, 0}, {6, 0, 0}, {5, 1, 0}});
  MeshObject* reference = AddMesh("Ref", kSquare);
  MeshObject* united = &Built(PolygonFromTwoPolygons(scene_, current, reference));
  EXPECT_EQ(united->name, "Ref+Cur1");
  EXPECT_EQ(united->point_count, 7u);
  EXPECT_EQ(united->points[0], reference->points[0]);
  EXPECT_EQ(united->triangles[1].a, 4u);
  EXPECT_EQ(scene_.objects->Last(), united);
  EXPECT_EQ(current->point_count, 3u);
  Remember();
  std::ostringstream console;
  for (SceneObject* wrong : Objects{a, nullptr})
    ExpectRefused(PolygonFromPath(scene_, wrong, "Polygon", console), "Attention",
                  "You must first select the path.");
  EXPECT_EQ(PolygonFromPath(scene_, path, "A", console).text, kNameTakenText);
  ExpectRefused(PolygonFromPath(scene_, long_path, "Polygon", console), "Error",
                kOutlineTooLongText);
  EXPECT_EQ(ProposedPolygonName(scene_), "Polygon1");
  MeshObject* polygon = &Built(PolygonFromPath(scene_, path, "Polygon1", console));
  EXPECT_FALSE(polygon->IsPath());
  EXPECT_EQ(polygon->triangle_count, 2u);
  EXPECT_EQ(scene_.objects->Last(), polygon);
  EXPECT_EQ(console.str(), "");
  EXPECT_EQ(ProposedPolygonName(scene_), "Polygon2");
  Built(PolygonFromPath(scene_, AddPath("Bow", kBowTie), "Tie", console));
  EXPECT_EQ(console.str(), kSelfIntersectionWarning);
  MeshObject* two = AddPath("Two", {{0, 0, 0}, {1, 0, 0}});
  EXPECT_EQ(Built(PolygonFromPath(scene_, two, "Empty", console)).triangle_count, 0u);
}

// Clockwise in XY (x right, y up) on the +X side: the lathe's solid then faces outward.
const Outline kClockwiseSquare{{2, 1, 0}, {3, 1, 0}, {3, 0, 0}, {2, 0, 0}};
const Outline kLine{{1, 0, 0}, {1, 1, 0}};

TEST(ConstructionObjectTest, DispatchCloneLatheAndTheLatheDialog) {
  auto outline = MakePath(kSquare);
  ConstructionObject c;
  c.outline = outline.get();
  MeshObject untouched;
  c.result = &untouched, c.construction = 3;
  EXPECT_EQ(c.Construct(), -1);
  EXPECT_EQ(untouched.point_count, 0u);
  c.result = nullptr, c.construction = kConstructTriangulate;
  EXPECT_EQ(c.Construct(), 0);
  ASSERT_NE(c.result, nullptr);
  std::unique_ptr<MeshObject> filled(c.result);
  ExpectExactFill(*filled, kSquare);
  EXPECT_EQ(outline->point_count, 4u);  // the outline stays as it was
  c.segments = 5, c.step_angle = 12.5f, c.y_translation = 2.0f, c.caps = kCapsEvery;
  c.close_profile = c.close_turn = 1;
  std::unique_ptr<SceneObject> copy(c.Clone());
  auto& cc = static_cast<ConstructionObject&>(*copy);
  EXPECT_EQ(cc.GetType(), kItemConstruction);
  EXPECT_STREQ(cc.TypeName(), "Konstruktionsobjekt");
  EXPECT_EQ(std::tuple(cc.segments, cc.step_angle, cc.y_translation, cc.caps, cc.close_profile,
                       cc.close_turn, cc.construction, cc.outline, cc.result),
            std::tuple(5, 12.5f, 2.0f, int{kCapsEvery}, 1, 1, kConstructTriangulate, outline.get(),
                       filled.get()));
  // A lathe needs two points and a segment, and fills a given result.
  auto one = MakePath({{1, 0, 0}}), two = MakePath(kLine);
  ConstructionObject lathe;
  lathe.outline = one.get(), lathe.segments = 4;
  EXPECT_EQ(lathe.Construct(), -1);
  lathe.outline = two.get();
  for (int s : {0, -3, 1000000000}) {
    lathe.segments = s;
    EXPECT_EQ(lathe.Construct(), -1);
  }
  EXPECT_EQ(lathe.result, nullptr);
  MeshObject result;
  lathe.result = &result, lathe.segments = 2;
  ASSERT_EQ(lathe.Construct(), 0);
  EXPECT_EQ(lathe.result, &result);
  ExpectCounts(result, 6u, 4u);
  // The dialog fills the object; the caps count.
  LatheInput in{{}, {}, true, 4, 360.0f, true, true};  // closed, closed turn, end faces
  ApplyLatheDialog(in, lathe);
  EXPECT_EQ(std::tuple(lathe.segments, lathe.close_profile, lathe.close_turn), std::tuple(4, 1, 1));
  EXPECT_FLOAT_EQ(lathe.step_angle, 72.0f);  // A / (S + 1)
  EXPECT_EQ(lathe.caps, kCapsNone);          // "close end" only counts for an open turn
  in.close_last_segment = false;
  ApplyLatheDialog(in, lathe);
  EXPECT_EQ(lathe.close_turn, 0);
  EXPECT_FLOAT_EQ(lathe.step_angle, 90.0f);  // A / S
  EXPECT_EQ(lathe.caps, kCapsBoth);
  // The cap modes, on the object the dialog filled.
  auto profile = MakePath(kClockwiseSquare);
  lathe.outline = profile.get(), lathe.segments = 3, lathe.close_profile = 1;
  unsigned points = 0, tris = 0;
  const unsigned bands = 8 * 3;
  const std::pair<int, unsigned> expected[] = {{kCapsNone, 0}, {kCapsFirst, 2}, {kCapsLast, 2},
                                               {kCapsBoth, 4}, {kCapsEvery, 8}, {7, 0},
                                               {-1, 0}};
  for (auto [caps, cap_tris] : expected) {
    lathe.caps = caps;
    ASSERT_TRUE(LatheCounts(lathe, &points, &tris));
    EXPECT_EQ(points, 16u);
    EXPECT_EQ(tris, bands + cap_tris) << "caps " << caps;
  }
  lathe.close_turn = 1, lathe.caps = kCapsBoth;  // both ends then become the first ring only
  ASSERT_TRUE(LatheCounts(lathe, &points, &tris));
  EXPECT_EQ(tris, 8u * 4u + 2u);
  lathe.outline = two.get();  // fewer than three points: no caps
  ASSERT_TRUE(LatheCounts(lathe, &points, &tris));
  EXPECT_EQ(tris, 4u * 4u);  // E = 2n with the closed profile, four gaps
  lathe.outline = profile.get(), lathe.close_turn = 0, lathe.caps = kCapsEvery;
  ASSERT_EQ(lathe.Construct(), 0);
  EXPECT_EQ(result.triangle_count, bands + 8u);
  for (uint32_t i = bands; i < result.triangle_count; ++i) {  // each ring's cap on its points
    const Triangle& t = result.triangles[i];
    EXPECT_EQ(t.a / 4, t.b / 4);
    EXPECT_EQ(t.a / 4, t.c / 4);
  }
}

TEST_F(PolygonCommands, LatheTubesAndSolidsWithClosedAndOpenTurnsAndTheRefusals) {
  ExpectRefused(CreateLathe(scene_, {.outline = "Profile"}), "Error", "There is no path selected!");
  AddPath("Profile", kLine);
  LatheInput in{.outline = "Profile", .segments = 3, .close_last_segment = true};
  MeshObject& m = Built(CreateLathe(scene_, in));  // named "Rotations_Obj", refused again below
  ExpectCounts(m, 8u, 8u);
  ExpectNear(m.points[2], {0, 0, -1});  // ring 1 turned by 90 degrees
  ExpectNear(m.points[7], {0, 1, 1});
  ExpectTriangle(m, 7, 1, 0, 7);  // the closing gap joins ring 3 to ring 0
  in = {.name = "Open", .outline = "Profile", .segments = 3};
  MeshObject& open = Built(CreateLathe(scene_, in));
  ExpectCounts(open, 8u, 6u);
  ExpectNear(open.points[2], {-0.5f, 0, -0.8660254f});  // 120 degrees
  ExpectNear(open.points[6], {1, 0, 0});                // ring 3 at 360 degrees
  ExpectTriangle(open, 1, 3, 2, 1);
  // A closed lathe of a clockwise profile faces outward, and a partial turn gets caps.
  AddPath("CW", kClockwiseSquare);
  in = {"Solid", "CW", true, 12, 360.0f, true};
  ExpectClosedOutward(Built(CreateLathe(scene_, in)));
  in = {"Half", "CW", true, 4, 180.0f, false, true};  // half a turn with end faces
  MeshObject& half = Built(CreateLathe(scene_, in));
  ExpectCounts(half, 20u, 8u * 4u + 2u * 2u);  // bands E × S, caps 2 (n - 2)
  ExpectClosedOutward(half);
  AddPath("Dot", {{1, 0, 0}});
  Remember();
  using S = const char*;
  const std::tuple<S, S, int, float, float, S, S> cases[] = {
      {"Rotations_Obj", "Profile", 7, 360, 0, "Error", kNameTakenText},
      {"L", "Nothing", 7, 360, 0, "Attention", "There is no outline-path selected."},
      {"L", "Profile", 0, 360, 0, "Error", kNoSegments},
      {"L", "Profile", 10001, 360, 0, "Error", kTooManySegmentsText},
      {"L", "Profile", 7, kNaN, 0, "Error", kBadSizeText},
      {"L", "Profile", 7, 360, 1e20f, "Error", kBadSizeText},
      {"L", "Dot", 7, 360, 0, "Attention", "The outline-path must have at least two points."},
  };
  for (const auto& [name, outline, segments, angle, lift, title, text] : cases) {
    SCOPED_TRACE(text);
    ExpectRefused(CreateLathe(scene_, {name, outline, false, segments, angle, false, false, lift}),
                  title, text);
  }
  Outline many(1000);
  for (size_t i = 0; i < many.size(); ++i) many[i] = {1.0f, static_cast<float>(i), 0.0f};
  MeshObject* path = AddPath("Long", many);
  Remember();
  // 1998 × 1002 triangles: just over two million
  ExpectRefused(CreateLathe(scene_, {.name = "Big", .outline = "Long", .segments = 1002}), "Error",
                kTooManyTrianglesText);
  ConstructionObject c;
  c.outline = path, c.segments = 1002;
  EXPECT_FALSE(LatheCounts(c, nullptr, nullptr));
  EXPECT_EQ(c.Construct(), -1);
  c.segments = 1001;  // 1998 × 1001 triangles: within the bound
  unsigned points = 0, tris = 0;
  EXPECT_TRUE(LatheCounts(c, &points, &tris));
  EXPECT_EQ(points, 1002u * 1000u);
  EXPECT_EQ(tris, 1998u * 1001u);
}

TEST_F(PolygonCommands, ZExtrusionOfASquarePathAndOfAMeshRefusalsAndWarning) {
  for (bool clockwise : {false, true}) {
    const Outline sq = clockwise ? Outline(kSquare.rbegin(), kSquare.rend()) : kSquare;
    MeshObject& m = Built(CreateZExtrusion(
        scene_, {.name = clockwise ? "E1" : "E2", .depth = 2, .close_outline = true},
        AddPath(clockwise ? "CW" : "CCW", sq)));
    EXPECT_EQ(m.triangle_count, 2u + 2u + 8u);
    ExpectNear(m.points[6], sq[2] + Vec3{0, 0, 2});
    ExpectClosedOutward(m);
  }
  MeshObject* path = AddPath("P", kSquare);
  MeshObject& m = Built(CreateZExtrusion(scene_, {.depth = 3, .segments = 3}, path));
  ExpectCounts(m, 16u, 2u + 2u + 2u * 3u * 3u);  // 3 edges without "close Outline"
  for (uint32_t k = 0; k <= 3; ++k) EXPECT_NEAR(m.points[4 * k + 2].z, k, 1e-6f);
  // A mesh gives its boundary: an L-shaped flat mesh of three unit squares (facing -Z, like a
  // triangulated outline).
  const Outline pts = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0},
                       {1, 1, 0}, {2, 1, 0}, {0, 2, 0}, {1, 2, 0}};
  MeshObject* l = Add(
      MakeMesh(pts, {{0, 4, 1}, {0, 3, 4}, {1, 5, 2}, {1, 4, 5}, {3, 7, 4}, {3, 6, 7}}).release(),
      "L");
  MeshObject& solid = Built(CreateZExtrusion(scene_, {.name = "LX", .segments = 2}, l));
  // 8 boundary edges through all 8 points: 8 front + 8 middle ring + 8 back points.
  ExpectCounts(solid, 24u, 6u + 6u + 2u * 2u * 8u);
  for (uint32_t i = 0; i < 8; ++i) {
    ExpectNear(solid.points[i], pts[i]);
    ExpectNear(solid.points[16 + i], pts[i] + Vec3{0, 0, 1});
    EXPECT_NEAR(solid.points[8 + i].z, 0.5f, 1e-6f);
  }
  ExpectClosedOutward(solid);
  MeshObject *dot = AddPath("Dot", {{0, 0, 0}}), *bow = AddPath("Bow", kBowTie);
  MathSphere sphere;
  Remember();
  for (SceneObject* wrong : Objects{nullptr, &sphere})
    ExpectRefused(CreateZExtrusion(scene_, {}, wrong), "Attention",
                  "There is no 3D-Mesh_object choosen.");
  const std::tuple<const char*, int, float, MeshObject*, const char*, const char*> cases[] = {
      {"P", 1, 1, path, "Error", kNameTakenText},
      {"E", 0, 1, path, "Error", kNoSegments},
      {"E", 1000000000, 1, path, "Error", kTooManySegmentsText},
      {"E", 1, kNaN, path, "Error", kBadSizeText},
      {"E", 1, 1, dot, "Attention", kNothingToExtrudeText},
  };
  for (const auto& [name, segments, depth, item, title, text] : cases) {
    SCOPED_TRACE(text);
    const ZExtrusionInput in{.name = name, .depth = depth, .segments = segments};
    ExpectRefused(CreateZExtrusion(scene_, in, item), title, text);
  }
  testing::internal::CaptureStdout();
  const CommandResult r = CreateZExtrusion(scene_, {.name = "E"}, bow);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), kSelfIntersectionWarning);
  ASSERT_TRUE(r.ok());
  EXPECT_STREQ(r.title.c_str(), "Warning");
  EXPECT_STREQ(r.text.c_str(), kCrossingOutlineText);
}

TEST_F(PolygonCommands, PathExtrusionAlongZKeepsTheOutlineRefusalsAndWarning) {
  const Outline sq = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
  MeshObject* outline = AddPath("Outline", sq);
  AddPath("Spine", {{0, 0, 0}, {0, 0, 2}, {0, 0, 5}});
  PathExtrusionInput in{.outline = "Outline", .path = "Spine", .close = true, .close_end = true};
  MeshObject& m = Built(CreatePathExtrusion(scene_, in, outline));
  ExpectCounts(m, 12u, 2u * 2u + 2u * 4u * 2u);
  const float z[] = {0, 2, 5};
  for (uint32_t k = 0; k < 3; ++k)
    for (uint32_t i = 0; i < 4; ++i) ExpectNear(m.points[4 * k + i], sq[i] + Vec3{0, 0, z[k]});
  // The last cap repeats the first on the last ring's points, same winding.
  for (uint32_t i = 0; i < 2; ++i) {
    EXPECT_EQ(m.triangles[2 + i].a, m.triangles[i].a + 8);
    EXPECT_EQ(m.triangles[2 + i].b, m.triangles[i].b + 8);
  }
  in = {"Open", "Outline", "Spine"};
  MeshObject& open = Built(CreatePathExtrusion(scene_, in, outline));
  EXPECT_EQ(open.triangle_count, 2u * 3u * 2u);
  ExpectTriangle(open, 0, 0, 1, 4);
  ExpectTriangle(open, 1, 4, 1, 5);
  MeshObject* bow = AddPath("Bow", kBowTie);
  AddPath("Dot", {{0, 0, 0}});
  MeshObject* mesh = AddMesh("Mesh", {});
  Remember();
  in = {"Bowed", "Bow", "Spine"};
  for (SceneObject* wrong : Objects{nullptr, mesh})
    ExpectRefused(CreatePathExtrusion(scene_, in, wrong), "Attention",
                  "You must first select a path for the outline.");
  const char* no_outline = "You must select a path for the outline!";
  const std::array<const char*, 5> cases[] = {
      {"Spine", "Outline", "Spine", "Error", kNameTakenText},
      {"X", "", "Spine", "Attention", no_outline},
      {"X", "Mesh", "Spine", "Attention", no_outline},
      {"X", "Outline", "Missing", "Attention", "You must select a second path!"},
      {"X", "Outline", "Dot", "Attention", "The second path must have at least two points."},
      {"X", "Dot", "Spine", "Attention", "The outline-path must have at least two points."},
  };
  for (const auto& [name, outline_name, path, title, text] : cases) {
    SCOPED_TRACE(text);
    ExpectRefused(CreatePathExtrusion(scene_, {name, outline_name, path}, outline), title, text);
  }
  testing::internal::CaptureStdout();
  const CommandResult r = CreatePathExtrusion(scene_, in, bow);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), kSelfIntersectionWarning);
  ASSERT_TRUE(r.ok());
  EXPECT_STREQ(r.title.c_str(), "Warning");
  EXPECT_EQ(static_cast<MeshObject*>(r.item)->point_count, 4u * 3u);
}

}  // namespace
}  // namespace orvane
