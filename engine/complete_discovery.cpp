#include <array>
#include <new>
#include <string_view>

#include "archive/mime_archive.h"
#include "base/convert_error.h"
#include "base/file_problem.h"
#include "engine/converter.h"
#include "engine/css_references.h"
#include "engine/html_cost_guard.h"
#include "engine/html_document.h"
#include "engine/html_names.h"
#include "engine/reference_rules.h"
#include "engine/remote_files.h"
#include "engine/srcset.h"
#include "engine/svg_references.h"

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

std::string FragmentOf(std::string_view reference) {
  const std::size_t hash = reference.find('#');
  return hash == std::string_view::npos ? std::string() : std::string(reference.substr(hash));
}

// Chromium reads a frame whose page is an ancestor's again and again from an
// archive, where a page loaded from files stops after one round; the frame
// that would close the circle shows nothing instead.
constexpr const char* kNoPage = "about:blank";

}  // namespace

bool CConverter::DiscoverCompleteResources(const CMimeArchive& archive) {
  try {
    DiscoverPageResources(archive, 1);
    DiscoverStylesheets(archive);
    return true;
  } catch (const std::bad_alloc&) {
    throw;  // the conversion reports it as what it is
  } catch (...) {
    // As for DiscoverResources: the caller reports malformed input.
    return false;
  }
}

void CConverter::DiscoverPageResources(const CMimeArchive& archive, int depth) {
  DiscoverMediaElements();
  DiscoverInlineStyles();
  DiscoverFrames(archive, depth);
}

void CConverter::DiscoverMediaElements() {
  int count = 0;
  for (const MediaElement& media : kMediaElements) {
    const std::vector<HtmlElement> elements =
        media.svg ? m_page.document->SvgElementsByTagName(media.tag) : m_page.document->ElementsByTagName(media.tag);
    for (const HtmlElement& element : elements) {
      if (!IsMediaElement(*m_page.document, element, media.tag)) continue;
      ++count;
      for (const std::string_view attribute : media.attributes) {
        if (!attribute.empty()) ProcessMediaReference(element, std::string(attribute), media.svg);
      }
    }
  }
  if (count > 0) {
    m_log.Write(LogLevel::INFO, "Found %d media elements", count);
  } else {
    m_log.Write(LogLevel::INFO, "No media elements found");
  }
}

void CConverter::ProcessMediaReference(HtmlElement element, const std::string& attribute, bool keepFragment) {
  const std::optional<std::string> value = m_page.document->GetAttribute(element, attribute);
  if (!value) return;
  if (attribute == "srcset" || attribute == "imagesrcset") {
    const std::string rewritten =
        RewriteSrcset(*value, [this](std::string_view url) { return MediaPartUrl(std::string(url), false); });
    if (rewritten != *value) m_page.document->SetAttribute(element, attribute, rewritten);
    return;
  }
  if (const std::optional<std::string> url = MediaPartUrl(*value, keepFragment)) {
    m_page.document->SetAttribute(element, attribute, *url);
  }
}

// A fragment is dropped where it only points into the file: Chromium finds
// no part for a cid: URL that carries one.
std::optional<std::string> CConverter::MediaPartUrl(const std::string& value, bool keepFragment) {
  const std::optional<std::string> reference = AttributeReference(value);
  if (!reference) return std::nullopt;
  const std::string path = ResolveReference(*reference);
  if (path.empty()) return std::nullopt;
  if (!m_resources.IsThePage(path)) ScanScriptFile(path);
  return m_resources.PartUrl(path) + (keepFragment ? FragmentOf(*reference) : std::string());
}

