#include "engine/page_loading.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <new>

#include "base/convert_error.h"
#include "base/file_io.h"
#include "base/path_text.h"
#include "engine/charset_declaration.h"
#include "engine/html_cost_guard.h"
#include "engine/html_document.h"
#include "engine/page_decoding.h"
#include "engine/reference_resolver.h"
#include "engine/reference_rules.h"
#include "engine/remote_files.h"
#include "engine/resource_discovery.h"
#include "engine/resource_registry.h"
#include "log/convert_log.h"

namespace {

// The folder part of a path, with its trailing separator; both slashes
// separate. Empty when the path names no folder.
std::string FolderOf(const std::string& path) {
  const std::size_t lastSeparator = path.find_last_of("/\\");
  return lastSeparator == std::string::npos ? std::string() : path.substr(0, lastSeparator + 1);
}

// The folder of a file's path, which only slashes separate: a backslash is
// a byte of a name. Empty when the path names no folder.
std::string FileFolderOf(const std::string& path) {
  const std::size_t lastSlash = path.rfind('/');
  return lastSlash == std::string::npos ? std::string() : path.substr(0, lastSlash + 1);
}

// The folder as the file system spells it: a file URL becomes its path and
// backslashes separate folders, as they do for references.
std::string FileSystemFolder(const std::string& folder) {
  std::string path = ReferenceToPath(folder).value_or(folder);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

// `folder` put after `base` unless it is absolute itself. Nothing is folded:
// the kernel resolves "..", as it did when the process entered the folder.
std::optional<std::string> JoinedToBase(const std::string& folder, const std::string& base) {
  if (folder.starts_with('/')) return folder;
  if (base.empty()) return std::nullopt;
  return base == "/" ? base + folder : base + "/" + folder;
}

// The folder as the process would see it after entering it: a directory it
// may search, named by its canonical path. Nothing when it could not enter.
std::optional<std::string> EnterableFolder(const std::string& folder) {
  struct stat status {};
  if (::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) ||
      ::faccessat(AT_FDCWD, folder.c_str(), X_OK, AT_EACCESS) != 0) {
    return std::nullopt;
  }
  std::error_code error;
  const std::filesystem::path canonical = std::filesystem::canonical(folder, error);
  if (error) return std::nullopt;
  return canonical.string();
}

// The log line of markup too costly to parse, which LoadPageText's
// ConvertError carries; the page and a frame's page each decide what that
// means for the conversion.
std::string MarkupExcessLine(const MarkupExcess& excess) {
  const std::string amount = std::to_string(excess.amount);
  switch (excess.kind) {
    case MarkupExcess::Kind::kNesting: return "Processing failed due to input HTML nested " + amount + " elements deep";
    case MarkupExcess::Kind::kAttributes:
      return "Processing failed due to input HTML with " + amount + " attributes on one element";
    case MarkupExcess::Kind::kReopening:
      return "Processing failed due to input HTML reopening formatting elements " + amount + " times";
    case MarkupExcess::Kind::kOptions:
      return "Processing failed due to input HTML with " + amount + " or more options in one select";
  }
  return {};
}

// A page too costly to parse is malformed input, and the log says how; the
// caller handles any other failure.
void RefuseCostlyMarkup(CConvertLog& log, const std::exception& failure) {
  const auto* error = dynamic_cast<const ConvertError*>(&failure);
  if (error == nullptr || error->Reason() != ConvertReason::kCostlyMarkup) return;
  log.Write(LogLevel::ERROR, "%s", error->Detail().c_str());
  throw ConvertError(ConvertReason::kMalformedInput);
}

}  // namespace

PageLoader::PageLoader(CConvertLog& log, ResourceRegistry& registry, ReferenceResolver& resolver,
                       ResourceDiscovery& discovery)
    : m_log(log), m_registry(registry), m_resolver(resolver), m_discovery(discovery) {}

bool PageLoader::LoadDocument(LoadedPage& page, const std::string& path, std::optional<std::string> pageText) {
  page.base.url.clear();
  m_resolver.SetLocalFilesAllowed(true);
  if (m_resolver.Remote() != nullptr && !pageText && IsRemoteLocation(path)) return LoadRemotePage(page, path);
  // Until the base handling chooses a folder, relative references mean the
  // folder the program runs in, which no conversion moves.
  page.base.SetFolder(MakeFullPath("").value_or(std::string()));
  page.base.remote = false;
  m_registry.SetPagePath(MakeFullPath(path).value_or(std::string()));
  try {
    // A page given as text is refused empty, as its file would be.
    if (pageText && pageText->empty()) throw ConvertError(ConvertReason::kInputOpen);
    LoadPageText(page, path, DecodePageToUtf8(pageText ? *pageText : ReadWholeFile(path)));
  } catch (const std::bad_alloc&) {
    throw;  // the conversion reports it as what it is
  } catch (const std::exception& failure) {
    RefuseCostlyMarkup(m_log, failure);
    // Any other failure of reading or parsing means the input cannot be
    // opened.
    m_log.Write(LogLevel::ERROR, "Failed to load input file (%s)\n", path.c_str());
    return false;
  }
  m_registry.SetPageLocation(path);
  return true;
}

