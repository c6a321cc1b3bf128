#include "editor/object_browser.h"

#include <QVBoxLayout>

#include "editor/document.h"
#include "material/material.h"
#include "material/texture.h"
#include "scene/group_object.h"

namespace orvane::editor {

namespace {

constexpr int kItemRole = Qt::UserRole;

ListItem* ItemOf(const QTreeWidgetItem* entry) {
  return reinterpret_cast<ListItem*>(entry->data(0, kItemRole).value<quintptr>());
}

QString NameOf(const ListItem* item) {
  if (auto* object = dynamic_cast<const SceneObject*>(item)) return object->name.c_str();
  if (auto* material = dynamic_cast<const Material*>(item)) return material->name.c_str();
  if (auto* texture = dynamic_cast<const Texture*>(item)) return texture->name.c_str();
  return QString();
}

}  // namespace

ObjectBrowser::ObjectBrowser(Document& document, QWidget* parent)
    : ToolWindow(QStringLiteral("Object-Browser"), parent), document_(document) {
  auto* layout = new QVBoxLayout(this);
  tree_ = new QTreeWidget(this);
  tree_->setObjectName("tree");
  tree_->setHeaderHidden(true);
  layout->addWidget(tree_);
  resize(220, 400);
  connect(tree_, &QTreeWidget::itemSelectionChanged, this, &ObjectBrowser::SelectionChanged);
  connect(&document_, &Document::sceneChanged, this, &ObjectBrowser::Fill);
  connect(&document_, &Document::currentChanged, this,
          [this] { Select(document_.currentObject()); });
}

void ObjectBrowser::AddList(QTreeWidgetItem* parent, const LIST* list, int type) {
  if (!list) return;
  for (const ListNode* n = list->head; n; n = n->next) {
    if (!n->item || n->item->GetType() != type) continue;
    auto* entry = new QTreeWidgetItem(parent, QStringList(NameOf(n->item)));
    entry->setData(0, kItemRole, QVariant::fromValue(reinterpret_cast<quintptr>(n->item)));
  }
}

void ObjectBrowser::AddObjects(QTreeWidgetItem* parent, const LIST* list) {
  if (!list) return;
  for (const ListNode* n = list->head; n; n = n->next) {
    auto* object = dynamic_cast<SceneObject*>(n->item);
    if (!object) continue;
    auto* entry = new QTreeWidgetItem(parent, QStringList(NameOf(object)));
    entry->setData(0, kItemRole, QVariant::fromValue(reinterpret_cast<quintptr>(object)));
    object->preview_dirty = 1;
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
  for (int i = 0; i < 5; ++i) {
    roots_[i] = new QTreeWidgetItem(tree_, QStringList(names[i]));
    QFont bold = roots_[i]->font(0);
    bold.setBold(true);
    roots_[i]->setFont(0, bold);
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
}

QTreeWidgetItem* ObjectBrowser::EntryOf(const ListItem* item) const {
  if (!item) return nullptr;
  for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
    if (ItemOf(*it) == item) return *it;
  }
  return nullptr;
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
  if (!item) return;  // a root
  if (auto* material = dynamic_cast<Material*>(item)) {
    document_.SetCurrentMaterial(material);
  } else if (auto* object = dynamic_cast<SceneObject*>(item)) {
    document_.SetCurrent(object);
  }
}

}  // namespace orvane::editor
