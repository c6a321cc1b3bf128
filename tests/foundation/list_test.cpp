#include "foundation/list.h"

#include <gtest/gtest.h>

#include <vector>

#include "foundation/error_output.h"

namespace orvane {
namespace {

// An item that counts its own destructions, so ownership can be observed.
struct Tracked : ListItem {
  Tracked(int v, int* death_count) : value(v), deaths(death_count) {}
  ~Tracked() override { ++*deaths; }
  int Match(int) override { return 0; }
  int value;
  int* deaths;
};

int ValueOf(ListItem* item) {
  return item ? static_cast<Tracked*>(item)->value : -1;
}

// Checks the links, count and empty flag, and that current is a node of the list; returns the
// values from head to tail.
std::vector<int> Walk(const LIST& list) {
  std::vector<int> values;
  bool current_seen = list.current == nullptr;
  const ListNode* last = nullptr;
  for (const ListNode* n = list.head; n; last = n, n = n->next) {
    EXPECT_EQ(n->prev, last);
    current_seen = current_seen || n == list.current;
    values.push_back(ValueOf(n->item));
  }
  EXPECT_TRUE(last == list.tail && current_seen && list.empty == (last ? 0 : 1));
  EXPECT_EQ(static_cast<int>(values.size()), list.count);
  return values;
}

class ListTest : public ::testing::Test {
 protected:
  Tracked* Make(int v) { return new Tracked(v, &deaths); }
  void Fill(std::initializer_list<int> values) {
    for (int v : values) list.Append(Make(v), 1);
  }
  int deaths = 0;
  LIST list;
};

TEST_F(ListTest, RemoveChoosesTheNewCurrentNode) {
  EXPECT_TRUE(!list.First() && !list.Last() && !list.Next() && !list.Prev() && !list.current);
  EXPECT_EQ(list.Remove(), 1);  // nothing to remove
  Fill({1, 2, 3, 4});
  list.First();
  list.Remove();  // head: the new head becomes current
  EXPECT_EQ(ValueOf(list.Current()), 2);
  list.Next();
  list.Remove();  // middle: its follower becomes current
  EXPECT_EQ(ValueOf(list.Current()), 4);
  list.Remove();  // tail: the new tail becomes current
  EXPECT_EQ(ValueOf(list.Current()), 2);
  EXPECT_EQ(Walk(list), (std::vector<int>{2}));
  // Removing the only node restores the initial state.
  list.Remove();
  Walk(list);
  EXPECT_EQ(deaths, 4);
  list.Append(Make(8), 1);
  // Prepend makes the new head current, Insert links after current, MoveUp swaps the items
  // of current and its predecessor and keeps current.
  list.Prepend(Make(6), 1);
  list.First();
  list.Insert(Make(7), 1);
  EXPECT_EQ(ValueOf(list.Next()), 8);
  list.Last();
  list.MoveUp();
  EXPECT_EQ(ValueOf(list.Current()), 7);
  EXPECT_EQ(ValueOf(list.Prev()), 8);
  EXPECT_EQ(Walk(list), (std::vector<int>{6, 8, 7}));
}

TEST_F(ListTest, OwnershipDecidesWhetherRemoveDestroysTheItem) {
  Tracked shared(5, &deaths);
  list.Append(&shared, 0);
  list.Append(Make(6), 1);
  list.First();
  list.Remove();
  EXPECT_EQ(deaths, 0);
  list.SetOwn(0);
  Tracked* kept = static_cast<Tracked*>(list.Current());
  list.SetItem(Make(7));  // SetItem replaces without destroying
  EXPECT_EQ(Walk(list), (std::vector<int>{7}));
  delete kept;
  Tracked* replacement = static_cast<Tracked*>(list.Current());
  list.Remove();
  EXPECT_EQ(deaths, 1);
  delete replacement;
}

TEST_F(ListTest, FailedNodeAllocationLeavesTheNodesAlone) {
  Fill({1, 2});
  Tracked* item = Make(3);
  FailNextAllocations(1);
  EXPECT_EQ(list.Insert(item, 1), 0);
  EXPECT_EQ(list.current, nullptr);
  FailNextAllocations(1);
  EXPECT_EQ(list.Prepend(item, 1), 0);
  EXPECT_EQ(Walk(list), (std::vector<int>{1, 2}));
  delete item;
}

}  // namespace
}  // namespace orvane
