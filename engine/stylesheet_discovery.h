#pragma once

#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/stamped_cache.h"
#include "engine/css_references.h"

class CancellationFlag;
class CMimeArchive;
struct CConvertLog;
struct ReferenceBase;
class ReferenceResolver;
class ResourceRegistry;
class RewrittenParts;

// Reads every archived stylesheet and SVG file, nearest the page first,
// registers the files their references name and rewrites those references
// into the files' parts.
// Ownership: owns nothing; the parts it rewrites go to the RewrittenParts it
// is given (CompleteDiscovery's). The log, registry and resolver are
// CConverter's, which outlive it; the cancellation and the stylesheet cache
// are the caller's.
class StylesheetDiscovery {
 public:
  // How deep stylesheets import one another before the next level is left
  // as written.
  static constexpr int kMaxImportDepth = 16;
  // The URLs a stylesheet's tokens hold, kept by the file.
  using StylesheetCache = StampedCache<std::vector<CssReference>>;

  StylesheetDiscovery(CConvertLog& log, ResourceRegistry& registry, ReferenceResolver& resolver,
                      RewrittenParts& rewrittenParts);

  // Stylesheets are tokenized once for every conversion sharing `cache`
  // (not owned; it must outlive them); what their URLs name is still looked
  // up for each conversion. Null: once for each conversion.
  void SetStylesheetCache(StylesheetCache* cache) { m_stylesheetCache = cache; }
  // Asked between stylesheets; null: nobody can cancel. Not owned.
  void SetCancellation(const CancellationFlag* cancellation) { m_cancellation = cancellation; }
  // Every registered stylesheet and SVG file, and every file in `imports`
  // (named by @import in a page, read as a stylesheet whatever its type),
  // then what they name. `archive` tells each file's type.
  void DiscoverStylesheets(const CMimeArchive& archive, std::set<std::string> imports);
  // A URL written in a stylesheet: the file registered, when it exists.
  std::string ResolveStylesheetReference(const std::string& url, const ReferenceBase& base);
  // The media type of the file's part: the server's for a fetched file.
  std::string PartType(const CMimeArchive& archive, const std::string& path) const;

 private:
  // Rewrites the stylesheet's references into its part; the files they name,
  // each with whether an @import named it.
  std::vector<std::pair<std::string, bool>> ScanStylesheet(const std::string& path);
  // Rewrites the SVG file's references into its part; the files they name,
  // each with whether a stylesheet's @import named it.
  std::vector<std::pair<std::string, bool>> ScanSvg(const std::string& path);
  // The URLs of the stylesheet at `path`, from the stylesheet cache when
  // there is one; nothing when it cannot be read (then left out).
  std::optional<std::vector<CssReference>> StylesheetReferences(const std::string& path);
  // The text of a stylesheet or SVG file to scan, fetched or read whole.
  std::optional<std::string> ReadScannedText(const std::string& path, const char* failure);
  bool IsStylesheet(const CMimeArchive& archive, const std::string& path) const;
  bool IsSvg(const CMimeArchive& archive, const std::string& path) const;

  CConvertLog& m_log;
  ResourceRegistry& m_registry;
  ReferenceResolver& m_resolver;
  RewrittenParts& m_rewrittenParts;
  const CancellationFlag* m_cancellation = nullptr;  // not owned; null: nobody can cancel
  StylesheetCache* m_stylesheetCache = nullptr;      // not owned; may be null
};
