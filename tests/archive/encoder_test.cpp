#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "archive/base64_encoder.h"
#include "archive/quoted_printable_encoder.h"
#include "tests/support/temp_folder.h"

namespace {

std::string Base64(std::string_view bytes) { return EncodeBase64(bytes.data(), bytes.size()); }

std::string Qp(std::string_view bytes) {
  return EncodeQuotedPrintable(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

// The quoted-printable rules spelled out one byte at a time, with the line
// gathered in a buffer: slow, but plainly right, to hold the fast encoder to.
std::string ReferenceQuotedPrintable(std::string_view bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string result;
  std::string line;
  unsigned char previous = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    const bool last = i + 1 == bytes.size();
    // The line feed after it ends the line; `previous` stays the byte before.
    if (b == '\r' && !last && bytes[i + 1] == '\n') continue;
    const bool blank = b == ' ' || b == '\t';
    const bool literal = (b >= 0x20 && b <= 0x7E && b != '=' && !(b == '.' && previous == '\n') && !(blank && last)) ||
                         b == '\n' || (b == '\t' && !last);
    if (literal) {
      line.push_back(static_cast<char>(b));
    } else {
      line += {'=', kHex[b >> 4], kHex[b & 15]};
    }
    bool ended = false;
    if (b == '\n') {
      line.pop_back();
      line += previous == ' ' || previous == '\t' ? "=\r\n\r\n" : "\r\n";
      ended = true;
    } else if (line.size() >= 72) {
      line += "=\r\n";
      ended = true;
    }
    if (ended) {
      result += line;
      line.clear();
    }
    previous = b;
  }
  return result + line;
}

std::string AllByteValues() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) {
    bytes.push_back(static_cast<char>(b));
  }
  return bytes;
}

std::string RandomBytes(std::mt19937& random, std::size_t length) {
  std::uniform_int_distribution<int> byte(0, 255);
  std::string bytes;
  for (std::size_t i = 0; i < length; ++i) {
    bytes.push_back(static_cast<char>(byte(random)));
  }
  return bytes;
}

// Mostly the bytes that quoted-printable treats specially, so that blanks
// before line feeds, dots after them and escapes at the break point all occur.
std::string RandomText(std::mt19937& random, std::size_t length) {
  static const std::string kAlphabet = "  \t\n\n..==abcXYZ\r\x7F\xE9\x80";
  std::uniform_int_distribution<std::size_t> pick(0, kAlphabet.size() - 1);
  std::string text;
  for (std::size_t i = 0; i < length; ++i) {
    text.push_back(kAlphabet[pick(random)]);
  }
  return text;
}

std::vector<std::string> SampleInputs() {
  std::mt19937 random(20240611);
  std::vector<std::string> inputs{AllByteValues(), std::string(1000, 'x') + "\n" + std::string(300, ' ')};
  for (std::size_t length = 0; length <= 200; ++length) {
    inputs.push_back(RandomBytes(random, length));
    inputs.push_back(RandomText(random, length));
    inputs.push_back(RandomText(random, length * 4));
  }
  return inputs;
}

TEST(Base64Test, KnownAnswers) {
  EXPECT_EQ(Base64(""), "");
  EXPECT_EQ(Base64("a"), "YQ==");
  EXPECT_EQ(Base64("ab"), "YWI=");
  EXPECT_EQ(Base64("abc"), "YWJj");
  EXPECT_EQ(Base64("GIF89a"), "R0lGODlh");
  EXPECT_EQ(Base64(std::string("\0\0\0", 3)), "AAAA");
  EXPECT_EQ(Base64("\xFF\xFF\xFF"), "////");
  EXPECT_EQ(Base64("\xFB\xEF\xBE"), "++++");
}

TEST(Base64Test, BreaksLinesAfterEvery76Characters) {
  const std::string line(76, 'A');
  const auto zeros = [](std::size_t count) { return Base64(std::string(count, '\0')); };
  EXPECT_EQ(zeros(57), line + "\r\n") << "57 bytes fill exactly one line";
  EXPECT_EQ(zeros(58), line + "\r\nAA==");
  EXPECT_EQ(zeros(56), std::string(72, 'A') + "AAA=\r\n") << "padding that completes a line ends it";
  EXPECT_EQ(zeros(55), std::string(72, 'A') + "AA==\r\n");
  EXPECT_EQ(zeros(54), std::string(72, 'A'));
  EXPECT_EQ(zeros(114), line + "\r\n" + line + "\r\n");
}

TEST(Base64Test, AppendsToWhatIsThere) {
  ByteBuffer out;
  out.Append("head:");
  AppendBase64("abc", out);
  AppendBase64(std::string(57, '\0'), out);
  EXPECT_EQ(out.View(), "head:YWJj" + std::string(76, 'A') + "\r\n") << "each call counts its own line from 0";
}

struct QpCase {
  const char* name;
  std::string input;
  std::string expected;
};

class QuotedPrintableCases : public testing::TestWithParam<QpCase> {};

