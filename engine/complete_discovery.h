#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/text_edit.h"
#include "engine/css_references.h"
#include "engine/html_document.h"
#include "engine/loaded_page.h"

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
// stylesheet and SVG file with the files it names. The walk of the
// stylesheets, read as files, is in stylesheet_discovery.cpp.
// Ownership: it owns the parts it rewrote (a frame page's markup, a
// stylesheet's edits, an SVG file's text) and what it met on the way (the
// stylesheets @import named, the frame pages converted and being
// converted), all forgotten by Forget at the start of each walk. A frame
// page is a LoadedPage of its own, held only while it is walked. The log,
// registry, resolver, discovery and loader are CConverter's, which outlive
// it; the cancellation is the caller's.
class CompleteDiscovery {
 public:
  // How deep frames nest and stylesheets import one another before the
  // next level is left as written.
  static constexpr int kMaxFrameDepth = 16;
  static constexpr int kMaxImportDepth = 16;

  // A part whose bytes the conversion made from its file.
  enum class RewrittenKind { Stylesheet, FramePage, Svg };
  struct RewrittenPart {
    RewrittenKind kind;
    std::string bytes;            // a frame page's markup, or an SVG file's text, its references rewritten
    std::vector<TextEdit> edits;  // what a stylesheet's references become in its file
  };

  CompleteDiscovery(CConvertLog& log, ResourceRegistry& registry, ReferenceResolver& resolver,
                    ResourceDiscovery& discovery, PageLoader& loader);

  // Asked between stylesheets; null: nobody can cancel. Not owned.
  void SetCancellation(const CancellationFlag* cancellation) { m_cancellation = cancellation; }
  void Forget();
  // After DiscoverResources of `page`. `archive` tells each file's type.
  // False when walking the page failed.
  bool Discover(LoadedPage& page, const CMimeArchive& archive);
  // The part the conversion made for the file at `path`, if any.
  const RewrittenPart* FindRewrittenPart(const std::string& path) const;

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
  // The frame's page is walked against a base that starts as `outer`'s.
  bool ConvertFramePage(const std::string& path, const ReferenceBase& outer, const CMimeArchive& archive, int depth);
  void ConvertSrcdoc(LoadedPage& page, HtmlElement element, const std::string& markup, const CMimeArchive& archive,
                     int depth);

  // Every stylesheet and SVG file registered, and those they name; in
  // stylesheet_discovery.cpp with the other stylesheet steps.
  void DiscoverStylesheets(const CMimeArchive& archive);
  // Rewrites the stylesheet's references into its part; the files they name,
  // each with whether an @import named it.
  std::vector<std::pair<std::string, bool>> ScanStylesheet(const std::string& path);
  // Rewrites the SVG file's references into its part; the files they name,
  // each with whether a stylesheet's @import named it.
  std::vector<std::pair<std::string, bool>> ScanSvg(const std::string& path);
  // The text of a stylesheet or SVG file to scan, fetched or read whole.
  std::optional<std::string> ReadScannedText(const std::string& path, const char* failure);
  // A URL written in a stylesheet: the file registered, when it exists.
  std::string ResolveStylesheetReference(const std::string& url, const ReferenceBase& base);
  bool IsStylesheet(const CMimeArchive& archive, const std::string& path) const;
  bool IsSvg(const CMimeArchive& archive, const std::string& path) const;
  // The media type of the file's part: the server's for a fetched file.
  std::string PartType(const CMimeArchive& archive, const std::string& path) const;

  CConvertLog& m_log;
  ResourceRegistry& m_registry;
  ReferenceResolver& m_resolver;
  ResourceDiscovery& m_discovery;
  PageLoader& m_loader;
  const CancellationFlag* m_cancellation = nullptr;  // not owned; null: nobody can cancel
  // Files are keyed by ReferenceResolver::FileIdentity.
  std::map<std::string, RewrittenPart> m_rewrittenParts;
  std::set<std::string> m_importedStylesheets;  // paths named by @import in the page, whatever their type
  std::map<std::string, bool> m_framePages;     // pages met in frames: true once converted
  std::set<std::string> m_openFramePages;       // frame pages being converted: the frames around the one walked
};
