#pragma once

#include <optional>
#include <string>
#include <string_view>

// The encoding a page declares in its first 1024 bytes (the WHATWG meta
// prescan), as the label was written; nothing when none is found. A label
// that names no encoding decodable here does not count: the scan goes on.
std::optional<std::string> PrescanMetaCharset(std::string_view bytes);

// The encoding DecodePageToUtf8 reads the page in, named as the WHATWG
// Encoding Standard names it ("UTF-8", "windows-1252", "Shift_JIS").
std::string PageEncoding(std::string_view bytes);

// The page's bytes as UTF-8: byte-order mark, else the prescanned charset
// when iconv knows it, else UTF-8 when the bytes are valid UTF-8, else
// windows-1252. Bytes that do not decode become U+FFFD; a byte-order mark is
// dropped.
std::string DecodePageToUtf8(std::string_view bytes);
