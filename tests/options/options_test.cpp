#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>

#include "archive/mime_archive.h"
#include "base/convert_error.h"
#include "base/media_types.h"
#include "engine/converter.h"
#include "engine/html_document.h"
#include "options/apply_options.h"
#include "options/convert_options.h"
#include "options/output_target.h"
#include "options/path_check.h"
#include "options/string_table.h"
#include "options/ui_services.h"
#include "tests/support/current_folder.h"
#include "tests/support/temp_folder.h"

namespace {

using ::testing::ElementsAre;
using Table = std::map<std::string, std::string>;

class AnsweringServices : public UiServices {
 public:
  std::vector<std::pair<std::string, MessageStyle>> messages;
  std::vector<std::string> opened;
  std::vector<std::string> failures;
  bool opens = false;

  MessageAnswer ShowMessage(const std::string& text, MessageStyle style) override {
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

TEST_F(OptionsTest, SystemMediaTypesFillWhatTheOptionsLack) {
  if (!std::filesystem::exists(kSystemMediaTypesPath)) GTEST_SKIP() << "no " << kSystemMediaTypesPath;
  ApplyOptions(options, converter, archive, logSettings);
  std::string type;
  archive.IsTextType("logo.svg", &type);
  EXPECT_EQ(type, "image/svg+xml");
  EXPECT_TRUE(archive.IsTextType("menu.js", &type));
  EXPECT_EQ(type, "application/x-javascript") << "the options' table wins";
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

  EXPECT_THAT(
      LogLines(options.logPath),
      ElementsAre("[INFO]\t\tAdd resource tag: <Table background>", "[INFO]\t\tAdd resource tag: <td background>",
                  "[INFO]\t\tAdd script extension: JS", "[INFO]\t\tAdd script extension: Zeta",
                  "[INFO]\t\tAdd script extension: alpha", "[INFO]\t\tAdd script extension: js"));
  EXPECT_EQ(converter.ResourceTags(), options.resourceTags);
  EXPECT_EQ(converter.ScriptExtensions(), options.scriptExtensions);
  EXPECT_TRUE(archive.MimeTypes().empty());
  EXPECT_EQ(converter.Log().warnings, 0);
  EXPECT_EQ(converter.Log().errors, 0);
}

// On by default, with cid links, so that an archive opens whole in
// Chromium; on, the converter rewrites what the page's stylesheets name.
TEST_F(OptionsTest, CompleteArchiveIsHandedOver) {
  TempFolder folder;
  PutFile(folder / "index.html", "<p style=\"background: url(a.gif)\">");
  PutFile(folder / "a.gif", "GIF89a");
  EXPECT_TRUE(options.completeArchive);
  EXPECT_EQ(options.linkStyle, LinkStyle::Cid);
  options.linkStyle = LinkStyle::File;
  std::vector<std::string> markups;
  for (const bool complete : {false, true}) {
    options.completeArchive = complete;
    ApplyOptions(options, converter, archive, logSettings);
    std::ostringstream out;
    converter.Convert(folder / "index.html", archive, out);
    markups.push_back(converter.Document()->PageMarkup());
  }
  EXPECT_THAT(markups, ElementsAre(::testing::HasSubstr("url(a.gif)"),
                                   ::testing::HasSubstr("url(&quot;file://" + (folder / "a.gif") + "&quot;)")));
}

TEST_F(OptionsTest, RelativeLogPathMeansTheFolderCurrentAtHandOver) {
  TempFolder folder;
  const CurrentFolderGuard restore;
  ASSERT_EQ(chdir(folder.Path().c_str()), 0);
  options.logPath = "logs/run.log";
  options.logLevel = LogLevel::ERROR;
  ApplyOptions(options, converter, archive, logSettings);
  EXPECT_EQ(converter.Log().path, folder / "logs/run.log");
  EXPECT_EQ(converter.Log().level, LogLevel::ERROR);
}

// The texts themselves are the error's own (base tests).
TEST_F(OptionsTest, ErrorMessageIsTheErrorsOwnText) {
  for (std::int32_t code = -1; code <= 6; ++code) {
    const auto reason = static_cast<ConvertReason>(code);
    EXPECT_EQ(ConvertOptions::ErrorMessage(reason), ConvertError(reason).what());
  }
}

TEST_F(OptionsTest, StringMessagesFallBackWhenTheStringIsMissing) {
  options.ShowStringMessage(StringId::kCloseConfirm, MessageStyle::kYesNo | MessageStyle::kIconQuestion);
  options.ShowStringMessage(static_cast<StringId>(999), MessageStyle::kIconError);
  ASSERT_EQ(services.messages.size(), 2u);
  EXPECT_EQ(services.messages[0].first, "Are you sure you want to close Scrivane Converter?");
  EXPECT_EQ(services.messages[0].second, MessageStyle::kYesNo | MessageStyle::kIconQuestion);
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

// An installation under a prefix of its own, laid out as the install rules
// lay it out (bin/ and share/scrivane-converter/ by default).
TEST(HelpFile, BesideTheExecutableFirstThenTheInstalledDataFolder) {
  const TempFolder prefix;
  const std::filesystem::path bin = prefix.Path() / "bin";
  const std::filesystem::path data = (bin / SCRIVANE_HELP_DIR_FROM_BIN).lexically_normal();
  std::filesystem::create_directories(bin);
  std::filesystem::create_directories(data);
  const std::string executable = (bin / "scrivane-converter").string();
  const std::string beside = (bin / "scrivane-converter.html").string();
  const std::string installed = (data / "scrivane-converter.html").string();

  EXPECT_EQ(ConvertOptions::FindHelpFile(executable), beside) << "neither exists: the first place is named";
  PutFile(installed, "<p>");
  EXPECT_EQ(ConvertOptions::FindHelpFile(executable), installed);
  PutFile(beside, "<p>");
  EXPECT_EQ(ConvertOptions::FindHelpFile(executable), beside);
  EXPECT_EQ(ConvertOptions::FindHelpFile((bin / "other").string()), (bin / "other.html").string())
      << "named after the executable";
}

TEST(PathCheck, FailsInOrderInputOutputExtension) {
  const std::vector<std::tuple<std::string, std::string, std::optional<StringId>>> cases = {
      {"", "", StringId::kInputEmpty},
      {"a.html", "", StringId::kOutputEmpty},
      {"a", "foo.mhtm", StringId::kOutputExtension},
      {"a", "foo.mht ", StringId::kOutputExtension},
      {"a", "foo.mhtml", std::nullopt},
      {"a", "FOO.MHTML", std::nullopt},
      {"a", "mht", StringId::kOutputExtension},
      {"a", "FOO.MhT", std::nullopt},
      {"a", ".mht", std::nullopt},
      {"a", ".MHT", std::nullopt},
  };
  for (const auto& [input, output, failed] : cases) EXPECT_EQ(CheckConversionPaths(input, output), failed) << output;
}

}  // namespace

namespace {

struct TargetCase {
  std::string output;  // under the folder
  std::string log;     // under the folder; empty for none
  std::int32_t logLevel;
  std::optional<StringId> refusal;
};

TEST(OutputTarget, RefusesThePageAndTheWrittenLogHoweverNamed) {
  TempFolder folder;
  std::filesystem::create_directory(folder / "sub");
  PutFile(folder / "page.html", "<p>page");
  PutFile(folder / "run.log", "log");
  std::filesystem::create_symlink(folder / "page.html", folder / "link.mht");
  std::filesystem::create_hard_link(folder / "page.html", folder / "hard.mht");
  std::filesystem::create_symlink(folder / "run.log", folder / "log.mht");
  const std::vector<TargetCase> cases = {
      {"page.html", "", LogLevel::NONE, StringId::kOutputIsInput},
      {"sub/../page.html", "", LogLevel::NONE, StringId::kOutputIsInput},
      {"link.mht", "", LogLevel::NONE, StringId::kOutputIsInput},
      {"hard.mht", "", LogLevel::NONE, StringId::kOutputIsInput},
      {"out.mht", "", LogLevel::NONE, std::nullopt},
      {"log.mht", "run.log", LogLevel::ERROR, StringId::kOutputIsLog},
      {"new.mht", "sub/../new.mht", LogLevel::INFO, StringId::kOutputIsLog},
      {"log.mht", "run.log", LogLevel::NONE, std::nullopt},
      {"out.mht", "run.log", LogLevel::INFO, std::nullopt},
      {"out.mht", "hard.mht", LogLevel::WARNING, StringId::kLogIsInput},
      {"out.mht", "page.html", LogLevel::NONE, std::nullopt},
  };
  ConvertOptions& options = ConvertOptions::Instance();
  for (const TargetCase& target : cases) {
    options.logPath = target.log.empty() ? std::string() : folder / target.log;
    options.logLevel = target.logLevel;
    EXPECT_EQ(CheckOutputTarget(folder / "page.html", folder / target.output, options), target.refusal)
        << target.output << " with log " << target.log;
  }
  options.ResetToDefaults();
}

}  // namespace
