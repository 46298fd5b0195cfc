#include "archive/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <optional>

#include "archive/convert_error.h"
#include "archive/crlf_writer.h"
#include "archive/file_descriptor.h"

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

// Symbolic links are written through, as opening the path would do; a
// dangling link is replaced.
std::filesystem::path ResolvedTarget(const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_symlink(path, error)) {
    const std::filesystem::path resolved = std::filesystem::canonical(path, error);
    if (!error) {
      return resolved;
    }
  }
  return path;
}

std::uint64_t ClockTicks() {
  return static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
}

// A file created next to the target and removed again unless it was renamed
// over the target.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::filesystem::path& target) : m_fd(-1) {
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    for (int attempt = 0; attempt < 16 && !m_fd.IsOpen(); ++attempt) {
      m_path = folder / (".scrivane-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
                         std::to_string(ClockTicks()) + ".tmp");
      m_fd = FileDescriptor(::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
      if (!m_fd.IsOpen() && errno != EEXIST) {
        break;
      }
    }
    m_created = m_fd.IsOpen();
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    m_fd.Close();
    if (m_created && !m_renamed) {
      ::unlink(m_path.c_str());
    }
  }

  bool IsOpen() const { return m_fd.IsOpen(); }
  int Fd() const { return m_fd.Get(); }

  // Stores the written bytes durably and closes; false when that fails.
  bool Finish() {
    const bool synced = ::fsync(m_fd.Get()) == 0;
    return m_fd.Close() && synced;
  }

  bool RenameOver(const std::filesystem::path& target) {
    m_renamed = ::rename(m_path.c_str(), target.c_str()) == 0;
    return m_renamed;
  }

 private:
  FileDescriptor m_fd;  // owned
  std::filesystem::path m_path;
  bool m_created = false;  // the path is ours to remove
  bool m_renamed = false;
};

// The status of an existing target; nothing when there is none yet. An
// existing target must be a regular file that we may write.
std::optional<struct stat> CheckedTarget(const std::filesystem::path& target) {
  struct stat status {};
  if (::stat(target.c_str(), &status) != 0) {
    if (errno == ENOENT) {
      return std::nullopt;
    }
    Fail(kErrorOutputCreate);
  }
  if (!S_ISREG(status.st_mode) || ::access(target.c_str(), W_OK) != 0) {
    Fail(kErrorOutputCreate);
  }
  return status;
}

// The replacement keeps the owner and permissions of the file it replaces
// where we may set them; a file that stays ours drops set-id bits.
void KeepOwnerAndMode(int fd, const struct stat& existing) {
  const bool ownerKept = ::fchown(fd, existing.st_uid, existing.st_gid) == 0 ||
                         ::fchown(fd, static_cast<uid_t>(-1), existing.st_gid) == 0;
  ::fchmod(fd, existing.st_mode & (ownerKept ? 07777 : 0777));
}

}  // namespace

std::string ReadWholeFile(const std::string& path) {
  if (path.empty()) {
    Fail(kErrorInputOpen);
  }
  // Status first, so that a FIFO, a device or a directory is refused before
  // opening could block or read forever.
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0) {
    Fail(kErrorInputOpen);
  }
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.IsOpen() || ::fstat(fd.Get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0) {
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

bool WriteWholeFile(const std::string& path, std::string_view content) {
  if (path.empty()) {
    Fail(kErrorOutputCreate);
  }
  const std::filesystem::path target = ResolvedTarget(path);
  const std::optional<struct stat> existing = CheckedTarget(target);
  TemporaryFile temporary(target);
  if (!temporary.IsOpen()) {
    Fail(kErrorOutputCreate);
  }
  if (existing) {
    KeepOwnerAndMode(temporary.Fd(), *existing);
  }
  CrLfWriter writer(temporary.Fd());
  if (!writer.Write(content) || !writer.Flush() || !temporary.Finish()) {
    Fail(kErrorOutputWrite);
  }
  if (!temporary.RenameOver(target)) {
    Fail(kErrorOutputCreate);
  }
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
