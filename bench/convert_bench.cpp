#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "archive/mime_archive.h"
#include "engine/converter.h"

namespace {

// The page and every distinct file the conversion archived.
std::int64_t InputBytes(const std::string& page, const CConverter& converter) {
  std::set<std::string> files{page};
  for (const auto& [reference, path] : converter.Resources()) files.insert(path);
  std::int64_t bytes = 0;
  std::error_code error;
  for (const std::string& file : files) {
    const auto size = std::filesystem::file_size(file, error);
    if (!error) bytes += static_cast<std::int64_t>(size);
  }
  return bytes;
}

// A whole conversion into an in-memory stream, as both front ends make it,
// of the page that SCRIVANE_BENCH_PAGE names (scripts/make-bench-site makes
// one). Bytes per second count the page and the files it needs.
void BM_Convert(benchmark::State& state) {
  const char* page = std::getenv("SCRIVANE_BENCH_PAGE");
  if (page == nullptr || *page == '\0') {
    state.SkipWithError("SCRIVANE_BENCH_PAGE names no page");
    return;
  }
  const std::string path = std::filesystem::absolute(page).string();
  CConverter converter;
  CMimeArchive archive(0);
  std::size_t archiveBytes = 0;
  for (auto _ : state) {
    std::ostringstream out;
    converter.Convert(path, archive, out);
    archiveBytes = out.view().size();
  }
  state.SetBytesProcessed(state.iterations() * InputBytes(path, converter));
  state.counters["archive_MB"] = static_cast<double>(archiveBytes) / 1e6;
}

}  // namespace

BENCHMARK(BM_Convert)->Unit(benchmark::kMillisecond)->UseRealTime();
