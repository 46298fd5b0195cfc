#include "cli/cli_run.h"

#include <filesystem>
#include <optional>

#include "archive/mime_archive.h"
#include "cli/archive_commands.h"
#include "base/version.h"
#include "cli/command_line.h"
#include "cli/console_services.h"
#include "cli/progress_bar.h"
#include "engine/converter.h"
#include "log/convert_log.h"
#include "options/conversion_run.h"
#include "options/convert_options.h"
#include "options/output_target.h"
#include "options/path_check.h"

namespace {

constexpr int kExitConverted = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

bool IsFolder(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

// The command line's engine objects last for its one conversion.
int Convert(const CommandLine& commandLine, const ConvertOptions& options, ConsoleServices& console) {
  CConverter converter;
  CMimeArchive archive(console.ClockMilliseconds());
  CConvertLog logSettings;
  ConversionRequest request{
      .inputPath = commandLine.inputPath, .outputPath = commandLine.outputPath, .allowedRoot = commandLine.allowedRoot};
  std::optional<ProgressBar> bar;
  if (const auto delay = console.ProgressDelay(); delay && !commandLine.quiet) {
    bar.emplace(console.Err(), *delay);
    request.progress = [&bar](std::size_t written, std::size_t found) { bar->Update(written, found); };
  }
  const ConversionResult result = RunConversion(options, request, converter, archive, logSettings);
  // The bar's line is cleared before the outcome is told.
  bar.reset();
  ShowConversionResult(options, result);
  return result.Converted() ? kExitConverted : kExitFailed;
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& arguments, ConsoleServices& console) {
  if (const std::optional<int> status = RunArchiveCommand(arguments, console)) return *status;
  const CommandLineParse parse = ParseCommandLine(arguments);
  if (!parse.commandLine) {
    console.Err() << SCRIVANE_CLI_PROGRAM ": " << parse.error << '\n' << UsageLine() << '\n';
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
    console.Err() << SCRIVANE_CLI_PROGRAM ": --root " << commandLine.allowedRoot << " is not a folder\n";
    return kExitUsage;
  }

  ConvertOptions& options = ConvertOptions::Instance();
  options.SetServices(&console);
  int status = kExitUsage;
  if (const std::optional<int> failedCheck = CheckConversionPaths(commandLine.inputPath, commandLine.outputPath)) {
    options.ShowStringMessage(*failedCheck, MessageStyle::kIconError);
  } else {
    ApplyCommandLine(commandLine, options);
    if (const std::optional<int> refused = CheckOutputTarget(commandLine.inputPath, commandLine.outputPath, options)) {
      options.ShowStringMessage(*refused, MessageStyle::kIconError);
    } else {
      status = Convert(commandLine, options, console);
    }
  }
  options.SetServices(nullptr);
  return status;
}
