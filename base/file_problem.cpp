#include "base/file_problem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "base/file_descriptor.h"

namespace {

std::string SystemReason(int error) { return std::generic_category().message(error); }

}  // namespace

std::string ReadProblem(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return SystemReason(errno);
  if (S_ISDIR(status.st_mode)) return SystemReason(EISDIR);
  if (!S_ISREG(status.st_mode)) return "Not a regular file";
  const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!file.IsOpen()) return SystemReason(errno);
  if (status.st_size == 0) return "The file is empty";
  return {};
}

std::string WriteProblem(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) return SystemReason(EISDIR);
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  const std::string folder = parent.empty() ? "." : parent.string();
  if (::stat(folder.c_str(), &status) != 0) return SystemReason(errno);
  if (!S_ISDIR(status.st_mode)) return SystemReason(ENOTDIR);
  if (::access(folder.c_str(), W_OK | X_OK) != 0) return SystemReason(errno);
  return {};
}

std::string PathWithProblem(const std::string& path, const std::string& problem) {
  return problem.empty() ? path : path + ": " + problem;
}
