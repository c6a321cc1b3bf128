#pragma once
// Primitive generators: the meshes of the "Objects > Polygon" and "Objects > 3D-Mesh-Objects"
// commands, each from the few numbers its dialog collects.
//
// Every mesh is built around the origin with the placement left at the identity; its points
// are world coordinates. Flat primitives lie in the XY plane (z = 0); solids stand on the Y
// axis. Angles are degrees. A built mesh gets the scene's default material (command_result.h),
// its name and its mapping-sphere radius, is appended to the object list (owned there) with
// preview_dirty 1, and is returned; a refusal returns the message box and changes nothing.
//
// Layouts (N segments; R the radius, or with the width option R = (w × 0.5) / (2 sin(π/(2N)))
// with π = 3.1415927):
//   Triangle    3 points (−w/2, −h'/2, 0), (w/2, −h'/2, 0), (0, h'/2, 0), triangle (0, 1, 2);
//               h' = sqrt(w² − w²/4) when equilateral. Normal +Z.
//   Quadrangle  4 points (w/2, −h'/2), (w/2, h'/2), (−w/2, h'/2), (−w/2, −h'/2); triangles
//               (0, 1, 2), (0, 2, 3); h' = w when equal. Normal +Z.
//   N-Angle     N points (R, 0, 0) turned about Z by k × 360 / N, triangulated (facing −Z).
//   Cone        the n-angle turned into the XZ plane (points 0 ... N − 1) and the apex (0, h, 0)
//               as point N; the base triangles, then (N, k, k + 1) for k = 0 ... N − 1.
//               Pyramid: the cone with N = 4.
//   Cube        8 corners (±a, ±b, ±c), 12 triangles in the fixed order of BuildCube.
//   Mesh sphere (V − 1) rings of H points between the poles (points 0 north, 1 south).
//   Cylinder    top ring 0 ... N − 1 at y = h/2, bottom ring N ... 2N − 1 at y = −h/2; top
//               disc, bottom disc, then two side triangles per segment.
//   Torus       a lathe (lathe.h) of a circle of radius t about (R, 0, 0).
// Solids are turned outward: the cube, sphere and cylinder away from the origin, the cone from
// (0, h/2, 0), the torus (closed tube) from the tube's centre line.
//
// Mapping radius: triangle and quadrangle sqrt((w/2)² + (h/2)²) with the entered h; n-angle R;
// cone max(R, h); cube sqrt(a² + b² + c²); sphere r; cylinder sqrt((h/2)² + R²); torus R + t.
//
// Bounds: at most kMaxSegments (10,000) segments in any direction, at most kMaxBuiltPoints
// points and kMaxBuiltTriangles triangles (2,000,000 each) in one mesh; sizes finite and within
// ±kMaxSize (1e15). Zero and negative sizes are accepted and give degenerate or mirrored
// meshes. Refusals of these bounds come after the checks each command lists, all under
// "Error": kTooManySegmentsText, kTooManyTrianglesText, kBadSizeText.
//
// Check order: the name first (kNameTakenText under "Error"; the mesh sphere uses its German
// text under "Fehler"), then the counts; the torus checks its counts before the name.

#include "foundation/ov_string.h"
#include "modelling/command_result.h"
#include "scene/scene.h"

namespace orvane {

class MeshObject;

inline constexpr const char* kSphereNameTakenTitle = "Fehler";
inline constexpr const char* kSphereNameTakenText =
    "Es existiert bereits ein Objekt mit dem gleichen Namen.\nBitte ändern sie den Namen !";
inline constexpr const char* kSegmentsAbove2Text = "The number of segments must be greater than 2.";
inline constexpr const char* kSegmentsAbove1Text = "The number of segments must be greater than 1.";

struct TriangleInput {
  String name = "Triangle";
  float width = 1.0f;
  float height = 1.0f;
  bool equilateral = false;
};

struct QuadrangleInput {
  String name = "Quadrangle";
  float width = 1.0f;
  float height = 1.0f;
  bool equal = false;
};

// N-Angle: N below 3 is refused with kSegmentsAbove2Text ("Error"); such an outline has
// nothing to fill.
struct NAngleInput {
  String name = "N-Angle";
  int segments = 8;
  float radius = 1.0f;
  bool radius_as_width = false;
};

struct PyramidInput {
  String name = "Pyramide";
  float height = 1.0f;
  float radius = 1.0f;
  bool radius_as_width = false;
};

// Cone: N below 3 is refused with kSegmentsAbove2Text ("Error"), as for the n-angle.
struct ConeInput {
  String name = "Cone";
  float height = 1.0f;
  int segments = 16;
  float radius = 1.0f;
  bool radius_as_width = false;
};

struct CubeInput {
  String name = "Cube";
  float width = 1.0f;
  float depth = 1.0f;
  float height = 1.0f;
  bool equal = false;  // depth and height take the width
};

// Mesh sphere: H ("vertical Segments", points per ring) at least 3, V ("horizontal Segments",
// V − 1 rings) at least 2; with `equal` V takes the value of H.
struct SphereInput {
  String name = "Sphere";
  float radius = 1.0f;
  int vertical_segments = 10;    // H
  int horizontal_segments = 10;  // V
  bool equal = false;
};

// Cylinder: N at least 3 (kSegmentsAbove2Text under "Attention").
struct CylinderInput {
  String name = "Cylinder";
  float height = 2.0f;
  float radius = 1.0f;
  int segments = 10;
  bool radius_as_width = false;
};

// Torus: ring segments S at least 3, tube segments T at least 1 (both under "Attention"),
// checked before the name. The tube profile has T' + 1 points with T' = T − 1 for T > 1, else
// T; it is closed when T' ≥ 2. The lathe makes S + 1 rings round the full circle.
struct TorusInput {
  String name = "Torus";
  float ring_radius = 3.0f;
  int ring_segments = 16;
  float tube_radius = 1.0f;
  int tube_segments = 8;
};

// The radius for the "Radius as Width of Seg." option: the entered width w and N segments.
double RadiusFromSegmentWidth(double width, int segments);

CommandResult CreateTriangle(Scene& scene, const TriangleInput& in);
CommandResult CreateQuadrangle(Scene& scene, const QuadrangleInput& in);
CommandResult CreateNAngle(Scene& scene, const NAngleInput& in);
CommandResult CreatePyramid(Scene& scene, const PyramidInput& in);
CommandResult CreateCone(Scene& scene, const ConeInput& in);
CommandResult CreateCube(Scene& scene, const CubeInput& in);
CommandResult CreateMeshSphere(Scene& scene, const SphereInput& in);
CommandResult CreateCylinder(Scene& scene, const CylinderInput& in);
CommandResult CreateTorus(Scene& scene, const TorusInput& in);

}  // namespace orvane