void CConverter::DiscoverInlineStyles() {
  const std::vector<HtmlElement> styles = m_page.document->ElementsByTagName("style");
  for (const HtmlElement& style : styles) {
    const std::string text = m_page.document->Text(style);
    const std::string rewritten = RewritePageStylesheet(text, CssSource::Stylesheet);
    // A text that would end its element early keeps the element as written.
    if (rewritten != text) m_page.document->SetText(style, rewritten);
  }
  if (styles.empty()) {
    m_log.Write(LogLevel::INFO, "No style elements found");
  } else {
    m_log.Write(LogLevel::INFO, "Found %d style elements", static_cast<int>(styles.size()));
  }

  const std::vector<HtmlElement> styled = m_page.document->ElementsWithAttribute("style");
  for (const HtmlElement& element : styled) {
    const std::string declarations = m_page.document->GetAttribute(element, "style").value_or(std::string());
    const std::string rewritten = RewritePageStylesheet(declarations, CssSource::StyleAttribute);
    if (rewritten != declarations) m_page.document->SetAttribute(element, "style", rewritten);
  }
  if (styled.empty()) {
    m_log.Write(LogLevel::INFO, "No style attributes found");
  } else {
    m_log.Write(LogLevel::INFO, "Found %d style attributes", static_cast<int>(styled.size()));
  }
}

// The page's own stylesheets resolve their URLs as the page does, against
// its base.
std::string CConverter::RewritePageStylesheet(const std::string& text, CssSource source) {
  return RewriteCssReferences(
      text,
      [this](const CssReference& reference) -> std::optional<std::string> {
        const std::string path = ResolveStylesheetReference(reference.url, m_page.base);
        if (path.empty()) return std::nullopt;
        if (reference.kind == CssReferenceKind::Import) m_importedStylesheets.insert(path);
        return m_resources.PartUrl(path);
      },
      source);
}

