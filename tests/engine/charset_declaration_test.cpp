#include <gtest/gtest.h>

#include "converter_test_support.h"
#include "engine/charset_declaration.h"
#include "engine/html_document.h"

namespace {

struct DeclarationCase {
  const char* name;
  std::string head;      // markup inside <head>
  std::string expected;  // that markup as the archive's page carries it
};

void PrintTo(const DeclarationCase& declaration, std::ostream* out) { *out << declaration.name; }

class DeclareUtf8Test : public ::testing::TestWithParam<DeclarationCase> {};

TEST_P(DeclareUtf8Test, PageDeclaresTheEncodingItIsWrittenIn) {
  HtmlDocument document;
  document.Load("<html><head>" + GetParam().head + "</head><body></body></html>");
  DeclareUtf8(document);
  EXPECT_EQ(document.PageMarkup(), "<html><head>" + GetParam().expected + "</head><body></body></html>");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DeclareUtf8Test,
    ::testing::Values(
        DeclarationCase{"meta_charset", "<meta charset=\"ISO-8859-1\">", "<meta charset=\"utf-8\">"},
        DeclarationCase{"pragma", "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-1\">",
                        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"},
        DeclarationCase{"pragma_quoted_label_and_more",
                        "<meta http-equiv=content-type content=\"text/html;charset = 'latin1' ; x\">",
                        "<meta http-equiv=\"content-type\" content=\"text/html;charset = 'utf-8' ; x\">"},
        DeclarationCase{"unknown_label", "<meta charset=\"bogus\">", "<meta charset=\"utf-8\">"},
        DeclarationCase{"utf8_kept_as_written", "<meta charset=\"UTF-8\"><meta charset=\" utf8\">",
                        "<meta charset=\"UTF-8\"><meta charset=\" utf8\">"},
        DeclarationCase{"content_without_pragma", "<meta name=\"x\" content=\"charset=latin1\">",
                        "<meta name=\"x\" content=\"charset=latin1\">"},
        DeclarationCase{"pragma_without_charset", "<meta http-equiv=\"Content-Type\" content=\"text/html\">",
                        "<meta http-equiv=\"Content-Type\" content=\"text/html\">"},
        DeclarationCase{"unclosed_quote", "<meta http-equiv=\"Content-Type\" content=\"charset='latin1\">",
                        "<meta http-equiv=\"Content-Type\" content=\"charset='latin1\">"}),
    [](const auto& info) { return std::string(info.param.name); });

class LegacyPageTest : public ::testing::Test, public ConverterFixture {};

// The page's bytes stay as they are on disk; only the archived markup changes.
TEST_F(LegacyPageTest, LoadedLatin1PageIsUtf8AndSaysSo) {
  const std::string source = "<meta charset=\"ISO-8859-1\"><p>Pokorn\xFD</p>";
  const std::string page = Page("index.html", source);
  ASSERT_TRUE(converter.LoadDocument(page));
  const std::string markup = converter.Document()->PageMarkup();
  EXPECT_NE(markup.find("<meta charset=\"utf-8\">"), std::string::npos) << markup;
  EXPECT_NE(markup.find("Pokorn\xC3\xBD"), std::string::npos) << markup;
  EXPECT_EQ(FileBytes(page), source);
}

}  // namespace
