#include "cli/command_line.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "base/version.h"
#include "cli/option_table.h"
#include "log/convert_log.h"
#include "options/convert_options.h"

namespace {

// A number of at least `least` written in full ("1.5", "20"); nothing for
// anything else.
std::optional<double> NumberAtLeast(const std::string& text, double least) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double number = std::strtod(text.c_str(), &end);
  if (*end != '\0' || !std::isfinite(number) || number < least || number > 1e12) return std::nullopt;
  return number;
}

// Empty when the limit was taken, else why not.
std::string TakeRemoteLimit(OptionId id, const std::string& name, const std::string& value, FetchLimits& limits) {
  if (id == OptionId::RemoteMaxRedirects) {
    const std::optional<double> count = NumberAtLeast(value, 0);
    if (!count || *count != std::floor(*count) || *count > 100) return name + " takes a whole number from 0 to 100";
    limits.maxRedirects = static_cast<std::uint32_t>(*count);
    return {};
  }
  const bool size = id == OptionId::RemoteMaxFileSize || id == OptionId::RemoteMaxTotalSize;
  const std::optional<double> number = NumberAtLeast(value, 0.001);
  if (!number || (!size && *number > 86400)) {
    return name + (size ? " takes a size in megabytes" : " takes a number of seconds up to 86400");
  }
  const auto bytes = static_cast<std::uint64_t>(std::llround(*number * (1 << 20)));
  const auto milliseconds = static_cast<std::uint32_t>(std::lround(*number * 1000));
  if (id == OptionId::RemoteMaxFileSize) limits.maxFileBytes = bytes;
  if (id == OptionId::RemoteMaxTotalSize) limits.maxTotalBytes = bytes;
  if (id == OptionId::RemoteConnectTimeout) limits.connectTimeoutMs = milliseconds;
  if (id == OptionId::RemoteTimeout) limits.transferTimeoutMs = milliseconds;
  return {};
}

// "KEY=VALUE"; with `valueOptional`, a bare "KEY" has an empty value.
std::optional<std::pair<std::string, std::string>> SplitPair(const std::string& text, bool valueOptional) {
  const std::size_t equals = text.find('=');
  if (equals == std::string::npos) {
    if (!valueOptional || text.empty()) return std::nullopt;
    return std::make_pair(text, std::string());
  }
  if (equals == 0) return std::nullopt;
  return std::make_pair(text.substr(0, equals), text.substr(equals + 1));
}

// Empty when the value was taken, else why not.
std::string TakeValue(const OptionSpec& option, const std::string& name, const std::string& value,
                      CommandLine& commandLine) {
  switch (option.id) {
    case OptionId::Log: commandLine.logPath = value; return {};
    case OptionId::LogLevel:
    case OptionId::Link: {
      const std::optional<std::size_t> choice = ChoiceIndex(option, value);
      if (!choice) return name + " takes " + ChoicesInWords(option);
      if (option.id == OptionId::Link) commandLine.linkStyle = kLinkStyles.at(*choice);
      if (option.id == OptionId::LogLevel) commandLine.logLevel = kLogLevels.at(*choice);
      return {};
    }
    case OptionId::Root:
      // An empty folder would mean no restriction at all: refused, so that an
      // unset variable in a script cannot turn the restriction off.
      if (value.empty()) return name + " needs a folder; an empty one would let in every file";
      commandLine.allowedRoot = value;
      return {};
    case OptionId::Output:
      if (value.empty()) return name + " needs a file, or - for the standard output";
      commandLine.outputPath = value;
      return {};
    case OptionId::Base:
      if (value.empty()) return name + " needs a folder";
      commandLine.baseFolder = value;
      return {};
    case OptionId::Tag:
    case OptionId::Mime:
    case OptionId::ScriptExt: {
      const auto pair = SplitPair(value, option.id == OptionId::ScriptExt);
      if (!pair) {
        return name + (option.id == OptionId::Tag    ? " takes TAG=ATTRIBUTE"
                       : option.id == OptionId::Mime ? " takes EXT=TYPE"
                                                     : " takes EXT[=DESCRIPTION]");
      }
      CommandLine::Pairs& pairs = option.id == OptionId::Tag    ? commandLine.resourceTags
                                  : option.id == OptionId::Mime ? commandLine.mimeTypes
                                                                : commandLine.scriptExtensions;
      pairs.push_back(*pair);
      return {};
    }
    case OptionId::RemoteMaxFileSize:
    case OptionId::RemoteMaxTotalSize:
    case OptionId::RemoteConnectTimeout:
    case OptionId::RemoteTimeout:
    case OptionId::RemoteMaxRedirects: return TakeRemoteLimit(option.id, name, value, commandLine.remoteLimits);
    default: return TakeBatchValue(option.id, name, value, commandLine.batch);
  }
}

void TakeSwitch(OptionId id, CommandLine& commandLine) {
  switch (id) {
    case OptionId::Help: commandLine.help = true; break;
    case OptionId::Version: commandLine.version = true; break;
    case OptionId::Quiet: commandLine.quiet = true; break;
    case OptionId::Strict: commandLine.strict = true; break;
    case OptionId::NoDefaultTags: commandLine.noDefaultTags = true; break;
    case OptionId::NoDefaultMime: commandLine.noDefaultMime = true; break;
    case OptionId::NoDefaultScriptExt: commandLine.noDefaultScriptExtensions = true; break;
    case OptionId::Complete: commandLine.completeArchive = true; break;
    case OptionId::NoComplete: commandLine.completeArchive = false; break;
    case OptionId::Remote: commandLine.remote = true; break;
    case OptionId::RemoteAllowPrivate: commandLine.remoteLimits.allowPrivateAddresses = true; break;
    default: TakeBatchSwitch(id, commandLine.batch);
  }
}

