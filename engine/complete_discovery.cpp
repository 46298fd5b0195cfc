#include "engine/complete_discovery.h"

#include <array>
#include <new>
#include <string_view>

#include "archive/mime_archive.h"
#include "base/file_problem.h"
#include "engine/css_references.h"
#include "engine/html_cost_guard.h"
#include "engine/html_document.h"
#include "engine/html_names.h"
#include "engine/page_loading.h"
#include "engine/reference_resolver.h"
#include "engine/reference_rules.h"
#include "engine/resource_discovery.h"
#include "engine/resource_registry.h"
#include "engine/srcset.h"
#include "log/convert_log.h"

namespace {

// The elements whose attributes name what media and embedded content load,
// beyond the sources of images and scripts.
struct MediaElement {
  std::string_view tag;
  bool svg;  // an element of inline SVG, whose references keep their fragment ("icons.svg#star")
  std::array<std::string_view, 2> attributes;  // an empty name ends the list
};

constexpr std::array<MediaElement, 11> kMediaElements{{
    {"img", false, {"srcset", ""}},
    {"link", false, {"imagesrcset", ""}},
    {"source", false, {"srcset", "src"}},
    {"video", false, {"poster", "src"}},
    {"audio", false, {"src", ""}},
    {"track", false, {"src", ""}},
    {"input", false, {"src", ""}},
    {"object", false, {"data", ""}},
    {"embed", false, {"src", ""}},
    {"image", true, {"href", "xlink:href"}},
    {"use", true, {"href", "xlink:href"}},
}};

// An img is counted here only for its srcset (its src is an image's), and an
// input only when it is an image button.
bool IsMediaElement(const HtmlDocument& document, HtmlElement element, std::string_view tag) {
  if (tag == "img") return document.GetAttribute(element, "srcset").has_value();
  // A link's href is taken with the page's other links.
  if (tag == "link") return document.GetAttribute(element, "imagesrcset").has_value();
  if (tag == "input") return EqualsIgnoringAsciiCase(document.GetAttribute(element, "type").value_or(""), "image");
  return true;
}

// Chromium reads a frame whose page is an ancestor's again and again from an
// archive, where a page loaded from files stops after one round; the frame
// that would close the circle shows nothing instead.
constexpr const char* kNoPage = "about:blank";

}  // namespace

CompleteDiscovery::CompleteDiscovery(CConvertLog& log, ResourceRegistry& registry, ReferenceResolver& resolver,
                                     ResourceDiscovery& discovery, PageLoader& loader)
    : m_log(log),
      m_registry(registry),
      m_resolver(resolver),
      m_discovery(discovery),
      m_loader(loader),
      m_rewrittenParts(resolver),
      m_stylesheets(log, registry, resolver, m_rewrittenParts) {}

void CompleteDiscovery::Forget() {
  m_rewrittenParts.Clear();
  m_importedStylesheets.clear();
  m_framePages.clear();
  m_openFramePages.clear();
}

bool CompleteDiscovery::Discover(LoadedPage& page, const CMimeArchive& archive) {
  try {
    DiscoverPageResources(page, archive, 1);
    m_stylesheets.DiscoverStylesheets(archive, m_importedStylesheets);
    return true;
  } catch (const std::bad_alloc&) {
    throw;  // the conversion reports it as what it is
  } catch (...) {
    // As for DiscoverResources: the caller reports malformed input.
    return false;
  }
}

void CompleteDiscovery::DiscoverPageResources(LoadedPage& page, const CMimeArchive& archive, int depth) {
  DiscoverMediaElements(page);
  DiscoverInlineStyles(page);
  DiscoverFrames(page, archive, depth);
}

void CompleteDiscovery::DiscoverMediaElements(LoadedPage& page) {
  HtmlDocument& document = *page.document;
  int count = 0;
  for (const MediaElement& media : kMediaElements) {
    const std::vector<HtmlElement> elements =
        media.svg ? document.SvgElementsByTagName(media.tag) : document.ElementsByTagName(media.tag);
    for (const HtmlElement& element : elements) {
      if (!IsMediaElement(document, element, media.tag)) continue;
      ++count;
      for (const std::string_view attribute : media.attributes) {
        if (!attribute.empty()) ProcessMediaReference(page, element, std::string(attribute), media.svg);
      }
    }
  }
  if (count > 0) {
    m_log.Write(LogLevel::INFO, "Found %d media elements", count);
  } else {
    m_log.Write(LogLevel::INFO, "No media elements found");
  }
}

