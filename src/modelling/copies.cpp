#include "modelling/copies.h"

#include <algorithm>
#include <new>
#include <string>
#include <unordered_set>
#include <vector>

#include "foundation/error_output.h"
#include "scene/group_object.h"
#include "scene/mesh_object.h"
#include "scene/naming.h"
#include "scene/ray.h"
#include "scene/scene.h"

namespace orvane {

namespace {

// What one copied item costs beyond its arrays (the item, its name, a mapping object), counted
// generously.
constexpr uint64_t kItemBytes = 1024;

GroupObject* AsGroup(SceneObject* item) {
  return item && item->GetType() == kItemGroup ? dynamic_cast<GroupObject*>(item) : nullptr;
}

// The bytes one Clone of `item` allocates, as far as they grow with its contents; counting
// stops once `limit` is passed.
uint64_t CloneBytes(const SceneObject& item, uint64_t limit) {
  uint64_t bytes = kItemBytes;
  if (const auto* mesh = dynamic_cast<const MeshObject*>(&item)) {
    if (mesh->points)
      bytes += uint64_t{std::max(mesh->point_capacity, mesh->point_count)} * sizeof(Vec3);
    bytes += uint64_t{mesh->triangle_count} * sizeof(Triangle);
  } else if (const auto* group = dynamic_cast<const GroupObject*>(&item)) {
    for (const ListNode* n = group->members.head; n && bytes <= limit; n = n->next) {
      if (const auto* member = dynamic_cast<const SceneObject*>(n->item))
        bytes += CloneBytes(*member, limit);
    }
  }
  return bytes;
}

bool WithinMemoryBound(const SceneObject& clipboard, uint64_t copies) {
  const uint64_t each = CloneBytes(clipboard, kMaxCopyBytes);
  return each <= kMaxCopyBytes && each * copies <= kMaxCopyBytes;
}

NameKind KindOf(const SceneObject& item) {
  switch (item.GetType()) {
    case kItemLight:
      return NameKind::kLight;
    case kItemCamera:
      return NameKind::kCamera;
    default:
      return NameKind::kObject;
  }
}

void CollectNames(const LIST* list, bool into_groups, std::unordered_set<std::string>* names) {
  for (const ListNode* n = list ? list->head : nullptr; n; n = n->next) {
    const auto* item = dynamic_cast<const SceneObject*>(n->item);
    if (!item) continue;
    names->emplace(item->name.c_str(), static_cast<size_t>(item->name.Length()));
    if (const auto* group = into_groups ? dynamic_cast<const GroupObject*>(item) : nullptr)
      CollectNames(&group->members, true, names);
  }
}

// The names of one kind that the scene uses (the lists IsNameTaken searches), gathered once,
// so that naming n copies costs one walk of the scene instead of n.
class NameSource {
 public:
  NameSource(const Scene& scene, NameKind kind) : kind_(kind) {
    switch (kind) {
      case NameKind::kLight:
        CollectNames(scene.lights, false, &taken_);
        break;
      case NameKind::kCamera:
        CollectNames(scene.cameras, false, &taken_);
        break;
      case NameKind::kObject:
        CollectNames(scene.objects, true, &taken_);
        break;
    }
  }

  // MakeUniqueName's answer for `name`: its trailing number counted on until the name is free.
  // The name is then taken.
  String Next(const String& name) {
    String candidate = name;
    do {
      // Over a scene without names MakeUniqueName answers the bare successor.
      candidate = MakeUniqueName(blank_, candidate, kind_);
    } while (taken_.count(std::string(candidate.c_str(), candidate.Length())) > 0);
    taken_.emplace(candidate.c_str(), static_cast<size_t>(candidate.Length()));
    return candidate;
  }

 private:
  NameKind kind_;
  std::unordered_set<std::string> taken_;
  Scene blank_;
};

// The copies of one command as they are inserted, so that a failure part-way can take every
// one of them out again. Entries are reserved up front, so recording never allocates.
class CopyBatch {
 public:
  explicit CopyBatch(Scene& scene) : scene_(scene) {}
  CopyBatch(const CopyBatch&) = delete;
  CopyBatch& operator=(const CopyBatch&) = delete;
  // Unless committed, removes (and destroys) everything inserted, newest first.
  ~CopyBatch();

  // Room for `items` insertions; throws std::bad_alloc when it cannot be had.
  void Reserve(size_t items) { entries_.reserve(items); }
  void Commit() { committed_ = true; }
  const Scene& scene() const { return scene_; }

  // Where objects go: `group` when set, else the object list.
  void SetObjectTarget(GroupObject* group) { target_ = group; }
  // Inserts `item` (owned by its new list); on failure the item is destroyed. False then.
  bool InsertObject(SceneObject* item);
  // Inserts `item` into the list of its kind, named `name`.
  bool InsertCopy(SceneObject* item, const String& name);

 private:
  struct Entry {
    LIST* list;
    ListNode* node;
    GroupObject* group;  // the list's group, when it is a member list
  };
  bool Insert(LIST* list, GroupObject* group, SceneObject* item);

