#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "archive/link_style.h"
#include "net/fetch_limits.h"

class ConvertOptions;

// What the command line asked for. Table entries add to the defaults unless
// the matching --no-default-* flag empties them first.
struct CommandLine {
  using Pairs = std::vector<std::pair<std::string, std::string>>;

  std::string inputPath;
  std::string outputPath;
  std::optional<std::string> logPath;
  std::optional<std::int32_t> logLevel;
  Pairs resourceTags;
  Pairs mimeTypes;
  Pairs scriptExtensions;
  bool noDefaultTags = false;
  bool noDefaultMime = false;
  bool noDefaultScriptExtensions = false;
  LinkStyle linkStyle = LinkStyle::File;
  bool completeArchive = false;
  bool remote = false;
  FetchLimits remoteLimits;
  std::string allowedRoot;  // empty: no restriction
  bool quiet = false;  // no progress bar, even on a terminal
  bool help = false;
  bool version = false;
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
