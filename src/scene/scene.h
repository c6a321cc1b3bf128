#pragma once
// Scene: the data of one scene — its lists and the state the scene language keeps between
// statements and between runs. The interpreter (script/) and the renderer are separate classes
// bound to a Scene; the Scene itself does nothing but hold and free.
//
// Every list is created on demand by the interpreter (EnsureLists) and owns its items.

#include <cstdint>

#include "foundation/list.h"
#include "foundation/ov_string.h"

namespace orvane {

class GroupObject;

class Scene {
 public:
  Scene() = default;
  ~Scene();
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  // Creates each missing list. On a failed allocation prints the list's
  // "ERROR: Could not allocate LIST for ..." line to `err` and returns false.
  bool EnsureLists(std::ostream& err);
  // Empties and deletes every list, destroying the owned items.
  void DeleteLists();

  // The scene lists (null until created).
  LIST* objects = nullptr;
  LIST* objects2 = nullptr;  // second object list, created with the objects but not filled
  LIST* points = nullptr;
  LIST* lights = nullptr;
  LIST* materials = nullptr;
  LIST* images = nullptr;  // textures
  LIST* cameras = nullptr;
  LIST* variables = nullptr;
  LIST* labels = nullptr;
  LIST* lines = nullptr;  // the line list of the file being run

  // Interpreter state kept with the scene.
  String fileName;      // the file being run, as found
  String headerName;    // name read by the last block header
  int headerCount = 0;  // copies asked for by the last block header
  int labelCounter = 0;  // next number for generated loop labels; not reset between runs
  int ifDepth = 0;       // open if/else blocks
  int16_t paramMode = 0;  // 1 while the parameters of an object block are read
  ListItem* memberTarget = nullptr;  // item of the last name.parameter statement
  ListItem* traceCamera = nullptr;   // camera chosen by the last raytrace block
};

}  // namespace orvane
