#include "base/process_clock.h"

#include <chrono>

namespace {

const std::chrono::steady_clock::time_point kProcessStart = std::chrono::steady_clock::now();

}  // namespace

std::uint64_t MillisecondsSinceStart() {
  const auto elapsed = std::chrono::steady_clock::now() - kProcessStart;
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}
