// References read as a browser reads them: the archive must hold the files
// the browser would load for the page, and nothing it would not.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "archive/mime_archive.h"
#include "base/path_text.h"
#include "converter_test_support.h"
#include "engine/html_document.h"
#include "engine/reference_rules.h"
#include "tests/support/current_folder.h"

namespace {

namespace fs = std::filesystem;
using Files = std::set<ResourceEntry>;

class ReferenceReadingTest : public ::testing::Test, public ConverterFixture {
 protected:
  std::string In(const std::string& relative) const { return folder / relative; }

  // Loads the page, finds its resources and gives its markup.
  std::string Discover(const std::string& name, const std::string& html) {
    fs::create_directories(fs::path(In(name)).parent_path());
    EXPECT_TRUE(converter.LoadDocument(Page(name, html)));
    EXPECT_TRUE(converter.DiscoverResources());
    return converter.Document()->PageMarkup();
  }

  std::string Convert(const std::string& name, const std::string& html) {
    std::ostringstream out;
    CMimeArchive archive(47);
    converter.Convert(Page(name, html), archive, out);
    return WithLineFeeds(out.str());
  }

  static std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
  }
};

TEST(AttributeReferenceTest, ReadsValuesAsBrowsersDo) {
  const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
      {" a.gif ", "a.gif"},
      {"\n\t img/\tb\n.gif\r\n", "img/b.gif"},
      {"about:blankimg/a.gif", "img/a.gif"},
      {"ABOUT:BLANK./a.gif", "./a.gif"},
      {"about:blank", std::nullopt},
      {" about:blank ", std::nullopt},
      {"about:blank#top", std::nullopt},
      {"about:blank?x", std::nullopt},
      {"", std::nullopt},
      {" \t\n", std::nullopt},
      {"#top", std::nullopt},
      {" #", std::nullopt},
      {"page.html#top", "page.html#top"},
  };
  for (const auto& [value, expected] : cases) EXPECT_EQ(AttributeReference(value), expected) << "[" << value << "]";
}

TEST(AttributeReferenceTest, RelativeMeansWithoutScheme) {
  for (const char* relative : {"a.gif", "/abs/a.gif", "../a.gif", " img/a.gif", "#x", "", "//host/a.gif"}) {
    EXPECT_TRUE(IsRelativeReference(relative)) << relative;
  }
  for (const char* absolute : {"file:///a.gif", "http://x/a.gif", "C:/a.gif", " data:,x"}) {
    EXPECT_FALSE(IsRelativeReference(absolute)) << absolute;
  }
}

TEST_F(ReferenceReadingTest, BlanksAroundAndLineBreaksInsideAreIgnored) {
  const std::string markup = Discover("index.html", "<img src=\" a.gif \"><img src=\"im\tg/\nb.gif\">");
  EXPECT_EQ(converter.Resources(), Files({{"a.gif", In("a.gif")}, {"img/b.gif", In("img/b.gif")}}));
  EXPECT_THAT(markup, ::testing::HasSubstr("<img src=\"file://" + In("a.gif") + "\"><img src=\"file://" +
                                           In("img/b.gif") + "\">"));
}

TEST_F(ReferenceReadingTest, ValuesNamingNoFileStayAsWritten) {
  converter.AddResourceTag("a", "href");
  const std::string body =
      "<img src=\"about:blank\"><img src=\"\"><img src=\" \"><img src=\"about:blank#x\">"
      "<a href=\"#top\">top</a><a href=\"?page=2\">next</a>";
  const std::string markup = Discover("index.html", "<body>" + body + "</body>");
  EXPECT_THAT(converter.Resources(), ::testing::IsEmpty());
  EXPECT_THAT(markup, ::testing::HasSubstr("<body>" + body + "</body>"));
}

TEST_F(ReferenceReadingTest, RelativeBaseIsCompletedAgainstThePagesFolder) {
  fs::create_directories(In("site/assets"));
  fs::create_directories(In("elsewhere/assets"));
  const CurrentFolderGuard restore;
  fs::current_path(In("elsewhere"));
  Discover("site/pages/index.html", "<base href=\"../assets/\"><img src=\"a.gif\"><script>x.src='p.gif'</script>");
  EXPECT_EQ(converter.BaseFolder(), In("site/assets"));
  EXPECT_EQ(converter.Resources(), Files({{"a.gif", In("site/assets/a.gif")}, {"p.gif", In("site/assets/p.gif")}}));
}

