#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/conversion_progress.h"

class CancellationFlag;
class CConverter;
class CMimeArchive;
class ConvertOptions;
struct CConvertLog;

// What to convert and where to, as the user gave it.
struct ConversionRequest {
  std::string inputPath{};    // the page; made absolute against the current folder
  std::string outputPath{};   // the archive file, replaced only by a complete archive
  std::string allowedRoot{};  // only files under it are archived; empty: every local file
  ConversionProgress progress{};  // told as the archive's parts are written; empty: nobody
  // Set, from any thread, to stop the conversion: it then ends with
  // kErrorCancelled and the output as it was. Not owned; null: nobody can.
  const CancellationFlag* cancellation = nullptr;
};

// How a conversion ended and what the user is told.
struct ConversionResult {
  std::optional<std::int32_t> errorCode;  // the ConvertError code; nothing when converted
  std::string message;                    // names the archive, or gives the code's message

  bool Converted() const { return !errorCode; }
};

// One conversion, as both front ends run it: the options handed over to the
// engine objects (the caller's, so the window keeps one set for its life),
// the page converted and the archive streamed into a file that replaces the
// output only once it is complete. Every failure ends up in the result.
ConversionResult RunConversion(const ConvertOptions& options, const ConversionRequest& request,
                               CConverter& converter, CMimeArchive& archive, CConvertLog& logSettings);

// The result in the front end's message box: the information icon for an
// archive made, the error icon otherwise.
void ShowConversionResult(const ConvertOptions& options, const ConversionResult& result);
