#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "engine/html_encoding_labels.h"
#include "engine/html_text_decoding.h"
#include "engine/page_decoding.h"
#include "html5lib_dat.h"

namespace {

using namespace std::string_literals;

constexpr std::size_t kPrescanWindow = 1024;

std::string Canonical(const std::string& label) {
  const std::optional<std::string_view> encoding = EncodingForLabel(label);
  return encoding ? std::string(*encoding) : "unknown label " + label;
}

// The suite expects windows-1252 for a page that declares nothing; this
// system's own default for such a page is tested separately.
std::string DeclaredOrSuiteDefault(const std::string& page) {
  const bool declared = PrescanMetaCharset(page) || page.starts_with("\xEF\xBB\xBF");
  return declared ? PageEncoding(page) : "windows-1252";
}

TEST(PageDecodingTest, PrescanFindsTheEncodingOfEveryHtml5libCase) {
  constexpr const char* kFolder = SCRIVANE_TESTDATA_DIR "/html5lib-tests/encoding";
  SKIP_WITHOUT_HTML5LIB_DATA(kFolder);
  const std::vector<Html5libCase> cases = ReadHtml5libCases(kFolder);
  int run = 0;
  int beyondWindow = 0;
  for (const Html5libCase& testCase : cases) {
    const std::string expected = Canonical(testCase.sections.at("#encoding"));
    ASSERT_TRUE(CanDecode(expected)) << expected;
    // Those declare their encoding after the first 1024 bytes, where only a
    // parser that changes encoding midway would see it.
    if (testCase.Data().size() > kPrescanWindow) {
      ++beyondWindow;
      continue;
    }
    ++run;
    EXPECT_EQ(DeclaredOrSuiteDefault(testCase.Data()), expected)
        << testCase.file << " #" << testCase.index << ": " << testCase.Data();
  }
  std::cout << "html5lib encoding: " << run << " cases checked, " << beyondWindow
            << " declaring their encoding beyond the prescan window skipped\n";
  EXPECT_GT(run, 70);
}

TEST(PageDecodingTest, PrescanReturnsTheLabelAsWritten) {
  EXPECT_EQ(PrescanMetaCharset("<meta charset=' Shift_JIS '>"), " Shift_JIS ");
  EXPECT_EQ(PrescanMetaCharset("<META HTTP-EQUIV=Content-Type CONTENT='text/html; CHARSET=EUC-KR'>"), "EUC-KR");
  EXPECT_EQ(PrescanMetaCharset("<meta charset=iso-2022-kr><meta charset=koi8-r>"), "koi8-r");
  EXPECT_EQ(PrescanMetaCharset("<meta charset=no-such-thing>"), std::nullopt);
  EXPECT_EQ(PrescanMetaCharset(""), std::nullopt);
}

struct DecodingCase {
  const char* name;
  std::string bytes;
  const char* encoding;
  std::string utf8;
};

void PrintTo(const DecodingCase& decoding, std::ostream* out) { *out << decoding.name; }

class PageDecodingCaseTest : public ::testing::TestWithParam<DecodingCase> {};

TEST_P(PageDecodingCaseTest, DecodesToUtf8) {
  EXPECT_EQ(PageEncoding(GetParam().bytes), GetParam().encoding);
  EXPECT_EQ(DecodePageToUtf8(GetParam().bytes), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, PageDecodingCaseTest,
    ::testing::Values(
        DecodingCase{"Utf8ByteOrderMarkBeatsMeta", "\xEF\xBB\xBF<meta charset=latin1>\xC3\xA9", "UTF-8",
                     "<meta charset=latin1>\xC3\xA9"},
        DecodingCase{"Utf16LittleEndian", "\xFF\xFE<\0p\0>\0\xE9\0=\xD8\0\xDE"s, "UTF-16LE",
                     "<p>\xC3\xA9\xF0\x9F\x98\x80"},
        DecodingCase{"Utf16BigEndianWithLoneSurrogateAndOddByte", "\xFE\xFF\0a\xD8\0\0b\0"s, "UTF-16BE",
                     "a\xEF\xBF\xBD"
                     "b\xEF\xBF\xBD"},
        DecodingCase{"ValidUtf8WithoutDeclaration", "<p>caf\xC3\xA9 \xE2\x82\xAC", "UTF-8",
                     "<p>caf\xC3\xA9 \xE2\x82\xAC"},
        DecodingCase{"Latin1WithoutDeclarationIsWindows1252", "<p>caf\xE9 \x80 \x81", "windows-1252",
                     "<p>caf\xC3\xA9 \xE2\x82\xAC \xC2\x81"},
        DecodingCase{"MetaLatin1MeansWindows1252", "<meta charset=iso-8859-1><p>\x93q\x94", "windows-1252",
                     "<meta charset=iso-8859-1><p>\xE2\x80\x9Cq\xE2\x80\x9D"},
        DecodingCase{"DeclaredUtf8WithBadBytes", "<meta charset=utf-8>a\xE2\x82x\xC0\xAF\xED\xA0\x80\xF4\x90", "UTF-8",
                     "<meta charset=utf-8>a\xEF\xBF\xBDx\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"
                     "\xEF\xBF\xBD\xEF\xBF\xBD"},
        DecodingCase{"ShiftJisWithABrokenPair", "<meta charset=sjis>\x93\xFA\x96\x7B\x82<", "Shift_JIS",
                     "<meta charset=sjis>\xE6\x97\xA5\xE6\x9C\xAC\xEF\xBF\xBD<"},
        DecodingCase{"EucJp", "<meta http-equiv=content-type content='text/html;charset=euc-jp'>\xC6\xFC", "EUC-JP",
                     "<meta http-equiv=content-type content='text/html;charset=euc-jp'>\xE6\x97\xA5"},
        DecodingCase{"Iso2022Jp", "<meta charset=iso-2022-jp>\x1B$BF|\x1B(B!", "ISO-2022-JP",
                     "<meta charset=iso-2022-jp>\xE6\x97\xA5!"},
        DecodingCase{"Gb2312ReadAsGb18030", "<meta charset=gb2312>\xD6\xD0", "GBK",
                     "<meta charset=gb2312>\xE4\xB8\xAD"},
        DecodingCase{"Big5", "<meta charset=big5>\xA4\xA4", "Big5", "<meta charset=big5>\xE4\xB8\xAD"},
        DecodingCase{"EucKr", "<meta charset=euc-kr>\xC7\xD1", "EUC-KR", "<meta charset=euc-kr>\xED\x95\x9C"},
        DecodingCase{"Koi8R", "<meta charset=koi8-r>\xF0\xD2", "KOI8-R", "<meta charset=koi8-r>\xD0\x9F\xD1\x80"},
        DecodingCase{"MetaUtf16MeansUtf8", "<meta charset=utf-16>\xC3\xA9", "UTF-8", "<meta charset=utf-16>\xC3\xA9"},
        DecodingCase{"XUserDefinedMeansWindows1252", "<meta charset=x-user-defined>\xE9", "windows-1252",
                     "<meta charset=x-user-defined>\xC3\xA9"},
        DecodingCase{"ReplacementLabelFallsThrough", "<meta charset=iso-2022-kr>\xE9", "windows-1252",
                     "<meta charset=iso-2022-kr>\xC3\xA9"},
        DecodingCase{"UnknownLabelFallsThroughToUtf8", "<meta charset=klingon>\xC3\xA9", "UTF-8",
                     "<meta charset=klingon>\xC3\xA9"},
        DecodingCase{"ZeroBytesKept", "a\0b"s, "UTF-8", "a\0b"s}, DecodingCase{"Empty", "", "UTF-8", ""}),
    [](const ::testing::TestParamInfo<DecodingCase>& info) { return std::string(info.param.name); });

TEST(PageDecodingTest, LargeLatin1PageKeepsEveryCharacter) {
  std::string page;
  std::string expected;
  for (int i = 0; i < 200000; ++i) {
    page += "caf\xE9 ";
    expected += "caf\xC3\xA9 ";
  }
  EXPECT_EQ(DecodePageToUtf8(page), expected);
}

}  // namespace
