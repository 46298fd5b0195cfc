#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/byte_buffer.h"

// RFC 2045 section 6.7 quoted-printable. A line feed, or a carriage return
// directly before one, is a line break of the text and becomes a line feed;
// any other carriage return is escaped. Appends to `out`.
void AppendQuotedPrintable(std::string_view bytes, ByteBuffer& out);

// A count of zero or less gives the empty string.
std::string EncodeQuotedPrintable(const void* bytes, std::int64_t count);
