#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "archive/base64_encoder.h"
#include "archive/content_id.h"
#include "archive/mime_archive.h"
#include "archive/quoted_printable_encoder.h"
#include "base/cancellation_flag.h"
#include "base/convert_error.h"
#include "base/file_io.h"
#include "base/file_reader.h"
#include "base/text_edit.h"
#include "tests/support/archive_text.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

using Files = std::vector<CMimeArchive::ResourceFile>;
using Results = std::vector<std::pair<std::string, bool>>;

std::string Location(std::string_view path) {
  std::string location(path);
  for (char& c : location) {
    c = c == '\\' ? '/' : c;
  }
  return location;
}

// The URL the engine would give an absolute path; the writer only copies it.
std::string Url(std::string_view path) { return "file://" + Location(path); }

// The archive's bytes as the program writes them, and whether each file
// became a part.
std::string WrittenBytes(CMimeArchive& archive, const Files& files = {}, Results* results = nullptr) {
  std::ostringstream out;
  archive.AddResourcePartsAndWrite(
      files, FileReader(), Url,
      [&](std::string_view path, bool added) {
        if (results) results->emplace_back(path, added);
      },
      out);
  return out.str();
}

// The same with its CR LF line ends read as line feeds.
std::string Written(CMimeArchive& archive, const Files& files = {}, Results* results = nullptr) {
  return WithLineFeeds(WrittenBytes(archive, files, results));
}

// The file's path is not copied: `path` must outlive the write.
CMimeArchive::ResourceFile File(const std::string& path) { return {path, std::nullopt}; }

const std::string kBoundary47 = "----=KORVATH_SCRIVANEBUILDER_47";
const std::string kHeader47 =
    "From: <Saved by Korvath Scrivane Builder>\n"
    "MIME-Version: 1.0\n"
    "Content-Type: multipart/related;\n"
    "\tboundary=\"----=KORVATH_SCRIVANEBUILDER_47\";\n"
    "\ttype=\"text/html\"\n"
    "\n";

std::string TextPart(const std::string& type, const std::string& location, const std::string& body,
                     const std::string& charset = "iso-8859-1") {
  return "--" + kBoundary47 + "\nContent-Type: " + type + ";\n\tcharset=\"" + charset +
         "\"\nContent-Transfer-Encoding: quoted-printable\nContent-Location: " + Url(location) + "\n\n" + body + "\n\n";
}

std::string BinaryPart(const std::string& type, const std::string& location, const std::string& body) {
  return "--" + kBoundary47 + "\nContent-Type: " + type +
         "\nContent-Transfer-Encoding: base64\nContent-Location: " + Url(location) + "\n\n" + body + "\n\n";
}

class MimeArchiveTest : public testing::Test {
 protected:
  MimeArchiveTest() { m_archive.SetMainPart("file://C:/site/index.htm", "<p>"); }

  std::string Resource(const std::string& name, std::string_view bytes) {
    const std::string path = m_folder / name;
    fs::create_directories(fs::path(path).parent_path());
    PutFile(path, bytes);
    return path;
  }

  // Everything after the main part: the resource parts and the end.
  std::string ResourceSection(const std::vector<std::string>& paths, Results* results = nullptr, Files files = {}) {
    for (const std::string& path : paths) files.push_back(File(path));
    const std::string text = Written(m_archive, files, results);
    const std::string mainEnd = "<p>\n\n";
    return text.substr(text.find(mainEnd) + mainEnd.size());
  }

  TempFolder m_folder;
  CMimeArchive m_archive{47};
};

TEST_F(MimeArchiveTest, PageWithOneImageByteForByte) {
  const std::string logo = Resource("C:\\site\\logo.gif", "GIF89a");
  CMimeArchive archive(47);
  archive.SetMainPart("file://C:/site/index.htm", "<html>a=b</html>");

  const std::string expected = kHeader47 +
                               "------=KORVATH_SCRIVANEBUILDER_47\n"
                               "Content-Type: text/html;\n"
                               "\tcharset=\"iso-8859-1\"\n"
                               "Content-Transfer-Encoding: quoted-printable\n"
                               "Content-Location: file://C:/site/index.htm\n"
                               "\n"
                               "<html>a=3Db</html>\n"
                               "\n"
                               "------=KORVATH_SCRIVANEBUILDER_47\n"
                               "Content-Type: image/gif\n"
                               "Content-Transfer-Encoding: base64\n"
                               "Content-Location: " +
                               Url(m_folder.Path().string() + "/C:/site/logo.gif") +
                               "\n"
                               "\n"
                               "R0lGODlh\n"
                               "\n"
                               "------=KORVATH_SCRIVANEBUILDER_47--\n";
  std::string crlf;
  for (const char c : expected) {
    crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  }
  Results results;
  const std::string bytes = WrittenBytes(archive, {File(logo)}, &results);
  EXPECT_EQ(bytes, crlf);
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 22);
  EXPECT_EQ(results, (Results{{logo, true}}));
}

