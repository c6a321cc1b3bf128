#include "interchange/pov_export.h"

#include <ostream>
#include <sstream>

#include "foundation/list.h"
#include "foundation/ov_string.h"
#include "interchange/vrml_export.h"
#include "material/material.h"
#include "material/native_text.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "scene/scene_object.h"

namespace orvane {

namespace {

void WritePovItem(std::ostream& out, SceneObject& item) {
  item.FreeText();
  WriteLines(out, item.WritePov());
  item.FreeText();
}

void WritePovItem(std::ostream& out, Material& material) {
  material.FreeText();
  WriteLines(out, material.WritePov());
  material.FreeText();
}

// The declarations of `material`, or of a fresh default material for none.
void WriteDeclarations(std::ostream& out, Material* material) {
  Material fallback;
  WritePovItem(out, material ? *material : fallback);
}

bool HasStandardMaterial(const LIST* materials) {
  if (!materials) return false;
  for (const ListNode* n = materials->head; n; n = n->next) {
    const auto* m = dynamic_cast<const Material*>(n->item);
    if (m && m->name == "standard") return true;
  }
  return false;
}

String Fixed(double v) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%5.2f", v);
  return String(buffer);
}

String ColourVector(const uint8_t c[3]) {
  return String("<") + Fixed(c[0] / 255.0) + "," + Fixed(c[1] / 255.0) + "," + Fixed(c[2] / 255.0) +
         ">";
}

}  // namespace

bool exportScenePov(Scene& scene, std::ostream& out) {
  const RenderSettings& render = scene.render;
  out << "// created with Orvane V1.0\n\n";
  out << "// globals + fog\n";
  out << "global_settings { ambient_light rgb " << ColourVector(render.ambient).c_str() << " }\n";
  const long fog = TruncatedInteger(render.fogDistance);
  if (fog > 0) {
    out << "fog { fog_type 1 colour rgb " << ColourVector(render.fog).c_str() << " distance " << fog
        << " }\n";
  }
  out << "// materials\n";
  if (!HasStandardMaterial(scene.materials)) WriteDeclarations(out, nullptr);
  if (scene.materials) {
    for (const ListNode* n = scene.materials->head; n; n = n->next) {
      if (auto* m = dynamic_cast<Material*>(n->item)) WritePovItem(out, *m);
    }
  }
  out << "// camera\n";
  if (render.activeCamera) WritePovItem(out, *render.activeCamera);
  out << "// lights\n";
  if (scene.lights) {
    for (const ListNode* n = scene.lights->head; n; n = n->next) {
      if (auto* item = dynamic_cast<SceneObject*>(n->item)) WritePovItem(out, *item);
    }
  }
  out << "// objects\n";
  if (scene.objects) {
    for (const ListNode* n = scene.objects->head; n; n = n->next) {
      if (auto* item = dynamic_cast<SceneObject*>(n->item)) WritePovItem(out, *item);
    }
  }
  return !out.fail();
}

bool exportScenePov(Scene& scene, const char* fileName) {
  if (!fileName || !*fileName) return false;
  std::ostringstream text;
  return exportScenePov(scene, text) && WriteExportFile(fileName, text.str());
}

bool exportObjectPov(SceneObject* object, std::ostream& out) {
  if (!object) return false;
  out << "// created with Orvane V1.0\n\n";
  out << "// material\n";
  WriteDeclarations(out, object->material);
  WritePovItem(out, *object);
  return !out.fail();
}

bool exportObjectPov(SceneObject* object, const char* fileName) {
  if (!object || !fileName || !*fileName) return false;
  std::ostringstream text;
  return exportObjectPov(object, text) && WriteExportFile(fileName, text.str());
}

}  // namespace orvane
