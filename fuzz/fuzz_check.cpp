#include "fuzz/fuzz_check.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr std::size_t kContext = 60;

void PrintAround(const char* label, std::string_view text, std::size_t at) {
  const std::size_t from = at > kContext ? at - kContext : 0;
  const std::string_view shown = text.substr(from, 2 * kContext);
  std::fprintf(stderr, "%s (%zu bytes) from %zu: [%.*s]\n", label, text.size(), from, static_cast<int>(shown.size()),
               shown.data());
}

}  // namespace

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "property failed: %s\n", what);
  std::abort();
}

void RequireSameText(std::string_view expected, std::string_view actual, const char* what) {
  if (expected == actual) return;
  const auto [mismatch, ignored] = std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end());
  const auto at = static_cast<std::size_t>(mismatch - expected.begin());
  PrintAround("expected", expected, at);
  PrintAround("actual  ", actual, at);
  Require(false, what);
}