TEST_F(MimeArchiveTest, NoResourcesGivesHeaderMainPartAndEnd) {
  EXPECT_EQ(Written(m_archive), kHeader47 + "--" + kBoundary47 +
                                    "\nContent-Type: text/html;\n\tcharset=\"iso-8859-1\"\n"
                                    "Content-Transfer-Encoding: quoted-printable\n"
                                    "Content-Location: file://C:/site/index.htm\n\n<p>\n\n--" +
                                    kBoundary47 + "--\n");
}

TEST_F(MimeArchiveTest, MainPartAlwaysTakesTheTextForm) {
  CMimeArchive archive(47);
  archive.SetFallbackMimeTypes({{"php", "application/x-httpd-php"}});
  for (const char* unknown : {"page.xyz", "README", "page.php"}) {
    archive.SetMainPart(std::string("file://C:/site/") + unknown, "x");
    EXPECT_EQ(WithLineFeeds(archive.MainPartHeader()),
              "Content-Type: text/html;\n\tcharset=\"iso-8859-1\"\nContent-Transfer-Encoding: quoted-printable\n"
              "Content-Location: file://C:/site/" +
                  std::string(unknown) + "\n\n")
        << "a page is HTML whatever its name: " << unknown;
  }
  archive.SetMainPart("file:///home/u/page.gif", "x");
  EXPECT_EQ(archive.MainPartHeader().find("Content-Type: image/gif;\r\n\tcharset"), 0u);
}

TEST_F(MimeArchiveTest, EncodingFollowsTheExtension) {
  const std::string css = Resource("s.css", "a{x:1}\n");
  const std::string js = Resource("s.js", "x=1;");
  const std::string jpg = Resource("p.jpg", "\xFF\xD8\xFF");
  const std::string unknown = Resource("data.bin", "abc");
  const std::string bare = Resource("README", "abc");
  const std::string capitals = Resource("LOGO.GIF", "abc");
  EXPECT_EQ(ResourceSection({css, js, jpg, unknown, bare, capitals}),
            BinaryPart("image/gif", capitals, "YWJj") + BinaryPart("application/octet-stream", bare, "YWJj") +
                BinaryPart("application/octet-stream", unknown, "YWJj") + BinaryPart("image/jpeg", jpg, "/9j/") +
                TextPart("text/css", css, "a{x:1}\n") + TextPart("application/x-javascript", js, "x=3D1;") + "--" +
                kBoundary47 + "--\n");
}

TEST_F(MimeArchiveTest, TypeLookupPrefersTheExactExtensionThenItsLowerCase) {
  std::string type = "stale";
  EXPECT_TRUE(m_archive.IsTextType("C:/site/PAGE.HTM", &type));
  EXPECT_EQ(type, "text/html");
  m_archive.SetMimeTypes({{"GIF", "image/gif"}, {"Css", "text/css"}});
  EXPECT_FALSE(m_archive.IsTextType("a.gif", &type));
  EXPECT_EQ(type, "") << "upper-case entries are not folded";
  EXPECT_FALSE(m_archive.IsTextType("a.GIF", &type));
  EXPECT_EQ(type, "image/gif");
  EXPECT_TRUE(m_archive.IsTextType("a.Css", &type));
  EXPECT_EQ(type, "text/css");
  EXPECT_FALSE(m_archive.IsTextType("a.htm", nullptr)) << "the new table replaced the defaults";
}

TEST_F(MimeArchiveTest, DefaultTableHasTheNineTypes) {
  const CMimeArchive::MimeTable expected = {
      {"bmp", "image/bmp"},  {"css", "text/css"},    {"gif", "image/gif"},  {"htm", "text/html"},
      {"html", "text/html"}, {"jpeg", "image/jpeg"}, {"jpg", "image/jpeg"}, {"js", "application/x-javascript"},
      {"shtml", "text/html"}};
  EXPECT_EQ(CMimeArchive::DefaultMimeTypes(), expected);
  EXPECT_EQ(CMimeArchive(1).MimeTypes(), expected);
}

