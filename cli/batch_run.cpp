#include "cli/batch_run.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "archive/mime_archive.h"
#include "base/path_text.h"
#include "base/version.h"
#include "cli/batch_plan.h"
#include "cli/batch_progress.h"
#include "cli/batch_report.h"
#include "cli/console_services.h"
#include "engine/converter.h"
#include "log/convert_log.h"
#include "options/conversion_run.h"
#include "options/convert_options.h"
#include "options/output_target.h"
#include "options/string_table.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kExitConverted = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// Each job keeps a temporary archive open, and only so many of them are
// removed when a signal ends the process.
constexpr std::size_t kMaxJobs = 16;

// Files shared by many pages (a documentation tree's stylesheets, scripts,
// fonts and images) are usually a few megabytes: a fraction of the memory a
// batch may use, the rest going to the pages in flight.
constexpr std::size_t kPartCacheBytes = 64u << 20;
constexpr std::size_t kScanCacheBytes = 4u << 20;

// What the jobs make once for the whole run.
struct RunCaches {
  CMimeArchive::PartCache parts{kPartCacheBytes};
  CConverter::ScanCache scans{kScanCacheBytes};
  CConverter::StylesheetCache stylesheets{kScanCacheBytes};
};

std::uint64_t MillisecondsSince(Clock::time_point start) {
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

std::size_t JobCount(const BatchOptions& batch, std::size_t pages) {
  const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
  return std::clamp<std::size_t>(std::min(batch.jobs.value_or(cores), pages), 1, kMaxJobs);
}

// What the run shares between its jobs, each use under the lock.
class BatchOutcomes {
 public:
  BatchOutcomes(ConsoleServices& console, std::ofstream* report, std::optional<BatchProgress>& progress)
      : m_console(console), m_report(report), m_progress(progress) {}

  void Add(const PageOutcome& outcome) {
    const std::lock_guard lock(m_lock);
    (outcome.converted ? m_converted : m_failed)++;
    m_bytes += outcome.bytes;
    if (m_report) *m_report << ReportLine(outcome) << std::flush;
    if (!outcome.converted) {
      if (m_progress) m_progress->Clear();
      m_console.Err() << SCRIVANE_CLI_PROGRAM ": " << outcome.input << ": " << outcome.message << '\n';
    }
    if (m_progress) m_progress->PageDone(outcome.bytes);
  }

  std::size_t Converted() const { return m_converted; }
  std::size_t Failed() const { return m_failed; }
  std::uint64_t Bytes() const { return m_bytes; }

 private:
  std::mutex m_lock;
  ConsoleServices& m_console;
  std::ofstream* m_report;  // not owned; may be null
  std::optional<BatchProgress>& m_progress;
  std::size_t m_converted = 0;
  std::size_t m_failed = 0;
  std::uint64_t m_bytes = 0;
};

// The engine objects of one job, which last for all the pages it converts.
struct Job {
  Job(std::uint64_t clockMilliseconds, RunCaches& caches) : archive(clockMilliseconds) {
    converter.SetScanCache(&caches.scans);
    converter.SetStylesheetCache(&caches.stylesheets);
    archive.SetPartCache(&caches.parts);
  }
  CConverter converter;
  CMimeArchive archive;
  CConvertLog logSettings;
};

PageOutcome ConvertPage(const BatchPage& page, ConversionRequest request, const ConvertOptions& options, Job& job) {
  const Clock::time_point start = Clock::now();
  PageOutcome outcome{.input = page.input, .output = page.output};
  outcome.message = page.problem;
  std::error_code error;
  // As for a single page: no archive replaces its page or the log, and no
  // log line is appended to a page.
  if (outcome.message.empty()) {
    if (const std::optional<StringId> refused = CheckOutputTarget(page.input, page.output, options)) {
      outcome.message = LoadStringResource(*refused);
    }
  }
  if (outcome.message.empty()) {
    const std::filesystem::path folder = std::filesystem::path(page.output).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, error);
    if (error) outcome.message = "cannot make the folder " + folder.string() + ": " + error.message();
  }
  if (outcome.message.empty()) {
    request.inputPath = page.input;
    request.outputPath = page.output;
    const ConversionResult result = RunConversion(options, request, job.converter, job.archive, job.logSettings);
    outcome.converted = result.Converted();
    if (outcome.converted) {
      outcome.filesLeftOut = result.leftOut.size();
      outcome.parts = job.converter.PartsWritten();
      outcome.bytes = std::filesystem::file_size(page.output, error);
    } else {
      outcome.message = result.message;
    }
  }
  outcome.milliseconds = MillisecondsSince(start);
  return outcome;
}

