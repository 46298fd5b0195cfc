#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "base/convert_error.h"

namespace {

struct MessageCase {
  std::int32_t code;
  const char* message;
};

constexpr const char* kUnknown = "Failed to create web archive (unknown reason)";

TEST(ConvertError, EveryCodeHasItsMessageAndOthersTheUnknownOne) {
  const MessageCase cases[] = {
      {kErrorUnknown, kUnknown},
      {kErrorInputOpen, "The input document cannot be opened"},
      {kErrorOutputCreate, "The output document cannot be created"},
      {kErrorMalformedInput, "Malformed input HTML document"},
      {kErrorInputRead, "Failed to read the input file"},
      {kErrorOutputWrite, "Failed to write the output file"},
      {kErrorCancelled, "The conversion was cancelled"},
      {kErrorOutOfMemory, "Not enough memory to create the web archive"},
      {kErrorFilesLeftOut, "Files the page needs were left out"},
      {9, kUnknown},
      {-1, kUnknown},
      {INT_MIN, kUnknown},
      {INT_MAX, kUnknown},
  };
  for (const MessageCase& c : cases) {
    EXPECT_STREQ(ConvertErrorMessage(c.code), c.message) << c.code;
    EXPECT_STREQ(ConvertError(c.code).what(), c.message) << c.code;
  }
}

// A handler for every standard failure sees a conversion's failure too, with
// its code intact.
TEST(ConvertError, IsAStandardExceptionCarryingItsCode) {
  try {
    throw ConvertError(kErrorOutputWrite);
  } catch (const std::exception& error) {
    const auto* convertError = dynamic_cast<const ConvertError*>(&error);
    ASSERT_NE(convertError, nullptr);
    EXPECT_EQ(convertError->Code(), kErrorOutputWrite);
    EXPECT_EQ(std::string(error.what()), "Failed to write the output file");
  }
}

}  // namespace
