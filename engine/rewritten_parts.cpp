#include "engine/rewritten_parts.h"

#include "engine/reference_resolver.h"

// Only a complete archive has rewritten parts, so other conversions never
// ask the file system.
const RewrittenParts::Part* RewrittenParts::Find(const std::string& path) const {
  if (m_parts.empty()) return nullptr;
  const auto found = m_parts.find(m_resolver.FileIdentity(path));
  return found == m_parts.end() ? nullptr : &found->second;
}
