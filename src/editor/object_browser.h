#pragma once
// ObjectBrowser: the "Object-Browser" tool window. A tree with the five roots "lights",
// "cameras", "objects", "materials" and "textures" (bold) holding the scene's items by name,
// groups with their members, each with the icon of its kind; under it a panel with the selected
// item's kind, name, a line of counts, its material, the flags "Shadow", "active" and "Phong",
// and the reference object.
//
// Selecting an entry makes its item the document's current object (lights, cameras, objects),
// current camera or current material. Entries are renamed in place (the name rules of their
// kind), objects are dragged into and out of groups and materials onto objects; Delete, Ctrl+C,
// Ctrl+V and Ctrl+X in the tree run the clipboard commands. Every change is an undo step.

#include <QTreeWidget>

#include "editor/tool_window.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace orvane {
class LIST;
class ListItem;
class SceneObject;
}  // namespace orvane

namespace orvane::editor {

class Document;

inline constexpr const char* kObjectNameTaken = "This name has another object!";
inline constexpr const char* kMaterialNameTaken = "This name has another material!";
inline constexpr const char* kTextureNameTaken = "This name has another texture!";
inline constexpr const char* kGroupIntoItself =
    "You can't move a Group-Object in the same Group-Object!";

class ObjectBrowser : public ToolWindow {
  Q_OBJECT

 public:
  // The roots, in the order of the tree.
  enum Root { kLights, kCameras, kObjects, kMaterials, kTextures };
  // The pictures of the image list.
  enum Image {
    kImageObjects,
    kImageLight,
    kImageCamera,
    kImageMaterial,
    kImageTexture,
    kImageMesh,
    kImageOther,
    kImageGroup,
    kImagePath,
    kImageProcedural,
    kImageCount
  };

  ObjectBrowser(Document& document, QWidget* parent);

  // Empties the tree and fills it from the scene.
  void Fill();
  // Selects the entry of `item` (no entry: clears the selection).
  void Select(const ListItem* item);
  QTreeWidget* tree() { return tree_; }
  QTreeWidgetItem* root(Root root) const { return roots_[root]; }
  // The entry of `item`, or null.
  QTreeWidgetItem* EntryOf(const ListItem* item) const;
  // The image list picture an entry shows.
  static int ImageOf(const ListItem* item);

  // What dropping `dragged` onto `target` does (also the end of a drag with the mouse).
  void Drop(QTreeWidgetItem* dragged, QTreeWidgetItem* target);
  // Renames the item of `entry` to `name` by the rules of its kind; false (with the message)
  // when the name is taken.
  bool Rename(QTreeWidgetItem* entry, const QString& name);
  // What a double click on `entry` does.
  void DoubleClicked(QTreeWidgetItem* entry);

 signals:
  // Cut, Copy, Paste and Delete apply (a light, camera or object is selected) or not.
  void clipboardCommandsEnabled(bool enabled);
  // A double click on a light, material or texture: its dialog or window opens.
  void itemOpened(ListItem* item);

 private:
  void AddObjects(QTreeWidgetItem* parent, const LIST* list);
  void AddList(QTreeWidgetItem* parent, const LIST* list, int type);
  QTreeWidgetItem* AddEntry(QTreeWidgetItem* parent, ListItem* item);
  void SelectionChanged();
  void ShowPanel();
  void SetFlag(uint32_t flags, bool on, const QString& text);
  Root RootOf(const QTreeWidgetItem* entry) const;
  void ItemReplaced(SceneObject* from, SceneObject* to);

  Document& document_;
  QTreeWidget* tree_;
  QTreeWidgetItem* roots_[5] = {};
  QLineEdit* type_;
  QLineEdit* name_;
  QLabel* info_;
  QLineEdit* material_;
  QCheckBox* shadow_;
  QCheckBox* active_;
  QCheckBox* phong_;
  QLineEdit* reference_;
  bool filling_ = false;
};

}  // namespace orvane::editor
