#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "engine/css_references.h"

namespace {

// Each reference as kind:url@bytes, the bytes being the span a replacement takes.
std::string Found(std::string_view text, CssSource source = CssSource::Stylesheet) {
  std::string rendered;
  for (const CssReference& reference : FindCssReferences(text, source)) {
    if (!rendered.empty()) rendered += ' ';
    rendered += reference.kind == CssReferenceKind::Import ? "import:" : "other:";
    rendered += reference.url + "@" + std::string(text.substr(reference.begin, reference.end - reference.begin));
    const bool token = reference.form == CssReferenceForm::UrlToken;
    EXPECT_EQ(token, text.substr(reference.begin, 1) != "\"" && text.substr(reference.begin, 1) != "'") << text;
  }
  return rendered;
}

struct FindCase {
  std::string_view text;
  const char* references;
};

class CssReferenceCases : public testing::TestWithParam<FindCase> {};

TEST_P(CssReferenceCases, FoundWithKindAndSpan) { EXPECT_EQ(Found(GetParam().text), GetParam().references); }

INSTANTIATE_TEST_SUITE_P(
    UrlForms, CssReferenceCases,
    testing::Values(FindCase{"a{background:url(img/a.png)}", "other:img/a.png@url(img/a.png)"},
                    FindCase{"a{b:url(\"q.png\")}", "other:q.png@\"q.png\""},
                    FindCase{"a{b:url( 'q.png' ) no-repeat}", "other:q.png@'q.png'"},
                    FindCase{"a{b:URL(q.png)}", "other:q.png@URL(q.png)"},
                    FindCase{R"~(a{b:\75 rl(q.png)})~", R"~(other:q.png@\75 rl(q.png))~"},
                    FindCase{R"~(a{b:url(a\)b\ c.png)})~", R"~(other:a)b c.png@url(a\)b\ c.png))~"},
                    FindCase{R"~(a{b:url("a\"b\\c.png")})~", R"~(other:a"b\c.png@"a\"b\\c.png")~"},
                    FindCase{"a{b:url(  spaced.png  )}", "other:spaced.png@url(  spaced.png  )"},
                    FindCase{"a{b:url(data:image/png;base64,AAA=)}",
                             "other:data:image/png;base64,AAA=@url(data:image/png;base64,AAA=)"},
                    FindCase{"a{b:url(open.png", "other:open.png@url(open.png"},
                    FindCase{"a{b:url('open.png", "other:open.png@'open.png"},
                    FindCase{"a{b:url(x.png)}c{d:url(y.png)}", "other:x.png@url(x.png) other:y.png@url(y.png)"},
                    FindCase{"a{mask:linear-gradient(red,blue),url(m.svg#x)}", "other:m.svg#x@url(m.svg#x)"},
                    FindCase{"a{b:url(\"a.png\" \"b.png\")}", "other:a.png@\"a.png\""}));

INSTANTIATE_TEST_SUITE_P(NotUrls, CssReferenceCases,
                         testing::Values(FindCase{"/* url(no.png) */a{b:url(yes.png)}", "other:yes.png@url(yes.png)"},
                                         FindCase{"a{content:\"url(no.png)\"}", ""},
                                         FindCase{"a{content:'a' url(yes.png)}", "other:yes.png@url(yes.png)"},
                                         FindCase{"a{b:url(a b.png)}", ""}, FindCase{"a{b:url(a\"b.png)}", ""},
                                         FindCase{"a{b:url(\"bad\nc:url(after.png)}", "other:after.png@url(after.png)"},
                                         FindCase{"a{b:url()}", ""}, FindCase{"a{b:url(\"\")}", ""},
                                         FindCase{"@import '';", ""}, FindCase{"a{b:10url(x.png)}", ""},
                                         FindCase{"a{b:#url(x.png)}", ""}, FindCase{"a{b:url (x.png)}", ""},
                                         FindCase{"a{b:src(\"x.png\")}", ""},
                                         FindCase{"/* open comment url(x.png)", ""},
                                         FindCase{"a{b:\"open string url(x.png)", ""}));

INSTANTIATE_TEST_SUITE_P(
    Imports, CssReferenceCases,
    testing::Values(FindCase{"@import \"theme.css\";", "import:theme.css@\"theme.css\""},
                    FindCase{"@import url(theme.css) screen;", "import:theme.css@url(theme.css)"},
                    FindCase{"@import url( 'theme.css' ) layer(base) supports(display: grid);",
                             "import:theme.css@'theme.css'"},
                    FindCase{"@IMPORT 'a.css';@import\"b.css\";", "import:a.css@'a.css' import:b.css@\"b.css\""},
                    FindCase{"@charset \"utf-8\";\n@import \"a.css\";", "import:a.css@\"a.css\""},
                    FindCase{"<!-- @import \"a.css\"; -->", "import:a.css@\"a.css\""},
                    FindCase{"@import \"a.css\" url(x.png);", "import:a.css@\"a.css\" other:x.png@url(x.png)"},
                    FindCase{"@import foo \"a.css\";", ""},
                    FindCase{"@import \"open.css", "import:open.css@\"open.css"},
                    FindCase{"\xEF\xBB\xBF@import \"bom.css\";", "import:bom.css@\"bom.css\""},
                    FindCase{"a; @import \"eaten.css\"; b{}", ""},
                    FindCase{"@media print{@import \"nested.css\";a{b:url(p.png)}}", "other:p.png@url(p.png)"},
                    FindCase{"@namespace svg url(http://www.w3.org/2000/svg); @namespace url(local); a{b:url(x.png)}",
                             "other:x.png@url(x.png)"},
                    FindCase{"@font-face{font-family:F;src:url(f.woff2) format(\"woff2\"), local(\"F\"), url('f.ttf')}",
                             "other:f.woff2@url(f.woff2) other:f.ttf@'f.ttf'"}));

