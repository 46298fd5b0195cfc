// The preloaded-image scan takes any text: it registers what it finds and
// gives up on a runaway match, but never crashes or hangs.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/converter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CConverter converter;
  converter.ScanPreloadedImages(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
