#include "cli/command_line.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "base/version.h"
#include "cli/archive_commands.h"
#include "log/convert_log.h"
#include "options/convert_options.h"

namespace {

const std::map<std::string, std::int32_t> kLevelNames = {
    {"everything", LogLevel::INFO},
    {"warnings", LogLevel::WARNING},
    {"errors", LogLevel::ERROR},
    {"none", LogLevel::NONE},
};

enum class Flag {
  LogPath, LogLevel, Tag, Mime, ScriptExt, Link, Root, Output, Base,
  RemoteFileSize, RemoteTotalSize, RemoteConnectTimeout, RemoteTimeout, RemoteRedirects
};

const std::map<std::string, Flag> kValueFlags = {
    {"--log", Flag::LogPath}, {"--log-level", Flag::LogLevel}, {"--tag", Flag::Tag},
    {"--mime", Flag::Mime},   {"--script-ext", Flag::ScriptExt}, {"--link", Flag::Link},
    {"--root", Flag::Root},   {"--output", Flag::Output},        {"-o", Flag::Output},
    {"--base", Flag::Base},
    {"--remote-max-file-size", Flag::RemoteFileSize}, {"--remote-max-total-size", Flag::RemoteTotalSize},
    {"--remote-connect-timeout", Flag::RemoteConnectTimeout}, {"--remote-timeout", Flag::RemoteTimeout},
    {"--remote-max-redirects", Flag::RemoteRedirects},
};

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
std::string TakeRemoteLimit(Flag flag, const std::string& name, const std::string& value, FetchLimits& limits) {
  if (flag == Flag::RemoteRedirects) {
    const std::optional<double> count = NumberAtLeast(value, 0);
    if (!count || *count != std::floor(*count) || *count > 100) return name + " takes a whole number from 0 to 100";
    limits.maxRedirects = static_cast<std::uint32_t>(*count);
    return {};
  }
  const bool size = flag == Flag::RemoteFileSize || flag == Flag::RemoteTotalSize;
  const std::optional<double> number = NumberAtLeast(value, 0.001);
  if (!number || (!size && *number > 86400)) {
    return name + (size ? " takes a size in megabytes" : " takes a number of seconds up to 86400");
  }
  if (flag == Flag::RemoteFileSize) limits.maxFileBytes = static_cast<std::uint64_t>(std::llround(*number * (1 << 20)));
  if (flag == Flag::RemoteTotalSize) limits.maxTotalBytes = static_cast<std::uint64_t>(std::llround(*number * (1 << 20)));
  if (flag == Flag::RemoteConnectTimeout) limits.connectTimeoutMs = static_cast<std::uint32_t>(std::lround(*number * 1000));
  if (flag == Flag::RemoteTimeout) limits.transferTimeoutMs = static_cast<std::uint32_t>(std::lround(*number * 1000));
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
std::string TakeValue(Flag flag, const std::string& name, const std::string& value, CommandLine& commandLine) {
  switch (flag) {
    case Flag::LogPath:
      commandLine.logPath = value;
      return {};
    case Flag::LogLevel: {
      const auto level = kLevelNames.find(value);
      if (level == kLevelNames.end()) return name + " takes everything, warnings, errors or none";
      commandLine.logLevel = level->second;
      return {};
    }
    case Flag::Link:
      if (value != "file" && value != "cid") return name + " takes file or cid";
      commandLine.linkStyle = value == "cid" ? LinkStyle::Cid : LinkStyle::File;
      return {};
    case Flag::Root:
      // An empty folder would mean no restriction at all: refused, so that an
      // unset variable in a script cannot turn the restriction off.
      if (value.empty()) return name + " needs a folder; an empty one would let in every file";
      commandLine.allowedRoot = value;
      return {};
    case Flag::Output:
      if (value.empty()) return name + " needs a file, or - for the standard output";
      commandLine.outputPath = value;
      return {};
    case Flag::Base:
      if (value.empty()) return name + " needs a folder";
      commandLine.baseFolder = value;
      return {};
    case Flag::Tag:
    case Flag::Mime:
    case Flag::ScriptExt: {
      const auto pair = SplitPair(value, flag == Flag::ScriptExt);
      if (!pair) return name + (flag == Flag::Tag ? " takes TAG=ATTRIBUTE" : flag == Flag::Mime ? " takes EXT=TYPE" : " takes EXT[=DESCRIPTION]");
      CommandLine::Pairs& pairs = flag == Flag::Tag    ? commandLine.resourceTags
                                  : flag == Flag::Mime ? commandLine.mimeTypes
                                                       : commandLine.scriptExtensions;
      pairs.push_back(*pair);
      return {};
    }
    case Flag::RemoteFileSize:
    case Flag::RemoteTotalSize:
    case Flag::RemoteConnectTimeout:
    case Flag::RemoteTimeout:
    case Flag::RemoteRedirects:
      return TakeRemoteLimit(flag, name, value, commandLine.remoteLimits);
  }
  return name + " is not known";
}

bool TakeSwitch(const std::string& argument, CommandLine& commandLine) {
  if (argument == "--help" || argument == "-h") return commandLine.help = true;
  if (argument == "--version" || argument == "-V") return commandLine.version = true;
  if (argument == "--quiet" || argument == "-q") return commandLine.quiet = true;
  if (argument == "--strict") return commandLine.strict = true;
  if (argument == "--no-default-tags") return commandLine.noDefaultTags = true;
  if (argument == "--no-default-mime") return commandLine.noDefaultMime = true;
  if (argument == "--no-default-script-ext") return commandLine.noDefaultScriptExtensions = true;
  if (argument == "--complete" || argument == "--no-complete") {
    commandLine.completeArchive = argument == "--complete";
    return true;
  }
  if (argument == "--remote") return commandLine.remote = true;
  if (argument == "--remote-allow-private") return commandLine.remoteLimits.allowPrivateAddresses = true;
  return false;
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

std::string Decimal(double number) {
  std::string text = std::to_string(number);
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') text.pop_back();
  return text;
}

// The limits' lines, their defaults taken from where they are set.
std::string RemoteLimitsHelp() {
  const FetchLimits defaults;
  const auto line = [](std::string flag, const std::string& what) {
    flag.resize(28, ' ');
    return "  " + flag + what + "\n";
  };
  return line("--remote-max-file-size MB", "largest file fetched (default " +
                                                Decimal(static_cast<double>(defaults.maxFileBytes >> 20)) + ")") +
         line("--remote-max-total-size MB", "most fetched in all (default " +
                                                 Decimal(static_cast<double>(defaults.maxTotalBytes >> 20)) + ")") +
         line("--remote-connect-timeout S", "time to connect (default " +
                                                 Decimal(defaults.connectTimeoutMs / 1000.0) + " seconds)") +
         line("--remote-timeout S", "time for a whole transfer (default " +
                                        Decimal(defaults.transferTimeoutMs / 1000.0) + " seconds)") +
         line("--remote-max-redirects N", "redirects followed (default " + std::to_string(defaults.maxRedirects) + ")");
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
    if (TakeSwitch(argument, commandLine) || TakeBatchSwitch(argument, commandLine.batch)) continue;
    const std::size_t equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    const auto flag = kValueFlags.find(name);
    const bool batchValue = IsBatchValueOption(name);
    if (flag == kValueFlags.end() && !batchValue) return Failure("unknown option " + name);
    std::string value;
    if (equals != std::string::npos) {
      value = argument.substr(equals + 1);
    } else if (i + 1 < arguments.size()) {
      value = arguments[++i];
    } else {
      return Failure(name + " needs a value");
    }
    if (std::string error = batchValue ? TakeBatchValue(name, value, commandLine.batch)
                                       : TakeValue(flag->second, name, value, commandLine);
        !error.empty()) {
      return Failure(error);
    }
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
         "output.\n\n"
         "  -o, --output ARCHIVE        write the archive to ARCHIVE (- for the standard output)\n"
         "  --base DIR                  what a page read from the standard input is relative to\n"
         "                              (default: the current folder)\n"
         "  --link cid|file             how the page points at its files: cid (default), which\n"
         "                              Chromium needs, or file: URLs\n"
         "  --no-complete               take only images, scripts and the resource tags, not what\n"
         "                              stylesheets (@import, url()), media elements (srcset, video,\n"
         "                              audio, object, embed, SVG) and frames need (--complete, the\n"
         "                              default, takes them)\n"
         "  --root DIR                  take only files under DIR (for pages from untrusted sources)\n"
         "  --strict                    fail, keeping any earlier archive, when a file is left out\n"
         "  --log FILE                  append a log of the conversion to FILE\n"
         "  --log-level LEVEL           everything, warnings, errors or none\n"
         "                              (everything when --log is given, else none)\n"
         "  --tag TAG=ATTRIBUTE         also take the file named by ATTRIBUTE of every TAG element\n"
         "  --mime EXT=TYPE             label files ending in .EXT as TYPE\n"
         "  --script-ext EXT[=DESC]     scan files ending in .EXT for preloaded images\n"
         "  --no-default-tags           start from no tags (defaults: link=href, body=background)\n"
         "  --no-default-mime           start from no MIME types\n"
         "  --no-default-script-ext     start from no script extensions (defaults: htm, html, js, vbs)\n"
         "  --remote                    also fetch the http and https files the page, its stylesheets\n"
         "                              and its frames name; PAGE may then be an http(s) URL\n"
         "  --remote-allow-private      also connect to loopback, link-local, private and\n"
         "                              unique-local addresses (refused by default)\n" +
         RemoteLimitsHelp() +
         "  -q, --quiet                 errors only: no warnings, no success lines, no progress bar\n"
         "                              (shown on a terminal when converting takes over a second)\n" +
         ArchiveCommandsHelp() +
         "\n"
         "Many pages: " SCRIVANE_CLI_PROGRAM " [OPTIONS] PAGE... -o FOLDER makes each PAGE into\n"
         "FOLDER/NAME.mht, every other option applying to each.\n"
         "  -o, --output FOLDER         where the archives go\n"
         "  -r, --recursive             a folder given as PAGE: every .html, .htm and .xhtml under it,\n"
         "                              into the same tree under FOLDER\n"
         "  -j, --jobs N                convert N pages at once (default: one for each core)\n"
         "  --report FILE               write one line of JSON for each page to FILE\n"
         "  --shard K/N                 convert only the pages of shard K of N (K from 1 to N); the N\n"
         "                              shards together convert every page once\n"
         "With SOURCE_DATE_EPOCH set, the same input gives byte for byte the same archive.\n\n"
         "  -h, --help                  show this text\n"
         "  -V, --version               show the version\n"
         "  --                          end of the options\n\n"
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
    options.logLevel = commandLine.logLevel.value_or(LogLevel::INFO);
  } else {
    options.logLevel = LogLevel::NONE;
  }
  if (commandLine.linkStyle) options.linkStyle = *commandLine.linkStyle;
  if (commandLine.completeArchive) options.completeArchive = *commandLine.completeArchive;
  options.remote = commandLine.remote;
  options.remoteLimits = commandLine.remoteLimits;
}
