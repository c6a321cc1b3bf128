#include "editor/document.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QUndoCommand>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ostream>
#include <vector>

#include "editor/file_filter.h"
#include "editor/scene_lists.h"
#include "interchange/import_object.h"
#include "interchange/pov_export.h"
#include "interchange/three_ds.h"
#include "interchange/vrml_export.h"
#include "material/material.h"
#include "scene/group_object.h"
#include "scene/mesh_object.h"
#include "scene/naming.h"
#include "script/interpreter.h"
#include "script/scene_writer.h"

namespace orvane::editor {

namespace {

constexpr const char* kGroupProposal = "Gruppe";
constexpr const char* kCameraProposal = "Kamera";
constexpr const char* kStandardCameraText =
    "You can not delete the 'Standard_Camera', \nas long no other camera exists.";

bool StartsWith(const String& name, const char* prefix) {
  return std::strncmp(name.c_str(), prefix, std::strlen(prefix)) == 0;
}

bool EndsWith(const String& name, const char* suffix) {
  const std::size_t n = std::strlen(suffix);
  const std::size_t length = static_cast<std::size_t>(name.Length());
  return length >= n && std::strcmp(name.c_str() + length - n, suffix) == 0;
}

// Whether `item` is `list`'s, or inside one of its groups, recursively.
bool Holds(const LIST* list, const ListItem* item) {
  if (!list) return false;
  for (const ListNode* n = list->head; n; n = n->next) {
    if (n->item == item) return true;
    if (n->item && n->item->GetType() == kItemGroup &&
        Holds(&static_cast<const GroupObject*>(n->item)->members, item))
      return true;
  }
  return false;
}

// The list that holds `item` directly: its group's members or one of the scene's lists.
LIST* HomeOf(Scene& scene, SceneObject* item) {
  if (item->parent && IndexOf(item->parent->members, item) >= 0) return &item->parent->members;
  for (LIST* list : {scene.lights, scene.cameras, scene.objects}) {
    if (list && IndexOf(*list, item) >= 0) return list;
  }
  // A member whose parent pointer is stale: look through every group.
  std::vector<LIST*> todo{scene.objects};
  while (!todo.empty()) {
    LIST* list = todo.back();
    todo.pop_back();
    if (!list) continue;
    if (IndexOf(*list, item) >= 0) return list;
    for (ListNode* n = list->head; n; n = n->next) {
      if (n->item && n->item->GetType() == kItemGroup)
        todo.push_back(&static_cast<GroupObject*>(n->item)->members);
    }
  }
  return nullptr;
}

Camera* FirstCamera(const Scene& scene) {
  if (!scene.cameras) return nullptr;
  for (ListNode* n = scene.cameras->head; n; n = n->next) {
    if (n->item && n->item->GetType() == kItemCamera) return static_cast<Camera*>(n->item);
  }
  return nullptr;
}

std::vector<LIST*> GrowingLists(Scene& scene) {
  return {scene.objects, scene.points,  scene.lights,    scene.materials,
          scene.images,  scene.cameras, scene.variables, scene.labels};
}

// A clipboard item may name a material that has left the scene since it was copied (an
// undone import took its default material with it): such items get the default material.
void ReattachMaterials(Scene& scene, SceneObject* item) {
  if (item->material && !Holds(scene.materials, item->material))
    item->material = DefaultMaterial(scene);
  if (item->GetType() != kItemGroup) return;
  for (ListNode* n = static_cast<GroupObject*>(item)->members.head; n; n = n->next) {
    if (auto* member = dynamic_cast<SceneObject*>(n->item)) ReattachMaterials(scene, member);
  }
}

}  // namespace

void RemoveMappingObjects(LIST* list) {
  if (!list) return;
  ListNode* node = list->head;
  while (node) {
    auto* item = dynamic_cast<SceneObject*>(node->item);
    if (item && (StartsWith(item->name, kMappingPrefix) || EndsWith(item->name, kMappingPrefix))) {
      list->current = node;
      list->Remove();
      node = list->head;  // the walk starts again at the head
      continue;
    }
    if (item && item->GetType() == kItemGroup)
      RemoveMappingObjects(&static_cast<GroupObject*>(item)->members);
    node = node->next;
  }
}

// ---- Undo steps ----------------------------------------------------------------------------

// New and Open: the whole scene goes into the step and a new one takes its place. Undo and redo
// exchange the two.
class ReplaceSceneStep : public QUndoCommand {
 public:
  ReplaceSceneStep(Document& doc, const QString& text, std::string open_path)
      : QUndoCommand(text), doc_(doc), open_path_(std::move(open_path)) {}

