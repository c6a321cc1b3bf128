#pragma once
// Test helpers: a scene with a driver bound to it, builders for its items and a TGA reader.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "material/material.h"
#include "material/texture.h"
#include "render/render_driver.h"
#include "scene/camera.h"
#include "scene/light_source.h"
#include "scene/math_plane.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"
#include "scene/scene.h"
#include "support/test_files.h"

namespace orvane::render_test {

using test::ReadBytes;
using test::TempDir;

// An uncompressed 24-bit top-down TGA as the driver writes it; a failure of the test, and no
// pixels, when `path` holds no such picture.
struct TgaImage {
  explicit TgaImage(const std::string& path) : bytes(ReadBytes(path)) {
    if (bytes.size() >= 18) {
      width = bytes[12] | bytes[13] << 8;
      height = bytes[14] | bytes[15] << 8;
    }
    if (bytes.size() != 18 + std::size_t(width) * height * 3)
      ADD_FAILURE() << "no picture in " << path;
  }
  Rgb Pixel(int x, int y) const {
    const std::size_t at = 18 + (std::size_t(y) * width + x) * 3;
    if (x < 0 || x >= width || at + 2 >= bytes.size()) return Rgb{};
    return Rgb{bytes[at + 2], bytes[at + 1], bytes[at]};
  }
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bytes;  // the whole file
};

// A new mesh of the given points and triangles (point indexes).
inline MeshObject* NewMesh(std::initializer_list<Vec3> points,
                           std::initializer_list<std::array<uint32_t, 3>> triangles) {
  auto* mesh = new MeshObject();
  EXPECT_EQ(mesh->SetPointCount(uint32_t(points.size())), 0);
  uint32_t i = 0;
  for (const Vec3& p : points) mesh->SetPoint(i++, p);
  EXPECT_EQ(mesh->SetTriangleCount(uint32_t(triangles.size())), 0);
  i = 0;
  for (const auto& t : triangles) mesh->SetTriangle(i++, t[0], t[1], t[2]);
  return mesh;
}

// A scene whose items are built in code, with a driver writing to string streams.
class SceneBuilder {
 public:
  SceneBuilder() { EXPECT_TRUE(scene.EnsureLists(err)); }
  Camera* AddCamera(Vec3 position, Vec3 look_at) {
    auto* camera = new Camera();
    camera->placement.position = position;
    camera->LookAt(look_at);
    scene.cameras->Append(camera, 1);
    driver.SetCamera(camera);
    return camera;
  }
  Material* AddMaterial(const char* name, uint8_t r, uint8_t g, uint8_t b) {
    auto* m = new Material();
    m->name = name;
    m->setColour(kDiffuse, r, g, b);
    return scene.materials->Append(m, 1) ? m : nullptr;
  }
  template <class T>
  T* Add(T* object, Material* material) {
    object->material = material;
    return scene.objects->Append(object, 1) ? object : nullptr;
  }
  MathSphere* AddSphere(Vec3 centre, float radius, Material* material) {
    auto* s = new MathSphere(radius);
    s->placement.position = centre;
    return Add(s, material);
  }
  // An unlimited two-sided plane through `point` with the given normal.
  MathPlane* AddPlane(Vec3 point, Vec3 normal, Material* material) {
    auto* p = new MathPlane();
    p->placement.position = point;
    p->PointAlong(normal);
    return Add(p, material);
  }
  MeshObject* AddMesh(std::initializer_list<Vec3> points,
                      std::initializer_list<std::array<uint32_t, 3>> triangles,
                      Material* material) {
    return Add(NewMesh(points, triangles), material);
  }
  LightSource* AddLight(Vec3 position) {
    auto* l = new LightSource();
    l->placement.position = position;
    return scene.lights->Append(l, 1) ? l : nullptr;
  }
  Texture* AddTexture(const char* name, int32_t kind) {
    auto* t = new Texture(kind);
    t->name = name;
    return scene.images->Append(t, 1) ? t : nullptr;
  }
  // Output of the next frames goes to `base` (a path without extension).
  void Output(const std::string& base, int32_t width, int32_t height) {
    scene.render.outputName = base.c_str();
    driver.SetImageSize(width, height);
    scene.render.fieldRight = width;
    scene.render.fieldBottom = height;
  }
  Scene scene;
  std::ostringstream out;
  std::ostringstream err;
  RenderDriver driver{scene, out, err};
};

// An 8-bit picture texture of w × h pixels whose pixel (x, y) has palette index pixel(x, y).
template <class PixelFn>
void FillPicture(Texture* t, int32_t w, int32_t h, PixelFn pixel) {
  ASSERT_TRUE(t->CreatePicture(w, h, 8));
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) t->picture()->SetPixel(x, y, uint8_t(pixel(x, y)));
  t->picture()->paletteCount = 256;
}

}  // namespace orvane::render_test
