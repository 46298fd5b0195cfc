#include "engine/resource_discovery.h"

#include <new>
#include <set>

#include "base/convert_error.h"
#include "base/path_text.h"
#include "engine/html_document.h"
#include "engine/preload_scan.h"
#include "engine/reference_resolver.h"
#include "engine/reference_rules.h"
#include "engine/remote_files.h"
#include "engine/resource_registry.h"
#include "log/convert_log.h"

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

// "Found 3 images", or "No images found".
void LogFound(CConvertLog& log, std::size_t count, const char* found, const char* none) {
  if (count == 0) {
    log.Write(LogLevel::INFO, "%s", none);
  } else {
    log.Write(LogLevel::INFO, found, static_cast<int>(count));
  }
}

}  // namespace

ResourceDiscovery::ResourceDiscovery(CConvertLog& log, ResourceRegistry& registry, ReferenceResolver& resolver,
                                     const Table& resourceTags, const Table& scriptExtensions)
    : m_log(log),
      m_registry(registry),
      m_resolver(resolver),
      m_resourceTags(resourceTags),
      m_scriptExtensions(scriptExtensions) {}

bool ResourceDiscovery::DiscoverResources(LoadedPage& page) {
  try {
    const std::vector<HtmlElement> images = page.document->Images();
    for (const HtmlElement& image : images) ProcessReference(page, image, "src");
    LogFound(m_log, images.size(), "Found %d images", "No images found");
    const std::vector<HtmlElement> scripts = page.document->Scripts();
    for (const HtmlElement& script : scripts) ProcessReference(page, script, "src");
    LogFound(m_log, scripts.size(), "Found %d scripts", "No scripts found");
    DiscoverCustomResources(page);
    return true;
  } catch (const std::bad_alloc&) {
    throw;  // the conversion reports it as what it is
  } catch (const std::exception&) {
    // ConvertError from an attribute the document cannot hold: the walk is
    // incomplete.
    return false;
  }
}

void ResourceDiscovery::DiscoverCustomResources(LoadedPage& page) {
  std::size_t customCount = 0;
  for (const auto& [tag, attribute] : m_resourceTags) {
    const bool isLinkHref = tag == "link" && attribute == "href";
    for (const HtmlElement& element : page.document->ElementsByTagName(tag)) {
      if (isLinkHref && !LinkLoadsItsTarget(page.document->GetAttribute(element, "rel").value_or(""))) continue;
      ProcessReference(page, element, attribute);
      ++customCount;
    }
  }
  LogFound(m_log, customCount, "Found %d custom resources", "No custom resources found");
}

// The reference keeps its case: on this file system a lower-cased path names
// another file, or none.
void ResourceDiscovery::ProcessReference(LoadedPage& page, HtmlElement element, const std::string& attribute) {
  const std::optional<std::string> value = page.document->GetAttribute(element, attribute);
  if (!value) return;
  const std::optional<std::string> reference = AttributeReference(*value);
  if (!reference) return;
  const std::string path = ResolveReference(*reference, page.base);
  if (path.empty()) return;
  if (!m_registry.IsThePage(path)) ScanScriptFile(path, page.base);
  page.document->SetAttribute(element, attribute, m_registry.PartUrl(path));
}

std::string ResourceDiscovery::ResolveReference(const std::string& reference, const ReferenceBase& base) {
  const std::optional<std::string> path = m_resolver.LocalFilePath(reference, base);
  if (!path) return {};
  m_registry.Register(reference, *path);
  return *path;
}

// Extensions compare lower-cased: references keep the case they were written
// in, and "MENU.JS" is as much a script as "menu.js".
bool ResourceDiscovery::IsScriptFile(const std::string& path) const {
  const std::string extension = ToLower(GetExtension(path));
  return !extension.empty() && m_scriptExtensions.count(extension) != 0;
}

// A file met again, by the same reference or another one (menu.js?1,
// menu.js?2), is not read again: its kept scan writes the same lines and
// makes the same registrations.
std::vector<std::string> ResourceDiscovery::ScannedImageNames(const std::string& path) const {
  return MakeOncePerFile(
      m_scanCache, path, [&] { return AssignedImageNames(m_resolver.Reader().ReadWholeFile(path)); },
      [](const std::vector<std::string>& names) {
        std::size_t bytes = 0;
        for (const std::string& name : names) bytes += name.size() + sizeof(std::string);
        return bytes;
      });
}

void ResourceDiscovery::ScanScriptFile(const std::string& path, const ReferenceBase& base) {
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
  if (kept->second) ReportPreloadScan(*kept->second, base);
}

// Images that script code loads by assigning a quoted name to a .src
// property appear in no attribute; they are found in the text itself.
void ResourceDiscovery::ScanPreloadedImages(const std::string& text, const ReferenceBase& base) {
  ScriptScan scan{AssignedImageNames(text), {}, {}};
  ReportPreloadScan(scan, base);
}

// Registering a name again against the base it was resolved against adds
// nothing, so a kept scan met again under that base only repeats its
// warnings; under another base (a frame's page) every name is resolved anew.
void ResourceDiscovery::ReportPreloadScan(ScriptScan& scan, const ReferenceBase& base) {
  m_log.Write(LogLevel::INFO, "Checking for preloaded images...");
  if (scan.resolvedAgainst == std::make_pair(base.Location(), base.remote)) {
    for (const std::string& path : scan.outsidePaths) m_resolver.LogOutsideAllowedFolder(path);
  } else {
    RegisterPreloadedImages(scan, base);
  }
  if (!scan.names.empty()) {
    m_log.Write(LogLevel::INFO, "%d preloaded images found", static_cast<int>(scan.names.size()));
  } else {
    m_log.Write(LogLevel::INFO, "No preloaded images found");
  }
}

// A fetched page's scripts name no file on this disk: against its URL, none
// is found.
void ResourceDiscovery::RegisterPreloadedImages(ScriptScan& scan, const ReferenceBase& base) {
  scan.outsidePaths.clear();
  for (const std::string& name : scan.names) {
    const std::optional<std::string> path = m_resolver.AbsoluteFilePath(name, base);
    if (!path) continue;
    if (m_resolver.IsUnderAllowedRoot(*path)) {
      m_registry.Register(name, *path);
    } else {
      m_resolver.LogOutsideAllowedFolder(*path);
      scan.outsidePaths.push_back(*path);
    }
  }
  scan.resolvedAgainst = std::make_pair(base.Location(), base.remote);
}
