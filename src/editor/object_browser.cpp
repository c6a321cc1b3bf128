#include "editor/object_browser.h"

#include <QCheckBox>
#include <QDropEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QUndoCommand>

#include <functional>

#include "editor/document.h"
#include "material/material.h"
#include "material/texture.h"
#include "scene/camera.h"
#include "scene/group_object.h"
#include "scene/mesh_object.h"
#include "scene/naming.h"

namespace orvane::editor {

namespace {

constexpr int kItemRole = Qt::UserRole;

ListItem* ItemOf(const QTreeWidgetItem* entry) {
  return entry ? reinterpret_cast<ListItem*>(entry->data(0, kItemRole).value<quintptr>()) : nullptr;
}

String* NameField(ListItem* item) {
  if (auto* object = dynamic_cast<SceneObject*>(item)) return &object->name;
  if (auto* material = dynamic_cast<Material*>(item)) return &material->name;
  if (auto* texture = dynamic_cast<Texture*>(item)) return &texture->name;
  return nullptr;
}

QString NameOf(ListItem* item) {
  const String* name = NameField(item);
  return name ? QString::fromUtf8(name->c_str()) : QString();
}

// The ten pictures of the image list: a simple shape for each kind of entry.
QIcon MakeIcon(int image) {
  QPixmap picture(16, 16);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::black, 1));
  switch (image) {
    case ObjectBrowser::kImageObjects:
      p.setBrush(QColor(120, 160, 220));
      p.drawRect(2, 5, 7, 7);
      p.drawEllipse(8, 3, 6, 6);
      break;
    case ObjectBrowser::kImageLight:
      p.setBrush(QColor(255, 220, 60));
      p.drawEllipse(3, 2, 10, 10);
      p.drawRect(6, 12, 4, 3);
      break;
    case ObjectBrowser::kImageCamera:
      p.setBrush(QColor(90, 90, 90));
      p.drawRect(1, 5, 10, 7);
      p.drawPolygon(QPolygon({QPoint(11, 8), QPoint(15, 5), QPoint(15, 12)}));
      break;
    case ObjectBrowser::kImageMaterial:
      p.setBrush(QColor(200, 60, 60));
      p.drawEllipse(2, 2, 12, 12);
      break;
    case ObjectBrowser::kImageTexture:
      for (int i = 0; i < 4; ++i)
        p.fillRect(2 + (i % 2) * 6, 2 + (i / 2) * 6, 6, 6,
                   (i == 0 || i == 3) ? Qt::black : Qt::white);
      p.drawRect(2, 2, 12, 12);
      break;
    case ObjectBrowser::kImageMesh:
      p.setBrush(QColor(110, 200, 110));
      p.drawPolygon(QPolygon({QPoint(2, 14), QPoint(8, 2), QPoint(14, 14)}));
      p.drawLine(8, 2, 8, 14);
      break;
    case ObjectBrowser::kImageOther:
      p.setBrush(QColor(110, 170, 230));
      p.drawEllipse(2, 2, 12, 12);
      break;
    case ObjectBrowser::kImageGroup:
      p.setBrush(QColor(230, 190, 100));
      p.drawRect(1, 4, 14, 10);
      p.drawRect(1, 2, 6, 2);
      break;
    case ObjectBrowser::kImagePath:
      p.setPen(QPen(QColor(40, 120, 40), 2));
      p.drawPolyline(QPolygon({QPoint(2, 13), QPoint(6, 4), QPoint(10, 11), QPoint(14, 3)}));
      break;
    default:  // procedural textures
      p.setBrush(QColor(160, 100, 200));
      p.drawRect(2, 2, 12, 12);
      p.drawLine(2, 8, 14, 8);
      p.drawLine(8, 2, 8, 14);
      break;
  }
  return QIcon(picture);
}

// Triangles and points of every mesh in `list`, through its groups.
void CountMeshes(const LIST* list, uint64_t* triangles, uint64_t* points) {
  if (!list) return;
  for (const ListNode* n = list->head; n; n = n->next) {
    if (!n->item) continue;
    if (n->item->GetType() == kItemMesh) {
      const auto* mesh = static_cast<const MeshObject*>(n->item);
      *triangles += mesh->triangle_count;
      *points += mesh->point_count;
    } else if (n->item->GetType() == kItemGroup) {
      CountMeshes(&static_cast<const GroupObject*>(n->item)->members, triangles, points);
    }
  }
}

bool NameInList(const LIST* list, const String& name, const ListItem* except) {
  if (!list) return false;
  for (const ListNode* n = list->head; n; n = n->next) {
    String* other = NameField(n->item);
    if (n->item != except && other && *other == name) return true;
  }
  return false;
}

