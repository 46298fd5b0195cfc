#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "archive/content_id.h"
#include "archive/mime_archive.h"
#include "converter_test_support.h"
#include "engine/html_document.h"
#include "engine/reference_rules.h"

namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsSupersetOf;
using ::testing::Not;

using Lines = std::vector<std::string>;

const std::string kBoundary = "----=KORVATH_SCRIVANEBUILDER_47";

int HexDigit(char c) { return c <= '9' ? c - '0' : c - 'A' + 10; }

// Quoted-printable as the archive writes it: soft breaks "=\n" and "=XX".
std::string DecodeQuotedPrintable(std::string_view text) {
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '=') {
      decoded += text[i];
    } else if (text.substr(i + 1, 1) == "\n") {
      i += 1;
    } else {
      decoded += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    }
  }
  return decoded;
}

std::string DecodeBase64(std::string_view text) {
  static const std::string kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string decoded;
  unsigned bits = 0;
  int count = 0;
  for (const char c : text) {
    const std::size_t value = kAlphabet.find(c);
    if (value == std::string::npos) continue;
    bits = (bits << 6) | static_cast<unsigned>(value);
    count += 6;
    if (count >= 8) {
      count -= 8;
      decoded += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return decoded;
}

struct ArchivedPart {
  std::string type;
  std::string body;  // decoded
};

// The resource parts of a written archive by the path their Content-Location
// names.
std::map<std::string, ArchivedPart> ResourceParts(const std::string& archive) {
  std::map<std::string, ArchivedPart> parts;
  const std::string delimiter = "--" + kBoundary + "\n";
  std::size_t at = archive.find(delimiter);
  for (bool main = true; at != std::string::npos; main = false) {
    const std::size_t start = at + delimiter.size();
    at = archive.find("\n\n--" + kBoundary, start);
    if (at == std::string::npos) break;
    const std::string part = archive.substr(start, at - start);
    at += 2;
    if (main) continue;
    const std::size_t headerEnd = part.find("\n\n");
    const std::string header = part.substr(0, headerEnd);
    const auto field = [&](const std::string& name) {
      const std::size_t from = header.find(name) + name.size();
      return header.substr(from, header.find_first_of(";\n", from) - from);
    };
    const std::string body = part.substr(headerEnd + 2);
    const bool text = header.find("quoted-printable") != std::string::npos;
    parts[ReferenceToPath(field("Content-Location: ")).value_or("")] = {
        field("Content-Type: "), text ? DecodeQuotedPrintable(body) : DecodeBase64(body)};
  }
  return parts;
}

class CompleteArchiveTest : public ::testing::Test, public ConverterFixture {
 protected:
  CompleteArchiveTest() {
    converter.SetCompleteArchive(true);
    converter.SetLinkStyle(LinkStyle::Cid);
    archive.SetLinkStyle(LinkStyle::Cid);
  }

  std::string In(const std::string& relative) const { return folder / relative; }
  void Put(const std::string& relative, std::string_view bytes) const {
    std::filesystem::create_directories(std::filesystem::path(In(relative)).parent_path());
    PutFile(In(relative), bytes);
  }
  // What a reference to the file at `relative` becomes.
  std::string Cid(const std::string& relative) const { return "cid:" + ContentIdFromLocation(In(relative)); }
  std::string FileUrl(const std::string& relative) const { return FileUrlFromPath(In(relative)); }

  // Converts the page and keeps the archive's text.
  void Convert(const std::string& page) {
    std::ostringstream out;
    converter.Convert(In(page), archive, out);
    text = WithLineFeeds(out.str());
    parts = ResourceParts(text);
  }
  std::string Markup() const { return converter.Document()->PageMarkup(); }
  std::string Body(const std::string& relative) const {
    const auto part = parts.find(In(relative));
    return part == parts.end() ? "no part for " + relative : part->second.body;
  }
  bool HasPart(const std::string& relative) const { return parts.count(In(relative)) != 0; }
  std::vector<std::string> LinesFrom(const std::string& first) const {
    const std::vector<std::string> lines = LogLines();
    const auto from = std::find(lines.begin(), lines.end(), first);
    return {from, lines.end()};
  }

  CMimeArchive archive{47};
  std::string text;
  std::map<std::string, ArchivedPart> parts;
};

// A documentation theme as generators write it: the page links one
// stylesheet, which imports another, which imports the fonts, each naming
// files relative to its own folder.
TEST_F(CompleteArchiveTest, ThemeThroughTwoLevelsOfImportsWithFontsAndBackgrounds) {
  Put("index.html", "<link rel=\"stylesheet\" href=\"_static/alabaster.css\"><div class=\"logo\"></div>");
  Put("_static/alabaster.css",
      "@import url(\"basic.css\");\n/* url(commented.png) */\n"
      "body { background: url(bg.png) }\n"
      ".x { background: url(\"https://cdn.example.com/r.png\"), url(data:image/gif;base64,R0lGOD==), "
      "url(missing.png), url('a\\\"q.png') }\n");
  Put("_static/basic.css",
      "@import \"fonts/fonts.css\";\n"
      ".logo { background-image: image-set(\"logo.png\" 1x, url(logo@2x.png) 2x); content: \"url(no.png)\" }\n");
  Put("_static/fonts/fonts.css",
      "@font-face { font-family: Lato; src: url(lato.woff2) format(\"woff2\"), url('../lato.ttf?#iefix') "
      "format(\"truetype\"); }\n");
  for (const char* file : {"_static/bg.png", "_static/a\"q.png", "_static/logo.png", "_static/logo@2x.png",
                           "_static/fonts/lato.woff2", "_static/lato.ttf"}) {
    Put(file, "bytes");
  }

  Convert("index.html");

  EXPECT_EQ(Body("_static/alabaster.css"),
            "@import url(\"" + Cid("_static/basic.css") + "\");\n/* url(commented.png) */\n" +
                "body { background: url(\"" + Cid("_static/bg.png") + "\") }\n" +
                ".x { background: url(\"https://cdn.example.com/r.png\"), url(data:image/gif;base64,R0lGOD==), "
                "url(missing.png), url(\"" +
                Cid("_static/a\"q.png") + "\") }\n");
  EXPECT_EQ(Body("_static/basic.css"), "@import \"" + Cid("_static/fonts/fonts.css") +
                                           "\";\n.logo { background-image: image-set(\"" + Cid("_static/logo.png") +
                                           "\" 1x, url(\"" + Cid("_static/logo@2x.png") +
                                           "\") 2x); content: \"url(no.png)\" }\n");
  EXPECT_EQ(Body("_static/fonts/fonts.css"), "@font-face { font-family: Lato; src: url(\"" +
                                                 Cid("_static/fonts/lato.woff2") + "\") format(\"woff2\"), url(\"" +
                                                 Cid("_static/lato.ttf") + "\") format(\"truetype\"); }\n");
  EXPECT_EQ(parts.at(In("_static/basic.css")).type, "text/css");
  for (const char* file : {"_static/bg.png", "_static/a\"q.png", "_static/logo.png", "_static/logo@2x.png",
                           "_static/fonts/lato.woff2", "_static/lato.ttf"}) {
    EXPECT_TRUE(HasPart(file)) << file;
  }
  EXPECT_EQ(parts.size(), 9u) << "nothing for remote, data:, missing or commented URLs";
  EXPECT_EQ(FileBytes(In("_static/basic.css")).substr(0, 8), "@import ") << "the files themselves are untouched";

  EXPECT_THAT(LinesFrom("[INFO]\t\tNo media elements found"),
              ElementsAre("[INFO]\t\tNo media elements found", "[INFO]\t\tNo style elements found",
                          "[INFO]\t\tNo style attributes found", "[INFO]\t\tNo frames found",
                          "[INFO]\t\tChecking stylesheet: " + In("_static/alabaster.css") + "...",
                          "[WARNING]\tFailed to add resource body part: " + In("_static/missing.png"),
                          "[INFO]\t\tFound 6 stylesheet references",
                          "[INFO]\t\tChecking stylesheet: " + In("_static/basic.css") + "...",
                          "[INFO]\t\tFound 3 stylesheet references",
                          "[INFO]\t\tChecking stylesheet: " + In("_static/fonts/fonts.css") + "...",
                          "[INFO]\t\tFound 2 stylesheet references", "[INFO]\t\tFound 3 stylesheets",
                          "[INFO]\t\tAdd main body part: " + In("index.html"),
                          "[INFO]\t\tAdd resource body part: " + In("_static/lato.ttf"),
                          "[INFO]\t\tAdd stylesheet body part: " + In("_static/alabaster.css"),
                          "[INFO]\t\tAdd resource body part: " + In("_static/a\"q.png"),
                          "[INFO]\t\tAdd stylesheet body part: " + In("_static/basic.css"),
                          "[INFO]\t\tAdd resource body part: " + In("_static/bg.png"),
                          "[INFO]\t\tAdd stylesheet body part: " + In("_static/fonts/fonts.css"),
                          "[INFO]\t\tAdd resource body part: " + In("_static/fonts/lato.woff2"),
                          "[INFO]\t\tAdd resource body part: " + In("_static/logo.png"),
                          "[INFO]\t\tAdd resource body part: " + In("_static/logo@2x.png"),
                          "[INFO]\t\tFinished - 1 warning(s), 0 error(s).", ""));
}

// Each stylesheet of a circle is scanned once, and each points at the other's part.
TEST_F(CompleteArchiveTest, CircleOfImportsEndsWithEachStylesheetOnce) {
  Put("index.html", "<link rel=stylesheet href=a.css>");
  Put("a.css", "@import \"b.css\";\n@import \"a.css\";\n");
  Put("b.css", "@import url(a.css);\np { background: url(p.gif) }\n");
  Put("p.gif", "GIF89a");
  Convert("index.html");
  EXPECT_EQ(Body("a.css"), "@import \"" + Cid("b.css") + "\";\n@import \"" + Cid("a.css") + "\";\n");
  EXPECT_EQ(Body("b.css"), "@import url(\"" + Cid("a.css") + "\");\np { background: url(\"" + Cid("p.gif") + "\") }\n");
  const std::vector<std::string> lines = LogLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "[INFO]\t\tChecking stylesheet: " + In("a.css") + "..."), 1);
  EXPECT_THAT(lines, Contains("[INFO]\t\tFound 2 stylesheets"));
}

