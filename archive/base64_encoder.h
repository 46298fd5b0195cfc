#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/byte_buffer.h"

// RFC 2045 section 6.8 base64 with lines of 76 characters, each ended by a
// single line feed. Appends to `out`, writing each character once.
void AppendBase64(std::string_view bytes, ByteBuffer& out);

std::string EncodeBase64(const void* bytes, std::size_t count);