// A rename of an entry's item. Items keep their identity in every state of the stack, so the
// step holds the item itself.
class RenameStep : public QUndoCommand {
 public:
  RenameStep(Document& doc, ListItem* item, const String& name)
      : QUndoCommand(QObject::tr("Rename %1").arg(QString::fromUtf8(name.c_str()))),
        doc_(doc),
        item_(item),
        name_(name) {}
  void redo() override { Exchange(); }
  void undo() override { Exchange(); }

 private:
  void Exchange() {
    String* name = NameField(item_);
    const String kept = *name;
    *name = name_;
    name_ = kept;
    if (auto* object = dynamic_cast<SceneObject*>(item_)) {
      object->FreeText();
      if (object->GetType() == kItemMesh) {
        if (SceneObject* mapping = static_cast<MeshObject*>(object)->mapping_object)
          mapping->FreeText();
      }
    }
    doc_.AfterChange();
  }

  Document& doc_;
  ListItem* item_;
  String name_;
};

// The tree: a drop ends in the browser's rules instead of moving entries about.
class BrowserTree : public QTreeWidget {
 public:
  using QTreeWidget::QTreeWidget;
  std::function<void(QTreeWidgetItem*, QTreeWidgetItem*)> on_drop;

 protected:
  void dropEvent(QDropEvent* event) override {
    QTreeWidgetItem* target = itemAt(event->position().toPoint());
    QTreeWidgetItem* dragged = currentItem();
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    if (on_drop && dragged && target) on_drop(dragged, target);
  }
};

}  // namespace

ObjectBrowser::ObjectBrowser(Document& document, QWidget* parent)
    : ToolWindow(QStringLiteral("Object-Browser"), parent), document_(document) {
  auto* layout = new QGridLayout(this);
  auto* tree = new BrowserTree(this);
  tree->on_drop = [this](QTreeWidgetItem* dragged, QTreeWidgetItem* target) {
    Drop(dragged, target);
  };
  tree_ = tree;
  tree_->setObjectName("tree");
  tree_->setHeaderHidden(true);
  tree_->setIconSize(QSize(16, 16));
  tree_->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
  tree_->setDragDropMode(QAbstractItemView::DragDrop);
  tree_->setDefaultDropAction(Qt::MoveAction);
  layout->addWidget(tree_, 0, 0, 1, 3);

  auto field = [this](const char* name) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString::fromUtf8(name));
    edit->setReadOnly(true);
    return edit;
  };
  type_ = field("type");
  name_ = field("name");
  info_ = new QLabel(this);
  info_->setObjectName("info");
  material_ = field("material");
  shadow_ = new QCheckBox(QStringLiteral("Shadow"), this);
  active_ = new QCheckBox(QStringLiteral("active"), this);
  phong_ = new QCheckBox(QStringLiteral("Phong"), this);
  for (QCheckBox* box : {shadow_, active_, phong_}) box->setObjectName(box->text());
  auto* reference_button = new QPushButton(QStringLiteral("reference object >"), this);
  reference_button->setObjectName("reference object >");
  reference_button->setAutoDefault(false);
  reference_ = field("reference");
  layout->addWidget(type_, 1, 0, 1, 3);
  layout->addWidget(name_, 2, 0, 1, 3);
  layout->addWidget(info_, 3, 0, 1, 3);
  layout->addWidget(material_, 4, 0, 1, 3);
  layout->addWidget(shadow_, 5, 0);
  layout->addWidget(active_, 5, 1);
  layout->addWidget(phong_, 5, 2);
  layout->addWidget(reference_button, 6, 0, 1, 2);
  layout->addWidget(reference_, 6, 2);
  resize(240, 480);

  connect(shadow_, &QCheckBox::clicked, this,
          [this](bool on) { SetFlag(kHasShadow | kGetsShadow, on, tr("Shadow of %1")); });
  connect(active_, &QCheckBox::clicked, this,
          [this](bool on) { SetFlag(kIsVisible, on, tr("Visibility of %1")); });
  connect(phong_, &QCheckBox::clicked, this,
          [this](bool on) { SetFlag(kUsePhong, on, tr("Smoothing of %1")); });
  connect(reference_button, &QPushButton::clicked, this, [this] {
    document_.SetReference(document_.currentObject());
    ShowPanel();
  });

  connect(tree_, &QTreeWidget::itemSelectionChanged, this, &ObjectBrowser::SelectionChanged);
  connect(tree_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* entry, int) {
    if (!filling_) Rename(entry, entry->text(0));
  });
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, &ObjectBrowser::DoubleClicked);
  connect(&document_, &Document::sceneChanged, this, &ObjectBrowser::Fill);
  connect(&document_, &Document::itemReplaced, this, &ObjectBrowser::ItemReplaced);
  connect(&document_, &Document::currentChanged, this, [this] {
    Select(document_.currentObject());
    ShowPanel();
  });
  connect(&document_, &Document::itemChanged, this, &ObjectBrowser::ShowPanel);

  // The clipboard keys of the tree; while a name is edited they go to the edit field.
  auto key = [this](const QKeySequence& sequence, std::function<bool(Document&)> command) {
    auto* shortcut = new QShortcut(sequence, tree_);
    shortcut->setContext(Qt::WidgetShortcut);
    connect(shortcut, &QShortcut::activated, this, [this, command = std::move(command)] {
      const Root root = RootOf(tree_->currentItem());
      if (root != kMaterials && root != kTextures) command(document_);
    });
  };
  key(QKeySequence(Qt::Key_Delete), [](Document& d) { return d.Delete(); });
  key(QKeySequence(Qt::CTRL | Qt::Key_C), [](Document& d) { return d.Copy(); });
  key(QKeySequence(Qt::CTRL | Qt::Key_V), [](Document& d) { return d.Paste(); });
  key(QKeySequence(Qt::CTRL | Qt::Key_X), [](Document& d) { return d.Cut(); });
}