  void redo() override {
    if (performed_) {
      Exchange();
    } else {
      performed_ = true;
      Perform();
    }
    doc_.AfterChange();
  }
  void undo() override {
    Exchange();
    doc_.AfterChange();
  }

  bool loaded() const { return loaded_; }

 private:
  void Exchange() {
    held_.SwapWith(doc_.scene(), doc_.sink());
    doc_.SwapFile(&path_, &title_);
  }

  void Perform() {
    Scene& scene = doc_.scene();
    // The render settings stay with the program; what points into the old lists does not.
    RenderSettings kept = scene.render;
    held_.SwapWith(scene, doc_.sink());
    scene.render = kept;
    scene.render.activeCamera = nullptr;
    scene.render.backgroundTexture = nullptr;
    if (scene.render.backgroundMode != 0) scene.render.backgroundMode = 0;
    scene.EnsureLists(doc_.err_);
    doc_.current_object_ = nullptr;
    doc_.reference_object_ = nullptr;
    doc_.current_material_ = nullptr;
    doc_.current_camera_ = nullptr;
    doc_.clipboard_.reset();
    path_ = doc_.file_path_;
    title_ = doc_.file_title_;
    if (open_path_.empty()) {
      scene.cameras->Append(&scene.StandardCamera(), 0);
      doc_.current_camera_ = &scene.StandardCamera();
      doc_.view_camera_ = &scene.StandardCamera();
      return;
    }
    loaded_ = doc_.LoadInto(open_path_);
    if (!loaded_) {
      doc_.Message(kErrorTitle, kReadFailedText);
      return;
    }
    // The new file's name comes in with the new scene; path_ keeps the old scene's.
    doc_.SetFile(open_path_);
  }

  Document& doc_;
  std::string open_path_;
  SceneLists held_;
  std::string path_, title_;
  bool performed_ = false;
  bool loaded_ = false;
};

// Import, Paste, new groups and cameras: the items the command appended. Undo takes them out,
// redo puts them back.
class AddItemsStep : public QUndoCommand {
 public:
  AddItemsStep(Document& doc, const QString& text, std::unique_ptr<AppendedItems> items)
      : QUndoCommand(text), doc_(doc), items_(std::move(items)) {}
  void redo() override {
    if (first_) {
      first_ = false;  // the command itself did it
    } else {
      items_->PutBack();
    }
    doc_.AfterChange();
  }
  void undo() override {
    items_->TakeOut(doc_.sink());
    doc_.AfterChange();
  }

 private:
  Document& doc_;
  std::unique_ptr<AppendedItems> items_;
  bool first_ = true;
};

// Delete and Cut: one item out of its list. Taking the last camera out of the camera list puts
// the standard camera back.
class RemoveItemStep : public QUndoCommand {
 public:
  RemoveItemStep(Document& doc, const QString& text, ListPlace place)
      : QUndoCommand(text), doc_(doc), place_(place) {}
  ~RemoveItemStep() override {
    if (item_ && owns_) delete item_;
  }
  void redo() override {
    item_ = TakeNode(place_, &owns_);
    Scene& scene = doc_.scene();
    if (place_.list == scene.cameras && item_ != &scene.StandardCamera()) owns_ = 1;
    if (auto* object = dynamic_cast<SceneObject*>(item_)) ForgetPreview(*object, doc_.sink());
    added_standard_ = false;
    if (place_.list == scene.cameras && !scene.cameras->head) {
      scene.cameras->Append(&scene.StandardCamera(), 0);
      added_standard_ = true;
    }
    doc_.AfterChange();
  }
  void undo() override {
    Scene& scene = doc_.scene();
    if (added_standard_) {
      int owns = 0;
      TakeNode({scene.cameras, IndexOf(*scene.cameras, &scene.StandardCamera())}, &owns);
    }
    PutNode(place_, item_, owns_);
    if (auto* object = dynamic_cast<SceneObject*>(item_)) object->preview_dirty = 1;
    item_ = nullptr;
    doc_.AfterChange();
  }

