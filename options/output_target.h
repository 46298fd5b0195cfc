#pragma once

#include <optional>
#include <string>

#include "options/string_table.h"

class ConvertOptions;

// The check Create Archive makes after the path checks and before anything
// is read: the archive must not replace the input page, nor the log file the
// conversion writes meanwhile, and the log must not be appended to the page. The same file counts however it is named:
// through links, hard links or another spelling. Gives the string resource
// of the refusal. Relative paths mean the current folder, as they do for the
// conversion itself.
std::optional<StringId> CheckOutputTarget(const std::string& inputPath, const std::string& outputPath,
                                          const ConvertOptions& options);
