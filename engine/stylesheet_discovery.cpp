#include "engine/stylesheet_discovery.h"

#include <deque>
#include <filesystem>

#include "archive/content_type.h"
#include "archive/mime_archive.h"
#include "base/cancellation_flag.h"
#include "base/convert_error.h"
#include "base/file_problem.h"
#include "engine/css_references.h"
#include "engine/reference_resolver.h"
#include "engine/reference_rules.h"
#include "engine/remote_files.h"
#include "engine/resource_registry.h"
#include "engine/rewritten_parts.h"
#include "engine/svg_references.h"
#include "log/convert_log.h"

StylesheetDiscovery::StylesheetDiscovery(CConvertLog& log, ResourceRegistry& registry, ReferenceResolver& resolver,
                                         RewrittenParts& rewrittenParts)
    : m_log(log), m_registry(registry), m_resolver(resolver), m_rewrittenParts(rewrittenParts) {}

// Every archived stylesheet, and every stylesheet those import, is scanned
// once, nearest the page first, so that a file imported at several depths
// counts at its shallowest and a circle of imports ends.
void StylesheetDiscovery::DiscoverStylesheets(const CMimeArchive& archive, std::set<std::string> imports) {
  std::deque<std::pair<std::string, int>> pending;  // path, how many imports away from a page
  std::set<std::string> queued;                     // by FileIdentity
  const auto enqueue = [&](const std::string& path, int depth) {
    if (queued.insert(m_resolver.FileIdentity(path)).second) pending.emplace_back(path, depth);
  };
  // SVG files are rewritten as stylesheets are, and are scanned with them:
  // each can name the other.
  for (const auto& [reference, path] : m_registry.Entries()) {
    if (IsStylesheet(archive, path) || IsSvg(archive, path) || imports.count(path) != 0) {
      enqueue(path, 0);
    }
  }

  int count = 0;
  for (; !pending.empty(); pending.pop_front()) {
    ThrowIfCancelled(m_cancellation);
    const auto& [path, depth] = pending.front();
    if (depth > kMaxImportDepth) {
      m_log.LeftOut("Stylesheet imports nested too deeply", path);
      continue;
    }
    const bool svg = IsSvg(archive, path) && imports.count(path) == 0;
    if (!svg) ++count;
    for (const auto& [found, imported] : svg ? ScanSvg(path) : ScanStylesheet(path)) {
      if (imported) imports.insert(found);
      if (imported || IsStylesheet(archive, found) || IsSvg(archive, found)) enqueue(found, depth + 1);
    }
  }
  if (count > 0) {
    m_log.Write(LogLevel::INFO, "Found %d stylesheets", count);
  } else {
    m_log.Write(LogLevel::INFO, "No stylesheets found");
  }
}

// A fetched file's body, or the local file read whole; nothing when it is
// not fetched yet, was left out with its warning, or cannot be read (then
// left out with `failure`).
std::optional<std::string> StylesheetDiscovery::ReadScannedText(const std::string& path, const char* failure) {
  if (IsRemoteLocation(path)) {
    const FetchedFile* fetched = m_resolver.FetchedRemoteFile(path);
    if (fetched == nullptr) return std::nullopt;
    return fetched->body;
  }
  try {
    return m_resolver.Reader().ReadWholeFile(path, EmptyFile::kAccepted);
  } catch (const ConvertError&) {
    m_log.LeftOut(failure, path, ReadProblem(path));
    return std::nullopt;
  }
}

