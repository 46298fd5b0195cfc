#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/svg_references.h"

namespace {

// Every reference becomes "N:" + its URL, N counting from 0; the URLs asked
// for are kept in order.
struct Rewrite {
  std::vector<std::string> asked;
  std::string operator()(const std::string& svg) {
    return RewriteSvgReferences(svg, [this](const std::string& url, SvgReferenceKind, const CssReference*) {
      asked.push_back(url);
      return std::optional<std::string>(std::to_string(asked.size() - 1) + ":" + url);
    });
  }
};

TEST(SvgReferencesTest, HrefsOfLoadingElementsAndStylesheetUrls) {
  Rewrite rewrite;
  EXPECT_EQ(rewrite("<svg><image xlink:href=\"a&amp;b.png\"/><use href='i.svg#x'/><a href=\"p.html\"/>"
                    "<feImage href=\"f.png\"/><g style=\"fill: url(&quot;t.png&quot;)\"/>"
                    "<style>g { fill: url(s.png) }</style></svg>"),
            "<svg><image xlink:href=\"0:a&amp;b.png\"/><use href='1:i.svg#x'/><a href=\"p.html\"/>"
            "<feImage href=\"2:f.png\"/><g style=\"fill: url(&quot;3:t.png&quot;)\"/>"
            "<style>g { fill: url(\"4:s.png\") }</style></svg>");
  EXPECT_EQ(rewrite.asked, (std::vector<std::string>{"a&b.png", "i.svg#x", "f.png", "t.png", "s.png"}));
}

// What the file's doctype may define, and what is no well-formed attribute,
// stays as written; so do comments.
TEST(SvgReferencesTest, WhatCannotBeReadSafelyStaysAsWritten) {
  Rewrite rewrite;
  const std::string svg =
      "<svg><image href=\"&logo;.png\"/><use href=u.svg/><!-- <image href=\"c.png\"/> -->"
      "<style>g { fill: url(a&amp;b.png) }</style></svg>";
  EXPECT_EQ(rewrite(svg), svg);
  EXPECT_TRUE(rewrite.asked.empty());
}

}  // namespace
