#include "archive/archive_boundary.h"

#include <algorithm>

namespace {

constexpr const char* kBoundaryStem = "----=KORVATH_SCRIVANEBUILDER_";

// FNV-1a, 64 bits: stable across machines and builds, unlike std::hash.
std::uint64_t Fnv1a(std::uint64_t hash, std::string_view bytes) {
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ULL;
  }
  return hash;
}

std::string Hex16(std::uint64_t value) {
  constexpr char kHex[] = "0123456789abcdef";
  std::string text(16, '0');
  for (int i = 15; i >= 0; --i, value >>= 4) text[static_cast<std::size_t>(i)] = kHex[value & 15];
  return text;
}

}  // namespace

std::string ClockBoundary(std::uint64_t clockMilliseconds) { return kBoundaryStem + std::to_string(clockMilliseconds); }

std::string ReproducibleBoundary(std::uint64_t sourceDateEpoch, std::string_view mainUrl,
                                 std::string_view encodedMainBody) {
  std::uint64_t hash = Fnv1a(14695981039346656037ULL, mainUrl);
  // The zero byte keeps "ab"+"c" and "a"+"bc" apart.
  hash = Fnv1a(hash, std::string_view("\0", 1));
  // Counted with its line ends as bare line feeds, as bodies were once
  // written, so that the same input keeps the boundary it has always had. An
  // encoded body holds no carriage return but in its CR LF line ends.
  for (std::size_t at = 0; at < encodedMainBody.size();) {
    const std::size_t carriageReturn = std::min(encodedMainBody.find('\r', at), encodedMainBody.size());
    hash = Fnv1a(hash, encodedMainBody.substr(at, carriageReturn - at));
    at = carriageReturn + 1;
  }
  // In milliseconds, as the clock's boundary counts them.
  return ClockBoundary(sourceDateEpoch * 1000) + "_" + Hex16(hash);
}