 private:
  Document& doc_;
  ListPlace place_;
  ListItem* item_ = nullptr;
  int owns_ = 0;
  bool added_standard_ = false;
};

// Exchanges the item at `place` for `in` (taking over the list's ownership flag), hands the
// display lists of the item taken out over to `in` when `keep_lists` (the two look alike) or
// gives them up otherwise, and answers the item taken out; null when the list cannot take
// `in` (nothing changed then).
SceneObject* ExchangeAt(const ListPlace& place, SceneObject* in, bool keep_lists,
                        PreviewSink* sink) {
  int owns = 0;
  auto* out = static_cast<SceneObject*>(TakeNode(place, &owns));
  if (!PutNode(place, in, owns)) {
    PutNode(place, out, owns);
    return nullptr;
  }
  in->parent = out->parent;
  in->tree_item = out->tree_item;
  if (in->GetType() == kItemGroup) {
    static_cast<GroupObject*>(in)->AssignParents();
    MarkPreviewsDirty(&static_cast<GroupObject*>(in)->members);
  }
  if (keep_lists) {
    std::copy(std::begin(out->display_lists), std::end(out->display_lists), in->display_lists);
    std::fill(std::begin(out->display_lists), std::end(out->display_lists), 0u);
    in->preview_dirty = out->preview_dirty;
  } else {
    in->preview_dirty = 1;
  }
  ForgetPreview(*out, sink);
  if (out->GetType() == kItemMesh) {
    if (SceneObject* mapping = static_cast<MeshObject*>(out)->mapping_object)
      ForgetPreview(*mapping, sink);
  }
  return out;
}

// A change of one item (a drag, typed coordinates, an Edit-Control tool). The edit works on a
// copy that took the item's place when the edit began, so that every item keeps its identity
// at every position of the stack (the other steps hold pointers to items and their lists):
// undo puts the item as it was back, redo the edited copy. Cameras, which the scene and the
// views point to, take the other state over in place instead.
class EditItemStep : public QUndoCommand {
 public:
  EditItemStep(Document& doc, const QString& text, SceneObject* edited,
               std::unique_ptr<SceneObject> other)
      : QUndoCommand(text), doc_(doc), live_(edited), other_(std::move(other)) {}

  void redo() override {
    if (first_) {
      first_ = false;  // the edit itself did it
      return;
    }
    Exchange();
  }
  void undo() override { Exchange(); }

  static void CopyCamera(Camera& to, const Camera& from) {
    to.name = from.name;
    to.placement = from.placement;
    to.scale = from.scale;
    to.flags = from.flags;
    to.SetZoom(from.Zoom());
    to.SetEffectiveZoom(from.EffectiveZoom());
    to.setImageSize(static_cast<int32_t>(std::lround(2.0 * from.HalfWidth())),
                    static_cast<int32_t>(std::lround(2.0 * from.HalfHeight())));
    to.SetPanoramaWidth(from.PanoramaWidth());
    to.FreeText();
    to.preview_dirty = 1;
  }

 private:
  void Exchange() {
    if (live_->GetType() == kItemCamera) {
      auto& live = static_cast<Camera&>(*live_);
      auto& other = static_cast<Camera&>(*other_);
      const Camera kept(live);
      CopyCamera(live, other);
      CopyCamera(other, kept);
      doc_.AfterChange();
      return;
    }
    LIST* home = HomeOf(doc_.scene(), live_);
    if (!home) return;
    SceneObject* in = other_.get();
    SceneObject* out = ExchangeAt({home, IndexOf(*home, live_)}, in, false, doc_.sink());
    if (!out) return;
    other_.release();
    other_.reset(out);
    doc_.Repoint(out, in, true);
    live_ = in;
    doc_.AfterChange();
  }

