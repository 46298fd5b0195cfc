#include <benchmark/benchmark.h>
#include <fcntl.h>

#include <string>

#include "archive/base64_encoder.h"
#include "base/crlf_writer.h"
#include "base/file_descriptor.h"
#include "bench_inputs.h"

namespace {

constexpr std::int64_t kTextSize = 64 << 20;

// The carriage returns that every line of an archive gains on its way to
// disk, measured without the disk: the file is /dev/null.
void BM_CrLfWriter(benchmark::State& state) {
  const std::string text = EncodeBase64(BinaryInput(static_cast<std::size_t>(state.range(0))).data(),
                                        static_cast<std::size_t>(state.range(0)));
  const FileDescriptor null(::open("/dev/null", O_WRONLY | O_CLOEXEC));
  for (auto _ : state) {
    CrLfWriter writer(null.Get());
    benchmark::DoNotOptimize(writer.Write(text) && writer.Flush());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

}  // namespace

BENCHMARK(BM_CrLfWriter)->Arg(kTextSize)->Unit(benchmark::kMillisecond);