// Two references that lead to one file give the file twice; it is one part.
TEST_F(MimeArchiveTest, SamePathTwiceIsOnePart) {
  const std::string path = Resource("a.gif", "second");
  Results results;
  EXPECT_EQ(ResourceSection({path, path}, &results),
            BinaryPart("image/gif", path, "c2Vjb25k") + "--" + kBoundary47 + "--\n");
  EXPECT_EQ(results, (Results{{path, true}, {path, true}}));
}

TEST_F(MimeArchiveTest, PartsComeOutSortedByLocation) {
  const std::string bz = Resource("b/a.gif", "1");
  const std::string az = Resource("a/z.gif", "2");
  const std::string lower = Resource("site/a.gif", "3");
  const std::string upper = Resource("site/A.gif", "4");
  const std::string text = ResourceSection({bz, lower, az, upper});
  const auto at = [&](const std::string& path) { return text.find(Url(path) + "\n"); };
  EXPECT_LT(at(az), at(bz));
  EXPECT_LT(at(bz), at(upper));
  EXPECT_LT(at(upper), at(lower)) << "paths differing in case are two parts, capitals first";
  EXPECT_NE(at(lower), std::string::npos);
}

TEST_F(MimeArchiveTest, UnreadableResourceAddsNoPart) {
  const std::string keep = Resource("keep.gif", "k");
  const std::string missing = m_folder / "missing.gif";
  const std::string folder = m_folder.Path().string();
  Results results;
  EXPECT_EQ(ResourceSection({keep, missing, folder}, &results),
            BinaryPart("image/gif", keep, "aw==") + "--" + kBoundary47 + "--\n");
  EXPECT_EQ(results, (Results{{keep, true}, {missing, false}, {folder, false}}));
}

TEST_F(MimeArchiveTest, EmptyResourceIsAnEmptyPart) {
  const std::string css = Resource("empty.css", "");
  const std::string gif = Resource("empty.gif", "");
  EXPECT_EQ(ResourceSection({css, gif}),
            TextPart("text/css", css, "") + BinaryPart("image/gif", gif, "") + "--" + kBoundary47 + "--\n");
}

// A stylesheet or page the engine rewrote: the given bytes are the part,
// typed and encoded by the path, whether or not the file can be read, and the
// file itself is left alone.
TEST_F(MimeArchiveTest, GivenBytesAreThePartInsteadOfTheFile) {
  const std::string css = Resource("theme.css", "a{background:url(a.gif)}");
  const std::string page = m_folder / "gone/frame.html";
  const std::string givenCss = "a{background:url(\"cid:1\")}";
  const std::string givenPage = "<p>caf\xC3\xA9</p>";
  const std::string givenGif = "GIF89a";
  const std::string gif = m_folder / "gone/a.gif";
  const Files files = {{css, givenCss}, {page, givenPage}, {gif, givenGif}};
  Results results;
  const std::string text = Written(m_archive, files, &results);
  EXPECT_EQ(results, (Results{{css, true}, {page, true}, {gif, true}}));
  EXPECT_EQ(text.substr(text.find("<p>\n\n") + 5),
            BinaryPart("image/gif", gif, "R0lGODlh") + TextPart("text/html", page, "<p>caf=C3=A9</p>", "utf-8") +
                TextPart("text/css", css, "a{background:url(\"cid:1\")}") + "--" + kBoundary47 + "--\n");
  EXPECT_EQ(FileBytes(css), "a{background:url(a.gif)}");
}

// A fetched file's type, as its server sent it, labels the part whatever its
// name says, and a text part keeps the charset the server named.
TEST_F(MimeArchiveTest, AGivenTypeLabelsThePartAndKeepsItsCharset) {
  const std::string css = "/h/style.php", font = "/h/font.css", plain = "/h/notes";
  const Files files = {{css, "p{}", {}, "Text/CSS; Charset=\"ISO-8859-2\""},
                       {font, "wOF2", {}, "font/woff2"},
                       {plain, "caf\xC3\xA9", {}, "text/plain"}};
  const std::string text = Written(m_archive, files, nullptr);
  EXPECT_EQ(text.substr(text.find("<p>\n\n") + 5),
            BinaryPart("font/woff2", font, "d09GMg==") + TextPart("text/plain", plain, "caf=C3=A9", "utf-8") +
                TextPart("text/css", css, "p{}", "iso-8859-2") + "--" + kBoundary47 + "--\n");
}

