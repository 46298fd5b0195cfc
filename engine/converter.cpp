#include "engine/converter.h"

#include <malloc.h>

#include <filesystem>
#include <new>

#include "archive/mime_archive.h"
#include "base/cancellation_flag.h"
#include "base/convert_error.h"
#include "base/file_problem.h"
#include "engine/html_document.h"
#include "engine/reference_rules.h"
#include "engine/remote_files.h"

namespace {

// A page's tree takes about ten times its markup; from this much markup on,
// what the tree held is worth giving back to the system.
constexpr std::size_t kTrimAfterMarkupBytes = std::size_t{1} << 20;

// The bytes each file brings, in the files' order: what the conversion made
// of it, else its size on disk (nothing for a file that is not there).
std::vector<std::uint64_t> PartSizes(const std::vector<CMimeArchive::ResourceFile>& files) {
  std::vector<std::uint64_t> sizes;
  sizes.reserve(files.size());
  for (const CMimeArchive::ResourceFile& file : files) {
    if (file.bytes) {
      sizes.push_back(file.bytes->size());
      continue;
    }
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(std::string(file.path), error);
    sizes.push_back(error ? 0 : size);
  }
  return sizes;
}

}  // namespace

const CConverter::Table& CConverter::DefaultResourceTags() {
  static const Table table = {{"link", "href"}, {"body", "background"}};
  return table;
}

const CConverter::Table& CConverter::DefaultScriptExtensions() {
  static const Table table = {
      {"js", "Java Script file"}, {"vbs", "VB Script file"}, {"htm", "HTML file"}, {"html", "HTML file"}};
  return table;
}

CConverter::CConverter() : m_resourceTags(DefaultResourceTags()), m_scriptExtensions(DefaultScriptExtensions()) {}

CConverter::~CConverter() = default;

void CConverter::AddResourceTag(const std::string& tag, const std::string& attribute) {
  m_log.Write(LogLevel::INFO, "Add resource tag: <%s %s>", tag.c_str(), attribute.c_str());
  m_resourceTags[tag] = attribute;
}

void CConverter::AddScriptExtension(const std::string& extension, const std::string& description) {
  m_log.Write(LogLevel::INFO, "Add script extension: %s", extension.c_str());
  m_scriptExtensions[extension] = description;
}

void CConverter::SetBaseFolder(const std::string& folder) { m_page.base.SetFolder(folder); }

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

// Each conversion starts from an empty registry and an archive without
// resource parts, so an archive never carries an earlier page's files.
void CConverter::Convert(const std::string& inputPath, CMimeArchive& archive, std::ostream& out,
                         std::optional<std::string> pageText, const std::function<void()>& commit) {
  m_resources.ForgetLeftOut();
  m_bytesFetched = 0;
  m_resolver.Reader().SetCancellation(m_cancellation);
  // The fetched files last until the archive is written, however it ends.
  m_resolver.StartRemoteFiles(m_remoteLimits);
  const std::unique_ptr<CConverter, void (*)(CConverter*)> forgetRemoteFiles(
      this, [](CConverter* converter) { converter->m_resolver.ForgetRemoteFiles(); });

  m_log.Write(LogLevel::INFO, "Processing: %s...", inputPath.c_str());
  try {
    if (m_resolver.Remote()) FetchRemoteFiles(inputPath, pageText, archive);
    ConvertSteps(inputPath, std::move(pageText), archive, out);
  } catch (const std::bad_alloc&) {
    // Whatever step ran out, the conversion did: said as such, never as
    // input that cannot be read or parsed.
    m_log.Write(LogLevel::ERROR, "Out of memory");
    throw ConvertError(ConvertReason::kOutOfMemory);
  } catch (const ConvertError& error) {
    // Said once here, wherever the cancellation was noticed.
    if (error.Reason() == ConvertReason::kCancelled) m_log.Write(LogLevel::WARNING, "Cancelled by the user");
    throw;
  }
  try {
    if (commit) commit();
  } catch (const ConvertError& error) {
    m_log.Write(LogLevel::ERROR, "%s", error.what());
    LogSummary();
    throw;
  }
  LogSummary();
}

