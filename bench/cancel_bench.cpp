#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <ostream>
#include <streambuf>
#include <string>
#include <thread>

#include "archive/mime_archive.h"
#include "base/cancellation_flag.h"
#include "base/convert_error.h"
#include "engine/converter.h"

namespace {

namespace fs = std::filesystem;

// Keeps nothing of the archive: what is measured is how soon the conversion
// stops, not the disk.
class DiscardingBuffer : public std::streambuf {
 protected:
  std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
};

// A page naming `parts` sparse files of `partBytes` each, in a fresh folder.
fs::path MakeSite(int parts, std::uintmax_t partBytes) {
  const fs::path folder =
      fs::temp_directory_path() / ("scrivane-cancel-bench-" + std::to_string(::getpid()) + "-" + std::to_string(parts));
  fs::create_directories(folder);
  std::ofstream page(folder / "page.html");
  for (int i = 0; i < parts; ++i) {
    const std::string name = "part" + std::to_string(i) + ".bin";
    std::ofstream(folder / name).close();
    fs::resize_file(folder / name, partBytes);
    page << "<img src=\"" << name << "\">";
  }
  return folder;
}

// How long a conversion takes to end once it is cancelled a tenth of a
// second in: inside the reading and encoding of one big file (one part), or
// between parts (many). The target is under 200 ms.
void BM_CancelLatency(benchmark::State& state) {
  const int parts = static_cast<int>(state.range(0));
  const fs::path folder = MakeSite(parts, (std::uintmax_t{256} << 20) / static_cast<std::uintmax_t>(parts));
  CConverter converter;
  CMimeArchive archive(0);
  for (auto _ : state) {
    CancellationFlag cancellation;
    converter.SetCancellation(&cancellation);
    std::future<bool> cancelled = std::async(std::launch::async, [&] {
      DiscardingBuffer discard;
      std::ostream out(&discard);
      try {
        converter.Convert((folder / "page.html").string(), archive, out);
      } catch (const ConvertError& error) {
        return error.Reason() == ConvertReason::kCancelled;
      }
      return false;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto start = std::chrono::steady_clock::now();
    cancellation.Cancel();
    if (!cancelled.get()) state.SkipWithError("the conversion ended before it was cancelled");
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  fs::remove_all(folder);
}

}  // namespace

BENCHMARK(BM_CancelLatency)->Arg(1)->Arg(64)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
