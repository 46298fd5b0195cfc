#pragma once

#include <cstdint>

// What one conversion may fetch from the network. The defaults here are the
// command line's and the options' defaults.
struct FetchLimits {
  std::uint64_t maxFileBytes = 50ull << 20;    // one file, decoded
  std::uint64_t maxTotalBytes = 250ull << 20;  // every file of the conversion together, decoded
  std::uint32_t connectTimeoutMs = 10'000;
  std::uint32_t transferTimeoutMs = 60'000;  // the whole transfer, redirects included
  std::uint32_t maxRedirects = 5;
  // Loopback, link-local, private and unique-local addresses may be
  // connected to; off, a page cannot make the program read an intranet.
  bool allowPrivateAddresses = false;
};
