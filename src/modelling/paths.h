#pragma once
// Path commands: new paths of six basic shapes, and a path through the points of a mesh.
//
// A path is a MeshObject with is_path = 1 and no triangles: an ordered poly-line, the outline
// or spine of the lathe, extrusion and polygon constructions. The shapes never repeat their
// first point; whether a path counts as closed is up to the construction that uses it.
//
// Shapes, for points i = 0 … n − 1, width W and angle A (degrees), computed in double and
// stored as float:
//   linear-X   (W / (n − 1) × i, 0, 0)
//   linear-Z   (0, 0, W / (n − 1) × i)
//   circle-XY  (W cos t, W sin t, 0), t = i × 6.2831855 / n
//   circle-XZ  (W cos t, 0, W sin t)
//   screw-XZ   (W cos a, (W / n) × i, W sin a), a = (A / n) × i degrees
//   spiral-XZ  (r cos a, (W / n) × i, r sin a), r = W − i × W / n
// The angle is used by the screw and the spiral only.
//
// Results: a command either appends its path to the scene's object list (owned there, with
// the scene's default material, preview_dirty 1) and returns it, or refuses with the message
// box title and text and leaves the scene as it was.

#include <cstdint>

#include "foundation/ov_string.h"
#include "modelling/command_result.h"

namespace orvane {

class Scene;
class SceneObject;

// The "Basic look" choices of the New Path dialog, in the dialog's order.
enum class PathShape : int {
  kLinearX = 0,
  kLinearZ = 1,
  kCircleXY = 2,
  kCircleXZ = 3,
  kScrewXZ = 4,
  kSpiralXZ = 5,
};

// The largest number of points a new path may have (kMaxBuiltPoints). Larger counts are
// refused rather than attempted: such a path already takes 48 MB, as its point array has room
// for 2n points.
inline constexpr int64_t kMaxNewPathPoints = kMaxBuiltPoints;

// The default name of a path made from a mesh, made unique before use.
inline constexpr const char* kPathFromMeshName = "Pfad";

// Path "new...": a path of `points` points in `shape`, named `name`.
// Checks, in this order:
//   `name` taken among the objects: "There is a object with the same name.\nPlease change the
//       name!" under "Error";
//   points < 2: "The number of points must be greater than 1!" under "Error";
//   points > kMaxNewPathPoints: "The number of points must not be greater than 2000000!"
//       under "Error";
//   a width or angle that is not finite or beyond ±kMaxSize: kBadSizeText under "Error";
//   a shape outside the six: "Unknown basic look of the path!" under "Error".
// Zero and negative widths are accepted (a point or a mirrored shape). When n exceeds the
// initial point capacity (100) the path keeps room for 2n points.
CommandResult NewPath(Scene& scene, const String& name, int64_t points, float width, float angle,
                      PathShape shape);

// Path "from 3D-Mesh-Object...": a new path holding copies of the current mesh's points in
// index order, named "Pfad" made unique among the objects. Refusals (under "Attention"):
// "There is no 3D-Mesh_object choosen." without a current mesh, "The current object is a
// path." for a path. A mesh without points gives a path without points.
CommandResult PathFromMesh(Scene& scene, SceneObject* current);

}  // namespace orvane
