#include "base/file_replacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <optional>

#include "base/convert_error.h"
#include "base/crlf_writer.h"
#include "base/file_descriptor.h"
#include "base/removed_on_signal.h"

namespace {

[[noreturn]] void Fail(std::int32_t code) { throw ConvertError(code); }

constexpr std::size_t kWriteBufferBytes = std::size_t{1} << 20;
constexpr std::size_t kWriteBackStep = std::size_t{8} << 20;

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
// over the target, also when an interrupting signal ends the process.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::filesystem::path& target) : m_fd(-1) {
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    for (int attempt = 0; attempt < 16 && !m_fd.IsOpen(); ++attempt) {
      m_path = folder / (".scrivane-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
                         std::to_string(ClockTicks()) + ".tmp");
      m_removal.emplace(m_path.string());
      m_fd = FileDescriptor(::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
      if (!m_fd.IsOpen()) {
        const int error = errno;
        m_removal.reset();
        if (error != EEXIST) {
          break;
        }
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
    if (m_renamed) {
      m_removal.reset();
    }
    return m_renamed;
  }

 private:
  FileDescriptor m_fd;  // owned
  std::filesystem::path m_path;
  std::optional<RemovedOnSignal> m_removal;  // while m_path may name our file
  bool m_created = false;  // the path is ours to remove
  bool m_renamed = false;
};

// An existing target must be a regular file that we may write; its status
// goes to `existing`. False when the target is refused.
bool CheckTarget(const std::filesystem::path& target, std::optional<struct stat>& existing) {
  struct stat status {};
  if (::stat(target.c_str(), &status) != 0) {
    return errno == ENOENT;
  }
  if (!S_ISREG(status.st_mode) || ::access(target.c_str(), W_OK) != 0) {
    return false;
  }
  existing = status;
  return true;
}

// The replacement keeps the owner and permissions of the file it replaces
// where we may set them; a file that stays ours drops set-id bits.
void KeepOwnerAndMode(int fd, const struct stat& existing) {
  const bool ownerKept = ::fchown(fd, existing.st_uid, existing.st_gid) == 0 ||
                         ::fchown(fd, static_cast<uid_t>(-1), existing.st_gid) == 0;
  ::fchmod(fd, existing.st_mode & (ownerKept ? 07777 : 0777));
}

}  // namespace

class FileReplacement::Temporary {
 public:
  explicit Temporary(std::filesystem::path target)
      : m_target(std::move(target)), m_file(m_target), m_writer(m_file.Fd(), kWriteBufferBytes) {}

  bool IsOpen() const { return m_file.IsOpen(); }
  int Fd() const { return m_file.Fd(); }
  bool Write(std::string_view text) {
    if (!m_writer.Write(text)) return false;
    m_notWrittenBack += text.size();
    if (m_notWrittenBack >= kWriteBackStep) {
      // Starts the disk on what is written so far without waiting for it, so
      // that the fsync at the end waits only for the last stretch.
      ::sync_file_range(m_file.Fd(), 0, 0, SYNC_FILE_RANGE_WRITE);
      m_notWrittenBack = 0;
    }
    return true;
  }
  bool Finish() { return m_writer.Flush() && m_file.Finish(); }
  bool RenameOverTarget() { return m_file.RenameOver(m_target); }

 private:
  std::filesystem::path m_target;
  TemporaryFile m_file;   // owned
  CrLfWriter m_writer;    // writes to m_file
  std::size_t m_notWrittenBack = 0;
};

FileReplacement::FileReplacement(std::string path) : m_path(std::move(path)) {}

FileReplacement::~FileReplacement() = default;

bool FileReplacement::Write(std::string_view text) {
  if (!m_temporary && !m_createFailed) {
    Open();
  }
  if (m_createFailed || m_writeFailed) {
    return false;
  }
  m_writeFailed = !m_temporary->Write(text);
  return !m_writeFailed;
}

void FileReplacement::Commit() {
  if (!m_temporary && !m_createFailed) {
    Open();
  }
  if (m_createFailed) {
    Fail(kErrorOutputCreate);
  }
  if (m_writeFailed || !m_temporary->Finish()) {
    Fail(kErrorOutputWrite);
  }
  if (!m_temporary->RenameOverTarget()) {
    Fail(kErrorOutputCreate);
  }
}

bool FileReplacement::Open() {
  std::optional<struct stat> existing;
  const std::filesystem::path target = m_path.empty() ? std::filesystem::path() : ResolvedTarget(m_path);
  if (m_path.empty() || !CheckTarget(target, existing)) {
    m_createFailed = true;
    return false;
  }
  auto temporary = std::make_unique<Temporary>(target);
  if (!temporary->IsOpen()) {
    m_createFailed = true;
    return false;
  }
  if (existing) {
    KeepOwnerAndMode(temporary->Fd(), *existing);
  }
  m_temporary = std::move(temporary);
  return true;
}