  Scene& scene_;
  GroupObject* target_ = nullptr;
  std::vector<Entry> entries_;
  bool committed_ = false;
};

CopyBatch::~CopyBatch() {
  if (committed_) return;
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    if (it->group && it->group->current_member == it->node->item)
      it->group->current_member = nullptr;
    it->list->current = it->node;
    it->list->Remove();
  }
}

bool CopyBatch::Insert(LIST* list, GroupObject* group, SceneObject* item) {
  const bool inserted = group ? group->AddMember(item) : list->Append(item, 1) != 0;
  if (!inserted) {
    delete item;
    return false;
  }
  if (!group) item->parent = nullptr;
  entries_.push_back(Entry{list, list->current, group});
  return true;
}

bool CopyBatch::InsertObject(SceneObject* item) {
  if (target_) return Insert(&target_->members, target_, item);
  return Insert(scene_.objects, nullptr, item);
}

bool CopyBatch::InsertCopy(SceneObject* item, const String& name) {
  item->name = name;
  item->preview_dirty = 1;
  if (GroupObject* group = AsGroup(item)) group->RemoveMappingLeftovers();
  switch (item->GetType()) {
    case kItemLight:
      return Insert(scene_.lights, nullptr, item);
    case kItemCamera:
      return Insert(scene_.cameras, nullptr, item);
    default:
      return InsertObject(item);
  }
}

// The group the current object is, when new items are to go into it. Never a group inside the
// item being copied: each copy would then copy the copies before it.
GroupObject* CurrentGroup(SceneObject* current, bool to_top_level, const SceneObject& copied) {
  GroupObject* group = to_top_level ? nullptr : AsGroup(current);
  for (const SceneObject* g = group; g; g = g->parent) {
    if (g == &copied) return nullptr;
  }
  return group;
}

CommandResult OutOfMemory() {
  return CommandResult::Refused(kOutOfMemoryTitle, kOutOfMemoryText);
}

// Makes `count` copies of `clipboard` into `batch`; `place` (when set) is called with each copy
// and its index before it is inserted. Returns the last copy, or null on failure.
template <class Place>
SceneObject* MakeCopies(CopyBatch& batch, const SceneObject& clipboard, uint32_t count,
                        Place place) {
  // Counting on from the previous copy's name gives the same names as counting from the
  // clipboard's name each time, since every name in between is taken.
  NameSource names(batch.scene(), KindOf(clipboard));
  String name = clipboard.name;
  SceneObject* last = nullptr;
  for (uint32_t i = 0; i < count; ++i) {
    SceneObject* copy = clipboard.Clone();
    if (!copy) return nullptr;
    place(*copy, i);
    name = names.Next(name);
    if (!batch.InsertCopy(copy, name)) return nullptr;
    last = copy;
  }
  return last;
}

// The shared body of both commands, after their own checks.
template <class Place>
CommandResult CopyInto(Scene& scene, const SceneObject& clipboard, uint32_t count, bool in_group,
                       const String& group_name, SceneObject* current, bool to_top_level,
                       Place place) {
  if (!scene.EnsureLists(ErrorOutput())) return OutOfMemory();
  try {
    CopyBatch batch(scene);
    batch.Reserve(size_t{count} + 1);
    GroupObject* current_group = CurrentGroup(current, to_top_level, clipboard);
    GroupObject* group = nullptr;
    if (in_group) {
      group = TryNew<GroupObject>();
      if (!group) return OutOfMemory();
      group->name = MakeUniqueName(scene, group_name, NameKind::kObject);
      group->preview_dirty = 1;
      batch.SetObjectTarget(current_group);
      if (!batch.InsertObject(group)) return OutOfMemory();
      batch.SetObjectTarget(group);
    } else {
      batch.SetObjectTarget(current_group);
    }
    SceneObject* last = MakeCopies(batch, clipboard, count, place);
    if (!last && count > 0) return OutOfMemory();
    batch.Commit();
    return CommandResult::Built(group ? group : last);
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
}

}  // namespace

CommandResult CopyNumber(Scene& scene, const SceneObject* clipboard, int64_t count, bool in_group,
                         const String& group_name, SceneObject* current, bool to_top_level) {
  if (!clipboard) return CommandResult::Refused(kNoClipboardTitle, kNoClipboardText);
  if (count < 1) return CommandResult::Refused(kCopyCountTitle, kTooFewCopiesText);
  if (count > kMaxCopies) return CommandResult::Refused(kCopyCountTitle, kTooManyCopiesText);
  if (!WithinMemoryBound(*clipboard, static_cast<uint64_t>(count)))
    return CommandResult::Refused(kCopyCountTitle, kCopiesTooLargeText);
  return CopyInto(scene, *clipboard, static_cast<uint32_t>(count), in_group, group_name, current,
                  to_top_level, [](SceneObject&, uint32_t) {});
}

CommandResult CopyToMeshPoints(Scene& scene, const SceneObject* clipboard, bool in_group,
                               const String& group_name, SceneObject* current, bool to_top_level) {
  const auto* mesh = dynamic_cast<const MeshObject*>(current);
  if (!mesh) return CommandResult::Refused(kNeedsMeshTitle, kNeedsMeshText);
  if (!clipboard) return CommandResult::Refused(kNoClipboardTitle, kNoClipboardText);
  if (mesh->point_count > kMaxCopies)
    return CommandResult::Refused(kCopyCountTitle, kTooManyCopiesText);
  if (!WithinMemoryBound(*clipboard, mesh->point_count))
    return CommandResult::Refused(kCopyCountTitle, kCopiesTooLargeText);
  if (mesh->point_count == 0) return CommandResult{};

  const uint32_t count = mesh->point_count;
  auto to_point = [mesh, count](SceneObject& copy, uint32_t i) {
    Ray step;
    step.length = 1.0f;
    step.direction = -copy.placement.position;
    copy.Move(step);
    step.direction = mesh->points[count - 1 - i];
    copy.Move(step);
  };
  return CopyInto(scene, *clipboard, count, in_group, group_name, current, to_top_level, to_point);
}

}  // namespace orvane
