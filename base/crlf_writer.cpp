#include "base/crlf_writer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

CrLfWriter::CrLfWriter(int fd, std::size_t bufferSize)
    : m_fd(fd), m_bufferSize(bufferSize), m_buffer(new char[bufferSize]) {}

bool CrLfWriter::Write(std::string_view text) {
  while (!text.empty()) {
    // A run and its CR LF are copied straight into the buffer; two bytes are
    // kept free for the pair.
    if (m_bufferSize - m_used < 3 && !Flush()) {
      return false;
    }
    char* const out = m_buffer.get() + m_used;
    const std::size_t window = std::min(text.size(), m_bufferSize - m_used - 2);
    const auto* lineFeed = static_cast<const char*>(std::memchr(text.data(), '\n', window));
    const std::size_t run = lineFeed == nullptr ? window : static_cast<std::size_t>(lineFeed - text.data());
    std::memcpy(out, text.data(), run);
    m_used += run;
    text.remove_prefix(run);
    if (lineFeed != nullptr) {
      out[run] = '\r';
      out[run + 1] = '\n';
      m_used += 2;
      text.remove_prefix(1);
    }
  }
  return true;
}

bool CrLfWriter::Flush() {
  const std::size_t used = m_used;
  m_used = 0;
  return WriteDirect(std::string_view(m_buffer.get(), used));
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
