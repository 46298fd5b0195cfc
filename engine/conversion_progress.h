#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

// How far the archive has come: how many of the page's files have been
// settled (stored or given up) out of how many were found, and the bytes of
// those files (their sizes as discovery found them) out of the bytes of all.
// Remote files are fetched before that: the bytes that have arrived so far.
struct ConversionProgressReport {
  std::size_t partsWritten = 0;
  std::size_t partsFound = 0;
  std::uint64_t bytesWritten = 0;
  std::uint64_t bytesFound = 0;
  std::uint64_t bytesFetched = 0;
};

// Told, on the converting thread, how far the archive has come. While remote
// files are fetched it is told the bytes fetched, with no part found; it is
// then told nothing written once discovery is over, then once per file in the
// order the files are written, ending with everything written. A front end
// uses it to show progress; it must neither throw nor touch the converter.
using ConversionProgress = std::function<void(const ConversionProgressReport&)>;
