#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <set>
#include <streambuf>
#include <string>

#include "archive/mime_archive.h"
#include "engine/converter.h"

namespace {

// Counts what is written to it and keeps none of it: the command line
// streams the archive to its file as it is made, so no copy of it is part of
// a conversion.
class CountingBuffer : public std::streambuf {
 public:
  std::size_t Count() const { return m_count; }

 protected:
  std::streamsize xsputn(const char*, std::streamsize count) override {
    m_count += static_cast<std::size_t>(count);
    return count;
  }
  int_type overflow(int_type c) override {
    ++m_count;
    return traits_type::not_eof(c);
  }

 private:
  std::size_t m_count = 0;
};

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

// A whole conversion of the page that SCRIVANE_BENCH_PAGE names (scripts/make-bench-site makes
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
    CountingBuffer counter;
    std::ostream out(&counter);
    converter.Convert(path, archive, out);
    archiveBytes = counter.Count();
  }
  state.SetBytesProcessed(state.iterations() * InputBytes(path, converter));
  state.counters["archive_MB"] = static_cast<double>(archiveBytes) / 1e6;
}

}  // namespace

BENCHMARK(BM_Convert)->Unit(benchmark::kMillisecond)->UseRealTime();
