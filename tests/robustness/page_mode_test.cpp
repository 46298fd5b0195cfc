// Found by the HtmlDocument fuzzer: a page read in quirks mode only because
// its doctype had a parse error was archived with a clean doctype, so the
// archived page read in standards mode and a table left its paragraph.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "engine/html_document.h"

namespace {

std::string Serialize(const std::string& page) {
  HtmlDocument document;
  document.Load(page);
  return document.PageMarkup();
}

struct ModeCase {
  const char* name;
  std::string doctype;
  std::string archivedDoctype;
  bool quirks;  // a table inside a paragraph stays there only in quirks mode
};

void PrintTo(const ModeCase& mode, std::ostream* out) { *out << mode.name; }

class PageModeTest : public ::testing::TestWithParam<ModeCase> {};

TEST_P(PageModeTest, ArchivedPageReadsInTheModeOfTheOriginal) {
  const ModeCase& mode = GetParam();
  const std::string body =
      mode.quirks ? "<body><p><table></table></p></body></html>" : "<body><p></p><table></table><p></p></body></html>";
  const std::string archived = Serialize(mode.doctype + "<p><table></table></p>");
  EXPECT_EQ(archived, mode.archivedDoctype + "<html><head></head>" + body);
  EXPECT_EQ(Serialize(archived), archived);
}

constexpr const char* kTransitional = "-//W3C//DTD HTML 4.01 Transitional//EN";

INSTANTIATE_TEST_SUITE_P(
    Doctypes, PageModeTest,
    ::testing::Values(ModeCase{"Standards", "<!DOCTYPE html>", "<!DOCTYPE html>", false},
                      ModeCase{"NoDoctype", "", "", true},
                      ModeCase{"TextAfterName", "<!DOCTYPE html bogus>", "<!DOCTYPE html SYSTEM>", true},
                      ModeCase{"SystemKeywordAlone", "<!DOCTYPE html SYSTEM>", "<!DOCTYPE html SYSTEM>", true},
                      ModeCase{"SystemIdentifierCutShort",
                               std::string("<!DOCTYPE html PUBLIC \"") + kTransitional + "\" \"http://x/>",
                               std::string("<!DOCTYPE html PUBLIC \"") + kTransitional + "\" \"http://x/>", true},
                      ModeCase{"PublicIdentifierCutShort", "<!DOCTYPE html PUBLIC '-//W3C//DTD HTML 4.01//EN>",
                               "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01//EN>", true},
                      ModeCase{"IdentifiersKept",
                               std::string("<!DOCTYPE html PUBLIC \"") + kTransitional + "\" 'a\"b'>",
                               std::string("<!DOCTYPE html PUBLIC \"") + kTransitional + "\" 'a\"b'>", false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
