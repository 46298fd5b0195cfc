#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "archive/base64_encoder.h"
#include "archive/quoted_printable_encoder.h"
#include "base/byte_buffer.h"
#include "bench_inputs.h"

namespace {

using Input = const std::string& (*)(std::size_t);

constexpr std::int64_t kSmall = 1 << 10;
constexpr std::int64_t kLarge = 64 << 20;

// Each encoder appends into a new buffer, as the archive makes each part.

void BM_EncodeBase64(benchmark::State& state, Input input) {
  const std::string& bytes = input(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    ByteBuffer encoded;
    AppendBase64(bytes, encoded);
    benchmark::DoNotOptimize(encoded.Data());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_EncodeQuotedPrintable(benchmark::State& state, Input input) {
  const std::string& bytes = input(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    ByteBuffer encoded;
    AppendQuotedPrintable(bytes, encoded);
    benchmark::DoNotOptimize(encoded.Data());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK_CAPTURE(BM_EncodeBase64, text, TextInput)->Arg(kSmall)->Arg(kLarge);
BENCHMARK_CAPTURE(BM_EncodeBase64, binary, BinaryInput)->Arg(kSmall)->Arg(kLarge);
BENCHMARK_CAPTURE(BM_EncodeQuotedPrintable, text, TextInput)->Arg(kSmall)->Arg(kLarge);
BENCHMARK_CAPTURE(BM_EncodeQuotedPrintable, binary, BinaryInput)->Arg(kSmall)->Arg(kLarge);
