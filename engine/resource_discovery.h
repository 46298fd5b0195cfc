#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/stamped_cache.h"
#include "engine/html_document.h"
#include "engine/loaded_page.h"

struct CConvertLog;
class ReferenceResolver;
class ResourceRegistry;

// Finds what a page loads through its images, scripts and resource tags,
// and the images scripts preload, registers each file and rewrites each
// reference to its part's URL.
// Ownership: discovery owns the scans of the scripts it read in this
// conversion; the log, the registry, the resolver and the two tables are
// CConverter's, which outlive it; the scan cache is the caller's (see
// CConverter::SetScanCache). Pages are given to each call, never kept.
class ResourceDiscovery {
 public:
  using Table = std::map<std::string, std::string>;
  // The names a scan for preloaded images found in a file, kept by the file.
  using ScanCache = StampedCache<std::vector<std::string>>;

  ResourceDiscovery(CConvertLog& log, ResourceRegistry& registry, ReferenceResolver& resolver,
                    const Table& resourceTags, const Table& scriptExtensions);

  void SetScanCache(ScanCache* cache) { m_scanCache = cache; }
  // Each conversion reads its scripts again.
  void ForgetScans() { m_scriptScans.clear(); }

  // False when an attribute could not be rewritten: the walk is incomplete.
  bool DiscoverResources(LoadedPage& page);
  void ProcessReference(LoadedPage& page, HtmlElement element, const std::string& attribute);
  // Registers the file `reference` names against `base` and gives its path
  // (or URL); empty when it names none.
  std::string ResolveReference(const std::string& reference, const ReferenceBase& base);
  bool IsScriptFile(const std::string& path) const;
  // The script's preloaded images, registered against `base`.
  void ScanScriptFile(const std::string& path, const ReferenceBase& base);
  // The text ends at its first zero byte.
  void ScanPreloadedImages(const std::string& text, const ReferenceBase& base);

 private:
  // What the scan of one script's text found, kept for the conversion so
  // that a file many references name is read and scanned once.
  struct ScriptScan {
    std::vector<std::string> names;  // the names assigned to .src properties, in the order found
    // The base the names were last resolved against, and the paths outside
    // the allowed folder they gave there. Resolving them against the same
    // base again would add nothing to the registry, only these lines.
    std::optional<std::pair<std::string, bool>> resolvedAgainst;  // base location, base is remote
    std::vector<std::string> outsidePaths;
  };

  // The names the script at `path` assigns to .src properties, from the
  // scan cache when there is one. Throws ConvertError when it cannot be read.
  std::vector<std::string> ScannedImageNames(const std::string& path) const;
  // The scan's lines and registrations, against `base`.
  void ReportPreloadScan(ScriptScan& scan, const ReferenceBase& base);
  void RegisterPreloadedImages(ScriptScan& scan, const ReferenceBase& base);
  void DiscoverCustomResources(LoadedPage& page);

  CConvertLog& m_log;
  ResourceRegistry& m_registry;
  ReferenceResolver& m_resolver;
  const Table& m_resourceTags;       // tag -> attribute naming a file
  const Table& m_scriptExtensions;   // extension -> description
  ScanCache* m_scanCache = nullptr;  // not owned; may be null
  // Script files scanned in this conversion, by path; nothing for one that
  // could not be read.
  std::map<std::string, std::optional<ScriptScan>> m_scriptScans;
};
