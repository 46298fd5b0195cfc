#pragma once

#include <optional>
#include <string>
#include <vector>

// What the window's command line asks for: `scrivane-converter [PAGE [ARCHIVE]]`,
// the page and the archive to fill the two path fields with.
struct WindowArguments {
  std::string inputPath;   // made absolute against the current folder; empty when none
  std::string outputPath;  // made absolute against the current folder; empty when none
  bool help = false;       // --help (-h) wins over everything else given
  bool version = false;    // --version (-V), likewise
};

// The exit status for unusable arguments, as the command-line program has it.
inline constexpr int kWindowExitUsage = 2;
// The exit status when no window can be opened.
inline constexpr int kWindowExitNoDisplay = 1;

struct WindowArgumentsParse {
  std::optional<WindowArguments> arguments;  // nothing when the arguments are unusable
  std::string error;                         // why, when they are
};

// `arguments` without the program's name. "--" ends the options, so a path
// may start with "-".
WindowArgumentsParse ParseWindowArguments(const std::vector<std::string>& arguments);
std::string WindowUsageLine();
std::string WindowHelpText();
std::string WindowVersionText();
