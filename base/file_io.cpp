#include "base/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "base/byte_buffer.h"
#include "base/convert_error.h"
#include "base/crlf_writer.h"
#include "base/file_descriptor.h"
#include "base/file_replacement.h"

namespace {

[[noreturn]] void Fail(std::int32_t code) { throw ConvertError{code}; }

// Reads until `size` bytes or the end of the file; the count actually read.
std::size_t ReadFully(int fd, char* buffer, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = ::read(fd, buffer + done, size - done);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      break;
    }
    done += static_cast<std::size_t>(got);
  }
  return done;
}

}  // namespace

std::string ReadWholeFile(const std::string& path) {
  // One way of reading, then a copy: a string would otherwise be zero-filled
  // first, which costs as much. Only the page and the scripts scanned for
  // images are read this way, once each.
  ByteBuffer content;
  ReadWholeFile(path, content);
  return std::string(content.View());
}

void ReadWholeFile(const std::string& path, ByteBuffer& content) {
  if (path.empty()) {
    Fail(kErrorInputOpen);
  }
  // Status first, so that a FIFO, a device or a directory is refused before
  // opening could block or read forever.
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0) {
    Fail(kErrorInputOpen);
  }
  const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.IsOpen()) {
    Fail(kErrorInputOpen);
  }
  ReadOpenFile(fd.Get(), content);
}

void ReadOpenFile(int fd, ByteBuffer& content) {
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0) {
    Fail(kErrorInputOpen);
  }
  content.Clear();
  try {
    content.Resize(static_cast<std::size_t>(status.st_size));
  } catch (const std::bad_alloc&) {
    Fail(kErrorInputRead);
  }
  if (ReadFully(fd, content.Data(), content.Size()) < content.Size()) {
    Fail(kErrorInputRead);
  }
}

bool WriteWholeFile(const std::string& path, std::string_view content) {
  FileReplacement file(path);
  file.Write(content);
  file.Commit();
  return true;
}

bool AppendToFile(const std::string& path, std::string_view text) {
  if (path.empty()) {
    Fail(kErrorOutputCreate);
  }
  // Non-blocking, so that a FIFO without a reader fails instead of hanging.
  FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK, 0666));
  if (!fd.IsOpen() || ::lseek(fd.Get(), 0, SEEK_END) < 0) {
    return false;
  }
  CrLfWriter writer(fd.Get());
  if (!writer.Write(text) || !writer.Flush() || !fd.Close()) {
    Fail(kErrorOutputWrite);
  }
  return true;
}