int ObjectBrowser::ImageOf(const ListItem* item) {
  switch (item ? item->GetType() : -1) {
    case kItemLight:
      return kImageLight;
    case kItemCamera:
      return kImageCamera;
    case kItemMaterial:
      return kImageMaterial;
    case kItemTexture:
      return static_cast<const Texture*>(item)->kind == 2 ? kImageProcedural : kImageTexture;
    case kItemMesh:
      return static_cast<const MeshObject*>(item)->IsPath() ? kImagePath : kImageMesh;
    case kItemGroup:
      return kImageGroup;
    default:
      return kImageOther;
  }
}

QTreeWidgetItem* ObjectBrowser::AddEntry(QTreeWidgetItem* parent, ListItem* item) {
  static const std::vector<QIcon> icons = [] {
    std::vector<QIcon> all;
    for (int i = 0; i < kImageCount; ++i) all.push_back(MakeIcon(i));
    return all;
  }();
  auto* entry = new QTreeWidgetItem(parent, QStringList(NameOf(item)));
  entry->setData(0, kItemRole, QVariant::fromValue(reinterpret_cast<quintptr>(item)));
  entry->setIcon(0, icons[ImageOf(item)]);
  Qt::ItemFlags flags = entry->flags() | Qt::ItemIsEditable | Qt::ItemIsDragEnabled;
  if (dynamic_cast<SceneObject*>(item) && item->GetType() != kItemLight &&
      item->GetType() != kItemCamera)
    flags |= Qt::ItemIsDropEnabled;
  else
    flags &= ~Qt::ItemIsDropEnabled;
  entry->setFlags(flags);
  return entry;
}

void ObjectBrowser::AddList(QTreeWidgetItem* parent, const LIST* list, int type) {
  if (!list) return;
  for (const ListNode* n = list->head; n; n = n->next) {
    if (n->item && n->item->GetType() == type) AddEntry(parent, n->item);
  }
}

void ObjectBrowser::AddObjects(QTreeWidgetItem* parent, const LIST* list) {
  if (!list) return;
  for (const ListNode* n = list->head; n; n = n->next) {
    auto* object = dynamic_cast<SceneObject*>(n->item);
    if (!object) continue;
    QTreeWidgetItem* entry = AddEntry(parent, object);
    if (object->GetType() == kItemGroup) {
      AddObjects(entry, &static_cast<GroupObject*>(object)->members);
      entry->setExpanded(true);
    }
  }
}

