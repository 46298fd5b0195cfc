#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "log/convert_log.h"
#include "tests/support/temp_folder.h"

namespace {

class ConvertLogTest : public testing::Test {
 protected:
  CConvertLog LogAt(std::int32_t level) {
    CConvertLog log;
    log.path = m_path;
    log.level = level;
    return log;
  }

  std::string Disk() const { return FileBytes(m_path); }

  TempFolder m_folder;
  std::string m_path = m_folder / "convert.log";
};

TEST_F(ConvertLogTest, LinesCarryTheirPrefixAndEndInCarriageReturnLineFeed) {
  CConvertLog log = LogAt(LogLevel::INFO);
  log.Write(LogLevel::INFO, "Processing: %s...", "/site/index.htm");
  log.Write(LogLevel::WARNING, "Failed to add resource body part: %s", "a.gif");
  log.Write(LogLevel::ERROR, "Processing failed due to malformed input HTML");
  log.Write(7, "%d", 7);
  EXPECT_EQ(Disk(),
            "[INFO]\t\tProcessing: /site/index.htm...\r\n"
            "[WARNING]\tFailed to add resource body part: a.gif\r\n"
            "[ERROR]\t\tProcessing failed due to malformed input HTML\r\n"
            "7\r\n");
}

TEST_F(ConvertLogTest, FormatEndingInLineFeedLeavesAnEmptyLine) {
  CConvertLog log = LogAt(LogLevel::INFO);
  log.Write(LogLevel::INFO, "Finished - %d warning(s), %d error(s).\n", 1, 2);
  EXPECT_EQ(Disk(), "[INFO]\t\tFinished - 1 warning(s), 2 error(s).\r\n\r\n");
}

TEST_F(ConvertLogTest, ControlCharactersOfValuesAreEscapedOnlyTheFormatsLineFeedsStay) {
  CConvertLog log = LogAt(LogLevel::INFO);
  log.Write(LogLevel::WARNING, "Failed to add resource body part: %s",
            "/s/c\n\n[INFO]\t\x1B[2J\x7F\xC2\x9B\xC2\xA0\xC3\xA9");
  log.Write(LogLevel::ERROR, "Failed to load input file (%s)\n", "/s/a\r\n");
  log.Write(LogLevel::INFO, "Processing: %s...", "C:\\site\\index.htm");
  EXPECT_EQ(Disk(),
            "[WARNING]\tFailed to add resource body part: "
            "/s/c\\x0A\\x0A[INFO]\\x09\\x1B[2J\\x7F\\xC2\\x9B\xC2\xA0\xC3\xA9\r\n"
            "[ERROR]\t\tFailed to load input file (/s/a\\x0D\\x0A)\r\n\r\n"
            "[INFO]\t\tProcessing: C:\\site\\index.htm...\r\n");
}

struct ThresholdCase {
  std::int32_t threshold;
  bool info, warning, error;  // which lines are written and counted
};

class ThresholdCases : public ConvertLogTest, public testing::WithParamInterface<ThresholdCase> {};

TEST_P(ThresholdCases, WritesAndCountsOnlyLinesAtOrAboveIt) {
  const ThresholdCase& c = GetParam();
  CConvertLog log = LogAt(c.threshold);
  log.Write(LogLevel::INFO, "i");
  log.Write(LogLevel::WARNING, "w");
  log.Write(LogLevel::ERROR, "e");
  const std::string expected = std::string(c.info ? "[INFO]\t\ti\r\n" : "") + (c.warning ? "[WARNING]\tw\r\n" : "") +
                               (c.error ? "[ERROR]\t\te\r\n" : "");
  EXPECT_EQ(Disk(), expected);
  EXPECT_EQ(log.warnings, c.warning ? 1 : 0);
  EXPECT_EQ(log.errors, c.error ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Levels, ThresholdCases,
                         testing::Values(ThresholdCase{LogLevel::INFO, true, true, true},
                                         ThresholdCase{LogLevel::WARNING, false, true, true},
                                         ThresholdCase{LogLevel::ERROR, false, false, true},
                                         ThresholdCase{LogLevel::NONE, false, false, false}),
                         [](const testing::TestParamInfo<ThresholdCase>& info) {
                           return "Threshold" + std::to_string(info.param.threshold);
                         });

TEST_F(ConvertLogTest, EmptyPathWritesAndCountsNothing) {
  CConvertLog log;
  log.level = LogLevel::INFO;
  log.Write(LogLevel::WARNING, "w");
  log.Write(LogLevel::ERROR, "e");
  EXPECT_EQ(log.warnings, 0);
  EXPECT_EQ(log.errors, 0);
  EXPECT_TRUE(std::filesystem::is_empty(m_folder.Path()));
}

TEST_F(ConvertLogTest, AppendsToAnExistingLog) {
  PutFile(m_path, "earlier\r\n");
  CConvertLog first = LogAt(LogLevel::INFO);
  first.Write(LogLevel::INFO, "one");
  CConvertLog second = LogAt(LogLevel::INFO);
  second.Write(LogLevel::INFO, "two");
  EXPECT_EQ(Disk(), "earlier\r\n[INFO]\t\tone\r\n[INFO]\t\ttwo\r\n");
}

TEST_F(ConvertLogTest, LogThatCannotBeWrittenLosesTheLineButCountsIt) {
  CConvertLog log = LogAt(LogLevel::INFO);
  log.path = m_folder / "missing/convert.log";
  log.Write(LogLevel::WARNING, "w");
  log.Write(LogLevel::ERROR, "e");
  log.path = m_folder.Path().string();  // a folder
  log.Write(LogLevel::ERROR, "e");
  EXPECT_EQ(log.warnings, 1);
  EXPECT_EQ(log.errors, 2);
  EXPECT_FALSE(std::filesystem::exists(m_folder / "missing"));
}

TEST_F(ConvertLogTest, LongMessageIsCutAt4095Bytes) {
  CConvertLog log = LogAt(LogLevel::ERROR);
  const std::string message(10000, 'm');
  log.Write(LogLevel::ERROR, "%s", message.c_str());
  EXPECT_EQ(Disk(), "[ERROR]\t\t" + std::string(4095, 'm') + "\r\n");
}

TEST_F(ConvertLogTest, CutNeverSplitsAUtf8Character) {
  CConvertLog log = LogAt(LogLevel::ERROR);
  const std::string message = std::string(4094, 'm') + "\xC3\xA9";
  log.Write(LogLevel::ERROR, "%s", message.c_str());
  EXPECT_EQ(Disk(), "[ERROR]\t\t" + std::string(4094, 'm') + "\r\n");
  std::filesystem::remove(m_path);
  const std::string fits = std::string(4093, 'm') + "\xC3\xA9";
  log.Write(LogLevel::ERROR, "%sxyz", fits.c_str());
  EXPECT_EQ(Disk(), "[ERROR]\t\t" + fits + "\r\n");
}

}  // namespace
