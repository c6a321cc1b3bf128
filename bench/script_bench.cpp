// Benchmarks of the scene-language interpreter.
//   build/bench/orvane_bench --benchmark_filter=Loop
//   build/bench/orvane_bench --write-mesh-scene FILE   (writes the scene that BM_LoadMesh200k
//                                                       loads, then exits)

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <numbers>
#include <sstream>
#include <string>

#include "material/material.h"
#include "scene/camera.h"
#include "scene/light_source.h"
#include "scene/math_plane.h"
#include "scene/mesh_object.h"
#include "scene/scene.h"
#include "script/expression.h"
#include "script/interpreter.h"
#include "script/scene_commands.h"
#include "script/scene_writer.h"

namespace orvane {
namespace {

// A bumpy UV sphere of 250 stacks × 400 slices: 100,400 points and 199,200 triangles (the
// pole rows have one triangle per slice), with a material, a floor, a light and a camera,
// saved by the scene writer.
bool WriteMeshScene(const char* path) {
  constexpr int kStacks = 250, kSlices = 400;
  constexpr double kRadius = 2.0, kCentreY = 2.2;
  Scene scene;
  std::ostringstream err;
  if (!scene.EnsureLists(err)) return false;
  auto* gold = new Material();
  gold->name = "gold";
  gold->setColour(kDiffuse, 217, 191, 77);
  scene.materials->Append(gold, 1);
  auto* mesh = new MeshObject();
  mesh->name = "bumpy";
  mesh->SetPointCount(uint32_t((kStacks + 1) * kSlices));
  for (int i = 0; i <= kStacks; ++i) {
    const double theta = std::numbers::pi * i / kStacks;
    for (int j = 0; j < kSlices; ++j) {
      const double phi = 2.0 * std::numbers::pi * j / kSlices;
      const double r = kRadius * (1.0 + 0.06 * std::sin(8 * theta) * std::cos(12 * phi));
      mesh->SetPoint(uint32_t(i * kSlices + j), float(r * std::sin(theta) * std::cos(phi)),
                     float(kCentreY + r * std::cos(theta)),
                     float(r * std::sin(theta) * std::sin(phi)));
    }
  }
  mesh->SetTriangleCount(uint32_t(2 * kStacks * kSlices - 2 * kSlices));
  uint32_t t = 0;
  for (int i = 0; i < kStacks; ++i) {
    for (int j = 0; j < kSlices; ++j) {
      const uint32_t a = uint32_t(i * kSlices + j), b = uint32_t(i * kSlices + (j + 1) % kSlices);
      const uint32_t c = a + kSlices, d = b + kSlices;
      if (i != 0) mesh->SetTriangle(t++, a, b, d);
      if (i != kStacks - 1) mesh->SetTriangle(t++, a, d, c);
    }
  }
  mesh->material = gold;
  mesh->SetFlag(kUsePhong, true);
  mesh->Refresh();
  scene.objects->Append(mesh, 1);
  auto* floor = new MathPlane();
  floor->name = "floor";
  floor->PointAlong({0, 1, 0});
  scene.objects->Append(floor, 1);
  auto* light = new LightSource();
  light->name = "sun";
  light->placement.position = {-8, 12, -10};
  scene.lights->Append(light, 1);
  auto* camera = new Camera();
  camera->name = "view";
  camera->placement.position = {0, 4.5f, -8};
  camera->LookAt({0, 1.8f, 0});
  scene.cameras->Append(camera, 1);
  return SaveScene(scene, path);
}

std::string MeshScenePath() {
  static const std::string path = [] {
    const auto dir = std::filesystem::temp_directory_path() / "orvane_bench";
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "mesh200k.ovs").string();
    return WriteMeshScene(file.c_str()) ? file : std::string();
  }();
  return path;
}

// What `orvane run --no-render FILE` does with the file (the writer's "use_phong" and
// "is_visible" lines give their warnings, so only the result counts).
int LoadScene(const char* path) {
  Scene scene;
  scene.render.renderingDisabled = 1;
  std::ostringstream out;
  std::ostringstream err;
  ScriptInterpreter interpreter(scene, out, err);
  SceneCommands commands;
  interpreter.SetItemStatements(&commands);
  const int result = interpreter.Run(path);
  RemoveMappingLeftovers(scene);
  return result;
}

void BM_LoadMesh200k(benchmark::State& state) {
  const std::string path = MeshScenePath();
  if (path.empty()) {
    state.SkipWithError("could not write the mesh scene");
    return;
  }
  for (auto _ : state) {
    int result = LoadScene(path.c_str());
    benchmark::DoNotOptimize(result);
    if (result != 0) state.SkipWithError("the scene did not load");
  }
}
BENCHMARK(BM_LoadMesh200k)->Unit(benchmark::kMillisecond);

void BM_Loop100k(benchmark::State& state) {
  for (auto _ : state) {
    Scene scene;
    std::ostringstream out;
    std::ostringstream err;
    ScriptInterpreter interpreter(scene, out, err);
    int result = interpreter.Run(ORVANE_BENCH_SCRIPTS "/loop100k.ovs");
    benchmark::DoNotOptimize(result);
    if (result != 0 || !err.str().empty()) state.SkipWithError("the script failed");
  }
}
BENCHMARK(BM_Loop100k)->Unit(benchmark::kMillisecond);

void BM_Expression(benchmark::State& state) {
  LIST variables;
  variables.Append(new NamedValue("x", 2.5f), 1);
  std::ostringstream err;
  String file("bench.ovs");
  int32_t line = 1;
  ExpressionEvaluator evaluator(&variables, DiagnosticContext{&err, &file, &line});
  String text("sqrt(x*x+1)*2-(x+3)/4<10");
  for (auto _ : state) benchmark::DoNotOptimize(evaluator.Evaluate(text));
  variables.RemoveAll();
}
BENCHMARK(BM_Expression);

}  // namespace
}  // namespace orvane

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--write-mesh-scene") == 0) {
    if (orvane::WriteMeshScene(argv[2])) return 0;
    std::fprintf(stderr, "orvane_bench: could not write %s\n", argv[2]);
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