  Document& doc_;
  SceneObject* live_;
  std::unique_ptr<SceneObject> other_;
  bool first_ = true;
};

// ---- Document ------------------------------------------------------------------------------

Document::Document(Prompter& prompter, std::ostream& out, std::ostream& err)
    : prompter_(prompter), out_(out), err_(err) {
  scene_.New(nullptr);
  current_camera_ = &scene_.StandardCamera();
  view_camera_ = &scene_.StandardCamera();
  undo_.setClean();
}

Document::~Document() {
  // The steps hold items of the scene's lists; they go before the scene.
  undo_.clear();
  scene_.Clear(nullptr);
}

QString Document::WindowTitle() const {
  if (file_title_.empty()) return QStringLiteral("Orvane[*]");
  return QStringLiteral("Orvane - ") + QString::fromStdString(file_title_) + QStringLiteral("[*]");
}

void Document::SetFile(const std::string& path) {
  file_path_ = path;
  file_title_ = FileTitleOf(path);
  emit titleChanged();
}

void Document::SwapFile(std::string* path, std::string* title) {
  std::swap(file_path_, *path);
  std::swap(file_title_, *title);
  emit titleChanged();
}

void Document::Message(const char* title, const char* text, MessageIcon icon) {
  prompter_.Message(title, text, MessageButtons::kOk, icon);
}

void Document::SetCurrent(SceneObject* item) {
  current_object_ = item;
  if (item && item->GetType() == kItemCamera) current_camera_ = static_cast<Camera*>(item);
  emit currentChanged();
}

void Document::Repoint(SceneObject* from, SceneObject* to, bool reset_selection) {
  if (current_object_ == from) {
    current_object_ = to;
    if (reset_selection) selection_.Reset();
  }
  if (reference_object_ == from) reference_object_ = to;
}

SceneObject* Document::BeginItemEdit(SceneObject* item) {
  if (edit_item_) EndItemEdit(QString(), false);
  edit_item_ = item;
  edit_swapped_ = false;
  if (!item) return nullptr;
  std::unique_ptr<SceneObject> copy(item->Clone());
  if (!copy) return item;  // the edit goes on without an undo step
  if (item->GetType() == kItemCamera) {
    edit_before_ = std::move(copy);
    return item;
  }
  LIST* home = HomeOf(scene_, item);
  if (!home) return item;
  const ListPlace place{home, IndexOf(*home, item)};
  SceneObject* out = ExchangeAt(place, copy.get(), true, sink_);
  if (!out) return item;
  edit_item_ = copy.release();
  edit_before_.reset(out);
  edit_swapped_ = true;
  Repoint(out, edit_item_, false);
  Replaced(out, edit_item_);
  return edit_item_;
}

void Document::EndItemEdit(const QString& text, bool changed) {
  std::unique_ptr<SceneObject> before = std::move(edit_before_);
  SceneObject* item = edit_item_;
  const bool swapped = edit_swapped_;
  edit_item_ = nullptr;
  edit_swapped_ = false;
  if (!item) return;
  if (!changed) {
    if (swapped) {
      // Nothing changed: the item itself goes back and the copy goes.
      LIST* home = HomeOf(scene_, item);
      SceneObject* in = before.get();
      if (home && ExchangeAt({home, IndexOf(*home, item)}, in, true, sink_)) {
        before.release();
        Repoint(item, in, false);
        Replaced(item, in);
        delete item;
      }
    }
    return;
  }
  item->FreeText();
  if (before) undo_.push(new EditItemStep(*this, text, item, std::move(before)));
  emit itemChanged();
}

void Document::Replaced(SceneObject* from, SceneObject* to) {
  // A group's copy holds copies of its members: the browser needs them all anew.
  if (to->GetType() == kItemGroup) {
    emit sceneChanged();
  } else {
    emit itemReplaced(from, to);
  }
}

void Document::SetViewCamera(Camera* camera) {
  if (!camera) return;
  view_camera_ = camera;
  emit viewModeChanged();
}

bool Document::EditItem(SceneObject* item, const QString& text,
                        const std::function<bool(SceneObject& edited)>& change) {
  SceneObject* edited = BeginItemEdit(item);
  const bool changed = edited && change(*edited);
  EndItemEdit(text, changed);
  return changed;
}

void Document::SetViewMode(int mode) {
  view_mode_ = mode;
  emit viewModeChanged();
}

void Document::SetDisplayMode(int mode) {
  display_mode_ = mode == 1 ? 1 : 0;
  emit displayModeChanged();
}

bool Document::InScene(const SceneObject* item) const {
  if (!item) return false;
  return Holds(scene_.objects, item) || Holds(scene_.lights, item) || Holds(scene_.cameras, item);
}

void Document::AfterChange() {
  if (!InScene(current_object_)) {
    current_object_ = nullptr;
    selection_.Reset();
  }
  if (!InScene(reference_object_)) reference_object_ = nullptr;
  if (!InScene(current_camera_)) current_camera_ = FirstCamera(scene_);
  if (view_camera_ != &scene_.StandardCamera() && !InScene(view_camera_))
    view_camera_ = current_camera_ ? current_camera_ : &scene_.StandardCamera();
  if (current_material_ && !Holds(scene_.materials, current_material_)) current_material_ = nullptr;
  emit sceneChanged();
  emit currentChanged();
}

// ---- Files ---------------------------------------------------------------------------------

bool Document::NewScene() {
  undo_.push(new ReplaceSceneStep(*this, tr("New"), ""));
  return true;
}

bool Document::Open() {
  const std::optional<std::string> path = prompter_.OpenFile(kOpenFilter);
  if (!path || path->empty()) return false;
  return OpenPath(*path);
}

bool Document::OpenPath(const std::string& path) {
  auto* step = new ReplaceSceneStep(
      *this, tr("Open %1").arg(QString::fromStdString(FileTitleOf(path))), path);
  undo_.push(step);
  if (!step->loaded()) return false;
  // The scene is now what the file holds.
  undo_.setClean();
  emit fileUsed(QString::fromStdString(path));
  return true;
}

namespace {

// A load that runs for more than half a second shows "Loading..." with a Cancel button, which
// stops the script at its next statement. The dialog is application-modal: nothing else can
// be clicked while the scene is half loaded.
class LoadWatch {
 public:
  LoadWatch() {
    timer_.start();
    events_.start();
  }
  bool Cancelled() {
    if (++calls_ % 256 != 0) return false;
    if (!dialog_) {
      if (timer_.elapsed() < 500) return false;
      dialog_ =
          std::make_unique<QProgressDialog>(QObject::tr("Loading..."), QObject::tr("Cancel"), 0, 0);
      dialog_->setWindowModality(Qt::ApplicationModal);
      dialog_->setMinimumDuration(0);
      dialog_->show();
    }
    if (events_.elapsed() >= 50) {
      QCoreApplication::processEvents();
      events_.restart();
    }
    return dialog_->wasCanceled();
  }

