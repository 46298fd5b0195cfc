// Found by the HtmlDocument fuzzer: gumbo counts an ignored "</>" as part of
// the next start tag's text, so a tag it does not know came out nameless:
// written as "<>" it read back as text, and a listed custom tag was missed.
#include <gtest/gtest.h>

#include <string>

#include "engine/html_document.h"

namespace {

struct TagNameCase {
  const char* name;
  std::string page;
  const char* tag;
  std::string archivedBody;
};

void PrintTo(const TagNameCase& testCase, std::ostream* out) { *out << testCase.name; }

class TagNameTest : public ::testing::TestWithParam<TagNameCase> {};

TEST_P(TagNameTest, TagAfterEmptyEndTagKeepsItsName) {
  HtmlDocument document;
  document.Load(GetParam().page);
  ASSERT_EQ(document.ElementsByTagName(GetParam().tag).size(), 1u);
  const std::string archived = document.OuterHtml(document.DocumentElement());
  EXPECT_EQ(archived, "<html><head></head><body>" + GetParam().archivedBody + "</body></html>");

  HtmlDocument reread;
  reread.Load(archived);
  EXPECT_EQ(reread.OuterHtml(reread.DocumentElement()), archived);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, TagNameTest,
    ::testing::Values(
        TagNameCase{"CustomTag", "</><x-custom href=a.css>", "x-custom", "<x-custom href=\"a.css\"></x-custom>"},
        TagNameCase{"Repeated", "a</></></><Shelf>b", "shelf", "a<shelf>b</shelf>"},
        TagNameCase{"InSvg", "<svg></><clipPath2 id=c></svg>", "clippath2",
                    "<svg><clippath2 id=\"c\"></clippath2></svg>"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
