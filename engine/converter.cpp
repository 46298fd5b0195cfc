#include "engine/converter.h"

#include <filesystem>

#include "archive/content_id.h"
#include "base/path_text.h"
#include "engine/html_document.h"
#include "engine/reference_rules.h"

namespace {

bool IsInsideFolder(const std::string& path, const std::string& folder) {
  if (path.compare(0, folder.size(), folder) != 0) return false;
  return path.size() == folder.size() || folder.back() == '/' || path[folder.size()] == '/';
}

// Symbolic links are followed, so a link inside the folder cannot smuggle
// out a file from elsewhere.
std::string CanonicalForm(const std::string& path) {
  std::error_code error;
  const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
  return error ? path : canonical.string();
}

}  // namespace

CConverter::CConverter() {
  try {
    m_document = std::make_unique<HtmlDocument>();
  } catch (...) {
    return;
  }
  m_resourceTags = {{"link", "href"}, {"body", "background"}};
  m_scriptExtensions = {
      {"js", "Java Script file"}, {"vbs", "VB Script file"}, {"htm", "HTML file"}, {"html", "HTML file"}};
}

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
  m_allowedRoot = root.empty() ? std::string() : CanonicalForm(MakeFullPath(root).value_or(root));
}

void CConverter::SetBaseFolder(const std::string& folder) {
  m_baseFolder = folder;
  while (m_baseFolder.size() > 1 && m_baseFolder.back() == '/') m_baseFolder.pop_back();
}

bool CConverter::IsUnderAllowedRoot(const std::string& path) const {
  return m_allowedRoot.empty() || IsInsideFolder(CanonicalForm(path), m_allowedRoot);
}

void CConverter::SetPagePath(const std::string& path) {
  m_pagePath = path;
  m_pageCanonicalPath = path.empty() ? path : CanonicalForm(path);
}

bool CConverter::IsThePage(const std::string& path) const {
  return !m_pagePath.empty() && (path == m_pagePath || path == m_pageCanonicalPath);
}

std::string CConverter::ResolveReference(const std::string& reference) {
  if (!IsLocalUrl(reference.data(), reference.size())) return {};
  // Under a remote base every path names a file on that server.
  if (m_baseIsRemote && IsRelativeReference(reference)) return {};
  const std::optional<std::string> filePath = ReferenceToPath(reference);
  if (!filePath) return {};
  const std::optional<std::string> absolute = MakeFullPath(*filePath, m_baseFolder);
  if (!absolute) return {};
  if (!IsUnderAllowedRoot(*absolute)) {
    m_log.Write(LogLevel::WARNING, "Outside the allowed folder: %s", absolute->c_str());
    return {};
  }
  if (!IsThePage(*absolute)) m_resources.insert({NormalizeReference(reference), *absolute});
  return *absolute;
}

std::string CConverter::RewrittenReference(const std::string& path) const {
  if (m_linkStyle == LinkStyle::Cid) {
    std::string location = path;
    ToForwardSlashes(location);
    return "cid:" + ContentIdFromLocation(location);
  }
  return FileUrlFromPath(path);
}
