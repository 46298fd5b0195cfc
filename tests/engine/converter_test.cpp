#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>

#include "archive/mime_archive.h"
#include "base/convert_error.h"
#include "converter_test_support.h"
#include "engine/html_document.h"
#include "tests/support/current_folder.h"

namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::EndsWith;
using ::testing::IsEmpty;
using ::testing::Matcher;
using ::testing::StartsWith;
using Registry = std::map<std::string, std::string>;
using Files = std::set<ResourceEntry>;
using namespace std::string_view_literals;

std::size_t CountOf(const std::string& text, const std::string& piece) {
  std::size_t count = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++count;
  return count;
}

class ConverterTest : public ::testing::Test, public ConverterFixture {
 protected:
  // References resolve against the temporary folder as a page's base.
  void UseFolderAsBase() { converter.SetBaseFolder(folder.Path()); }
  // The program started from the temporary folder.
  void StartInFolder() {
    currentFolder.emplace();
    ASSERT_EQ(chdir(folder.Path().c_str()), 0);
  }
  std::string In(const std::string& relative) const { return folder / relative; }

  std::optional<CurrentFolderGuard> currentFolder;
};

TEST_F(ConverterTest, ConstructorFillsDefaultTables) {
  CConverter fresh;
  EXPECT_EQ(fresh.ResourceTags(), Registry({{"body", "background"}, {"link", "href"}}));
  EXPECT_EQ(
      fresh.ScriptExtensions(),
      Registry({{"htm", "HTML file"}, {"html", "HTML file"}, {"js", "Java Script file"}, {"vbs", "VB Script file"}}));
  EXPECT_NE(fresh.Document(), nullptr);
}

TEST_F(ConverterTest, RegistryKeysAreNormalizedAndValuesAbsolute) {
  UseFolderAsBase();
  EXPECT_EQ(converter.ResolveReference("IMAGES\\Logo.GIF"), In("IMAGES/Logo.GIF"));
  EXPECT_EQ(converter.ResolveReference("img\\\\a.gif"), In("img/a.gif"));
  EXPECT_EQ(converter.ResolveReference("IMAGES\\Logo.GIF"), In("IMAGES/Logo.GIF"));
  EXPECT_EQ(converter.ResolveReference("./x/../b.gif"), In("b.gif"));
  EXPECT_EQ(converter.Resources(), Files({{"./x/../b.gif", In("b.gif")},
                                          {"images\\logo.gif", In("IMAGES/Logo.GIF")},
                                          {"img\\a.gif", In("img/a.gif")}}));
}

TEST_F(ConverterTest, ReferencesBecomeTheFilesABrowserLoads) {
  UseFolderAsBase();
  const std::string absolute = In("pics/a b.gif");
  EXPECT_EQ(converter.ResolveReference("file://" + In("pics/a%20b.gif")), absolute);
  EXPECT_EQ(converter.ResolveReference("pics/a%20b.gif?v=2#top"), absolute);
  EXPECT_EQ(converter.ResolveReference(""), folder.Path().string());
  for (const char* notAFile :
       {"#top", "?page=2", "http://example.com/a.gif", "https://x/a.gif",
        "data:image/gif;base64,R0lGOD==", "javascript:void(0)", "mailto:a@b.c", "//cdn.example.com/a.gif"}) {
    EXPECT_EQ(converter.ResolveReference(notAFile), "") << notAFile;
  }
  EXPECT_EQ(converter.Resources().size(), 3u);
}

