#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "base/convert_error.h"
#include "engine/conversion_progress.h"

class CancellationFlag;
class CConverter;
class CMimeArchive;
class ConvertOptions;
struct CConvertLog;

// What to convert and where to, as the user gave it.
struct ConversionRequest {
  std::string inputPath{};        // the page; made absolute against the current folder
  std::string outputPath{};       // the archive file, replaced only by a complete archive
  std::string allowedRoot{};      // only files under it are archived; empty: every local file
  ConversionProgress progress{};  // told as the archive's parts are written; empty: nobody
  // SOURCE_DATE_EPOCH: the same input gives the same archive; nothing: the
  // boundary comes from the clock.
  std::optional<std::uint64_t> sourceDateEpoch{};
  // Set, from any thread, to stop the conversion: it then ends with
  // kCancelled and the output as it was. Not owned; null: nobody can.
  const CancellationFlag* cancellation = nullptr;
  // The page's bytes, when they come from elsewhere than the file at
  // `inputPath` (which then only places the page: its folder is what
  // relative references mean).
  std::optional<std::string> pageText{};
  // Where the archive goes instead of the file at `outputPath`; not owned.
  std::ostream* outputStream = nullptr;
  // A file left out fails the conversion, and an earlier archive stays.
  bool strict = false;
};

// How a conversion ended and what the user is told.
struct ConversionResult {
  std::optional<ConvertReason> reason;  // why it failed; nothing when converted
  std::string message;                  // names the archive, or gives the reason's message
  std::string detail;                   // a failure's path and the system's reason; may be empty
  std::vector<std::string> leftOut;     // the files the archive goes without, one line each

  bool Converted() const { return !reason; }
};

// "1 file", "2 files".
std::string FileCount(std::size_t count);
// "1 file was left out.", "2 files were left out."
std::string LeftOutSentence(std::size_t count);

// One conversion, as both front ends run it: the options handed over to the
// engine objects (the caller's, so the window keeps one set for its life),
// the page converted and the archive streamed into a file that replaces the
// output only once it is complete. Every failure ends up in the result.
ConversionResult RunConversion(const ConvertOptions& options, const ConversionRequest& request, CConverter& converter,
                               CMimeArchive& archive, CConvertLog& logSettings);

// The result in the front end's message box: the information icon for an
// archive made, with how many files were left out, the error icon
// otherwise. The files left out, and a failure's path and reason, are the
// box's details.
void ShowConversionResult(const ConvertOptions& options, const ConversionResult& result);
