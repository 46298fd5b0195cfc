#pragma once

#include <string_view>

// True when every byte is below 0x80.
bool IsAscii(std::string_view bytes);

// True when the bytes are well-formed UTF-8 (Unicode table 3-7: no overlong
// forms, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);
