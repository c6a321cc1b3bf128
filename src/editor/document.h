#pragma once
// Document: the scene the editor works on and the application state around it — the current
// file, the current items, the clipboard, the view and display modes — with the file flows
// (New, Open, Save, Save As, Import, Export, Exit) and the scene commands of the Edit and
// Objects menus.
//
// Every change to the scene goes through the undo stack: New, Open, Import, Cut, Paste,
// Delete and the new group and camera commands are undo steps, and undoing one gives back the
// scene exactly as it was. The stack's clean state is the last save of the scene file, so the
// document knows when there is something to lose.
//
// Questions go to the Prompter; failures show their message and leave the scene as it was.

#include <QObject>
#include <QUndoStack>

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "editor/edit_state.h"
#include "editor/prompter.h"
#include "modelling/command_result.h"
#include "scene/camera.h"
#include "scene/naming.h"
#include "scene/preview_sink.h"
#include "scene/scene.h"
#include "scene/scene_object.h"
#include "script/scene_commands.h"

namespace orvane {
class Material;
class MeshObject;
}  // namespace orvane

namespace orvane::editor {

// The view modes (the Camera view is 5; 4 is a Front view without grid, reached only through
// its command).
enum ViewMode : int {
  kViewFront = 0,
  kViewTop = 1,
  kViewSide = 2,
  kViewFrontPlain = 4,
  kViewCamera = 5
};

// The dialog filters of the file flows.
inline constexpr const char* kOpenFilter = "Orvane (*.ovs)|*.ovs|All Files (*.*)|*.*||";
inline constexpr const char* kSaveAsFilter =
    "Orvane (*.ovs)|*.ovs|VRML V1.0   (*.wrl)|*.wrl|POV-Ray    (*.pov)|*.pov|All Files "
    "(*.*)|*.*||";
inline constexpr const char* kImportFilter =
    "Orvane (*.ovo)|*.ovo|3D-Studio (*.3ds)|*.3ds|Highlight (*.obt)|*.obt|DXF "
    "(3DFACE)(*.dxf)|*.dxf||";
inline constexpr const char* kExportFilter =
    "Orvane-Object (*.ovo)|*.ovo|3DStudio-Object  (*.3ds)|*.3ds|VRML V1.0 Object  "
    "(*.wrl)|*.wrl|POV-Ray Object    (*.pov)|*.pov|All Files (*.*)|*.*||";

inline constexpr const char* kReadFailedText = "Could not read the file!";
inline constexpr const char* kExitQuestion = "Do you want save the scene before exit!";
inline constexpr const char* kMappingPrefix = "_mat_object";
inline constexpr const char* kMergeFailedText = "Can't read the file!";
inline constexpr const char* kMaterialInUseText =
    "The material is used by an object.\nPlease assign another material first!";

class Document : public QObject {
  Q_OBJECT

 public:
  // `out` and `err` receive the scripts' output and diagnostics when files are loaded.
  Document(Prompter& prompter, std::ostream& out, std::ostream& err);
  ~Document() override;

  Scene& scene() { return scene_; }
  SceneCommands& commands() { return commands_; }
  QUndoStack& undoStack() { return undo_; }
  Prompter& prompter() { return prompter_; }
  // Where display lists are freed (the view's sink); may stay null.
  void SetPreviewSink(PreviewSink* sink) { sink_ = sink; }

  // The current file: full path and file name as chosen; empty until Open or Save As.
  const std::string& filePath() const { return file_path_; }
  const std::string& fileTitle() const { return file_title_; }
  // "Orvane", or "Orvane - " + file title; "[*]" stands where the modified marker goes.
  QString WindowTitle() const;
  bool IsModified() const { return !undo_.isClean(); }

  // The current items (null when none). The view camera is never null.
  SceneObject* currentObject() const { return current_object_; }
  Camera* currentCamera() const { return current_camera_; }
  Camera* viewCamera() const { return view_camera_; }
  Material* currentMaterial() const { return current_material_; }
  SceneObject* referenceObject() const { return reference_object_; }
  void SetReference(SceneObject* item) { reference_object_ = item; }
  const SceneObject* clipboard() const { return clipboard_.get(); }
  // Makes `item` (an object, light or camera of the scene, or null) the current object; a
  // camera also becomes the current camera.
  void SetCurrent(SceneObject* item);
  void SetCurrentMaterial(Material* material) {
    current_material_ = material;
    emit currentMaterialChanged();
  }
  // Paste puts objects into the current group unless the browser's "objects" root is selected.
  void SetPasteIntoGroup(bool into) { paste_into_group_ = into; }
  bool pasteIntoGroup() const { return paste_into_group_; }

