#include "base/file_replacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <optional>
#include <string>
#include <utility>

#include "base/buffered_writer.h"
#include "base/convert_error.h"
#include "base/file_descriptor.h"
#include "base/removed_on_signal.h"

namespace {

[[noreturn]] void Fail(ConvertReason reason, int systemError = 0) { throw ConvertError(reason, systemError); }

constexpr std::size_t kWriteBufferBytes = std::size_t{1} << 20;
constexpr std::size_t kWriteBackStep = std::size_t{8} << 20;

// A target that is a symbolic link is written through, as opening the path
// would do: the file it leads to is replaced, and the link stays. Links are
// followed one by one, so a dangling link names the file it would create.
std::string LinkTarget(std::string path) {
  constexpr int kMostLinks = 40;  // as the kernel follows them
  for (int hop = 0; hop < kMostLinks; ++hop) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
    std::string target(PATH_MAX, '\0');
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) return path;
    target.resize(static_cast<std::size_t>(length));
    const std::size_t slash = path.rfind('/');
    if (target.starts_with('/') || slash == std::string::npos) {
      path = std::move(target);
    } else {
      path.resize(slash + 1);
      path += target;
    }
  }
  return path;
}

// The folder and the name of a target path: a path of one name lies in the
// current folder, and "/name" in the root.
std::pair<std::string, std::string> FolderAndName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

std::uint64_t ClockTicks() {
  return static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
}

// A file created in the target's folder, by a name relative to a descriptor
// of that folder (so the folder's own path may be as long as the system
// allows), and removed again unless it was renamed over the target, also
// when a signal ends the process.
class TemporaryFile {
 public:
  explicit TemporaryFile(int folderFd) : m_folderFd(folderFd), m_fd(-1) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 16 && !m_fd.IsOpen(); ++attempt) {
      m_name = ".scrivane-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
               std::to_string(ClockTicks()) + ".tmp";
      m_removal.emplace(m_folderFd, m_name);
      m_fd = FileDescriptor(::openat(m_folderFd, m_name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
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
      ::unlinkat(m_folderFd, m_name.c_str(), 0);
    }
  }

  bool IsOpen() const { return m_fd.IsOpen(); }
  int Fd() const { return m_fd.Get(); }

  // Stores the written bytes durably and closes; false when that fails.
  bool Finish() {
    const bool synced = ::fsync(m_fd.Get()) == 0;
    return m_fd.Close() && synced;
  }

  bool RenameOver(const std::string& targetName) {
    m_renamed = ::renameat(m_folderFd, m_name.c_str(), m_folderFd, targetName.c_str()) == 0;
    if (m_renamed) {
      m_removal.reset();
    }
    return m_renamed;
  }

 private:
  int m_folderFd;       // not owned
  FileDescriptor m_fd;  // owned
  std::string m_name;
  std::optional<RemovedOnSignal> m_removal;  // while m_name may name our file
  bool m_created = false;                    // the name is ours to remove
  bool m_renamed = false;
};

// An existing target must be a regular file that we may write; its status
// goes to `existing`. False when the target is refused.
bool CheckTarget(int folderFd, const std::string& name, std::optional<struct stat>& existing) {
  struct stat status {};
  if (::fstatat(folderFd, name.c_str(), &status, 0) != 0) {
    return errno == ENOENT;
  }
  if (!S_ISREG(status.st_mode) || ::faccessat(folderFd, name.c_str(), W_OK, 0) != 0) {
    return false;
  }
  existing = status;
  return true;
}

// The replacement keeps the owner and permissions of the file it replaces
// where we may set them; a file that stays ours drops set-id bits.
void KeepOwnerAndMode(int fd, const struct stat& existing) {
  const bool ownerKept =
      ::fchown(fd, existing.st_uid, existing.st_gid) == 0 || ::fchown(fd, static_cast<uid_t>(-1), existing.st_gid) == 0;
  ::fchmod(fd, existing.st_mode & (ownerKept ? 07777 : 0777));
}

}  // namespace

class FileReplacement::Temporary {
 public:
  Temporary(FileDescriptor folder, std::string targetName)
      : m_folder(std::move(folder)),
        m_targetName(std::move(targetName)),
        m_file(m_folder.Get()),
        m_writer(m_file.Fd(), kWriteBufferBytes) {}

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
  bool RenameOverTarget() { return m_file.RenameOver(m_targetName); }

 private:
  FileDescriptor m_folder;  // owned; the temporary file's names are relative to it
  std::string m_targetName;
  TemporaryFile m_file;     // owned
  BufferedWriter m_writer;  // writes to m_file
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
  if (m_writeFailed) m_writeErrno = errno;
  return !m_writeFailed;
}

void FileReplacement::Commit() {
  if (!m_temporary && !m_createFailed) {
    Open();
  }
  if (m_createFailed) {
    Fail(ConvertReason::kOutputCreate);
  }
  if (m_writeFailed) {
    Fail(ConvertReason::kOutputWrite, m_writeErrno);
  }
  if (!m_temporary->Finish()) {
    Fail(ConvertReason::kOutputWrite, errno);
  }
  if (!m_temporary->RenameOverTarget()) {
    Fail(ConvertReason::kOutputCreate);
  }
}

bool FileReplacement::Open() {
  if (m_path.empty()) {
    m_createFailed = true;
    return false;
  }
  const auto [folder, name] = FolderAndName(LinkTarget(m_path));
  FileDescriptor folderFd(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  std::optional<struct stat> existing;
  if (!folderFd.IsOpen() || name.empty() || !CheckTarget(folderFd.Get(), name, existing)) {
    m_createFailed = true;
    return false;
  }
  auto temporary = std::make_unique<Temporary>(std::move(folderFd), name);
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
