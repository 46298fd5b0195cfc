#include "options/apply_options.h"

#include "archive/mime_archive.h"
#include "base/media_types.h"
#include "base/path_text.h"
#include "engine/converter.h"
#include "options/convert_options.h"

void ApplyOptions(const ConvertOptions& options, CConverter& converter, CMimeArchive& archive,
                  CConvertLog& logSettings) {
  logSettings.level = options.logLevel;
  // The conversion moves the current folder to the page's; a relative log
  // path keeps meaning the folder the user was in.
  logSettings.path = options.logPath.empty() ? std::string() : MakeFullPath(options.logPath).value_or(options.logPath);
  converter.SetLog(logSettings);

  converter.ClearResourceTags();
  for (const auto& [tag, attribute] : options.resourceTags) converter.AddResourceTag(tag, attribute);

  archive.SetMimeTypes(options.mimeTypes);
  archive.SetFallbackMimeTypes(ReadMediaTypes());

  converter.ClearScriptExtensions();
  for (const auto& [extension, description] : options.scriptExtensions) {
    converter.AddScriptExtension(extension, description);
  }

  converter.SetLinkStyle(options.linkStyle);
  archive.SetLinkStyle(options.linkStyle);
}
