#include "archive/crlf_writer.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {
constexpr std::size_t kBufferSize = 64 * 1024;
}

CrLfWriter::CrLfWriter(int fd) : m_fd(fd), m_buffer(kBufferSize) {}

bool CrLfWriter::Write(std::string_view text) {
  while (!text.empty()) {
    const std::size_t lineFeed = text.find('\n');
    if (lineFeed == std::string_view::npos) {
      return Append(text);
    }
    if (!Append(text.substr(0, lineFeed)) || !Append("\r\n")) {
      return false;
    }
    text.remove_prefix(lineFeed + 1);
  }
  return true;
}

bool CrLfWriter::Flush() {
  const std::size_t used = m_used;
  m_used = 0;
  return WriteDirect(std::string_view(m_buffer.data(), used));
}

bool CrLfWriter::Append(std::string_view bytes) {
  if (bytes.empty()) {
    return true;
  }
  if (bytes.size() > m_buffer.size() - m_used && !Flush()) {
    return false;
  }
  if (bytes.size() >= m_buffer.size()) {
    return WriteDirect(bytes);
  }
  std::memcpy(m_buffer.data() + m_used, bytes.data(), bytes.size());
  m_used += bytes.size();
  return true;
}

bool CrLfWriter::WriteDirect(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(m_fd, bytes.data(), bytes.size());
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
