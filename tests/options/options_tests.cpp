#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>

#include "archive/mime_archive.h"
#include "engine/converter.h"
#include "engine/current_directory.h"
#include "base/convert_error.h"
#include "options/apply_options.h"
#include "options/convert_options.h"
#include "options/path_check.h"
#include "options/string_table.h"
#include "options/ui_services.h"
#include "tests/support/temp_folder.h"

namespace {

using ::testing::ElementsAre;
using Table = std::map<std::string, std::string>;

class AnsweringServices : public UiServices {
 public:
  std::vector<std::pair<std::string, unsigned>> messages;
  std::vector<std::string> opened;
  std::vector<std::string> failures;
  bool opens = false;

  int ShowMessage(const std::string& text, unsigned style) override {
    messages.emplace_back(text, style);
    return MessageAnswer::kOk;
  }
  void ShowShellFailure(const std::string& text) override { failures.push_back(text); }
  bool OpenPath(const std::string& path) override {
    opened.push_back(path);
    return opens;
  }
  std::optional<std::string> ChooseOpenFile(const std::string&) override { return std::nullopt; }
};

class OptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    options.ResetToDefaults();
    options.SetServices(&services);
  }
  void TearDown() override {
    options.ResetToDefaults();
    options.SetServices(nullptr);
  }

  std::vector<std::string> LogLines(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream log(FileBytes(path));
    for (std::string line; std::getline(log, line);) lines.push_back(line.substr(0, line.find('\r')));
    return lines;
  }

  ConvertOptions& options = ConvertOptions::Instance();
  AnsweringServices services;
  CConverter converter;
  CMimeArchive archive{1};
  CConvertLog logSettings;
};

TEST_F(OptionsTest, DefaultsReachTheEngineSilently) {
  TempFolder folder;
  logSettings.path = folder / "unused.log";
  ApplyOptions(options, converter, archive, logSettings);
  EXPECT_EQ(converter.ResourceTags(), Table({{"body", "background"}, {"link", "href"}}));
  EXPECT_EQ(converter.ScriptExtensions(), CConverter::DefaultScriptExtensions());
  EXPECT_EQ(archive.MimeTypes(), CMimeArchive::DefaultMimeTypes());
  EXPECT_EQ(archive.MimeTypes().size(), 9u);
  EXPECT_EQ(converter.Log().level, LogLevel::NONE);
  EXPECT_FALSE(std::filesystem::exists(folder / "unused.log"));
}

TEST_F(OptionsTest, HandOverReplacesTablesInKeyOrderAndResetsCounters) {
  TempFolder folder;
  options.logPath = folder / "run.log";
  options.logLevel = LogLevel::INFO;
  options.resourceTags = {{"td", "background"}, {"Table", "background"}};
  options.scriptExtensions = {{"alpha", ""}, {"Zeta", "Z"}, {"JS", "upper"}, {"js", "lower"}};
  options.mimeTypes.clear();
  converter.SetLog(CConvertLog{"", LogLevel::INFO, 5, 3});
  converter.AddScriptExtension("stale", "");
  ApplyOptions(options, converter, archive, logSettings);

  EXPECT_THAT(LogLines(options.logPath),
              ElementsAre("[INFO]\t\tAdd resource tag: <Table background>", "[INFO]\t\tAdd resource tag: <td background>",
                          "[INFO]\t\tAdd script extension: JS", "[INFO]\t\tAdd script extension: Zeta",
                          "[INFO]\t\tAdd script extension: alpha", "[INFO]\t\tAdd script extension: js"));
  EXPECT_EQ(converter.ResourceTags(), options.resourceTags);
  EXPECT_EQ(converter.ScriptExtensions(), options.scriptExtensions);
  EXPECT_TRUE(archive.MimeTypes().empty());
  EXPECT_EQ(converter.Log().warnings, 0);
  EXPECT_EQ(converter.Log().errors, 0);
}

TEST_F(OptionsTest, RelativeLogPathMeansTheFolderCurrentAtHandOver) {
  TempFolder folder;
  const CurrentDirectoryGuard restore;
  ASSERT_EQ(chdir(folder.Path().c_str()), 0);
  options.logPath = "logs/run.log";
  options.logLevel = LogLevel::ERROR;
  ApplyOptions(options, converter, archive, logSettings);
  EXPECT_EQ(converter.Log().path, folder / "logs/run.log");
  EXPECT_EQ(converter.Log().level, LogLevel::ERROR);
}

// The texts themselves are the error's own (base tests).
TEST_F(OptionsTest, ErrorMessageIsTheErrorsOwnText) {
  for (std::int32_t code = -1; code <= 6; ++code) EXPECT_EQ(ConvertOptions::ErrorMessage(code), ConvertError(code).what());
}

TEST_F(OptionsTest, StringMessagesFallBackWhenTheStringIsMissing) {
  options.ShowStringMessage(IDS_CLOSE_CONFIRM, MessageStyle::kYesNo | MessageStyle::kIconQuestion);
  options.ShowStringMessage(999, MessageStyle::kIconError);
  ASSERT_EQ(services.messages.size(), 2u);
  EXPECT_EQ(services.messages[0].first, "Are you sure you want to close Scrivane Converter?");
  EXPECT_EQ(services.messages[0].second, 36u);
  EXPECT_EQ(services.messages[1].first, "Unknown error (failed to load the error description)");
}

TEST_F(OptionsTest, HelpIsTheExecutablesNameWithHtml) {
  char executable[4096] = {};
  ASSERT_GT(readlink("/proc/self/exe", executable, sizeof executable - 1), 0);
  EXPECT_EQ(ConvertOptions::HelpFilePath(), std::string(executable) + ".html");
  options.OpenHelp();
  EXPECT_THAT(services.opened, ElementsAre(ConvertOptions::HelpFilePath()));
  EXPECT_THAT(services.failures, ElementsAre("Failed to open help file at:\n\n" + ConvertOptions::HelpFilePath()));
}

TEST(PathCheck, FailsInOrderInputOutputExtension) {
  const std::vector<std::tuple<std::string, std::string, std::optional<int>>> cases = {
      {"", "", IDS_INPUT_EMPTY},        {"a.html", "", IDS_OUTPUT_EMPTY},
      {"a", "foo.mhtml", IDS_OUTPUT_EXTENSION}, {"a", "foo.mht ", IDS_OUTPUT_EXTENSION},
      {"a", "mht", IDS_OUTPUT_EXTENSION}, {"a", "FOO.MhT", std::nullopt},
      {"a", ".mht", std::nullopt},       {"a", ".MHT", std::nullopt},
  };
  for (const auto& [input, output, failed] : cases) EXPECT_EQ(CheckConversionPaths(input, output), failed) << output;
}

}  // namespace
