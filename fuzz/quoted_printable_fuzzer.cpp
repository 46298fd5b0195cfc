// The quoted-printable encoder's output decodes back to the input, in the
// promised line form.
#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/quoted_printable_encoder.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/mime_decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string encoded = EncodeQuotedPrintable(data, static_cast<std::int64_t>(size));
  const std::optional<std::string> decoded = DecodeStrictQuotedPrintable(encoded);
  Require(decoded.has_value(), "quoted-printable output is well formed");
  // A CR LF pair of the input is one line break, which decodes to a line feed.
  std::string expected(reinterpret_cast<const char*>(data), size);
  for (std::size_t at = 0; (at = expected.find("\r\n", at)) != std::string::npos;) expected.erase(at, 1);
  Require(*decoded == expected, "quoted-printable round trip");
  return 0;
}
