#include "engine/converter.h"

#include "base/path_text.h"
#include "engine/html_document.h"
#include "engine/reference_rules.h"
#include "engine/remote_files.h"

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
    : m_resourceTags(DefaultResourceTags()),
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

void CConverter::SetBaseFolder(const std::string& folder) {
  m_page.base.SetFolder(folder);
}

std::string CConverter::ResolveReference(const std::string& reference) {
  return m_discovery.ResolveReference(reference, m_page.base);
}

bool CConverter::LoadDocument(const std::string& path, std::optional<std::string> pageText) {
  return m_loader.LoadDocument(m_page, path, std::move(pageText));
}

void CConverter::ApplyBaseLocation(const std::string& path) { m_loader.ApplyBaseLocation(m_page, path); }

void CConverter::ScanPreloadedImages(const std::string& text) { m_discovery.ScanPreloadedImages(text, m_page.base); }

bool CConverter::DiscoverResources() { return m_discovery.DiscoverResources(m_page); }

bool CConverter::DiscoverCompleteResources(const CMimeArchive& archive) { return m_complete.Discover(m_page, archive); }

void CConverter::ProcessReference(HtmlElement element, const std::string& attribute) {
  m_discovery.ProcessReference(m_page, element, attribute);
}

bool CConverter::IsScriptFile(const std::string& path) const { return m_discovery.IsScriptFile(path); }

void CConverter::ScanScriptFile(const std::string& path) { m_discovery.ScanScriptFile(path, m_page.base); }
