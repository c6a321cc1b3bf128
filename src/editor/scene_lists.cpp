#include "editor/scene_lists.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "scene/group_object.h"
#include "scene/scene_object.h"

namespace orvane::editor {

namespace {}  // namespace

void ForgetPreview(SceneObject& item, PreviewSink* sink) {
  if (sink) {
    for (int i = 0; i < 4; ++i) {
      const uint32_t name = item.display_lists[i];
      if (name == 0) continue;
      // A name kept in two slots (a reduced list that is the full one) is freed once.
      if (std::find(item.display_lists, item.display_lists + i, name) == item.display_lists + i)
        sink->DeleteList(name);
    }
  }
  std::fill(item.display_lists, item.display_lists + 4, 0u);
  item.preview_dirty = 1;
  if (item.GetType() == kItemGroup) ForgetPreviews(&static_cast<GroupObject&>(item).members, sink);
}

namespace {

ListNode* NodeAt(const LIST& list, int index) {
  ListNode* node = list.head;
  for (int i = 0; node && i < index; ++i) node = node->next;
  return node;
}

}  // namespace

void ForgetPreviews(const LIST* list, PreviewSink* sink) {
  if (!list) return;
  for (const ListNode* n = list->head; n; n = n->next) {
    if (auto* item = dynamic_cast<SceneObject*>(n->item)) ForgetPreview(*item, sink);
  }
}

void MarkPreviewsDirty(const LIST* list) {
  if (!list) return;
  for (const ListNode* n = list->head; n; n = n->next) {
    auto* item = dynamic_cast<SceneObject*>(n->item);
    if (!item) continue;
    item->preview_dirty = 1;
    if (item->GetType() == kItemGroup) MarkPreviewsDirty(&static_cast<GroupObject*>(item)->members);
  }
}

SceneLists::~SceneLists() {
  for (LIST*& list : lists_) {
    if (!list) continue;
    while (list->head) {
      list->current = list->head;
      // The standard camera belongs to the scene; every other camera to its list.
      if (list->head->item == standard_) list->SetOwn(0);
      list->Remove();
    }
    delete list;
    list = nullptr;
  }
}

void SceneLists::SwapWith(Scene& scene, PreviewSink* sink) {
  standard_ = &scene.StandardCamera();
  ForgetPreviews(scene.objects, sink);
  ForgetPreviews(scene.lights, sink);
  ForgetPreviews(scene.cameras, sink);
  LIST** fields[] = {&scene.objects,   &scene.objects2, &scene.points,  &scene.lights,
                     &scene.materials, &scene.images,   &scene.cameras, &scene.variables,
                     &scene.labels,    &scene.lines};
  static_assert(std::size(fields) == sizeof(lists_) / sizeof(lists_[0]));
  for (std::size_t i = 0; i < std::size(fields); ++i) std::swap(*fields[i], lists_[i]);
  std::swap(scene.render, render_);
  std::swap(scene.traceCamera, trace_camera_);
  scene.memberTarget = nullptr;
  MarkPreviewsDirty(scene.objects);
  MarkPreviewsDirty(scene.lights);
  MarkPreviewsDirty(scene.cameras);
}

int IndexOf(const LIST& list, const ListItem* item) {
  int index = 0;
  for (const ListNode* n = list.head; n; n = n->next, ++index) {
    if (n->item == item) return index;
  }
  return -1;
}

ListItem* TakeNode(const ListPlace& place, int* owns) {
  if (!place.list) return nullptr;
  LIST& list = *place.list;
  ListNode* node = NodeAt(list, place.index);
  if (!node) return nullptr;
  ListItem* item = node->item;
  *owns = node->owns;
  ListNode* keep = list.current == node ? nullptr : list.current;
  list.current = node;
  list.SetOwn(0);
  list.Remove();
  if (keep) list.current = keep;
  return item;
}

bool PutNode(const ListPlace& place, ListItem* item, int owns) {
  if (!place.list) return false;
  LIST& list = *place.list;
  ListNode* keep = list.current;
  int ok;
  if (place.index <= 0 || !list.head) {
    ok = list.Prepend(item, owns);
  } else {
    ListNode* before = NodeAt(list, place.index - 1);
    list.current = before ? before : list.tail;
    ok = list.Insert(item, owns);
  }
  if (keep) list.current = keep;
  return ok != 0;
}

AppendedItems::~AppendedItems() {
  if (!out_) return;
  for (Entry& e : entries_) {
    for (auto& [item, owns] : e.items) {
      if (owns) delete item;
    }
  }
}

void AppendedItems::Mark(const std::vector<LIST*>& lists) {
  entries_.clear();
  for (LIST* list : lists) {
    if (!list) continue;
    int length = 0;
    for (ListNode* n = list->head; n; n = n->next) ++length;
    entries_.push_back({list, length, {}});
  }
}

void AppendedItems::Collect() {
  for (Entry& e : entries_) {
    e.items.clear();
    for (ListNode* n = NodeAt(*e.list, e.length_before); n; n = n->next)
      e.items.emplace_back(n->item, n->owns);
  }
}

bool AppendedItems::Empty() const {
  for (const Entry& e : entries_) {
    if (!e.items.empty()) return false;
  }
  return true;
}

void AppendedItems::TakeOut(PreviewSink* sink) {
  if (out_) return;
  for (Entry& e : entries_) {
    for (std::size_t i = e.items.size(); i-- > 0;) {
      int owns = 0;
      TakeNode({e.list, e.length_before + static_cast<int>(i)}, &owns);
      if (auto* object = dynamic_cast<SceneObject*>(e.items[i].first)) ForgetPreview(*object, sink);
    }
  }
  out_ = true;
}

void AppendedItems::PutBack() {
  if (!out_) return;
  for (Entry& e : entries_) {
    for (auto& [item, owns] : e.items) {
      ListNode* keep = e.list->current;
      e.list->Append(item, owns);
      if (keep) e.list->current = keep;
      if (auto* object = dynamic_cast<SceneObject*>(item)) object->preview_dirty = 1;
    }
  }
  out_ = false;
}

std::vector<ListItem*> AppendedItems::Items() const {
  std::vector<ListItem*> items;
  for (const Entry& e : entries_) {
    for (const auto& entry : e.items) items.push_back(entry.first);
  }
  return items;
}

}  // namespace orvane::editor
