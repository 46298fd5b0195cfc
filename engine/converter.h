#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <utility>

#include "archive/link_style.h"
#include "archive/mime_archive.h"
#include "engine/complete_discovery.h"
#include "engine/conversion_progress.h"
#include "engine/loaded_page.h"
#include "engine/page_loading.h"
#include "engine/reference_resolver.h"
#include "engine/resource_discovery.h"
#include "engine/resource_registry.h"
#include "log/convert_log.h"
#include "net/fetch_limits.h"

class CancellationFlag;

// The conversion engine's façade: loads a page (PageLoader), finds the files
// it needs (ResourceDiscovery, and CompleteDiscovery for a complete
// archive), registers them (ResourceRegistry) as the resolver reads their
// references (ReferenceResolver), and hands page and files to the archive
// writer (BuildArchive, here, with Convert, which runs the steps).
class CConverter {
 public:
  using Table = ResourceDiscovery::Table;
  using ScanCache = ResourceDiscovery::ScanCache;
  using StylesheetCache = StylesheetDiscovery::StylesheetCache;

  // The tables a converter starts with, and the options' default tables.
  static const Table& DefaultResourceTags();      // tag -> attribute naming a file
  static const Table& DefaultScriptExtensions();  // extension -> description

  CConverter();
  ~CConverter();
  CConverter(const CConverter&) = delete;
  CConverter& operator=(const CConverter&) = delete;

  // Converts the page at `inputPath` (a path, or an http or https URL when
  // remote files are fetched) into archive text written to `out`,
  // then calls `commit` (when given), which puts the archive in place (or
  // throws ConvertError when it cannot), and logs the summary, which so
  // counts a failure to write. With `pageText`, those are the page's bytes,
  // and the file at `inputPath`, never read, only places the page among its
  // files. Returns only when the whole archive went to `out` and was
  // committed; otherwise throws ConvertError 1 (input cannot be opened), 3
  // (malformed input), 4 (a file failed while it was written), 6 (the
  // cancellation was set; logged as a WARNING, without the summary), 7 (out
  // of memory, wherever it ran out) or what `commit` threw.
  void Convert(const std::string& inputPath, CMimeArchive& archive, std::ostream& out,
               std::optional<std::string> pageText = std::nullopt, const std::function<void()>& commit = {});

  void AddResourceTag(const std::string& tag, const std::string& attribute);
  void AddScriptExtension(const std::string& extension, const std::string& description);
  void ClearResourceTags() { m_resourceTags.clear(); }
  void ClearScriptExtensions() { m_scriptExtensions.clear(); }
  void SetLog(const CConvertLog& log) { m_log = log; }
  void SetLinkStyle(LinkStyle style) { m_resources.SetLinkStyle(style); }
  // Scripts are scanned once for every conversion sharing `cache` (not
  // owned; it must outlive them); null: once for each conversion.
  void SetScanCache(ScanCache* cache) { m_discovery.SetScanCache(cache); }
  // Likewise stylesheets are tokenized once; what their URLs name is still
  // looked up for each conversion.
  void SetStylesheetCache(StylesheetCache* cache) { m_complete.SetStylesheetCache(cache); }
  // Empty: nobody is told.
  void SetProgress(ConversionProgress progress) { m_progress = std::move(progress); }
  // Asked between the steps of a conversion and between its parts, and by
  // the readings and encodings of the files; null: nobody can cancel. Not
  // owned; must outlive the conversions.
  void SetCancellation(const CancellationFlag* cancellation) {
    m_cancellation = cancellation;
    m_complete.SetCancellation(cancellation);
  }
  // Also archive what stylesheets, media elements and frames need; off, a
  // conversion takes only what images, scripts and the resource tags name.
  void SetCompleteArchive(bool complete) { m_completeArchive = complete; }
  // Also fetch the http and https files the page, its stylesheets and its
  // frames name, within `limits`, as parts labelled with their URLs;
  // nothing: every remote reference stays as written.
  void SetRemote(std::optional<FetchLimits> limits) { m_remoteLimits = limits; }
  bool FetchesRemoteFiles() const { return m_remoteLimits.has_value(); }
  // Only files under `root` are taken, and they are read through a
  // descriptor of it; empty means no restriction.
  void SetAllowedRoot(const std::string& root) { m_resolver.SetAllowedRoot(root); }
  // The absolute folder that relative references are joined to, until the
  // next page load chooses its own.
  void SetBaseFolder(const std::string& folder);