// Past the bound an imported stylesheet is archived as it is, unscanned.
TEST_F(CompleteArchiveTest, ImportsNestedBeyondTheBoundAreArchivedAsWritten) {
  const int last = CConverter::kMaxImportDepth + 1;
  Put("index.html", "<link rel=stylesheet href=s0.css>");
  for (int i = 0; i <= last; ++i) {
    Put("s" + std::to_string(i) + ".css",
        "@import \"s" + std::to_string(i + 1) + ".css\"; a { background: url(i.gif) }");
  }
  Put("i.gif", "GIF89a");
  Convert("index.html");
  const std::string deepest = "s" + std::to_string(last) + ".css";
  EXPECT_EQ(Body(deepest), FileBytes(In(deepest)));
  EXPECT_THAT(Body("s" + std::to_string(last - 1) + ".css"), HasSubstr(Cid(deepest)));
  EXPECT_THAT(LogLines(), IsSupersetOf(Lines{"[WARNING]\tStylesheet imports nested too deeply: " + In(deepest),
                                             "[INFO]\t\tFound " + std::to_string(last) + " stylesheets",
                                             "[INFO]\t\tAdd resource body part: " + In(deepest),
                                             "[INFO]\t\tFinished - 1 warning(s), 0 error(s)."}));
}

