#include "script/scene_writer.h"

#include <cstddef>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/file_replace.h"
#include "foundation/ov_string.h"
#include "material/material.h"
#include "material/native_text.h"
#include "material/texture.h"
#include "scene/camera.h"
#include "scene/group_object.h"
#include "scene/scene.h"
#include "scene/scene_object.h"

namespace orvane {

namespace {

// Each writer drops a stale cache first, writes the item's native lines and releases them.
void WriteItem(std::ostream& out, SceneObject& item) {
  item.FreeText();
  WriteLines(out, item.WriteNative());
  item.FreeText();
}

void WriteItem(std::ostream& out, Material& material) {
  material.FreeText();
  WriteLines(out, material.WriteNative());
  material.FreeText();
}

// Points a fractal at the name of the texture in `images` whose picture is its palette.
void RefreshPaletteName(Texture& texture, const LIST* images) {
  if (texture.kind != kTextureFractal) return;
  const Picture* palette = texture.fractal.palette();
  texture.paletteName = String();
  if (!palette || !images) return;
  for (const ListNode* n = images->head; n; n = n->next) {
    const auto* other = dynamic_cast<const Texture*>(n->item);
    if (other && other != &texture && other->picture() == palette) {
      texture.paletteName = other->name;
      return;
    }
  }
}

void WriteItem(std::ostream& out, Texture& texture, const LIST* images) {
  RefreshPaletteName(texture, images);
  texture.FreeText();
  WriteLines(out, texture.WriteNative());
  texture.FreeText();
}

// Calls `visit` for every item of `list` of class T.
template <class T, class Visit>
void ForEach(const LIST* list, Visit visit) {
  if (!list) return;
  for (const ListNode* n = list->head; n; n = n->next) {
    if (auto* item = dynamic_cast<T*>(n->item)) visit(*item);
  }
}

// The textures of `images` that `wanted` accepts: images first (every later texture kind may
// refer to one), then fractals, chess and fade textures, each in list order.
template <class Wanted>
void WriteImages(std::ostream& out, const LIST* images, Wanted wanted) {
  ForEach<Texture>(images, [&](Texture& t) {
    if (t.kind == kTextureImage && wanted(t)) WriteItem(out, t, images);
  });
  ForEach<Texture>(images, [&](Texture& t) {
    if (t.kind != kTextureImage && HasNativeBlock(t.kind) && wanted(t)) WriteItem(out, t, images);
  });
}

bool InList(const LIST* list, const ListItem* item) {
  if (!list || !item) return false;
  for (const ListNode* n = list->head; n; n = n->next) {
    if (n->item == item) return true;
  }
  return false;
}

// The camera that renders the scene: the active one, else the last `raytrace` block's, else
// the first of the list. Only cameras still in the list count.
const Camera* RenderCamera(const Scene& scene) {
  const ListItem* candidates[] = {scene.render.activeCamera, scene.traceCamera};
  for (const ListItem* c : candidates) {
    if (InList(scene.cameras, c)) return dynamic_cast<const Camera*>(c);
  }
  const Camera* first = nullptr;
  ForEach<Camera>(scene.cameras, [&](Camera& c) {
    if (!first) first = &c;
  });
  return first;
}

// raytrace { camera NAME  ambient_color <r,g,b>  fog_color <r,g,b>  fog <n> }
void WriteRaytraceBlock(std::ostream& out, const Scene& scene) {
  const RenderSettings& r = scene.render;
  out << "// raytracer init\n"
      << "raytrace {\n";
  if (const Camera* camera = RenderCamera(scene)) out << "camera " << camera->name << "\n";
  out << ColourLine("ambient_color", Rgb{r.ambient[0], r.ambient[1], r.ambient[2]})
      << ColourLine("fog_color", Rgb{r.fog[0], r.fog[1], r.fog[2]})
      << IntegerLine("fog", TruncatedInteger(r.fogDistance)) << "}\n";
}

// The distinct textures that `material`'s channels name, in channel order.
std::vector<Texture*> ChannelTextures(const Material& material) {
  std::vector<Texture*> textures;
  for (int ch = 0; ch < kMaterialChannels; ++ch) {
    Texture* t = WrittenTexture(material, ch);
    bool seen = false;
    for (const Texture* s : textures) seen = seen || s == t;
    if (t && !seen) textures.push_back(t);
  }
  return textures;
}

void WriteMaterialWithTextures(std::ostream& out, const LIST* images, Material& material) {
  for (Texture* t : ChannelTextures(material)) WriteItem(out, *t, images);
  out << "// material\n";
  WriteItem(out, material);
}

// A group's textures and materials: those of the scene's lists that its members use.
void WriteGroupNeeds(std::ostream& out, Scene& scene, const GroupObject& group) {
  std::vector<Material*> used;
  ForEach<Material>(scene.materials, [&](Material& m) {
    if (group.UsesMaterial(&m)) used.push_back(&m);
  });
  WriteImages(out, scene.images, [&](const Texture& t) {
    for (const Material* m : used) {
      if (NamesTexture(*m, &t)) return true;
    }
    return false;
  });
  out << "// material\n";
  for (Material* m : used) WriteItem(out, *m);
}

bool FileNameGiven(const char* fileName) {
  return fileName && fileName[0] != '\0';
}

// Writes `text` to `fileName` in one go; a failed write leaves the old file as it was.
bool WriteFile(const char* fileName, const std::string& text) {
  return ReplaceFileContents(fileName, text.data(), text.size());
}

// A script line holds at most this many bytes: the reader drops the rest of a longer line.
constexpr std::size_t kLineLimit = 127;

// The tokens of `line` that may go on lines of their own: the runs of bytes between spaces
// (a string "..." and a value <...> are kept whole), with the `{` that ends a block header
// split from the name before it.
std::vector<std::string> LinePieces(const std::string& line) {
  std::vector<std::string> pieces;
  std::string piece;
  char closing = '\0';  // the byte that ends the string or value being read
  for (const char c : line) {
    if (closing != '\0') {
      if (c == closing) closing = '\0';
    } else if (c == ' ') {
      if (!piece.empty()) pieces.push_back(piece);
      piece.clear();
      continue;
    } else if (piece.empty() && (c == '"' || c == '<')) {
      closing = c == '"' ? '"' : '>';
    }
    piece += c;
  }
  if (!piece.empty()) pieces.push_back(piece);
  if (!pieces.empty() && pieces.back().size() > 1 && pieces.back().back() == '{') {
    pieces.back().pop_back();
    pieces.emplace_back("{");
  }
  return pieces;
}

// `text` with every line longer than kLineLimit spread over several lines at its token
// boundaries, so that reading the text back sees every token (a long name with its keyword
// and `{` would otherwise lose its end). Comment lines and single tokens are left as they are.
std::string FitLines(const std::string& text) {
  std::string fitted;
  fitted.reserve(text.size());
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(begin, end - begin);
    const bool has_end = end < text.size();
    begin = end + 1;
    if (line.size() <= kLineLimit || line.find("//") != std::string::npos ||
        line.find("/*") != std::string::npos) {
      fitted += line;
      if (has_end) fitted += '\n';
      continue;
    }
    std::string current;
    for (const std::string& piece : LinePieces(line)) {
      if (!current.empty() && current.size() + 1 + piece.size() > kLineLimit) {
        fitted += current;
        fitted += '\n';
        current.clear();
      }
      if (!current.empty()) current += ' ';
      current += piece;
    }
    fitted += current;
    if (has_end) fitted += '\n';
  }
  return fitted;
}

}  // namespace

