#pragma once

#include <string>
#include <string_view>

// True when DecodeToUtf8 can decode `encoding`, named as the WHATWG Encoding
// Standard names it ("UTF-8", "Shift_JIS").
bool CanDecode(std::string_view encoding);

// `bytes` in `encoding` as UTF-8. Bytes that do not decode become U+FFFD; the
// text is never cut short. `encoding` must be one that CanDecode accepts.
std::string DecodeToUtf8(std::string_view bytes, std::string_view encoding);

// `text` itself when it is well-formed UTF-8, otherwise its repair kept in
// `repaired`.
std::string_view WellFormedUtf8(std::string_view text, std::string& repaired);

// Well-formed UTF-8: each ill-formed sequence (its maximal subpart, as Unicode
// and the WHATWG decoder count it) replaced by U+FFFD.
std::string RepairUtf8(std::string_view bytes);
