#include "scene/scene.h"

#include <iterator>
#include <ostream>

#include "foundation/error_output.h"
#include "scene/group_object.h"
#include "scene/scene_object.h"

namespace orvane {

Scene::~Scene() {
  DeleteLists();
}

namespace {
struct ListSlot {
  LIST* Scene::*list;
  const char* message;
};

// ORDER: the order in which the lists are created and their messages.
constexpr ListSlot kListSlots[] = {
    {&Scene::objects, "ERROR: Could not allocate LIST for objects.\n"},
    {&Scene::objects2, "ERROR: Could not allocate LIST for objects.\n"},
    {&Scene::points, "ERROR: Could not allocate LIST for points.\n"},
    {&Scene::lights, "ERROR: Could not allocate LIST for lights.\n"},
    {&Scene::cameras, "ERROR: Could not allocate LIST for cameras.\n"},
    {&Scene::materials, "ERROR: Could not allocate LIST for materials.\n"},
    {&Scene::images, "ERROR: Could not allocate LIST for imagess.\n"},
    {&Scene::variables, "ERROR: Could not allocate LIST for variables.\n"},
    {&Scene::labels, "ERROR: Could not allocate LIST for labels/functions.\n"},
    {&Scene::lines, "ERROR: Could not allocate LIST for parse_list.\n"},
};
}  // namespace

bool Scene::EnsureLists(std::ostream& err) {
  for (const ListSlot& slot : kListSlots) {
    if (this->*slot.list) continue;
    this->*slot.list = TryNew<LIST>();
    if (!(this->*slot.list)) {
      err << slot.message;
      return false;
    }
  }
  return true;
}

void Scene::DeleteLists() {
  memberTarget = nullptr;
  traceCamera = nullptr;
  // Whatever put the standard camera into the list, its node must not destroy it.
  if (cameras) {
    for (ListNode* node = cameras->head; node; node = node->next) {
      if (node->item == &standard_camera_) node->owns = 0;
    }
  }
  // Lists are emptied in reverse order of creation: look-up lists before the owners.
  for (int i = static_cast<int>(std::size(kListSlots)) - 1; i >= 0; --i) {
    LIST*& list = this->*kListSlots[i].list;
    if (!list) continue;
    list->RemoveAll();
    delete list;
    list = nullptr;
  }
}

namespace {

// The first display list of every item of `list`, and all lists of group members.
void DeleteDisplayLists(const LIST* list, PreviewSink& sink) {
  if (!list) return;
  // Walked by node so that the list's current position stays where it is.
  for (const ListNode* node = list->head; node; node = node->next) {
    auto* item = dynamic_cast<SceneObject*>(node->item);
    if (!item) continue;
    if (item->display_lists[0]) sink.DeleteList(item->display_lists[0]);
    item->display_lists[0] = 0;
    if (item->GetType() == kItemGroup)
      static_cast<GroupObject*>(item)->DeleteMemberDisplayLists(sink);
  }
}

}  // namespace

void Scene::DropCameras() {
  if (!cameras) return;
  while (cameras->head) {
    // Every camera but the standard one belongs to the list, whatever its node says.
    cameras->SetOwn(cameras->First() == &standard_camera_ ? 0 : 1);
    cameras->Remove();
  }
}

void Scene::Clear(PreviewSink* sink) {
  if (sink) {
    DeleteDisplayLists(objects, *sink);
    DeleteDisplayLists(lights, *sink);
  }
  DropCameras();
  DeleteLists();
}

bool Scene::New(PreviewSink* sink) {
  Clear(sink);
  if (!EnsureLists(ErrorOutput())) return false;
  if (!cameras->Append(&standard_camera_, 0)) {
    ErrorOutput() << "ERROR: Could not append the standard camera.\n";
    return false;
  }
  return true;
}

}  // namespace orvane
