#pragma once
// Scene: the data of one scene — its lists and the state the scene language keeps between
// statements and between runs. The interpreter (script/) and the renderer are separate classes
// bound to a Scene; the Scene itself does nothing but hold and free.
//
// Every list is created on demand by the interpreter (EnsureLists) and owns its items.
//
// The standard camera ("Standard_Kamera") belongs to the Scene itself and lives as long as it:
// the camera list holds it through a node that does not own it, and clearing the scene only
// unlinks it. Every other camera belongs to the camera list.

#include <cstdint>
#include <iosfwd>

#include "foundation/list.h"
#include "foundation/ov_string.h"
#include "scene/render_settings.h"
#include "scene/camera.h"
#include "scene/preview_sink.h"

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
  // Empties and deletes every list, destroying the owned items (never the standard camera).
  void DeleteLists();

  // Clears the scene: frees the preview display lists of every object and light through `sink`
  // (the first list of each top-level item and all four of every group member, recursively;
  // no sink: nothing to free); takes every camera out of the camera list and destroys it, except
  // the standard camera, which is only unlinked; then empties and deletes every list. Loading a
  // file starts with this.
  void Clear(PreviewSink* sink);
  // A new, empty scene: Clear, the lists created again and the standard camera put into the
  // empty camera list. False, with an "ERROR:" line on ErrorOutput(), when a list cannot be
  // allocated (the scene is then empty, but usable).
  bool New(PreviewSink* sink);

  // The camera every scene starts with; never destroyed while the scene lives.
  Camera& StandardCamera() { return standard_camera_; }

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

  // The render settings of the scene.
  RenderSettings render;

  // Interpreter state kept with the scene.
  String fileName;        // the file being run, as found
  String headerName;      // name read by the last block header
  int headerCount = 0;    // copies asked for by the last block header
  int labelCounter = 0;   // next number for generated loop labels; not reset between runs
  int ifDepth = 0;        // open if/else blocks
  int16_t paramMode = 0;  // 1 while the parameters of an object block are read
  ListItem* memberTarget = nullptr;  // item of the last name.parameter statement
  ListItem* traceCamera = nullptr;   // camera chosen by the last raytrace block

 private:
  // Takes every camera out of the camera list, destroying all but the standard camera.
  void DropCameras();

  Camera standard_camera_ = MakeStandardCamera();
};

}  // namespace orvane
