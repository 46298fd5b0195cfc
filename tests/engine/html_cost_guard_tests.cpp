#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <gumbo.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "engine/html_cost_guard.h"
#include "engine/html_gumbo_arena.h"
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
      case ScannedToken::Kind::kEnd:
        return tokens;
      case ScannedToken::Kind::kText:
        tokens.emplace_back(token.whitespaceOnly ? "space" : "text");
        break;
      case ScannedToken::Kind::kCdata:
        tokens.emplace_back("cdata");
        break;
      case ScannedToken::Kind::kComment:
        tokens.emplace_back("comment");
        break;
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
    testing::Values(
        ScanCase{"QuotedValuesHoldTagEnds", "<p title='a>b' alt=\"<i>\" x=y/>t", {"<p#3", "text"}},
        ScanCase{"SelfClosingOnlyRightBeforeTheEnd", "<br/><br / ><img src=a/>", {"<br/", "<br", "<img#1"}},
        ScanCase{"EqualsMayStartAName", "<p =a b= c>", {"<p#2"}},
        ScanCase{"CommentsHideTags", "<!-- <div> --><!--><!---><p><!-- --!><i>",
                 {"comment", "comment", "comment", "<p", "comment", "<i"}},
        ScanCase{"CommentEndNeedsTwoDashes", "<!-- -> <div> --->x", {"comment", "text"}},
        ScanCase{"BogusCommentsAndDoctypesEndAtTheFirstGreaterThan",
                 "<!DOCTYPE html><?php <div> ?><!x><a></ x><b></>", {"comment", "text", "comment", "<a", "comment", "<b"}},
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
        TextCase{"DoubleEscapedScriptDoesNot", TextContent::kScriptData, "script",
                 "<!--<script></script><b></script>", {"script"}},
        TextCase{"EscapeEndsAtTwoDashesAndGreaterThan", TextContent::kScriptData, "script",
                 "<!--<script>--></script><b>", {"script", "b"}},
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

// Depth counts html and body: 510 nested elements are 512 open ones.
INSTANTIATE_TEST_SUITE_P(
    Pages, MarkupShapeCases,
    testing::Values(
        ShapeCase{"DivsAtTheLimit", Repeat("<div>", 510) + "x", std::nullopt},
        ShapeCase{"DivsBeyondIt", Repeat("<div>", 511) + "x", Kind::kNesting},
        ShapeCase{"ClosedDivsNeverNest", Repeat("<div><div></div></div>", 100000), std::nullopt},
        ShapeCase{"UnclosedParagraphsAndItems", Repeat("<p>a<ul><li>b<li>c</ul><dl><dt>d<dd>e</dl>", 20000),
                  std::nullopt},
        ShapeCase{"UnclosedCellsAndRows", "<table>" + Repeat("<tr><td>a<td>b<th>c", 20000) + "</table>", std::nullopt},
        ShapeCase{"TablesInCellsAtTheLimit", Repeat("<table><tr><td>", 127) + "x", std::nullopt},
        ShapeCase{"TablesInCellsBeyondIt", Repeat("<table><tr><td>", 128) + "x", Kind::kNesting},
        ShapeCase{"OptionsAndWhatASelectIgnores", "<select>" + Repeat("<option>a<div><span>", 20000), std::nullopt},
        ShapeCase{"VoidElementsAndSelfClosingSvg",
                  Repeat("<img src=a><br><input><svg><path d=x /><circle/></svg>", 20000), std::nullopt},
        ShapeCase{"NestedSvgGroups", "<svg>" + Repeat("<g>", 511), Kind::kNesting},
        ShapeCase{"SelfClosingIsNoEndInHtml", Repeat("<div/>", 511), Kind::kNesting},
        ShapeCase{"BreakingOutOfSvg", Repeat("<svg><p>x</p>", 20000), std::nullopt},
        ShapeCase{"MarkupInsideScriptsStyleAndComments",
                  Repeat("<script>if (a<b) x='<div>';</script><style>a>b{}</style><!-- <div> -->", 20000),
                  std::nullopt},
        ShapeCase{"MarkupInsideSvgScriptIsMarkup", "<svg><script>" + Repeat("<g>", 511), Kind::kNesting},
        ShapeCase{"StyleIgnoredInsideASelect", "<select><style></select>" + Repeat("<div>", 511), Kind::kNesting},
        ShapeCase{"UnknownEndTagStoppedByABlock", Repeat("<x><div></x>", 256), Kind::kNesting},
        // What the fuzzer found where the guard once saw fewer open elements than gumbo keeps.
        ShapeCase{"TableKeepsAParagraphOpenInQuirksMode", Repeat("<p><table><tr><td>", 103), Kind::kNesting},
        ShapeCase{"OnlyASelectInATableIsClosedByACell", "<select><td><select>" + Repeat("<x>", 511),
                  Kind::kNesting},
        ShapeCase{"TemplateOfManyRows", "<template>" + Repeat("<tr><td>a</td><td>b</td></tr>", 20000) + "</template>",
                  std::nullopt},
        ShapeCase{"TemplateOfCellsIgnoresRows", "<template><td><tr>" + Repeat("<x>", 300) + "<tr>" + Repeat("<y>", 300),
                  Kind::kNesting},
        ShapeCase{"TemplateContentReadAsBodyIgnoresCells",
                  "<template><html><tr><d>" + Repeat("<x>", 300) + "<td>" + Repeat("<y>", 300), Kind::kNesting},
        ShapeCase{"ForeignEndTagWithASpaceClosesNothing", Repeat("<p><math><mi></mi >", 171), Kind::kNesting},
        ShapeCase{"CdataInTableTextWouldAbortGumbo", "<table><math><mi><![CDATA[.]]>0", Kind::kUnreadable},
        ShapeCase{"ForeignElementNamedLikeATablePart", "<math><td><mi><select><td><select>" + Repeat("<div>", 600),
                  Kind::kUnreadable},
        ShapeCase{"RealMathMlTable", Repeat("<math><mtable><mtr><mtd><mi>x</mi></mtd></mtr></mtable></math>", 1000),
                  std::nullopt},
        ShapeCase{"CdataInTableTextFlushedByAComment", "<table><math><mi><![CDATA[.]]><!---->0", std::nullopt},
        ShapeCase{"CdataInTableTextPastAnIgnoredTag", "<template><tr><math><mi/Y><![CDATA[]]]><table>l",
                  Kind::kUnreadable},
        ShapeCase{"FosterParentedInsideATable", "<table>" + Repeat("<x>", 510), Kind::kNesting},
        ShapeCase{"UnclosedFormattingIsKeptThreeTimes", Repeat("<p><font>x</p>", 100000), std::nullopt},
        ShapeCase{"UnclosedFormattingNests", Repeat("<font>", 511), Kind::kNesting},
        ShapeCase{"MisnestedFormattingAdopted", Repeat("<b><p>x</b>y</p>", 50000), std::nullopt},
        ShapeCase{"DistinctFormattingReopenedInAFewParagraphs", DistinctFormattingThenParagraphs(300, 100),
                  std::nullopt},
        ShapeCase{"DistinctFormattingReopenedInEveryParagraph", DistinctFormattingThenParagraphs(300, 300),
                  Kind::kReopening},
        ShapeCase{"ThousandsOfAttributesOnOneElement", ManyAttributes(5000), std::nullopt},
        ShapeCase{"TooManyAttributesOnOneElement", ManyAttributes(150000), Kind::kAttributes},
        ShapeCase{"AttributesOfRealElements", Repeat("<img class=a id=b src=c alt=d width=1 height=2>", 20000),
                  std::nullopt}),
    [](const testing::TestParamInfo<ShapeCase>& info) { return info.param.name; });

TEST(MarkupCostTest, TheExcessSaysHowFar) {
  const std::optional<MarkupExcess> tooMany = FindMarkupExcess(ManyAttributes(20000));
  ASSERT_TRUE(tooMany.has_value());
  EXPECT_EQ(tooMany->amount, 20000u);
  const std::optional<MarkupExcess> tooDeep = FindMarkupExcess(Repeat("<span>", 1000));
  ASSERT_TRUE(tooDeep.has_value());
  EXPECT_EQ(tooDeep->amount, kMaxNestingDepth);
}

// The tree gumbo builds is never much deeper than the stack the guard
// follows, so a page the guard lets through cannot nest deeper in gumbo; no
// case is too costly, and only a few deliberately odd ones are unreadable.
TEST(MarkupCostTest, GuardFollowsGumbosNestingOnEveryTreeConstructionCase) {
  const std::filesystem::path folder = SCRIVANE_TESTDATA_DIR "/html5lib-tests/tree-construction";
  if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "html5lib test data not found at " << folder;
  constexpr std::size_t kLeafAndImpliedElements = 3;
  int checked = 0;
  int unreadable = 0;
  for (const Html5libCase& testCase : ReadHtml5libCases(folder)) {
    if (testCase.Has("#document-fragment")) continue;
    const std::string& page = testCase.Data();
    // As the engine parses: no parse errors kept, every block in an arena.
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;
    GumboArena arena;
    arena.Install(options);
    GumboOutput* output = gumbo_parse_with_options(&options, page.data(), page.size());
    std::size_t depth = 0;
    std::vector<std::pair<const GumboNode*, std::size_t>> open{{output->root, 1}};
    while (!open.empty()) {
      const auto [node, level] = open.back();
      open.pop_back();
      if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE) continue;
      depth = std::max(depth, level);
      for (unsigned i = 0; i < node->v.element.children.length; ++i) {
        open.emplace_back(static_cast<const GumboNode*>(node->v.element.children.data[i]), level + 1);
      }
    }
    const std::string where = testCase.file + " #" + std::to_string(testCase.index);
    // Some cases put HTML's table parts into SVG or MathML on purpose.
    const std::optional<MarkupExcess> refused = FindMarkupExcess(page);
    if (refused) {
      EXPECT_EQ(refused->kind, Kind::kUnreadable) << where;
      ++unreadable;
      continue;
    }
    if (depth > kLeafAndImpliedElements + 2) {
      const std::optional<MarkupExcess> excess = FindMarkupExcess(page, depth - kLeafAndImpliedElements - 1);
      EXPECT_TRUE(excess.has_value() && excess->kind == Kind::kNesting) << where << " is " << depth << " deep";
    }
    ++checked;
  }
  EXPECT_GT(checked, 800);
  EXPECT_LT(unreadable, 20);
}

TEST(MarkupCostTest, TheSampleSiteIsAffordable) {
  std::ifstream file(SCRIVANE_SOURCE_DIR "/examples/site/index.html", std::ios::binary);
  const std::string page((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(page.empty());
  EXPECT_FALSE(FindMarkupExcess(page).has_value());
}

}  // namespace
