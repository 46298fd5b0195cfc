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

std::string Bar(const std::string& cells, const std::string& count) { return "\r[" + cells + "] " + count + " parts"; }

// Updates at given moments after the bar was made, with a one-second delay.
TEST(ProgressBar, WaitsThenDrawsAFewTimesASecondAndErasesItself) {
  struct Step {
    std::chrono::milliseconds at;
    std::size_t written;
    std::size_t found;
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
      {"quick conversion", {{0ms, 0, 4}, {400ms, 2, 4}, {999ms, 4, 4}}, ""},
      {"slow start", {{0ms, 0, 4}, {1000ms, 2, 4}, {1100ms, 3, 4}, {1250ms, 4, 4}},
       Bar(half, "2/4") + Bar(full, "4/4") + kErase},
      {"throttled", {{1000ms, 0, 2}, {1100ms, 1, 2}, {1200ms, 1, 2}, {1300ms, 2, 2}},
       Bar(none, "0/2") + Bar(half, "1/2") + Bar(full, "2/2") + kErase},
      {"nothing to write", {{2000ms, 0, 0}}, Bar(full, "0/0") + kErase},
  };
  for (const Case& c : cases) {
    ProgressBar::Clock::time_point now{};
    std::ostringstream terminal;
    {
      ProgressBar bar(terminal, 1000ms, [&now] { return now; });
      const ProgressBar::Clock::time_point start = now;
      for (const Step& step : c.steps) {
        now = start + step.at;
        bar.Update(step.written, step.found);
      }
    }
    EXPECT_EQ(terminal.str(), c.drawn) << c.name;
  }
}

TEST(ProgressBar, DrawsNothingOnceFinished) {
  std::ostringstream terminal;
  ProgressBar bar(terminal, 0ms);
  bar.Update(1, 2);
  bar.Finish();
  bar.Update(2, 2);
  bar.Finish();
  EXPECT_EQ(terminal.str(), Bar(std::string(15, '#') + std::string(15, '-'), "1/2") + kErase);
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
    ConsoleServices console(out, err, c.delay);
    std::vector<std::string> arguments = {folder / "page.html", folder / "page.mht"};
    if (c.quiet) arguments.insert(arguments.begin(), "--quiet");
    EXPECT_EQ(RunCommandLine(arguments, console), 0);
    EXPECT_EQ(out.str(), "Web archive created successfully at:\n" + (folder / "page.mht") + "\n");
    if (!c.shown) {
      EXPECT_EQ(err.str(), "") << c.quiet;
      continue;
    }
    // Whether the middle part is drawn depends on how fast the disk is.
    const std::string first = Bar(std::string(30, '-'), "0/2");
    const std::string last = Bar(std::string(30, '#'), "2/2") + kErase;
    EXPECT_EQ(err.str().rfind(first, 0), 0u) << err.str();
    ASSERT_GE(err.str().size(), first.size() + last.size());
    EXPECT_EQ(err.str().substr(err.str().size() - last.size()), last);
  }
}

}  // namespace
