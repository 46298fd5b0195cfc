#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "base/path_text.h"
#include "tests/support/current_folder.h"

namespace {

TEST(PathTextTest, ToLowerChangesOnlyAsciiCapitals) {
  EXPECT_EQ(ToLower("ABC xyz 09 @[`{"), "abc xyz 09 @[`{");
  EXPECT_EQ(ToLower("\xC3\x89T\xC9"), "\xC3\x89t\xC9");
  EXPECT_EQ(ToLower(""), "");
}

TEST(PathTextTest, NormalizeReferenceFoldsBackslashRunsAndCase) {
  EXPECT_EQ(NormalizeReference("Images\\\\Logo.GIF"), "images\\logo.gif");
  EXPECT_EQ(NormalizeReference("a\\\\\\b\\\\\\\\\\c"), "a\\b\\c");
  EXPECT_EQ(NormalizeReference("\\\\Server\\Share\\a.gif"), "\\server\\share\\a.gif");
  EXPECT_EQ(NormalizeReference("A//B/%2F\\./c"), "a//b/%2f\\./c") << "forward slashes and escapes stay";
  EXPECT_EQ(NormalizeReference("x\\"), "x\\");
}

struct ExtensionCase {
  const char* path;
  const char* extension;
};

class ExtensionCases : public testing::TestWithParam<ExtensionCase> {};

TEST_P(ExtensionCases, TakesTheLastDotOfTheFileName) {
  EXPECT_EQ(GetExtension(GetParam().path), GetParam().extension) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ExtensionCases,
    testing::Values(ExtensionCase{"C:/site/logo.gif", "gif"}, ExtensionCase{"C:/site/README", ""},
                    ExtensionCase{"C:/site/name.", ""}, ExtensionCase{".htaccess", "htaccess"},
                    ExtensionCase{"C:/site/.htaccess", "htaccess"}, ExtensionCase{"C:/my.site/README", ""},
                    ExtensionCase{"C:\\my.site\\README", ""}, ExtensionCase{"a\\b.c/d.tar.GZ", "GZ"},
                    ExtensionCase{"logo.gif", "gif"}, ExtensionCase{"", ""}, ExtensionCase{"dir/", ""}),
    [](const testing::TestParamInfo<ExtensionCase>& info) { return "Path" + std::to_string(info.index); });

TEST(PathTextTest, ExtensionIsCutAtTheNameLimit) {
  EXPECT_EQ(GetExtension("a." + std::string(300, 'x')), std::string(255, 'x'));
}

TEST(PathTextTest, ToForwardSlashes) {
  std::string text = "C:\\site\\\\a.gif";
  ToForwardSlashes(text);
  EXPECT_EQ(text, "C:/site//a.gif");
  std::string plain = "/home/u/a.gif";
  ToForwardSlashes(plain);
  EXPECT_EQ(plain, "/home/u/a.gif");
}

TEST(PathTextTest, MakeFullPathWorksLikeFullpath) {
  CurrentFolderGuard guard;
  std::filesystem::current_path("/tmp");
  const std::string here = std::filesystem::current_path().string();
  EXPECT_EQ(MakeFullPath(""), here) << "the current folder, no trailing slash";
  EXPECT_EQ(MakeFullPath("a.gif"), here + "/a.gif");
  EXPECT_EQ(MakeFullPath("img\\a.gif"), here + "/img\\a.gif") << "a backslash is part of a name";
  EXPECT_EQ(MakeFullPath("./img/../b.gif"), here + "/b.gif");
  EXPECT_EQ(MakeFullPath("/x/./y/../z.gif"), "/x/z.gif");
  EXPECT_EQ(MakeFullPath("/x/y/.."), "/x/");
  EXPECT_EQ(MakeFullPath("/../../a"), "/a");
}

TEST(PathTextTest, MakeFullPathJoinsToAnExplicitFolder) {
  EXPECT_EQ(MakeFullPath("img\\a.gif", "/site/pages"), "/site/pages/img/a.gif");
  EXPECT_EQ(MakeFullPath("../a.gif", "/site/pages/"), "/site/a.gif");
  EXPECT_EQ(MakeFullPath("/abs/a.gif", "/site"), "/abs/a.gif");
  EXPECT_EQ(MakeFullPath("", "/site/./pages"), "/site/pages");
  EXPECT_EQ(MakeFullPath("a.gif", "site"), std::nullopt) << "a relative folder is no anchor";
  EXPECT_EQ(MakeFullPath("a.gif", ""), std::nullopt);
}

TEST(PathTextTest, AbsolutePathKeepsTheSpellingTheKernelResolves) {
  CurrentFolderGuard guard;
  std::filesystem::current_path("/tmp");
  const std::string here = std::filesystem::current_path().string();
  EXPECT_EQ(AbsolutePath("out.mht"), here + "/out.mht");
  EXPECT_EQ(AbsolutePath("link/../out.mht"), here + "/link/../out.mht");
  EXPECT_EQ(AbsolutePath("/x/../y.mht"), "/x/../y.mht");
  EXPECT_EQ(AbsolutePath(""), "");
}

TEST(PathTextTest, MakeFullPathRefusesResultsThatDoNotFit) {
  const std::string longest = "/" + std::string(PATH_MAX - 2, 'a');
  EXPECT_EQ(MakeFullPath(longest), longest);
  EXPECT_EQ(MakeFullPath(longest + "b"), std::nullopt);
  const std::string folder = "/" + std::string(PATH_MAX - 3, 'a');
  EXPECT_EQ(MakeFullPath(folder + "/bbbbbbbb/.."), folder + "/") << "folding first, then the limit";
}

}  // namespace