TEST_P(QuotedPrintableCases, EncodesAsRfc2045Says) { EXPECT_EQ(Qp(GetParam().input), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, QuotedPrintableCases,
    testing::Values(
        QpCase{"Empty", "", ""}, QpCase{"EqualsSign", "a=b", "a=3Db"},
        QpCase{"LongLine", std::string(80, 'a') + "\n", std::string(72, 'a') + "=\r\n" + std::string(8, 'a') + "\r\n"},
        QpCase{"SpaceBeforeLineFeed", "ab \n", "ab =\r\n\r\n"},
        QpCase{"TabBeforeLineFeed", "ab\t\nc", "ab\t=\r\n\r\nc"}, QpCase{"TrailingSpaceProtected", "ab ", "ab=20"},
        QpCase{"TrailingTabProtected", "ab\t", "ab=09"}, QpCase{"OnlyABlank", " ", "=20"},
        QpCase{"TrailingBlankAtBreak", std::string(71, 'a') + " ", std::string(71, 'a') + "=20=\r\n"},
        QpCase{"DotAfterLineFeed", "a\n.b", "a\r\n=2Eb"}, QpCase{"DotAtStart", ".a", ".a"},
        QpCase{"DotInsideLine", "a.b\nc.", "a.b\r\nc."},
        QpCase{"DotAfterSoftBreak", std::string(72, 'a') + ".", std::string(72, 'a') + "=\r\n."},
        QpCase{"CarriageReturnLineFeed", "a\r\nb", "a\r\nb"},
        QpCase{"BlankBeforeCarriageReturnLineFeed", "a \r\nb", "a =\r\n\r\nb"},
        QpCase{"DotAfterCarriageReturnLineFeed", "a\r\n.", "a\r\n=2E"},
        QpCase{"LoneCarriageReturn", "a\rb\r", "a=0Db=0D"},
        QpCase{"CarriageReturnsBeforeLineFeed", "a\r\r\n", "a=0D\r\n"}, QpCase{"Delete", "a\x7F", "a=7F"},
        QpCase{"HighBytes", "\x80\xE9\xFF", "=80=E9=FF"}, QpCase{"ZeroByte", std::string("a\0b", 3), "a=00b"},
        QpCase{"EscapeCrossingBreak", std::string(71, 'a') + "=b",
               std::string(71, 'a') + "=3D=\r\nb"},  // 74 characters before the mark
        QpCase{"SpaceAtBreakThenLineFeed", std::string(71, 'a') + " \n", std::string(71, 'a') + " =\r\n=\r\n\r\n"}),
    [](const testing::TestParamInfo<QpCase>& info) { return std::string(info.param.name); });

TEST(QuotedPrintableTest, NonPositiveCountGivesEmptyString) {
  EXPECT_EQ(EncodeQuotedPrintable("abc", 0), "");
  EXPECT_EQ(EncodeQuotedPrintable("abc", -5), "");
}

TEST(QuotedPrintableTest, AgreesWithTheByteByByteRules) {
  for (const std::string& input : SampleInputs()) {
    ASSERT_EQ(Qp(input), ReferenceQuotedPrintable(input)) << "input of " << input.size() << " bytes";
  }
}

// Every input cut at every pair of places, so that each piece boundary falls
// between a carriage return and its line feed, after a blank that might end
// the text, before a dot that opens a line and inside a line at its break.
TEST(ChunkedEncoderTest, PiecesEncodeAsTheWhole) {
  for (const std::string& input : SampleInputs()) {
    if (input.size() > 120) continue;
    for (std::size_t first = 0; first <= input.size(); ++first) {
      for (std::size_t second = first; second <= input.size(); second += 7) {
        ByteBuffer qp;
        ByteBuffer b64;
        QuotedPrintableEncoder qpEncoder;
        Base64Encoder b64Encoder;
        for (const std::string_view piece :
             {std::string_view(input).substr(0, first), std::string_view(input).substr(first, second - first),
              std::string_view(input).substr(second)}) {
          qpEncoder.Append(piece, qp);
          b64Encoder.Append(piece, b64);
        }
        qpEncoder.Finish(qp);
        b64Encoder.Finish(b64);
        ASSERT_EQ(qp.View(), Qp(input)) << "cut at " << first << " and " << second;
        ASSERT_EQ(b64.View(), Base64(input)) << "cut at " << first << " and " << second;
      }
    }
  }
}

TEST(QuotedPrintableTest, AppendsToWhatIsThere) {
  ByteBuffer out;
  out.Append("x");
  AppendQuotedPrintable("=\n.", out);
  EXPECT_EQ(out.View(), "x=3D\r\n=2E");
}

// Our output decoded by Python's base64 and quopri modules, an independent
// implementation of both RFC 2045 encodings.
TEST(EncoderDecodeTest, PythonDecodersGiveBackTheInput) {
  TempFolder folder;
  const std::vector<std::string> inputs = SampleInputs();
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const std::string stem = folder / std::to_string(i);
    PutFile(stem + ".in", inputs[i]);
    PutFile(stem + ".b64", Base64(inputs[i]));
    PutFile(stem + ".qp", Qp(inputs[i]));
  }
  const std::string report = folder / "report.txt";
  const std::string command = std::string("python3 '") + SCRIVANE_SOURCE_DIR + "/tests/archive/decode_check.py' '" +
                              folder.Path().string() + "' > '" + report + "' 2>&1";
  const int status = std::system(command.c_str());
  EXPECT_EQ(status, 0) << FileBytes(report);
}

}  // namespace
