#include "foundation/list.h"

#include <atomic>

#include "foundation/error_output.h"

namespace orvane {

namespace {

std::atomic<uint64_t> g_next_list_serial{1};

}  // namespace

LIST::LIST() : serial(g_next_list_serial.fetch_add(1, std::memory_order_relaxed)) {}

LIST::~LIST() {
  ListNode* node = head;
  while (node) {
    ListNode* next = node->next;
    FreeNode(node);
    node = next;
  }
}

void LIST::FreeNode(ListNode* node) {
  if (node->owns) delete node->item;
  delete node;
}

int LIST::Insert(ListItem* item, int owns) {
  ListNode* node = TryNew<ListNode>();
  if (!node) {
    current = nullptr;
    return 0;
  }
  node->item = item;
  node->owns = owns;
  if (!head) {
    head = tail = node;
  } else {
    // With no current position in a non-empty list the node goes to the end.
    ListNode* after = current ? current : tail;
    node->prev = after;
    node->next = after->next;
    if (after->next) after->next->prev = node;
    after->next = node;
    if (after == tail) tail = node;
  }
  current = node;
  empty = 0;
  ++count;
  ++changes;
  return 1;
}

int LIST::Append(ListItem* item, int owns) {
  if (tail) current = tail;
  return Insert(item, owns);
}

int LIST::Prepend(ListItem* item, int owns) {
  ListNode* node = TryNew<ListNode>();
  if (!node) return 0;
  node->item = item;
  node->owns = owns;
  node->next = head;
  if (head) head->prev = node;
  head = node;
  if (!tail) tail = node;
  current = node;
  empty = 0;
  ++count;
  ++changes;
  return 1;
}

int LIST::Remove() {
  ListNode* node = current;
  if (!node) return 1;
  if (node->prev) {
    node->prev->next = node->next;
  } else {
    head = node->next;
  }
  if (node->next) {
    node->next->prev = node->prev;
  } else {
    tail = node->prev;
  }
  if (!node->prev) {
    current = head;
  } else if (!node->next) {
    current = tail;
  } else {
    current = node->next;
  }
  --count;
  ++changes;
  if (count <= 0) {
    head = tail = current = nullptr;
    count = 0;
    empty = 1;
  }
  FreeNode(node);
  return 1;
}

int LIST::RemoveAll() {
  current = head;
  while (head && head->item) {
    current = head;
    Remove();
  }
  return 1;
}

ListItem* LIST::First() {
  current = head;
  return Current();
}

ListItem* LIST::Last() {
  current = tail;
  return Current();
}

ListItem* LIST::Next() {
  if (!current || !current->next) return nullptr;
  current = current->next;
  return current->item;
}

ListItem* LIST::Prev() {
  if (!current || !current->prev) return nullptr;
  current = current->prev;
  return current->item;
}

void LIST::SetOwn(int flag) {
  if (current) current->owns = flag;
}

void LIST::SetItem(ListItem* item) {
  if (!current) return;
  current->item = item;
  ++changes;
}

void LIST::MoveUp() {
  if (!current || !current->prev) return;
  ++changes;
  ListItem* item = current->item;
  int32_t owns = current->owns;
  current->item = current->prev->item;
  current->owns = current->prev->owns;
  current->prev->item = item;
  current->prev->owns = owns;
}

}  // namespace orvane
