#pragma once

#include <unistd.h>

#include <utility>

// Owns one open file descriptor and closes it when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : m_fd(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  FileDescriptor(FileDescriptor&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
      Close();
      m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
  }
  ~FileDescriptor() { Close(); }

  bool IsOpen() const { return m_fd >= 0; }
  int Get() const { return m_fd; }

  // False when the kernel reports an error on closing (a write that was
  // accepted but could not be stored).
  bool Close() {
    if (m_fd < 0) {
      return true;
    }
    const bool closed = ::close(m_fd) == 0;
    m_fd = -1;
    return closed;
  }

 private:
  int m_fd;  // owned; -1 when closed
};
