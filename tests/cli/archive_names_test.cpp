#include <gtest/gtest.h>

#include "archive/mime_reader.h"
#include "cli/page_urls.h"
#include "cli/part_file_names.h"

namespace {

std::string NameOf(std::string location, std::string type = "image/gif", std::string contentId = "") {
  MimePart part;
  part.number = 7;
  part.type = std::move(type);
  part.location = std::move(location);
  part.contentId = std::move(contentId);
  return PartFileName(part, "file:///site/");
}

TEST(ArchiveNamesTest, NamesStayBelowTheFolderAndOpenAsWhatTheyAre) {
  EXPECT_EQ(NameOf("file:///site/images/a.gif"), "images/a.gif");
  EXPECT_EQ(NameOf("file:///site/my%20pic.gif?v=2#x"), "my pic.gif");
  EXPECT_EQ(NameOf("file:///site/../../up.gif"), "up.gif");
  EXPECT_EQ(NameOf("file:///site/%2e%2e/%2E%2E/a%2Fb%5Cc%0A.gif"), "a_b_c_.gif");
  EXPECT_EQ(NameOf("http://host:80/./x//y.png", "image/png"), "_external/host:80/x/y.png");
  EXPECT_EQ(NameOf("file:///etc/passwd", "text/plain"), "_external/etc/passwd.txt");
  EXPECT_EQ(NameOf("/abs/path"), "part-7.gif");
  EXPECT_EQ(NameOf("", "text/css", "a/../b@x"), "a_.._b@x.css");
  EXPECT_EQ(NameOf("cid:css-1@mhtml.blink", "text/css"), "css-1@mhtml.blink.css");
  EXPECT_EQ(NameOf("http://host/page.php?id=1", "text/html"), "_external/host/page.php.html");
  EXPECT_EQ(NameOf("file:///site/" + std::string(400, 'n') + ".gif").size(), 223u);
  EXPECT_EQ(NumberedName("css/a.b/style.css", 2), "css/a.b/style-2.css");
  EXPECT_EQ(NumberedName("css.d/readme", 3), "css.d/readme-3");
  EXPECT_EQ(FlatName("a/b/c.gif"), "a_b_c.gif");
}

TEST(ArchiveNamesTest, ReferencesResolveAsABrowserResolvesThem) {
  const std::string base = "file:///site/css/style.css?q#f";
  EXPECT_EQ(ResolveUrl(base, "../images/a.gif#top"), "file:///site/images/a.gif");
  EXPECT_EQ(ResolveUrl(base, "/root.gif"), "file:///root.gif");
  EXPECT_EQ(ResolveUrl(base, "?v=1"), "file:///site/css/style.css?v=1");
  EXPECT_EQ(ResolveUrl(base, "../../../../x.gif"), "file:///x.gif");
  EXPECT_EQ(ResolveUrl("http://h/a/b", "//other/c"), "http://other/c");
  EXPECT_EQ(ResolveUrl(base, "cid:X@y"), "cid:X@y");
  EXPECT_EQ(ResolveUrl(base, "#only"), "");
  EXPECT_EQ(ResolveUrl("cid:css@x", "a.gif"), "");
}

TEST(ArchiveNamesTest, PageUrlsAreFoundAndRewrittenInTheirPlaces) {
  const std::string page =
      "<!-- <img src=no.gif> --><link rel=\"icon stylesheet\" href='a.css'><a href=\"page.html\">"
      "<img SRC=b&amp;c.gif srcset=\"d.gif 1x, e.gif 2x\" style=\"background:url(f.gif)\">"
      "<script>var s = '<img src=no2.gif>';</script><style>p { background: url(g.gif) }</style>";
  std::vector<std::string> found;
  for (const PageUrl& url : FindPageUrls(page, PageKind::kHtml)) found.push_back(url.url + (url.embedded ? "+" : "-"));
  EXPECT_EQ(found,
            (std::vector<std::string>{"a.css+", "page.html-", "b&c.gif+", "d.gif+", "e.gif+", "f.gif+", "g.gif+"}));
  const std::string rewritten =
      RewritePageUrls(page, PageKind::kHtml, [](const PageUrl& url) -> std::optional<std::string> {
        if (url.url == "page.html") return std::nullopt;
        return "x/" + url.url + "\"'";
      });
  EXPECT_EQ(rewritten,
            "<!-- <img src=no.gif> --><link rel=\"icon stylesheet\" href='x/a.css&quot;&#39;'><a href=\"page.html\">"
            "<img SRC=\"x/b&amp;c.gif&quot;'\" srcset=\"x/d.gif&quot;' 1x, x/e.gif&quot;' 2x\" "
            "style=\"background:url(&quot;x/f.gif\\&quot;'&quot;)\">"
            "<script>var s = '<img src=no2.gif>';</script><style>p { background: url(\"x/g.gif\\\"'\") }</style>");
}

}  // namespace
