#include "editor/view_editor.h"

#include "editor/document.h"

namespace orvane::editor {

ViewEditor::ViewEditor(Document& document, ViewGeometry& view) : document_(document), view_(view) {}

void ViewEditor::Press(int x, int y) {
  button_down_ = true;
  no_movement_yet_ = true;
  press_x_ = last_x_ = x;
  press_y_ = last_y_ = y;
}
void ViewEditor::Move(int x, int y) {
  last_x_ = x;
  last_y_ = y;
}
void ViewEditor::Release(int, int, bool) {
  button_down_ = false;
}
bool ViewEditor::BorderRectangle(int* x0, int* y0, int* x1, int* y1) const {
  if (!button_down_ || document_.edit().mode != EditMode::kPoints ||
      document_.edit().tool != PointTool::kBorder)
    return false;
  *x0 = press_x_;
  *y0 = press_y_;
  *x1 = last_x_;
  *y1 = last_y_;
  return true;
}

}  // namespace orvane::editor
