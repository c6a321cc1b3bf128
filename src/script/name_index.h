#pragma once
// NameIndex: the items of one class in a LIST, found by name without walking the list.
//
// The index is kept beside the list, never inside it: every look-up first compares the list's
// serial number and change count with the ones it was built from. When only items were
// appended since, it takes in the new nodes; after any other change (a removal, an insertion
// in the middle, a replaced item, another list) it is built again. Names compare as the
// Strings' == does, up to the first NUL byte. The list's current position is never moved.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "foundation/list.h"

namespace orvane {

template <class T>
class NameIndex {
 public:
  // The items of class T named `name` in list order, or null when there is none (also for a
  // null list). The vector stays valid until the list changes.
  const std::vector<T*>* Find(LIST* list, std::string_view name) {
    if (!list) return nullptr;
    Sync(*list);
    const size_t nul = name.find('\0');
    if (nul != std::string_view::npos) name = name.substr(0, nul);
    const auto found = by_name_.find(name);
    return found == by_name_.end() ? nullptr : &found->second;
  }

  // Changes whenever the entries of a look-up may have changed (see Find).
  uint64_t Generation(LIST* list) {
    if (list) Sync(*list);
    return list ? generation_ : 0;
  }

 private:
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
  };

  void Sync(LIST& list) {
    if (&list == list_ && list.serial == serial_ && list.changes == changes_) return;
    ++generation_;
    if (&list == list_ && list.serial == serial_ && AppendedOnly(list)) {
      ListNode* node = last_ ? last_->next : list.head;
      for (; node; node = node->next) Add(node);
    } else {
      by_name_.clear();
      for (ListNode* node = list.head; node; node = node->next) Add(node);
    }
    list_ = &list;
    serial_ = list.serial;
    changes_ = list.changes;
    count_ = list.count;
    last_ = list.tail;
  }

  // Whether the list is the indexed one with nodes appended after its old tail and nothing
  // else done: as many changes as new nodes, and the old tail that many nodes before the end.
  bool AppendedOnly(const LIST& list) const {
    if (list.count <= count_) return false;
    const uint64_t added = static_cast<uint64_t>(list.count - count_);
    if (list.changes - changes_ != added) return false;
    const ListNode* node = list.tail;
    for (uint64_t i = 0; i < added && node; ++i) node = node->prev;
    return node == last_;
  }

  void Add(ListNode* node) {
    if (T* item = dynamic_cast<T*>(node->item)) {
      by_name_[std::string(item->name.c_str())].push_back(item);
    }
  }

  std::unordered_map<std::string, std::vector<T*>, Hash, std::equal_to<>> by_name_;
  const LIST* list_ = nullptr;
  uint64_t serial_ = 0;
  uint64_t changes_ = 0;
  int32_t count_ = 0;
  const ListNode* last_ = nullptr;
  uint64_t generation_ = 0;
};

}  // namespace orvane
