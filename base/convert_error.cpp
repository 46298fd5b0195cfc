#include "base/convert_error.h"

const char* ConvertErrorMessage(std::int32_t code) noexcept {
  switch (code) {
    case kErrorInputOpen: return "The input document cannot be opened";
    case kErrorOutputCreate: return "The output document cannot be created";
    case kErrorMalformedInput: return "Malformed input HTML document";
    case kErrorInputRead: return "Failed to read the input file";
    case kErrorOutputWrite: return "Failed to write the output file";
    case kErrorCancelled: return "The conversion was cancelled";
    case kErrorOutOfMemory: return "Not enough memory to create the web archive";
    case kErrorFilesLeftOut: return "Files the page needs were left out";
    default: return "Failed to create web archive (unknown reason)";
  }
}
