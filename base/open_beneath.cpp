#include "base/open_beneath.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <deque>
#include <string>
#include <vector>

#include "base/file_descriptor.h"

namespace {

// As many links as the kernel follows in one lookup.
constexpr int kMaxLinks = 40;
// RESOLVE_BENEATH gives up with EAGAIN when a rename or mount raced with it.
constexpr int kRaceRetries = 8;

std::atomic<bool> g_openat2Missing{false};

int OpenAt2(int folderFd, const std::string& path, int flags) {
  open_how how{};
  how.flags = static_cast<__u64>(flags | O_CLOEXEC);
  how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
  int fd = -1;
  for (int attempt = 0; attempt < kRaceRetries; ++attempt) {
    fd = static_cast<int>(::syscall(SYS_openat2, folderFd, path.c_str(), &how, sizeof how));
    if (fd >= 0 || errno != EAGAIN) break;
  }
  return fd;
}

void AppendComponents(std::string_view path, std::deque<std::string>& components, bool atFront) {
  std::vector<std::string> found;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    if (end > start) found.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  // A trailing slash asks for a folder, as it does of the kernel.
  if (!path.empty() && path.back() == '/') found.emplace_back(".");
  if (atFront) {
    components.insert(components.begin(), found.begin(), found.end());
  } else {
    components.insert(components.end(), found.begin(), found.end());
  }
}

int Refuse(int error) {
  errno = error;
  return -1;
}

}  // namespace

int OpenBeneath(int folderFd, std::string_view path, int flags) {
  if (!g_openat2Missing.load(std::memory_order_relaxed)) {
    const int fd = OpenAt2(folderFd, std::string(path), flags);
    // ENOSYS on kernels before 5.6; EPERM where a sandbox forbids system
    // calls it does not know, which the walk then meets again if it is real.
    if (fd >= 0 || (errno != ENOSYS && errno != EPERM)) return fd;
    if (errno == ENOSYS) g_openat2Missing.store(true, std::memory_order_relaxed);
  }
  return OpenBeneathByWalking(folderFd, path, flags);
}

int OpenBeneathByWalking(int folderFd, std::string_view path, int flags) {
  if (path.empty()) return Refuse(ENOENT);
  if (path.starts_with('/')) return Refuse(EXDEV);
  std::deque<std::string> pending;
  AppendComponents(path, pending, false);
  std::vector<FileDescriptor> entered;  // folders below `folderFd`, innermost last
  const auto current = [&] { return entered.empty() ? folderFd : entered.back().Get(); };
  int links = 0;
  while (!pending.empty()) {
    const std::string name = std::move(pending.front());
    pending.pop_front();
    if (name == "." && !pending.empty()) continue;
    if (name == "..") {
      if (entered.empty()) return Refuse(EXDEV);
      entered.pop_back();
      if (pending.empty()) pending.emplace_back(".");
      continue;
    }
    FileDescriptor entry(::openat(current(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat status {};
    if (!entry.IsOpen() || ::fstat(entry.Get(), &status) != 0) return -1;
    if (S_ISLNK(status.st_mode)) {
      if (++links > kMaxLinks) return Refuse(ELOOP);
      char target[PATH_MAX];
      const ssize_t length = ::readlinkat(entry.Get(), "", target, sizeof target);
      if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target) return Refuse(ELOOP);
      const std::string_view link(target, static_cast<std::size_t>(length));
      if (link.starts_with('/')) return Refuse(EXDEV);
      AppendComponents(link, pending, true);
      continue;
    }
    if (pending.empty()) {
      // O_NOFOLLOW: a link put in the entry's place since it was looked at
      // is refused, not followed.
      return ::openat(current(), name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC);
    }
    if (!S_ISDIR(status.st_mode)) return Refuse(ENOTDIR);
    entered.push_back(std::move(entry));
  }
  return ::openat(current(), ".", flags | O_CLOEXEC);
}
