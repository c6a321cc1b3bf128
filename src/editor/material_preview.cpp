#include "editor/material_preview.h"

#include <QFile>
#include <QTemporaryFile>

#include <cmath>

#include "editor/prompter.h"
#include "imageio/picture.h"
#include "material/material.h"
#include "material/texture.h"
#include "render/render_driver.h"
#include "scene/camera.h"
#include "script/interpreter.h"
#include "script/scene_commands.h"

namespace orvane::editor {

namespace {

constexpr const char* kSceneText =
    "material mat_sphere_material { }\n"
    "material mat_plane_back_material { diffus <1> ambient <0.3> }\n"
    "material mat_plane_front_material { diffus <1> ambient <0.6> }\n"
    "sphere mat_sphere { radius <4> material mat_sphere_material has_shadow <0> }\n"
    "plane mat_plane_back {\n"
    "  position <0,0,5> normal <0,0,1> radius_X <5> radius_Y <5> type rectangle\n"
    "  material mat_plane_back_material\n"
    "}\n"
    "sphere mat_sphere_front { radius <25> material mat_plane_front_material has_shadow <0> }\n"
    "light mat_light { position <-5.5,5.5,-10> }\n"
    "camera mat_camera { position <0,0,-7> }\n";

// The pictures drawn where the files are missing: a grey checker board of 8 × 8 squares
// behind the sphere, a sky fading from blue to white around it.
bool DrawPicture(Texture& texture, bool checker) {
  if (!texture.CreatePicture(64, 64, 8)) return false;
  Picture& picture = *texture.picture();
  picture.paletteCount = 256;
  for (int i = 0; i < 256; ++i) {
    picture.palette[i] = checker ? Rgb{uint8_t(i), uint8_t(i), uint8_t(i)}
                                 : Rgb{uint8_t(90 + i * 165 / 255), uint8_t(130 + i * 125 / 255),
                                       uint8_t(230 + i * 25 / 255)};
  }
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      const int index = checker ? (((x / 8) + (y / 8)) % 2 ? 200 : 70) : 255 - y * 4;
      picture.SetPixel(x, y, static_cast<uint8_t>(index));
    }
  }
  return true;
}

Material* MaterialOf(Scene& scene, const char* name) {
  return FindMaterial(scene, String(name));
}

}  // namespace

QImage PreviewPlanes::ToImage() const {
  QImage image(size, size, QImage::Format_RGB888);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const std::size_t at = std::size_t(x) + std::size_t(y) * std::size_t(size);
      if (at >= planes[0].size()) continue;
      image.setPixel(x, y, qRgb(planes[0][at], planes[1][at], planes[2][at]));
    }
  }
  return image;
}

MaterialPreview::MaterialPreview(const std::string& directory, Prompter& prompter) {
  Build(directory, prompter);
}

void MaterialPreview::Build(const std::string& directory, Prompter& prompter) {
  // The scene text runs from a file of its own.
  QTemporaryFile file;
  if (file.open()) {
    file.write(kSceneText);
    file.close();
    ScriptInterpreter interpreter(scene_, log_, log_);
    SceneCommands commands;
    interpreter.SetItemStatements(&commands);
    interpreter.Run(file.fileName().toLocal8Bit().constData());
  }
  if (!scene_.images) scene_.EnsureLists(log_);
  const struct {
    const char* texture;
    const char* file;
    const char* material;
    const char* missing;
    bool checker;
  } pictures[] = {
      {"mat_image_back", kBackImageFile, "mat_plane_back_material", kBackImageMissing, true},
      {"mat_image_front", kFrontImageFile, "mat_plane_front_material", kFrontImageMissing, false},
  };
  for (const auto& p : pictures) {
    const std::string path = directory + p.file;
    auto texture = std::make_unique<Texture>(kTextureImage);
    texture->name = p.texture;
    Material* material = MaterialOf(scene_, p.material);
    const bool present = QFile::exists(QString::fromLocal8Bit(path.c_str()));
    const bool loaded =
        present ? texture->LoadImage(path.c_str(), nullptr) : DrawPicture(*texture, p.checker);
    if (!loaded || !material || !scene_.images) {
      prompter.Message("Error", p.missing);
      continue;
    }
    material->setTexture(kDiffuse, texture.get());
    material->setHasTexture(kDiffuse, 1);
    material->setColour(kDiffuse, 0, 0, 0);
    if (scene_.images->Append(texture.get(), 1)) texture.release();
  }
}

PreviewPlanes MaterialPreview::Trace(const Material& material, int size) {
  PreviewPlanes result;
  result.size = size;
  const std::size_t bytes = std::size_t(size) * std::size_t(size);
  for (auto& plane : result.planes) plane.assign(bytes, 0);
  Material* sphere = MaterialOf(scene_, "mat_sphere_material");
  if (!sphere || size <= 0) return result;
  sphere->CopyChannels(material);
  RenderSettings& s = scene_.render;
  s.traceDepth = 3;
  s.fieldLeft = 0;
  s.fieldTop = 0;
  s.fieldRight = size;
  s.fieldBottom = size;
  s.outputName = "mat_preview.tga";
  s.tgaOutput = 0;
  s.jpegOutput = 0;
  s.depthMap = 0;
  RenderDriver driver(scene_, log_, log_);
  Camera* camera = nullptr;
  for (ListNode* n = scene_.cameras ? scene_.cameras->head : nullptr; n; n = n->next) {
    auto* c = static_cast<Camera*>(n->item);
    if (c->name == "mat_camera") camera = c;
  }
  driver.SetCamera(camera);
  driver.renderPreview(size, size, result.planes[0].data(), result.planes[1].data(),
                       result.planes[2].data(), bytes);
  log_.str(std::string());
  return result;
}

}  // namespace orvane::editor