bool WriteScene(Scene& scene, std::ostream& to) {
  std::ostringstream out;
  out << kSceneFileHeader << "// lights\n";
  ForEach<SceneObject>(scene.lights, [&](SceneObject& light) { WriteItem(out, light); });
  out << "// images\n";
  WriteImages(out, scene.images, [](const Texture&) { return true; });
  out << "// materials\n";
  ForEach<Material>(scene.materials, [&](Material& m) { WriteItem(out, m); });
  out << "// objects\n";
  ForEach<SceneObject>(scene.objects, [&](SceneObject& object) { WriteItem(out, object); });
  out << "// cameras\n";
  ForEach<SceneObject>(scene.cameras, [&](SceneObject& camera) { WriteItem(out, camera); });
  WriteRaytraceBlock(out, scene);
  out << "\nTRACE! <1>\n";
  to << FitLines(out.str());
  return to.good();
}

String SceneFileName(const char* fileName) {
  String name(fileName);
  const String suffix(".ovs");
  if (name.Right(suffix.Length()) != suffix) name += suffix;
  return name;
}

bool SaveScene(Scene& scene, const char* fileName) {
  std::ostringstream text;
  return WriteScene(scene, text) && WriteFile(SceneFileName(fileName).c_str(), text.str());
}

bool WriteObject(Scene& scene, SceneObject* object, std::ostream& to) {
  if (!object) return false;
  std::ostringstream out;
  out << kObjectFileHeader << "// images\n";
  if (object->GetType() == kItemGroup) {
    if (const auto* group = dynamic_cast<const GroupObject*>(object)) {
      WriteGroupNeeds(out, scene, *group);
    }
  } else if (Material* material = object->material) {
    WriteMaterialWithTextures(out, scene.images, *material);
  } else {
    out << "// material\n";
  }
  out << "// object\n";
  WriteItem(out, *object);
  to << FitLines(out.str());
  return to.good();
}

bool SaveObject(Scene& scene, SceneObject* object, const char* fileName) {
  if (!object || !FileNameGiven(fileName)) return false;
  std::ostringstream text;
  return WriteObject(scene, object, text) && WriteFile(fileName, text.str());
}

bool WriteMaterial(Scene& scene, Material* material, std::ostream& to) {
  if (!material) return false;
  std::ostringstream out;
  out << kMaterialFileHeader << "// images\n";
  WriteMaterialWithTextures(out, scene.images, *material);
  to << FitLines(out.str());
  return to.good();
}

bool SaveMaterial(Scene& scene, Material* material, const char* fileName) {
  if (!material || !FileNameGiven(fileName)) return false;
  std::ostringstream text;
  return WriteMaterial(scene, material, text) && WriteFile(fileName, text.str());
}

}  // namespace orvane
