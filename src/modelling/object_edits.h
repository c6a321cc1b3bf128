#pragma once
// The Edit-Control commands that change an existing object: turning it towards the reference
// object ("look at"), matching its size to the reference mesh ("equalize"), moving its axis
// origin to the middle of its points ("center"), choosing and fitting its texture mapping
// object, and the two point tools, "drag" (extrude the selected faces) and "subdivide".
//
// Each command takes the editor's state it needs as arguments: the current object, the
// reference object, the edit mode and the point selection. It returns the changed object in
// `item`; a refusal returns the message box title and text and changes nothing; when the
// command does not apply (the cases in which the editor does nothing) the result is empty,
// neither an item nor a message. Changed objects are marked preview_dirty; mesh edits also
// refresh the triangle data.
//
// Point selections are given as indices into the current mesh's point array (the editor turns
// its references into indices and back). A selection that names a point outside the array is
// stale: the tools then do nothing.

#include <cstdint>
#include <span>
#include <vector>

#include "modelling/command_result.h"

namespace orvane {

class MeshObject;
class PreviewSink;
class SceneObject;

// The Edit-Control window's modes.
enum class EditMode : int {
  kObject = 1,
  kAxis = 2,
  kPoints = 3,
  kTexture = 4,
};

// The mapping objects a mesh can be given ("Sphere", "Plane"); kNone and kOther only describe
// what a mesh has.
enum class MappingKind : int {
  kNone = 0,
  kSphere = 1,
  kPlane = 2,
  kOther = 3,
};

inline constexpr const char* kNoUsableObjectTitle = "Attention";
inline constexpr const char* kNoUsableObjectText =
    "There is no object selected which is usable with this function.";
inline constexpr const char* kSelectReferenceTitle = "Hinweis";
inline constexpr const char* kSelectReferenceText =
    "You should select the reference object and another current object.";
inline constexpr const char* kBothMeshesTitle = "Attention";
inline constexpr const char* kBothMeshesText =
    "The current object and the reference object must be 3D-Mesh-Objects!";
inline constexpr const char* kMeshTooLargeTitle = "Error";
inline constexpr const char* kMeshTooLargeText =
    "The 3D-Mesh-Object would get too many points or triangles.";

// "look at": turns `current` towards the reference object's position. Without a current or a
// reference object: kNoUsableObjectText. The object is first turned back by its accumulated
// angles (−axis_deg.z about its axis_Z, then −x about axis_X, then −y about axis_Y, each only
// when not 0, through RotateAxesAboutAxis so that mesh points and group members turn too; a
// camera is not turned back), then TurnTowards(reference position) turns it, and axis_deg
// becomes the answered (pitch, yaw, 0).
//   kTexture, current a mesh with a mapping object: the mapping object is turned instead.
//   kAxis: only the frame turns, back and forth; points and members stay where they are.
// A reference at the object's own position (closer than kEps) leaves the object turned back
// with axis_deg (0, 0, 0). Returns the object that turned.
CommandResult LookAtReference(SceneObject* current, const SceneObject* reference, EditMode mode);

// "equalize" (Object): scales the current mesh about the world origin, along the world axes, so
// that the box of its points gets the extents of the reference mesh's box. Refusals: a missing
// current or reference object, or the same object for both (kSelectReferenceText under
// "Hinweis"); either not a MeshObject (kBothMeshesText). An axis along which the current
// mesh is flat (extent below kEps) keeps factor 1; a mesh without points changes nothing.
// The mesh's scale centre and pending scale are as before afterwards ((1, 1, 1) pending).
CommandResult EqualizeToReference(SceneObject* current, const SceneObject* reference);

// "center" (Axis): moves the current mesh's position to the middle of the box of its points;
// the points and the frame stay. Not a mesh, or no points: nothing happens.
CommandResult CenterAxis(SceneObject* current);

// "Sphere" / "Plane" (Texture): gives the current mesh a new mapping object, a MathSphere of
// radius 1 or a rectangular MathPlane with both radii 1, and fits it (FitMappingObject). The
// old mapping object's first display list is freed through `sink` (when given) and the object
// destroyed. Without a current object: kNoUsableObjectText; other objects than meshes, and
// kind kNone or kOther: nothing happens. When the new object cannot be allocated the old one
// stays and the out-of-memory refusal is returned.
CommandResult ChooseMapping(SceneObject* current, MappingKind kind, PreviewSink* sink);

// "equalize" (Texture): fits the current mesh's mapping object again. Without a current object:
// kNoUsableObjectText; not a mesh, or a mesh without mapping object: nothing happens.
CommandResult EqualizeMapping(SceneObject* current);

// Fits the mapping object to the box of the mesh's points (all 0 without points), e the box's
// extents: position at the box's middle, identity frame, axis_deg (0, 0, 0), pending scale
// (1, 1, 1); a sphere gets the radius |e| / 2 (half the box's diagonal), a plane both radii
// ex / 2. Other kinds of mapping object are only placed.
void FitMappingObject(MeshObject& mesh);

// What the mesh's mapping object is, for showing the current choice.
MappingKind CurrentMapping(const MeshObject& mesh);

// "drag" (Points): extrudes the selected faces so that the next point drag pulls them out.
// Needs a current mesh and at least 3 selected points; otherwise nothing happens.
//   1. The selected triangles are those whose three points are all selected, in triangle order.
//   2. Each selected triangle (a, b, c) has the edges (a, b), (a, c), (b, c); an edge is on the
//      boundary when no other selected triangle holds both of its points. E counts them.
//   3. For each selected triangle in order and for each of its boundary edges in that order,
//      with u, v the edge's points in the triangle as it was: u and v get duplicates (copies of
//      the point appended after the points made so far) unless they have one already; the side
//      triangles (u, v, u′) and (v, v′, u′) are appended; the triangle's corners u and v
//      become u′ and v′.
//   4. Every corner of a selected triangle that still names a point with a duplicate is set to
//      the duplicate, and every selection entry likewise: the selection holds the new layer.
// The mesh gets 2E new triangles and one new point per duplicated point (the point slots a
// boundary point on two boundary loops would leave unused are not made). Selections without a
// selected triangle change nothing. Refused with kMeshTooLargeText when the mesh would exceed
// kMaxMeshPoints points or kMaxMeshTriangles triangles.
CommandResult DragPoints(SceneObject* current, std::span<uint32_t> selection);

// "subdivide" (Points): refines the selected part of the current mesh.
//
// Design. A triangle is split when its three (distinct) points are all selected; each of its
// edges gets a new point at its midpoint, shared by the triangles on both sides of the edge,
// and the triangle becomes four: the three corner triangles and the middle one. A triangle
// that is not fully selected but has an edge between two selected points that got a midpoint
// (a neighbour across that edge) is halved at that midpoint, so that no edge ends in the middle
// of another (no T-junctions): a closed mesh stays closed. A triangle that is not fully
// selected has at most one such edge, so these are the only two cases. Every new triangle keeps
// its parent's corner order and so its facing; the split triangle keeps its index (it becomes
// the first part) and the further parts are appended in triangle order. Midpoints are appended
// to the points in the order the fully selected triangles meet their edges (a-b, b-c, c-a).
// The surface and every triangle index stay valid; degenerate triangles (a repeated corner)
// and triangles out of range are left as they are.
//
// Needs a current mesh and more than two selected points; otherwise, or when no triangle is
// fully selected, nothing happens. The indices of the new points are appended to `added` (when
// given), so that the editor can select them (with weight 1) and a second subdivide refines the
// same region further. Refused with kMeshTooLargeText when the mesh would exceed
// kMaxMeshPoints points or kMaxMeshTriangles triangles.
CommandResult SubdividePoints(SceneObject* current, std::span<const uint32_t> selection,
                              std::vector<uint32_t>* added);

}  // namespace orvane
