// Whole-picture render timings at 640 × 480: the showcase example and three scenes built here
// (27 spheres of glass and mirror, one mesh of 200,000 triangles, 10,000 small spheres).
// Each benchmark renders one picture into a temporary folder and reports its time and the
// primary rays per second ("rays/s": one per pixel).
//
//   build/bench/orvane_render_bench [--benchmark_filter=Mesh]

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <sstream>
#include <string>

#include "material/material.h"
#include "render/render_driver.h"
#include "scene/camera.h"
#include "scene/light_source.h"
#include "scene/math_plane.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"
#include "scene/scene.h"
#include "script/interpreter.h"
#include "script/scene_commands.h"

namespace orvane {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

std::string OutputBase(const char* name) {
  const auto dir = std::filesystem::temp_directory_path() / "orvane_render_bench";
  std::filesystem::create_directories(dir);
  return (dir / name).string();
}

// Renders the scene's picture once per iteration on state.range(0) threads and reports rays
// per second of wall-clock time.
void RenderPicture(benchmark::State& state, Scene& scene, const char* name) {
  scene.render.threads = static_cast<uint32_t>(state.range(0));
  std::ostringstream out, err;
  RenderDriver driver(scene, out, err);
  scene.render.outputName = OutputBase(name).c_str();
  driver.SetImageSize(kWidth, kHeight);
  scene.render.fieldRight = kWidth;
  scene.render.fieldBottom = kHeight;
  if (scene.render.activeCamera) driver.SetCamera(scene.render.activeCamera);
  for (auto _ : state) {
    if (driver.renderFrame(-1) != 0) state.SkipWithError(err.str().c_str());
  }
  state.counters["rays/s"] = benchmark::Counter(double(kWidth) * kHeight * state.iterations(),
                                                benchmark::Counter::kIsRate);
  state.counters["hits"] = driver.PixelsHit();
}

Material* AddMaterial(Scene& scene, uint8_t r, uint8_t g, uint8_t b) {
  auto* m = new Material();
  m->setColour(kDiffuse, r, g, b);
  scene.materials->Append(m, 1);
  return m;
}

void AddSphere(Scene& scene, Vec3 centre, float radius, Material* m) {
  auto* s = new MathSphere(radius);
  s->placement.position = centre;
  s->material = m;
  scene.objects->Append(s, 1);
}

// Camera, floor and two lights shared by the built scenes.
void AddStage(Scene& scene, Vec3 eye, Vec3 target) {
  std::ostringstream err;
  scene.EnsureLists(err);
  auto* camera = new Camera();
  camera->placement.position = eye;
  camera->LookAt(target);
  scene.cameras->Append(camera, 1);
  scene.render.activeCamera = camera;
  auto* floor = new MathPlane();
  floor->PointAlong({0, 1, 0});
  floor->material = AddMaterial(scene, 160, 160, 150);
  scene.objects->Append(floor, 1);
  for (Vec3 p : {Vec3{-6, 10, -8}, Vec3{7, 6, -3}}) {
    auto* light = new LightSource();
    light->placement.position = p;
    light->SetBrightness(0.7f);
    scene.lights->Append(light, 1);
  }
}

void BM_Showcase(benchmark::State& state) {
  Scene scene;
  std::ostringstream out, err;
  ScriptInterpreter interpreter(scene, out, err);
  SceneCommands commands;
  interpreter.SetItemStatements(&commands);
  scene.render.renderingDisabled = 1;  // build the scene only; TRACE! comes below
  if (interpreter.Run(ORVANE_EXAMPLES "/showcase.ovs") != ScriptInterpreter::kRunOk) {
    state.SkipWithError("the showcase did not run");
    return;
  }
  scene.render.renderingDisabled = 0;
  RenderPicture(state, scene, "showcase");
}

// A 3 × 3 × 3 block of spheres, glass, mirror and plain in turn, on a floor.
void BM_GlassAndMirrorSpheres(benchmark::State& state) {
  Scene scene;
  AddStage(scene, {0, 5, -11}, {0, 2, 0});
  Material* glass = AddMaterial(scene, 255, 255, 255);
  glass->setValue(kDiffuse, 0, 0.1);
  glass->setValue(kTransparent, 0, 0.85);
  glass->setValue(kTransparent, 2, 1.5);
  Material* mirror = AddMaterial(scene, 60, 60, 60);
  mirror->setValue(kMirror, 0, 0.8);
  Material* plain = AddMaterial(scene, 200, 80, 60);
  Material* kinds[3] = {glass, mirror, plain};
  for (int i = 0; i < 27; ++i) {
    const Vec3 c{float(i % 3 - 1) * 2.2f, 1.0f + float(i / 3 % 3) * 2.2f, float(i / 9 - 1) * 2.2f};
    AddSphere(scene, c, 0.9f, kinds[i % 3]);
  }
  RenderPicture(state, scene, "spheres27");
}

// One mesh of 250 × 400 quads: 200,000 triangles on a sphere of radius 2.
void BM_Mesh200kTriangles(benchmark::State& state) {
  Scene scene;
  AddStage(scene, {0, 3, -7}, {0, 2, 0});
  constexpr int kRings = 250, kSegments = 400, kCols = kSegments + 1;
  auto* mesh = new MeshObject();
  mesh->SetPointCount(uint32_t((kRings + 1) * kCols));
  for (int i = 0; i <= kRings; ++i) {
    const double theta = std::numbers::pi * i / kRings;
    for (int j = 0; j <= kSegments; ++j) {
      const double phi = 2 * std::numbers::pi * j / kSegments;
      mesh->SetPoint(uint32_t(i * kCols + j), float(2 * std::sin(theta) * std::cos(phi)),
                     float(2 + 2 * std::cos(theta)), float(2 * std::sin(theta) * std::sin(phi)));
    }
  }
  mesh->SetTriangleCount(uint32_t(kRings * kSegments * 2));
  uint32_t t = 0;
  for (int i = 0; i < kRings; ++i) {
    for (int j = 0; j < kSegments; ++j) {
      const uint32_t a = uint32_t(i * kCols + j), b = a + 1, c = a + kCols, d = c + 1;
      mesh->SetTriangle(t++, a, b, c);
      mesh->SetTriangle(t++, b, d, c);
    }
  }
  mesh->material = AddMaterial(scene, 90, 160, 220);
  mesh->SetFlag(kUsePhong, true);
  scene.objects->Append(mesh, 1);
  RenderPicture(state, scene, "mesh200k");
}

// 100 × 100 spheres of radius 0.1 on the floor.
void BM_TenThousandSpheres(benchmark::State& state) {
  Scene scene;
  AddStage(scene, {0, 6, -12}, {0, 0, 2});
  Material* colours[3] = {AddMaterial(scene, 220, 60, 50), AddMaterial(scene, 60, 200, 80),
                          AddMaterial(scene, 70, 90, 230)};
  for (int i = 0; i < 10000; ++i) {
    const Vec3 c{float(i % 100) * 0.25f - 12.4f, 0.1f, float(i / 100) * 0.25f - 8.0f};
    AddSphere(scene, c, 0.1f, colours[i % 3]);
  }
  RenderPicture(state, scene, "spheres10k");
}

BENCHMARK(BM_Showcase)->Arg(1)->Arg(2)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_GlassAndMirrorSpheres)->Arg(1)->Arg(2)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_Mesh200kTriangles)->Arg(1)->Arg(2)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_TenThousandSpheres)->Arg(1)->Arg(2)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

}  // namespace
}  // namespace orvane

BENCHMARK_MAIN();
