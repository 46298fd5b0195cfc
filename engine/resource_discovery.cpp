#include <new>

#include "base/convert_error.h"
#include "base/file_stamp.h"
#include "base/path_text.h"
#include "engine/converter.h"
#include "engine/html_document.h"
#include "engine/preload_scan.h"
#include "engine/reference_rules.h"
#include "engine/remote_files.h"

namespace {

// The relations through which a <link> makes the page load its target. The
// others (next, chapter, alternate, canonical, help...) point at pages to
// visit: archiving them would take a whole manual for one chapter, so they
// stay as written.
bool LinkLoadsItsTarget(const std::string& rel) {
  static const std::set<std::string> kLoaded = {"stylesheet", "icon", "preload", "modulepreload", "manifest"};
  std::string lowered;
  for (const char c : rel) lowered.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
  std::size_t start = lowered.find_first_not_of(" \t\n\f\r");
  while (start != std::string::npos) {
    const std::size_t end = lowered.find_first_of(" \t\n\f\r", start);
    if (kLoaded.count(lowered.substr(start, end - start)) != 0) return true;
    start = end == std::string::npos ? end : lowered.find_first_not_of(" \t\n\f\r", end);
  }
  return false;
}

}  // namespace

bool CConverter::DiscoverResources() {
  try {
    const std::vector<HtmlElement> images = m_document->Images();
    for (const HtmlElement& image : images) ProcessReference(image, "src");
    if (images.empty()) {
      m_log.Write(LogLevel::INFO, "No images found");
    } else {
      m_log.Write(LogLevel::INFO, "Found %d images", static_cast<int>(images.size()));
    }

    const std::vector<HtmlElement> scripts = m_document->Scripts();
    for (const HtmlElement& script : scripts) ProcessReference(script, "src");
    if (scripts.empty()) {
      m_log.Write(LogLevel::INFO, "No scripts found");
    } else {
      m_log.Write(LogLevel::INFO, "Found %d scripts", static_cast<int>(scripts.size()));
    }

    int customCount = 0;
    for (const auto& [tag, attribute] : m_resourceTags) {
      const bool isLinkHref = tag == "link" && attribute == "href";
      for (const HtmlElement& element : m_document->ElementsByTagName(tag)) {
        if (isLinkHref && !LinkLoadsItsTarget(m_document->GetAttribute(element, "rel").value_or(""))) continue;
        ProcessReference(element, attribute);
        ++customCount;
      }
    }
    if (customCount > 0) {
      m_log.Write(LogLevel::INFO, "Found %d custom resources", customCount);
    } else {
      m_log.Write(LogLevel::INFO, "No custom resources found");
    }
    return true;
  } catch (const std::bad_alloc&) {
    throw;  // the conversion reports it as what it is
  } catch (const std::exception&) {
    // HtmlError from an attribute the document cannot hold: the walk is
    // incomplete.
    return false;
  }
}

// The reference keeps its case: on this file system a lower-cased path names
// another file, or none.
void CConverter::ProcessReference(HtmlElement element, const std::string& attribute) {
  const std::optional<std::string> value = m_document->GetAttribute(element, attribute);
  if (!value) return;
  const std::optional<std::string> reference = AttributeReference(*value);
  if (!reference) return;
  const std::string path = ResolveReference(*reference);
  if (path.empty()) return;
  if (!m_resources.IsThePage(path)) ScanScriptFile(path);
  m_document->SetAttribute(element, attribute, m_resources.PartUrl(path));
}

// Extensions compare lower-cased: references keep the case they were written
// in, and "MENU.JS" is as much a script as "menu.js".
bool CConverter::IsScriptFile(const std::string& path) const {
  const std::string extension = ToLower(GetExtension(path));
  return !extension.empty() && m_scriptExtensions.count(extension) != 0;
}

// A file met again, by the same reference or another one (menu.js?1,
// menu.js?2), is not read again: its kept scan writes the same lines and
// makes the same registrations.
std::vector<std::string> CConverter::ScannedImageNames(const std::string& path) const {
  const std::optional<FileStamp> stamp = m_scanCache ? StampOfFile(path) : std::nullopt;
  if (!stamp) return AssignedImageNames(m_resolver.Reader().ReadWholeFile(path));
  return *m_scanCache->FindOrMake(*stamp, 0, [&] {
    auto names = std::make_shared<const std::vector<std::string>>(AssignedImageNames(m_resolver.Reader().ReadWholeFile(path)));
    std::size_t bytes = 0;
    for (const std::string& name : *names) bytes += name.size() + sizeof name;
    return std::make_pair(std::move(names), bytes);
  });
}

void CConverter::ScanScriptFile(const std::string& path) {
  if (!IsScriptFile(path) || IsRemoteLocation(path)) return;
  const auto [kept, first] = m_scriptScans.try_emplace(path);
  if (first) {
    try {
      kept->second = ScriptScan{ScannedImageNames(path), {}, {}};
    } catch (const ConvertError&) {
      // An unreadable script stays registered; its part reports the failure.
      return;
    }
  }
  if (kept->second) ReportPreloadScan(*kept->second);
}
