#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "cli/batch_plan.h"
#include "cli/batch_progress.h"
#include "cli/batch_report.h"
#include "cli/command_line.h"
#include "cli/source_date_epoch.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace std::chrono_literals;

TEST(Batch, ShardsSplitPagesOnceAndRefuseNonsense) {
  EXPECT_EQ(ParseShard("2/3")->index, 2u);
  EXPECT_EQ(ParseShard("2/3")->count, 3u);
  for (const char* bad : {"0/3", "4/3", "3", "/3", "1/", "a/3", "1/3x", "-1/3", "1/0"}) {
    EXPECT_FALSE(ParseShard(bad)) << bad;
  }
  // A fixed hash: every machine of a run must agree on it.
  EXPECT_EQ(ShardOfPage("guide/intro.html", 1000), 38u);
  std::multiset<std::size_t> counts;
  for (int i = 0; i < 300; ++i) counts.insert(ShardOfPage("page" + std::to_string(i) + ".html", 3));
  for (std::size_t shard = 1; shard <= 3; ++shard) EXPECT_GT(counts.count(shard), 70u) << shard;
}

TEST(Batch, PlansPagesFolderTreesAndClashes) {
  TempFolder folder;
  for (const char* name : {"t/b.html", "t/a/x.HTM", "t/a/y.xhtml", "t/notes.txt", "t/a.htm", "t/a.html"}) {
    std::filesystem::create_directories(std::filesystem::path(folder / name).parent_path());
    PutFile(folder / name, "<p>");
  }
  const std::vector<BatchPage> pages = PlanBatch({folder / "t/b.html", folder / "t"}, true, "out", std::nullopt);
  std::vector<std::string> outputs;
  for (const BatchPage& page : pages) outputs.push_back(page.output + (page.problem.empty() ? "" : " !"));
  EXPECT_EQ(outputs, (std::vector<std::string>{"out/b.mht", "out/a.mht", "out/a.mht !", "out/a/x.mht", "out/a/y.mht",
                                               "out/b.mht !"}));
  EXPECT_EQ(pages[3].relative, "a/x.HTM");
  const std::vector<BatchPage> unwalked = PlanBatch({folder / "t"}, false, "out", std::nullopt);
  ASSERT_EQ(unwalked.size(), 1u);
  EXPECT_EQ(unwalked[0].problem, "is a folder; -r converts the pages under it");
}

TEST(Batch, ReportLinesAreJson) {
  PageOutcome failed{.input = "d\"ir\\\x01/\xff.html", .output = "o.mht", .message = "cannot"};
  EXPECT_EQ(ReportLine(failed),
            "{\"input\":\"d\\\"ir\\\\\\u0001/\\ufffd.html\",\"output\":\"o.mht\",\"status\":\"failed\","
            "\"message\":\"cannot\",\"parts\":0,\"files_left_out\":0,\"bytes\":0,\"milliseconds\":0}\n");
  const PageOutcome converted{.input = "\xc3\xa9.html",
                              .output = "e.mht",
                              .converted = true,
                              .parts = 3,
                              .filesLeftOut = 1,
                              .bytes = 2048,
                              .milliseconds = 12};
  EXPECT_EQ(ReportLine(converted),
            "{\"input\":\"\xc3\xa9.html\",\"output\":\"e.mht\",\"status\":\"converted\",\"parts\":3,"
            "\"files_left_out\":1,\"bytes\":2048,\"milliseconds\":12}\n");
  EXPECT_EQ(SummaryLine(1, 0, 2048, 1250), "1 of 1 page converted, 0 failed (2 kB, 1.2 s)");
}

TEST(Batch, CommandLinesMakeABatchOnlyWhenAsked) {
  TempFolder folder;
  const CommandLine many = *ParseCommandLine({"a.html", "b.html", "-o", "out", "-j", "3", "--shard=2/5"}).commandLine;
  EXPECT_TRUE(many.batch.wanted);
  EXPECT_EQ(many.batch.pages, (std::vector<std::string>{"a.html", "b.html"}));
  EXPECT_EQ(many.batch.outputFolder, "out");
  EXPECT_EQ(many.batch.jobs, 3u);
  EXPECT_TRUE(ParseCommandLine({"a.html", "-o", folder.Path().string()}).commandLine->batch.wanted);
  EXPECT_TRUE(ParseCommandLine({"a.html", "-o", "new/"}).commandLine->batch.wanted);
  EXPECT_TRUE(ParseCommandLine({"-r", "site", "-o", "out"}).commandLine->batch.wanted);
  EXPECT_FALSE(ParseCommandLine({"a.html", "-o", "a.mht"}).commandLine->batch.wanted);
  EXPECT_FALSE(ParseCommandLine({"a.html", "a.mht"}).commandLine->batch.wanted);
  const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
      {{"-r", "site"}, "converting many pages needs -o FOLDER"},
      {{"-r", "site", "-o", "-"}, "the archives of many pages cannot go to the standard output"},
      {{"-j", "0", "a", "-o", "out"}, "-j takes a number of pages converted at once, at least 1"},
      {{"--shard", "3/2", "a", "-o", "out"}, "--shard takes K/N, with K from 1 to N"},
  };
  for (const auto& [arguments, error] : refused) EXPECT_EQ(ParseCommandLine(arguments).error, error);
}

TEST(Batch, SourceDateEpochIsSecondsOrRefused) {
  std::optional<std::uint64_t> seconds;
  EXPECT_TRUE(ParseSourceDateEpoch(nullptr, seconds) && !seconds);
  EXPECT_TRUE(ParseSourceDateEpoch("", seconds) && !seconds);
  EXPECT_TRUE(ParseSourceDateEpoch("1700000000", seconds) && seconds == 1700000000u);
  for (const char* bad : {"-1", "17e8", " 1", "253402300800", "99999999999999999999999"}) {
    EXPECT_FALSE(ParseSourceDateEpoch(bad, seconds)) << bad;
  }
}

TEST(Batch, ProgressShowsPagesBytesRateAndTimeLeft) {
  BatchProgress::Clock::time_point now{};
  std::ostringstream terminal;
  {
    BatchProgress progress(terminal, 500ms, 4, [&now] { return now; });
    now += 100ms;
    progress.PageDone(1000);  // before the delay: nothing drawn
    now += 900ms;
    progress.PageDone(1500000);
    now += 100ms;
    progress.PageDone(10);  // too soon after the last drawing
    progress.Clear();
    now += 100ms;
    progress.PageDone(10);  // the last page is always drawn
  }
  EXPECT_EQ(terminal.str(),
            "\r[##########----------] 2/4 pages, 1.5 MB, 2.0 pages/s, 1 s left\x1b[K"
            "\r\x1b[K"
            "\r[####################] 4/4 pages, 1.5 MB, 3.3 pages/s\x1b[K"
            "\r\x1b[K");
}

}  // namespace