INSTANTIATE_TEST_SUITE_P(
    ImageSets, CssReferenceCases,
    testing::Values(
        FindCase{"a{b:image-set(\"a.png\" 1x, url(b.png) 2x, 'c.png' type(\"image/png\") 3x)}",
                 "other:a.png@\"a.png\" other:b.png@url(b.png) other:c.png@'c.png'"},
        FindCase{"a{b:-webkit-image-set(\"a.png\" 1x, \"b.png\" 2x)}", "other:a.png@\"a.png\" other:b.png@\"b.png\""},
        FindCase{"a{b:IMAGE-SET('a.png' 1dppx)}", "other:a.png@'a.png'"},
        FindCase{"a{b:image-set(fn(\"no.png\") 1x, (\"no.png\") 2x)}", ""},
        FindCase{"a{b:image-set(\"a.png\" 1x) \"no.png\"}", "other:a.png@\"a.png\""},
        FindCase{"a{b:image-set(\"a.png\" 1x ] \"b.png\" 2x)}", "other:a.png@\"a.png\" other:b.png@\"b.png\""}));

TEST(CssReferencesTest, StyleAttributeHasNoRules) {
  EXPECT_EQ(Found("background: url(a.png); @import 'no.css'", CssSource::StyleAttribute), "other:a.png@url(a.png)");
  EXPECT_EQ(Found("@namespace url(x.png)", CssSource::StyleAttribute), "other:x.png@url(x.png)");
}

// Replaces every URL that does not begin with "keep" by "new/" + the URL.
std::string Rewritten(std::string_view text) {
  return RewriteCssReferences(text, [](const CssReference& reference) -> std::optional<std::string> {
    if (reference.url.starts_with("keep") || reference.url.starts_with("data:")) return std::nullopt;
    return "new/" + reference.url;
  });
}

struct RewriteCase {
  std::string_view text;
  std::string_view rewritten;
};

class CssRewriteCases : public testing::TestWithParam<RewriteCase> {};

TEST_P(CssRewriteCases, OnlyTheUrlChanges) { EXPECT_EQ(Rewritten(GetParam().text), GetParam().rewritten); }

INSTANTIATE_TEST_SUITE_P(
    Stylesheets, CssRewriteCases,
    testing::Values(RewriteCase{"a{b:url(a.png)}", "a{b:url(\"new/a.png\")}"},
                    RewriteCase{"a { b : url( 'a.png' )  }", "a { b : url( \"new/a.png\" )  }"},
                    RewriteCase{R"~(a{b:\75 rl(a\)b.png)})~", R"~(a{b:url("new/a)b.png")})~"},
                    RewriteCase{"a{b:url(a.png", "a{b:url(\"new/a.png\")"},
                    RewriteCase{"/* url(a.png) */ a{b:url(keep.png); c:url(data:x,y); d:url(d.png)}",
                                "/* url(a.png) */ a{b:url(keep.png); c:url(data:x,y); d:url(\"new/d.png\")}"},
                    RewriteCase{"@import 'a.css' screen;\r\n@import url(b.css);",
                                "@import \"new/a.css\" screen;\r\n@import url(\"new/b.css\");"},
                    RewriteCase{"a{b:image-set('x.png' 1x,url(y.png) 2x)}",
                                "a{b:image-set(\"new/x.png\" 1x,url(\"new/y.png\") 2x)}"},
                    RewriteCase{"\xEF\xBB\xBF"
                                "a{b:url(a.png)}",
                                "\xEF\xBB\xBF"
                                "a{b:url(\"new/a.png\")}"},
                    RewriteCase{"a{b:url(a b.png)} c{d:\"url(x)\"}", "a{b:url(a b.png)} c{d:\"url(x)\"}"},
                    RewriteCase{"", ""}));

TEST(CssReferencesTest, KeepsEverythingWhenTheCallbackDeclines) {
  const std::string_view text = "@import 'a.css';a{b:url(x.png) image-set(\"y.png\" 1x)}/* end";
  int calls = 0;
  const auto decline = [&calls](const CssReference&) -> std::optional<std::string> {
    ++calls;
    return std::nullopt;
  };
  EXPECT_EQ(RewriteCssReferences(text, decline), text);
  EXPECT_EQ(calls, 3);
}

TEST(CssReferencesTest, ReplacementIsEscapedAndReadsBackExactly) {
  const std::string awkward = "a\"b\\c\nd\r\fe)f'g(h i\tj\x01k\x7Fl\xC3\xA9";
  for (const std::string_view text : {"a{b:url(x.png)}", "a{b:url('x.png')}", "@import 'x.css';"}) {
    const std::string rewritten = RewriteCssReferences(text, [&](const CssReference&) { return awkward; });
    const std::vector<CssReference> found = FindCssReferences(rewritten);
    ASSERT_EQ(found.size(), 1U) << rewritten;
    EXPECT_EQ(found[0].url, awkward) << rewritten;
    EXPECT_EQ(found[0].kind, FindCssReferences(text)[0].kind) << rewritten;
  }
}

TEST(CssReferencesTest, QuotedString) {
  EXPECT_EQ(CssQuotedString("a.png"), "\"a.png\"");
  EXPECT_EQ(CssQuotedString("a\"b\\c"), R"~("a\"b\\c")~");
  EXPECT_EQ(CssQuotedString("\r\n\t\x1F\x7F"
                            "1"),
            "\"\\d \\a \t\\1f \\7f 1\"");
}

}  // namespace
