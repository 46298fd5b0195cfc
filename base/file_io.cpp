#include "base/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "base/buffered_writer.h"
#include "base/byte_buffer.h"
#include "base/cancellation_flag.h"
#include "base/convert_error.h"
#include "base/file_descriptor.h"
#include "base/file_replacement.h"
#include "base/open_beneath.h"

namespace {

[[noreturn]] void Fail(ConvertReason reason) { throw ConvertError(reason); }

// A cancelled conversion is noticed within one slice of a long reading.
constexpr std::size_t kReadSlice = std::size_t{8} << 20;

// Reads until `size` bytes or the end of the file; the count actually read.
std::size_t ReadFully(int fd, std::uint64_t offset, char* buffer, std::size_t size,
                      const CancellationFlag* cancellation) {
  std::size_t done = 0;
  while (done < size) {
    ThrowIfCancelled(cancellation);
    const ssize_t got =
        ::pread(fd, buffer + done, std::min(size - done, kReadSlice), static_cast<off_t>(offset + done));
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
OpenedFile Checked(FileDescriptor fd, EmptyFile empty) {
  struct stat status {};
  if (!fd.IsOpen() || ::fstat(fd.Get(), &status) != 0 || !IsReadableRegularFile(status, empty)) {
    Fail(ConvertReason::kInputOpen);
  }
  return {std::move(fd), static_cast<std::uint64_t>(status.st_size)};
}

}  // namespace

OpenedFile OpenRegularFile(const std::string& path, EmptyFile empty) {
  if (path.empty()) {
    Fail(ConvertReason::kInputOpen);
  }
  // Status first, so that a FIFO, a device or a directory is refused before
  // opening could block or read forever.
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || !IsReadableRegularFile(status, empty)) {
    Fail(ConvertReason::kInputOpen);
  }
  return Checked(FileDescriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)), empty);
}

OpenedFile OpenRegularFileBeneath(int folderFd, const std::string& path, EmptyFile empty) {
  // The type is learnt through a descriptor that opens nothing (O_PATH), so
  // a device or FIFO is refused before opening it could have an effect.
  const FileDescriptor probe(OpenBeneath(folderFd, path, O_PATH));
  struct stat status {};
  if (!probe.IsOpen() || ::fstat(probe.Get(), &status) != 0 || !IsReadableRegularFile(status, empty)) {
    Fail(ConvertReason::kInputOpen);
  }
  return Checked(FileDescriptor(OpenBeneath(folderFd, path, O_RDONLY | O_NONBLOCK)), empty);
}

void ReadFileAt(const OpenedFile& file, std::uint64_t offset, char* buffer, std::size_t size,
                const CancellationFlag* cancellation) {
  if (ReadFully(file.fd.Get(), offset, buffer, size, cancellation) < size) {
    Fail(ConvertReason::kInputRead);
  }
}

std::string ReadWholeFile(const std::string& path, EmptyFile empty) {
  // One way of reading, then a copy: a string would otherwise be zero-filled
  // first, which costs as much. Only the page, the system's media types and
  // the scripts scanned for images are read this way, once each.
  ByteBuffer content;
  ReadWholeFile(path, content, empty);
  return std::string(content.View());
}

void ReadWholeFile(const std::string& path, ByteBuffer& content, EmptyFile empty,
                   const CancellationFlag* cancellation) {
  ReadOpenedFile(OpenRegularFile(path, empty), content, cancellation);
}

// The buffer is never zero-filled first: the read overwrites it.
void ReadOpenedFile(const OpenedFile& file, ByteBuffer& content, const CancellationFlag* cancellation) {
  content.Clear();
  content.Resize(static_cast<std::size_t>(file.size));
  ReadFileAt(file, 0, content.Data(), content.Size(), cancellation);
}

bool WriteWholeFile(const std::string& path, std::string_view content) {
  FileReplacement file(path);
  file.Write(content);
  file.Commit();
  return true;
}

bool AppendToFile(const std::string& path, std::string_view text) {
  if (path.empty()) {
    Fail(ConvertReason::kOutputCreate);
  }
  // Non-blocking, so that a FIFO without a reader fails instead of hanging.
  FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK, 0666));
  if (!fd.IsOpen() || ::lseek(fd.Get(), 0, SEEK_END) < 0) {
    return false;
  }
  if (!WriteAll(fd.Get(), text) || !fd.Close()) {
    Fail(ConvertReason::kOutputWrite);
  }
  return true;
}
