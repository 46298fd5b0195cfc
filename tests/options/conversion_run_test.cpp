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
    std::int32_t code;
  };
  const std::vector<Case> cases = {
      {{.inputPath = folder / "missing.html", .outputPath = folder / "keep.mht"}, kErrorInputOpen},
      {{.inputPath = folder.Path().string(), .outputPath = folder / "keep.mht"}, kErrorInputOpen},
      {{.inputPath = folder / "page.html", .outputPath = folder / "missing/out.mht"}, kErrorOutputCreate},
      {{.inputPath = folder / "page.html", .outputPath = ""}, kErrorOutputCreate},
  };
  for (const Case& c : cases) {
    const ConversionResult result = Run(c.request);
    EXPECT_EQ(result.errorCode, c.code) << c.request.inputPath << " -> " << c.request.outputPath;
    EXPECT_EQ(result.message, ConvertError(c.code).what());
  }
  EXPECT_EQ(FileBytes(folder / "keep.mht"), "earlier archive");
  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"a.gif", "keep.mht", "page.html"}));
}

// Every run hands the options over afresh, and the allowed folder is the
// request's own.
TEST_F(ConversionRunTest, EachRunTakesTheOptionsAndTheRootItIsGiven) {
  const std::string output = folder / "page.mht";
  options.linkStyle = LinkStyle::Cid;
  ASSERT_TRUE(Run({.inputPath = folder / "page.html", .outputPath = output}).Converted());
  EXPECT_NE(FileBytes(output).find("src=3D\"cid:"), std::string::npos);

  options.linkStyle = LinkStyle::File;
  ASSERT_TRUE(Run({.inputPath = folder / "page.html", .outputPath = output, .allowedRoot = folder / "sub"}).Converted());
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

  std::vector<std::pair<std::size_t, std::size_t>> told;
  options.logPath = folder / "told.log";
  const ConversionRequest request{.inputPath = folder / "page.html",
                                  .outputPath = folder / "told.mht",
                                  .progress = [&](std::size_t written, std::size_t found) {
                                    told.emplace_back(written, found);
                                  }};
  ASSERT_TRUE(Run(request).Converted());
  const std::vector<std::pair<std::size_t, std::size_t>> expected = {{0, 4}, {1, 4}, {2, 4}, {3, 4}, {4, 4}};
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
                                    .progress = [&](std::size_t written, std::size_t) {
                                      if (written == cancelAfter) cancellation.Cancel();
                                    },
                                    .cancellation = &cancellation};
    const ConversionResult result = Run(request);
    EXPECT_EQ(result.errorCode, kErrorCancelled);
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
