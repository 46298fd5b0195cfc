#include <benchmark/benchmark.h>

#include <string>

#include "bench_inputs.h"
#include "engine/html_cost_guard.h"
#include "engine/html_document.h"

namespace {

constexpr std::int64_t kPageSize = 5 << 20;

void BM_HtmlDocumentLoad(benchmark::State& state) {
  const std::string& page = PageInput(static_cast<std::size_t>(state.range(0)));
  HtmlDocument document;
  for (auto _ : state) document.Load(page);
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

// The markup the archive's main part is made from, after every image has
// been given a new source as discovery gives it.
void BM_HtmlDocumentSerialize(benchmark::State& state) {
  const std::string& page = PageInput(static_cast<std::size_t>(state.range(0)));
  HtmlDocument document;
  document.Load(page);
  for (const HtmlElement& image : document.Images()) {
    document.SetAttribute(image, "src", "file:///srv/site/" + document.GetAttribute(image, "src").value_or(""));
  }
  std::size_t markupBytes = 0;
  for (auto _ : state) {
    const std::string markup = document.PageMarkup();
    markupBytes = markup.size();
    benchmark::DoNotOptimize(markup.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(markupBytes));
}

// The pass that refuses too costly markup before the parser sees it; it
// runs before every load, so its rate is set against the load's.
void BM_FindMarkupExcess(benchmark::State& state) {
  const std::string& page = PageInput(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(FindMarkupExcess(page));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

}  // namespace

// The parser runs on a thread of its own with a deep stack, so only the
// wall clock sees its work.
BENCHMARK(BM_HtmlDocumentLoad)->Arg(kPageSize)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HtmlDocumentSerialize)->Arg(kPageSize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindMarkupExcess)->Arg(kPageSize)->Unit(benchmark::kMillisecond);
