#include "base/convert_error.h"

const char* ConvertErrorMessage(ConvertReason reason) noexcept {
  switch (reason) {
    case ConvertReason::kInputOpen: return "The input document cannot be opened";
    case ConvertReason::kOutputCreate: return "The output document cannot be created";
    case ConvertReason::kMalformedInput: return "Malformed input HTML document";
    case ConvertReason::kInputRead: return "Failed to read the input file";
    case ConvertReason::kOutputWrite: return "Failed to write the output file";
    case ConvertReason::kCancelled: return "The conversion was cancelled";
    case ConvertReason::kOutOfMemory: return "Not enough memory to create the web archive";
    case ConvertReason::kFilesLeftOut: return "Files the page needs were left out";
    default: return "Failed to create web archive (unknown reason)";
  }
}

bool IsMarkupFailure(ConvertReason reason) noexcept {
  return reason == ConvertReason::kUnusableMarkup || reason == ConvertReason::kMissingElement ||
         reason == ConvertReason::kCostlyMarkup;
}

const std::string& ConvertError::Detail() const noexcept {
  static const std::string kNone;
  return m_detail ? *m_detail : kNone;
}
