#pragma once

#include <optional>
#include <string>
#include <string_view>

// The file a browser would load for a local reference: a file URL becomes
// its path, "?query" and "#fragment" are dropped and %XX escapes decoded.
// Nothing when the reference names only the page itself ("#top", "?x").
std::optional<std::string> ReferenceToPath(std::string_view reference);
