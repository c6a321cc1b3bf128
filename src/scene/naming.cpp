#include "scene/naming.h"

#include <string>

#include "scene/group_object.h"
#include "scene/scene.h"

namespace orvane {

namespace {

SceneObject* ItemAt(const ListNode* node) {
  return dynamic_cast<SceneObject*>(node->item);
}

GroupObject* AsGroup(SceneObject* item) {
  return item->GetType() == kItemGroup ? dynamic_cast<GroupObject*>(item) : nullptr;
}

// Whether an item of the nodes from `head` on, or of any group among them (recursively), is
// called `name`.
bool TreeHasName(const ListNode* head, const String& name) {
  for (const ListNode* n = head; n; n = n->next) {
    SceneObject* item = ItemAt(n);
    if (!item) continue;
    if (item->name == name) return true;
    if (GroupObject* group = AsGroup(item)) {
      if (TreeHasName(group->members.head, name)) return true;
    }
  }
  return false;
}

bool ListHasName(const LIST* list, const String& name) {
  if (!list) return false;
  for (const ListNode* n = list->head; n; n = n->next) {
    SceneObject* item = ItemAt(n);
    if (item && item->name == name) return true;
  }
  return false;
}

// The decimal digit string `digits` plus one, without leading zeros ("" and "0" give "1").
std::string Increment(std::string digits) {
  const size_t first = digits.find_first_not_of('0');
  digits = first == std::string::npos ? std::string() : digits.substr(first);
  int i = static_cast<int>(digits.size()) - 1;
  while (i >= 0 && digits[i] == '9') digits[i--] = '0';
  if (i >= 0) {
    ++digits[i];
  } else {
    digits.insert(digits.begin(), '1');
  }
  return digits;
}

String NextName(const String& name) {
  const std::string text(name.c_str(), static_cast<size_t>(name.Length()));
  size_t stem = text.size();
  while (stem > 0 && text[stem - 1] >= '0' && text[stem - 1] <= '9') --stem;
  const std::string next = text.substr(0, stem) + Increment(text.substr(stem));
  return String(next.c_str());
}

void ClearParents(LIST* list) {
  if (!list) return;
  for (ListNode* n = list->head; n; n = n->next) {
    SceneObject* item = ItemAt(n);
    if (!item) continue;
    item->parent = nullptr;
    if (GroupObject* group = AsGroup(item)) group->AssignParents();
  }
}

}  // namespace

String FileSafeName(const String& text, const char* fallback) {
  if (text.IsEmpty()) return String(fallback);
  std::string safe(text.c_str(), static_cast<std::size_t>(text.Length()));
  for (std::size_t i = 0; i < safe.size(); ++i) {
    const char c = safe[i];
    const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '_' || (c == '-' && i > 0);
    if (!kept) safe[i] = '_';
  }
  return String(safe.c_str());
}

bool IsNameTaken(const Scene& scene, const String& name, NameKind kind) {
  switch (kind) {
    case NameKind::kLight:
      return ListHasName(scene.lights, name);
    case NameKind::kCamera:
      return ListHasName(scene.cameras, name);
    case NameKind::kObject:
      return scene.objects && TreeHasName(scene.objects->head, name);
  }
  return false;
}

String MakeUniqueName(const Scene& scene, const String& name, NameKind kind) {
  String candidate = NextName(name);
  while (IsNameTaken(scene, candidate, kind)) candidate = NextName(candidate);
  return candidate;
}

void AssignParents(Scene& scene) {
  ClearParents(scene.objects);
  ClearParents(scene.lights);
  ClearParents(scene.cameras);
}

}  // namespace orvane