void CConverter::LogSummary() {
  m_log.Write(LogLevel::INFO, "Finished - %d warning(s), %d error(s).\n", m_log.warnings, m_log.errors);
}

void CConverter::ConvertSteps(const std::string& inputPath, std::optional<std::string> pageText, CMimeArchive& archive,
                              std::ostream& out) {
  Discover(inputPath, std::move(pageText), archive);
  BuildArchive(archive, out);
}

// Each walk starts from an empty registry. A step that failed may have
// failed because a reading inside it was cancelled; the cancellation is
// what the user is told then.
void CConverter::Discover(const std::string& inputPath, std::optional<std::string> pageText,
                          const CMimeArchive& archive) {
  m_resources.Clear();
  m_complete.Forget();
  m_discovery.ForgetScans();

  const auto failUnlessCancelled = [this](ConvertReason reason) {
    ThrowIfCancelled(m_cancellation);
    throw ConvertError(reason);
  };
  if (!LoadDocument(inputPath, std::move(pageText))) failUnlessCancelled(ConvertReason::kInputOpen);
  ThrowIfCancelled(m_cancellation);
  if (!DiscoverResources()) failUnlessCancelled(ConvertReason::kMalformedInput);
  ThrowIfCancelled(m_cancellation);
  if (m_completeArchive && !DiscoverCompleteResources(archive)) failUnlessCancelled(ConvertReason::kMalformedInput);
  ThrowIfCancelled(m_cancellation);
}

// Each walk may name files only a fetched file leads to (a remote
// stylesheet's fonts, a remote frame's images), so walks and fetches
// alternate; the walks nest no deeper than frames and imports do.
void CConverter::FetchRemoteFiles(const std::string& inputPath, const std::optional<std::string>& pageText,
                                  const CMimeArchive& archive) {
  constexpr int kMaxWalks = kMaxFrameDepth + kMaxImportDepth + 2;
  // No file: the walks before the one that counts write nothing. The log is
  // given back however the walks end.
  struct QuietLog {
    CConvertLog& log;
    const CConvertLog kept;
    explicit QuietLog(CConvertLog& log) : log(log), kept(log) { log = CConvertLog{}; }
    ~QuietLog() { log = kept; }
  } quiet(m_log);
  for (int walk = 0; walk < kMaxWalks; ++walk) {
    try {
      Discover(inputPath, pageText, archive);
    } catch (const ConvertError& error) {
      // The walk that counts meets the same failure, and reports it, unless
      // a fetch still to come (the page's own) ends it.
      if (error.Reason() == ConvertReason::kCancelled) throw;
    }
    const auto fetched = [this](std::uint64_t total) {
      m_bytesFetched = total;
      if (m_progress) m_progress({.bytesFetched = total});
    };
    if (!m_resolver.Remote()->FetchWanted(fetched, m_cancellation)) break;
    ThrowIfCancelled(m_cancellation);
  }
}

void CConverter::BuildArchive(CMimeArchive& archive, std::ostream& out) {
  try {
    m_page.document->DocumentElement();  // a page without a root element fails here, before any line
    m_log.Write(LogLevel::INFO, "Add main body part: %s", m_resources.PageLocation().c_str());
    std::string markup = m_page.document->PageMarkup();
    archive.SetMainPart(m_resources.MainPartUrl(), markup);
    ReleasePageTree(std::move(markup));
    WriteResourceParts(archive, out);
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception& failure) {
    const auto* error = dynamic_cast<const ConvertError*>(&failure);
    if (error != nullptr && IsCancellation(*error)) throw;
    if (error != nullptr && !IsMarkupFailure(error->Reason())) {
      // A file that failed after its part had begun: the archive cannot be
      // finished without it.
      m_log.Write(LogLevel::ERROR, "%s", error->what());
      throw;
    }
    // A page without a root element: whatever else stops the archive
    // half-way is malformed input.
    m_log.Write(LogLevel::ERROR, "Processing failed due to malformed input HTML");
    throw ConvertError(ConvertReason::kMalformedInput);
  }
}

