#include <benchmark/benchmark.h>

#include <string>

#include "bench_inputs.h"
#include "engine/converter.h"

namespace {

constexpr std::int64_t kScriptSize = 5 << 20;

// Each match is registered as a reference, as it is in a conversion; the
// converter logs nothing.
void BM_ScanPreloadedImages(benchmark::State& state) {
  const std::string& script = ScriptInput(static_cast<std::size_t>(state.range(0)));
  CConverter converter;
  for (auto _ : state) converter.ScanPreloadedImages(script);
  state.SetBytesProcessed(state.iterations() * state.range(0));
  state.counters["images"] = static_cast<double>(converter.Resources().size());
}

}  // namespace

BENCHMARK(BM_ScanPreloadedImages)->Arg(kScriptSize)->Unit(benchmark::kMillisecond);
