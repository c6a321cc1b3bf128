// Benchmarks of the scene-language interpreter.
//   build/bench/orvane_bench --benchmark_filter=Loop

#include <benchmark/benchmark.h>

#include <sstream>

#include "scene/scene.h"
#include "script/expression.h"
#include "script/interpreter.h"

namespace orvane {
namespace {

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

BENCHMARK_MAIN();
