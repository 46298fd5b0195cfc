#include "options/conversion_run.h"

#include <exception>

#include "archive/mime_archive.h"
#include "base/convert_error.h"
#include "base/file_replacement.h"
#include "base/file_replacement_stream.h"
#include "base/path_text.h"
#include "engine/converter.h"
#include "engine/remote_files.h"
#include "options/apply_options.h"
#include "options/convert_options.h"
#include "options/ui_services.h"

namespace {

ConversionResult Failed(std::int32_t code) { return {code, ConvertOptions::ErrorMessage(code)}; }

}  // namespace

ConversionResult RunConversion(const ConvertOptions& options, const ConversionRequest& request,
                               CConverter& converter, CMimeArchive& archive, CConvertLog& logSettings) {
  try {
    ApplyOptions(options, converter, archive, logSettings);
    converter.SetAllowedRoot(request.allowedRoot);
    converter.SetProgress(request.progress);
    converter.SetCancellation(request.cancellation);
    // The archive text goes to disk as the writer produces it, never gathered
    // whole beside the parts it is made of. A relative output path means the
    // folder the program was started in, which no conversion moves.
    FileReplacement archiveFile(AbsolutePath(request.outputPath));
    FileReplacementStream stream(archiveFile);
    // The main part's location must be a real file URL, or the page's own
    // URL when it is fetched.
    const bool pageByUrl = options.remote && IsRemoteLocation(request.inputPath);
    converter.Convert(pageByUrl ? request.inputPath : MakeFullPath(request.inputPath).value_or(request.inputPath),
                      archive, stream, [&] { archiveFile.Commit(); });
  } catch (const ConvertError& error) {
    return Failed(error.Code());
  } catch (...) {
    // The front ends have nowhere further to send a failure: whatever else
    // went wrong (memory running out, say) is a failure without a known
    // cause, and must not reach the event loop or end the program.
    return Failed(kErrorUnknown);
  }
  return {std::nullopt, "Web archive created successfully at:\n" + request.outputPath};
}

void ShowConversionResult(const ConvertOptions& options, const ConversionResult& result) {
  options.ShowMessage(result.message, result.Converted() ? MessageStyle::kIconInformation : MessageStyle::kIconError);
}
