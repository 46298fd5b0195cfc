#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>

// What tells one state of one file from every other: the file (device and
// inode, however its path is spelt) and its size and modification time, so
// that a file rewritten in place is another state.
struct FileStamp {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  std::int64_t modifiedNanoseconds = 0;
  auto operator<=>(const FileStamp&) const = default;
};

// The stamp of the file `path` leads to; nothing when it cannot be found.
std::optional<FileStamp> StampOfFile(const std::string& path);
