#include "cli/progress_bar.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_run.h"
#include "cli/console_services.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace std::chrono_literals;

const std::string kErase = "\r\x1b[K";

std::string Bar(const std::string& cells, const std::string& figures) {
  return "\r[" + cells + "] " + figures + "\x1b[K";
}

// Updates at given moments after the bar was made, with a one-second delay.
TEST(ProgressBar, WaitsThenDrawsAFewTimesASecondAndErasesItself) {
  struct Step {
    std::chrono::milliseconds at;
    ConversionProgressReport report;
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
    std::string drawn;
  };
  const std::string none(30, '-');
  const std::string half = std::string(15, '#') + std::string(15, '-');
  const std::string full(30, '#');
  const std::vector<Case> cases = {
      {"quick conversion", {{0ms, {0, 4, 0, 4096}}, {400ms, {2, 4, 2048, 4096}}, {999ms, {4, 4, 4096, 4096}}}, ""},
      {"slow start",
       {{0ms, {0, 4, 0, 4096}},
        {1000ms, {2, 4, 2048, 4096}},
        {1100ms, {3, 4, 3072, 4096}},
        {1250ms, {4, 4, 4096, 4096}}},
       Bar(half, "2.0 KiB of 4.0 KiB, 2.0 KiB/s, 0:01 left") + Bar(full, "4.0 KiB of 4.0 KiB, 3.2 KiB/s, 0:00 left") +
           kErase},
      {"throttled",
       {{1000ms, {0, 2, 0, 2048}},
        {1100ms, {1, 2, 1024, 2048}},
        {1200ms, {1, 2, 1024, 2048}},
        {1300ms, {2, 2, 2048, 2048}}},
       Bar(none, "0 B of 2.0 KiB, --/s, --:-- left") + Bar(half, "1.0 KiB of 2.0 KiB, 5.0 KiB/s, 0:00 left") +
           Bar(full, "2.0 KiB of 2.0 KiB, 6.7 KiB/s, 0:00 left") + kErase},
      {"files of no bytes",
       {{1000ms, {0, 2, 0, 0}}, {1500ms, {1, 2, 0, 0}}},
       Bar(none, "0 B of 0 B, --/s, --:-- left") + Bar(half, "0 B of 0 B, --/s, --:-- left") + kErase},
      {"nothing to write", {{2000ms, {0, 0, 0, 0}}}, Bar(full, "0 B of 0 B, --/s, --:-- left") + kErase},
      {"remote files fetched first",
       {{1000ms, {0, 0, 0, 0, 512}},
        {1100ms, {0, 0, 0, 0, 1024}},
        {1300ms, {0, 1, 0, 1024, 2048}},
        {1400ms, {1, 1, 1024, 1024, 2048}}},
       "\rFetching remote files: 512 B fetched\x1b[K" + Bar(none, "0 B of 1.0 KiB, --/s, --:-- left, 2.0 KiB fetched") +
           Bar(full, "1.0 KiB of 1.0 KiB, 2.5 KiB/s, 0:00 left, 2.0 KiB fetched") + kErase},
  };
  for (const Case& c : cases) {
    ProgressBar::Clock::time_point now{};
    std::ostringstream terminal;
    {
      ProgressBar bar(terminal, 1000ms, [&now] { return now; });
      const ProgressBar::Clock::time_point start = now;
      for (const Step& step : c.steps) {
        now = start + step.at;
        bar.Update(step.report);
      }
    }
    EXPECT_EQ(terminal.str(), c.drawn) << c.name;
  }
}

TEST(ProgressBar, DrawsNothingOnceFinished) {
  std::ostringstream terminal;
  ProgressBar bar(terminal, 0ms);
  bar.Update({1, 2, 0, 0});
  bar.Finish();
  bar.Update({2, 2, 0, 0});
  bar.Finish();
  EXPECT_EQ(terminal.str(), Bar(std::string(15, '#') + std::string(15, '-'), "0 B of 0 B, --/s, --:-- left") + kErase);
}

TEST(ProgressBar, NamesBytesInTheirUnit) {
  EXPECT_EQ(ProgressBar::ByteText(0), "0 B");
  EXPECT_EQ(ProgressBar::ByteText(1023), "1023 B");
  EXPECT_EQ(ProgressBar::ByteText(1536), "1.5 KiB");
  EXPECT_EQ(ProgressBar::ByteText(std::uint64_t{5} << 20), "5.0 MiB");
  EXPECT_EQ(ProgressBar::ByteText(std::uint64_t{3} << 30), "3.0 GiB");
}

// The whole command line: a bar only when the error stream is a terminal
// and --quiet is not given, and the outcome is told the same way.
TEST(ProgressBar, ShownByTheCommandLineOnlyOnATerminalAndNotWhenQuiet) {
  TempFolder folder;
  PutFile(folder / "page.html", "<img src=\"a.gif\"><img src=\"b.gif\">");
  PutFile(folder / "a.gif", "GIF89a a");
  PutFile(folder / "b.gif", "GIF89a b");
  struct Case {
    std::optional<std::chrono::milliseconds> delay;
    bool quiet;
    bool shown;
  };
  const std::vector<Case> cases = {{0ms, false, true}, {0ms, true, false}, {std::nullopt, false, false}};
  for (const Case& c : cases) {
    std::ostringstream out;
    std::ostringstream err;
    ConsoleServices console({.out = out, .err = err, .progressDelay = c.delay});
    std::vector<std::string> arguments = {folder / "page.html", folder / "page.mht"};
    if (c.quiet) arguments.insert(arguments.begin(), "--quiet");
    EXPECT_EQ(RunCommandLine(arguments, console), 0);
    EXPECT_EQ(out.str(), "");
    const std::string success = c.quiet ? "" : "Web archive created successfully at:\n" + (folder / "page.mht") + "\n";
    if (!c.shown) {
      EXPECT_EQ(err.str(), success) << c.quiet;
      continue;
    }
    // Whether the middle part is drawn, and the rate, depend on how fast the disk is.
    const std::string first = Bar(std::string(30, '-'), "0 B of 16 B, --/s, --:-- left");
    const std::string last = "\r[" + std::string(30, '#') + "] 16 B of 16 B, ";
    const std::string end = " left\x1b[K" + kErase + success;
    EXPECT_EQ(err.str().rfind(first, 0), 0u) << err.str();
    EXPECT_NE(err.str().find(last), std::string::npos) << err.str();
    ASSERT_GE(err.str().size(), end.size());
    EXPECT_EQ(err.str().substr(err.str().size() - end.size()), end);
  }
}

}  // namespace