// The part is the text with its URLs rewritten. Only the edits are kept: the
// writer reads the file again and puts them in as it writes the part, so no
// stylesheet's text is held until then. Relative URLs mean the stylesheet's
// own folder, as a browser reads them.
std::vector<std::pair<std::string, bool>> StylesheetDiscovery::ScanStylesheet(const std::string& path) {
  m_log.Write(LogLevel::INFO, "Checking stylesheet: %s...", path.c_str());
  const std::optional<std::vector<CssReference>> references = StylesheetReferences(path);
  if (!references) return {};
  // A remote stylesheet's URLs are read against its own URL.
  const ReferenceBase base = ReferenceBase::OfFile(path);
  std::vector<std::pair<std::string, bool>> found;
  int count = 0;
  const auto rewrite = [&](const CssReference& reference) -> std::optional<std::string> {
    ++count;
    const std::string target = ResolveStylesheetReference(reference.url, base);
    if (target.empty()) return std::nullopt;
    if (!m_registry.IsThePage(target)) found.emplace_back(target, reference.kind == CssReferenceKind::Import);
    return m_registry.PartUrl(target);
  };
  std::vector<TextEdit> edits = CssReferenceEdits(*references, rewrite);
  if (count > 0) {
    m_log.Write(LogLevel::INFO, "Found %d stylesheet references", count);
  } else {
    m_log.Write(LogLevel::INFO, "No stylesheet references found");
  }
  m_rewrittenParts.Put(m_resolver.FileIdentity(path), {RewrittenParts::Kind::Stylesheet, {}, std::move(edits)});
  return found;
}

std::optional<std::vector<CssReference>> StylesheetDiscovery::StylesheetReferences(const std::string& path) {
  static constexpr const char* kFailure = "Failed to read stylesheet";
  if (IsRemoteLocation(path)) {
    const std::optional<std::string> text = ReadScannedText(path, kFailure);
    if (!text) return std::nullopt;
    return FindCssReferences(*text);
  }
  try {
    return MakeOncePerFile(
        m_stylesheetCache, path,
        [&] { return FindCssReferences(m_resolver.Reader().ReadWholeFile(path, EmptyFile::kAccepted)); },
        [](const std::vector<CssReference>& references) {
          std::size_t bytes = 0;
          for (const CssReference& reference : references) bytes += reference.url.size() + sizeof reference;
          return bytes;
        });
  } catch (const ConvertError&) {
    m_log.LeftOut(kFailure, path, ReadProblem(path));
    return std::nullopt;
  }
}

// An SVG file's part holds its text with its references rewritten, read
// against its own folder; an href keeps its fragment, as in inline SVG.
std::vector<std::pair<std::string, bool>> StylesheetDiscovery::ScanSvg(const std::string& path) {
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
        if (!m_registry.IsThePage(target)) {
          found.emplace_back(target, css != nullptr && css->kind == CssReferenceKind::Import);
        }
        const std::string fragment = kind == SvgReferenceKind::Element ? FragmentOf(*reference) : std::string();
        return m_registry.PartUrl(target) + fragment;
      });
  if (rewritten != text) {
    m_rewrittenParts.Put(m_resolver.FileIdentity(path), {RewrittenParts::Kind::Svg, std::move(rewritten), {}});
  }
  return found;
}

// A URL whose file does not exist stays as written: there is no part to
// point it at. The file is still told as left out, as a missing image of the
// page is: the archive shows the page without it.
std::string StylesheetDiscovery::ResolveStylesheetReference(const std::string& url, const ReferenceBase& base) {
  const std::optional<std::string> path = m_resolver.LocalFilePath(url, base);
  if (!path) return {};
  std::error_code error;
  if (!IsRemoteLocation(*path) && !std::filesystem::is_regular_file(*path, error)) {
    m_log.LeftOut("Failed to add resource body part", *path, ReadProblem(*path));
    return {};
  }
  m_registry.Register(url, *path);
  return *path;
}

bool StylesheetDiscovery::IsSvg(const CMimeArchive& archive, const std::string& path) const {
  return PartType(archive, path) == "image/svg+xml";
}

bool StylesheetDiscovery::IsStylesheet(const CMimeArchive& archive, const std::string& path) const {
  return PartType(archive, path) == "text/css";
}

// The server's type names a fetched file's kind; a file's name only when it
// sent none.
std::string StylesheetDiscovery::PartType(const CMimeArchive& archive, const std::string& path) const {
  if (const FetchedFile* fetched = m_resolver.FetchedRemoteFile(path);
      fetched != nullptr && !fetched->contentType.empty()) {
    return MediaTypeOf(fetched->contentType);
  }
  std::string type;
  archive.IsTextType(path, &type);
  return type;
}