 private:
  QElapsedTimer timer_;
  QElapsedTimer events_;
  std::unique_ptr<QProgressDialog> dialog_;
  uint64_t calls_ = 0;
};

}  // namespace

bool Document::RunScript(const std::string& path) {
  scene_.render.renderingDisabled = 1;
  ScriptInterpreter interpreter(scene_, out_, err_);
  interpreter.SetItemStatements(&commands_);
  LoadWatch watch;
  if (load_interrupt_)
    interpreter.SetInterrupt(load_interrupt_);
  else
    interpreter.SetInterrupt([&watch] { return watch.Cancelled(); });
  return interpreter.Run(path.c_str()) == ScriptInterpreter::kRunOk;
}

bool Document::LoadInto(const std::string& path) {
  if (!RunScript(path)) return false;
  AfterLoad();
  return true;
}

void Document::AfterLoad() {
  RemoveMappingObjects(scene_.objects);
  current_camera_ = FirstCamera(scene_);
  view_mode_ = kViewCamera;
  if (current_camera_) view_camera_ = current_camera_;
  // The interpreter's transient state.
  scene_.memberTarget = nullptr;
  scene_.ifDepth = 0;
  scene_.paramMode = 0;
  commands_.state().nesting = 0;
  commands_.state().open_groups.clear();
  commands_.state().loads_left.reset();
  emit viewModeChanged();
}

bool Document::SaveSceneFile(const std::string& path) {
  // Whatever the name, a scene file is written (".ovs" is added when missing).
  if (!SaveScene(scene_, path.c_str())) {
    Message(kExportErrorTitle, kExportErrorText, MessageIcon::kError);
    return false;
  }
  undo_.setClean();
  emit fileUsed(QString::fromStdString(SceneFileName(path.c_str()).c_str()));
  return true;
}

bool Document::WriteSceneTo(const std::string& path) {
  const std::string ext = LowerExtension(path);
  if (ext != ".wrl" && ext != ".pov") return SaveSceneFile(path);
  const bool ok =
      ext == ".wrl" ? exportSceneVrml(scene_, path.c_str()) : exportScenePov(scene_, path.c_str());
  if (!ok) Message(kExportErrorTitle, kExportErrorText, MessageIcon::kError);
  return ok;
}

bool Document::Save() {
  return !file_path_.empty() && SaveSceneFile(file_path_);
}

bool Document::SaveAs() {
  const std::optional<std::string> path = prompter_.SaveFile(kSaveAsFilter);
  if (!path || path->empty()) return false;
  if (!WriteSceneTo(*path)) return false;
  SetFile(*path);
  return true;
}

bool Document::Import() {
  const std::optional<std::string> path = prompter_.OpenFile(kImportFilter);
  if (!path || path->empty()) return false;
  return ImportPath(*path);
}

std::optional<std::string> Document::AskFreeName(const std::string& proposal, NameKind kind) {
  std::string name = proposal;
  for (;;) {
    std::optional<std::string> answer = prompter_.AskName(name);
    if (!answer) return std::nullopt;
    name = *answer;
    if (!name.empty() && !IsNameTaken(scene_, String(name.c_str()), kind)) return name;
    Message(kNameTakenTitle, kNameTakenText);
  }
}

bool Document::ImportPath(const std::string& path) {
  const QString text = tr("Import %1").arg(QString::fromStdString(FileTitleOf(path)));
  if (LowerExtension(path) == ".ovo") {
    // What the file built before it failed goes again: the scene stays as it was.
    bool loaded = true;
    const bool added = AddStep(text, [&] { return loaded = LoadInto(path); });
    if (!loaded) Message(kErrorTitle, kReadFailedText);
    if (!added) AfterChange();
    return added;
  }
  ImportedFile imported = ReadObjectFile(path);
  if (!imported.ok()) {
    Message(kErrorTitle, "Error reading file");
    return false;
  }
  return AddStep(text, [&] {
    std::string name = FileSafeName(FileTitle(path), "object").c_str();
    for (;;) {
      CommandResult added = AddImportedObject(scene_, imported, String(name.c_str()));
      if (added.ok()) return true;  // added preview_dirty
      if (added.text != kNameTakenText) {
        delete imported.object;
        Message(added.title.c_str(), added.text.c_str());
        return false;
      }
      Message(kNameTakenTitle, kNameTakenText);
      std::optional<std::string> answer = prompter_.AskName(name);
      if (!answer) {
        delete imported.object;  // Cancel discards the object
        return false;
      }
      name = *answer;
    }
  });
}

bool Document::Export() {
  if (!current_object_) {
    Message(kExportNoObjectTitle, kExportNoObjectText);
    return false;
  }
  const std::optional<std::string> path = prompter_.SaveFile(kExportFilter);
  if (!path || path->empty()) return false;
  const std::string ext = LowerExtension(*path);
  bool ok;
  if (ext == ".3ds") {
    String title, text;
    if (!Export3ds(current_object_, path->c_str(), &title, &text)) {
      Message(title.c_str(), text.c_str());
      return false;
    }
    return true;
  } else if (ext == ".pov") {
    ok = exportObjectPov(current_object_, path->c_str());
  } else if (ext == ".wrl") {
    ok = exportObjectVrml(current_object_, path->c_str());
  } else {
    ok = SaveObject(scene_, current_object_, path->c_str());
  }
  if (!ok) Message(kExportErrorTitle, kExportErrorText, MessageIcon::kError);
  return ok;
}

bool Document::ConfirmExit() {
  if (!IsModified()) return true;
  const Answer answer =
      prompter_.Message("Question", kExitQuestion, MessageButtons::kYesNo, MessageIcon::kQuestion);
  if (answer != Answer::kYes) return true;
  // Only a scene that reached its file may go.
  return file_path_.empty() ? SaveAs() && !IsModified() : Save();
}

// ---- Scene commands ------------------------------------------------------------------------

MeshObject* Document::PointsTarget() const {
  if (edit_.mode != EditMode::kPoints || selection_.empty() || !current_object_ ||
      current_object_->GetType() != kItemMesh)
    return nullptr;
  return static_cast<MeshObject*>(current_object_);
}

SceneObject* Document::SelectedPointsMesh(const MeshObject& mesh) const {
  auto part = std::make_unique<MeshObject>();
  std::vector<int64_t> index_of(mesh.point_count, -1);
  for (uint32_t point : selection_.points()) {
    if (point >= mesh.point_count || index_of[point] >= 0) continue;
    index_of[point] = part->point_count;
    if (!part->AppendPoint(mesh.points[point])) return nullptr;
  }
  std::vector<Triangle> kept;
  for (uint32_t i = 0; i < mesh.triangle_count; ++i) {
    const Triangle& t = mesh.triangles[i];
    if (!mesh.TriangleInRange(t) || index_of[t.a] < 0 || index_of[t.b] < 0 || index_of[t.c] < 0)
      continue;
    kept.push_back(t);
  }
  if (part->SetTriangleCount(static_cast<uint32_t>(kept.size())) != 0) return nullptr;
  for (uint32_t i = 0; i < kept.size(); ++i) {
    part->SetTriangle(i, static_cast<uint32_t>(index_of[kept[i].a]),
                      static_cast<uint32_t>(index_of[kept[i].b]),
                      static_cast<uint32_t>(index_of[kept[i].c]));
  }
  part->is_path = mesh.is_path;
  part->material = mesh.material;
  part->flags = mesh.flags;
  part->placement = mesh.placement;
  const String name((std::string(mesh.name.c_str()) + "_sub").c_str());
  part->name = IsNameTaken(scene_, name, NameKind::kObject)
                   ? MakeUniqueName(scene_, name, NameKind::kObject)
                   : name;
  part->Refresh();
  part->preview_dirty = 1;
  return part.release();
}

bool Document::DeleteSelectedPoints(MeshObject* mesh) {
  const std::vector<uint32_t> indices = selection_.points();
  const bool deleted =
      EditItem(mesh, tr("Delete points of %1").arg(mesh->name.c_str()), [&](SceneObject& edited) {
        auto& target = static_cast<MeshObject&>(edited);
        const auto count = static_cast<uint32_t>(indices.size());
        if (target.DeletePoints(indices.data(), count) != 0) return false;
        target.preview_dirty = 1;
        return true;
      });
  selection_.Reset();
  emit editStateChanged();
  return deleted;
}

bool Document::Copy() {
  if (!current_object_) return false;
  if (MeshObject* mesh = PointsTarget()) {
    SceneObject* part = SelectedPointsMesh(*mesh);
    if (!part) return false;
    clipboard_.reset(part);
    return true;
  }
  SceneObject* copy = current_object_->Clone();
  if (!copy) return false;
  clipboard_.reset(copy);
  return true;
}

bool Document::Cut() {
  if (!current_object_) return false;
  if (!Copy()) return false;
  if (MeshObject* mesh = PointsTarget()) return DeleteSelectedPoints(mesh);
  LIST* home = HomeOf(scene_, current_object_);
  if (!home) return false;
  if (home == scene_.cameras && current_object_ == &scene_.StandardCamera()) {
    // The standard camera is never handed to the clipboard; it stays the scene's.
    return false;
  }
  undo_.push(new RemoveItemStep(*this, tr("Cut %1").arg(current_object_->name.c_str()),
                                {home, IndexOf(*home, current_object_)}));
  current_object_ = nullptr;
  emit currentChanged();
  return true;
}

bool Document::Paste() {
  if (!clipboard_) return false;
  NameKind kind = NameKind::kObject;
  if (clipboard_->GetType() == kItemLight) kind = NameKind::kLight;
  if (clipboard_->GetType() == kItemCamera) kind = NameKind::kCamera;
  std::string name = clipboard_->name.c_str();
  while (IsNameTaken(scene_, String(name.c_str()), kind)) {
    std::optional<std::string> answer = prompter_.AskName(name);
    if (!answer) return false;
    name = *answer;
    if (IsNameTaken(scene_, String(name.c_str()), kind)) Message(kNameTakenTitle, kNameTakenText);
  }
  SceneObject* copy = clipboard_->Clone();
  if (!copy) return false;
  copy->name = name.c_str();
  copy->preview_dirty = 1;
  ReattachMaterials(scene_, copy);
  LIST* target = scene_.objects;
  GroupObject* parent = nullptr;
  if (kind == NameKind::kLight) {
    target = scene_.lights;
  } else if (kind == NameKind::kCamera) {
    target = scene_.cameras;
  } else if (current_object_ && current_object_->GetType() == kItemGroup && paste_into_group_) {
    parent = static_cast<GroupObject*>(current_object_);
    target = &parent->members;
  }
  copy->parent = parent;
  if (copy->GetType() == kItemGroup) static_cast<GroupObject*>(copy)->AssignParents();
  return AppendStep(target, copy, tr("Paste %1").arg(name.c_str()));
}

bool Document::Delete() {
  SceneObject* item = current_object_;
  if (!item) return false;
  if (MeshObject* mesh = PointsTarget()) return DeleteSelectedPoints(mesh);
  LIST* home = HomeOf(scene_, item);
  if (!home) return false;
  if (home == scene_.cameras && item == &scene_.StandardCamera()) {
    int cameras = 0;
    for (ListNode* n = scene_.cameras->head; n; n = n->next) ++cameras;
    if (cameras < 2) {
      Message(kAttentionTitle, kStandardCameraText);
      return false;
    }
  }
  const bool camera = home == scene_.cameras;
  undo_.push(new RemoveItemStep(*this, tr("Delete %1").arg(item->name.c_str()),
                                {home, IndexOf(*home, item)}));
  current_object_ = nullptr;
  if (camera) {
    current_camera_ = FirstCamera(scene_);
    view_camera_ =
        view_mode_ == kViewCamera && current_camera_ ? current_camera_ : &scene_.StandardCamera();
    if (!current_object_) current_object_ = current_camera_;
  }
  emit currentChanged();
  emit sceneChanged();
  return true;
}

bool Document::AppendStep(LIST* list, ListItem* item, const QString& text) {
  auto appended = std::make_unique<AppendedItems>();
  appended->Mark({list});
  if (!list || !list->Append(item, 1)) {
    delete item;
    return false;
  }
  appended->Collect();
  undo_.push(new AddItemsStep(*this, text, std::move(appended)));
  return true;
}

bool Document::AddStep(const QString& text, const std::function<bool()>& append) {
  auto appended = std::make_unique<AppendedItems>();
  appended->Mark(GrowingLists(scene_));
  const bool added = append();
  appended->Collect();
  if (!added || appended->Empty()) {
    // A refused command appends nothing; whatever it left goes again all the same.
    if (!appended->Empty()) {
      appended->TakeOut(sink_);
      AfterChange();
    }
    return false;
  }
  undo_.push(new AddItemsStep(*this, text, std::move(appended)));
  return true;
}

CommandResult Document::Construct(const QString& text,
                                  const std::function<CommandResult()>& build) {
  CommandResult result;
  const bool built = AddStep(text, [&] {
    result = build();
    return result.ok();
  });
  if (!built) {
    if (result.HasMessage()) Message(result.title.c_str(), result.text.c_str());
    if (result.ok()) result = CommandResult();  // nothing was appended after all
    return result;
  }
  SetCurrent(result.item);
  if (result.HasMessage())
    Message(result.title.c_str(), result.text.c_str(), MessageIcon::kWarning);
  return result;
}

// ---- Materials -----------------------------------------------------------------------------

namespace {

// Calls `visit` for every object of `list` and of every group in it, recursively.
void ForEachObject(LIST* list, const std::function<void(SceneObject&)>& visit) {
  if (!list) return;
  for (ListNode* n = list->head; n; n = n->next) {
    auto* object = dynamic_cast<SceneObject*>(n->item);
    if (!object) continue;
    visit(*object);
    if (object->GetType() == kItemGroup)
      ForEachObject(&static_cast<GroupObject*>(object)->members, visit);
  }
}

}  // namespace

// A material changed in place: undo and redo exchange its name and channels with the kept
// copy. The objects that use it write their text again.
class MaterialStep : public QUndoCommand {
 public:
  MaterialStep(Document& doc, const QString& text, Material* material, const Material& other)
      : QUndoCommand(text), doc_(doc), material_(material), other_(other) {}
  void redo() override { Exchange(); }
  void undo() override { Exchange(); }

