#pragma once

#include <cstdint>
#include <string>

namespace LogLevel {
enum : std::int32_t { INFO = 1, WARNING = 2, ERROR = 3, NONE = 4 };
}

// The conversion's diagnostic log: a plain value that appends one line per
// message to its file, filtered by `level`, and counts the warning and error
// lines meant for the file. Assigning a fresh value resets the counters.
struct CConvertLog {
  std::string path;                       // log file; empty means no log
  std::int32_t level = LogLevel::NONE;    // lowest level written
  std::int32_t warnings = 0;
  std::int32_t errors = 0;

  // Never throws; a line that cannot reach the file is lost but still counted.
  void Write(std::int32_t messageLevel, const char* format, ...) noexcept
      __attribute__((format(printf, 3, 4)));
};
