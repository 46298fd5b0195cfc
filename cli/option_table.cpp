#include "cli/option_table.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "options/convert_options.h"

namespace {

using enum OptionGroup;
using C = Completion;
using O = OptionId;

constexpr std::size_t kFlagColumn = 28;  // where the help's descriptions begin, after two spaces

constexpr OptionSpec kOptions[] = {
    {O::Output,
     "--output",
     "-o",
     "ARCHIVE",
     Conversion,
     C::ArchiveOrFolder,
     {},
     "write the archive to ARCHIVE (- for the standard output)"},
    {O::Base,
     "--base",
     {},
     "DIR",
     Conversion,
     C::Folder,
     {},
     "what a page read from the standard input is relative to\n(default: the current folder)"},
    {O::Link,
     "--link",
     {},
     "cid|file",
     Conversion,
     C::Choice,
     "file cid",
     "how the page points at its files: cid, which Chromium\nneeds, or file: URLs (default: {link})"},
    {O::Complete, "--complete", {}, {}, Conversion, C::AsUsual, {}, {}},
    {O::NoComplete,
     "--no-complete",
     {},
     {},
     Conversion,
     C::AsUsual,
     {},
     "take only images, scripts and the resource tags, not what\n"
     "stylesheets (@import, url()), media elements (srcset, video,\n"
     "audio, object, embed, SVG) and frames need (--complete takes\n"
     "them; default: {complete})"},
    {O::Root,
     "--root",
     {},
     "DIR",
     Conversion,
     C::Folder,
     {},
     "take only files under DIR (for pages from untrusted sources)"},
    {O::Strict,
     "--strict",
     {},
     {},
     Conversion,
     C::AsUsual,
     {},
     "fail, keeping any earlier archive, when a file is left out"},
    {O::Log, "--log", {}, "FILE", Conversion, C::File, {}, "append a log of the conversion to FILE"},
    {O::LogLevel,
     "--log-level",
     {},
     "LEVEL",
     Conversion,
     C::Choice,
     "everything warnings errors none",
     "everything, warnings, errors or none\n({log-level} when --log is given, else none)"},
    {O::Tag,
     "--tag",
     {},
     "TAG=ATTRIBUTE",
     Conversion,
     C::Nothing,
     {},
     "also take the file named by ATTRIBUTE of every TAG element"},
    {O::Mime, "--mime", {}, "EXT=TYPE", Conversion, C::Nothing, {}, "label files ending in .EXT as TYPE"},
    {O::ScriptExt,
     "--script-ext",
     {},
     "EXT[=DESC]",
     Conversion,
     C::Nothing,
     {},
     "scan files ending in .EXT for preloaded images"},
    {O::NoDefaultTags,
     "--no-default-tags",
     {},
     {},
     Conversion,
     C::AsUsual,
     {},
     "start from no tags (defaults: {tags})"},
    {O::NoDefaultMime, "--no-default-mime", {}, {}, Conversion, C::AsUsual, {}, "start from no MIME types"},
    {O::NoDefaultScriptExt,
     "--no-default-script-ext",
     {},
     {},
     Conversion,
     C::AsUsual,
     {},
     "start from no script extensions (defaults: {script-ext})"},
    {O::Remote,
     "--remote",
     {},
     {},
     Conversion,
     C::AsUsual,
     {},
     "also fetch the http and https files the page, its stylesheets\n"
     "and its frames name; PAGE may then be an http(s) URL"},
    {O::RemoteAllowPrivate,
     "--remote-allow-private",
     {},
     {},
     Conversion,
     C::AsUsual,
     {},
     "also connect to loopback, link-local, private and\nunique-local addresses (refused by default)"},
    {O::RemoteMaxFileSize,
     "--remote-max-file-size",
     {},
     "MB",
     Conversion,
     C::Nothing,
     {},
     "largest file fetched (default {remote-max-file-size})"},
    {O::RemoteMaxTotalSize,
     "--remote-max-total-size",
     {},
     "MB",
     Conversion,
     C::Nothing,
     {},
     "most fetched in all (default {remote-max-total-size})"},
    {O::RemoteConnectTimeout,
     "--remote-connect-timeout",
     {},
     "S",
     Conversion,
     C::Nothing,
     {},
     "time to connect (default {remote-connect-timeout} seconds)"},
    {O::RemoteTimeout,
     "--remote-timeout",
     {},
     "S",
     Conversion,
     C::Nothing,
     {},
     "time for a whole transfer (default {remote-timeout} seconds)"},
    {O::RemoteMaxRedirects,
     "--remote-max-redirects",
     {},
     "N",
     Conversion,
     C::Nothing,
     {},
     "redirects followed (default {remote-max-redirects})"},
    {O::Quiet,
     "--quiet",
     "-q",
     {},
     Conversion,
     C::AsUsual,
     {},
     "errors only: no warnings, no success lines, no progress bar\n"
     "(shown on a terminal when converting takes over a second)"},
    {O::List,
     "--list",
     {},
     "ARCHIVE",
     ArchiveCommand,
     C::Archive,
     {},
     "list the parts of a web archive, the main part first:\ntype, transfer encoding, decoded size, location"},
    {O::Verify,
     "--verify",
     {},
     "ARCHIVE",
     ArchiveCommand,
     C::Archive,
     {},
     "check that every part decodes and that every part the\n"
     "pages and stylesheets embed is there (exit 1 if not)"},
    {O::Extract,
     "--extract",
     {},
     "ARCHIVE -o FOLDER",
     ArchiveCommand,
     C::Archive,
     {},
     "write every part as a file under FOLDER, the pages'\nreferences pointed at the files"},
    {O::Output, "--output", "-o", "FOLDER", Batch, C::ArchiveOrFolder, {}, "where the archives go"},
    {O::Recursive,
     "--recursive",
     "-r",
     {},
     Batch,
     C::AsUsual,
     {},
     "a folder given as PAGE: every .html, .htm and .xhtml under it,\ninto the same tree under FOLDER"},
    {O::Jobs, "--jobs", "-j", "N", Batch, C::Nothing, {}, "convert N pages at once (default: one for each core)"},
    {O::Report, "--report", {}, "FILE", Batch, C::File, {}, "write one line of JSON for each page to FILE"},
    {O::Shard,
     "--shard",
     {},
     "K/N",
     Batch,
     C::Nothing,
     {},
     "convert only the pages of shard K of N (K from 1 to N); the N\nshards together convert every page once"},
    {O::Help, "--help", "-h", {}, Program, C::Nothing, {}, "show this text"},
    {O::Version, "--version", "-V", {}, Program, C::Nothing, {}, "show the version"},
    {O::EndOfOptions, "--", {}, {}, Program, C::AsUsual, {}, "end of the options"},
};

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find(' ', start), text.size());
    if (end > start) words.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return words;
}

