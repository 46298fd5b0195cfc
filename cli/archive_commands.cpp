#include "cli/archive_commands.h"

#include <algorithm>
#include <cstdint>

#include "archive/mime_reader.h"
#include "base/version.h"
#include "cli/archive_extract.h"
#include "cli/archive_reading.h"
#include "cli/archive_verify.h"
#include "cli/console_services.h"
#include "cli/option_table.h"

namespace {

constexpr int kExitDone = 0;
constexpr int kExitBroken = 1;
constexpr int kExitUsage = 2;

enum class Command { kList, kVerify, kExtract };

struct ArchiveCommand {
  Command command = Command::kList;
  std::string archive;
  std::string folder;  // --extract's
};

std::optional<Command> CommandNamed(std::string_view name) {
  const OptionSpec* option = FindOption(name);
  if (!option || option->group != OptionGroup::ArchiveCommand) return std::nullopt;
  return option->id == OptionId::List     ? Command::kList
         : option->id == OptionId::Verify ? Command::kVerify
                                          : Command::kExtract;
}

bool NamesCommand(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (argument == "--") return false;
    if (CommandNamed(argument.substr(0, argument.find('=')))) return true;
  }
  return false;
}

// Empty when the arguments make one command, else why not.
std::string ParseArchiveCommand(const std::vector<std::string>& arguments, ArchiveCommand& parsed) {
  bool commandSeen = false;
  bool folderSeen = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const std::size_t equals = argument.find('=');
    const std::string name = argument.starts_with("--") ? argument.substr(0, equals) : argument.substr(0, 2);
    std::string value;
    const bool attached = name.size() < argument.size();
    if (attached) {
      value = argument.substr(name.size() + (argument[name.size()] == '=' ? 1 : 0));
    } else if (i + 1 < arguments.size()) {
      value = arguments[i + 1];
    }
    if (const std::optional<Command> command = CommandNamed(name)) {
      if (commandSeen) return "--list, --verify and --extract go one at a time";
      commandSeen = true;
      parsed.command = *command;
      parsed.archive = value;
    } else if (const OptionSpec* option = FindOption(name); option && option->id == OptionId::Output) {
      folderSeen = true;
      parsed.folder = value;
    } else {
      return "--list, --verify and --extract take no " + argument;
    }
    if (value.empty()) return name + " needs a value";
    if (!attached) ++i;
  }
  if (parsed.command == Command::kExtract && !folderSeen) return "--extract needs -o FOLDER";
  if (parsed.command != Command::kExtract && folderSeen) return "-o goes with --extract only";
  return {};
}

struct ListedPart {
  MimePart part;
  std::uint64_t size = 0;
  std::string fault;
};

class PartLister : public MimePartSink {
 public:
  void PartBegins(const MimePart& part) override { m_parts.push_back({part, 0, {}}); }
  void PartBytes(std::string_view) override {}
  void PartEnds(std::uint64_t decodedSize, const std::string& fault) override {
    m_parts.back().size = decodedSize;
    m_parts.back().fault = fault;
  }
  std::vector<ListedPart>& Parts() { return m_parts; }

 private:
  std::vector<ListedPart> m_parts;  // a line's worth each, never a body
};

std::string ListLine(const ListedPart& listed) {
  const MimePart& part = listed.part;
  std::string type = part.type;
  if (!part.charset.empty()) type += ";charset=" + Printable(part.charset);
  const std::string name = !part.location.empty()    ? part.location
                           : !part.contentId.empty() ? "cid:" + part.contentId
                                                     : "-";
  return type + '\t' + Printable(part.transferEncoding) + '\t' + std::to_string(listed.size) + '\t' + Printable(name);
}

int List(const ArchiveCommand& command, ConsoleServices& console) {
  PartLister lister;
  MimeReader reader(lister);
  std::string error;
  const bool read = ReadArchiveFile(
      command.archive, reader, [] { return true; }, error);
  std::vector<ListedPart>& parts = lister.Parts();
  const std::string& start = reader.Message().start;
  const auto main = std::find_if(parts.begin(), parts.end(), [&](const ListedPart& listed) {
    return !start.empty() && listed.part.contentId == start;
  });
  if (main != parts.end()) std::rotate(parts.begin(), main, main + 1);
  bool whole = read;
  for (const ListedPart& listed : parts) {
    console.Out() << ListLine(listed) << '\n';
    if (!listed.fault.empty()) {
      whole = false;
      console.Err() << SCRIVANE_CLI_PROGRAM ": part " << listed.part.number << ": " << listed.fault << '\n';
    }
  }
  if (!read) {
    console.Err() << SCRIVANE_CLI_PROGRAM ": " << (error.empty() ? command.archive + ": " + reader.Error() : error)
                  << '\n';
  }
  return whole ? kExitDone : kExitBroken;
}

}  // namespace

std::optional<int> RunArchiveCommand(const std::vector<std::string>& arguments, ConsoleServices& console) {
  if (!NamesCommand(arguments)) return std::nullopt;
  ArchiveCommand command;
  if (const std::string error = ParseArchiveCommand(arguments, command); !error.empty()) {
    console.Err() << SCRIVANE_CLI_PROGRAM ": " << error << '\n';
    return kExitUsage;
  }
  switch (command.command) {
    case Command::kList: return List(command, console);
    case Command::kVerify:
      return VerifyArchive(command.archive, console.Out(), console.Err()) ? kExitDone : kExitBroken;
    case Command::kExtract:
      return ExtractArchive(command.archive, command.folder, console.Out(), console.Err()) ? kExitDone : kExitBroken;
  }
  return kExitUsage;
}
