#include "interchange/vrml_export.h"

#include <fstream>
#include <ostream>
#include <sstream>

#include "foundation/file_replace.h"
#include "foundation/list.h"
#include "foundation/ov_string.h"
#include "scene/scene.h"
#include "scene/scene_object.h"

namespace orvane {

namespace {

void WriteVrmlItem(std::ostream& out, SceneObject& item) {
  item.FreeText();
  WriteLines(out, item.WriteVrml());
  item.FreeText();
}

void WriteVrmlList(std::ostream& out, const LIST* list) {
  if (!list) return;
  for (const ListNode* n = list->head; n; n = n->next) {
    if (auto* item = dynamic_cast<SceneObject*>(n->item)) WriteVrmlItem(out, *item);
  }
}

void WriteHeader(std::ostream& out) {
  out << "#VRML V1.0 ascii\n"
      << "Info{\n"
      << "string \"created with Orvane V1.0\"\n"
      << "}\n";
}

}  // namespace

bool WriteExportFile(const char* fileName, const std::string& text) {
  if (!fileName || !*fileName) return false;
  return ReplaceFileContents(fileName, text.data(), text.size());
}

bool exportSceneVrml(Scene& scene, std::ostream& out) {
  WriteHeader(out);
  out << "Separator {\n"
      << "# lights\n";
  WriteVrmlList(out, scene.lights);
  out << "# objects\n";
  WriteVrmlList(out, scene.objects);
  out << "}\n";
  return !out.fail();
}

bool exportSceneVrml(Scene& scene, const char* fileName) {
  if (!fileName || !*fileName) return false;
  std::ostringstream text;
  return exportSceneVrml(scene, text) && WriteExportFile(fileName, text.str());
}

bool exportObjectVrml(SceneObject* object, std::ostream& out) {
  if (!object) return false;
  WriteHeader(out);
  out << "Separator {\n";
  WriteVrmlItem(out, *object);
  out << "}\n";
  return !out.fail();
}

bool exportObjectVrml(SceneObject* object, const char* fileName) {
  if (!object || !fileName || !*fileName) return false;
  std::ostringstream text;
  return exportObjectVrml(object, text) && WriteExportFile(fileName, text.str());
}

}  // namespace orvane
