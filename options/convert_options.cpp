#include "options/convert_options.h"

#include <unistd.h>

#include <climits>
#include <filesystem>

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

ResourceTagTable ConvertOptions::DefaultResourceTags() {
  return {{"body", "background"}, {"link", "href"}};
}

MimeTypeTable ConvertOptions::DefaultMimeTypes() {
  return {{"bmp", "image/bmp"},  {"css", "text/css"},   {"gif", "image/gif"},
          {"htm", "text/html"},  {"html", "text/html"}, {"jpeg", "image/jpeg"},
          {"jpg", "image/jpeg"}, {"js", "application/x-javascript"}, {"shtml", "text/html"}};
}

ScriptExtTable ConvertOptions::DefaultScriptExtensions() {
  return {{"htm", "HTML file"}, {"html", "HTML file"}, {"js", "Java Script file"}, {"vbs", "VB Script file"}};
}

void ConvertOptions::ResetToDefaults() {
  logPath.clear();
  logLevel = LogLevel::NONE;
  resourceTags = DefaultResourceTags();
  mimeTypes = DefaultMimeTypes();
  scriptExtensions = DefaultScriptExtensions();
  linkStyle = LinkStyle::File;
  completeArchive = false;
}

void ConvertOptions::SetServices(UiServices* services) { m_services = services; }

int ConvertOptions::ShowMessage(const std::string& text, unsigned style) const {
  return m_services ? m_services->ShowMessage(text, style) : MessageAnswer::kCancel;
}

int ConvertOptions::ShowStringMessage(int stringId, unsigned style) const {
  const char* text = LoadStringResource(stringId);
  return ShowMessage(text && *text ? text : kMissingString, style);
}

std::string ConvertOptions::HelpFilePath() {
  const std::filesystem::path executable = ExecutablePath();
  return (executable.parent_path() / executable.stem()).string() + ".html";
}

void ConvertOptions::OpenHelp() const {
  if (!m_services) return;
  const std::string path = HelpFilePath();
  if (!m_services->OpenPath(path)) m_services->ShowShellFailure("Failed to open help file at:\n\n" + path);
}

std::string ConvertOptions::ErrorMessage(std::int32_t code) {
  switch (code) {
    case 1: return "The input document cannot be opened";
    case 2: return "The output document cannot be created";
    case 3: return "Malformed input HTML document";
    case 4: return "Failed to read the input file";
    case 5: return "Failed to write the output file";
    default: return "Failed to create web archive (unknown reason)";
  }
}