TEST_F(CompleteArchiveTest, UnreadableStylesheetIsWarnedAboutOnce) {
  Put("index.html", "<link rel=stylesheet href=gone.css><p style=\"background: url(gone.gif)\">");
  Convert("index.html");
  EXPECT_THAT(LinesFrom("[INFO]\t\tChecking stylesheet: " + In("gone.css") + "..."),
              ElementsAre("[INFO]\t\tChecking stylesheet: " + In("gone.css") + "...",
                          "[WARNING]\tFailed to read stylesheet: " + In("gone.css"), "[INFO]\t\tFound 1 stylesheets",
                          "[INFO]\t\tAdd main body part: " + In("index.html"),
                          "[WARNING]\tFailed to add resource body part: " + In("gone.css"),
                          "[INFO]\t\tFinished - 3 warning(s), 0 error(s).", ""));
  EXPECT_THAT(Markup(), HasSubstr("style=\"background: url(gone.gif)\"")) << "a missing file stays as written";
  EXPECT_THAT(LogLines(), Contains("[WARNING]\tFailed to add resource body part: " + In("gone.gif")))
      << "and is told as left out";
}

// Style elements and attributes belong to the page: their URLs resolve
// against its base, and what they import is a stylesheet whatever its name.
TEST_F(CompleteArchiveTest, InlineStylesResolveAgainstThePageBase) {
  Put("index.html",
      "<base href=\"sub/\"><style>@import \"theme\";\nh1 { background: url(h.gif) }</style>"
      "<h1 style=\"background: url('h.gif'); color: red\">T</h1><p style=\"color: blue\">"
      "<svg><style>rect { fill: url(#g) }</style></svg>");
  Put("sub/theme", "div { background: url(d.gif) }");
  Put("sub/h.gif", "GIF89a");
  Put("sub/d.gif", "GIF89a");
  Convert("index.html");
  EXPECT_THAT(Markup(), HasSubstr("<style>@import \"" + Cid("sub/theme") + "\";\nh1 { background: url(\"" +
                                  Cid("sub/h.gif") + "\") }</style>"));
  EXPECT_THAT(Markup(), HasSubstr("<h1 style=\"background: url(&quot;" + Cid("sub/h.gif") + "&quot;); color: red\">"));
  EXPECT_THAT(Markup(), HasSubstr("<style>rect { fill: url(#g) }</style>"));
  EXPECT_EQ(Body("sub/theme"), "div { background: url(\"" + Cid("sub/d.gif") + "\") }");
  EXPECT_THAT(LogLines(), IsSupersetOf(Lines{"[INFO]\t\tFound 2 style elements", "[INFO]\t\tFound 2 style attributes",
                                             "[INFO]\t\tAdd stylesheet body part: " + In("sub/theme")}));
}

