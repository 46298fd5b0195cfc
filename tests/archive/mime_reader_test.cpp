#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/mime_reader.h"

namespace {

struct ReadPart {
  MimePart header;
  std::string bytes;
  std::string fault;
};

class CollectingSink : public MimePartSink {
 public:
  void PartBegins(const MimePart& part) override { parts.push_back({part, {}, {}}); }
  void PartBytes(std::string_view decoded) override { parts.back().bytes.append(decoded); }
  void PartEnds(std::uint64_t decodedSize, const std::string& fault) override {
    EXPECT_EQ(decodedSize, parts.back().bytes.size());
    parts.back().fault = fault;
  }
  std::vector<ReadPart> parts;
};

struct Reading {
  std::vector<ReadPart> parts;
  bool whole = false;
  std::string error;
  MimeMessage message;
};

// Fed in pieces of `piece` bytes; 0 for all at once.
Reading Read(std::string_view archive, std::size_t piece = 0) {
  CollectingSink sink;
  MimeReader reader(sink);
  bool going = true;
  if (piece == 0) piece = archive.size() + 1;
  for (std::size_t at = 0; going && at < archive.size(); at += piece) going = reader.Feed(archive.substr(at, piece));
  const bool whole = going && reader.Finish();
  return {sink.parts, whole, reader.Error(), reader.Message()};
}

// Folded header fields, a quoted boundary after another parameter, a
// preamble, transport padding after a delimiter, an empty part, and a
// boundary-like line that is not the boundary.
const std::string kArchive =
    "From: <someone>\r\n"
    "MIME-Version: 1.0\r\n"
    "Content-Type: multipart/related;\r\n"
    "\ttype=\"text/html\";\r\n"
    "\tboundary=\"--=b; 1\"; start=\"<main@x>\"\r\n"
    "\r\n"
    "This is a preamble.\r\n"
    "----=b; 1  \r\n"
    "Content-Type: text/html; charset=\"utf-8\"\r\n"
    "Content-Transfer-Encoding: Quoted-Printable\r\n"
    "Content-Location: file:///a/very/long/\r\n"
    " folder/index.html\r\n"
    "Content-ID: <main@x>\r\n"
    "\r\n"
    "<p class=3D\"x\">Caf=C3=A9 =\r\n"
    "long line</p>   \r\n"
    "\r\n"
    "----=b; 1\r\n"
    "Content-Type: image/gif\r\n"
    "Content-Transfer-Encoding: base64\r\n"
    "\r\n"
    "R0lG\r\n"
    "OD lh\r\n"
    "----=b; 1\r\n"
    "\r\n"
    "----=b; 1x is body\r\n"
    "----=b; 1\r\n"
    "\r\n"
    "\r\n"
    "----=b; 1--\r\n"
    "epilogue\r\n";

TEST(MimeReaderTest, ReadsPartsWhateverThePieces) {
  for (const std::size_t piece : {0, 1, 2, 3, 7, 64}) {
    SCOPED_TRACE(piece);
    const Reading reading = Read(kArchive, piece);
    ASSERT_TRUE(reading.whole) << reading.error;
    EXPECT_EQ(reading.message.boundary, "--=b; 1");
    EXPECT_EQ(reading.message.start, "main@x");
    ASSERT_EQ(reading.parts.size(), 4u);
    const MimePart& page = reading.parts[0].header;
    EXPECT_EQ(page.type, "text/html");
    EXPECT_EQ(page.charset, "utf-8");
    EXPECT_EQ(page.transferEncoding, "quoted-printable");
    EXPECT_EQ(page.location, "file:///a/very/long/folder/index.html");
    EXPECT_EQ(page.contentId, "main@x");
    EXPECT_EQ(reading.parts[0].bytes, "<p class=\"x\">Caf\xC3\xA9 long line</p>\n");
    EXPECT_EQ(reading.parts[1].header.type, "image/gif");
    EXPECT_EQ(reading.parts[1].bytes, "GIF89a");
    EXPECT_EQ(reading.parts[2].header.type, "text/plain");
    EXPECT_EQ(reading.parts[2].header.transferEncoding, "7bit");
    EXPECT_EQ(reading.parts[2].bytes, "----=b; 1x is body");
    EXPECT_EQ(reading.parts[3].bytes, "");
    for (const ReadPart& part : reading.parts) EXPECT_EQ(part.fault, "");
  }
}

TEST(MimeReaderTest, LineFeedsAloneEndLinesToo) {
  std::string archive = kArchive;
  for (std::size_t at = 0; (at = archive.find("\r\n", at)) != std::string::npos;) archive.erase(at, 1);
  const Reading reading = Read(archive, 5);
  ASSERT_TRUE(reading.whole) << reading.error;
  ASSERT_EQ(reading.parts.size(), 4u);
  EXPECT_EQ(reading.parts[0].bytes, "<p class=\"x\">Caf\xC3\xA9 long line</p>\n");
  EXPECT_EQ(reading.parts[1].bytes, "GIF89a");
}

std::string WithBody(std::string_view encoding, std::string_view body, std::string_view type = "image/gif") {
  return "Content-Type: multipart/related; boundary=b\r\n\r\n--b\r\nContent-Type: " + std::string(type) +
         "\r\nContent-Transfer-Encoding: " + std::string(encoding) + "\r\n\r\n" + std::string(body) + "\r\n--b--\r\n";
}

TEST(MimeReaderTest, FaultsOfABodyEndItsPartAndReadingGoesOn) {
  const struct {
    std::string archive;
    std::string bytes;
    std::string fault;
  } cases[] = {
      {WithBody("base64", "R0l!G"), "GIF", "invalid base64 character 0x21 at character 4"},
      {WithBody("base64", "R0lG="), "GIF", "base64 padding out of place, at character 5"},
      {WithBody("base64", "R0=lGOD"), "G\x94\x63\x83", "base64 goes on after its padding, at character 4"},
      {WithBody("base64", "R0lGO"), "GIF", "base64 ends in an incomplete group"},
      {WithBody("base64", "R0lGOD"), "GIF8", "base64 ends without its padding"},
      {WithBody("quoted-printable", "a=4Gb", "text/css"), "a=4Gb", "invalid quoted-printable escape at character 4"},
      {WithBody("quoted-printable", "a=xy", "text/css"), "a=xy", "invalid quoted-printable escape at character 3"},
      {WithBody("quoted-printable", "ab=4", "text/css"), "ab=4", "quoted-printable ends inside an escape"},
      {WithBody("x-uuencode", "abc"), "abc", "its Content-Transfer-Encoding \"x-uuencode\" is unknown"},
      {WithBody("7bit", "--inner\r\n\r\nx\r\n--inner--", "multipart/alternative; boundary=inner"),
       "--inner\r\n\r\nx\r\n--inner--", "it is itself a multipart/alternative, and nested parts are not read"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.archive);
    const Reading reading = Read(test.archive, 3);
    EXPECT_TRUE(reading.whole) << reading.error;
    ASSERT_EQ(reading.parts.size(), 1u);
    EXPECT_EQ(reading.parts[0].bytes, test.bytes);
    EXPECT_EQ(reading.parts[0].fault, test.fault);
  }
}

TEST(MimeReaderTest, ArchivesThatCannotBeReadOnSayWhy) {
  const std::string header = "Content-Type: multipart/related; boundary=b\r\n\r\n";
  const std::string longLine(MimeReader::kLongestHeaderField + 1, 'x');
  std::string endless = "Content-Type: multipart/related; boundary=b\r\n";
  while (endless.size() <= MimeReader::kLargestHeader) endless += "X-Field: " + std::string(1000, 'y') + "\r\n";
  const struct {
    std::string archive;
    std::size_t parts;
    std::string error;
  } cases[] = {
      {"", 0, "the archive is empty"},
      {"Content-Type: multipart/related; boundary=b\r\n", 0, "the archive ends inside its header"},
      {"Content-Type: text/html\r\n\r\n<p>", 0,
       "the archive is no MIME multipart message: its Content-Type is \"text/html\""},
      {"Subject: x\r\n\r\n", 0, "the archive is no MIME multipart message: its header has no Content-Type"},
      {"Content-Type: multipart/related\r\n\r\n--b\r\n", 0, "the archive's Content-Type names no boundary"},
      {"no header at all\r\n\r\n", 0, "the archive's header holds a line that is no header field"},
      {header + "--c\r\n\r\nx\r\n--c--\r\n", 0, "the boundary \"b\" that the archive's header gives is nowhere in it"},
      {header + "--b--\r\n", 0, "the archive has no parts"},
      {header + "--b\r\nContent-Type: text/css\r\n", 0, "the archive ends inside the header of part 1"},
      {header + "--b\r\n\r\nbody cut sho", 1, "the archive ends inside part 1, before its closing boundary"},
      {header + "--b\r\n\r\nx\r\n--b\r\n\r\ny\r\n--b", 2, "the archive ends after part 2, before its closing boundary"},
      {"X-Long: " + longLine + "\r\n\r\n", 0, "a line of the archive's header is longer than 65536 bytes"},
      {header + "--b\r\nX-Long: " + longLine, 0, "a line of the header of part 1 is longer than 65536 bytes"},
      {"X-Long: x\r\n " + longLine.substr(0, 40000) + "\r\n " + longLine.substr(0, 40000) + "\r\n", 0,
       "a field of the archive's header is longer than 65536 bytes"},
      {endless, 0, "the archive's header goes on past 262144 bytes"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.error);
    for (const std::size_t piece : {0, 4096}) {
      const Reading reading = Read(test.archive, piece);
      EXPECT_FALSE(reading.whole);
      EXPECT_EQ(reading.error, test.error);
      EXPECT_EQ(reading.parts.size(), test.parts);
      // A part cut short ends with the reason it was cut.
      if (!reading.parts.empty() && reading.error.find("inside part") != std::string::npos) {
        EXPECT_EQ(reading.parts.back().fault, test.error);
      }
    }
  }
}

}  // namespace