TEST_F(ConverterTest, AllowedRootKeepsOutsideFilesOut) {
  UseFolderAsBase();
  std::filesystem::create_directory(In("site"));
  std::filesystem::create_symlink("/etc/passwd", In("site/escape.txt"));
  converter.SetAllowedRoot(In("site"));
  EXPECT_EQ(converter.ResolveReference("site/a.gif"), In("site/a.gif"));
  EXPECT_EQ(converter.ResolveReference("../outside.gif"), "");
  EXPECT_EQ(converter.ResolveReference("site/escape.txt"), "");
  EXPECT_EQ(converter.Resources().size(), 1u);
  const std::string outside = folder.Path().parent_path().string() + "/outside.gif";
  EXPECT_THAT(LogLines(), ElementsAre("[WARNING]\tOutside the allowed folder: " + outside,
                                      "[WARNING]\tOutside the allowed folder: " + In("site/escape.txt")));
}

TEST_F(ConverterTest, AllowedRootTakesNothingWhoseRealPathCannotBeFound) {
  std::filesystem::create_directory(In("site"));
  std::filesystem::create_symlink("loop.gif", In("site/loop.gif"));
  converter.SetAllowedRoot(In("site"));
  converter.SetBaseFolder(In("site"));
  EXPECT_EQ(converter.ResolveReference("loop.gif"), "");
  EXPECT_EQ(converter.ResolveReference("loop.gif/a.gif"), "");
  EXPECT_THAT(converter.Resources(), IsEmpty());
  EXPECT_THAT(LogLines(), ElementsAre("[WARNING]\tOutside the allowed folder: " + In("site/loop.gif"),
                                      "[WARNING]\tOutside the allowed folder: " + In("site/loop.gif/a.gif")));
}

// A file inside the folder when it was checked, swapped for a link to an
// outside file before it is read: the read goes through the folder's
// descriptor, and the kernel refuses the link.
TEST_F(ConverterTest, AllowedRootHoldsFromTheCheckToTheRead) {
  std::filesystem::create_directory(In("site"));
  PutFile(In("secret.txt"), "x.src='leak.gif'; not for the archive");
  PutFile(In("site/a.gif"), "GIF89a");
  PutFile(In("site/menu.js"), "var quiet;");
  const std::string page = Page("site/index.html", "<img src=a.gif><script src=menu.js></script>");
  converter.SetAllowedRoot(In("site"));
  ASSERT_TRUE(converter.LoadDocument(page));
  ASSERT_TRUE(converter.DiscoverResources());
  const Files found = {{"a.gif", In("site/a.gif")}, {"menu.js", In("site/menu.js")}};
  ASSERT_EQ(converter.Resources(), found);

  for (const char* name : {"site/a.gif", "site/menu.js"}) std::filesystem::remove(In(name));
  std::filesystem::create_symlink(In("secret.txt"), In("site/a.gif"));
  std::filesystem::create_symlink("../secret.txt", In("site/menu.js"));
  converter.ScanScriptFile(In("site/menu.js"));
  CMimeArchive archive(47);
  std::ostringstream out;
  converter.BuildArchive(archive, out);

  EXPECT_EQ(converter.Resources(), found) << "nothing named by the secret file";
  EXPECT_EQ(out.str().find("secret"), std::string::npos);
  const std::string text = WithLineFeeds(out.str());
  std::size_t locations = 0;
  for (std::size_t at = text.find("Content-Location:"); at != std::string::npos;
       at = text.find("Content-Location:", at + 1)) {
    ++locations;
  }
  EXPECT_EQ(locations, 1u) << "only the main part";
  const std::vector<std::string> lines = LogLines();
  EXPECT_THAT(std::vector<std::string>(lines.end() - 2, lines.end()),
              ElementsAre("[WARNING]\tFailed to add resource body part: " + In("site/a.gif"),
                          "[WARNING]\tFailed to add resource body part: " + In("site/menu.js")));
}

struct ScanCase {
  const char* name;
  std::string_view text;                // may hold a zero byte
  std::vector<std::string> registered;  // references as they reach the registry
  int counted;
};

void PrintTo(const ScanCase& scan, std::ostream* out) { *out << scan.name; }

class PreloadScanTest : public ConverterTest, public ::testing::WithParamInterface<ScanCase> {};

