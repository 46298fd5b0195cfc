#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

// Writes text to a file descriptor with a carriage return before every line
// feed, as text-mode files on DOS-family systems store it. Goes through a
// fixed buffer, so even a huge text is never copied whole.
class CrLfWriter {
 public:
  // A log line needs little buffer; a file of many megabytes goes faster with
  // more, in fewer system calls.
  explicit CrLfWriter(int fd, std::size_t bufferSize = 64 * 1024);

  // False when the file took fewer bytes than it was given.
  bool Write(std::string_view text);
  bool Flush();

 private:
  bool WriteDirect(std::string_view bytes);

  int m_fd;                          // not owned
  std::size_t m_bufferSize;
  std::unique_ptr<char[]> m_buffer;  // owned; left uninitialised, as a log line uses a few bytes of it
  std::size_t m_used = 0;
};
