#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
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

// The benchmark site's page (SCRIVANE_BENCH_PAGE, about 2 MB) parsed and
// serialized again, as a conversion does with it.
void BM_ParseAndSerializeBenchPage(benchmark::State& state) {
  const char* path = std::getenv("SCRIVANE_BENCH_PAGE");
  std::ifstream file(path == nullptr ? "" : path, std::ios::binary);
  const std::string page((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (page.empty()) {
    state.SkipWithError("SCRIVANE_BENCH_PAGE names no page");
    return;
  }
  for (auto _ : state) {
    HtmlDocument document;
    document.Load(page);
    benchmark::DoNotOptimize(document.PageMarkup().size());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(page.size()));
}

}  // namespace

BENCHMARK(BM_HtmlDocumentLoad)->Arg(kPageSize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HtmlDocumentSerialize)->Arg(kPageSize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindMarkupExcess)->Arg(kPageSize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseAndSerializeBenchPage)->Unit(benchmark::kMillisecond);
