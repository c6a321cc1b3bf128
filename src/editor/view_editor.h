#pragma once
// ViewEditor: what the mouse does in the main window's view. A drag moves, turns or scales the
// current object, its pivot, its texture mapping or its selected points, or pans and zooms an
// orthographic view; a click without movement picks the object under the cursor; in Points
// mode the button picks points (alone, or with the magnet in a radius) and "sel. border"
// selects the points inside a rectangle. A whole drag is one undo step.
//
// Pixels count from the top left of the view; W and H are the view's size in the same units.

#include <cstdint>

#include "foundation/vec3.h"
#include "scene/ray.h"

namespace orvane {
class MeshObject;
class SceneObject;
}  // namespace orvane

namespace orvane::editor {

class Document;

// The state of the orthographic views and the projection.
struct ViewGeometry {
  int width = 1;   // W
  int height = 1;  // H
  float centre[3] = {0.0f, 0.0f, 0.0f};
  float front_width = 10.0f;  // w: the world width of Front and Top
  float side_width = 10.0f;   // ws: the world width of Side
  float near_distance = 0.0f;
  float far_distance = 1000.0f;
  bool projection_dirty = false;
};

// The world point under pixel (x, y) of an orthographic view: the view plane's two coordinates
// from the pixel, the third from `depth`. Front: x, y; Top: x, z; Side: z, y.
Vec3 ScreenToWorld(const ViewGeometry& view, int mode, float x, float y, const Vec3& depth);

// The picking ray through pixel (x, y): Front from z = −10000 along +z, Top from y = 10000 along
// −y, Side from x = 10000 along −x, the Camera view the view camera's ray through the pixel (the
// camera's picture scaled to the view). Normalized; `length` is the distance limit.
Ray PickRay(const Document& document, const ViewGeometry& view, float x, float y);

class ViewEditor {
 public:
  ViewEditor(Document& document, ViewGeometry& view);

  void Press(int x, int y);
  void Move(int x, int y);
  // `ctrl`: an added path point goes before the first point instead of after the last.
  void Release(int x, int y, bool ctrl);

  bool buttonDown() const { return button_down_; }
  // The "sel. border" rectangle while the button is held: the press point and the last mouse
  // position. False when no rectangle is drawn.
  bool BorderRectangle(int* x0, int* y0, int* x1, int* y1) const;

 private:
  bool PickPoints(MeshObject& mesh, int x, int y);
  void Pick(int x, int y);
  bool PanOrZoom(int dx, int dy);
  bool MoveStep(SceneObject& item, int dx, int dy);
  bool RotateStep(SceneObject& item, int dx, int dy);
  bool ScaleStep(SceneObject& item, int x);
  void FinishScale(SceneObject& item);
  void AddPathPoint(MeshObject& path, int x, int y, bool ctrl);
  void SelectInBorder(MeshObject& mesh);
  bool Orthographic() const;
  // `item` when it is a mesh with selected points (what Points-mode drags change), else null.
  MeshObject* PointsOf(SceneObject& item) const;

  Document& document_;
  ViewGeometry& view_;
  bool button_down_ = false;
  bool no_movement_yet_ = false;
  bool selection_started_ = false;
  bool changed_ = false;  // the drag changed the current item
  int press_x_ = 0, press_y_ = 0;
  int last_x_ = 0, last_y_ = 0;
  Vec3 scale_centre_;
};

}  // namespace orvane::editor
