#pragma once

#include <optional>
#include <string>
#include <string_view>

// Decoders written independently of the archive's encoders, strict about the
// form the encoders promise: they give nothing for text the encoders must
// never produce.

// RFC 2045 section 6.8 base64 in lines of exactly 76 characters, each ended
// by a line feed, and a last line of fewer than 76 without one.
std::optional<std::string> DecodeStrictBase64(std::string_view text);

// RFC 2045 section 6.7 quoted-printable with line feeds as line breaks:
// "=XX" with upper-case hexadecimal digits, "=" before a line feed as a soft
// break, no line longer than 76 characters counting its line feed, no raw
// byte outside tab and 0x20 to 0x7F, no white space before a line feed or
// at the very end (the archive puts a line end after every body), and no
// "." opening a line after a line feed. Hard line breaks decode to line feeds.
std::optional<std::string> DecodeStrictQuotedPrintable(std::string_view text);