void ObjectBrowser::Fill() {
  filling_ = true;
  tree_->clear();
  const char* names[] = {"lights", "cameras", "objects", "materials", "textures"};
  const int images[] = {kImageLight, kImageCamera, kImageObjects, kImageMaterial, kImageTexture};
  for (int i = 0; i < 5; ++i) {
    roots_[i] = new QTreeWidgetItem(tree_, QStringList(names[i]));
    QFont bold = roots_[i]->font(0);
    bold.setBold(true);
    roots_[i]->setFont(0, bold);
    roots_[i]->setIcon(0, MakeIcon(images[i]));
    Qt::ItemFlags flags = roots_[i]->flags() & ~(Qt::ItemIsEditable | Qt::ItemIsDragEnabled);
    if (i != kObjects) flags &= ~Qt::ItemIsDropEnabled;
    roots_[i]->setFlags(flags);
  }
  const Scene& scene = document_.scene();
  AddList(roots_[kLights], scene.lights, kItemLight);
  AddList(roots_[kCameras], scene.cameras, kItemCamera);
  AddObjects(roots_[kObjects], scene.objects);
  AddList(roots_[kMaterials], scene.materials, kItemMaterial);
  AddList(roots_[kTextures], scene.images, kItemTexture);
  for (QTreeWidgetItem* root : roots_) root->setExpanded(true);
  filling_ = false;
  Select(document_.currentObject());
  ShowPanel();
}

void ObjectBrowser::ItemReplaced(SceneObject* from, SceneObject* to) {
  if (QTreeWidgetItem* entry = EntryOf(from))
    entry->setData(0, kItemRole, QVariant::fromValue(reinterpret_cast<quintptr>(to)));
}

QTreeWidgetItem* ObjectBrowser::EntryOf(const ListItem* item) const {
  if (!item) return nullptr;
  for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
    if (ItemOf(*it) == item) return *it;
  }
  return nullptr;
}

ObjectBrowser::Root ObjectBrowser::RootOf(const QTreeWidgetItem* entry) const {
  while (entry && entry->parent()) entry = entry->parent();
  for (int i = 0; i < 5; ++i) {
    if (entry && entry == roots_[i]) return static_cast<Root>(i);
  }
  return kObjects;
}

void ObjectBrowser::Select(const ListItem* item) {
  QTreeWidgetItem* entry = EntryOf(item);
  if (entry == tree_->currentItem() && (entry == nullptr || entry->isSelected())) return;
  filling_ = true;
  if (entry) {
    tree_->setCurrentItem(entry);
  } else {
    tree_->clearSelection();
  }
  filling_ = false;
}

void ObjectBrowser::SelectionChanged() {
  if (filling_) return;
  const QList<QTreeWidgetItem*> selected = tree_->selectedItems();
  if (selected.isEmpty()) return;
  QTreeWidgetItem* entry = selected.front();
  document_.SetPasteIntoGroup(entry != roots_[kObjects]);
  ListItem* item = ItemOf(entry);
  const Root root = RootOf(entry);
  emit clipboardCommandsEnabled(item && root != kMaterials && root != kTextures);
  if (!item) return;  // a root
  if (auto* material = dynamic_cast<Material*>(item)) {
    document_.SetCurrentMaterial(material);
    document_.selection().Reset();
  } else if (auto* object = dynamic_cast<SceneObject*>(item)) {
    if (object != document_.currentObject()) document_.selection().Reset();
    if (object->GetType() == kItemCamera) static_cast<Camera*>(object)->setImageSize(320, 240);
    document_.SetCurrent(object);
  } else {
    document_.selection().Reset();
  }
  ShowPanel();
  document_.NotifyEditState();
}

void ObjectBrowser::ShowPanel() {
  ListItem* item = ItemOf(tree_->currentItem());
  if (!tree_->currentItem() || !tree_->currentItem()->isSelected()) item = nullptr;
  auto* object = dynamic_cast<SceneObject*>(item);
  type_->setText(QStringLiteral("(Objektart)"));
  name_->clear();
  info_->clear();
  material_->clear();
  for (QCheckBox* box : {shadow_, active_, phong_}) box->setEnabled(object != nullptr);
  if (dynamic_cast<Material*>(item)) type_->setText(QStringLiteral("Material"));
  if (dynamic_cast<Texture*>(item)) type_->setText(QStringLiteral("Textur"));
  if (item) name_->setText(NameOf(item));
  if (object) {
    type_->setText(QString::fromUtf8(object->TypeName()));
    if (object->material) material_->setText(QString::fromUtf8(object->material->name.c_str()));
    if (object->GetType() == kItemMesh) {
      const auto* mesh = static_cast<const MeshObject*>(object);
      info_->setText(QStringLiteral("Triangles: %1  Points: %2")
                         .arg(mesh->triangle_count)
                         .arg(mesh->point_count));
    } else if (object->GetType() == kItemGroup) {
      uint64_t triangles = 0, points = 0;
      CountMeshes(&static_cast<const GroupObject*>(object)->members, &triangles, &points);
      info_->setText(QStringLiteral("Dreiecke: %1  Punkte: %2").arg(triangles).arg(points));
    }
    shadow_->setChecked(object->HasFlag(kHasShadow));
    active_->setChecked(object->HasFlag(kIsVisible));
    phong_->setChecked(object->HasFlag(kUsePhong));
  }
  const SceneObject* reference = document_.referenceObject();
  reference_->setText(reference ? QString::fromUtf8(reference->name.c_str()) : QString());
}