void CompleteDiscovery::ProcessMediaReference(LoadedPage& page, HtmlElement element, const std::string& attribute,
                                              bool keepFragment) {
  const std::optional<std::string> value = page.document->GetAttribute(element, attribute);
  if (!value) return;
  if (attribute == "srcset" || attribute == "imagesrcset") {
    const std::string rewritten =
        RewriteSrcset(*value, [&](std::string_view url) { return MediaPartUrl(std::string(url), page.base, false); });
    if (rewritten != *value) page.document->SetAttribute(element, attribute, rewritten);
    return;
  }
  if (const std::optional<std::string> url = MediaPartUrl(*value, page.base, keepFragment)) {
    page.document->SetAttribute(element, attribute, *url);
  }
}

// A fragment is dropped where it only points into the file: Chromium finds
// no part for a cid: URL that carries one.
std::optional<std::string> CompleteDiscovery::MediaPartUrl(const std::string& value, const ReferenceBase& base,
                                                           bool keepFragment) {
  const std::optional<std::string> reference = AttributeReference(value);
  if (!reference) return std::nullopt;
  const std::string path = m_discovery.ResolveReference(*reference, base);
  if (path.empty()) return std::nullopt;
  if (!m_registry.IsThePage(path)) m_discovery.ScanScriptFile(path, base);
  return m_registry.PartUrl(path) + (keepFragment ? FragmentOf(*reference) : std::string());
}

void CompleteDiscovery::DiscoverInlineStyles(LoadedPage& page) {
  HtmlDocument& document = *page.document;
  const std::vector<HtmlElement> styles = document.ElementsByTagName("style");
  for (const HtmlElement& style : styles) {
    const std::string text = document.Text(style);
    const std::string rewritten = RewritePageStylesheet(text, page.base, CssSource::Stylesheet);
    // A text that would end its element early keeps the element as written.
    if (rewritten != text) document.SetText(style, rewritten);
  }
  if (styles.empty()) {
    m_log.Write(LogLevel::INFO, "No style elements found");
  } else {
    m_log.Write(LogLevel::INFO, "Found %d style elements", static_cast<int>(styles.size()));
  }

  const std::vector<HtmlElement> styled = document.ElementsWithAttribute("style");
  for (const HtmlElement& element : styled) {
    const std::string declarations = document.GetAttribute(element, "style").value_or(std::string());
    const std::string rewritten = RewritePageStylesheet(declarations, page.base, CssSource::StyleAttribute);
    if (rewritten != declarations) document.SetAttribute(element, "style", rewritten);
  }
  if (styled.empty()) {
    m_log.Write(LogLevel::INFO, "No style attributes found");
  } else {
    m_log.Write(LogLevel::INFO, "Found %d style attributes", static_cast<int>(styled.size()));
  }
}

// The page's own stylesheets resolve their URLs as the page does, against
// its base.
std::string CompleteDiscovery::RewritePageStylesheet(const std::string& text, const ReferenceBase& base,
                                                     CssSource source) {
  return RewriteCssReferences(
      text,
      [&](const CssReference& reference) -> std::optional<std::string> {
        const std::string path = m_stylesheets.ResolveStylesheetReference(reference.url, base);
        if (path.empty()) return std::nullopt;
        if (reference.kind == CssReferenceKind::Import) m_importedStylesheets.insert(path);
        return m_registry.PartUrl(path);
      },
      source);
}

void CompleteDiscovery::DiscoverFrames(LoadedPage& page, const CMimeArchive& archive, int depth) {
  int count = 0;
  for (const char* tag : {"frame", "iframe"}) {
    for (const HtmlElement& frame : page.document->ElementsByTagName(tag)) {
      ++count;
      ProcessFrame(page, frame, archive, depth);
    }
  }
  if (count > 0) {
    m_log.Write(LogLevel::INFO, "Found %d frames", count);
  } else {
    m_log.Write(LogLevel::INFO, "No frames found");
  }
}

