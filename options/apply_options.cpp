#include "options/apply_options.h"

#include "archive/mime_archive.h"
#include "base/media_types.h"
#include "base/path_text.h"
#include "engine/converter.h"
#include "options/convert_options.h"

void ApplyOptions(const ConvertOptions& options, CConverter& converter, CMimeArchive& archive,
                  CConvertLog& logSettings) {
  logSettings.level = options.logLevel;
  // Fixed before anything is converted: a relative log path means the folder
  // the program was started in.
  logSettings.path = AbsolutePath(options.logPath);
  converter.SetLog(logSettings);

  converter.ClearResourceTags();
  for (const auto& [tag, attribute] : options.resourceTags) converter.AddResourceTag(tag, attribute);

  archive.SetMimeTypes(options.mimeTypes);
  archive.SetFallbackMimeTypes(SystemMediaTypes());

  converter.ClearScriptExtensions();
  for (const auto& [extension, description] : options.scriptExtensions) {
    converter.AddScriptExtension(extension, description);
  }

  converter.SetLinkStyle(options.linkStyle);
  converter.SetCompleteArchive(options.completeArchive);
  converter.SetRemote(options.remote ? std::optional<FetchLimits>(options.remoteLimits) : std::nullopt);
  archive.SetLinkStyle(options.linkStyle);
}
