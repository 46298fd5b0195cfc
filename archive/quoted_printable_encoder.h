#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/byte_buffer.h"

// RFC 2045 section 6.7 quoted-printable with line feeds as the only line
// break. Appends to `out`.
void AppendQuotedPrintable(std::string_view bytes, ByteBuffer& out);

// A count of zero or less gives the empty string.
std::string EncodeQuotedPrintable(const void* bytes, std::int64_t count);
