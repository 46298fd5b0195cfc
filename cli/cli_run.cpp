#include "cli/cli_run.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <optional>
#include <system_error>

#include "archive/mime_archive.h"
#include "base/convert_error.h"
#include "base/file_descriptor.h"
#include "base/file_problem.h"
#include "base/version.h"
#include "cli/archive_commands.h"
#include "cli/batch_run.h"
#include "cli/command_line.h"
#include "cli/console_services.h"
#include "cli/progress_bar.h"
#include "cli/source_date_epoch.h"
#include "engine/converter.h"
#include "log/convert_log.h"
#include "options/conversion_run.h"
#include "options/convert_options.h"
#include "options/output_target.h"
#include "options/path_check.h"
#include "options/string_table.h"

namespace {

constexpr int kExitConverted = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr const char* kProgram = SCRIVANE_CLI_PROGRAM ": ";

bool IsFolder(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

bool ToStandardOutput(const CommandLine& commandLine) { return commandLine.outputPath == kStandardStream; }
bool FromStandardInput(const CommandLine& commandLine) { return commandLine.inputPath == kStandardStream; }

// Where a page read from the standard input is taken to be: in the --base
// folder, so that its relative references mean files there.
std::string PlaceOfStandardInput(const CommandLine& commandLine) {
  return (std::filesystem::path(commandLine.baseFolder.empty() ? "." : commandLine.baseFolder) / kStandardStream)
      .lexically_normal()
      .string();
}

// The string resource of the first refused path: the standard output has
// no name to check, and a page from the standard input none to compare.
std::optional<int> RefusedPaths(const CommandLine& commandLine, const ConvertOptions& options) {
  const bool toOutput = ToStandardOutput(commandLine);
  if (toOutput && commandLine.inputPath.empty()) return IDS_INPUT_EMPTY;
  if (!toOutput) {
    if (const std::optional<int> refused = CheckConversionPaths(commandLine.inputPath, commandLine.outputPath)) {
      return refused;
    }
  }
  const std::string input = FromStandardInput(commandLine) ? PlaceOfStandardInput(commandLine) : commandLine.inputPath;
  return CheckOutputTarget(input, toOutput ? std::string() : commandLine.outputPath, options);
}

// A log the conversion could not write would lose what the user asked to
// keep: it is opened (made, when new) before anything is converted. The
// path and the system's reason when it cannot be.
std::optional<std::string> UnwritableLog(const ConvertOptions& options) {
  if (options.logPath.empty() || options.logLevel >= LogLevel::NONE) return std::nullopt;
  // Without O_NONBLOCK, a FIFO nobody reads would hold the program here.
  const FileDescriptor log(
      ::open(options.logPath.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666));
  if (log.IsOpen()) return std::nullopt;
  return options.logPath + ": " + std::generic_category().message(errno);
}

// Warnings and success lines unless quiet, the failure always; the count of
// files left out comes last.
void Report(const ConversionResult& result, bool quiet, std::ostream& err) {
  if (!quiet) {
    for (const std::string& line : result.leftOut) err << kProgram << "warning: " << line << '\n';
  }
  if (!result.Converted()) {
    err << kProgram << result.message << (result.detail.empty() ? "" : ": ") << result.detail << '\n';
    return;
  }
  if (quiet) return;
  err << result.message << '\n';
  if (!result.leftOut.empty()) err << kProgram << LeftOutSentence(result.leftOut.size()) << '\n';
}

// The command line's engine objects last for its one conversion.
int Convert(const CommandLine& commandLine, ConversionRequest request, const ConvertOptions& options,
            ConsoleServices& console) {
  CConverter converter;
  CMimeArchive archive(console.ClockMilliseconds());
  CConvertLog logSettings;
  request.inputPath = commandLine.inputPath;
  request.outputPath = commandLine.outputPath;
  if (FromStandardInput(commandLine)) {
    request.inputPath = PlaceOfStandardInput(commandLine);
    request.pageText = std::string(std::istreambuf_iterator<char>(*console.In()), {});
    if (console.In()->bad()) {
      console.Err() << kProgram << ConvertOptions::ErrorMessage(ConvertReason::kInputRead) << ": the standard input\n";
      return kExitFailed;
    }
  }
  if (ToStandardOutput(commandLine)) request.outputStream = &console.Out();
  std::optional<ProgressBar> bar;
  if (const auto delay = console.ProgressDelay(); delay && !commandLine.quiet) {
    bar.emplace(console.Err(), *delay);
    request.progress = [&bar](const ConversionProgressReport& report) { bar->Update(report); };
  }
  const ConversionResult result = RunConversion(options, request, converter, archive, logSettings);
  // The bar's line is cleared before the outcome is told.
  bar.reset();
  Report(result, commandLine.quiet, console.Err());
  return result.Converted() ? kExitConverted : kExitFailed;
}

// The exit status of a parsed command line, once the options are applied:
// its paths and its log checked before it is converted.
int RunChecked(const CommandLine& commandLine, const ConversionRequest& request, ConsoleServices& console) {
  ConvertOptions& options = ConvertOptions::Instance();
  ApplyCommandLine(commandLine, options);
  // A batch checks each page's paths as it comes to it.
  if (const std::optional<int> refused = commandLine.batch.wanted ? std::nullopt : RefusedPaths(commandLine, options)) {
    options.ShowStringMessage(*refused, MessageStyle::kIconError);
    return kExitUsage;
  }
  if (const std::optional<std::string> log = UnwritableLog(options)) {
    console.Err() << kProgram << "--log " << *log << '\n';
    return kExitUsage;
  }
  if (commandLine.batch.wanted) return RunBatch(commandLine.batch, request, commandLine.quiet, options, console);
  return Convert(commandLine, request, options, console);
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& arguments, ConsoleServices& console) {
  if (const std::optional<int> status = RunArchiveCommand(arguments, console)) return *status;
  const CommandLineParse parse = ParseCommandLine(arguments);
  if (!parse.commandLine) {
    console.Err() << kProgram << parse.error << '\n' << UsageLine() << '\n';
    return kExitUsage;
  }
  const CommandLine& commandLine = *parse.commandLine;
  if (commandLine.help) {
    console.Out() << HelpText();
    return kExitConverted;
  }
  if (commandLine.version) {
    console.Out() << SCRIVANE_CLI_PROGRAM " " SCRIVANE_VERSION "\n";
    return kExitConverted;
  }

  if (!commandLine.allowedRoot.empty() && !IsFolder(commandLine.allowedRoot)) {
    console.Err() << kProgram << "--root " << commandLine.allowedRoot << " is not a folder\n";
    return kExitUsage;
  }
  if (!commandLine.baseFolder.empty() && !IsFolder(commandLine.baseFolder)) {
    console.Err() << kProgram << "--base " << commandLine.baseFolder << " is not a folder\n";
    return kExitUsage;
  }
  if (ToStandardOutput(commandLine) && console.OutIsTerminal()) {
    console.Err() << kProgram << "an archive is not written to a terminal; redirect the standard output\n";
    return kExitUsage;
  }
  if (FromStandardInput(commandLine) && console.In() == nullptr) {
    console.Err() << kProgram << "no standard input to read the page from\n";
    return kExitUsage;
  }
  ConversionRequest request{.allowedRoot = commandLine.allowedRoot, .strict = commandLine.strict};
  if (!ParseSourceDateEpoch(std::getenv(kSourceDateEpochVariable), request.sourceDateEpoch)) {
    console.Err() << kProgram << kSourceDateEpochVariable
                  << " must be a number of seconds since 1970, up to the year 9999\n";
    return kExitUsage;
  }

  ConvertOptions& options = ConvertOptions::Instance();
  options.SetServices(&console);
  const int status = RunChecked(commandLine, request, console);
  options.SetServices(nullptr);
  return status;
}