  int viewMode() const { return view_mode_; }
  void SetViewMode(int mode);
  int displayMode() const { return display_mode_; }
  void SetDisplayMode(int mode);

  // The editing state shared by the views and the tool windows. Changing it through the
  // tool windows emits editStateChanged.
  NavigationState& navigation() { return navigation_; }
  EditState& edit() { return edit_; }
  PointSelection& selection() { return selection_; }
  void NotifyEditState() { emit editStateChanged(); }

  // A change of one item (mouse drags, typed coordinates, the Edit-Control's tools) as one
  // undo step. BeginItemEdit puts a copy of the item in its place (cameras excepted) and
  // answers the item to change, which is also the current object now if `item` was; change
  // only that one. EndItemEdit pushes the step when `changed` (undo puts the item as it was
  // back, redo the changed one) and otherwise puts the item itself back. An edit begun while
  // another is open ends that one unchanged first.
  SceneObject* BeginItemEdit(SceneObject* item);
  void EndItemEdit(const QString& text, bool changed);
  bool ItemEditOpen() const { return edit_item_ != nullptr; }
  // BeginItemEdit, `change` on the item to change, EndItemEdit(text, what `change` answered).
  bool EditItem(SceneObject* item, const QString& text,
                const std::function<bool(SceneObject& edited)>& change);
  // The view camera (a camera of the scene); the Camera view looks through it.
  void SetViewCamera(Camera* camera);
  // The item changed in place (coordinates to show again, lists to rebuild).
  void NotifyItemChanged() { emit itemChanged(); }

  // Loading runs a script, which may not end by itself: after half a second a "Loading..."
  // dialog offers Cancel, which fails the load like a script error. Tests put their own
  // answer in its place (null: the dialog again).
  void SetLoadInterrupt(std::function<bool()> interrupt) { load_interrupt_ = std::move(interrupt); }

  // The file flows. Each answers whether it changed or wrote something.
  bool NewScene();
  bool Open();
  bool OpenPath(const std::string& path);
  bool Save();
  bool SaveAs();
  bool Import();
  bool ImportPath(const std::string& path);
  bool Export();
  // The Exit question, asked only when there is something to lose. True when the program may
  // close: nothing to lose, No, or Yes and the scene was saved.
  bool ConfirmExit();

  // The scene commands. In Points mode on a mesh with selected points, Copy puts a mesh of
  // those points on the clipboard, Cut also deletes them and Delete only deletes them.
  bool Copy();
  bool Cut();
  bool Paste();
  bool Delete();
  bool NewGroup();
  bool NewCamera();
  // A command that appends to the scene's lists (the modelling commands, new lights,
  // materials and textures) as one undo step: the step is what `build` appended. A refusal
  // shows its message box and leaves the scene as it was; a warning is shown after the item
  // is built, and the new item becomes the current object. Answers what `build` answered.
  CommandResult Construct(const QString& text, const std::function<CommandResult()>& build);
  // The same for a command that answers whether it appended anything.
  bool AddStep(const QString& text, const std::function<bool()>& append);
  // Appends `item` (taken, destroyed when it cannot be appended) to `list`, one of the scene's
  // lists, as one undo step.
  bool AppendStep(LIST* list, ListItem* item, const QString& text);

  // The material commands, each one undo step. ChangeMaterial gives `material` the name and
  // channels of `after` (the objects keep pointing at it). AssignMaterial gives `object` the
  // material, and with `members` every member of a group, recursively, instead of the group.
  // DeleteMaterial refuses (with its message) a material that an object uses. MergeFile runs
  // a file of materials and textures over the scene ("Can't read the file!" when it fails).
  void ChangeMaterial(Material* material, const Material& after, const QString& text);
  bool AssignMaterial(Material* material, SceneObject* object, bool members);
  bool DeleteMaterial(Material* material);
  bool MergeFile(const std::string& path);
  // Points mode on a mesh with selected points: the mesh the clipboard commands work on.
  MeshObject* PointsTarget() const;
  // A new mesh of the selected points of `mesh` and the triangles between them, named after
  // it with "_sub", unique among the objects; null when it cannot be made.
  SceneObject* SelectedPointsMesh(const MeshObject& mesh) const;
  // Deletes the selected points of `mesh` as one undo step and empties the selection.
  bool DeleteSelectedPoints(MeshObject* mesh);

