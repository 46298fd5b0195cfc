#pragma once

#include <optional>
#include <string>

#include "engine/loaded_page.h"

struct CConvertLog;
class ReferenceResolver;
class ResourceDiscovery;
class ResourceRegistry;

// Loads pages: the page to convert (a file, text given for it, or a fetched
// URL) and the pages of its frames. Each is decoded to UTF-8, refused when
// its markup is too costly to parse, parsed, given its base from its first
// <base>, and scanned for preloaded images.
// Ownership: the loader owns nothing; it fills the LoadedPage it is given,
// tells the registry which page is the main part, and lets the resolver read
// no local file for a page given by URL. The log, registry, resolver and
// discovery are CConverter's, which outlive it.
class PageLoader {
 public:
  PageLoader(CConvertLog& log, ResourceRegistry& registry, ReferenceResolver& resolver, ResourceDiscovery& discovery);

  // The page to convert, into `page`. With `pageText`, those are the page's
  // bytes. False when the page cannot be read or loaded; throws
  // ConvertError 3, after its ERROR line, when its markup is too costly.
  bool LoadDocument(LoadedPage& page, const std::string& path, std::optional<std::string> pageText);
  // A frame's page, into `page`, whose base starts as the base of the page
  // around it. Throws whatever stops the reading or the parse.
  void LoadFramePage(LoadedPage& page, const std::string& path);
  // The base the page's first <base> gives, relative to the page at `path`.
  void ApplyBaseLocation(LoadedPage& page, const std::string& path);

 private:
  // A remote page: the resolver's state for it, and the page itself.
  bool LoadRemotePage(LoadedPage& page, const std::string& url);
  void LoadPageText(LoadedPage& page, const std::string& path, std::string text);
  // Makes the folder of `base` (a path, or a base element's href when
  // `baseIsUrl`), completed against `relativeTo`, the page's base folder,
  // when a process could enter it; else says why in the log.
  void EnterBaseFolder(LoadedPage& page, const std::string& base, bool baseIsUrl, const std::string& relativeTo);
  // Gives a remote page, or a page under --remote with a remote base, the
  // base URL its references are read against; false when the base is local.
  bool ApplyRemoteBase(LoadedPage& page);

  CConvertLog& m_log;
  ResourceRegistry& m_registry;
  ReferenceResolver& m_resolver;
  ResourceDiscovery& m_discovery;
};
