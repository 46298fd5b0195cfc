#include "options/output_target.h"

#include <sys/stat.h>

#include <filesystem>

#include "log/convert_log.h"
#include "options/convert_options.h"
#include "options/string_table.h"

namespace {

// Two existing files are the same when the kernel says so; a path where no
// file is yet names the other when both lead to one place.
bool SameFile(const std::string& first, const std::string& second) {
  struct stat firstStatus {};
  struct stat secondStatus {};
  if (::stat(first.c_str(), &firstStatus) == 0 && ::stat(second.c_str(), &secondStatus) == 0) {
    return firstStatus.st_dev == secondStatus.st_dev && firstStatus.st_ino == secondStatus.st_ino;
  }
  std::error_code firstError;
  std::error_code secondError;
  const std::filesystem::path firstPlace = std::filesystem::weakly_canonical(first, firstError);
  const std::filesystem::path secondPlace = std::filesystem::weakly_canonical(second, secondError);
  return !firstError && !secondError && firstPlace == secondPlace;
}

}  // namespace

std::optional<StringId> CheckOutputTarget(const std::string& inputPath, const std::string& outputPath,
                                          const ConvertOptions& options) {
  if (SameFile(outputPath, inputPath)) return StringId::kOutputIsInput;
  // A log that is never written cannot be lost.
  const bool logWritten = !options.logPath.empty() && options.logLevel < LogLevel::NONE;
  if (logWritten && SameFile(outputPath, options.logPath)) return StringId::kOutputIsLog;
  // Log lines appended to the page would change the file being converted.
  if (logWritten && SameFile(inputPath, options.logPath)) return StringId::kLogIsInput;
  return std::nullopt;
}
