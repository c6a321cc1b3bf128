#pragma once
// The changes the views and the Coordinate-Control make to the current item, by edit mode:
// steps of a move, new angles, the raster's snapping and the magnet's weights. Free of Qt and
// GL, so that the mouse and the typed coordinates share one definition.

#include "editor/edit_state.h"
#include "foundation/vec3.h"

namespace orvane {
class MeshObject;
class SceneObject;
}  // namespace orvane

namespace orvane::editor {

// Moves `item` by `step` for the edit mode: Object `Move`; Axis only the pivot (`position`);
// Texture the mapping object of a mesh (nothing for other items). Points mode moves no item
// (see MovePoints). Marks the item preview_dirty. A zero step changes nothing.
void MoveItem(SceneObject& item, EditMode mode, const Vec3& step);

// `item` as a mesh (or path), or null.
MeshObject* AsMesh(SceneObject* item);

// The point edits of Points mode: every selected point of `mesh`, by its weight's share (stale
// indices are skipped), then the mesh's derived data is refreshed and its preview marked.
// MovePoints moves by `step` × weight. TurnPoints turns about the mesh's position by
// `degrees` × weight (y about its axis_Y, x about axis_X, z about axis_Z) and adds `degrees`
// to the selection's rotation. ScalePoints scales about the position: each point is brought
// back by the selection's previous factors and scaled by `factors` (each at least 0.0001),
// by 1 + weight × (factor − 1), and the factors become the selection's scale.
void MovePoints(MeshObject& mesh, const PointSelection& selection, const Vec3& step);
void TurnPoints(MeshObject& mesh, PointSelection& selection, const Vec3& degrees);
void ScalePoints(MeshObject& mesh, PointSelection& selection, Vec3 factors);

// Gives `item` the angles `degrees` (axis_deg): the stored angles are turned back (−z about
// its axis_Z, −x about axis_X, −y about axis_Y), then the new ones are turned (y, x, z) about
// the axes as they then are, each about the item's position. `frame_only` turns only the
// frame (Axis mode, and cameras, whose frame is all that turns). Turns of 0 are left out.
void SetItemAngles(SceneObject& item, const Vec3& degrees, bool frame_only);

// The raster: `c` is added to `*sum`; while |*sum| ≤ g the component is held back (0) and the
// sum kept, otherwise the component becomes *sum − fmod(*sum, g) and the sum restarts at 0.
float RasterStep(float c, float* sum, float g);

// The magnet's weight of a point at distance d < r (r > 0) from the picked location.
float MagnetWeight(float d, float r, Falloff falloff);

}  // namespace orvane::editor
