// Benchmarks of the modelling generators.
//   build/bench/orvane_modelling_bench --benchmark_filter=Triangulate

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <sstream>
#include <vector>

#include "imageio/picture.h"
#include "modelling/height_field.h"
#include "modelling/polygons.h"
#include "material/texture.h"
#include "scene/mesh_object.h"

namespace orvane {
namespace {

constexpr double kTwoPi = 6.283185307179586;

// An outline of n points around the origin: a regular polygon (the n-angle's face) or, with
// `jagged`, a star-shaped one with random radii (seeded, so every run sees the same outline).
std::unique_ptr<MeshObject> Outline(uint32_t n, bool jagged) {
  auto outline = std::make_unique<MeshObject>();
  outline->is_path = 1;
  outline->SetPointCount(n);
  std::mt19937 rng(12345);
  std::uniform_real_distribution<double> radius(0.5, 1.5);
  for (uint32_t i = 0; i < n; ++i) {
    const double a = kTwoPi * i / n;
    const double r = jagged ? radius(rng) : 1.0;
    outline->SetPoint(i, static_cast<float>(r * std::cos(a)), static_cast<float>(r * std::sin(a)),
                      0.0f);
  }
  return outline;
}

void Triangulate10k(benchmark::State& state, bool jagged) {
  const auto outline = Outline(10000, jagged);
  std::ostringstream console;
  for (auto _ : state) {
    MeshObject* result = nullptr;
    if (Triangulate(outline.get(), result, console) != 0 || !result) {
      state.SkipWithError("the triangulation failed");
      break;
    }
    benchmark::DoNotOptimize(result->triangles);
    delete result;
  }
}

void BM_TriangulateRegular10k(benchmark::State& state) {
  Triangulate10k(state, false);
}
BENCHMARK(BM_TriangulateRegular10k)->Unit(benchmark::kMillisecond);

void BM_TriangulateStar10k(benchmark::State& state) {
  Triangulate10k(state, true);
}
BENCHMARK(BM_TriangulateStar10k)->Unit(benchmark::kMillisecond);

// A 256 × 256 grey ramp: brightness grows along x and y.
std::unique_ptr<Texture> Ramp() {
  auto texture = std::make_unique<Texture>(kTextureImage);
  auto picture = std::make_unique<Picture>();
  picture->Create(256, 256, 8);
  for (int i = 0; i < 256; ++i) picture->palette[i] = Rgb{uint8_t(i), uint8_t(i), uint8_t(i)};
  picture->paletteCount = 256;
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) picture->SetPixel(x, y, uint8_t((x + y) / 2));
  }
  texture->SetPicture(std::move(picture));
  return texture;
}

void BM_HeightField1000(benchmark::State& state) {
  const auto texture = Ramp();
  HeightFieldInput in;
  in.subdivisions_x = 1000;
  in.subdivisions_z = 1000;
  in.sphere = state.range(0) != 0;
  for (auto _ : state) {
    std::unique_ptr<MeshObject> mesh(BuildHeightField(*texture, in));
    if (!mesh) {
      state.SkipWithError("the height field failed");
      break;
    }
    benchmark::DoNotOptimize(mesh->points);
  }
}
BENCHMARK(BM_HeightField1000)->Arg(0)->Arg(1)->ArgName("sphere")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orvane

BENCHMARK_MAIN();
