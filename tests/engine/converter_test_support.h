#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "engine/converter.h"
#include "log/convert_log.h"
#include "tests/support/archive_text.h"
#include "tests/support/temp_folder.h"

// Registry entries in failure messages.
inline void PrintTo(const ResourceEntry& entry, std::ostream* out) { *out << entry.reference << " -> " << entry.path; }

// A converter logging everything into a file in a temporary folder.
class ConverterFixture {
 public:
  ConverterFixture() { converter.SetLog(CConvertLog{logPath, LogLevel::INFO, 0, 0}); }

  // The log's lines, without their CR LF ends.
  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    std::istringstream log(FileBytes(logPath));
    for (std::string line; std::getline(log, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
    return lines;
  }

  std::string Page(const std::string& name, const std::string& html) const {
    const std::string path = folder / name;
    PutFile(path, html);
    return path;
  }

  TempFolder folder;
  TempFolder logFolder;
  std::string logPath = logFolder / "convert.log";
  CConverter converter;
};
