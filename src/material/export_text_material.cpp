// The VRML 1.0 and POV-Ray text of materials. Numbers are "%5.2f" (width 5, so small values
// keep a leading blank); colours are bytes / 255, times the channel's amount where the
// format has no amount of its own.

#include <cctype>
#include <cstdio>
#include <string>

#include "foundation/error_output.h"
#include "material/material.h"
#include "material/native_text.h"
#include "material/texture.h"

namespace orvane {

namespace {

String Fixed(double v) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%5.2f", v);
  return String(buffer);
}

// "r g b" (VRML) of colour / 255 × factor.
String ColourTriple(Rgb c, double factor) {
  return Fixed(c.r * factor / 255.0) + " " + Fixed(c.g * factor / 255.0) + " " +
         Fixed(c.b * factor / 255.0);
}

// "<r,g,b>" (POV-Ray) of colour / 255 × factor.
String ColourVector(Rgb c, double factor) {
  return String("<") + Fixed(c.r * factor / 255.0) + "," + Fixed(c.g * factor / 255.0) + "," +
         Fixed(c.b * factor / 255.0) + ">";
}

LIST* NewTextList() {
  LIST* list = TryNew<LIST>();
  if (!list) ErrorOutput() << "ERROR: Could not allocate LIST for text.\n";
  return list;
}

// The file name of the texture of channel `ch` when the channel uses an image texture that
// names a file, else null. Procedural textures (fractal, chess, fade) have no file that
// POV-Ray could read, so their channel is written as if it had no texture.
const String* ChannelTextureFile(const Material& m, int ch) {
  const Texture* t = m.texture(ch);
  if (!m.hasTexture(ch) || !t || t->kind != kTextureImage || t->fileName.IsEmpty()) {
    return nullptr;
  }
  return &t->fileName;
}

// `path` as the text of a POV-Ray string: '\\' and '"' are escaped.
String PovString(const String& path) {
  std::string text = "\"";
  for (const char* c = path.c_str(); *c; ++c) {
    if (*c == '\\' || *c == '"') text += '\\';
    text += *c;
  }
  text += '"';
  return String(text.c_str());
}

// The POV-Ray keyword of the picture format of `path` by its extension (textures are IFF, JPEG
// or BMP pictures); IFF where none fits.
const char* PovImageType(const String& path) {
  std::string ext = path.c_str();
  const std::size_t dot = ext.find_last_of("./\\");
  ext = dot == std::string::npos || ext[dot] != '.' ? "" : ext.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == "jpg" || ext == "jpeg") return "jpeg";
  if (ext == "bmp") return "bmp";
  return "iff";
}

// One texture declaration; `suffix` "_sph" maps images spherically (map_type 1), "_pln"
// planarly (map_type 0).
String PovDeclaration(const Material& m, const char* suffix, const char* mapType) {
  String line = String("#declare ") + PovTextureName(m.name) + suffix + "=texture { pigment { ";
  if (const String* file = ChannelTextureFile(m, kDiffuse)) {
    line += String("image_map { ") + PovImageType(*file) + " " + PovString(*file) + " map_type " +
            mapType + " once } ";
  } else {
    line += String("color rgb ") + ColourVector(m.colour(kDiffuse), m.value(kDiffuse, 0)) +
            " filter " + Fixed(m.value(kTransparent, 0));
  }
  line += String(" } finish { reflection rgb ") + ColourVector(m.colour(kMirror), 1.0) +
          " reflection " + Fixed(m.value(kMirror, 0)) + " ";
  const double index = m.value(kTransparent, 2);
  if (index > 0.0) {
    line += String("refraction 1 ior ") + Fixed(index) + " ";
  } else {
    line += "refraction 0 ";
  }
  line += String("ambient rgb ") + ColourVector(m.colour(kAmbient), m.value(kAmbient, 0)) +
          " diffuse " + Fixed(m.value(kDiffuse, 0)) + " phong " + Fixed(m.value(kHighlight, 1)) +
          " phong_size " + Fixed(m.value(kHighlight, 2)) + " }";
  const String* bump = ChannelTextureFile(m, kBump);
  if (bump && m.value(kBump, 0) > 0.0f) {
    line += String(" normal { bump_map { ") + PovImageType(*bump) + " " + PovString(*bump) +
            " bump_size " + Fixed(m.value(kBump, 0)) + " map_type " + mapType + " } } ";
  }
  line += "}\n";
  return line;
}

}  // namespace

String PovTextureName(const String& materialName) {
  std::string name = materialName.c_str();
  for (char& c : name) {
    const bool kept =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    if (!kept) c = '_';
  }
  if (name.empty() || (name[0] >= '0' && name[0] <= '9')) name.insert(name.begin(), '_');
  return String(name.c_str());
}

LIST* Material::WriteVrml() {
  if (text) return text;
  text = NewTextList();
  if (text) BuildVrmlText(*text);
  return text;
}

LIST* Material::WritePov() {
  if (text) return text;
  text = NewTextList();
  if (text) BuildPovText(*text);
  return text;
}

void Material::BuildVrmlText(LIST& lines) const {
  AppendTextLine(lines, "Material {\n");
  AppendTextLine(
      lines, String("diffuseColor ") + ColourTriple(colour(kDiffuse), value(kDiffuse, 0)) + "\n");
  AppendTextLine(
      lines, String("ambientColor ") + ColourTriple(colour(kAmbient), value(kAmbient, 0)) + "\n");
  AppendTextLine(
      lines, String("specularColor ") + ColourTriple(colour(kMirror), value(kMirror, 0)) + "\n");
  AppendTextLine(lines,
                 String("emissiveColor ") + ColourTriple(colour(kGlow), value(kGlow, 0)) + "\n");
  AppendTextLine(lines, String("shininess ") + Fixed(value(kHighlight, 2) * 0.01) + "\n");
  AppendTextLine(lines, String("transparency ") + Fixed(value(kTransparent, 0)) + "\n");
  AppendTextLine(lines, "}\n");
}

void Material::BuildPovText(LIST& lines) const {
  AppendTextLine(lines, PovDeclaration(*this, "_sph", "1"));
  AppendTextLine(lines, PovDeclaration(*this, "_pln", "0"));
}

}  // namespace orvane