// Parts are made on two threads but stored and logged in registry order, so
// the archive and the log are those of a plain loop followed by the writing
// of the archive.
void CConverter::WriteResourceParts(CMimeArchive& archive, std::ostream& out) {
  std::vector<CMimeArchive::ResourceFile> files;
  files.reserve(m_resources.Entries().size());
  for (const auto& [reference, path] : m_resources.Entries()) files.push_back(PartFile(path));
  const std::vector<std::uint64_t> sizes = m_progress ? PartSizes(files) : std::vector<std::uint64_t>();
  ConversionProgressReport report{.partsFound = files.size(), .bytesFetched = m_bytesFetched};
  for (const std::uint64_t size : sizes) report.bytesFound += size;
  if (m_progress) m_progress(report);
  archive.AddResourcePartsAndWrite(
      files, m_resolver.Reader(),
      [](std::string_view path) { return IsRemoteLocation(path) ? std::string(path) : FileUrlFromPath(path); },
      [this, &report, &sizes](std::string_view path, bool added) {
        // Between parts, and after a part whose reading or encoding the
        // cancellation stopped: that part is not missing, the archive is.
        ThrowIfCancelled(m_cancellation);
        LogAddedPart(std::string(path), added);
        if (!m_progress) return;
        if (report.partsWritten < sizes.size()) report.bytesWritten += sizes[report.partsWritten];
        ++report.partsWritten;
        m_progress(report);
      },
      out);
}

// The page is in its part now. Its tree goes, and the memory a big one held
// goes back to the system, before the files' parts are made: memory then
// holds the page's tree or the parts in flight, never both, and a page of
// many references costs little more while its files are archived than one of
// few. A small tree's memory stays with the allocator, which serves the parts
// from it: giving it back would only have the next page fault it in again.
void CConverter::ReleasePageTree(std::string markup) {
  [[maybe_unused]] const bool bigTree = markup.size() >= kTrimAfterMarkupBytes;
  m_page.document->KeepOnlyMarkup(std::move(markup));
#ifndef __SANITIZE_ADDRESS__
  // Under AddressSanitizer the allocator is its own and glibc's arenas hold
  // nothing to return; trimming them from the jobs of a batch was seen to
  // abort the process in glibc as a thread ended (an assertion on the count
  // of threads attached to an arena), about one run in thirty.
  if (bigTree) malloc_trim(0);
#endif
}

CMimeArchive::ResourceFile CConverter::PartFile(const std::string& path) const {
  const RewrittenParts::Part* rewritten = m_complete.FindRewrittenPart(path);
  if (rewritten == nullptr) {
    const FetchedFile* fetched = m_resolver.FetchedRemoteFile(path);
    if (fetched == nullptr) return {path, std::nullopt};
    return {path, fetched->body, {}, fetched->contentType};
  }
  const FetchedFile* fetched = m_resolver.FetchedRemoteFile(path);
  const std::string_view type = fetched != nullptr ? std::string_view(fetched->contentType) : std::string_view();
  if (rewritten->kind == RewrittenParts::Kind::Stylesheet) {
    // A fetched stylesheet's edits apply to its fetched bytes.
    const std::optional<std::string_view> bytes =
        fetched != nullptr ? std::optional<std::string_view>(fetched->body) : std::nullopt;
    return {path, bytes, rewritten->edits, type};
  }
  return {path, rewritten->bytes, {}, type};
}

void CConverter::LogAddedPart(const std::string& path, bool added) {
  if (!added) {
    m_resources.LeaveOut(path);
    m_log.LeftOut("Failed to add resource body part", path, ReadProblem(path));
    return;
  }
  const RewrittenParts::Part* rewritten = m_complete.FindRewrittenPart(path);
  if (rewritten == nullptr || rewritten->kind == RewrittenParts::Kind::Svg) {
    m_log.Write(LogLevel::INFO, "Add resource body part: %s", path.c_str());
  } else if (rewritten->kind == RewrittenParts::Kind::Stylesheet) {
    m_log.Write(LogLevel::INFO, "Add stylesheet body part: %s", path.c_str());
  } else {
    m_log.Write(LogLevel::INFO, "Add frame body part: %s", path.c_str());
  }
}
