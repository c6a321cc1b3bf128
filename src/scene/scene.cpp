#include "scene/scene.h"

#include <iterator>
#include <ostream>

#include "foundation/error_output.h"

namespace orvane {

Scene::~Scene() { DeleteLists(); }

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
  // Lists are emptied in reverse order of creation: look-up lists before the owners.
  for (int i = static_cast<int>(std::size(kListSlots)) - 1; i >= 0; --i) {
    LIST*& list = this->*kListSlots[i].list;
    if (!list) continue;
    list->RemoveAll();
    delete list;
    list = nullptr;
  }
}

}  // namespace orvane
