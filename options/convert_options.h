#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "archive/link_style.h"
#include "base/convert_error.h"
#include "log/convert_log.h"
#include "net/fetch_limits.h"

class UiServices;

using ResourceTagTable = std::map<std::string, std::string>;  // tag -> attribute
using MimeTypeTable = std::map<std::string, std::string>;     // extension -> MIME type
using ScriptExtTable = std::map<std::string, std::string>;    // extension -> description
using ResourceTag = ResourceTagTable::value_type;
using MimeTypeEntry = MimeTypeTable::value_type;
using ScriptExtEntry = ScriptExtTable::value_type;

// The user's conversion settings, one object per process, built from the
// defaults on first use and kept in memory only. It also carries the
// services of whichever front end runs.
class ConvertOptions {
 public:
  static ConvertOptions& Instance();
  // A fresh object with every default, for the texts that show them; the
  // instance stays as it is.
  static ConvertOptions Defaults();

  std::string logPath;
  std::int32_t logLevel = LogLevel::NONE;
  ResourceTagTable resourceTags;
  MimeTypeTable mimeTypes;
  ScriptExtTable scriptExtensions;
  LinkStyle linkStyle;  // set, like the rest, by ResetToDefaults
  // Also archive what stylesheets, media elements and frames need.
  bool completeArchive;
  // Also fetch the http and https files the page names, within these limits.
  bool remote = false;
  FetchLimits remoteLimits;

  // Puts every field back to its default (the tables the engine and the
  // writer start with); the services stay.
  void ResetToDefaults();

  // The front end's services; not owned, must outlive their use.
  void SetServices(UiServices* services);

  int ShowMessage(const std::string& text, unsigned style) const;
  int ShowDetailedMessage(const std::string& text, unsigned style, const std::string& details) const;
  int ShowStringMessage(int stringId, unsigned style) const;
  // The help page of the running program: FindHelpFile for its executable.
  static std::string HelpFilePath();
  // The help page <executable's name>.html of `executablePath`, first found
  // first: beside the executable (the build folder, or a copy carried along),
  // then in the installed data folder, found from the executable's folder so
  // that a moved installation still finds it. When neither exists, the path
  // beside the executable, for the failure message to name.
  static std::string FindHelpFile(const std::string& executablePath);
  void OpenHelp() const;
  static std::string ErrorMessage(ConvertReason reason);

 private:
  ConvertOptions();
  UiServices* m_services = nullptr;
};