CommandLineParse Failure(std::string error) { return {std::nullopt, std::move(error)}; }

// The page's name with ".mht", in the current folder, as download tools
// name what they fetch.
std::string ArchiveNameFor(const std::string& pagePath) {
  return std::filesystem::path(pagePath).filename().replace_extension(".mht").string();
}

// Empty when the paths make one conversion, else why not.
std::string SettlePaths(const std::vector<std::string>& positional, CommandLine& commandLine) {
  if (positional.empty() || positional.size() > 2) return "expected PAGE [ARCHIVE]";
  commandLine.inputPath = positional[0];
  if (positional.size() == 2) {
    if (!commandLine.outputPath.empty()) return "the archive is named twice: by ARCHIVE and by --output";
    commandLine.outputPath = positional[1];
  }
  const bool pageFromInput = commandLine.inputPath == kStandardStream;
  if (!commandLine.baseFolder.empty() && !pageFromInput) return "--base is for a page read from the standard input (-)";
  if (positional.size() == 1 && commandLine.outputPath.empty()) {
    if (pageFromInput) return "a page read from the standard input needs ARCHIVE or --output";
    commandLine.outputPath = ArchiveNameFor(commandLine.inputPath);
  }
  return {};
}

}  // namespace

CommandLineParse ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine commandLine;
  std::vector<std::string> positional;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      positional.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    const std::size_t equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    const OptionSpec* option = FindOption(name);
    // --list, --verify and --extract never reach here: RunArchiveCommand
    // takes a command line that names them.
    const bool known = option && option->group != OptionGroup::ArchiveCommand;
    if (!known || (!option->TakesValue() && equals != std::string::npos)) return Failure("unknown option " + name);
    if (!option->TakesValue()) {
      TakeSwitch(option->id, commandLine);
      continue;
    }
    std::string value;
    if (equals != std::string::npos) {
      value = argument.substr(equals + 1);
    } else if (i + 1 < arguments.size()) {
      value = arguments[++i];
    } else {
      return Failure(name + " needs a value");
    }
    if (std::string error = TakeValue(*option, name, value, commandLine); !error.empty()) return Failure(error);
  }
  if (commandLine.help || commandLine.version) return {commandLine, {}};
  if (std::string error = SettleBatch(positional, commandLine.outputPath, commandLine.batch); !error.empty()) {
    return Failure(error);
  }
  if (commandLine.batch.wanted) return {commandLine, {}};
  if (std::string error = SettlePaths(positional, commandLine); !error.empty()) return Failure(error);
  return {commandLine, {}};
}

std::string UsageLine() { return "usage: " SCRIVANE_CLI_PROGRAM " [OPTIONS] PAGE [ARCHIVE]"; }

std::string HelpText() {
  return UsageLine() +
         "\n\n"
         "Turns the HTML page PAGE and every local file it needs into the web archive ARCHIVE (.mht or\n"
         ".mhtml). Without ARCHIVE, the archive is PAGE's name with .mht in the current folder.\n"
         "PAGE - reads the page from the standard input; ARCHIVE - writes the archive to the standard\n"
         "output.\n\n" +
         OptionLines(OptionGroup::Conversion) + OptionLines(OptionGroup::ArchiveCommand) +
         "\n"
         "Many pages: " SCRIVANE_CLI_PROGRAM
         " [OPTIONS] PAGE... -o FOLDER makes each PAGE into\n"
         "FOLDER/NAME.mht, every other option applying to each.\n" +
         OptionLines(OptionGroup::Batch) +
         "With SOURCE_DATE_EPOCH set, the same input gives byte for byte the same archive.\n\n" +
         OptionLines(OptionGroup::Program) +
         "\n"
         "Warnings name each file left out; the last line counts them.\n"
         "Exit status: 0 on success, 1 when the conversion (or any page's) fails, 2 for unusable\n"
         "arguments or paths.\n";
}

void ApplyCommandLine(const CommandLine& commandLine, ConvertOptions& options) {
  if (commandLine.noDefaultTags) options.resourceTags.clear();
  if (commandLine.noDefaultMime) options.mimeTypes.clear();
  if (commandLine.noDefaultScriptExtensions) options.scriptExtensions.clear();
  for (const auto& [tag, attribute] : commandLine.resourceTags) options.resourceTags[tag] = attribute;
  for (const auto& [extension, type] : commandLine.mimeTypes) options.mimeTypes[extension] = type;
  for (const auto& [extension, description] : commandLine.scriptExtensions) {
    options.scriptExtensions[extension] = description;
  }
  if (commandLine.logPath) {
    options.logPath = *commandLine.logPath;
    options.logLevel = commandLine.logLevel.value_or(kLogLevelWithLog);
  } else {
    options.logLevel = LogLevel::NONE;
  }
  if (commandLine.linkStyle) options.linkStyle = *commandLine.linkStyle;
  if (commandLine.completeArchive) options.completeArchive = *commandLine.completeArchive;
  options.remote = commandLine.remote;
  options.remoteLimits = commandLine.remoteLimits;
}