  // Called by the undo commands after they changed the scene: checks the current items
  // against the scene and tells the views.
  void AfterChange();

  // For the undo commands: the clipboard item changes hands.
  std::unique_ptr<SceneObject> TakeClipboard() { return std::move(clipboard_); }
  void PutClipboard(std::unique_ptr<SceneObject> item) { clipboard_ = std::move(item); }
  PreviewSink* sink() const { return sink_; }
  // For Open's undo step: the current file changes with the scene.
  void SwapFile(std::string* path, std::string* title);

 signals:
  // The scene's lists changed (items came or went, or a new scene): refill and repaint.
  void sceneChanged();
  // The current object or camera changed.
  void currentChanged();
  // The current material changed (the material browser selects its cell).
  void currentMaterialChanged();
  void titleChanged();
  void viewModeChanged();
  void displayModeChanged();
  // The current item moved, turned or changed shape (the Coordinate-Control shows it again).
  void itemChanged();
  // An edit put `to` in the place of `from` (the browser's entry follows).
  void itemReplaced(SceneObject* from, SceneObject* to);
  // The navigation or edit state, or the point selection, changed.
  void editStateChanged();
  // A scene file was opened or saved under `path` (for the recent files).
  void fileUsed(const QString& path);

 private:
  friend class ReplaceSceneStep;
  friend class EditItemStep;
  friend class MaterialStep;
  // After an undo step exchanged `from` for `to` in the scene: the current items follow.
  void Repoint(SceneObject* from, SceneObject* to, bool reset_selection);
  // Runs `path` through the interpreter on the scene as it is (rendering disabled), then the
  // steps after loading. False when the run failed.
  bool LoadInto(const std::string& path);
  // Runs `path` through the interpreter on the scene as it is (rendering disabled), with the
  // load's interrupt. False when the run failed or was stopped.
  bool RunScript(const std::string& path);
  void AfterLoad();
  void Message(const char* title, const char* text, MessageIcon icon = MessageIcon::kNone);
  // Asks for a name until one is free (`kind`'s names) or the user cancels.
  std::optional<std::string> AskFreeName(const std::string& proposal, NameKind kind);
  // The scene file at `path`; the stack is clean afterwards. False after the error message.
  bool SaveSceneFile(const std::string& path);
  // Save As: VRML, POV-Ray or a scene file, by the extension.
  bool WriteSceneTo(const std::string& path);
  void SetFile(const std::string& path);
  bool InScene(const SceneObject* item) const;
  // Tells the views and the browser that an edit exchanged `from` for `to`.
  void Replaced(SceneObject* from, SceneObject* to);

  Prompter& prompter_;
  std::ostream& out_;
  std::ostream& err_;
  Scene scene_;
  SceneCommands commands_;
  QUndoStack undo_;
  PreviewSink* sink_ = nullptr;

  std::string file_path_;
  std::string file_title_;
  SceneObject* current_object_ = nullptr;
  SceneObject* reference_object_ = nullptr;
  Camera* current_camera_ = nullptr;
  Camera* view_camera_ = nullptr;
  Material* current_material_ = nullptr;
  std::unique_ptr<SceneObject> clipboard_;
  bool paste_into_group_ = true;
  NavigationState navigation_;
  EditState edit_;
  PointSelection selection_;
  SceneObject* edit_item_ = nullptr;
  std::unique_ptr<SceneObject> edit_before_;
  bool edit_swapped_ = false;
  std::function<bool()> load_interrupt_;
  int view_mode_ = kViewCamera;
  int display_mode_ = 0;
};

// Takes every object whose name begins (or, as the writer names a mesh's mapping object,
// ends) with "_mat_object" out of `list` and out of every group in it, recursively, and
// destroys it.
void RemoveMappingObjects(LIST* list);

}  // namespace orvane::editor
