// The quoted-printable encoder's output decodes back to the input, in the
// promised line form.
#include <cstddef>
#include <cstdint>

#include "archive/quoted_printable_encoder.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/mime_decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string encoded = EncodeQuotedPrintable(data, static_cast<std::int64_t>(size));
  const std::optional<std::string> decoded = DecodeStrictQuotedPrintable(encoded);
  Require(decoded.has_value(), "quoted-printable output is well formed");
  Require(*decoded == std::string_view(reinterpret_cast<const char*>(data), size), "quoted-printable round trip");
  return 0;
}