void RunJob(const std::vector<BatchPage>& pages, std::atomic<std::size_t>& next, const ConversionRequest& eachPage,
            const ConvertOptions& options, std::uint64_t clockMilliseconds, RunCaches& caches,
            BatchOutcomes& outcomes) {
  Job job(clockMilliseconds, caches);
  for (std::size_t i = next++; i < pages.size(); i = next++) {
    try {
      outcomes.Add(ConvertPage(pages[i], eachPage, options, job));
    } catch (const std::exception& failure) {
      // Only memory running out gets here, outside the conversion itself;
      // the page is failed and the job goes on with the next one.
      outcomes.Add({.input = pages[i].input, .output = pages[i].output, .message = failure.what()});
    }
  }
}

// Once the jobs are done, so that the line ends the log.
void LogCacheUse(const RunCaches& caches, const ConvertOptions& options) {
  CConvertLog log{.path = AbsolutePath(options.logPath), .level = options.logLevel};
  log.Write(LogLevel::INFO, "Run cache: %zu parts made, %zu taken from it; %zu scans made, %zu taken from it",
            caches.parts.Made(), caches.parts.Hits(), caches.scans.Made() + caches.stylesheets.Made(),
            caches.scans.Hits() + caches.stylesheets.Hits());
}

}  // namespace

int RunBatch(const BatchOptions& batch, const ConversionRequest& eachPage, bool quiet, const ConvertOptions& options,
             ConsoleServices& console) {
  const Clock::time_point start = Clock::now();
  const std::vector<BatchPage> pages = PlanBatch(batch.pages, batch.recursive, batch.outputFolder, batch.shard);
  std::ofstream report;
  if (batch.reportPath) {
    report.open(*batch.reportPath, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!report) {
      console.Err() << SCRIVANE_CLI_PROGRAM ": cannot write the report " << *batch.reportPath << '\n';
      return kExitUsage;
    }
  }
  std::optional<BatchProgress> progress;
  if (const auto delay = console.ProgressDelay(); delay && !quiet) {
    progress.emplace(console.Err(), *delay, pages.size());
  }
  BatchOutcomes outcomes(console, batch.reportPath ? &report : nullptr, progress);

  std::atomic<std::size_t> next{0};
  const std::uint64_t clockMilliseconds = console.ClockMilliseconds();
  RunCaches caches;
  {
    std::vector<std::jthread> jobs;
    for (std::size_t i = JobCount(batch, pages.size()); i > 0; --i) {
      jobs.emplace_back(RunJob, std::cref(pages), std::ref(next), std::cref(eachPage), std::cref(options),
                        clockMilliseconds, std::ref(caches), std::ref(outcomes));
    }
  }
  progress.reset();
  LogCacheUse(caches, options);
  if (batch.reportPath && !report.flush()) {
    console.Err() << SCRIVANE_CLI_PROGRAM ": the report " << *batch.reportPath << " could not be written whole\n";
    return kExitFailed;
  }

  const std::string summary =
      SummaryLine(outcomes.Converted(), outcomes.Failed(), outcomes.Bytes(), MillisecondsSince(start));
  if (outcomes.Failed() > 0) {
    console.Err() << SCRIVANE_CLI_PROGRAM ": " << summary << '\n';
    return kExitFailed;
  }
  if (!quiet) console.Out() << summary << '\n';
  return kExitConverted;
}
