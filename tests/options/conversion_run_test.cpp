#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "archive/mime_archive.h"
#include "base/cancellation_flag.h"
#include "base/convert_error.h"
#include "engine/converter.h"
#include "log/convert_log.h"
#include "options/conversion_run.h"
#include "options/convert_options.h"
#include "options/ui_services.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// One set of engine objects for several conversions, as the window keeps.
class ConversionRunTest : public ::testing::Test {
 protected:
  ConversionRunTest() {
    options.ResetToDefaults();
    PutFile(folder / "page.html", "<p>hello</p><img src=\"a.gif\">");
    PutFile(folder / "a.gif", "GIF89a");
  }
  ~ConversionRunTest() override { options.ResetToDefaults(); }

  ConversionResult Run(const ConversionRequest& request) {
    return RunConversion(options, request, converter, archive, logSettings);
  }
  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.Path())) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  ConvertOptions& options = ConvertOptions::Instance();
  TempFolder folder;
  CConverter converter;
  CMimeArchive archive{47};
  CConvertLog logSettings;
};

TEST_F(ConversionRunTest, ArchiveStreamedIntoTheOutputAndNamedInTheMessage) {
  const std::string output = folder / "sub/../page.mht";
  fs::create_directory(folder / "sub");
  const ConversionResult result = Run({.inputPath = folder / "page.html", .outputPath = output});
  EXPECT_TRUE(result.Converted());
  EXPECT_EQ(result.message, "Web archive created successfully at:\n" + output);
  const std::string text = FileBytes(folder / "page.mht");
  EXPECT_EQ(text.rfind("From: <Saved by Korvath Scrivane Builder>\r\n", 0), 0u);
  EXPECT_NE(text.find("Content-Location: file://" + (folder / "a.gif") + "\r\n"), std::string::npos);
  const std::string end = "------=KORVATH_SCRIVANEBUILDER_47--\r\n";
  ASSERT_GT(text.size(), end.size());
  EXPECT_EQ(text.substr(text.size() - end.size()), end) << "the whole archive, closed";
}

// A failed conversion leaves an earlier archive as it was and no temporary
// file behind.
TEST_F(ConversionRunTest, FailuresCarryTheirCodeAndMessageAndKeepTheEarlierArchive) {
  PutFile(folder / "keep.mht", "earlier archive");
  struct Case {
    ConversionRequest request;
    ConvertReason reason;
  };
  const std::vector<Case> cases = {
      {{.inputPath = folder / "missing.html", .outputPath = folder / "keep.mht"}, ConvertReason::kInputOpen},
      {{.inputPath = folder.Path().string(), .outputPath = folder / "keep.mht"}, ConvertReason::kInputOpen},
      {{.inputPath = folder / "page.html", .outputPath = folder / "missing/out.mht"}, ConvertReason::kOutputCreate},
      {{.inputPath = folder / "page.html", .outputPath = ""}, ConvertReason::kOutputCreate},
  };
  for (const Case& c : cases) {
    const ConversionResult result = Run(c.request);
    EXPECT_EQ(result.reason, c.reason) << c.request.inputPath << " -> " << c.request.outputPath;
    EXPECT_EQ(result.message, ConvertError(c.reason).what());
  }
  EXPECT_EQ(FileBytes(folder / "keep.mht"), "earlier archive");
  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"a.gif", "keep.mht", "page.html"}));
}

