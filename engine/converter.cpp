#include "engine/converter.h"

#include <climits>
#include <filesystem>

#include "archive/content_id.h"
#include "base/path_text.h"
#include "engine/html_document.h"
#include "engine/reference_rules.h"
#include "engine/remote_files.h"

namespace {

bool IsInsideFolder(const std::string& path, const std::string& folder) {
  if (path.compare(0, folder.size(), folder) != 0) return false;
  return path.size() == folder.size() || folder.back() == '/' || path[folder.size()] == '/';
}

// Symbolic links are followed, so a link inside the folder cannot smuggle
// out a file from elsewhere. Nothing when the links cannot be followed to
// the end (a loop, a result longer than PATH_MAX).
std::optional<std::string> CanonicalForm(const std::string& path) {
  std::error_code error;
  std::string canonical = std::filesystem::weakly_canonical(path, error).string();
  if (error || canonical.size() >= PATH_MAX) return std::nullopt;
  return canonical;
}

}  // namespace

const CConverter::Table& CConverter::DefaultResourceTags() {
  static const Table table = {{"link", "href"}, {"body", "background"}};
  return table;
}

const CConverter::Table& CConverter::DefaultScriptExtensions() {
  static const Table table = {
      {"js", "Java Script file"}, {"vbs", "VB Script file"}, {"htm", "HTML file"}, {"html", "HTML file"}};
  return table;
}

CConverter::CConverter()
    : m_document(std::make_unique<HtmlDocument>()),
      m_resourceTags(DefaultResourceTags()),
      m_scriptExtensions(DefaultScriptExtensions()) {}

CConverter::~CConverter() = default;

void CConverter::AddResourceTag(const std::string& tag, const std::string& attribute) {
  m_log.Write(LogLevel::INFO, "Add resource tag: <%s %s>", tag.c_str(), attribute.c_str());
  m_resourceTags[tag] = attribute;
}

void CConverter::AddScriptExtension(const std::string& extension, const std::string& description) {
  m_log.Write(LogLevel::INFO, "Add script extension: %s", extension.c_str());
  m_scriptExtensions[extension] = description;
}

void CConverter::SetAllowedRoot(const std::string& root) {
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

void CConverter::SetBaseFolder(const std::string& folder) {
  m_baseFolder = folder;
  while (m_baseFolder.size() > 1 && m_baseFolder.back() == '/') m_baseFolder.pop_back();
}

// Inside by its spelling, which is what the reader opens beneath the
// folder, and by the file it leads to now; the reader keeps the second true
// until the file is read.
bool CConverter::IsUnderAllowedRoot(const std::string& path) const {
  if (m_allowedRoot.empty()) return true;
  const std::optional<std::string> canonical = CanonicalForm(path);
  return IsInsideFolder(path, m_allowedRoot) && canonical && IsInsideFolder(*canonical, m_allowedRoot);
}

void CConverter::SetPagePath(const std::string& path) {
  m_pagePath = path;
  m_pageCanonicalPath = path.empty() || IsRemoteLocation(path) ? path : CanonicalForm(path).value_or(path);
}

bool CConverter::IsThePage(const std::string& path) const {
  return !m_pagePath.empty() && (path == m_pagePath || path == m_pageCanonicalPath);
}

std::string CConverter::ResolveReference(const std::string& reference) {
  const std::optional<std::string> path = LocalFilePath(reference, BaseLocation(), m_baseIsRemote);
  if (!path) return {};
  Register(reference, *path);
  return *path;
}

std::optional<std::string> CConverter::LocalFilePath(const std::string& reference, const std::string& folder,
                                                     bool folderIsRemote) {
  if (std::optional<std::string> url = RemoteFilePath(reference, folderIsRemote ? folder : std::string())) return url;
  const std::optional<std::string> absolute = AbsoluteFilePath(reference, folder, folderIsRemote);
  if (absolute && !IsUnderAllowedRoot(*absolute)) {
    LogOutsideAllowedFolder(*absolute);
    return std::nullopt;
  }
  return absolute;
}

std::optional<std::string> CConverter::AbsoluteFilePath(const std::string& reference, const std::string& folder,
                                                        bool folderIsRemote) const {
  if (!IsLocalUrl(reference.data(), reference.size())) return std::nullopt;
  // What a document from the network names is never read from this disk.
  if (!m_localFilesAllowed || IsRemoteLocation(folder)) return std::nullopt;
  // Under a remote base every path names a file on that server.
  if (folderIsRemote && IsRelativeReference(reference)) return std::nullopt;
  const std::optional<std::string> filePath = ReferenceToPath(reference);
  if (!filePath) return std::nullopt;
  return MakeFullPath(*filePath, folder);
}

void CConverter::LogOutsideAllowedFolder(const std::string& path) {
  m_log.LeftOut("Outside the allowed folder", path);
}

void CConverter::Register(const std::string& reference, const std::string& path) {
  if (!IsThePage(path)) m_resources.insert({NormalizeReference(reference), path});
}

std::string CConverter::FileIdentity(const std::string& path) const {
  return IsRemoteLocation(path) ? path : CanonicalForm(path).value_or(path);
}

std::optional<std::string> CConverter::RemoteFilePath(const std::string& reference, const std::string& base) {
  if (m_remoteFiles == nullptr) return std::nullopt;
  const std::optional<std::string> url = RemoteUrl(base, reference);
  if (!url) return std::nullopt;
  const FetchedFile* file = m_remoteFiles->Want(*url);
  // Not fetched yet: taken for now; the walk that counts comes after its fetch.
  if (file == nullptr || file->Fetched()) return url;
  m_log.LeftOut("Failed to fetch remote file", *url, file->failure);
  return std::nullopt;
}

const FetchedFile* CConverter::FetchedRemoteFile(const std::string& path) const {
  if (m_remoteFiles == nullptr || !IsRemoteLocation(path)) return nullptr;
  const FetchedFile* file = m_remoteFiles->Find(path);
  return file != nullptr && file->Fetched() ? file : nullptr;
}

std::string CConverter::MainPartUrl() const {
  return IsRemoteLocation(m_inputLocation) ? m_inputLocation : FileUrlFromPath(m_inputLocation);
}

std::string CConverter::PartUrl(const std::string& path) const {
  // The main part is labelled with the page's file URL and has no Content-ID.
  return IsThePage(path) ? MainPartUrl() : RewrittenReference(path);
}

std::string CConverter::RewrittenReference(const std::string& path) const {
  if (m_linkStyle == LinkStyle::Cid) return "cid:" + ContentIdFromLocation(path);
  return IsRemoteLocation(path) ? path : FileUrlFromPath(path);
}
