#pragma once

#include <cstddef>
#include <string_view>

// True when every byte is below 0x80.
bool IsAscii(std::string_view bytes);

// True when the bytes are well-formed UTF-8 (Unicode table 3-7: no overlong
// forms, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// The length of the well-formed sequence at the start of `bytes` (1 for an
// ASCII byte), or 0 when it is ill-formed; then `subpart`, when given, gets
// the length of its longest prefix that could have begun a sequence (at
// least 1), the unit that one U+FFFD replaces.
std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t* subpart = nullptr);
