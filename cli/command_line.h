#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "archive/link_style.h"
#include "cli/batch_options.h"
#include "net/fetch_limits.h"

class ConvertOptions;

// The name that stands for the standard input (as the page) and the
// standard output (as the archive).
inline constexpr const char* kStandardStream = "-";

// What the command line asked for. Table entries add to the defaults unless
// the matching --no-default-* flag empties them first; what is not given
// keeps the options' default.
struct CommandLine {
  using Pairs = std::vector<std::pair<std::string, std::string>>;

  std::string inputPath;   // "-": the page is read from the standard input
  std::string outputPath;  // "-": the archive goes to the standard output
  std::string baseFolder;  // what a page from the standard input is relative to; empty: the current folder
  std::optional<std::string> logPath;
  std::optional<std::int32_t> logLevel;
  Pairs resourceTags;
  Pairs mimeTypes;
  Pairs scriptExtensions;
  bool noDefaultTags = false;
  bool noDefaultMime = false;
  bool noDefaultScriptExtensions = false;
  std::optional<LinkStyle> linkStyle;
  std::optional<bool> completeArchive;
  bool remote = false;
  FetchLimits remoteLimits;
  std::string allowedRoot;  // empty: no restriction
  bool quiet = false;       // errors only: no bar, no warnings, no success lines
  bool strict = false;      // a file left out fails the conversion
  bool help = false;
  bool version = false;
  BatchOptions batch;  // many pages into a folder, when `batch.wanted`
};

struct CommandLineParse {
  std::optional<CommandLine> commandLine;  // nothing when the arguments are unusable
  std::string error;                       // why, when they are
};

CommandLineParse ParseCommandLine(const std::vector<std::string>& arguments);
std::string UsageLine();
std::string HelpText();

// Writes the command line's settings into the options.
void ApplyCommandLine(const CommandLine& commandLine, ConvertOptions& options);
