#include "archive/content_id.h"

#include <cstdint>

std::string ContentIdFromLocation(std::string_view location) {
  // FNV-1a, 64 bits.
  std::uint64_t hash = 14695981039346656037ULL;
  for (const char c : location) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ULL;
  }
  constexpr char kHex[] = "0123456789abcdef";
  std::string id(16, '0');
  for (int i = 15; i >= 0; --i, hash >>= 4) {
    id[static_cast<std::size_t>(i)] = kHex[hash & 15];
  }
  return id + "@scrivane";
}
