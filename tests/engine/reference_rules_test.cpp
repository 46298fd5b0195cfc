#include <gtest/gtest.h>

#include <string>

#include "engine/reference_rules.h"
#include "engine/remote_files.h"

namespace {

bool IsLocal(std::string_view reference) { return IsLocalUrl(reference.data(), reference.size()); }

struct LocalCase {
  const char* reference;
  bool local;
};

class LocalUrlCases : public testing::TestWithParam<LocalCase> {};

TEST_P(LocalUrlCases, DecidedByScheme) {
  EXPECT_EQ(IsLocal(GetParam().reference), GetParam().local) << GetParam().reference;
}

INSTANTIATE_TEST_SUITE_P(
    References, LocalUrlCases,
    testing::Values(LocalCase{"images/a.gif", true}, LocalCase{"../a.gif", true}, LocalCase{"a.gif", true},
                    LocalCase{"/abs/a.gif", true}, LocalCase{"file:///C:/a.gif", true},
                    LocalCase{"FILE:///home/u/a.gif", true}, LocalCase{"file://localhost/a.gif", true},
                    LocalCase{"C:\\a.gif", true}, LocalCase{"C:/site/a b.gif", true},
                    LocalCase{"images\\a b.gif", true}, LocalCase{"a.gif?x=1#top", true},
                    LocalCase{"my%20file.gif", true}, LocalCase{"", true}, LocalCase{"http://example.com/a.gif", false},
                    LocalCase{"HTTPS://example.com/a.gif", false}, LocalCase{"https://example.com/a b.gif", false},
                    LocalCase{"ftp://host/a.gif", false}, LocalCase{"mailto:someone@example.com", false},
                    LocalCase{"javascript:void(0)", false}, LocalCase{"javascript:alert(\"<x>\")", false},
                    LocalCase{"data:image/gif;base64,R0lGODlhAQABAAAAACw=", false},
                    LocalCase{"data:image/svg+xml,<svg xmlns='http://www.w3.org/2000/svg'/>", false},
                    LocalCase{"about:blank", false}, LocalCase{"blob:https://x/1", false},
                    LocalCase{"//host/x.gif", false}, LocalCase{"\\\\host\\share\\x.gif", false},
                    LocalCase{"  http://example.com/a.gif ", false}, LocalCase{"java\tscript:alert(1)", false},
                    LocalCase{"\ndata:image/gif,x", false}, LocalCase{"file://LocalHost/a.gif", true},
                    LocalCase{"file:/home/u/a.gif", true}, LocalCase{"file://server/share/a.gif", false},
                    LocalCase{"FILE://Example.COM/a.gif", false}, LocalCase{"file:\\\\server\\share\\a.gif", false},
                    LocalCase{"file://loc\nalhost.evil/a.gif", false}, LocalCase{"file://localhost.evil/a.gif", false}),
    [](const testing::TestParamInfo<LocalCase>& info) {
      return std::string(info.param.local ? "Local" : "Remote") + std::to_string(info.index);
    });

TEST(ReferenceRulesTest, LengthLimitsTheReference) {
  const char text[] = "a.gif http://x";
  EXPECT_TRUE(IsLocalUrl(text, 5));
  EXPECT_FALSE(IsLocalUrl(text + 6, 8));
}

struct FileUrlCase {
  std::string path;
  std::string url;
};

class FileUrlCases : public testing::TestWithParam<FileUrlCase> {};

TEST_P(FileUrlCases, PercentEncodesAllButPathCharacters) {
  EXPECT_EQ(FileUrlFromPath(GetParam().path), GetParam().url);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FileUrlCases,
    testing::Values(FileUrlCase{"C:/site/logo.gif", "file:///C:/site/logo.gif"},
                    FileUrlCase{"C:\\site\\logo.gif", "file:///C:%5Csite%5Clogo.gif"},
                    FileUrlCase{"/home/u/a.gif", "file:///home/u/a.gif"},  // never four slashes
                    FileUrlCase{"/tmp/C:\\site\\a.gif", "file:///tmp/C:%5Csite%5Ca.gif"},
                    FileUrlCase{"/s/-._~!$&'()*+,;=:@.gif", "file:///s/-._~!$&'()*+,;=:@.gif"},
                    FileUrlCase{"/s/a b#1?x=%.gif", "file:///s/a%20b%231%3Fx=%25.gif"},
                    FileUrlCase{"/s/\"<>[]^`{|}", "file:///s/%22%3C%3E%5B%5D%5E%60%7B%7C%7D"},
                    FileUrlCase{"/s/c\n\n------=B\r\t\x7F.gif", "file:///s/c%0A%0A------=B%0D%09%7F.gif"},
                    FileUrlCase{std::string("/s/a\0b", 6), "file:///s/a%00b"},
                    FileUrlCase{"/s/caf\xC3\xA9 \xFF.gif", "file:///s/caf%C3%A9%20%FF.gif"}),
    [](const testing::TestParamInfo<FileUrlCase>& info) { return "Path" + std::to_string(info.index); });

TEST(ReferenceRulesTest, FileUrlGivesBackItsPathForEveryByte) {
  std::string name = "/site/";
  for (int byte = 1; byte < 256; ++byte) name.push_back(static_cast<char>(byte == '/' ? 'x' : byte));
  const std::string url = FileUrlFromPath(name);
  EXPECT_EQ(ReferenceToPath(url), name);
  EXPECT_TRUE(IsLocal(url));
  for (const char c : url) {
    EXPECT_TRUE(c > 0x20 && c < 0x7F && std::string_view("\"#<>?[\\]^`{|}").find(c) == std::string_view::npos)
        << static_cast<int>(static_cast<unsigned char>(c));
  }
}

TEST(ReferenceRulesTest, ReferenceToPathRefusesZeroBytesAndOtherHosts) {
  EXPECT_EQ(ReferenceToPath("file://localhost/s/a%20b.gif?x#y"), "/s/a b.gif");
  EXPECT_EQ(ReferenceToPath("FILE://LOCALHOST/a.gif"), "/a.gif");
  EXPECT_EQ(ReferenceToPath("file:///s/a.gif"), "/s/a.gif");
  EXPECT_EQ(ReferenceToPath("c%0A%0Ax.gif"), "c\n\nx.gif");
  EXPECT_EQ(ReferenceToPath("file://server/share/a.gif"), std::nullopt);
  EXPECT_EQ(ReferenceToPath("file:\\\\server\\share\\a.gif"), std::nullopt);
  EXPECT_EQ(ReferenceToPath("c%00.gif"), std::nullopt);
  EXPECT_EQ(ReferenceToPath("file:///etc/passwd%00.gif"), std::nullopt);
}

// The URL a remote reference names: read against its base as a browser
// reads it, without the fragment, and only when it is http or https.
TEST(ReferenceRulesTest, RemoteUrlResolvesHttpReferencesOnly) {
  const std::string base = "https://h.example/doc/css/site.css";
  const struct {
    std::string_view base, reference;
    std::optional<std::string> url;
  } cases[] = {
      {base, "../img/a.png#top", "https://h.example/doc/img/a.png"},
      {base, "  /fonts/f.woff2?v=2 ", "https://h.example/fonts/f.woff2?v=2"},
      {base, "//cdn.example/x.js", "https://cdn.example/x.js"},
      {base, "HTTP://Other.example/./a/../b.gif", "http://other.example/b.gif"},
      {"", "img/a.png", std::nullopt},
      {"", "https://h.example/a.png", "https://h.example/a.png"},
      {base, "file:///etc/passwd", std::nullopt},
      {base, "data:image/png;base64,AAAA", std::nullopt},
      {base, "ftp://h.example/a.png", std::nullopt},
      {base, "http:///no-host", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(RemoteUrl(c.base, c.reference), c.url) << c.reference;
  EXPECT_TRUE(IsRemoteLocation("HTTPS://h/a"));
  EXPECT_FALSE(IsRemoteLocation("/srv/http://a"));
}

}  // namespace
