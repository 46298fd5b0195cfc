#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "base/convert_error.h"

namespace {

struct MessageCase {
  std::int32_t code;  // the reason's number
  const char* message;
};

constexpr const char* kUnknown = "Failed to create web archive (unknown reason)";

TEST(ConvertError, EveryCodeHasItsMessageAndOthersTheUnknownOne) {
  const MessageCase cases[] = {
      {0, kUnknown},
      {1, "The input document cannot be opened"},
      {2, "The output document cannot be created"},
      {3, "Malformed input HTML document"},
      {4, "Failed to read the input file"},
      {5, "Failed to write the output file"},
      {6, "The conversion was cancelled"},
      {7, "Not enough memory to create the web archive"},
      {8, "Files the page needs were left out"},
      {9, kUnknown},
      {-1, kUnknown},
      {INT_MIN, kUnknown},
      {INT_MAX, kUnknown},
      {static_cast<std::int32_t>(ConvertReason::kUnusableMarkup), kUnknown},
      {static_cast<std::int32_t>(ConvertReason::kMissingElement), kUnknown},
      {static_cast<std::int32_t>(ConvertReason::kCostlyMarkup), kUnknown},
  };
  for (const MessageCase& c : cases) {
    const auto reason = static_cast<ConvertReason>(c.code);
    EXPECT_STREQ(ConvertErrorMessage(reason), c.message) << c.code;
    EXPECT_STREQ(ConvertError(reason).what(), c.message) << c.code;
  }
  EXPECT_EQ(static_cast<std::int32_t>(ConvertReason::kFilesLeftOut), 8) << "the codes stay the user's";
  EXPECT_EQ(static_cast<std::int32_t>(ConvertReason::kOutOfMemory), 7);
}

// A handler for every standard failure sees a conversion's failure too, with
// its reason and detail intact.
TEST(ConvertError, IsAStandardExceptionCarryingItsReasonAndDetail) {
  try {
    throw ConvertError(ConvertReason::kOutputWrite);
  } catch (const std::exception& error) {
    const auto* convertError = dynamic_cast<const ConvertError*>(&error);
    ASSERT_NE(convertError, nullptr);
    EXPECT_EQ(convertError->Reason(), ConvertReason::kOutputWrite);
    EXPECT_EQ(convertError->Detail(), "");
    EXPECT_EQ(std::string(error.what()), "Failed to write the output file");
  }
  const ConvertError costly(ConvertReason::kCostlyMarkup, "nested 9000 elements deep");
  const ConvertError copy = costly;
  EXPECT_EQ(copy.Detail(), "nested 9000 elements deep");
  EXPECT_TRUE(IsMarkupFailure(copy.Reason()));
  EXPECT_FALSE(IsMarkupFailure(ConvertReason::kMalformedInput));
}

}  // namespace
