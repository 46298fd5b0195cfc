#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "engine/html_cost_guard.h"
#include "engine/html_tag_scanner.h"
#include "html5lib_dat.h"

namespace {

using Kind = MarkupExcess::Kind;

std::string Repeat(const std::string& unit, int count) {
  std::string text;
  text.reserve(unit.size() * static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) text += unit;
  return text;
}

// Each token as "<name" (+"/" when self-closing, +"#n" for n attributes),
// "</name", "text", "space", "cdata" or "comment".
std::vector<std::string> Tokens(const std::string& markup, bool cdataAllowed = false) {
  HtmlTagScanner scanner(markup);
  std::vector<std::string> tokens;
  for (;;) {
    const ScannedToken& token = scanner.Next(cdataAllowed);
    switch (token.kind) {
      case ScannedToken::Kind::kEnd: return tokens;
      case ScannedToken::Kind::kText: tokens.emplace_back(token.whitespaceOnly ? "space" : "text"); break;
      case ScannedToken::Kind::kCdata: tokens.emplace_back("cdata"); break;
      case ScannedToken::Kind::kComment: tokens.emplace_back("comment"); break;
      case ScannedToken::Kind::kStartTag:
      case ScannedToken::Kind::kEndTag:
        tokens.push_back((token.kind == ScannedToken::Kind::kStartTag ? "<" : "</") + std::string(token.name) +
                         (token.selfClosing ? "/" : "") +
                         (token.attributes.empty() ? "" : "#" + std::to_string(token.attributes.size())));
        break;
    }
  }
}

struct ScanCase {
  const char* name;
  const char* markup;
  std::vector<std::string> tokens;
};

class TagScannerCases : public testing::TestWithParam<ScanCase> {};

TEST_P(TagScannerCases, FindsTagsWhereTheTokenizerDoes) { EXPECT_EQ(Tokens(GetParam().markup), GetParam().tokens); }

INSTANTIATE_TEST_SUITE_P(
    Markup, TagScannerCases,
    testing::Values(ScanCase{"QuotedValuesHoldTagEnds", "<p title='a>b' alt=\"<i>\" x=y/>t", {"<p#3", "text"}},
                    ScanCase{"SelfClosingOnlyRightBeforeTheEnd", "<br/><br / ><img src=a/>", {"<br/", "<br", "<img#1"}},
                    ScanCase{"EqualsMayStartAName", "<p =a b= c>", {"<p#2"}},
                    ScanCase{"CommentsHideTags",
                             "<!-- <div> --><!--><!---><p><!-- --!><i>",
                             {"comment", "comment", "comment", "<p", "comment", "<i"}},
                    ScanCase{"CommentEndNeedsTwoDashes", "<!-- -> <div> --->x", {"comment", "text"}},
                    ScanCase{"BogusCommentsAndDoctypesEndAtTheFirstGreaterThan",
                             "<!DOCTYPE html><?php <div> ?><!x><a></ x><b></>",
                             {"comment", "text", "comment", "<a", "comment", "<b"}},
                    ScanCase{"LessThanThatOpensNothingIsText", "a < b <3 <", {"text", "text", "text", "text"}},
                    ScanCase{"EndTagsCarryAttributes", "</p a='>' b>", {"</p#2"}},
                    ScanCase{"TagCutOffByTheEndIsNoTag", "<p>x<div class='y", {"<p", "text"}},
                    ScanCase{"CdataIsABogusCommentInHtml", "<![CDATA[<div>]]>", {"comment", "text"}}),
    [](const testing::TestParamInfo<ScanCase>& info) { return info.param.name; });

TEST(TagScannerTest, CdataSectionsWhereTheCurrentNodeIsForeign) {
  EXPECT_EQ(Tokens("<![CDATA[<div>]]><g><![CDATA[]]>", true), std::vector<std::string>({"cdata", "<g"}));
}

struct TextCase {
  const char* name;
  TextContent content;
  const char* element;
  const char* markup;  // after the start tag
  std::vector<std::string> tokens;
};

class TextContentCases : public testing::TestWithParam<TextCase> {};

TEST_P(TextContentCases, EndsAtTheElementsEndTag) {
  const std::string markup = GetParam().markup;
  HtmlTagScanner scanner(markup);
  scanner.SkipText(GetParam().content, GetParam().element);
  std::vector<std::string> tokens;
  for (const ScannedToken* token = &scanner.Next(false); token->kind != ScannedToken::Kind::kEnd;
       token = &scanner.Next(false)) {
    tokens.push_back(token->kind == ScannedToken::Kind::kText ? "text" : std::string(token->name));
  }
  EXPECT_EQ(tokens, GetParam().tokens);
}

INSTANTIATE_TEST_SUITE_P(
    Elements, TextContentCases,
    testing::Values(
        TextCase{"Script", TextContent::kScriptData, "script", "<div></div></SCRIPT ><i>", {"SCRIPT", "i"}},
        TextCase{"ScriptNameMustEnd", TextContent::kScriptData, "script", "</scripts></script/>", {"script"}},
        TextCase{"EscapedScriptStillEnds", TextContent::kScriptData, "script", "<!-- x </script>", {"script"}},
        TextCase{"DoubleEscapedScriptDoesNot",
                 TextContent::kScriptData,
                 "script",
                 "<!--<script></script><b></script>",
                 {"script"}},
        TextCase{"EscapeEndsAtTwoDashesAndGreaterThan",
                 TextContent::kScriptData,
                 "script",
                 "<!--<script>--></script><b>",
                 {"script", "b"}},
        TextCase{"RawText", TextContent::kRawText, "style", "a</styl></style x>b", {"style", "text"}},
        TextCase{"RcData", TextContent::kRcData, "TITLE", "<b></title>", {"title"}},
        TextCase{"PlainTextRunsToTheEnd", TextContent::kPlainText, "plaintext", "</plaintext><b>", {}},
        TextCase{"NoEndTag", TextContent::kRawText, "xmp", "<b>", {}}),
    [](const testing::TestParamInfo<TextCase>& info) { return info.param.name; });

// An element with `count` distinct attributes.
std::string ManyAttributes(int count) {
  std::string tag = "<p";
  for (int i = 0; i < count; ++i) tag += " a" + std::to_string(i);
  return tag + ">";
}

// Formatting elements, each unlike the others, left open in a block that
// then closes: every paragraph after it makes them all again.
std::string DistinctFormattingThenParagraphs(int formatting, int paragraphs) {
  std::string page = "<div>";
  for (int i = 0; i < formatting; ++i) page += "<b x=" + std::to_string(i) + ">";
  return page + "</div>" + Repeat("<p>x</p>", paragraphs);
}

// Repeated start tags of `element`, each adding one attribute of its own.
std::string RepeatedWithNewAttributes(const std::string& element, int count) {
  std::string page;
  for (int i = 0; i < count; ++i) page += "<" + element + " a" + std::to_string(i) + ">";
  return page;
}

struct ShapeCase {
  const char* name;
  std::string markup;
  std::optional<Kind> excess;
};

class MarkupShapeCases : public testing::TestWithParam<ShapeCase> {};

TEST_P(MarkupShapeCases, RefusedOnlyBeyondTheBounds) {
  const std::optional<MarkupExcess> excess = FindMarkupExcess(GetParam().markup);
  ASSERT_EQ(excess.has_value(), GetParam().excess.has_value());
  if (excess) {
    EXPECT_EQ(excess->kind, *GetParam().excess);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Pages, MarkupShapeCases,
    testing::Values(
        ShapeCase{"DeeperThanBrowsersBuild", Repeat("<div>", 3000) + "x", std::nullopt},
        ShapeCase{"DeepBeyondTheBudget", Repeat("<span>", 100000), Kind::kNesting},
        ShapeCase{"ClosedDivsNeverNest", Repeat("<div><div></div></div>", 100000), std::nullopt},
        ShapeCase{"UnclosedParagraphsAndItems", Repeat("<p>a<ul><li>b<li>c</ul><dl><dt>d<dd>e</dl>", 20000),
                  std::nullopt},
        ShapeCase{"UnclosedCellsAndRows", "<table>" + Repeat("<tr><td>a<td>b<th>c", 20000) + "</table>", std::nullopt},
        ShapeCase{"VoidElementsAndSelfClosingSvg",
                  Repeat("<img src=a><br><input><svg><path d=x /><circle/></svg>", 20000), std::nullopt},
        ShapeCase{"MarkupInsideScriptsStyleAndComments",
                  Repeat("<script>if (a<b) x='<div>';</script><style>a>b{}</style><!-- <div> -->", 20000),
                  std::nullopt},
        ShapeCase{"UnclosedFormattingIsKeptThreeTimes", Repeat("<p><font>x</p>", 100000), std::nullopt},
        ShapeCase{"MisnestedFormattingAdopted", Repeat("<b><p>x</b>y</p>", 50000), std::nullopt},
        ShapeCase{"DistinctFormattingReopenedInAFewParagraphs", DistinctFormattingThenParagraphs(300, 100),
                  std::nullopt},
        ShapeCase{"DistinctFormattingReopenedInEveryParagraph", DistinctFormattingThenParagraphs(300, 300),
                  Kind::kReopening},
        ShapeCase{"ThousandsOfAttributesOnOneElement", ManyAttributes(5000), std::nullopt},
        ShapeCase{"TooManyAttributesOnOneElement", ManyAttributes(150000), Kind::kAttributes},
        ShapeCase{"AttributesOfRealElements", Repeat("<img class=a id=b src=c alt=d width=1 height=2>", 20000),
                  std::nullopt},
        ShapeCase{"RepeatedBodyTagsEachAddingAnAttribute", RepeatedWithNewAttributes("body", 30000), Kind::kAttributes},
        ShapeCase{"RepeatedHtmlTagsEachAddingAnAttribute", RepeatedWithNewAttributes("html", 30000), Kind::kAttributes},
        ShapeCase{"ThousandsOfOptions", "<select>" + Repeat("<option>a", 4000) + "</select>", std::nullopt},
        ShapeCase{"ManySelectsOfFewOptions", Repeat("<select><option>a<option>b</select>", 50000), std::nullopt},
        ShapeCase{"TooManyOptionsInOneSelect", "<select>" + Repeat("<option>a", 40000), Kind::kOptions}),
    [](const testing::TestParamInfo<ShapeCase>& info) { return info.param.name; });

TEST(MarkupCostTest, TheExcessSaysHowFar) {
  const std::optional<MarkupExcess> tooMany = FindMarkupExcess(ManyAttributes(20000));
  ASSERT_TRUE(tooMany.has_value());
  EXPECT_EQ(tooMany->amount, 20000u);
}

// No page of the html5lib tree-construction cases is anywhere near a budget.
TEST(MarkupCostTest, NoTreeConstructionCaseIsRefused) {
  const std::filesystem::path folder = SCRIVANE_TESTDATA_DIR "/html5lib-tests/tree-construction";
  if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "html5lib test data not found at " << folder;
  int checked = 0;
  for (const Html5libCase& testCase : ReadHtml5libCases(folder)) {
    EXPECT_FALSE(FindMarkupExcess(testCase.Data()).has_value()) << testCase.file << " #" << testCase.index;
    ++checked;
  }
  EXPECT_GT(checked, 1000);
}

TEST(MarkupCostTest, TheSampleSiteIsAffordable) {
  std::ifstream file(SCRIVANE_SOURCE_DIR "/examples/site/index.html", std::ios::binary);
  const std::string page((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(page.empty());
  EXPECT_FALSE(FindMarkupExcess(page).has_value());
}

}  // namespace
