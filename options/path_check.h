#pragma once

#include <optional>
#include <string>

#include "options/string_table.h"

// The checks Create Archive makes before converting, in their order: input
// not empty, output not empty, output ending in ".mht" or ".mhtml" (what
// Chromium saves) in any case. Gives the string resource of the first failed
// check.
std::optional<StringId> CheckConversionPaths(const std::string& inputPath, const std::string& outputPath);

// The archive a page is converted to when the user names none: the page's
// path with its extension, if any, replaced by ".mht".
std::string DefaultArchivePath(const std::string& pagePath);