 private:
  void Exchange() {
    const Material kept(*material_);
    *material_ = other_;
    other_ = kept;
    ForEachObject(doc_.scene().objects, [this](SceneObject& object) {
      if (object.material == material_) {
        object.FreeText();
        object.preview_dirty = 1;
      }
    });
    doc_.AfterChange();
  }

  Document& doc_;
  Material* material_;
  Material other_;
};

// A material out of the material list; undo puts it back where it was.
class RemoveMaterialStep : public QUndoCommand {
 public:
  RemoveMaterialStep(Document& doc, const QString& text, Material* material)
      : QUndoCommand(text),
        doc_(doc),
        material_(material),
        place_{doc.scene().materials, IndexOf(*doc.scene().materials, material)} {}
  ~RemoveMaterialStep() override {
    if (out_ && owns_) delete material_;
  }
  void redo() override {
    TakeNode(place_, &owns_);
    out_ = true;
    doc_.AfterChange();
  }
  void undo() override {
    if (PutNode(place_, material_, owns_)) out_ = false;
    doc_.AfterChange();
  }

 private:
  Document& doc_;
  Material* material_;
  ListPlace place_;
  int owns_ = 1;
  bool out_ = false;
};

void Document::ChangeMaterial(Material* material, const Material& after, const QString& text) {
  if (!material) return;
  undo_.push(new MaterialStep(*this, text, material, after));
}

bool Document::AssignMaterial(Material* material, SceneObject* object, bool members) {
  if (!material || !object) return false;
  return EditItem(object, tr("Assign %1").arg(material->name.c_str()), [&](SceneObject& edited) {
    if (members && edited.GetType() == kItemGroup) {
      ForEachObject(&static_cast<GroupObject&>(edited).members, [&](SceneObject& member) {
        member.material = material;
        member.FreeText();
        member.preview_dirty = 1;
      });
    } else {
      edited.material = material;
    }
    edited.FreeText();
    edited.preview_dirty = 1;
    return true;
  });
}

bool Document::DeleteMaterial(Material* material) {
  if (!material || !Holds(scene_.materials, material)) return false;
  bool used = false;
  ForEachObject(scene_.objects, [&](SceneObject& object) { used |= object.material == material; });
  if (used) {
    Message(kAttentionTitle, kMaterialInUseText);
    return false;
  }
  undo_.push(new RemoveMaterialStep(*this, tr("Delete %1").arg(material->name.c_str()), material));
  return true;
}

bool Document::MergeFile(const std::string& path) {
  const bool merged = AddStep(tr("Merge %1").arg(QString::fromStdString(FileTitleOf(path))),
                              [&] { return RunScript(path); });
  if (!merged) Message(kErrorTitle, kMergeFailedText);
  return merged;
}

bool Document::NewGroup() {
  std::optional<std::string> name = AskFreeName(kGroupProposal, NameKind::kObject);
  if (!name) return false;
  auto* group = new GroupObject;
  group->name = name->c_str();
  return AppendStep(scene_.objects, group, tr("New group %1").arg(name->c_str()));
}

bool Document::NewCamera() {
  const String proposal = MakeUniqueName(scene_, String(kCameraProposal), NameKind::kCamera);
  std::optional<std::string> name = AskFreeName(proposal.c_str(), NameKind::kCamera);
  if (!name) return false;
  auto* camera = new Camera;
  camera->name = name->c_str();
  camera->preview_dirty = 1;
  return AppendStep(scene_.cameras, camera, tr("New camera %1").arg(name->c_str()));
}

}  // namespace orvane::editor
