#include <gtest/gtest.h>

#include <string>

#include "base/utf8_text.h"

namespace {

TEST(Utf8TextTest, AsciiOnlyBelow0x80) {
  EXPECT_TRUE(IsAscii(""));
  EXPECT_TRUE(IsAscii(std::string("0123456789abcdef\x7F\0", 18)));
  EXPECT_FALSE(IsAscii("0123456789abcdef\x80"));
  EXPECT_FALSE(IsAscii("\xC3\xA9"));
}

struct Utf8Case {
  const char* bytes;
  bool valid;
};

class Utf8Cases : public testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Cases, WellFormedOnly) { EXPECT_EQ(IsValidUtf8(GetParam().bytes), GetParam().valid); }

// The same answers from the text in two pieces, cut anywhere, also inside a
// sequence.
TEST_P(Utf8Cases, PiecesScanAsTheWhole) {
  const std::string bytes = std::string("a") + GetParam().bytes + "\xC3\xA9";
  for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
    Utf8Scan scan;
    scan.Append(std::string_view(bytes).substr(0, cut));
    scan.Append(std::string_view(bytes).substr(cut));
    EXPECT_EQ(scan.IsValidUtf8(), IsValidUtf8(bytes)) << "cut at " << cut;
    EXPECT_FALSE(scan.IsAscii());
  }
  Utf8Scan unfinished;
  unfinished.Append("a\xE2\x82");
  EXPECT_FALSE(unfinished.IsValidUtf8()) << "a sequence the text ends in is ill-formed";
}

INSTANTIATE_TEST_SUITE_P(Sequences, Utf8Cases,
                         testing::Values(Utf8Case{"plain ascii text", true}, Utf8Case{"caf\xC3\xA9", true},
                                         Utf8Case{"\xE2\x82\xAC euro", true}, Utf8Case{"\xF0\x9F\x98\x80", true},
                                         Utf8Case{"\xF4\x8F\xBF\xBF", true}, Utf8Case{"\xED\x9F\xBF", true},
                                         Utf8Case{"caf\xE9", false}, Utf8Case{"\xC3", false},
                                         Utf8Case{"\xE2\x82", false}, Utf8Case{"\xC0\xAF", false},
                                         Utf8Case{"\xC1\xBF", false}, Utf8Case{"\xE0\x9F\xBF", false},
                                         Utf8Case{"\xED\xA0\x80", false}, Utf8Case{"\xF0\x8F\xBF\xBF", false},
                                         Utf8Case{"\xF4\x90\x80\x80", false}, Utf8Case{"\xF5\x80\x80\x80", false},
                                         Utf8Case{"\x80", false}, Utf8Case{"\xE2\x28\xA1", false},
                                         Utf8Case{"long ascii run before it: 0123456789\xC3", false}),
                         [](const testing::TestParamInfo<Utf8Case>& info) {
                           return std::string(info.param.valid ? "Valid" : "Invalid") + std::to_string(info.index);
                         });

}  // namespace