// Every candidate of every srcset, and each attribute of media and embedded
// content, points at its part; descriptors, remote URLs and image buttons'
// neighbours stay as written.
TEST_F(CompleteArchiveTest, MediaElementsAndEveryCandidateOfASrcset) {
  Put("index.html",
      "<img src=\"a.png\" srcset=\"a.png 1x, img/b.png 2x,https://x.example/c.png 3x\">"
      "<img src=\"plain.png\">"
      "<picture><source media=\"(min-width: 800px)\" srcset=\"s.png 480w, m.png 800w\" sizes=\"50vw\">"
      "<img src=\"a.png\"></picture>"
      "<video poster=\"poster.png\" src=\"clip.webm\"><source src=\"clip.mp4\" type=\"video/mp4\">"
      "<track src=\"subs.vtt\" kind=\"subtitles\"></video><audio src=\"tune.ogg\"></audio>"
      "<input type=\"IMAGE\" src=\"go.png\"><input type=\"text\" src=\"not.png\">"
      "<object data=\"diagram.svg\"></object><embed src=\"movie.swf\">"
      "<svg><image href=\"i.svg\" /><use xlink:href=\"icons.svg#star\" /><use href=\"#local\" /></svg>"
      "<link rel=\"preload\" as=\"image\" imagesrcset=\"img/b.png 1x, m.png 2x\">");
  Convert("index.html");
  const std::string markup = Markup();
  EXPECT_THAT(markup, HasSubstr("imagesrcset=\"" + Cid("img/b.png") + " 1x, " + Cid("m.png") + " 2x\""));
  EXPECT_THAT(markup,
              HasSubstr("srcset=\"" + Cid("a.png") + " 1x, " + Cid("img/b.png") + " 2x,https://x.example/c.png 3x\""));
  EXPECT_THAT(markup, HasSubstr("srcset=\"" + Cid("s.png") + " 480w, " + Cid("m.png") + " 800w\" sizes=\"50vw\""));
  for (const auto& [attribute, file] : {std::pair{"poster", "poster.png"},
                                        {"src", "clip.webm"},
                                        {"src", "clip.mp4"},
                                        {"src", "subs.vtt"},
                                        {"src", "tune.ogg"},
                                        {"src", "go.png"},
                                        {"data", "diagram.svg"},
                                        {"src", "movie.swf"},
                                        {"href", "i.svg"}}) {
    EXPECT_THAT(markup, HasSubstr(std::string(attribute) + "=\"" + Cid(file) + "\"")) << file;
  }
  EXPECT_THAT(markup, HasSubstr("xlink:href=\"" + Cid("icons.svg") + "#star\""));
  EXPECT_THAT(markup, HasSubstr("<use href=\"#local\">"));
  EXPECT_THAT(markup, HasSubstr("src=\"not.png\""));
  EXPECT_THAT(LogLines(), Contains("[INFO]\t\tFound 13 media elements"));
}

