#include "cli/source_date_epoch.h"

#include <charconv>
#include <cstring>

namespace {

constexpr std::uint64_t kLastSecondOfYear9999 = 253402300799ULL;

}  // namespace

bool ParseSourceDateEpoch(const char* text, std::optional<std::uint64_t>& seconds) {
  seconds.reset();
  if (text == nullptr || *text == '\0') return true;
  const char* end = text + std::strlen(text);
  std::uint64_t value = 0;
  const auto [stop, error] = std::from_chars(text, end, value);
  if (error != std::errc() || stop != end || value > kLastSecondOfYear9999) return false;
  seconds = value;
  return true;
}
