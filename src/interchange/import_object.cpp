#include "interchange/import_object.h"

#include <cctype>

#include "interchange/dxf_import.h"
#include "interchange/obt_import.h"
#include "scene/group_object.h"
#include "scene/naming.h"

namespace orvane {

namespace {

std::string LowerExtension(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = path.substr(dot);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

}  // namespace

bool IsImportFile(const std::string& path) {
  const std::string ext = LowerExtension(path);
  return ext == ".3ds" || ext == ".obt" || ext == ".dxf";
}

String FileTitle(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos) name.resize(dot);
  return String(name.c_str());
}

ImportedFile ReadObjectFile(const std::string& path) {
  const std::string ext = LowerExtension(path);
  if (ext == ".3ds") return Import3ds(path.c_str());
  if (ext == ".obt") return ImportObt(path.c_str());
  if (ext == ".dxf") return ImportDxf(path.c_str());
  ImportedFile failed;
  failed.title = kReadErrorTitle;
  failed.text = kReadErrorText;
  return failed;
}

CommandResult AddImportedObject(Scene& scene, ImportedFile& imported, const String& name) {
  if (!imported.object) return CommandResult::Refused(kReadErrorTitle, kReadErrorText);
  if (IsNameTaken(scene, name, NameKind::kObject))
    return CommandResult::Refused(kNameTakenTitle, kNameTakenText);
  Material* material = DefaultMaterial(scene);
  if (!material) return CommandResult::Refused(kOutOfMemoryTitle, kOutOfMemoryText);
  SceneObject* object = imported.object;
  imported.object = nullptr;
  object->material = material;
  if (object->GetType() == kItemGroup) static_cast<GroupObject*>(object)->AssignMaterial(material);
  return AddToScene(scene, object, name);
}

CommandResult ImportObjectFile(Scene& scene, const std::string& path) {
  ImportedFile imported = ReadObjectFile(path);
  if (!imported.ok()) {
    if (imported.text.IsEmpty()) return {};
    return CommandResult::Refused(imported.title.c_str(), imported.text.c_str());
  }
  String name = FileSafeName(FileTitle(path), "object");
  if (IsNameTaken(scene, name, NameKind::kObject))
    name = MakeUniqueName(scene, name, NameKind::kObject);
  CommandResult result = AddImportedObject(scene, imported, name);
  delete imported.object;  // left with us only when the scene did not take it
  return result;
}

}  // namespace orvane