// An SVG file that becomes a part has its references rewritten as a
// stylesheet's are, against its own folder: hrefs of images and uses (with
// their fragments), its stylesheets' URLs, and the SVG files it names in turn.
TEST_F(CompleteArchiveTest, SvgFilesHaveTheirReferencesRewritten) {
  archive.SetFallbackMimeTypes({{"svg", "image/svg+xml"}});
  Put("index.html", "<img src=\"pics/logo.svg\"><p style=\"background: url(pics/bg.svg)\">");
  Put("pics/logo.svg",
      "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
      "xmlns:xlink=\"http://www.w3.org/1999/xlink\"><style><![CDATA[rect { fill: url(pat.png) }]]></style>"
      "<image xlink:href='photo.png'/><use href=\"icons.svg#star\"/><use href=\"#local\"/>"
      "<rect style=\"fill: url(&quot;tex.png&quot;)\"/><a href=\"page.html\">x</a><image href=\"gone.png\"/></svg>");
  Put("pics/bg.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\"/>");
  Put("pics/icons.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\"><image href=\"deep.png\"/></svg>");
  for (const char* file : {"pics/pat.png", "pics/photo.png", "pics/tex.png", "pics/deep.png", "pics/page.html"}) {
    Put(file, "x");
  }
  Convert("index.html");
  EXPECT_EQ(Body("pics/logo.svg"),
            "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
            "xmlns:xlink=\"http://www.w3.org/1999/xlink\"><style><![CDATA[rect { fill: url(\"" +
                Cid("pics/pat.png") + "\") }]]></style><image xlink:href='" + Cid("pics/photo.png") +
                "'/><use href=\"" + Cid("pics/icons.svg") +
                "#star\"/><use href=\"#local\"/><rect style=\"fill: url(&quot;" + Cid("pics/tex.png") +
                "&quot;)\"/><a href=\"page.html\">x</a><image href=\"gone.png\"/></svg>");
  EXPECT_EQ(Body("pics/icons.svg"),
            "<svg xmlns=\"http://www.w3.org/2000/svg\"><image href=\"" + Cid("pics/deep.png") + "\"/></svg>");
  EXPECT_TRUE(HasPart("pics/bg.svg"));
  EXPECT_TRUE(HasPart("pics/deep.png"));
  EXPECT_FALSE(HasPart("pics/page.html"));
}

// An iframe's srcdoc is converted as a frame's page, against the page's own
// folder, and stays in its attribute; the src a browser would not load
// stays as written.
TEST_F(CompleteArchiveTest, IframeSrcdocConvertedInPlace) {
  Put("index.html",
      "<iframe src=\"never.html\" srcdoc=\"<p>in<img src=&quot;pic.gif&quot;>"
      "<iframe srcdoc='<img src=sub/deep.gif>'></iframe>\"></iframe>");
  Put("pic.gif", "GIF89a");
  Put("sub/deep.gif", "GIF89a");
  Put("never.html", "<p>never");
  Convert("index.html");
  EXPECT_THAT(Markup(),
              HasSubstr("<iframe src=\"never.html\" srcdoc=\"<html><head></head><body><p>in<img src=&quot;" +
                        Cid("pic.gif") + "&quot;><iframe srcdoc=&quot;<html><head></head><body><img src=&amp;quot;" +
                        Cid("sub/deep.gif") + "&amp;quot;></body></html>&quot;></iframe></p></body></html>\">"));
  EXPECT_TRUE(HasPart("pic.gif"));
  EXPECT_TRUE(HasPart("sub/deep.gif"));
  EXPECT_FALSE(HasPart("never.html"));
  EXPECT_THAT(LogLines(), Contains("[INFO]\t\tProcessing frame: srcdoc..."));
}

