#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "engine/css_tokenizer.h"

namespace {

const char* TypeName(CssTokenType type) {
  switch (type) {
    case CssTokenType::Whitespace: return "Ws";
    case CssTokenType::Comment: return "Comment";
    case CssTokenType::String: return "String";
    case CssTokenType::BadString: return "BadString";
    case CssTokenType::Url: return "Url";
    case CssTokenType::BadUrl: return "BadUrl";
    case CssTokenType::Function: return "Function";
    case CssTokenType::AtKeyword: return "At";
    case CssTokenType::Ident: return "Ident";
    case CssTokenType::Hash: return "Hash";
    case CssTokenType::Number: return "Number";
    case CssTokenType::Percentage: return "Percentage";
    case CssTokenType::Dimension: return "Dimension";
    case CssTokenType::Delim: return "Delim";
    case CssTokenType::Cdo: return "Cdo";
    case CssTokenType::Cdc: return "Cdc";
    case CssTokenType::Colon: return "Colon";
    case CssTokenType::Semicolon: return "Semicolon";
    case CssTokenType::Comma: return "Comma";
    case CssTokenType::LeftBracket: return "[";
    case CssTokenType::RightBracket: return "]";
    case CssTokenType::LeftParen: return "(";
    case CssTokenType::RightParen: return ")";
    case CssTokenType::LeftBrace: return "{";
    case CssTokenType::RightBrace: return "}";
    case CssTokenType::End: return "End";
  }
  return "?";
}

std::string Visible(std::string_view text) {
  std::string shown;
  for (const char c : text) {
    if (c == '\n') {
      shown += "\\n";
    } else if (c == '\r') {
      shown += "\\r";
    } else if (c == '\f') {
      shown += "\\f";
    } else if (c == '\0') {
      shown += "\\0";
    } else {
      shown += c;
    }
  }
  return shown;
}

// Each token as Type[its bytes], followed by =value when it has one, so one
// string states the types, the exact spans and the decoded values. Checks on
// the way that the tokens cover the text without gap or overlap.
std::string Tokens(std::string_view text) {
  CssTokenizer tokenizer(text);
  std::string rendered;
  std::size_t expectedBegin = 0;
  for (;;) {
    const CssToken& token = tokenizer.Next();
    EXPECT_EQ(token.begin, expectedBegin) << Visible(text);
    if (token.type == CssTokenType::End) break;
    EXPECT_LT(token.begin, token.end) << Visible(text);
    if (!rendered.empty()) rendered += ' ';
    rendered +=
        std::string(TypeName(token.type)) + "[" + Visible(text.substr(token.begin, token.end - token.begin)) + "]";
    if (!token.value.empty()) rendered += "=" + Visible(token.value);
    expectedBegin = token.end;
  }
  EXPECT_EQ(expectedBegin, text.size());
  return rendered;
}

struct TokenCase {
  std::string_view text;
  const char* tokens;
};

class CssTokenizerCases : public testing::TestWithParam<TokenCase> {};

TEST_P(CssTokenizerCases, TypesSpansAndValues) {
  EXPECT_EQ(Tokens(GetParam().text), GetParam().tokens) << Visible(GetParam().text);
}

using namespace std::string_view_literals;

INSTANTIATE_TEST_SUITE_P(
    CommentsAndStrings, CssTokenizerCases,
    testing::Values(
        TokenCase{"a/* url(x) */b", "Ident[a]=a Comment[/* url(x) */] Ident[b]=b"},
        TokenCase{"/* url(x) open", "Comment[/* url(x) open]"}, TokenCase{"/*/ x", "Comment[/*/ x]"},
        TokenCase{"/**/", "Comment[/**/]"}, TokenCase{"/ *", "Delim[/] Ws[ ] Delim[*]"},
        TokenCase{R"~("a\"b")~", R"~(String["a\"b"]=a"b)~"}, TokenCase{R"~('a"b')~", R"~(String['a"b']=a"b)~"},
        TokenCase{R"~("url(x)")~", R"~(String["url(x)"]=url(x))~"},
        TokenCase{R"~("open url(x))~", R"~(String["open url(x)]=open url(x))~"}, TokenCase{R"~(")~", R"~(String["])~"},
        TokenCase{"\"ab\ncd\"", R"~(BadString["ab] Ws[\n] Ident[cd]=cd String["])~"},
        TokenCase{"'a\r\nb'", R"~(BadString['a] Ws[\r\n] Ident[b]=b String['])~"},
        TokenCase{"\"a\\\nb\"", R"~(String["a\\nb"]=ab)~"}, TokenCase{"\"a\\\r\nb\"", R"~(String["a\\r\nb"]=ab)~"},
        TokenCase{"\"a\\\fb\"", R"~(String["a\\fb"]=ab)~"},
        TokenCase{R"~("a\)"; "a\")~", R"~(String["a\)"]=a) Semicolon[;] Ws[ ] String["a\"]=a")~"},
        TokenCase{R"~("a\)~", R"~(String["a\]=a)~"}, TokenCase{R"~("\41 B\42")~", R"~(String["\41 B\42"]=ABB)~"},
        TokenCase{"\"\\d\r\nx\"", R"~(String["\d\r\nx"]=\rx)~"},
        TokenCase{"\"a\0b\""sv,
                  "String[\"a\\0b\"]=a\xEF\xBF\xBD"
                  "b"}));

INSTANTIATE_TEST_SUITE_P(
    Urls, CssTokenizerCases,
    testing::Values(TokenCase{"url(a.png)", "Url[url(a.png)]=a.png"},
                    TokenCase{"url(  a.png \t)", "Url[url(  a.png \t)]=a.png"},
                    TokenCase{"URL(a.png)", "Url[URL(a.png)]=a.png"},
                    TokenCase{R"~(\75 rl(a.png))~", R"~(Url[\75 rl(a.png)]=a.png)~"},
                    TokenCase{R"~(u\rl(a.png))~", R"~(Url[u\rl(a.png)]=a.png)~"},
                    TokenCase{R"~(url(a\)b.png))~", R"~(Url[url(a\)b.png)]=a)b.png)~"},
                    TokenCase{R"~(url(a\ b))~", R"~(Url[url(a\ b)]=a b)~"},
                    TokenCase{"url(a.png", "Url[url(a.png]=a.png"}, TokenCase{"url(a.png  ", "Url[url(a.png  ]=a.png"},
                    TokenCase{"url(", "Url[url(]"}, TokenCase{"url()", "Url[url()]"},
                    TokenCase{"url(\\", "Url[url(\\]=\xEF\xBF\xBD"},
                    TokenCase{"url(a b) x", "BadUrl[url(a b)] Ws[ ] Ident[x]=x"},
                    TokenCase{R"~(url(a b\)c) x)~", R"~(BadUrl[url(a b\)c)] Ws[ ] Ident[x]=x)~"},
                    TokenCase{R"~(url(a"b) x)~", R"~(BadUrl[url(a"b)] Ws[ ] Ident[x]=x)~"},
                    TokenCase{"url(a(b) x", "BadUrl[url(a(b)] Ws[ ] Ident[x]=x"},
                    TokenCase{"url(a\x01"
                              "b)",
                              "BadUrl[url(a\x01"
                              "b)]"},
                    TokenCase{"url(a\\\nb)", R"~(BadUrl[url(a\\nb)])~"}, TokenCase{"url(a b", "BadUrl[url(a b]"},
                    TokenCase{"url(\0)"sv, "Url[url(\\0)]=\xEF\xBF\xBD"},
                    TokenCase{R"~(url("a.png"))~", R"~(Function[url(]=url String["a.png"]=a.png )[)])~"},
                    TokenCase{"url( 'a.png' )", "Function[url(]=url Ws[ ] String['a.png']=a.png Ws[ ] )[)]"},
                    TokenCase{"url(   \"a\")", "Function[url(  ]=url Ws[ ] String[\"a\"]=a )[)]"},
                    TokenCase{"url( /**/'a')", "BadUrl[url( /**/'a')]"},
                    TokenCase{"urlx(a)", "Function[urlx(]=urlx Ident[a]=a )[)]"},
                    TokenCase{"url (a)", "Ident[url]=url Ws[ ] ([(] Ident[a]=a )[)]"},
                    TokenCase{"10url(a)", "Dimension[10url]=url ([(] Ident[a]=a )[)]"},
                    TokenCase{"#url(a)", "Hash[#url]=url ([(] Ident[a]=a )[)]"},
                    TokenCase{"-url(a)", "Function[-url(]=-url Ident[a]=a )[)]"},
                    TokenCase{"@url(a)", "At[@url]=url ([(] Ident[a]=a )[)]"}));

INSTANTIATE_TEST_SUITE_P(
    IdentsNumbersAndDelims, CssTokenizerCases,
    testing::Values(
        TokenCase{R"~(\41 B)~", R"~(Ident[\41 B]=AB)~"},
        TokenCase{R"~(\41  B)~", R"~(Ident[\41 ]=A Ws[ ] Ident[B]=B)~"},
        TokenCase{"\\41\r\nB", R"~(Ident[\41\r\nB]=AB)~"}, TokenCase{"\\110000", "Ident[\\110000]=\xEF\xBF\xBD"},
        TokenCase{"\\D800", "Ident[\\D800]=\xEF\xBF\xBD"}, TokenCase{"\\0", "Ident[\\0]=\xEF\xBF\xBD"},
        TokenCase{"\\1234567",
                  "Ident[\\1234567]=\xEF\xBF\xBD"
                  "7"},
        TokenCase{"\\01F600x", "Ident[\\01F600x]=\xF0\x9F\x98\x80x"}, TokenCase{"a\\", "Ident[a\\]=a\xEF\xBF\xBD"},
        TokenCase{"\\\nx", R"~(Delim[\] Ws[\n] Ident[x]=x)~"},
        TokenCase{"a\0b"sv,
                  "Ident[a\\0b]=a\xEF\xBF\xBD"
                  "b"},
        TokenCase{"\xC3\xA9t\xC3\xA9(", "Function[\xC3\xA9t\xC3\xA9(]=\xC3\xA9t\xC3\xA9"},
        TokenCase{"--x -x -1 -", "Ident[--x]=--x Ws[ ] Ident[-x]=-x Ws[ ] Number[-1] Ws[ ] Delim[-]"},
        TokenCase{"-\\31 x", R"~(Ident[-\31 x]=-1x)~"},
        TokenCase{"1e3 +.5 -.5e-2% 1e 1.",
                  "Number[1e3] Ws[ ] Number[+.5] Ws[ ] Percentage[-.5e-2%] Ws[ ] "
                  "Dimension[1e]=e Ws[ ] Number[1] Delim[.]"},
        TokenCase{"1e+x 2E-3px", "Dimension[1e]=e Delim[+] Ident[x]=x Ws[ ] Dimension[2E-3px]=px"},
        TokenCase{"#-a #1 # #\\", "Hash[#-a]=-a Ws[ ] Hash[#1]=1 Ws[ ] Delim[#] Ws[ ] Hash[#\\]=\xEF\xBF\xBD"},
        TokenCase{"@import @-x @1 @--",
                  "At[@import]=import Ws[ ] At[@-x]=-x Ws[ ] Delim[@] Number[1] Ws[ ] At[@--]=--"},
        TokenCase{"<!-- --> <!- --", "Cdo[<!--] Ws[ ] Cdc[-->] Ws[ ] Delim[<] Delim[!] Delim[-] Ws[ ] Ident[--]=--"},
        TokenCase{":;,[]{}()", "Colon[:] Semicolon[;] Comma[,] [[[] ][]] {[{] }[}] ([(] )[)]"},
        TokenCase{" \t\r\n\f x", "Ws[ \t\\r\\n\\f ] Ident[x]=x"}, TokenCase{"a!$", "Ident[a]=a Delim[!] Delim[$]"},
        TokenCase{"", ""}));

TEST(CssTokenizerTest, EndRepeatsAtTheEndOfTheText) {
  CssTokenizer tokenizer("a");
  EXPECT_EQ(tokenizer.Next().type, CssTokenType::Ident);
  for (int i = 0; i < 2; ++i) {
    const CssToken& end = tokenizer.Next();
    EXPECT_EQ(end.type, CssTokenType::End);
    EXPECT_EQ(end.begin, 1U);
    EXPECT_EQ(end.end, 1U);
  }
}

}  // namespace