// A page given by URL is fetched like the files it names, and its
// references are read against its URL: nothing comes from the local disk.
bool PageLoader::LoadRemotePage(LoadedPage& page, const std::string& url) {
  m_resolver.SetLocalFilesAllowed(false);
  page.base.remote = true;
  page.base.url = url;
  m_registry.SetPagePath(url);
  const FetchedFile* fetched = m_resolver.Remote()->Want(url);
  try {
    if (fetched == nullptr || !fetched->Fetched()) throw ConvertError(ConvertReason::kInputOpen);
    LoadPageText(page, url, DecodePageToUtf8(fetched->body));
  } catch (const std::exception& failure) {
    RefuseCostlyMarkup(m_log, failure);
    // As for a local page: whatever stops the fetch or the parse means the
    // input cannot be opened.
    if (fetched != nullptr && !fetched->Fetched()) {
      m_log.Write(LogLevel::ERROR, "Failed to fetch remote file: %s: %s", url.c_str(), fetched->failure.c_str());
    }
    m_log.Write(LogLevel::ERROR, "Failed to load input file (%s)\n", url.c_str());
    return false;
  }
  m_registry.SetPageLocation(url);
  return true;
}

// A frame's page is read beneath the allowed folder like every file the
// page names, or is the fetched file; an empty one is a blank page.
void PageLoader::LoadFramePage(LoadedPage& page, const std::string& path) {
  if (IsRemoteLocation(path)) {
    const FetchedFile* fetched = m_resolver.FetchedRemoteFile(path);
    if (fetched == nullptr) throw ConvertError(ConvertReason::kInputOpen);
    page.base.remote = true;
    page.base.url = path;
    LoadPageText(page, path, DecodePageToUtf8(fetched->body));
    return;
  }
  page.base.url.clear();
  page.base.SetFolder(std::filesystem::path(path).parent_path().string());
  page.base.remote = false;
  LoadPageText(page, path, DecodePageToUtf8(m_resolver.Reader().ReadWholeFile(path, EmptyFile::kAccepted)));
}

void PageLoader::LoadPageText(LoadedPage& page, const std::string& path, std::string text) {
  if (const std::size_t zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
  // A page whose markup would hold the parser for far longer than its size
  // warrants is refused before it is parsed.
  if (const std::optional<MarkupExcess> excess = FindMarkupExcess(text)) {
    throw ConvertError(ConvertReason::kCostlyMarkup, MarkupExcessLine(*excess));
  }
  page.document->Load(text);
  DeclareUtf8(*page.document);
  ApplyBaseLocation(page, path);
  m_discovery.ScanPreloadedImages(text, page.base);
}

// A page without a base element says nothing; one whose first base element
// has no href says so in the log and keeps its own folder.
void PageLoader::ApplyBaseLocation(LoadedPage& page, const std::string& path) {
  if (m_resolver.Remote() != nullptr && ApplyRemoteBase(page)) return;
  std::string base = path;
  bool baseIsUrl = false;  // a base element's href, where backslashes separate as slashes do
  // A base element's relative href is completed against the page's own
  // folder, as a browser completes it against the page's URL.
  std::string relativeTo = page.base.folder;
  const std::vector<HtmlElement> bases = page.document->ElementsByTagName("base");
  if (!bases.empty()) {
    if (const std::optional<std::string> href = page.document->GetAttribute(bases.front(), "href")) {
      base = *href;
      baseIsUrl = true;
      m_log.Write(LogLevel::INFO, "Found custom base: %s", base.c_str());
      page.base.remote = !IsLocalUrl(base.data(), base.size());
      relativeTo = FileFolderOf(MakeFullPath(path).value_or(std::string()));
      if (relativeTo.size() > 1) relativeTo.pop_back();
    } else {
      m_log.Write(LogLevel::INFO, "No custom base, keep default: %s", base.c_str());
    }
  }
  EnterBaseFolder(page, base, baseIsUrl, relativeTo);
}

// The folder is tested as entering it would test it, but never entered: the
// process's current folder is shared with everything else the program does,
// and relative output and log paths depend on it.
void PageLoader::EnterBaseFolder(LoadedPage& page, const std::string& base, bool baseIsUrl,
                                 const std::string& relativeTo) {
  const std::string folder = baseIsUrl ? FolderOf(base) : FileFolderOf(base);
  const std::string fileSystemFolder = baseIsUrl ? FileSystemFolder(folder) : folder;
  const std::optional<std::string> joined =
      fileSystemFolder.empty() ? std::nullopt : JoinedToBase(fileSystemFolder, relativeTo);
  if (!joined || ::access(joined->c_str(), F_OK) != 0) {
    m_log.Write(LogLevel::ERROR, "Cannot access: %s", folder.c_str());
  } else if (const std::optional<std::string> entered = EnterableFolder(*joined)) {
    page.base.SetFolder(*entered);
  } else {
    m_log.Write(LogLevel::ERROR, "Cannot change directory to: %s", folder.c_str());
  }
}

// A remote base is a URL: there is no folder to test, and relative
// references name files on its server.
bool PageLoader::ApplyRemoteBase(LoadedPage& page) {
  const std::vector<HtmlElement> bases = page.document->ElementsByTagName("base");
  const std::optional<std::string> href =
      bases.empty() ? std::nullopt : page.document->GetAttribute(bases.front(), "href");
  if (href) {
    if (const std::optional<std::string> url = RemoteUrl(page.base.remote ? page.base.url : std::string(), *href)) {
      m_log.Write(LogLevel::INFO, "Found custom base: %s", href->c_str());
      page.base.remote = true;
      page.base.url = *url;
      return true;
    }
  }
  return page.base.remote;
}