// A frameset of two pages in a folder of their own: each page is a part,
// converted once against its own folder, and the frames point at them.
TEST_F(CompleteArchiveTest, FramesetOfTwoLocalPages) {
  Put("index.html",
      "<!DOCTYPE html><frameset cols=\"50%,50%\"><frame src=\"frames/left.html\"><frame src=\"frames/right.html\">"
      "</frameset>");
  Put("frames/left.html", "<p>left<img src=\"l.gif\"><iframe src=\"right.html\"></iframe>");
  Put("frames/right.html",
      "<meta charset=\"iso-8859-1\"><link rel=stylesheet href=\"r.css\"><p style=\"background: url(r.gif)\">caf\xE9");
  Put("frames/r.css", "p { border-image: url(r.gif) }");
  Put("frames/l.gif", "GIF89a");
  Put("frames/r.gif", "GIF89a");
  Convert("index.html");

  EXPECT_THAT(Markup(), HasSubstr("<frame src=\"" + Cid("frames/left.html") + "\"><frame src=\"" +
                                  Cid("frames/right.html") + "\">"));
  EXPECT_EQ(parts.at(In("frames/left.html")).type, "text/html");
  EXPECT_THAT(Body("frames/left.html"), HasSubstr("<img src=\"" + Cid("frames/l.gif") + "\"><iframe src=\"" +
                                                  Cid("frames/right.html") + "\"></iframe>"));
  EXPECT_THAT(Body("frames/right.html"), HasSubstr("href=\"" + Cid("frames/r.css") + "\""));
  EXPECT_THAT(Body("frames/right.html"), HasSubstr("url(&quot;" + Cid("frames/r.gif") + "&quot;)"));
  EXPECT_THAT(Body("frames/right.html"), HasSubstr("<meta charset=\"utf-8\">")) << "stored as UTF-8, and saying so";
  EXPECT_THAT(Body("frames/right.html"), HasSubstr("caf\xC3\xA9</p>"));
  EXPECT_THAT(text, HasSubstr("charset=\"utf-8\"\nContent-Transfer-Encoding: quoted-printable\nContent-Location: " +
                              FileUrl("frames/right.html")));
  EXPECT_EQ(Body("frames/r.css"), "p { border-image: url(\"" + Cid("frames/r.gif") + "\") }");

  const std::string left = In("frames/left.html");
  const std::string right = In("frames/right.html");
  EXPECT_THAT(
      LinesFrom("[INFO]\t\tProcessing frame: " + left + "..."),
      ElementsAre("[INFO]\t\tProcessing frame: " + left + "...", "[INFO]\t\tChecking for preloaded images...",
                  "[INFO]\t\tNo preloaded images found", "[INFO]\t\tFound 1 images", "[INFO]\t\tNo scripts found",
                  "[INFO]\t\tFound 1 custom resources", "[INFO]\t\tNo media elements found",
                  "[INFO]\t\tNo style elements found", "[INFO]\t\tNo style attributes found",
                  "[INFO]\t\tProcessing frame: " + right + "...", "[INFO]\t\tChecking for preloaded images...",
                  "[INFO]\t\tNo preloaded images found", "[INFO]\t\tNo images found", "[INFO]\t\tNo scripts found",
                  "[INFO]\t\tFound 2 custom resources", "[INFO]\t\tNo media elements found",
                  "[INFO]\t\tNo style elements found", "[INFO]\t\tFound 1 style attributes",
                  "[INFO]\t\tNo frames found", "[INFO]\t\tFound 1 frames", "[INFO]\t\tFound 2 frames",
                  "[INFO]\t\tChecking stylesheet: " + In("frames/r.css") + "...",
                  "[INFO]\t\tFound 1 stylesheet references", "[INFO]\t\tFound 1 stylesheets",
                  "[INFO]\t\tAdd main body part: " + In("index.html"), "[INFO]\t\tAdd frame body part: " + left,
                  "[INFO]\t\tAdd frame body part: " + right, "[INFO]\t\tAdd resource body part: " + In("frames/l.gif"),
                  "[INFO]\t\tAdd stylesheet body part: " + In("frames/r.css"),
                  "[INFO]\t\tAdd resource body part: " + In("frames/r.gif"), "[INFO]\t\tAdd frame body part: " + right,
                  "[INFO]\t\tFinished - 0 warning(s), 0 error(s).", ""));
}

// A frame that would show a page around it again (the page itself, or a
// frame page it sits in) shows nothing: a reader would otherwise nest the
// circle without end. Each page is still converted once.
TEST_F(CompleteArchiveTest, CircleOfFramesIsCutWhereItWouldClose) {
  Put("index.html", "<iframe src=\"a.html\"></iframe><iframe src=\"b.html\"></iframe>");
  Put("a.html", "<iframe src=\"b.html\"></iframe><iframe src=\"index.html\"></iframe>");
  Put("b.html", "<iframe src=\"a.html#x\"></iframe><iframe src=\"b.html\"></iframe>");
  Convert("index.html");
  EXPECT_THAT(Markup(), HasSubstr("<iframe src=\"" + Cid("a.html") + "\"></iframe><iframe src=\"" + Cid("b.html") +
                                  "\"></iframe>"));
  EXPECT_THAT(Body("a.html"),
              HasSubstr("<iframe src=\"" + Cid("b.html") + "\"></iframe><iframe src=\"about:blank\"></iframe>"));
  EXPECT_THAT(Body("b.html"), HasSubstr("<iframe src=\"about:blank\"></iframe><iframe src=\"about:blank\"></iframe>"));
  const std::vector<std::string> lines = LogLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "[INFO]\t\tProcessing frame: " + In("b.html") + "..."), 1);
  EXPECT_THAT(lines, Contains("[INFO]\t\tFinished - 0 warning(s), 0 error(s)."));
}

