#include "options/convert_options.h"

#include <unistd.h>

#include <climits>
#include <filesystem>

#include "archive/mime_archive.h"
#include "base/convert_error.h"
#include "engine/converter.h"
#include "options/string_table.h"
#include "options/ui_services.h"

namespace {

constexpr const char* kMissingString = "Unknown error (failed to load the error description)";

std::string ExecutablePath() {
  char buffer[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
  return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
}

}  // namespace

ConvertOptions::ConvertOptions() { ResetToDefaults(); }

ConvertOptions& ConvertOptions::Instance() {
  static ConvertOptions options;
  return options;
}

ConvertOptions ConvertOptions::Defaults() { return ConvertOptions(); }

void ConvertOptions::ResetToDefaults() {
  logPath.clear();
  logLevel = LogLevel::NONE;
  resourceTags = CConverter::DefaultResourceTags();
  mimeTypes = CMimeArchive::DefaultMimeTypes();
  scriptExtensions = CConverter::DefaultScriptExtensions();
  // Chromium, the browser that reads these archives on Linux, shows no part
  // it would have to fetch through a file: URL, and the images a stylesheet
  // names are part of what the page shows: cid links and a complete archive
  // make an archive that opens whole.
  linkStyle = LinkStyle::Cid;
  completeArchive = true;
  remote = false;
  remoteLimits = FetchLimits{};
}

void ConvertOptions::SetServices(UiServices* services) { m_services = services; }

int ConvertOptions::ShowMessage(const std::string& text, unsigned style) const {
  return m_services ? m_services->ShowMessage(text, style) : MessageAnswer::kCancel;
}

int ConvertOptions::ShowDetailedMessage(const std::string& text, unsigned style, const std::string& details) const {
  return m_services ? m_services->ShowDetailedMessage(text, style, details) : MessageAnswer::kCancel;
}

int ConvertOptions::ShowStringMessage(int stringId, unsigned style) const {
  const char* text = LoadStringResource(stringId);
  return ShowMessage(text && *text ? text : kMissingString, style);
}

std::string ConvertOptions::HelpFilePath() { return FindHelpFile(ExecutablePath()); }

std::string ConvertOptions::FindHelpFile(const std::string& executablePath) {
  const std::filesystem::path executable = executablePath;
  const std::string name = executable.stem().string() + ".html";
  const std::filesystem::path besideExecutable = executable.parent_path() / name;
  const std::filesystem::path installed = executable.parent_path() / SCRIVANE_HELP_DIR_FROM_BIN / name;
  std::error_code error;
  if (!std::filesystem::exists(besideExecutable, error) && std::filesystem::exists(installed, error)) {
    return installed.lexically_normal().string();
  }
  return besideExecutable.string();
}

void ConvertOptions::OpenHelp() const {
  if (!m_services) return;
  const std::string path = HelpFilePath();
  if (!m_services->OpenPath(path)) m_services->ShowShellFailure("Failed to open help file at:\n\n" + path);
}

std::string ConvertOptions::ErrorMessage(ConvertReason reason) { return ConvertErrorMessage(reason); }