// Edits replace their stretches of the file, in small parts made whole and in
// big ones streamed piece by piece; a big given text and a big file are
// streamed too, and every part is what encoding its bytes whole gives, a
// UTF-8 letter cut by the pieces included.
TEST_F(MimeArchiveTest, EditedAndBigPartsAreTheirBytesEncodedWhole) {
  std::string big(3 << 20, 'x');
  for (std::size_t i = 0; i < big.size(); i += 61) big[i] = '\n';
  big.replace(933887, 2, "\xC3\xA9");  // across the end of the first piece read
  const std::string bigCss = Resource("big.css", "url(a.gif) " + big + " url(b.gif)");
  const std::string smallCss = Resource("small.css", "url(a.gif) url(b.gif)");
  const std::string binary = Resource("big.gif", big + "\x80\x81");
  const std::string givenPage = big + "<p>";
  const std::string page = m_folder / "frame.html";
  const std::vector<TextEdit> bigEdits = {{0, 10, "url(\"cid:a\")"}, {big.size() + 12, big.size() + 22, "B"}};
  const std::vector<TextEdit> smallEdits = {{11, 21, "B"}};
  const Files files = {
      {bigCss, std::nullopt, bigEdits}, {smallCss, std::nullopt, smallEdits}, File(binary), {page, givenPage}};
  const std::string text = ResourceSection({}, nullptr, files);
  const auto qp = [](const std::string& bytes) {
    return WithLineFeeds(EncodeQuotedPrintable(bytes.data(), static_cast<std::int64_t>(bytes.size())));
  };
  const std::string gif = big + "\x80\x81";
  EXPECT_EQ(text, TextPart("text/css", bigCss, qp("url(\"cid:a\") " + big + " B"), "utf-8") +
                      BinaryPart("image/gif", binary, WithLineFeeds(EncodeBase64(gif.data(), gif.size()))) +
                      TextPart("text/html", page, qp(givenPage), "utf-8") +
                      TextPart("text/css", smallCss, qp("url(a.gif) B")) + "--" + kBoundary47 + "--\n");
}

// A big file is streamed piece by piece, and a cancelled conversion stops
// between two pieces instead of after the file's last byte.
TEST_F(MimeArchiveTest, CancellationStopsAStreamedPart) {
  const std::string big = Resource("big.gif", std::string(3 << 20, 'x'));
  CancellationFlag cancellation;
  FileReader reader;
  reader.SetCancellation(&cancellation);
  std::size_t cancelled = 0;
  std::ostringstream out;
  try {
    m_archive.AddResourcePartsAndWrite(
        {File(big)}, reader, Url, [](std::string_view, bool) {}, out);
    cancellation.Cancel();
    m_archive.AddResourcePartsAndWrite(
        {File(big)}, reader, Url, [](std::string_view, bool) {}, out);
  } catch (const ConvertError& error) {
    EXPECT_EQ(error.Reason(), ConvertReason::kCancelled);
    ++cancelled;
  }
  EXPECT_EQ(cancelled, 1u) << "the first archive is whole, the second stops";
}

TEST_F(MimeArchiveTest, FallbackTypesFillOnlyWhatTheTableLacks) {
  m_archive.SetFallbackMimeTypes({{"svg", "image/svg+xml"}, {"css", "text/plain"}, {"txt", "text/plain"}});
  std::string type;
  for (const auto& [path, expected] : {std::pair{"a.svg", "image/svg+xml"},
                                       {"A.SVG", "image/svg+xml"},
                                       {"a.css", "text/css"},
                                       {"a.txt", "text/plain"},
                                       {"a.xyz", ""}}) {
    m_archive.IsTextType(path, &type);
    EXPECT_EQ(type, expected) << path;
  }
  EXPECT_FALSE(m_archive.IsTextType("a.txt", nullptr)) << "only the three text types are quoted-printable";
  EXPECT_FALSE(m_archive.IsTextType("a.svg", nullptr));
  const std::string svg = Resource("logo.svg", "<svg/>");
  EXPECT_EQ(ResourceSection({svg}), BinaryPart("image/svg+xml", svg, "PHN2Zy8+") + "--" + kBoundary47 + "--\n");
}

