#include "editor/edit_windows.h"

#include "editor/document.h"
#include "editor/tool_window.h"

namespace orvane::editor {

ToolWindow* MakeNavigationWindow(Document&, QWidget* parent) {
  return new ToolWindow(QStringLiteral("Navigation"), parent);
}
ToolWindow* MakeEditControl(Document&, QWidget* parent) {
  return new ToolWindow(QStringLiteral("Edit-Control"), parent);
}
ToolWindow* MakeCoordinateControl(Document&, QWidget* parent) {
  return new ToolWindow(QStringLiteral("Coordinate-Control"), parent);
}

}  // namespace orvane::editor
