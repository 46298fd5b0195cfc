#include <benchmark/benchmark.h>
#include <fcntl.h>

#include <string>

#include "base/buffered_writer.h"
#include "base/file_descriptor.h"
#include "bench_inputs.h"

namespace {

constexpr std::int64_t kTextSize = 64 << 20;

// The way an archive reaches its file, measured without the disk (the file
// is /dev/null): parts, each a short header and a body of a few kilobytes or
// of half the buffer, gathered in the buffer. A body of the buffer's size or
// more passes straight through, which costs nothing to measure here.
void BM_BufferedWriter(benchmark::State& state) {
  const std::string header(240, 'h');
  const std::string& body = BinaryInput(static_cast<std::size_t>(state.range(0)));
  const std::size_t parts = kTextSize / (header.size() + body.size());
  const FileDescriptor null(::open("/dev/null", O_WRONLY | O_CLOEXEC));
  for (auto _ : state) {
    BufferedWriter writer(null.Get(), std::size_t{1} << 20);
    bool written = true;
    for (std::size_t part = 0; part < parts; ++part) written = writer.Write(header) && writer.Write(body) && written;
    benchmark::DoNotOptimize(writer.Flush() && written);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(parts * (header.size() + body.size())));
}

}  // namespace

BENCHMARK(BM_BufferedWriter)->Arg(4 << 10)->Arg(512 << 10)->Unit(benchmark::kMillisecond);