TEST_F(CompleteArchiveTest, FramesNestedBeyondTheBoundStayAsWritten) {
  const int last = CConverter::kMaxFrameDepth + 1;
  Put("index.html", "<iframe src=\"f1.html\"></iframe>");
  for (int i = 1; i <= last; ++i) {
    Put("f" + std::to_string(i) + ".html", "<iframe src=\"f" + std::to_string(i + 1) + ".html\"></iframe>");
  }
  Convert("index.html");
  const std::string deepest = "f" + std::to_string(last) + ".html";
  EXPECT_THAT(Body("f" + std::to_string(last - 1) + ".html"), HasSubstr("<iframe src=\"" + deepest + "\">"));
  EXPECT_FALSE(HasPart(deepest));
  EXPECT_THAT(LogLines(), IsSupersetOf(Lines{"[WARNING]\tFrames nested too deeply: " + In(deepest),
                                             "[INFO]\t\tFinished - 1 warning(s), 0 error(s)."}));
}

// What a frame shows that is not a page is a resource like any other; a
// page that cannot be read leaves its frame as written, with a warning.
TEST_F(CompleteArchiveTest, FramesOfOtherFilesAndOfPagesThatCannotBeRead) {
  Put("index.html",
      "<iframe src=\"pic.gif\"></iframe><iframe src=\"gone.html\"></iframe><iframe src=\"gone.html\"></iframe>"
      "<iframe src=\"https://example.com/\"></iframe><iframe></iframe>");
  Put("pic.gif", "GIF89a");
  Convert("index.html");
  EXPECT_THAT(Markup(), HasSubstr("<iframe src=\"" + Cid("pic.gif") + "\"></iframe><iframe src=\"gone.html\">"));
  EXPECT_FALSE(HasPart("gone.html"));
  const std::vector<std::string> lines = LogLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "[WARNING]\tFailed to read frame page: " + In("gone.html")), 1);
  EXPECT_THAT(lines, IsSupersetOf(Lines{"[INFO]\t\tFound 5 frames", "[INFO]\t\tFinished - 1 warning(s), 0 error(s)."}));
}

// The names a script assigns mean files beside the page that runs it: one
// script in the page and in a frame page of another folder, read once,
// registers each name against each page's folder.
TEST_F(CompleteArchiveTest, ScriptSharedWithAFramePageResolvesAgainstEachPage) {
  Put("index.html", "<script src=\"menu.js\"></script><iframe src=\"sub/f.html\"></iframe>");
  Put("sub/f.html", "<script src=\"../menu.js\"></script>");
  Put("menu.js", "img.src = 'on.gif';");
  Put("on.gif", "GIF89a top");
  Put("sub/on.gif", "GIF89a sub");
  Convert("index.html");
  EXPECT_TRUE(HasPart("on.gif"));
  EXPECT_TRUE(HasPart("sub/on.gif"));
}

// A frame page too costly to parse is refused like one that cannot be
// read; the page around it is converted all the same.
TEST_F(CompleteArchiveTest, FramePageTooCostlyToParseStaysAsWritten) {
  Put("index.html", "<iframe src=\"deep.html\"></iframe><img src=\"pic.gif\">");
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<div>";
  Put("deep.html", deep);
  Put("pic.gif", "GIF89a");
  Convert("index.html");
  EXPECT_THAT(Markup(), HasSubstr("<iframe src=\"deep.html\">"));
  EXPECT_FALSE(HasPart("deep.html"));
  EXPECT_TRUE(HasPart("pic.gif"));
  EXPECT_THAT(LogLines(), IsSupersetOf(Lines{"[WARNING]\tFailed to read frame page: " + In("deep.html"),
                                             "[INFO]\t\tFinished - 1 warning(s), 0 error(s)."}));
}