// A local page becomes a part of its own, converted once however many frames
// show it; anything else a frame shows (an image, a document) is a resource.
void CompleteDiscovery::ProcessFrame(LoadedPage& page, HtmlElement element, const CMimeArchive& archive, int depth) {
  // A browser shows srcdoc in place of src, which it never loads then.
  if (const std::optional<std::string> srcdoc = page.document->GetAttribute(element, "srcdoc")) {
    ConvertSrcdoc(page, element, *srcdoc, archive, depth);
    return;
  }
  const std::optional<std::string> value = page.document->GetAttribute(element, "src");
  if (!value) return;
  const std::optional<std::string> reference = AttributeReference(*value);
  if (!reference) return;
  const std::optional<std::string> path = m_resolver.LocalFilePath(*reference, page.base);
  if (!path) return;
  if (m_stylesheets.PartType(archive, *path) != "text/html") {
    m_registry.Register(*reference, *path);
    page.document->SetAttribute(element, "src", m_registry.PartUrl(*path));
    return;
  }
  if (m_registry.IsThePage(*path) || m_openFramePages.count(m_resolver.FileIdentity(*path)) != 0) {
    page.document->SetAttribute(element, "src", kNoPage);
    return;
  }
  if (!FramePageConverted(*path, page.base, archive, depth)) return;
  m_registry.Register(*reference, *path);
  page.document->SetAttribute(element, "src", m_registry.PartUrl(*path));
}

// A page met in an earlier frame is not converted again.
bool CompleteDiscovery::FramePageConverted(const std::string& path, const ReferenceBase& outer,
                                           const CMimeArchive& archive, int depth) {
  const auto met = m_framePages.find(m_resolver.FileIdentity(path));
  if (met != m_framePages.end()) return met->second;
  if (depth > kMaxFrameDepth) {
    m_log.LeftOut("Frames nested too deeply", path);
    return false;
  }
  return ConvertFramePage(path, outer, archive, depth);
}

bool CompleteDiscovery::ConvertFramePage(const std::string& path, const ReferenceBase& outer,
                                         const CMimeArchive& archive, int depth) {
  m_log.Write(LogLevel::INFO, "Processing frame: %s...", path.c_str());
  const std::string identity = m_resolver.FileIdentity(path);
  m_framePages[identity] = false;
  m_openFramePages.insert(identity);
  LoadedPage frame{std::make_unique<HtmlDocument>(), outer};
  bool converted = false;
  try {
    m_loader.LoadFramePage(frame, path);
    if (m_discovery.DiscoverResources(frame)) {
      DiscoverPageResources(frame, archive, depth + 1);
      m_rewrittenParts.Put(identity, {RewrittenParts::Kind::FramePage, frame.document->PageMarkup(), {}});
      converted = true;
    }
  } catch (const std::bad_alloc&) {
    m_openFramePages.erase(identity);
    throw;  // the conversion ends
  } catch (...) {
    // Unreadable, too costly to parse, or a page that cannot be walked: its
    // frame keeps the reference as written, and the page around it is
    // converted all the same.
  }
  m_openFramePages.erase(identity);
  m_framePages[identity] = converted;
  if (!converted) m_log.LeftOut("Failed to read frame page", path, ReadProblem(path));
  return converted;
}

// The page an iframe carries in its srcdoc is converted as a frame's page
// is, against the base of the page around it, and stays in the attribute
// with its references rewritten.
void CompleteDiscovery::ConvertSrcdoc(LoadedPage& page, HtmlElement element, const std::string& markup,
                                      const CMimeArchive& archive, int depth) {
  if (depth > kMaxFrameDepth) {
    m_log.Write(LogLevel::WARNING, "Frames nested too deeply: srcdoc");
    return;
  }
  m_log.Write(LogLevel::INFO, "Processing frame: srcdoc...");
  LoadedPage frame{std::make_unique<HtmlDocument>(), page.base};
  std::optional<std::string> converted;
  try {
    if (!FindMarkupExcess(markup)) {
      frame.document->Load(markup);
      m_discovery.ScanPreloadedImages(markup, frame.base);
      if (m_discovery.DiscoverResources(frame)) {
        DiscoverPageResources(frame, archive, depth + 1);
        converted = frame.document->PageMarkup();
      }
    }
  } catch (const std::bad_alloc&) {
    throw;  // the conversion ends
  } catch (...) {
    // Too costly to parse, or a page that cannot be walked: the srcdoc stays
    // as written, and the page around it is converted all the same.
  }
  if (converted) {
    page.document->SetAttribute(element, "srcdoc", *converted);
  } else {
    m_log.Write(LogLevel::WARNING, "Failed to read frame page: srcdoc");
  }
}
