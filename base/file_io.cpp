#include "base/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <stdexcept>

#include "base/convert_error.h"
#include "base/crlf_writer.h"
#include "base/file_descriptor.h"
#include "base/file_replacement.h"
#include "base/open_beneath.h"

namespace {

[[noreturn]] void Fail(std::int32_t code) { throw ConvertError(code); }

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

bool IsReadableRegularFile(const struct stat& status, EmptyFile empty) {
  return S_ISREG(status.st_mode) && (status.st_size > 0 || empty == EmptyFile::kAccepted);
}

// Non-blocking, so that a file turned into a FIFO since its status was taken
// cannot hold the read; the status is taken again from the open file.
std::string ReadOpenedFile(FileDescriptor fd, EmptyFile empty) {
  struct stat status {};
  if (!fd.IsOpen() || ::fstat(fd.Get(), &status) != 0 || !IsReadableRegularFile(status, empty)) {
    Fail(kErrorInputOpen);
  }
  std::string content;
  try {
    content.resize(static_cast<std::size_t>(status.st_size));
  } catch (const std::bad_alloc&) {
    Fail(kErrorInputRead);
  } catch (const std::length_error&) {
    Fail(kErrorInputRead);
  }
  if (ReadFully(fd.Get(), content.data(), content.size()) < content.size()) {
    Fail(kErrorInputRead);
  }
  return content;
}

}  // namespace

std::string ReadWholeFile(const std::string& path, EmptyFile empty) {
  if (path.empty()) {
    Fail(kErrorInputOpen);
  }
  // Status first, so that a FIFO, a device or a directory is refused before
  // opening could block or read forever.
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || !IsReadableRegularFile(status, empty)) {
    Fail(kErrorInputOpen);
  }
  return ReadOpenedFile(FileDescriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)), empty);
}

std::string ReadWholeFileBeneath(int folderFd, const std::string& path, EmptyFile empty) {
  // The type is learnt through a descriptor that opens nothing (O_PATH), so
  // a device or FIFO is refused before opening it could have an effect.
  const FileDescriptor probe(OpenBeneath(folderFd, path, O_PATH));
  struct stat status {};
  if (!probe.IsOpen() || ::fstat(probe.Get(), &status) != 0 || !IsReadableRegularFile(status, empty)) {
    Fail(kErrorInputOpen);
  }
  return ReadOpenedFile(FileDescriptor(OpenBeneath(folderFd, path, O_RDONLY | O_NONBLOCK)), empty);
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
