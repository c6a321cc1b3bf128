#pragma once
// ObjectBrowser: the "Object-Browser" tool window. A tree with the five roots "lights",
// "cameras", "objects", "materials" and "textures" (bold) holding the scene's items by name,
// groups with their members. Selecting an entry makes its item the document's current
// object (lights, cameras, objects), current camera or current material.

#include <QTreeWidget>

#include "editor/tool_window.h"

namespace orvane {
class LIST;
class ListItem;
}  // namespace orvane

namespace orvane::editor {

class Document;

class ObjectBrowser : public ToolWindow {
  Q_OBJECT

 public:
  ObjectBrowser(Document& document, QWidget* parent);

  // Empties the tree and fills it from the scene.
  void Fill();
  // Selects the entry of `item` (no entry: clears the selection).
  void Select(const ListItem* item);
  QTreeWidget* tree() { return tree_; }
  // The entry of `item`, or null.
  QTreeWidgetItem* EntryOf(const ListItem* item) const;

 private:
  enum Root { kLights, kCameras, kObjects, kMaterials, kTextures };
  void AddObjects(QTreeWidgetItem* parent, const LIST* list);
  void AddList(QTreeWidgetItem* parent, const LIST* list, int type);
  void SelectionChanged();

  Document& document_;
  QTreeWidget* tree_;
  QTreeWidgetItem* roots_[5] = {};
  bool filling_ = false;
};

}  // namespace orvane::editor
