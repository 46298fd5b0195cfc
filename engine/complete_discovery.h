#pragma once

#include <map>
#include <set>
#include <string>

#include "engine/css_references.h"
#include "engine/html_document.h"
#include "engine/loaded_page.h"
#include "engine/rewritten_parts.h"
#include "engine/stylesheet_discovery.h"

class CancellationFlag;
class CMimeArchive;
struct CConvertLog;
class PageLoader;
class ReferenceResolver;
class ResourceDiscovery;
class ResourceRegistry;

// What a complete archive adds to the discovery of tags, scripts and
// preloads: the media elements, inline styles and frames of a page (each
// local frame page converted as a part of its own), then every archived
// stylesheet and SVG file with the files it names (StylesheetDiscovery).
// Ownership: it owns the parts rewritten (a frame page's markup, a
// stylesheet's edits, an SVG file's text), the stylesheets' walk, and what
// it met on the way (the stylesheets @import named, the frame pages
// converted and being converted), all forgotten by Forget at the start of
// each walk. A frame page is a LoadedPage of its own, held only while it is
// walked. The log, registry, resolver, discovery and loader are
// CConverter's, which outlive it; the cancellation and the stylesheet cache
// are the caller's.
class CompleteDiscovery {
 public:
  // How deep frames nest and stylesheets import one another before the
  // next level is left as written.
  static constexpr int kMaxFrameDepth = 16;
  static constexpr int kMaxImportDepth = StylesheetDiscovery::kMaxImportDepth;

  CompleteDiscovery(CConvertLog& log, ResourceRegistry& registry, ReferenceResolver& resolver,
                    ResourceDiscovery& discovery, PageLoader& loader);

  // Asked between stylesheets; null: nobody can cancel. Not owned.
  void SetCancellation(const CancellationFlag* cancellation) { m_stylesheets.SetCancellation(cancellation); }
  void SetStylesheetCache(StylesheetDiscovery::StylesheetCache* cache) { m_stylesheets.SetStylesheetCache(cache); }
  void Forget();
  // After DiscoverResources of `page`. `archive` tells each file's type.
  // False when walking the page failed.
  bool Discover(LoadedPage& page, const CMimeArchive& archive);
  // The part the conversion made for the file at `path`, if any.
  const RewrittenParts::Part* FindRewrittenPart(const std::string& path) const { return m_rewrittenParts.Find(path); }

 private:
  // The walk of a page; frames nest `depth` deep.
  void DiscoverPageResources(LoadedPage& page, const CMimeArchive& archive, int depth);
  void DiscoverMediaElements(LoadedPage& page);
  void ProcessMediaReference(LoadedPage& page, HtmlElement element, const std::string& attribute, bool keepFragment);
  // The part URL for a reference written in the page, the file registered;
  // nothing when it names no local file.
  std::optional<std::string> MediaPartUrl(const std::string& value, const ReferenceBase& base, bool keepFragment);
  void DiscoverInlineStyles(LoadedPage& page);
  std::string RewritePageStylesheet(const std::string& text, const ReferenceBase& base, CssSource source);
  void DiscoverFrames(LoadedPage& page, const CMimeArchive& archive, int depth);
  void ProcessFrame(LoadedPage& page, HtmlElement element, const CMimeArchive& archive, int depth);
  // True once the frame page at `path` is converted, now or in an earlier
  // frame; false when it could not be, or frames nest too deep.
  bool FramePageConverted(const std::string& path, const ReferenceBase& outer, const CMimeArchive& archive, int depth);
  // The frame's page is walked against a base that starts as `outer`'s.
  bool ConvertFramePage(const std::string& path, const ReferenceBase& outer, const CMimeArchive& archive, int depth);
  void ConvertSrcdoc(LoadedPage& page, HtmlElement element, const std::string& markup, const CMimeArchive& archive,
                     int depth);

  CConvertLog& m_log;
  ResourceRegistry& m_registry;
  ReferenceResolver& m_resolver;
  ResourceDiscovery& m_discovery;
  PageLoader& m_loader;
  RewrittenParts m_rewrittenParts;
  StylesheetDiscovery m_stylesheets;
  std::set<std::string> m_importedStylesheets;  // paths named by @import in the page, whatever their type
  std::map<std::string, bool> m_framePages;     // pages met in frames: true once converted
  std::set<std::string> m_openFramePages;       // frame pages being converted: the frames around the one walked
};
