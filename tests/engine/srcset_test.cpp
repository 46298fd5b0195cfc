#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "engine/srcset.h"

namespace {

// Each kept candidate as url[descriptor descriptor], checking that its span
// holds its URL.
std::string Candidates(std::string_view value) {
  std::string rendered;
  for (const SrcsetCandidate& candidate : ParseSrcset(value)) {
    EXPECT_EQ(value.substr(candidate.urlBegin, candidate.urlEnd - candidate.urlBegin), candidate.url);
    if (!rendered.empty()) rendered += ' ';
    rendered += candidate.url + "[";
    for (std::size_t i = 0; i < candidate.descriptors.size(); ++i) {
      rendered += (i == 0 ? "" : " ") + candidate.descriptors[i];
    }
    rendered += "]";
  }
  return rendered;
}

struct SrcsetCase {
  std::string_view value;
  const char* candidates;
};

class SrcsetCases : public testing::TestWithParam<SrcsetCase> {};

TEST_P(SrcsetCases, CandidatesAsTheBrowserKeepsThem) { EXPECT_EQ(Candidates(GetParam().value), GetParam().candidates); }

INSTANTIATE_TEST_SUITE_P(
    Splitting, SrcsetCases,
    testing::Values(SrcsetCase{"a.png", "a.png[]"}, SrcsetCase{"a.png 1x, b.png 2x", "a.png[1x] b.png[2x]"},
                    SrcsetCase{"a.png 100w,b.png 200w", "a.png[100w] b.png[200w]"},
                    SrcsetCase{"  a.png  ,  b.png 2x  ", "a.png[] b.png[2x]"},
                    SrcsetCase{"a.png\t1x\n,\fb.png\r2x", "a.png[1x] b.png[2x]"},
                    SrcsetCase{"a.png,b.png", "a.png,b.png[]"}, SrcsetCase{"a.png, b.png", "a.png[] b.png[]"},
                    SrcsetCase{"a.png,, ,b.png", "a.png[] b.png[]"}, SrcsetCase{",a.png", "a.png[]"},
                    SrcsetCase{"a.png 1x,,b.png", "a.png[1x] b.png[]"},
                    SrcsetCase{"data:image/png;base64,AAAA 1x, b.png 2x", "data:image/png;base64,AAAA[1x] b.png[2x]"},
                    SrcsetCase{"a.png (1, 2)x, b.png", "b.png[]"}, SrcsetCase{"a.png (1, 2", ""}, SrcsetCase{"", ""},
                    SrcsetCase{"  , ,\t", ""}));

INSTANTIATE_TEST_SUITE_P(
    Descriptors, SrcsetCases,
    testing::Values(SrcsetCase{"a.png 1.5x", "a.png[1.5x]"}, SrcsetCase{"a.png .5x", "a.png[.5x]"},
                    SrcsetCase{"a.png 1e1x", "a.png[1e1x]"}, SrcsetCase{"a.png 0x", "a.png[0x]"},
                    SrcsetCase{"a.png -0x", "a.png[-0x]"}, SrcsetCase{"a.png 100w 50h", "a.png[100w 50h]"},
                    SrcsetCase{"a.png 50h 100w", "a.png[50h 100w]"}, SrcsetCase{"a.png 1.x", ""},
                    SrcsetCase{"a.png -1x", ""}, SrcsetCase{"a.png +1x", ""}, SrcsetCase{"a.png 1X", ""},
                    SrcsetCase{"a.png 1e", ""}, SrcsetCase{"a.png 0w", ""}, SrcsetCase{"a.png 1.5w", ""},
                    SrcsetCase{"a.png 50h", ""}, SrcsetCase{"a.png 1x 2x", ""}, SrcsetCase{"a.png 2x 100w", ""},
                    SrcsetCase{"a.png 100w 2x", ""}, SrcsetCase{"a.png 1y, b.png 2x", "b.png[2x]"}));

// Replaces every URL that does not begin with "keep" by "new/" + the URL.
std::string Rewritten(std::string_view value) {
  return RewriteSrcset(value, [](std::string_view url) -> std::optional<std::string> {
    if (url.starts_with("keep")) return std::nullopt;
    return "new/" + std::string(url);
  });
}

TEST(SrcsetTest, RewriteKeepsDescriptorsAndSeparators) {
  EXPECT_EQ(Rewritten("a.png 1x, b.png 2x"), "new/a.png 1x, new/b.png 2x");
  EXPECT_EQ(Rewritten("  a.png,,\tkeep.png 100w ,b.png  "), "  new/a.png,,\tkeep.png 100w ,new/b.png  ");
  EXPECT_EQ(Rewritten("a,b.png 2x"), "new/a,b.png 2x");
  EXPECT_EQ(Rewritten("a.png 2y, b.png"), "a.png 2y, new/b.png");
  EXPECT_EQ(Rewritten(""), "");
}

TEST(SrcsetTest, AnswersThatWouldSplitAreEncoded) {
  const auto answer = [](std::string value) {
    return RewriteSrcset("a.png 1x, b.png 2x", [value](std::string_view) { return value; });
  };
  EXPECT_EQ(answer("x y.png"), "x%20y.png 1x, x%20y.png 2x");
  EXPECT_EQ(answer(",x,y,,"), "%2Cx,y%2C%2C 1x, %2Cx,y%2C%2C 2x");
  EXPECT_EQ(answer("\t\n\f\r"), "%09%0A%0C%0D 1x, %09%0A%0C%0D 2x");
  EXPECT_EQ(answer(""), "a.png 1x, b.png 2x");
}

TEST(SrcsetTest, DroppedCandidatesAreNotOffered) {
  std::string offered;
  RewriteSrcset("a.png 1x 2x, b.png", [&offered](std::string_view url) -> std::optional<std::string> {
    offered += std::string(url) + ";";
    return std::nullopt;
  });
  EXPECT_EQ(offered, "b.png;");
}

}  // namespace
