#pragma once
// POV-Ray export: the whole scene (global ambient light, fog, the texture declarations of the
// default material and of every material, the active camera, the lights, the objects) or one
// object with the declarations of its material, as POV-Ray scene text built from the items'
// own text (SceneObject::WritePov, Material::WritePov).
//
// Results as for the VRML export (interchange/vrml_export.h, which also holds the messages).
// An item without a material refers to the default material "standard"; its declarations
// are written first in a scene file, unless the scene's material list holds a material of
// that name, and in an object file for such an item.

#include <iosfwd>

namespace orvane {

class Scene;
class SceneObject;

bool exportScenePov(Scene& scene, std::ostream& out);
bool exportScenePov(Scene& scene, const char* fileName);
bool exportObjectPov(SceneObject* object, std::ostream& out);
bool exportObjectPov(SceneObject* object, const char* fileName);

}  // namespace orvane
