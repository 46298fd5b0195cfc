#include "engine/resource_registry.h"

#include <string_view>

#include "archive/content_id.h"
#include "base/path_text.h"
#include "engine/reference_resolver.h"
#include "engine/reference_rules.h"
#include "engine/remote_files.h"

void ResourceRegistry::Register(const std::string& reference, const std::string& path) {
  if (!IsThePage(path)) m_entries.insert({NormalizeReference(reference), path});
}

void ResourceRegistry::SetPagePath(const std::string& path) {
  m_pagePath = path;
  m_pageCanonicalPath = path.empty() || IsRemoteLocation(path) ? path : CanonicalForm(path).value_or(path);
}

bool ResourceRegistry::IsThePage(const std::string& path) const {
  return !m_pagePath.empty() && (path == m_pagePath || path == m_pageCanonicalPath);
}

std::string ResourceRegistry::MainPartUrl() const {
  return IsRemoteLocation(m_pageLocation) ? m_pageLocation : FileUrlFromPath(m_pageLocation);
}

std::string ResourceRegistry::PartUrl(const std::string& path) const {
  // The main part is labelled with the page's file URL and has no Content-ID.
  return IsThePage(path) ? MainPartUrl() : RewrittenReference(path);
}

std::string ResourceRegistry::RewrittenReference(const std::string& path) const {
  if (m_linkStyle == LinkStyle::Cid) return "cid:" + ContentIdFromLocation(path);
  return IsRemoteLocation(path) ? path : FileUrlFromPath(path);
}

std::size_t ResourceRegistry::PartsWritten() const {
  std::set<std::string_view> paths;
  for (const ResourceEntry& entry : m_entries) paths.insert(entry.path);
  return 1 + paths.size() - m_pathsLeftOut.size();
}