// A backslash is a byte of a file's name like any other: "d\\a.gif" is a
// file of its own, whose part follows that of "dA.gif" as a backslash sorts
// after "A", and comes before "d/a.gif", a file in the folder "d".
TEST_F(MimeArchiveTest, PartsFollowTheOrderOfTheirPaths) {
  const std::string upper = Resource("dA.gif", "a");
  const std::string backslashed = Resource("d\\a.gif", "b");
  const std::string inFolder = Resource("d/a.gif", "c");
  EXPECT_EQ(ResourceSection({upper, backslashed, inFolder}),
            BinaryPart("image/gif", inFolder, "Yw==") + BinaryPart("image/gif", upper, "YQ==") +
                BinaryPart("image/gif", backslashed, "Yg==") + "--" + kBoundary47 + "--\n");
}

TEST_F(MimeArchiveTest, EachArchiveHoldsOnlyItsOwnFiles) {
  ResourceSection({Resource("a.gif", "a")});
  EXPECT_EQ(ResourceSection({}), "--" + kBoundary47 + "--\n");
}

TEST_F(MimeArchiveTest, BoundaryIsFixedForTheWritersLife) {
  const std::string first = Written(m_archive);
  m_archive.SetMainPart("file://C:/other.htm", "<b>");
  EXPECT_EQ(Written(m_archive).substr(0, kHeader47.size()), first.substr(0, kHeader47.size()));

  CMimeArchive late(18446744073709551615u);
  EXPECT_NE(Written(late).find("\tboundary=\"----=KORVATH_SCRIVANEBUILDER_18446744073709551615\";\n"),
            std::string::npos);
}

TEST_F(MimeArchiveTest, WritingClearsTheStreamsErrorState) {
  std::ostringstream out;
  out.setstate(std::ios::failbit);
  m_archive.AddResourcePartsAndWrite(
      {}, FileReader(), Url, [](std::string_view, bool) {}, out);
  EXPECT_TRUE(out.good());
  EXPECT_EQ(WithLineFeeds(out.str()).substr(0, kHeader47.size()), kHeader47);
}

TEST_F(MimeArchiveTest, Utf8TextIsLabelledUtf8) {
  const std::string utf8 = Resource("u.css", "p::after{content:\"\xC3\xA9\"}");
  const std::string latin1 = Resource("l.css", "p::after{content:\"\xE9\"}");
  const std::string ascii = Resource("a.css", "p{}");
  EXPECT_EQ(ResourceSection({utf8, latin1, ascii}),
            TextPart("text/css", ascii, "p{}") + TextPart("text/css", latin1, "p::after{content:\"=E9\"}") +
                TextPart("text/css", utf8, "p::after{content:\"=C3=A9\"}", "utf-8") + "--" + kBoundary47 + "--\n");

  m_archive.SetMainPart("file://C:/site/index.htm", "<p>caf\xC3\xA9</p>");
  EXPECT_NE(Written(m_archive).find("charset=\"utf-8\"\nContent-Transfer-Encoding: quoted-printable\n"
                                    "Content-Location: file://C:/site/index.htm\n"),
            std::string::npos);
  m_archive.SetMainPart("file://C:/site/index.htm", "<p>caf\xE9</p>");
  EXPECT_NE(Written(m_archive).find("charset=\"iso-8859-1\"\nContent-Transfer-Encoding: quoted-printable\n"
                                    "Content-Location: file://C:/site/index.htm\n"),
            std::string::npos);
}

// The table decides the encoding as well as the type, whatever the bytes:
// a GIF the table calls a stylesheet is a quoted-printable text part.
TEST_F(MimeArchiveTest, HeaderFollowsTheEncodingTheTableGivesTheBody) {
  m_archive.SetMimeTypes({{"gif", "text/css"}});
  const std::string gif = Resource("a.gif", "GIF89a");
  EXPECT_EQ(ResourceSection({gif}), TextPart("text/css", gif, "GIF89a") + "--" + kBoundary47 + "--\n");
}

TEST_F(MimeArchiveTest, CidStyleAddsAContentIdToResourcePartsOnly) {
  const std::string gif = Resource("a.gif", "GIF89a");
  const std::string css = Resource("a.css", "p{}");
  const std::string fileStyle = Written(m_archive, {File(gif), File(css)});
  m_archive.SetLinkStyle(LinkStyle::Cid);
  const std::string cidStyle = Written(m_archive, {File(gif), File(css)});

  std::string expected = fileStyle;
  for (const std::string& path : {gif, css}) {
    const std::string line = "Content-Location: " + Url(path) + "\n";
    expected.insert(expected.find(line) + line.size(), "Content-ID: <" + ContentIdFromLocation(Location(path)) + ">\n");
  }
  EXPECT_EQ(cidStyle, expected);
  EXPECT_EQ(std::count(cidStyle.begin(), cidStyle.end(), '@'), 2) << "none for the main part";
}

