#include "engine/reference_resolver.h"

#include <climits>
#include <filesystem>

#include "base/path_text.h"
#include "engine/reference_rules.h"
#include "engine/remote_files.h"
#include "log/convert_log.h"

namespace {

bool IsInsideFolder(const std::string& path, const std::string& folder) {
  if (path.compare(0, folder.size(), folder) != 0) return false;
  return path.size() == folder.size() || folder.back() == '/' || path[folder.size()] == '/';
}

}  // namespace

ReferenceBase ReferenceBase::OfFile(const std::string& path) {
  if (IsRemoteLocation(path)) return {{}, true, path};
  return {std::filesystem::path(path).parent_path().string(), false, {}};
}

void ReferenceBase::SetFolder(const std::string& absoluteFolder) {
  folder = absoluteFolder;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
}

// Symbolic links are followed, so a link inside the folder cannot smuggle
// out a file from elsewhere.
std::optional<std::string> CanonicalForm(const std::string& path) {
  std::error_code error;
  std::string canonical = std::filesystem::weakly_canonical(path, error).string();
  if (error || canonical.size() >= PATH_MAX) return std::nullopt;
  return canonical;
}

ReferenceResolver::ReferenceResolver(CConvertLog& log) : m_log(log) {}

ReferenceResolver::~ReferenceResolver() = default;

void ReferenceResolver::SetAllowedRoot(const std::string& root) {
  if (root.empty()) {
    m_allowedRoot.clear();
    m_fileReader = FileReader();
    return;
  }
  const std::string absolute = AbsolutePath(root);
  // A folder that cannot be opened lets nothing be read, whatever its name.
  m_allowedRoot = CanonicalForm(absolute).value_or(absolute);
  m_fileReader = FileReader(m_allowedRoot);
}

// Inside by its spelling, which is what the reader opens beneath the
// folder, and by the file it leads to now; the reader keeps the second true
// until the file is read.
bool ReferenceResolver::IsUnderAllowedRoot(const std::string& path) const {
  if (m_allowedRoot.empty()) return true;
  const std::optional<std::string> canonical = CanonicalForm(path);
  return IsInsideFolder(path, m_allowedRoot) && canonical && IsInsideFolder(*canonical, m_allowedRoot);
}

void ReferenceResolver::StartRemoteFiles(const std::optional<FetchLimits>& limits) {
  m_remoteFiles = limits ? std::make_unique<RemoteFiles>(*limits) : nullptr;
}

void ReferenceResolver::ForgetRemoteFiles() { m_remoteFiles.reset(); }

const FetchedFile* ReferenceResolver::FetchedRemoteFile(const std::string& path) const {
  if (m_remoteFiles == nullptr || !IsRemoteLocation(path)) return nullptr;
  const FetchedFile* file = m_remoteFiles->Find(path);
  return file != nullptr && file->Fetched() ? file : nullptr;
}

std::optional<std::string> ReferenceResolver::LocalFilePath(const std::string& reference, const ReferenceBase& base) {
  if (std::optional<std::string> url = RemoteFilePath(reference, base.remote ? base.Location() : std::string())) {
    return url;
  }
  std::optional<std::string> absolute = AbsoluteFilePath(reference, base);
  if (absolute && !IsUnderAllowedRoot(*absolute)) {
    LogOutsideAllowedFolder(*absolute);
    return std::nullopt;
  }
  return absolute;
}

std::optional<std::string> ReferenceResolver::AbsoluteFilePath(const std::string& reference,
                                                               const ReferenceBase& base) const {
  if (!IsLocalUrl(reference.data(), reference.size())) return std::nullopt;
  const std::string& folder = base.Location();
  // What a document from the network names is never read from this disk.
  if (!m_localFilesAllowed || IsRemoteLocation(folder)) return std::nullopt;
  // Under a remote base every path names a file on that server.
  if (base.remote && IsRelativeReference(reference)) return std::nullopt;
  const std::optional<std::string> filePath = ReferenceToPath(reference);
  if (!filePath) return std::nullopt;
  return MakeFullPath(*filePath, folder);
}

void ReferenceResolver::LogOutsideAllowedFolder(const std::string& path) {
  m_log.LeftOut("Outside the allowed folder", path);
}

std::string ReferenceResolver::FileIdentity(const std::string& path) const {
  return IsRemoteLocation(path) ? path : CanonicalForm(path).value_or(path);
}

std::optional<std::string> ReferenceResolver::RemoteFilePath(const std::string& reference, const std::string& base) {
  if (m_remoteFiles == nullptr) return std::nullopt;
  std::optional<std::string> url = RemoteUrl(base, reference);
  if (!url) return std::nullopt;
  const FetchedFile* file = m_remoteFiles->Want(*url);
  // Not fetched yet: taken for now; the walk that counts comes after its fetch.
  if (file == nullptr || file->Fetched()) return url;
  m_log.LeftOut("Failed to fetch remote file", *url, file->failure);
  return std::nullopt;
}
