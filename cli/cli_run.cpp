#include "cli/cli_run.h"

#include "base/convert_error.h"
#include "base/file_replacement.h"
#include "base/file_replacement_stream.h"
#include "archive/mime_archive.h"
#include "base/path_text.h"
#include "base/version.h"
#include "cli/command_line.h"
#include "cli/console_services.h"
#include "engine/converter.h"
#include "options/apply_options.h"
#include "options/convert_options.h"
#include "options/path_check.h"

namespace {

constexpr int kExitConverted = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int Convert(const CommandLine& commandLine, ConvertOptions& options) {
  CConverter converter;
  CMimeArchive archive;
  CConvertLog logSettings;
  try {
    ApplyOptions(options, converter, archive, logSettings);
    converter.SetAllowedRoot(commandLine.allowedRoot);
    // The archive text goes to disk as the writer produces it, never gathered
    // whole beside the parts it is made of; the file replaces the output only
    // once the conversion has succeeded.
    FileReplacement archiveFile(commandLine.outputPath);
    FileReplacementStream stream(archiveFile);
    // The main part's location must be a real file URL.
    const std::string input = MakeFullPath(commandLine.inputPath).value_or(commandLine.inputPath);
    converter.Convert(input, archive, stream);
    archiveFile.Commit();
  } catch (const ConvertError& error) {
    options.ShowMessage(ConvertOptions::ErrorMessage(error.Code()), MessageStyle::kIconError);
    return kExitFailed;
  } catch (...) {
    options.ShowMessage(ConvertOptions::ErrorMessage(kErrorUnknown), MessageStyle::kIconError);
    return kExitFailed;
  }
  options.ShowMessage("Web archive created successfully at:\n" + commandLine.outputPath,
                      MessageStyle::kIconInformation);
  return kExitConverted;
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  const CommandLineParse parse = ParseCommandLine(arguments);
  if (!parse.commandLine) {
    err << SCRIVANE_CLI_PROGRAM ": " << parse.error << '\n' << UsageLine() << '\n';
    return kExitUsage;
  }
  const CommandLine& commandLine = *parse.commandLine;
  if (commandLine.help) {
    out << HelpText();
    return kExitConverted;
  }
  if (commandLine.version) {
    out << SCRIVANE_CLI_PROGRAM " " SCRIVANE_VERSION "\n";
    return kExitConverted;
  }

  ConsoleServices services(out, err);
  ConvertOptions& options = ConvertOptions::Instance();
  options.SetServices(&services);
  int status = kExitUsage;
  if (const std::optional<int> failedCheck = CheckConversionPaths(commandLine.inputPath, commandLine.outputPath)) {
    options.ShowStringMessage(*failedCheck, MessageStyle::kIconError);
  } else {
    ApplyCommandLine(commandLine, options);
    status = Convert(commandLine, options);
  }
  options.SetServices(nullptr);
  return status;
}