// What the user is told: the sentence first, then in the details the path
// and the system's reason, or the files left out.
TEST_F(ConversionRunTest, ResultsTellPathsReasonsAndFilesLeftOut) {
  struct Told {
    std::string text;
    MessageStyle style;
    std::string details;
  };
  class RecordingServices : public UiServices {
   public:
    std::vector<Told> told;
    MessageAnswer ShowMessage(const std::string& text, MessageStyle style) override {
      told.push_back({text, style, {}});
      return MessageAnswer::kOk;
    }
    MessageAnswer ShowDetailedMessage(const std::string& text, MessageStyle style,
                                      const std::string& details) override {
      told.push_back({text, style, details});
      return MessageAnswer::kOk;
    }
    void ShowShellFailure(const std::string&) override {}
    bool OpenPath(const std::string&) override { return false; }
    std::optional<std::string> ChooseOpenFile(const std::string&) override { return std::nullopt; }
  } services;
  options.SetServices(&services);
  PutFile(folder / "gaps.html",
          "<link rel=stylesheet href=gaps.css><img src=\"a.gif\"><img src=\"gone.gif\"><img src=\"sub\">");
  PutFile(folder / "gaps.css", "body { background: url(lost.png) }");
  fs::create_directory(folder / "sub");
  PutFile(folder / "keep.mht", "earlier archive");
  for (const ConversionRequest& request : std::vector<ConversionRequest>{
           {.inputPath = folder / "gaps.html", .outputPath = folder / "gaps.mht"},
           {.inputPath = folder / "gaps.html", .outputPath = folder / "keep.mht", .strict = true},
           {.inputPath = folder / "sub", .outputPath = folder / "out.mht"},
           {.inputPath = folder / "page.html", .outputPath = folder / "sub/none/out.mht"},
       }) {
    ShowConversionResult(options, Run(request));
  }
  options.SetServices(nullptr);
  const std::string leftOut =
      "Failed to add resource body part: " + (folder / "lost.png") +
      ": No such file or directory\nFailed to add resource body part: " + (folder / "gone.gif") +
      ": No such file or directory\nFailed to add resource body part: " + (folder / "sub") + ": Is a directory";
  ASSERT_EQ(services.told.size(), 4u);
  EXPECT_EQ(services.told[0].text,
            "Web archive created successfully at:\n" + (folder / "gaps.mht") + "\n\n3 files were left out.");
  EXPECT_EQ(services.told[0].style, MessageStyle::kIconInformation);
  EXPECT_EQ(services.told[0].details, leftOut);
  EXPECT_EQ(services.told[1].text, "Files the page needs were left out");
  EXPECT_EQ(services.told[1].details, "3 files\n" + leftOut);
  EXPECT_EQ(FileBytes(folder / "keep.mht"), "earlier archive");
  EXPECT_EQ(services.told[2].text, "The input document cannot be opened");
  EXPECT_EQ(services.told[2].style, MessageStyle::kIconError);
  EXPECT_EQ(services.told[2].details, (folder / "sub") + ": Is a directory");
  EXPECT_EQ(services.told[3].text, "The output document cannot be created");
  EXPECT_EQ(services.told[3].details, (folder / "sub/none/out.mht") + ": No such file or directory");
}

// Every run hands the options over afresh, and the allowed folder is the
// request's own.
TEST_F(ConversionRunTest, EachRunTakesTheOptionsAndTheRootItIsGiven) {
  const std::string output = folder / "page.mht";
  options.linkStyle = LinkStyle::Cid;
  ASSERT_TRUE(Run({.inputPath = folder / "page.html", .outputPath = output}).Converted());
  EXPECT_NE(FileBytes(output).find("src=3D\"cid:"), std::string::npos);

  options.linkStyle = LinkStyle::File;
  ASSERT_TRUE(
      Run({.inputPath = folder / "page.html", .outputPath = output, .allowedRoot = folder / "sub"}).Converted());
  EXPECT_EQ(FileBytes(output).find("cid:"), std::string::npos);
  EXPECT_EQ(FileBytes(output).find("Content-Location: file://" + (folder / "a.gif")), std::string::npos);

  ASSERT_TRUE(Run({.inputPath = folder / "page.html", .outputPath = output}).Converted());
  EXPECT_NE(FileBytes(output).find("Content-Location: file://" + (folder / "a.gif")), std::string::npos);
}