TEST_P(PreloadScanTest, FindsAssignedNames) {
  UseFolderAsBase();
  const ScanCase& scan = GetParam();
  converter.ScanPreloadedImages(std::string(scan.text));
  Files expected;
  for (const std::string& reference : scan.registered) expected.insert({reference, In(reference)});
  EXPECT_EQ(converter.Resources(), expected);
  const std::string summary = scan.counted > 0 ? "[INFO]\t\t" + std::to_string(scan.counted) + " preloaded images found"
                                               : "[INFO]\t\tNo preloaded images found";
  EXPECT_THAT(LogLines(), ElementsAre("[INFO]\t\tChecking for preloaded images...", summary));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PreloadScanTest,
    ::testing::Values(ScanCase{"double_quotes", "img1.src = \"pics/on.gif\";", {"pics/on.gif"}, 1},
                      ScanCase{"single_quotes_capitals_no_spaces", "img1.SRC='pics/on.gif';", {"pics/on.gif"}, 1},
                      ScanCase{"mixed_quotes_end_nothing", "a.src=\"x.gif';b=\"", {}, 0},
                      ScanCase{"mixed_quotes_without_close", "a.src=\"x.gif' more", {}, 0},
                      ScanCase{"two_without_white_space", "a.src=\"a.gif\";b.src=\"b.gif\"", {"a.gif", "b.gif"}, 2},
                      ScanCase{"minified_mixed_quotes",
                               "a.src='a.gif',b.src=\"b.gif\";c.SRC=,c.gif,",
                               {"a.gif", "b.gif", "c.gif"},
                               3},
                      ScanCase{"comma_inside_quoted_name", "a.src=\"a,b.gif\"", {"a,b.gif"}, 1},
                      ScanCase{"two_on_one_line", "a.src=\"a.gif\"; b.src=\"b.gif\"", {"a.gif", "b.gif"}, 2},
                      ScanCase{"white_space_in_name", "a.src=\"my pic.gif\"", {}, 0},
                      ScanCase{"commas_as_quotes", "x.src=,a.gif,", {"a.gif"}, 1},
                      ScanCase{"commas_end_at_the_first", "x.src=,a.gif,b.gif,", {"a.gif"}, 1},
                      ScanCase{"comparison_does_not_match", "if (a.src == \"a.gif\") {}", {}, 0},
                      ScanCase{"remote_counted_not_registered", "a.src=\"http://example.com/a.gif\"", {}, 1},
                      ScanCase{"nothing_to_find", "var x = 1;", {}, 0},
                      ScanCase{"ends_at_the_first_zero_byte", "a.src='a.gif'\0b.src='b.gif'"sv, {"a.gif"}, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConverterTest, PageTextEndsAtItsFirstZeroByte) {
  const std::string page =
      Page("index.html", std::string("<img src=a.gif><script>a.src='p.gif'</script>\0<img src=b.gif>", 61));
  ASSERT_TRUE(converter.LoadDocument(page));
  ASSERT_TRUE(converter.DiscoverResources());
  EXPECT_EQ(converter.Resources(), Files({{"a.gif", In("a.gif")}, {"p.gif", In("p.gif")}}));
}

TEST_F(ConverterTest, EmptyQuotedNameRegistersTheCurrentFolder) {
  UseFolderAsBase();
  converter.ScanPreloadedImages("a.src=\"\"");
  EXPECT_EQ(converter.Resources(), Files({{"", folder.Path().string()}}));
}

TEST_F(ConverterTest, ScanGivesUpOnARunawayMatchWithoutFailing) {
  UseFolderAsBase();
  std::string script = "a.src=\"ok.gif\";\n x.src=\"";
  script.append(1 << 20, 'a');
  converter.ScanPreloadedImages(script);
  EXPECT_EQ(converter.Resources().count({"ok.gif", In("ok.gif")}), 1u);
  EXPECT_EQ(LogLines().front(), "[INFO]\t\tChecking for preloaded images...");
}

struct BaseCase {
  const char* name;
  std::string baseElement;                 // "" for none; "{}" stands for the folder
  std::vector<std::string> expectedLines;  // "{}" stands for the folder, "{page}" for the page
  std::string currentFolder;               // where references resolve, under the folder
};

void PrintTo(const BaseCase& base, std::ostream* out) { *out << base.name; }

class BaseLocationTest : public ConverterTest, public ::testing::WithParamInterface<BaseCase> {};

std::string Substitute(std::string text, const std::string& folder, const std::string& page) {
  for (const auto& [mark, value] : {std::pair<std::string, std::string>{"{page}", page}, {"{}", folder}}) {
    for (std::size_t at; (at = text.find(mark)) != std::string::npos;) text.replace(at, mark.size(), value);
  }
  return text;
}

TEST_P(BaseLocationTest, ChoosesTheFolderReferencesResolveAgainst) {
  const BaseCase& base = GetParam();
  std::filesystem::create_directories(In("page"));
  std::filesystem::create_directories(In("other"));
  std::filesystem::create_directory_symlink("other", In("link"));
  const std::string root = folder.Path().string();
  StartInFolder();
  const std::string page =
      Page("page/index.html", "<html><head>" + Substitute(base.baseElement, root, "") + "</head><body></body></html>");
  ASSERT_TRUE(converter.LoadDocument(page));
  std::vector<std::string> expected;
  for (const std::string& line : base.expectedLines) expected.push_back(Substitute(line, root, page));
  expected.push_back("[INFO]\t\tChecking for preloaded images...");
  expected.push_back("[INFO]\t\tNo preloaded images found");
  EXPECT_THAT(LogLines(), ElementsAreArray(expected));
  EXPECT_EQ(converter.BaseFolder(), root + base.currentFolder);
  EXPECT_EQ(std::filesystem::current_path().string(), root) << "the folder is tested, never entered";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BaseLocationTest,
    ::testing::Values(
        BaseCase{"none", "", {}, "/page"},
        BaseCase{"absolute", "<base href=\"{}/other/\">", {"[INFO]\t\tFound custom base: {}/other/"}, "/other"},
        BaseCase{"file_url",
                 "<base href=\"file://{}/other/x.html\">",
                 {"[INFO]\t\tFound custom base: file://{}/other/x.html"},
                 "/other"},
        BaseCase{"remote",
                 "<base href=\"http://example.com/site/\">",
                 {"[INFO]\t\tFound custom base: http://example.com/site/",
                  "[ERROR]\t\tCannot access: http://example.com/site/"},
                 ""},
        BaseCase{"empty", "<base href=\"\">", {"[INFO]\t\tFound custom base: ", "[ERROR]\t\tCannot access: "}, ""},
        BaseCase{
            "relative_to_the_page", "<base href=\"../other/\">", {"[INFO]\t\tFound custom base: ../other/"}, "/other"},
        BaseCase{"relative_not_to_the_current_folder",
                 "<base href=\"other/\">",
                 {"[INFO]\t\tFound custom base: other/", "[ERROR]\t\tCannot access: other/"},
                 ""},
        BaseCase{"dot_dot_through_missing_folder",
                 "<base href=\"{}/gone/../other/\">",
                 {"[INFO]\t\tFound custom base: {}/gone/../other/", "[ERROR]\t\tCannot access: {}/gone/../other/"},
                 ""},
        BaseCase{"file_url_naming_a_file",
                 "<base href=\"file://{}/page/index.html?/\">",
                 {"[INFO]\t\tFound custom base: file://{}/page/index.html?/",
                  "[ERROR]\t\tCannot change directory to: file://{}/page/index.html?/"},
                 ""},
        BaseCase{"only_the_first_counts",
                 "<base href=\"{}/other/\"><base href=\"/nowhere/\">",
                 {"[INFO]\t\tFound custom base: {}/other/"},
                 "/other"},
        BaseCase{"through_a_link", "<base href=\"{}/link/\">", {"[INFO]\t\tFound custom base: {}/link/"}, "/other"},
        BaseCase{"a_file_not_a_folder",
                 "<base href=\"{}/page/index.html/\">",
                 {"[INFO]\t\tFound custom base: {}/page/index.html/", "[ERROR]\t\tCannot access: {}/page/index.html/"},
                 ""},
        BaseCase{
            "without_href", "<base target=\"_blank\">", {"[INFO]\t\tNo custom base, keep default: {page}"}, "/page"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConverterTest, FolderThatCannotBeSearchedIsNotTheBase) {
  if (geteuid() == 0) GTEST_SKIP() << "the superuser searches every folder";
  std::filesystem::create_directories(In("locked"));
  std::filesystem::permissions(In("locked"), std::filesystem::perms::owner_read);
  StartInFolder();
  const std::string page = Page("index.html", "<base href=\"" + In("locked/") + "\"><img src=a.gif>");
  ASSERT_TRUE(converter.LoadDocument(page));
  ASSERT_TRUE(converter.DiscoverResources());
  std::filesystem::permissions(In("locked"), std::filesystem::perms::owner_all);
  EXPECT_EQ(LogLines().at(1), "[ERROR]\t\tCannot change directory to: " + In("locked/"));
  EXPECT_EQ(converter.Resources(), Files({{"a.gif", In("a.gif")}})) << "the folder the program started in";
}

TEST_F(ConverterTest, LoadFailsForMissingEmptyAndFolderInputs) {
  PutFile(In("empty.html"), "");
  for (const std::string& path : {In("missing.html"), In("empty.html"), folder.Path().string()}) {
    EXPECT_FALSE(converter.LoadDocument(path)) << path;
  }
  EXPECT_THAT(LogLines(), ElementsAre("[ERROR]\t\tFailed to load input file (" + In("missing.html") + ")", "",
                                      "[ERROR]\t\tFailed to load input file (" + In("empty.html") + ")", "",
                                      "[ERROR]\t\tFailed to load input file (" + folder.Path().string() + ")", ""));
}

TEST_F(ConverterTest, DiscoveryCountsRegistersAndRewrites) {
  PutFile(In("menu.js"), "over.src = \"on.gif\";");
  const std::string page = Page("index.html",
                                "<html><head><link rel=stylesheet href=\"Style.css\">"
                                "<script src=\"menu.js\"></script><script>var x;</script></head>"
                                "<body background=\"bg.gif\"><img src=\"\"><img src=\"http://example.com/r.gif\">"
                                "<img src=\"about:blankIMG/A.gif\"><img src=\"img/a.gif\"><img src=\"img/a.gif\">"
                                "<a href=\"page2.htm\">next</a></body></html>");
  ASSERT_TRUE(converter.LoadDocument(page));
  ASSERT_TRUE(converter.DiscoverResources());
  EXPECT_EQ(converter.Resources(), Files({{"bg.gif", In("bg.gif")},
                                          {"img/a.gif", In("IMG/A.gif")},
                                          {"img/a.gif", In("img/a.gif")},
                                          {"menu.js", In("menu.js")},
                                          {"on.gif", In("on.gif")},
                                          {"style.css", In("Style.css")}}));
  const std::vector<std::string> lines = LogLines();
  const std::vector<std::string> discovery(lines.begin() + 2, lines.end());
  EXPECT_THAT(discovery, ElementsAre("[INFO]\t\tFound 5 images", "[INFO]\t\tChecking for preloaded images...",
                                     "[INFO]\t\t1 preloaded images found", "[INFO]\t\tFound 2 scripts",
                                     "[INFO]\t\tFound 2 custom resources"));
  const std::string markup = converter.Document()->OuterHtml(converter.Document()->DocumentElement());
  EXPECT_NE(markup.find("<img src=\"\">"), std::string::npos);
  EXPECT_NE(markup.find("<img src=\"http://example.com/r.gif\">"), std::string::npos);
  EXPECT_NE(markup.find("<img src=\"file://" + In("img/a.gif") + "\"><img src=\"file://" + In("img/a.gif") + "\">"),
            std::string::npos);
  EXPECT_NE(markup.find("href=\"file://" + In("Style.css") + "\""), std::string::npos);
  EXPECT_NE(markup.find("<a href=\"page2.htm\">"), std::string::npos);
}

TEST_F(ConverterTest, UserTagsAreFollowedAndLinkedPagesScanned) {
  PutFile(In("page2.htm"), "<img onload=\"this.src='roll.gif'\">");
  const std::string page = Page("index.html", "<a href=\"page2.htm\">next</a><x-widget data=\"w.bin\"></x-widget>");
  converter.ClearResourceTags();
  converter.AddResourceTag("a", "href");
  converter.AddResourceTag("X-WIDGET", "data");
  converter.AddResourceTag("table", "background");
  ASSERT_TRUE(converter.LoadDocument(page));
  ASSERT_TRUE(converter.DiscoverResources());
  EXPECT_EQ(converter.Resources(),
            Files({{"page2.htm", In("page2.htm")}, {"roll.gif", In("roll.gif")}, {"w.bin", In("w.bin")}}));
  EXPECT_EQ(LogLines().back(), "[INFO]\t\tFound 2 custom resources");
}

TEST_F(ConverterTest, NoTagsMeansNoCustomResources) {
  converter.ClearResourceTags();
  ASSERT_TRUE(converter.LoadDocument(Page("index.html", "<link href=a.css>")));
  ASSERT_TRUE(converter.DiscoverResources());
  EXPECT_THAT(converter.Resources(), IsEmpty());
  EXPECT_EQ(LogLines().back(), "[INFO]\t\tNo custom resources found");
}

TEST_F(ConverterTest, CidLinksPointAtContentIds) {
  converter.SetLinkStyle(LinkStyle::Cid);
  ASSERT_TRUE(converter.LoadDocument(Page("index.html", "<img src=\"a.gif\">")));
  ASSERT_TRUE(converter.DiscoverResources());
  const std::string markup = converter.Document()->OuterHtml(converter.Document()->DocumentElement());
  EXPECT_NE(markup.find("<img src=\"cid:"), std::string::npos) << markup;
  EXPECT_NE(markup.find("@scrivane\">"), std::string::npos) << markup;
}

TEST_F(ConverterTest, ConvertWritesTheWholeLogAndLeavesTheCurrentFolderAlone) {
  const std::string before = std::filesystem::current_path();
  PutFile(In("b.gif"), "GIF89a-b");
  PutFile(In("A.gif"), "GIF89a-a");
  const std::string page =
      Page("index.html", "<!DOCTYPE html><img src=\"b.gif\"><img src=\"A.gif\"><img src=\"gone.gif\">");
  CMimeArchive archive(47);
  std::ostringstream out;
  converter.Convert(page, archive, out);
  EXPECT_EQ(std::filesystem::current_path().string(), before);
  EXPECT_THAT(LogLines(),
              ElementsAre("[INFO]\t\tProcessing: " + page + "...", "[INFO]\t\tChecking for preloaded images...",
                          "[INFO]\t\tNo preloaded images found", "[INFO]\t\tFound 3 images",
                          "[INFO]\t\tNo scripts found", "[INFO]\t\tFound 1 custom resources",
                          "[INFO]\t\tAdd main body part: " + page, "[INFO]\t\tAdd resource body part: " + In("A.gif"),
                          "[INFO]\t\tAdd resource body part: " + In("b.gif"),
                          "[WARNING]\tFailed to add resource body part: " + In("gone.gif"),
                          "[INFO]\t\tFinished - 1 warning(s), 0 error(s).", ""));
  const std::string text = WithLineFeeds(out.str());
  EXPECT_EQ(text.find("Content-Location: file://" + page + "\n\n<!DOCTYPE html><html>"), text.find("Content-Location"))
      << text;
  EXPECT_EQ(CountOf(text, "Content-Location: "), 3u) << "the page and two images";
}

TEST_F(ConverterTest, EachConversionStartsFromNoResources) {
  PutFile(In("a.gif"), "a");
  PutFile(In("b.gif"), "b");
  CMimeArchive archive(1);
  std::ostringstream first;
  std::ostringstream second;
  converter.Convert(Page("one.html", "<img src=a.gif>"), archive, first);
  converter.Convert(Page("two.html", "<img src=b.gif>"), archive, second);
  EXPECT_EQ(converter.Resources(), Files({{"b.gif", In("b.gif")}}));
  EXPECT_EQ(second.str().find("a.gif"), std::string::npos);
}

TEST_F(ConverterTest, UnreadableInputIsCodeOne) {
  const std::string before = std::filesystem::current_path();
  CMimeArchive archive(1);
  std::ostringstream out;
  try {
    converter.Convert(In("missing.html"), archive, out);
    FAIL() << "no error thrown";
  } catch (const ConvertError& error) {
    EXPECT_EQ(error.Reason(), ConvertReason::kInputOpen);
  }
  EXPECT_EQ(std::filesystem::current_path().string(), before);
  EXPECT_TRUE(out.str().empty());
}

std::string Repeat(const std::string& unit, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += unit;
  return text;
}

struct CostlyPageCase {
  const char* name;
  std::string page;
  Matcher<std::string> line;
};

class CostlyPageTest : public ConverterTest, public testing::WithParamInterface<CostlyPageCase> {};

// The page is read, found too costly and refused before it is parsed:
// no archive, and the log says why.
TEST_P(CostlyPageTest, RefusedWithCodeThreeAndALineThatSaysWhy) {
  const std::string page = Page("index.html", GetParam().page);
  CMimeArchive archive(1);
  std::ostringstream out;
  try {
    converter.Convert(page, archive, out);
    FAIL() << "no error thrown";
  } catch (const ConvertError& error) {
    EXPECT_EQ(error.Reason(), ConvertReason::kMalformedInput);
  }
  EXPECT_THAT(LogLines(), ElementsAre("[INFO]\t\tProcessing: " + page + "...", GetParam().line));
  EXPECT_TRUE(out.str().empty());
}

std::string DistinctAttributes(int count) {
  std::string tag = "<p";
  for (int i = 0; i < count; ++i) tag += " a" + std::to_string(i);
  return tag + ">";
}

std::string DistinctFormattingReopened() {
  std::string page = "<div>";
  for (int i = 0; i < 400; ++i) page += "<b x=" + std::to_string(i) + ">";
  return page + "</div>" + Repeat("<p>x</p>", 1000);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, CostlyPageTest,
    testing::Values(
        CostlyPageCase{
            "Nesting", Repeat("<div>", 100000),
            AllOf(StartsWith("[ERROR]\t\tProcessing failed due to input HTML nested "), EndsWith(" elements deep"))},
        CostlyPageCase{"Attributes", DistinctAttributes(150000),
                       "[ERROR]\t\tProcessing failed due to input HTML with 150000 attributes on one element"},
        CostlyPageCase{"Options", "<select>" + Repeat("<option>", 40000),
                       AllOf(StartsWith("[ERROR]\t\tProcessing failed due to input HTML with "),
                             EndsWith(" or more options in one select"))},
        CostlyPageCase{
            "Reopening", DistinctFormattingReopened(),
            AllOf(StartsWith("[ERROR]\t\tProcessing failed due to input HTML reopening formatting elements "),
                  EndsWith(" times"))}),
    [](const testing::TestParamInfo<CostlyPageCase>& info) { return info.param.name; });

}  // namespace
