#pragma once

#include <optional>
#include <string>
#include <vector>

class ConsoleServices;

// The commands that read an archive back instead of writing one:
//   --list ARCHIVE, --verify ARCHIVE, --extract ARCHIVE -o FOLDER.
// Nothing when the arguments name none of them (a conversion's); else the
// process's exit status: 0 done, 1 the archive is broken or unreadable, 2
// unusable arguments.
std::optional<int> RunArchiveCommand(const std::vector<std::string>& arguments, ConsoleServices& console);