void CConverter::DiscoverFrames(const CMimeArchive& archive, int depth) {
  int count = 0;
  for (const char* tag : {"frame", "iframe"}) {
    for (const HtmlElement& frame : m_page.document->ElementsByTagName(tag)) {
      ++count;
      ProcessFrame(frame, archive, depth);
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
void CConverter::ProcessFrame(HtmlElement element, const CMimeArchive& archive, int depth) {
  // A browser shows srcdoc in place of src, which it never loads then.
  if (const std::optional<std::string> srcdoc = m_page.document->GetAttribute(element, "srcdoc")) {
    ConvertSrcdoc(element, *srcdoc, archive, depth);
    return;
  }
  const std::optional<std::string> value = m_page.document->GetAttribute(element, "src");
  if (!value) return;
  const std::optional<std::string> reference = AttributeReference(*value);
  if (!reference) return;
  const std::optional<std::string> path = m_resolver.LocalFilePath(*reference, m_page.base);
  if (!path) return;
  if (PartType(archive, *path) != "text/html") {
    m_resources.Register(*reference, *path);
    m_page.document->SetAttribute(element, "src", m_resources.PartUrl(*path));
    return;
  }
  if (m_resources.IsThePage(*path) || m_openFramePages.count(m_resolver.FileIdentity(*path)) != 0) {
    m_page.document->SetAttribute(element, "src", kNoPage);
    return;
  }
  const auto met = m_framePages.find(m_resolver.FileIdentity(*path));
  if (met == m_framePages.end()) {
    if (depth > kMaxFrameDepth) {
      m_log.LeftOut("Frames nested too deeply", *path);
      return;
    }
    if (!ConvertFramePage(*path, archive, depth)) return;
  } else if (!met->second) {
    return;
  }
  m_resources.Register(*reference, *path);
  m_page.document->SetAttribute(element, "src", m_resources.PartUrl(*path));
}

bool CConverter::ConvertFramePage(const std::string& path, const CMimeArchive& archive, int depth) {
  m_log.Write(LogLevel::INFO, "Processing frame: %s...", path.c_str());
  const std::string identity = m_resolver.FileIdentity(path);
  m_framePages[identity] = false;
  m_openFramePages.insert(identity);
  LoadedPage outer = ExchangePage({std::make_unique<HtmlDocument>(), m_page.base});
  bool converted = false;
  try {
    m_loader.LoadFramePage(m_page, path);
    if (DiscoverResources()) {
      DiscoverPageResources(archive, depth + 1);
      m_rewrittenParts[identity] = {RewrittenKind::FramePage, m_page.document->PageMarkup(), {}};
      converted = true;
    }
  } catch (const std::bad_alloc&) {
    // The conversion ends; the page it converts is put back first.
    ExchangePage(std::move(outer));
    m_openFramePages.erase(identity);
    throw;
  } catch (...) {
    // Unreadable, too costly to parse, or a page that cannot be walked: its
    // frame keeps the reference as written, and the page around it is
    // converted all the same.
  }
  ExchangePage(std::move(outer));
  m_openFramePages.erase(identity);
  m_framePages[identity] = converted;
  if (!converted) m_log.LeftOut("Failed to read frame page", path, ReadProblem(path));
  return converted;
}

// The page an iframe carries in its srcdoc is converted as a frame's page
// is, against the base of the page around it, and stays in the attribute
// with its references rewritten.
void CConverter::ConvertSrcdoc(HtmlElement element, const std::string& markup, const CMimeArchive& archive,
                               int depth) {
  if (depth > kMaxFrameDepth) {
    m_log.Write(LogLevel::WARNING, "Frames nested too deeply: srcdoc");
    return;
  }
  m_log.Write(LogLevel::INFO, "Processing frame: srcdoc...");
  LoadedPage outer = ExchangePage({std::make_unique<HtmlDocument>(), m_page.base});
  std::optional<std::string> converted;
  try {
    if (!FindMarkupExcess(markup)) {
      m_page.document->Load(markup);
      ScanPreloadedImages(markup);
      if (DiscoverResources()) {
        DiscoverPageResources(archive, depth + 1);
        converted = m_page.document->PageMarkup();
      }
    }
  } catch (const std::bad_alloc&) {
    // The conversion ends; the page it converts is put back first.
    ExchangePage(std::move(outer));
    throw;
  } catch (...) {
    // Too costly to parse, or a page that cannot be walked: the srcdoc stays
    // as written, and the page around it is converted all the same.
  }
  ExchangePage(std::move(outer));
  if (converted) {
    m_page.document->SetAttribute(element, "srcdoc", *converted);
  } else {
    m_log.Write(LogLevel::WARNING, "Failed to read frame page: srcdoc");
  }
}

// An SVG file's part holds its text with its references rewritten, read
// against its own folder; an href keeps its fragment, as in inline SVG.
std::vector<std::pair<std::string, bool>> CConverter::ScanSvg(const std::string& path) {
  m_log.Write(LogLevel::INFO, "Checking SVG file: %s...", path.c_str());
  const std::optional<std::string> read = ReadScannedText(path, "Failed to read SVG file");
  if (!read) return {};
  const std::string& text = *read;
  // A fetched SVG file's references are read against its own URL.
  const ReferenceBase base = ReferenceBase::OfFile(path);
  std::vector<std::pair<std::string, bool>> found;
  std::string rewritten = RewriteSvgReferences(
      text, [&](const std::string& url, SvgReferenceKind kind, const CssReference* css) -> std::optional<std::string> {
        const std::optional<std::string> reference = kind == SvgReferenceKind::Element ? AttributeReference(url) : url;
        if (!reference) return std::nullopt;
        const std::string target = ResolveStylesheetReference(*reference, base);
        if (target.empty()) return std::nullopt;
        if (!m_resources.IsThePage(target)) {
          found.emplace_back(target, css != nullptr && css->kind == CssReferenceKind::Import);
        }
        const std::string fragment = kind == SvgReferenceKind::Element ? FragmentOf(*reference) : std::string();
        return m_resources.PartUrl(target) + fragment;
      });
  if (rewritten != text) m_rewrittenParts[m_resolver.FileIdentity(path)] = {RewrittenKind::Svg, std::move(rewritten), {}};
  return found;
}

LoadedPage CConverter::ExchangePage(LoadedPage page) {
  LoadedPage previous = std::move(m_page);
  m_page = std::move(page);
  return previous;
}
