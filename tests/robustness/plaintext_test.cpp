// Found by the HtmlDocument fuzzer: after a plaintext element the serializer
// still wrote start tags (the implied body) and escaped text fostered out of a
// table. A parser reads all of that as the plaintext's text, so every round
// of archiving added another "<body>" and "&lt;" to the page.
#include <gtest/gtest.h>

#include <string>

#include "engine/html_document.h"

namespace {

std::string Serialize(const std::string& page) {
  HtmlDocument document;
  document.Load(page);
  return document.PageMarkup();
}

struct PlaintextCase {
  const char* name;
  std::string page;
  std::string archived;
};

void PrintTo(const PlaintextCase& testCase, std::ostream* out) { *out << testCase.name; }

class PlaintextTest : public ::testing::TestWithParam<PlaintextCase> {};

TEST_P(PlaintextTest, ArchivedPageReadsBackAsItself) {
  const std::string archived = Serialize(GetParam().page);
  EXPECT_EQ(archived, GetParam().archived);
  EXPECT_EQ(Serialize(archived), archived);
}

INSTANTIATE_TEST_SUITE_P(Pages, PlaintextTest,
                         ::testing::Values(PlaintextCase{"InBody", "<p>a<plaintext>b</p><i>&amp;",
                                                         "<html><head></head><body><p>a</p><plaintext>b</p><i>&amp;"},
                                           PlaintextCase{"InHeadTemplate", "<template><plaintext>x<y>&amp;",
                                                         "<html><head><template><plaintext>x<y>&amp;"},
                                           PlaintextCase{"FosteredOutOfTable", "<table><plaintext>a<b>&amp;",
                                                         "<html><head></head><body><plaintext>a<b>&amp;"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PlaintextTest, ImpliedBodyAfterItKeepsNoEditedAttributes) {
  HtmlDocument document;
  document.Load("<template><plaintext>x");
  const std::vector<HtmlElement> bodies = document.ElementsByTagName("body");
  ASSERT_EQ(bodies.size(), 1u);
  document.SetAttribute(bodies.front(), "background", "file:///tmp/bg.gif");
  const std::string archived = document.OuterHtml(document.DocumentElement());
  EXPECT_EQ(archived, "<html><head><template><plaintext>x");
  EXPECT_EQ(Serialize(archived), archived);
}

}  // namespace
