#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

// An archive's text with each CR LF line end read as a line feed, for checks
// written in lines. Any other line end, a line feed or a carriage return
// alone, fails the test.
inline std::string WithLineFeeds(std::string_view archive) {
  std::string text;
  text.reserve(archive.size());
  bool reported = false;
  for (std::size_t at = 0; at < archive.size(); ++at) {
    const bool lineEnd = archive[at] == '\r' && at + 1 < archive.size() && archive[at + 1] == '\n';
    if (lineEnd) continue;
    const bool alone = archive[at] == '\r' || (archive[at] == '\n' && (at == 0 || archive[at - 1] != '\r'));
    if (alone && !reported) {
      ADD_FAILURE() << "a line end other than CR LF at byte " << at;
      reported = true;
    }
    text.push_back(archive[at]);
  }
  return text;
}