  // Registers a local file and gives its absolute path; empty when the
  // reference is not local or cannot be made absolute. The page itself is
  // never registered: it is the main part.
  std::string ResolveReference(const std::string& reference);
  // The text ends at its first zero byte.
  void ScanPreloadedImages(const std::string& text);
  // False when the page cannot be read or loaded; throws ConvertError 3,
  // after its ERROR line, when its markup is too costly to parse.
  bool LoadDocument(const std::string& path, std::optional<std::string> pageText = std::nullopt);
  void ApplyBaseLocation(const std::string& path);
  bool DiscoverResources();
  // What a complete archive adds, after DiscoverResources: the media
  // elements, inline styles and frames of the loaded page (each local frame
  // page converted as a part of its own), then every archived stylesheet
  // with the files it names. `archive` tells each file's type. False when
  // walking the page failed.
  bool DiscoverCompleteResources(const CMimeArchive& archive);
  // The main part and every registered file into `archive`, written to
  // `out`. The page's tree is given up once the main part holds its markup,
  // before the files are read: Document() then keeps only the markup. Throws
  // ConvertError 3 or 4, and std::bad_alloc.
  void BuildArchive(CMimeArchive& archive, std::ostream& out);
  void ProcessReference(HtmlElement element, const std::string& attribute);
  bool IsScriptFile(const std::string& path) const;
  void ScanScriptFile(const std::string& path);

  // How deep frames nest and stylesheets import one another before the
  // next level is left as written.
  static constexpr int kMaxFrameDepth = CompleteDiscovery::kMaxFrameDepth;
  static constexpr int kMaxImportDepth = CompleteDiscovery::kMaxImportDepth;

  const std::set<ResourceEntry>& Resources() const { return m_resources.Entries(); }
  // The parts of the last conversion's archive, its page's own included:
  // one for each file taken, however many references name it.
  std::size_t PartsWritten() const { return m_resources.PartsWritten(); }
  const std::map<std::string, std::string>& ResourceTags() const { return m_resourceTags; }
  const std::map<std::string, std::string>& ScriptExtensions() const { return m_scriptExtensions; }
  const CConvertLog& Log() const { return m_log; }
  const std::string& BaseFolder() const { return m_page.base.folder; }
  HtmlDocument* Document() const { return m_page.document.get(); }

 private:
  // Discover, then BuildArchive.
  void ConvertSteps(const std::string& inputPath, std::optional<std::string> pageText, CMimeArchive& archive,
                    std::ostream& out);
  // Clears what an earlier walk found, then loads and walks the page.
  void Discover(const std::string& inputPath, std::optional<std::string> pageText, const CMimeArchive& archive);
  // Walks the page, silently, and fetches what each walk newly names, until
  // a walk names nothing that has not been fetched: a remote stylesheet or
  // frame page is only walked once it is fetched.
  void FetchRemoteFiles(const std::string& inputPath, const std::optional<std::string>& pageText,
                        const CMimeArchive& archive);
  // "Finished - ...", with the counts so far.
  void LogSummary();
  // Every registered file's part, written after the main part.
  void WriteResourceParts(CMimeArchive& archive, std::ostream& out);
  // Gives up the page's tree once the main part holds its `markup`.
  void ReleasePageTree(std::string markup);
  // The file as its part holds it: with the bytes or edits the conversion
  // made for it, if any.
  CMimeArchive::ResourceFile PartFile(const std::string& path) const;
  void LogAddedPart(const std::string& path, bool added);

  // Ownership: the converter owns everything below; the parts it is made of
  // hold references to the log, the registry, the resolver and to one
  // another, so they are declared after what they refer to.
  ResourceRegistry m_resources;                       // the files taken, and the page they belong to
  std::map<std::string, std::string> m_resourceTags;  // tag -> attribute naming a file
  CConvertLog m_log;
  std::map<std::string, std::string> m_scriptExtensions;  // extension -> description
  ConversionProgress m_progress;                          // told as parts are settled; may be empty
  const CancellationFlag* m_cancellation = nullptr;       // not owned; null: nobody can cancel
  bool m_completeArchive = false;
  std::uint64_t m_bytesFetched = 0;  // of the remote files, in this conversion
  std::optional<FetchLimits> m_remoteLimits;
  ReferenceResolver m_resolver{m_log};
  ResourceDiscovery m_discovery{m_log, m_resources, m_resolver, m_resourceTags, m_scriptExtensions};
  PageLoader m_loader{m_log, m_resources, m_resolver, m_discovery};
  CompleteDiscovery m_complete{m_log, m_resources, m_resolver, m_discovery, m_loader};
  // The page being converted. Its base is empty until a page is loaded or a
  // folder set, and then no reference is taken.
  LoadedPage m_page{std::make_unique<HtmlDocument>(), {}};
};
