#pragma once

#include <optional>
#include <string>
#include <string_view>

// Decoders written independently of the archive's encoders, strict about the
// form the encoders promise: they give nothing for text the encoders must
// never produce.

// RFC 2045 section 6.8 base64 in lines of exactly 76 characters, each ended
// by CR LF, and a last line of fewer than 76 without one.
std::optional<std::string> DecodeStrictBase64(std::string_view text);

// RFC 2045 section 6.7 quoted-printable with CR LF as line breaks: "=XX"
// with upper-case hexadecimal digits, "=" before a line break as a soft
// break, no line longer than 75 characters before its line break, no raw
// byte outside tab and 0x20 to 0x7F, no white space before a line break or
// at the very end (the archive puts a line end after every body), and no
// "." opening a line after a hard break. Hard line breaks decode to line
// feeds.
std::optional<std::string> DecodeStrictQuotedPrintable(std::string_view text);
