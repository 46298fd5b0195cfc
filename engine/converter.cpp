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
  m_allowedRoot = root.empty() ? std::string() : CanonicalForm(MakeFullPath(root).value_or(root));
}

bool CConverter::IsUnderAllowedRoot(const std::string& path) const {
  return m_allowedRoot.empty() || IsInsideFolder(CanonicalForm(path), m_allowedRoot);
}

std::string CConverter::ResolveReference(const std::string& reference) {
  if (!IsLocalUrl(reference.data(), reference.size())) return {};
  const std::optional<std::string> filePath = ReferenceToPath(reference);
  if (!filePath) return {};
  const std::optional<std::string> absolute = MakeFullPath(*filePath);
  if (!absolute) return {};
  if (!IsUnderAllowedRoot(*absolute)) {
    m_log.Write(LogLevel::WARNING, "Outside the allowed folder: %s", absolute->c_str());
    return {};
  }
  m_resources[NormalizeReference(reference)] = *absolute;
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
