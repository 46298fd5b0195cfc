// Found by the HtmlDocument fuzzer under the earlier parser, two ways a tag
// the parser does not know lost its name: an ignored "</>" counted as part of
// the next start tag's text, so the tag came out nameless ("<>" read back as
// text, and a listed custom tag was missed); and a vertical tab, which the
// tokenizer keeps in the name, ended it: "<i\vz>" came out as an i element,
// which in SVG breaks out of the drawing when read back.
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

TEST_P(TagNameTest, UnknownTagKeepsItsName) {
  HtmlDocument document;
  document.Load(GetParam().page);
  ASSERT_EQ(document.ElementsByTagName(GetParam().tag).size(), 1u);
  const std::string archived = document.OuterHtml(document.DocumentElement());
  EXPECT_EQ(archived, "<html><head></head><body>" + GetParam().archivedBody + "</body></html>");

  HtmlDocument reread;
  reread.Load(archived);
  EXPECT_EQ(reread.OuterHtml(reread.DocumentElement()), archived);
}

INSTANTIATE_TEST_SUITE_P(Pages, TagNameTest,
                         ::testing::Values(TagNameCase{"CustomTag", "</><x-custom href=a.css>", "x-custom",
                                                       "<x-custom href=\"a.css\"></x-custom>"},
                                           TagNameCase{"Repeated", "a</></></><Shelf>b", "shelf", "a<shelf>b</shelf>"},
                                           TagNameCase{"InSvg", "<svg></><clipPath2 id=c></svg>", "clippath2",
                                                       "<svg><clippath2 id=\"c\"></clippath2></svg>"},
                                           TagNameCase{"VerticalTab", "<i\vz id=v>t</i\vz>", "i\vz",
                                                       "<i\vz id=\"v\">t</i\vz>"},
                                           TagNameCase{"VerticalTabInSvg", "<svg><I\v\vX>t</svg>", "i\v\vx",
                                                       "<svg><i\v\vx>t</i\v\vx></svg>"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
