#pragma once
// LIST: the doubly linked list of polymorphic items that holds every collection of the
// system, with a built-in current position.
//
// Every operation acts at the current position, so two walks of one LIST cannot be nested.
// Ownership is per node: when a node's `owns` flag is set, removing the node destroys its
// item through the virtual destructor. The same item may sit in several lists, owned by at
// most one of them.

#include <cstdint>

namespace orvane {

// Type codes answered by ListItem::GetType().
enum ItemType : int {
  kItemPlain = 0,  // ListItem itself, String, auxiliary records
  kItemGroup = 1,
  kItemSphere = 2,
  kItemPlane = 3,
  kItemMesh = 4,  // meshes and paths
  kItemConstruction = 5,
  kItemLight = 7,
  kItemMaterial = 8,
  kItemTexture = 9,
  kItemCamera = 13,
  kItemVariable = 15,
};

// The root of everything stored in a LIST.
class ListItem {
 public:
  ListItem() = default;
  ListItem(const ListItem&) = default;
  ListItem& operator=(const ListItem&) = default;
  virtual ~ListItem() = default;

  // Every concrete class of the system answers 0.
  virtual int Match(int) = 0;
  virtual int GetType() const { return kItemPlain; }
};

struct ListNode {
  ListNode* next = nullptr;
  ListNode* prev = nullptr;
  ListItem* item = nullptr;
  int32_t owns = 0;
};

class LIST {
 public:
  LIST();
  LIST(const LIST&) = delete;
  LIST& operator=(const LIST&) = delete;
  // Owners empty their lists with RemoveAll() first; the destructor only frees what is
  // left (nodes past a null item), so that nothing leaks.
  ~LIST();

  // Links a new node after `current` (or as the only node) and makes it current.
  // Returns 1, or 0 when the node cannot be allocated (then `current` is null).
  int Insert(ListItem* item, int owns);
  // Moves to the tail, then Insert.
  int Append(ListItem* item, int owns);
  // Links a new node before `head`; it becomes head and current. 1, or 0 on failure.
  int Prepend(ListItem* item, int owns);
  // Unlinks and frees the current node (destroying an owned item). The new current node is
  // the new head when the head went, the new tail when the tail went, else the follower.
  // Does nothing when there is no current node. Returns 1.
  int Remove();
  // Removes from the head while the head node holds a non-null item. Returns 1.
  int RemoveAll();

  ListItem* First();
  ListItem* Last();
  // Moves forward when there is a following node and returns its item; null at the end,
  // where `current` stays on the last node.
  ListItem* Next();
  ListItem* Prev();
  // The item at the current position, or null.
  ListItem* Current() const { return current ? current->item : nullptr; }

  void SetOwn(int flag);
  // Replaces the current node's item without destroying the old one.
  void SetItem(ListItem* item);
  // Exchanges the items of the current node and its predecessor; `current` stays.
  void MoveUp();

  ListNode* head = nullptr;
  ListNode* tail = nullptr;
  ListNode* current = nullptr;
  int32_t empty = 1;
  int32_t count = 0;
  // A number no other LIST of the process has had, so that an index kept beside a list can
  // tell it from a later list at the same address.
  const uint64_t serial;
  // Counts the operations that linked, unlinked or replaced items (Insert, Append, Prepend,
  // Remove, SetItem, MoveUp), for indexes kept beside the list. Code that relinks nodes or
  // replaces items by hand leaves it unchanged.
  uint64_t changes = 0;

 private:
  void FreeNode(ListNode* node);
};

}  // namespace orvane
