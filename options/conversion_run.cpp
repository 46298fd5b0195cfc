#include "options/conversion_run.h"

#include <cstring>
#include <exception>
#include <new>

#include "archive/mime_archive.h"
#include "base/convert_error.h"
#include "base/file_problem.h"
#include "base/file_replacement.h"
#include "base/file_replacement_stream.h"
#include "base/path_text.h"
#include "engine/converter.h"
#include "engine/remote_files.h"
#include "options/apply_options.h"
#include "options/convert_options.h"
#include "options/ui_services.h"

namespace {

constexpr const char* kStandardOutputName = "the standard output";

// The path the failure is about and what the system says is wrong with it:
// the failed call's own reason when it gave one (a write past a size limit
// or onto a full disk leaves nothing to find afterwards), else what the path
// shows now.
std::string FailureDetail(ConvertReason reason, int systemError, const ConversionRequest& request) {
  switch (reason) {
    case ConvertReason::kInputOpen:
    case ConvertReason::kInputRead:
      if (request.pageText) return request.inputPath;
      return PathWithProblem(request.inputPath, ReadProblem(request.inputPath));
    case ConvertReason::kOutputCreate:
    case ConvertReason::kOutputWrite:
      if (request.outputStream) return kStandardOutputName;
      return PathWithProblem(request.outputPath,
                             systemError != 0 ? std::strerror(systemError) : WriteProblem(request.outputPath));
    case ConvertReason::kMalformedInput: return request.inputPath;
    default: return {};
  }
}

ConversionResult Failed(ConvertReason reason, const ConversionRequest& request, int systemError = 0) {
  return {reason, ConvertOptions::ErrorMessage(reason), FailureDetail(reason, systemError, request), {}};
}

std::string JoinedLines(const std::vector<std::string>& lines) {
  std::string joined;
  for (const std::string& line : lines) joined += (joined.empty() ? "" : "\n") + line;
  return joined;
}

// The conversion itself; throws what the engine and the files throw.
ConversionResult Convert(const ConversionRequest& request, CConverter& converter, CMimeArchive& archive) {
  // The main part's location must be a real file URL, or the page's own
  // URL when it is fetched.
  const bool pageByUrl = converter.FetchesRemoteFiles() && IsRemoteLocation(request.inputPath);
  const std::string page = pageByUrl ? request.inputPath : MakeFullPath(request.inputPath).value_or(request.inputPath);
  const auto leftOutRefused = [&] { return request.strict && !converter.Log().leftOut.empty(); };
  if (request.outputStream) {
    converter.Convert(page, archive, *request.outputStream, request.pageText, [&] {
      if (!request.outputStream->flush()) throw ConvertError(ConvertReason::kOutputWrite);
      if (leftOutRefused()) throw ConvertError(ConvertReason::kFilesLeftOut);
    });
  } else {
    // The archive text goes to disk as the writer produces it, never gathered
    // whole beside the parts it is made of. A relative output path means the
    // folder the program was started in, which no conversion moves.
    FileReplacement archiveFile(AbsolutePath(request.outputPath));
    FileReplacementStream stream(archiveFile);
    // Refused, the archive is never committed: the temporary file goes and
    // the earlier archive stays.
    converter.Convert(page, archive, stream, request.pageText, [&] {
      if (leftOutRefused()) throw ConvertError(ConvertReason::kFilesLeftOut);
      archiveFile.Commit();
    });
  }
  const std::string place = request.outputStream ? kStandardOutputName : request.outputPath;
  return {std::nullopt, "Web archive created successfully at:\n" + place, {}, {}};
}

}  // namespace

std::string FileCount(std::size_t count) { return std::to_string(count) + (count == 1 ? " file" : " files"); }

std::string LeftOutSentence(std::size_t count) {
  return FileCount(count) + (count == 1 ? " was left out." : " were left out.");
}

ConversionResult RunConversion(const ConvertOptions& options, const ConversionRequest& request, CConverter& converter,
                               CMimeArchive& archive, CConvertLog& logSettings) {
  ConversionResult result;
  try {
    ApplyOptions(options, converter, archive, logSettings);
    converter.SetAllowedRoot(request.allowedRoot);
    archive.SetSourceDateEpoch(request.sourceDateEpoch);
    converter.SetProgress(request.progress);
    converter.SetCancellation(request.cancellation);
    result = Convert(request, converter, archive);
  } catch (const ConvertError& error) {
    result = Failed(error.Reason(), request, error.SystemError());
  } catch (const std::bad_alloc&) {
    // Memory may run out before the engine runs (the options applied, the
    // output opened), where the engine cannot say it: said here as such.
    result = Failed(ConvertReason::kOutOfMemory, request);
  } catch (...) {
    // The front ends have nowhere further to send a failure: whatever else
    // went wrong (memory running out, say) is a failure without a known
    // cause, and must not reach the event loop or end the program.
    result = Failed(ConvertReason::kUnknown, request);
  }
  result.leftOut = converter.Log().leftOut;
  if (result.reason == ConvertReason::kFilesLeftOut) result.detail = FileCount(result.leftOut.size());
  return result;
}

void ShowConversionResult(const ConvertOptions& options, const ConversionResult& result) {
  if (!result.Converted()) {
    const std::string leftOut = JoinedLines(result.leftOut);
    const std::string details = result.detail + (result.detail.empty() || leftOut.empty() ? "" : "\n") + leftOut;
    options.ShowDetailedMessage(result.message, MessageStyle::kIconError, details);
    return;
  }
  if (result.leftOut.empty()) {
    options.ShowMessage(result.message, MessageStyle::kIconInformation);
    return;
  }
  options.ShowDetailedMessage(result.message + "\n\n" + LeftOutSentence(result.leftOut.size()),
                              MessageStyle::kIconInformation, JoinedLines(result.leftOut));
}
