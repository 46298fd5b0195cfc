#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "archive/link_style.h"
#include "log/convert_log.h"

// Every option of the command line, said once: the parser recognises options
// by this table, --help lists it, and at build time the man page's option
// list and the bash completion are made from it.

enum class OptionId {
  Output,
  Base,
  Link,
  Complete,
  NoComplete,
  Root,
  Strict,
  Log,
  LogLevel,
  Tag,
  Mime,
  ScriptExt,
  NoDefaultTags,
  NoDefaultMime,
  NoDefaultScriptExt,
  Remote,
  RemoteAllowPrivate,
  RemoteMaxFileSize,
  RemoteMaxTotalSize,
  RemoteConnectTimeout,
  RemoteTimeout,
  RemoteMaxRedirects,
  Quiet,
  List,
  Verify,
  Extract,
  Recursive,
  Jobs,
  Report,
  Shard,
  Help,
  Version,
  EndOfOptions
};

// Where --help lists an option; an option may be listed in several groups.
enum class OptionGroup {
  Conversion,      // one page into one archive
  ArchiveCommand,  // an archive read back: --list, --verify, --extract
  Batch,           // many pages into a folder
  Program,         // --help, --version, --
};

// What the shell offers for the option's value.
enum class Completion {
  AsUsual,  // a switch: the words after it complete as if it were not there
  Nothing,  // free text, or nothing may follow
  File,
  Folder,
  Archive,          // .mht and .mhtml files
  ArchiveOrFolder,  // a folder after --extract, else an archive
  Choice,           // one of the option's choices
};

struct OptionSpec {
  OptionId id;
  std::string_view longName;   // "--output"
  std::string_view shortName;  // "-o", or empty
  std::string_view argument;   // as --help shows it ("ARCHIVE"); empty for a switch
  OptionGroup group;
  Completion completion;
  std::string_view choices;  // the values it takes, separated by spaces, for Completion::Choice
  // Its lines in --help, broken where they break there; {name} stands for a
  // default (see WithDefaults). Empty: named only in another option's lines.
  std::string_view help;

  bool TakesValue() const { return !argument.empty(); }
};

// Every row, in the order --help lists them.
std::span<const OptionSpec> OptionTable();
// The first row that has `name` as its long or short name; nothing for an
// unknown name.
const OptionSpec* FindOption(std::string_view name);

// The values of --link and --log-level, in the order of their choices.
inline constexpr std::array<LinkStyle, 2> kLinkStyles = {LinkStyle::File, LinkStyle::Cid};
inline constexpr std::array<std::int32_t, 4> kLogLevels = {LogLevel::INFO, LogLevel::WARNING, LogLevel::ERROR,
                                                           LogLevel::NONE};
// What --log logs when --log-level is not given.
inline constexpr std::int32_t kLogLevelWithLog = LogLevel::INFO;

// Where `value` stands among the option's choices; nothing when it is none.
std::optional<std::size_t> ChoiceIndex(const OptionSpec& option, std::string_view value);
// The choices as a sentence says them: "everything, warnings, errors or none".
std::string ChoicesInWords(const OptionSpec& option);

// `text` with each {name} replaced by the default it names, taken from where
// the default is set: {link}, {complete}, {log-level}, {tags},
// {script-ext} and the remote limits {remote-max-file-size},
// {remote-max-total-size}, {remote-connect-timeout}, {remote-timeout},
// {remote-max-redirects}. An unknown name is a fault of the table: thrown
// as std::logic_error.
std::string WithDefaults(std::string_view text);

// "-o, --output ARCHIVE", as --help shows the option.
std::string OptionFlags(const OptionSpec& option);
// The --help lines of the rows of `group`, each flag in a column of its own.
std::string OptionLines(OptionGroup group);