// The archive file as a mail reader sees it: Python's email package splits
// it at the boundary and decodes every part.
TEST_F(MimeArchiveTest, PythonEmailReadsEveryPartBack) {
  std::string binary;
  for (int i = 0; i < 1000; ++i) {
    binary.push_back(static_cast<char>((i * 7919) % 256));
  }
  const std::string gif = Resource("img/x.gif", binary);
  const std::string css = Resource("s.css", "body { content: \"\xC3\xA9\" }\n.x{}\n");
  m_archive.SetMainPart("file:///site/index.htm", "<html>\n<p>a=b \n</html>");
  const std::string archiveFile = m_folder / "out.mht";
  ASSERT_TRUE(WriteWholeFile(archiveFile, WrittenBytes(m_archive, {File(gif), File(css)})));
  const std::string parts = m_folder / "parts";
  fs::create_directory(parts);

  const std::string command = std::string("python3 '") + SCRIVANE_SOURCE_DIR + "/tests/archive/extract_parts.py' '" +
                              archiveFile + "' '" + parts + "' > '" + parts + "/report' 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << FileBytes(parts + "/report");

  // Text parts come back with the file's carriage returns, and with the line
  // end that the format puts after every body (only the second one belongs
  // to the delimiter, RFC 2046 section 5.1.1); base64 ignores both.
  EXPECT_EQ(FileBytes(parts + "/0.body"), "<html>\r\n<p>a=b \r\n</html>\r\n");
  EXPECT_EQ(FileBytes(parts + "/0.location"), "file:///site/index.htm");
  EXPECT_EQ(FileBytes(parts + "/1.body"), binary);
  EXPECT_EQ(FileBytes(parts + "/1.location"), Url(gif));
  EXPECT_EQ(FileBytes(parts + "/2.body"), "body { content: \"\xC3\xA9\" }\r\n.x{}\r\n\r\n");
  EXPECT_EQ(FileBytes(parts + "/2.charset"), "utf-8");
  EXPECT_EQ(FileBytes(parts + "/2.type"), "text/css");
}

// Many parts, some unreadable and some named twice, in an order that is not
// the order of their locations: the results come in the files' order and the
// parts in location order, one per location, as a plain loop would have
// them, although reading, encoding and writing overlap.
TEST(AddResourcePartsAndWriteTest, ManyFilesComeOutInLocationOrderOncePerLocation) {
  TempFolder folder;
  std::deque<std::string> names;  // the files' paths, which stay where they are as more are added
  Files files;
  std::map<std::string, std::string> contents;  // location -> bytes, readable files only
  for (int i = 299; i >= 0; --i) {
    const std::string& name = names.emplace_back(folder / ("f" + std::to_string(i) + (i % 3 == 0 ? ".css" : ".gif")));
    const std::string bytes(static_cast<std::size_t>(100 + i * 37), static_cast<char>('a' + i % 26));
    if (i % 11 != 0) {
      PutFile(name, bytes);
      contents[name] = bytes;
    }
    files.push_back(File(name));
    if (i % 50 == 0) files.push_back(files.front());
  }

  CMimeArchive archive(47);
  archive.SetMainPart("file://C:/site/index.htm", "<html>a=b</html>");
  Results results;
  const std::string text = Written(archive, files, &results);

  Results expectedResults;
  for (const CMimeArchive::ResourceFile& file : files) {
    expectedResults.emplace_back(file.path, contents.count(std::string(file.path)) == 1);
  }
  EXPECT_EQ(results, expectedResults);
  std::string expected = kHeader47 + TextPart("text/html", "C:/site/index.htm", "<html>a=3Db</html>");
  for (const auto& [path, bytes] : contents) {
    expected +=
        path.ends_with(".css")
            ? TextPart("text/css", path,
                       WithLineFeeds(EncodeQuotedPrintable(bytes.data(), static_cast<std::int64_t>(bytes.size()))))
            : BinaryPart("image/gif", path, WithLineFeeds(EncodeBase64(bytes.data(), bytes.size())));
  }
  expected += "--" + kBoundary47 + "--\n";
  EXPECT_EQ(text, expected);
}

}  // namespace