TEST_F(ReferenceReadingTest, RemoteBaseKeepsRelativeReferencesRemote) {
  PutFile(In("a.gif"), "GIF89a");
  const std::string local = "file://" + In("local.gif");
  const std::string body = "<img src=\"a.gif\"><img src=\"" + folder.Path().string() + "/a.gif\"><img src=\"" + local +
                           "\"><script>x.src='p.gif'</script>";
  const std::string markup = Discover("index.html", "<base href=\"http://example.com/docs/\">" + body);
  EXPECT_EQ(converter.Resources(), Files({{NormalizeReference(local), In("local.gif")}}))
      << "only a reference with the file scheme leaves the server";
  EXPECT_THAT(markup, ::testing::HasSubstr("<img src=\"a.gif\"><img src=\"" + folder.Path().string() + "/a.gif\">"));
}

TEST_F(ReferenceReadingTest, PathsDifferingInCaseAreTwoFiles) {
  PutFile(In("A.gif"), "GIF89a-upper");
  PutFile(In("a.gif"), "GIF89a-lower");
  PutFile(In("Logo.gif"), "GIF89a-logo");
  const std::string archive =
      Convert("index.html", "<img src=\"a.gif\"><img src=\"A.gif\"><img src=\"Logo.gif\"><img src=\"LOGO.GIF\">");
  EXPECT_EQ(converter.Resources(), Files({{"a.gif", In("A.gif")},
                                          {"a.gif", In("a.gif")},
                                          {"logo.gif", In("LOGO.GIF")},
                                          {"logo.gif", In("Logo.gif")}}));
  for (const char* name : {"A.gif", "a.gif", "Logo.gif"}) {
    EXPECT_EQ(Count(archive, "Content-Location: file://" + In(name) + "\n"), 1u) << name;
  }
  const std::vector<std::string> lines = LogLines();
  const std::vector<std::string> parts(lines.end() - 6, lines.end() - 2);
  EXPECT_THAT(parts, ::testing::ElementsAre("[INFO]\t\tAdd resource body part: " + In("A.gif"),
                                            "[INFO]\t\tAdd resource body part: " + In("a.gif"),
                                            "[WARNING]\tFailed to add resource body part: " + In("LOGO.GIF"),
                                            "[INFO]\t\tAdd resource body part: " + In("Logo.gif")))
      << "the wrong-case reference to a missing file leaves the right one its part";
}

// A <link> the page loads is taken; one that leads to another page (the
// chapters of a manual, its translations) stays as written.
TEST_F(ReferenceReadingTest, LinksAreTakenOnlyForWhatThePageLoads) {
  const std::string markup =
      Discover("index.html",
               "<link rel=\"Stylesheet Alternate\" href=\"s.css\"><link rel=\"shortcut\ticon\" href=\"i.ico\">"
               "<link rel=preload href=p.js><link rel=modulepreload href=m.js><link rel=manifest href=a.json>"
               "<link rel=\"next\" href=\"b.html\"><link rel=\"Chapter\" href=\"c.html\"><link rel=\"canonical\" "
               "href=\"d.html\">"
               "<link rel=\"preloaded\" href=\"e.html\"><link href=\"f.html\">");
  EXPECT_EQ(converter.Resources(), Files({{"a.json", In("a.json")},
                                          {"i.ico", In("i.ico")},
                                          {"m.js", In("m.js")},
                                          {"p.js", In("p.js")},
                                          {"s.css", In("s.css")}}));
  for (const char* page : {"b.html", "c.html", "d.html", "e.html", "f.html"}) {
    EXPECT_THAT(markup, ::testing::HasSubstr(std::string("href=\"") + page + "\""));
  }
}

TEST_F(ReferenceReadingTest, ReferenceToThePageItselfMeansTheMainPart) {
  for (const LinkStyle style : {LinkStyle::File, LinkStyle::Cid}) {
    converter.SetLinkStyle(style);
    const std::string page = In("index.html");
    const std::string archive = Convert("index.html",
                                        "<link rel=\"icon\" href=\"index.html\"><link rel=\"preload\" href=\"./"
                                        "index.html#top\"><script>x.src='index.html'</script>");
    EXPECT_THAT(converter.Resources(), ::testing::IsEmpty());
    EXPECT_EQ(Count(archive, "Content-Location: file://" + page + "\n"), 1u);
    EXPECT_EQ(Count(converter.Document()->PageMarkup(), "href=\"file://" + page + "\""), 2u);
  }
}

}  // namespace