void ObjectBrowser::SetFlag(uint32_t flags, bool on, const QString& text) {
  SceneObject* item = document_.currentObject();
  if (!item) return;
  document_.EditItem(item, text.arg(item->name.c_str()), [&](SceneObject& edited) {
    const uint32_t before = edited.flags;
    edited.SetFlag(flags, on);
    return edited.flags != before;
  });
}

bool ObjectBrowser::Rename(QTreeWidgetItem* entry, const QString& text) {
  ListItem* item = ItemOf(entry);
  String* old_name = NameField(item);
  if (!old_name || text == QString::fromUtf8(old_name->c_str())) return true;
  const String name = FileSafeName(String(text.toUtf8().constData()), old_name->c_str());
  const Scene& scene = document_.scene();
  const char* taken = nullptr;
  switch (RootOf(entry)) {
    case kLights:
      if (IsNameTaken(scene, name, NameKind::kLight)) taken = kObjectNameTaken;
      break;
    case kCameras:
      if (IsNameTaken(scene, name, NameKind::kCamera)) taken = kObjectNameTaken;
      break;
    case kMaterials:
      if (NameInList(scene.materials, name, item)) taken = kMaterialNameTaken;
      break;
    case kTextures:
      if (NameInList(scene.images, name, item)) taken = kTextureNameTaken;
      break;
    default:
      if (IsNameTaken(scene, name, NameKind::kObject)) taken = kObjectNameTaken;
      break;
  }
  if (taken || name == *old_name) {
    filling_ = true;
    entry->setText(0, QString::fromUtf8(old_name->c_str()));
    filling_ = false;
    if (taken)
      document_.prompter().Message("Error", taken, MessageButtons::kOk, MessageIcon::kError);
    return !taken;
  }
  document_.undoStack().push(new RenameStep(document_, item, name));
  return true;
}

void ObjectBrowser::Drop(QTreeWidgetItem* dragged, QTreeWidgetItem* target) {
  if (!dragged || !target || dragged == target) return;
  ListItem* item = ItemOf(dragged);
  ListItem* onto = ItemOf(target);
  const bool onto_objects = RootOf(target) == kObjects &&
                            (target == roots_[kObjects] || dynamic_cast<SceneObject*>(onto));
  if (!item || !onto_objects) return;
  if (auto* material = dynamic_cast<Material*>(item)) {
    auto* object = dynamic_cast<SceneObject*>(onto);
    if (!object) object = document_.currentObject();
    if (!object || object->material == material) return;
    document_.EditItem(object, tr("Material of %1").arg(object->name.c_str()),
                       [material](SceneObject& edited) {
                         edited.material = material;
                         return true;
                       });
    return;
  }
  auto* object = dynamic_cast<SceneObject*>(item);
  if (!object || RootOf(dragged) != kObjects) return;
  for (const QTreeWidgetItem* up = target; up; up = up->parent()) {
    if (up == dragged) {
      document_.prompter().Message("Attention", kGroupIntoItself, MessageButtons::kOk,
                                   MessageIcon::kNone);
      return;
    }
  }
  // A move is a Cut and a Paste, undone as one.
  auto* group = dynamic_cast<SceneObject*>(onto);
  QUndoStack& stack = document_.undoStack();
  stack.beginMacro(tr("Move %1").arg(object->name.c_str()));
  document_.SetCurrent(object);
  bool moved = document_.Cut();
  if (moved) {
    document_.SetCurrent(group);
    document_.SetPasteIntoGroup(group != nullptr);
    moved = document_.Paste();
    document_.SetPasteIntoGroup(true);
  }
  stack.endMacro();
  if (!moved) stack.undo();  // the object stays where it was
}

void ObjectBrowser::DoubleClicked(QTreeWidgetItem* entry) {
  ListItem* item = ItemOf(entry);
  if (auto* camera = dynamic_cast<Camera*>(item)) {
    if (document_.viewMode() == kViewCamera) document_.SetViewCamera(camera);
    return;
  }
  const int type = item ? item->GetType() : -1;
  if (type == kItemLight || type == kItemMaterial || type == kItemTexture) emit itemOpened(item);
}

}  // namespace orvane::editor
