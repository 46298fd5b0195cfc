#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// How one page of a batch ended.
struct PageOutcome {
  std::string input{};
  std::string output{};
  bool converted = false;
  std::string message{};  // why not, when not converted
  std::size_t parts = 0;  // in the archive, the page's own included
  std::size_t filesLeftOut = 0;
  std::uint64_t bytes = 0;  // of the archive
  std::uint64_t milliseconds = 0;
};

// The outcome as one line of JSON, ending in a line feed. Paths that are
// not UTF-8 have each ill-formed sequence replaced by U+FFFD, as JSON text
// can carry nothing else.
std::string ReportLine(const PageOutcome& outcome);

// The run's last line: "528 of 530 pages converted, 2 failed (41.3 MB, 12.8 s)".
std::string SummaryLine(std::size_t converted, std::size_t failed, std::uint64_t bytes, std::uint64_t milliseconds);

// "1.5 MB", "12 kB", "300 B".
std::string ByteCount(std::uint64_t bytes);
