#include "base/buffered_writer.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

BufferedWriter::BufferedWriter(int fd, std::size_t bufferSize)
    : m_fd(fd), m_bufferSize(bufferSize), m_buffer(std::make_unique_for_overwrite<char[]>(bufferSize)) {}

bool BufferedWriter::Write(std::string_view bytes) {
  if (bytes.empty()) return true;
  if (bytes.size() > m_bufferSize - m_used) {
    if (!Flush()) return false;
    if (bytes.size() >= m_bufferSize) return WriteAll(m_fd, bytes);
  }
  std::memcpy(m_buffer.get() + m_used, bytes.data(), bytes.size());
  m_used += bytes.size();
  return true;
}

bool BufferedWriter::Flush() {
  const std::size_t used = m_used;
  m_used = 0;
  return WriteAll(m_fd, std::string_view(m_buffer.get(), used));
}
