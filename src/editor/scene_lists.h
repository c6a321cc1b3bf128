#pragma once
// The editor's surgery on the scene's lists, for its undoable commands: moving a whole scene
// out of a Scene and back (New, Open), taking single nodes out and putting them back at their
// place (Delete, Cut), and taking back the items that a command appended (Import, Paste, new
// groups and cameras).
//
// Items taken out keep their ownership flag with them: whoever holds a taken item owns it
// exactly when its node did. Display lists are given back to the sink when items leave the
// scene and rebuilt (preview_dirty) when they return.

#include <memory>
#include <vector>

#include "foundation/list.h"
#include "scene/preview_sink.h"
#include "scene/render_settings.h"
#include "scene/scene.h"

namespace orvane::editor {

// Frees the display lists of the items in `list` (group members included) through `sink` and
// marks the items preview_dirty, so that they draw again when they come back. No sink: only
// the marks.
void ForgetPreviews(const LIST* list, PreviewSink* sink);
// The same for one item (a group: with its members).
void ForgetPreview(SceneObject& item, PreviewSink* sink);
// Marks every item of `list`, group members included, preview_dirty.
void MarkPreviewsDirty(const LIST* list);

// A whole scene held outside a Scene: its lists, render settings and the interpreter state
// that points into the lists.
class SceneLists {
 public:
  SceneLists() = default;
  SceneLists(const SceneLists&) = delete;
  SceneLists& operator=(const SceneLists&) = delete;
  // Destroys what it holds; `standard` (the scene's standard camera, which the camera list may
  // hold) is never destroyed.
  ~SceneLists();

  // Exchanges what this holds with the scene's lists (both may be empty). The items leaving
  // the scene give up their display lists through `sink`.
  void SwapWith(Scene& scene, PreviewSink* sink);

 private:
  LIST* lists_[10] = {};
  RenderSettings render_;
  ListItem* trace_camera_ = nullptr;
  const Camera* standard_ = nullptr;
};

// Where one node sat: its list and its index in it.
struct ListPlace {
  LIST* list = nullptr;
  int index = -1;
};

// The index of the node holding `item` in `list`, or -1.
int IndexOf(const LIST& list, const ListItem* item);
// Whether `list` (may be null) holds `item` itself (not inside a group).
inline bool Contains(const LIST* list, const ListItem* item) {
  return list && IndexOf(*list, item) >= 0;
}
// Unlinks the node at `place` and returns its item; *owns gets the node's flag. The list's
// current position is kept where it can be (it moves off the removed node).
ListItem* TakeNode(const ListPlace& place, int* owns);
// Links `item` in at `place` (index clamped to the list's length). False when the node cannot
// be allocated.
bool PutNode(const ListPlace& place, ListItem* item, int owns);

// The items that a command appends to some lists: Mark remembers the lengths of the lists,
// Collect takes note of what came after them. TakeOut unlinks them (the command then holds
// them), PutBack appends them again in their order.
class AppendedItems {
 public:
  AppendedItems() = default;
  AppendedItems(const AppendedItems&) = delete;
  AppendedItems& operator=(const AppendedItems&) = delete;
  ~AppendedItems();

  void Mark(const std::vector<LIST*>& lists);
  void Collect();
  bool Empty() const;
  void TakeOut(PreviewSink* sink);
  void PutBack();
  // The items collected, in list order.
  std::vector<ListItem*> Items() const;

 private:
  struct Entry {
    LIST* list;
    int length_before;
    std::vector<std::pair<ListItem*, int>> items;  // item, owns
  };
  std::vector<Entry> entries_;
  bool out_ = false;
};

}  // namespace orvane::editor