// A folder linked into itself spells one file in ever more ways; each
// stylesheet and frame page is still scanned or converted once, so two such
// links cannot make the work grow with every level.
TEST_F(CompleteArchiveTest, FolderLinkedIntoItselfMakesNoFileMany) {
  Put("index.html", "<link rel=stylesheet href=a.css><iframe src=\"f.html\"></iframe>");
  Put("a.css", "@import \"l1/a.css\"; @import \"l2/a.css\"; p { background: url(l1/l2/p.gif) }");
  Put("f.html", "<iframe src=\"l1/f.html\"></iframe><iframe src=\"l2/g.html\"></iframe>");
  Put("g.html", "<iframe src=\"l1/l2/g.html\"></iframe><iframe src=\"l2/f.html\"></iframe>");
  Put("p.gif", "GIF89a");
  std::filesystem::create_directory_symlink(".", In("l1"));
  std::filesystem::create_directory_symlink(".", In("l2"));
  Convert("index.html");
  const std::vector<std::string> lines = LogLines();
  const auto count = [&](const std::string& prefix) {
    return std::count_if(lines.begin(), lines.end(), [&](const std::string& line) { return line.starts_with(prefix); });
  };
  EXPECT_EQ(count("[INFO]\t\tChecking stylesheet: "), 1);
  EXPECT_EQ(count("[INFO]\t\tProcessing frame: "), 2);
  EXPECT_EQ(Body("l1/a.css"), Body("a.css")) << "every spelling's part holds the one rewritten text";
  EXPECT_THAT(Body("f.html"), HasSubstr("<iframe src=\"about:blank\"></iframe><iframe src=\"" + Cid("l2/g.html")));
  EXPECT_THAT(Body("l2/g.html"), HasSubstr("<iframe src=\"about:blank\"></iframe><iframe src=\"about:blank\">"));
  EXPECT_THAT(lines, Contains("[INFO]\t\tFinished - 0 warning(s), 0 error(s)."));
}

// Stylesheets and frame pages are read beneath the allowed folder like every
// other file: what they name outside it stays out, links included.
TEST_F(CompleteArchiveTest, AllowedRootKeepsOutWhatStylesheetsAndFramesNameOutsideIt) {
  Put("outside.css", "p { background: url(secret.png) }");
  Put("outside.html", "<img src=secret.png>");
  Put("secret.png", "secret");
  Put("site/index.html",
      "<link rel=stylesheet href=style.css><iframe src=\"../outside.html\"></iframe><iframe "
      "src=\"link.html\"></iframe>");
  Put("site/style.css", "@import \"../outside.css\"; @import \"link.css\"; p { background: url(../secret.png) }");
  std::filesystem::create_symlink("../outside.css", In("site/link.css"));
  std::filesystem::create_symlink("../outside.html", In("site/link.html"));
  converter.SetAllowedRoot(In("site"));
  Convert("site/index.html");
  EXPECT_EQ(Body("site/style.css"), FileBytes(In("site/style.css")));
  EXPECT_THAT(Markup(), HasSubstr("<iframe src=\"../outside.html\"></iframe><iframe src=\"link.html\"></iframe>"));
  EXPECT_EQ(parts.size(), 1u);
  EXPECT_THAT(LogLines(), IsSupersetOf(Lines{"[WARNING]\tOutside the allowed folder: " + In("outside.html"),
                                             "[WARNING]\tOutside the allowed folder: " + In("site/link.html"),
                                             "[WARNING]\tOutside the allowed folder: " + In("outside.css"),
                                             "[WARNING]\tOutside the allowed folder: " + In("site/link.css"),
                                             "[WARNING]\tOutside the allowed folder: " + In("secret.png")}));
}

// Off, the conversion is the one it always was: none of the new lines, and
// what only a complete archive takes stays as written.
TEST_F(CompleteArchiveTest, OffTakesNothingMore) {
  converter.SetCompleteArchive(false);
  Put("index.html",
      "<style>h1 { background: url(h.gif) }</style><img src=\"a.gif\" srcset=\"b.gif 2x\">"
      "<iframe src=\"f.html\"></iframe><link rel=stylesheet href=\"t.css\">");
  Put("t.css", "p { background: url(h.gif) }");
  Put("h.gif", "GIF89a");
  Put("a.gif", "GIF89a");
  Put("f.html", "<p>frame");
  Convert("index.html");
  EXPECT_THAT(Markup(), HasSubstr("<style>h1 { background: url(h.gif) }</style>"));
  EXPECT_THAT(Markup(), HasSubstr("srcset=\"b.gif 2x\""));
  EXPECT_THAT(Markup(), HasSubstr("<iframe src=\"f.html\">"));
  EXPECT_EQ(Body("t.css"), "p { background: url(h.gif) }");
  EXPECT_THAT(LogLines(), Not(Contains(HasSubstr("media elements"))));
  EXPECT_EQ(parts.size(), 2u);
}

}  // namespace
