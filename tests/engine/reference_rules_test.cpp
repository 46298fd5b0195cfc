#include <gtest/gtest.h>

#include <string>

#include "engine/reference_rules.h"

namespace {

bool IsLocal(std::string_view reference) { return IsLocalUrl(reference.data(), reference.size()); }

struct LocalCase {
  const char* reference;
  bool local;
};

class LocalUrlCases : public testing::TestWithParam<LocalCase> {};

TEST_P(LocalUrlCases, DecidedByScheme) { EXPECT_EQ(IsLocal(GetParam().reference), GetParam().local) << GetParam().reference; }

INSTANTIATE_TEST_SUITE_P(
    References, LocalUrlCases,
    testing::Values(LocalCase{"images/a.gif", true}, LocalCase{"../a.gif", true}, LocalCase{"a.gif", true},
                    LocalCase{"/abs/a.gif", true}, LocalCase{"file:///C:/a.gif", true},
                    LocalCase{"FILE:///home/u/a.gif", true}, LocalCase{"file://localhost/a.gif", true},
                    LocalCase{"C:\\a.gif", true}, LocalCase{"C:/site/a b.gif", true},
                    LocalCase{"images\\a b.gif", true}, LocalCase{"a.gif?x=1#top", true},
                    LocalCase{"my%20file.gif", true}, LocalCase{"", true},
                    LocalCase{"http://example.com/a.gif", false}, LocalCase{"HTTPS://example.com/a.gif", false},
                    LocalCase{"https://example.com/a b.gif", false}, LocalCase{"ftp://host/a.gif", false},
                    LocalCase{"mailto:someone@example.com", false}, LocalCase{"javascript:void(0)", false},
                    LocalCase{"javascript:alert(\"<x>\")", false},
                    LocalCase{"data:image/gif;base64,R0lGODlhAQABAAAAACw=", false},
                    LocalCase{"data:image/svg+xml,<svg xmlns='http://www.w3.org/2000/svg'/>", false},
                    LocalCase{"about:blank", false}, LocalCase{"blob:https://x/1", false},
                    LocalCase{"//host/x.gif", false}, LocalCase{"\\\\host\\share\\x.gif", false},
                    LocalCase{"  http://example.com/a.gif ", false}, LocalCase{"java\tscript:alert(1)", false},
                    LocalCase{"\ndata:image/gif,x", false}),
    [](const testing::TestParamInfo<LocalCase>& info) {
      return std::string(info.param.local ? "Local" : "Remote") + std::to_string(info.index);
    });

TEST(ReferenceRulesTest, LengthLimitsTheReference) {
  const char text[] = "a.gif http://x";
  EXPECT_TRUE(IsLocalUrl(text, 5));
  EXPECT_FALSE(IsLocalUrl(text + 6, 8));
}

TEST(ReferenceRulesTest, FileUrlFromPath) {
  EXPECT_EQ(FileUrlFromPath("C:/site/logo.gif"), "file:///C:/site/logo.gif");
  EXPECT_EQ(FileUrlFromPath("C:\\site\\logo.gif"), "file:///C:/site/logo.gif");
  EXPECT_EQ(FileUrlFromPath("/home/u/a.gif"), "file:///home/u/a.gif") << "never four slashes";
  EXPECT_EQ(FileUrlFromPath("/tmp/C:\\site\\a.gif"), "file:///tmp/C:/site/a.gif");
}

}  // namespace
