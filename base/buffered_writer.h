#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

// Writes all of `bytes` to the file descriptor, as many calls as that takes;
// false when the file takes fewer.
bool WriteAll(int fd, std::string_view bytes);

// Writes bytes to a file descriptor unchanged, gathering small writes in a
// buffer so that many short texts cost few system calls; a write too big to
// gather goes straight to the file, never copied.
class BufferedWriter {
 public:
  BufferedWriter(int fd, std::size_t bufferSize);

  // False when the file took fewer bytes than it was given.
  bool Write(std::string_view bytes);
  bool Flush();

 private:
  int m_fd;  // not owned
  std::size_t m_bufferSize;
  std::unique_ptr<char[]> m_buffer;  // owned; left uninitialised, as the writes fill it
  std::size_t m_used = 0;
};
