#pragma once

#include <cstdint>
#include <string>

// A stretch of a file's bytes and the text written in its place: how a file
// is rewritten without holding the rewritten whole.
struct TextEdit {
  std::uint64_t begin = 0;  // the first byte replaced
  std::uint64_t end = 0;    // one past the last
  std::string text;         // owned
};
