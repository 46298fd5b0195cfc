// The base64 encoder's output decodes back to the input, in the promised
// line form.
#include <cstddef>
#include <cstdint>

#include "archive/base64_encoder.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/mime_decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string encoded = EncodeBase64(data, size);
  const std::optional<std::string> decoded = DecodeStrictBase64(encoded);
  Require(decoded.has_value(), "base64 output is well formed");
  Require(*decoded == std::string_view(reinterpret_cast<const char*>(data), size), "base64 round trip");
  return 0;
}
