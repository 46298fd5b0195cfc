#pragma once

#include <optional>
#include <string_view>

// The encoding that `label` names in the WHATWG Encoding Standard, by the
// standard's name for it ("UTF-8", "windows-1252", "Shift_JIS"); nothing for
// a label the standard does not define. Letter case and surrounding ASCII
// whitespace do not matter.
std::optional<std::string_view> EncodingForLabel(std::string_view label);
