#pragma once
// The view's editing tool windows: "Navigation" (operation, frame, axis locks), "Edit-Control"
// (what the mouse edits, and the tools of each mode) and "Coordinate-Control" (typed position
// and angles, "Raster", "Magnet", "Camera- Angle"). They work on the document's navigation and
// edit state and on its current item.

class QWidget;

namespace orvane::editor {

class Document;
class ToolWindow;

ToolWindow* MakeNavigationWindow(Document& document, QWidget* parent);
ToolWindow* MakeEditControl(Document& document, QWidget* parent);
ToolWindow* MakeCoordinateControl(Document& document, QWidget* parent);

}  // namespace orvane::editor
