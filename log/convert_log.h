#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace LogLevel {
enum : std::int32_t { INFO = 1, WARNING = 2, ERROR = 3, NONE = 4 };
}

// The conversion's diagnostic log: a plain value that appends one line per
// message to its file, filtered by `level`, and counts the warning and error
// lines meant for the file, and keeps the files the archive goes without
// whatever the level. Assigning a fresh value resets the counters.
struct CConvertLog {
  std::string path;                     // log file; empty means no log
  std::int32_t level = LogLevel::NONE;  // lowest level written
  std::int32_t warnings = 0;
  std::int32_t errors = 0;
  // One line per file left out, "what: path[: reason]", control characters
  // escaped as in the file, for the front ends to tell the user.
  std::vector<std::string> leftOut{};
  std::set<std::string> leftOutPaths{};  // each file is told once, however often it is met

  // The WARNING line "what: path", and the file kept in `leftOut` with the
  // system's `reason` when one is known. Never throws.
  void LeftOut(const char* what, const std::string& filePath, const std::string& reason = {}) noexcept;

  // Never throws; a line that cannot reach the file is lost but still counted.
  void Write(std::int32_t messageLevel, const char* format, ...) noexcept __attribute__((format(printf, 3, 4)));
};