// Progress starts at nothing written once the files are known and goes up
// by one per file, a file that cannot be read included; it changes neither
// the archive nor the log, and a later run without it tells nobody.
TEST_F(ConversionRunTest, ProgressCountsEveryFileFoundAndChangesNothing) {
  PutFile(folder / "page.html", "<img src=\"a.gif\"><img src=\"b.gif\"><img src=\"gone.gif\"><img src=\"c.gif\">");
  PutFile(folder / "b.gif", "GIF89a b");
  PutFile(folder / "c.gif", "GIF89a c");
  options.logLevel = LogLevel::INFO;
  options.logPath = folder / "quiet.log";
  ASSERT_TRUE(Run({.inputPath = folder / "page.html", .outputPath = folder / "quiet.mht"}).Converted());

  std::vector<std::vector<std::uint64_t>> told;
  options.logPath = folder / "told.log";
  const ConversionRequest request{
      .inputPath = folder / "page.html",
      .outputPath = folder / "told.mht",
      .progress = [&](const ConversionProgressReport& report) {
        told.push_back({report.partsWritten, report.partsFound, report.bytesWritten, report.bytesFound});
      }};
  ASSERT_TRUE(Run(request).Converted());
  // a.gif 6 bytes, b.gif 8, gone.gif none, c.gif 8, in the registry's order
  const std::vector<std::vector<std::uint64_t>> expected = {
      {0, 4, 0, 22}, {1, 4, 6, 22}, {2, 4, 14, 22}, {3, 4, 22, 22}, {4, 4, 22, 22}};
  EXPECT_EQ(told, expected);
  EXPECT_EQ(FileBytes(folder / "told.mht"), FileBytes(folder / "quiet.mht"));
  EXPECT_EQ(FileBytes(folder / "told.log"), FileBytes(folder / "quiet.log"));

  told.clear();
  ASSERT_TRUE(Run({.inputPath = folder / "page.html", .outputPath = folder / "again.mht"}).Converted());
  EXPECT_TRUE(told.empty());
}

// Cancelled before anything is read, or between two parts: the conversion
// ends with its own code, the earlier archive stays, no temporary file is
// left, and the log says the user cancelled instead of its summary.
TEST_F(ConversionRunTest, CancelledConversionKeepsTheEarlierArchiveAndSaysSo) {
  PutFile(folder / "page.html", "<img src=\"a.gif\"><img src=\"b.gif\"><img src=\"c.gif\">");
  PutFile(folder / "b.gif", "GIF89a b");
  PutFile(folder / "c.gif", "GIF89a c");
  PutFile(folder / "keep.mht", "earlier archive");
  options.logLevel = LogLevel::INFO;
  for (const std::size_t cancelAfter : {std::size_t{0}, std::size_t{1}}) {
    SCOPED_TRACE(cancelAfter);
    fs::remove(folder / "run.log");
    options.logPath = folder / "run.log";
    CancellationFlag cancellation;
    if (cancelAfter == 0) cancellation.Cancel();
    const ConversionRequest request{.inputPath = folder / "page.html",
                                    .outputPath = folder / "keep.mht",
                                    .progress =
                                        [&](const ConversionProgressReport& report) {
                                          if (report.partsWritten == cancelAfter) cancellation.Cancel();
                                        },
                                    .cancellation = &cancellation};
    const ConversionResult result = Run(request);
    EXPECT_EQ(result.reason, ConvertReason::kCancelled);
    EXPECT_EQ(result.message, "The conversion was cancelled");
    EXPECT_EQ(FileBytes(folder / "keep.mht"), "earlier archive");
    EXPECT_EQ(FolderEntries(),
              (std::vector<std::string>{"a.gif", "b.gif", "c.gif", "keep.mht", "page.html", "run.log"}));
    const std::string log = FileBytes(folder / "run.log");
    EXPECT_NE(log.find("Cancelled by the user"), std::string::npos) << log;
    EXPECT_EQ(log.find("Finished"), std::string::npos) << log;
    std::size_t parts = 0;
    for (std::size_t at = log.find("Add resource body part"); at != std::string::npos;
         at = log.find("Add resource body part", at + 1)) {
      ++parts;
    }
    EXPECT_EQ(parts, cancelAfter);
  }
  ASSERT_TRUE(Run({.inputPath = folder / "page.html", .outputPath = folder / "keep.mht"}).Converted());
}

}  // namespace