std::string Decimal(double number) {
  std::string text = std::to_string(number);
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') text.pop_back();
  return text;
}

std::string ChoiceName(OptionId id, std::size_t index) {
  const auto option =
      std::find_if(std::begin(kOptions), std::end(kOptions), [id](const OptionSpec& row) { return row.id == id; });
  return std::string(Words(option->choices).at(index));
}

// "body=background, link=href", or with `withValues` false "htm, html".
template <typename Table>
std::string KeysOf(const Table& table, bool withValues) {
  std::string keys;
  for (const auto& [key, value] : table) keys += (keys.empty() ? "" : ", ") + key + (withValues ? "=" + value : "");
  return keys;
}

std::string DefaultNamed(std::string_view name) {
  const ConvertOptions defaults = ConvertOptions::Defaults();
  const FetchLimits& limits = defaults.remoteLimits;
  const auto indexOf = [](const auto& values, auto value) {
    return static_cast<std::size_t>(std::find(values.begin(), values.end(), value) - values.begin());
  };
  if (name == "link") return ChoiceName(OptionId::Link, indexOf(kLinkStyles, defaults.linkStyle));
  if (name == "complete") return defaults.completeArchive ? "--complete" : "--no-complete";
  if (name == "log-level") return ChoiceName(OptionId::LogLevel, indexOf(kLogLevels, kLogLevelWithLog));
  if (name == "tags") return KeysOf(defaults.resourceTags, true);
  if (name == "script-ext") return KeysOf(defaults.scriptExtensions, false);
  if (name == "remote-max-file-size") return Decimal(static_cast<double>(limits.maxFileBytes) / (1 << 20));
  if (name == "remote-max-total-size") return Decimal(static_cast<double>(limits.maxTotalBytes) / (1 << 20));
  if (name == "remote-connect-timeout") return Decimal(limits.connectTimeoutMs / 1000.0);
  if (name == "remote-timeout") return Decimal(limits.transferTimeoutMs / 1000.0);
  if (name == "remote-max-redirects") return std::to_string(limits.maxRedirects);
  throw std::logic_error("no default is named " + std::string(name));
}

}  // namespace

std::span<const OptionSpec> OptionTable() { return kOptions; }

const OptionSpec* FindOption(std::string_view name) {
  if (name.empty()) return nullptr;
  for (const OptionSpec& option : kOptions) {
    if (option.longName == name || option.shortName == name) return &option;
  }
  return nullptr;
}

std::optional<std::size_t> ChoiceIndex(const OptionSpec& option, std::string_view value) {
  const std::vector<std::string_view> choices = Words(option.choices);
  const auto found = std::find(choices.begin(), choices.end(), value);
  if (found == choices.end()) return std::nullopt;
  return static_cast<std::size_t>(found - choices.begin());
}

std::string ChoicesInWords(const OptionSpec& option) {
  const std::vector<std::string_view> choices = Words(option.choices);
  std::string text;
  for (std::size_t i = 0; i < choices.size(); ++i) {
    if (i > 0) text += i + 1 == choices.size() ? " or " : ", ";
    text += choices[i];
  }
  return text;
}

std::string WithDefaults(std::string_view text) {
  std::string result;
  std::size_t done = 0;
  for (std::size_t open = text.find('{'); open != std::string_view::npos; open = text.find('{', done)) {
    const std::size_t close = text.find('}', open);
    if (close == std::string_view::npos) break;
    result.append(text.substr(done, open - done)).append(DefaultNamed(text.substr(open + 1, close - open - 1)));
    done = close + 1;
  }
  return result.append(text.substr(done));
}

std::string OptionFlags(const OptionSpec& option) {
  std::string flags = option.shortName.empty() ? std::string() : std::string(option.shortName) + ", ";
  flags += option.longName;
  if (option.TakesValue()) flags.append(" ").append(option.argument);
  return flags;
}

std::string OptionLines(OptionGroup group) {
  std::string lines;
  for (const OptionSpec& option : kOptions) {
    if (option.group != group || option.help.empty()) continue;
    std::string flags = OptionFlags(option);
    flags.resize(std::max(flags.size() + 1, kFlagColumn), ' ');
    const std::string help = WithDefaults(option.help);
    std::size_t start = 0;
    for (std::size_t end = help.find('\n'); start <= help.size(); end = help.find('\n', start)) {
      if (end == std::string::npos) end = help.size();
      lines += "  " + (start == 0 ? flags : std::string(kFlagColumn, ' ')) + help.substr(start, end - start) + "\n";
      start = end + 1;
    }
  }
  return lines;
}
