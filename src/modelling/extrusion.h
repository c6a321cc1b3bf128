#pragma once
// Extrusions: "Construct > Extrusion > Z-direction..." pushes the current path or mesh along +Z,
// "Construct > Extrusion > along Path..." sweeps an outline path along a second (spine) path.
// Both build a new mesh with the default material and append it to the object list.
//
// Z extrusion of a path (n points, depth D, S segments): points (S + 1) × n, ring k being the
// path with z raised by k × D / S. The front face on ring 0 is the path's triangles, or those
// of its triangulation (facing −Z) when it has none; the back face on ring S repeats them
// reversed (a, c, b). Then per segment and per outline edge (n edges with "close Outline",
// else n − 1; the closing edge joins n − 1 to 0) two side triangles. The sides are wound like
// the faces, so a closed outline with D > 0 gives a closed solid facing outward whichever
// way the outline runs (a negative depth turns the whole solid inside out).
//
// Z extrusion of a mesh (P points, T triangles): the boundary edges (polygons.h) and their
// distinct points B (in order of first appearance among the edges) are found. Layout:
//   points    front: the P mesh points; rings k = 1 ... S − 1: the B points raised by
//             k × D / S; back: the P mesh points raised by D. 2P + (S − 1) × |B| points.
//   triangles front: the mesh's triangles as they are; back: each reversed (a, c, b) on the
//             back points; then per segment k = 0 ... S − 1 and per boundary edge, taken in the
//             direction u → v in which its triangle runs, (k:u, k+1:v, k:v) and
//             (k:u, k+1:u, k+1:v). 2T + 2 × S × edges triangles.
// The sides thus continue the mesh's winding: the result is consistently oriented, and faces
// outward when the mesh faces −Z (as triangulated outlines do) and D > 0.
//
// Extrusion along a path (outline n points, spine m points): the outline is triangulated into
// a work mesh W (T = n − 2 triangles; none for n = 2); n × m points, ring k being W carried to
// spine point Q(k) and turned by LookAt towards Q(k) + (Q(k+1) − Q(k−1)) (forward difference at
// the start, backward at the end), so that the outline's +Z follows the spine. Triangles: with
// "close end" W's triangles on the first ring, then again on the last ring (indices
// + (m − 1) × n, same winding); then the bands (P(k,i), P(k,i'), P(k+1,i)) and
// (P(k+1,i), P(k,i'), P(k+1,i')) for k = 0 ... m − 2 and i = 0 ... n − 1 − open, i' = i + 1
// wrapping to 0; open = 0 with "close", else 1.
//
// Bounds: S at most kMaxSegments (10,000); at most kMaxBuiltPoints points and
// kMaxBuiltTriangles triangles (2,000,000 each); outlines that are triangulated at most
// kMaxOutlinePoints (20,000) points; depth finite within ±kMaxSize. Refused beyond.

#include "foundation/ov_string.h"
#include "modelling/command_result.h"
#include "scene/scene.h"

namespace orvane {

class SceneObject;

inline constexpr const char* kCrossingOutlineTitle = "Warning";
inline constexpr const char* kCrossingOutlineText =
    "The lines of the outline-path should not cross in the XY-View. \nThe result of this "
    "operation may not look like as you expect.";
inline constexpr const char* kNothingToExtrudeText = "The object has nothing to extrude.";

// What the "Extrusion in Z-direction" dialog collects.
struct ZExtrusionInput {
  String name = "Extrusion_Obj";
  float depth = 1.0f;          // D, "Depth in Z-direction"
  bool close_outline = false;  // "close Outline": a path's last point joins its first
  int segments = 1;            // S, the hidden field "Segmente"
  float bevel = 0.0f;          // the hidden field "Kantenabschrägung"; kept, not used
};

// Checks, in this order: `current` is a mesh or a path ("There is no 3D-Mesh_object
// choosen.", "Attention"); the name (kNameTakenText, "Error"); S at least 1 ("The number of
// segments must be greater than 0.", "Error"); then the bounds (kTooManySegmentsText,
// kBadSizeText, kOutlineTooLongText, kTooManyTrianglesText, all "Error") and something to
// extrude: a path of at least two points or a mesh with triangles (kNothingToExtrudeText,
// "Attention"). A path whose outline crosses itself is extruded all the same and the result
// carries the warning kCrossingOutlineText under kCrossingOutlineTitle.
CommandResult CreateZExtrusion(Scene& scene, const ZExtrusionInput& in, SceneObject* current);

// What the "Extrusion along path" dialog collects.
struct PathExtrusionInput {
  String name = "Extrusion_Obj";
  String outline;          // name of the outline path (the current path is proposed)
  String path;             // name of the spine path
  bool close = false;      // the outline is closed
  bool close_end = false;  // caps on the first and last ring
};

// Checks, in this order: `current` is a path ("You must first select a path for the
// outline.", "Attention"); the name (kNameTakenText, "Error"); a top-level path called
// `in.outline` ("You must select a path for the outline!", "Attention") and one called
// `in.path` ("You must select a second path!", "Attention"); an outline of at least two points
// ("The outline-path must have at least two points.") and a spine of at least two points
// ("The second path must have at least two points."), both "Attention"; then the bounds
// (kOutlineTooLongText, kTooManyTrianglesText, "Error"). A crossing outline is swept all the
// same and the result carries the warning kCrossingOutlineText under kCrossingOutlineTitle.
CommandResult CreatePathExtrusion(Scene& scene, const PathExtrusionInput& in, SceneObject* current);

}  // namespace orvane
