#pragma once
// The lathe: turns an outline (a path's points, in order) about the Y axis into a mesh of
// rings, and the "Construct > Lathe..." command that builds one into the scene.
//
// Geometry (ConstructionObject fields, S = segments, n = outline points):
// - S + 1 rings; ring k (k = 0 ... S) is the outline turned about Y by k × step_angle degrees
//   (a step_angle of 0 means 360 / (S + 1)) and lifted along Y by k × y_translation / (S − 1).
//   With S = 1 that quotient has no value; the lathe then lifts ring 1 by the whole
//   y_translation (the divisor S − 1 is taken as 1), the same per-ring lift a two-segment
//   lathe would give.
// - Point k × n + i is outline point i on ring k. Between rings k − 1 and k, positions i − 1
//   and i give the triangles (P(k,i−1), P(k−1,i−1), P(k−1,i)) and (P(k,i), P(k,i−1), P(k−1,i)),
//   gap by gap and position by position; close_profile joins position n − 1 to 0 the same way,
//   close_turn joins ring S to ring 0 after the last gap. Caps follow the band triangles.
// - Orientation (positive step angle): the band triangles face away from the axis where the
//   outline runs downwards (−Y), so an outline that runs clockwise in the XY plane (x to the
//   right, y upwards) on the +X side of the axis gives a solid whose normals all face outward;
//   a counter-clockwise one gives the same solid facing inward. The bands are not reoriented;
//   callers that need a given side flip the triangles themselves (the torus does).
// - Caps: the first ring's outline split into n − 2 triangles (polygons.h), wound so that the
//   cap on ring 0 closes the bands with their orientation; the cap on ring S is the same
//   triangles wound the other way round (indices + n × S), since it closes the other end. So
//   a capped partial turn of a closed outline is a consistently oriented closed solid. Mode 4
//   puts the first ring's cap on rings 0 ... S − 1 and the last ring's on ring S.
//
// Bounds: S from 1 to kMaxSegments, at least two outline points, at most kMaxBuiltPoints
// points and kMaxBuiltTriangles triangles (command_result.h); anything else builds nothing.

#include "foundation/ov_string.h"
#include "modelling/command_result.h"
#include "modelling/construction_object.h"
#include "scene/mesh_object.h"
#include "scene/scene.h"

namespace orvane {

// What the "Lathe" dialog collects.
struct LatheInput {
  String name = "Rotations_Obj";
  String outline;                   // name of the outline path (empty: none chosen)
  bool close = false;               // the outline is closed
  int segments = 7;                 // S
  float angle = 360.0f;             // A, degrees
  bool close_last_segment = false;  // the last ring joins the first
  bool close_end = false;           // end faces (only without close_last_segment)
  float y_translation = 0.0f;
};

// The dialog's rules: segments := S; close_profile := close; caps := 0; with "close last
// segment" close_turn := 1 and step_angle := A / (S + 1); without it close_turn := 0,
// step_angle := A / S and caps := 3 when "close end" is on; y_translation := the entered value.
// S is not checked here (an S of 0 gives a step angle that is not finite; the lathe refuses
// S < 1 anyway).
void ApplyLatheDialog(const LatheInput& in, ConstructionObject& c);

// Point and triangle counts the lathe would build for `c`; false when it would build nothing
// (S < 1, no outline or fewer than two points, or beyond the bounds).
bool LatheCounts(const ConstructionObject& c, unsigned* points, unsigned* triangles);

// Construction 1. Fills c.result (a new MeshObject, owned by the caller, when it is null) with
// the rings, bands and caps, and computes its triangle data. 0 on success; -1 when the
// preconditions fail or memory cannot be had (c.result is then unchanged, and a mesh the
// lathe created is destroyed). A cap outline that crosses itself prints
// "warning: some points intersect other points.\n" on the standard output and is capped
// anyway.
int Lathe(ConstructionObject& c);

// The path of the object list (top level) called `name`, as the outline lists of the lathe
// and extrusion dialogs offer them; null when there is none or `name` is empty.
MeshObject* FindOutlinePath(const Scene& scene, const String& name);

// "Construct > Lathe...". Checks, in this order:
// 1. the object list holds a path: "There is no path selected!" ("Error");
// 2. the name: kNameTakenText ("Error");
// 3. a top-level path called `in.outline`: "There is no outline-path selected." ("Attention");
// 4. segments at least 1: "The number of segments must be greater than 0." ("Error") and at
//    most kMaxSegments: kTooManySegmentsText ("Error");
// 5. finite angle and lift: kBadSizeText ("Error");
// 6. an outline of at least two points: "The outline-path must have at least two points."
//    ("Attention");
// 7. the size bounds: kTooManyTrianglesText ("Error").
// Then the lathe is built, gets the default material and is appended to the object list.
CommandResult CreateLathe(Scene& scene, const LatheInput& in);

}  // namespace orvane
