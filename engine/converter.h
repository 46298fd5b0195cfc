#pragma once

#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "archive/link_style.h"
#include "base/file_reader.h"
#include "engine/conversion_progress.h"
#include "log/convert_log.h"

class CMimeArchive;
class HtmlDocument;
class HtmlElement;

// One file in the resource registry. Entries are ordered by the normalized
// reference first, so that references keep the order they always had; the
// path, with its case, only parts references that normalize alike but name
// different files ("A.gif" and "a.gif" on this file system).
struct ResourceEntry {
  std::string reference;  // NormalizeReference of the reference as written
  std::string path;       // absolute path of the local file
  auto operator<=>(const ResourceEntry&) const = default;
};

// The conversion engine: loads a page, finds the local files it needs,
// rewrites their references and hands page and files to the archive writer.
class CConverter {
 public:
  using Table = std::map<std::string, std::string>;

  // The tables a converter starts with, and the options' default tables.
  static const Table& DefaultResourceTags();       // tag -> attribute naming a file
  static const Table& DefaultScriptExtensions();   // extension -> description

  CConverter();
  ~CConverter();
  CConverter(const CConverter&) = delete;
  CConverter& operator=(const CConverter&) = delete;

  // Converts the page at `inputPath` into archive text written to `out`.
  // Returns only when the whole archive went to `out`; otherwise throws
  // ConvertError 1 (input cannot be opened) or 3 (malformed input).
  void Convert(const std::string& inputPath, CMimeArchive& archive, std::ostream& out);

  void AddResourceTag(const std::string& tag, const std::string& attribute);
  void AddScriptExtension(const std::string& extension, const std::string& description);
  void ClearResourceTags() { m_resourceTags.clear(); }
  void ClearScriptExtensions() { m_scriptExtensions.clear(); }
  void SetLog(const CConvertLog& log) { m_log = log; }
  void SetLinkStyle(LinkStyle style) { m_linkStyle = style; }
  // Empty: nobody is told.
  void SetProgress(ConversionProgress progress) { m_progress = std::move(progress); }
  // Only files under `root` are taken, and they are read through a
  // descriptor of it; empty means no restriction.
  void SetAllowedRoot(const std::string& root);
  // The absolute folder that relative references are joined to, until the
  // next page load chooses its own.
  void SetBaseFolder(const std::string& folder);

  // Registers a local file and gives its absolute path; empty when the
  // reference is not local or cannot be made absolute. The page itself is
  // never registered: it is the main part.
  std::string ResolveReference(const std::string& reference);
  // The text ends at its first zero byte.
  void ScanPreloadedImages(const std::string& text);
  bool LoadDocument(const std::string& path);
  void ApplyBaseLocation(const std::string& path);
  bool DiscoverResources();
  // The main part and every registered file into `archive`, written to
  // `out`. Throws ConvertError 3.
  void BuildArchive(CMimeArchive& archive, std::ostream& out);
  void ProcessReference(HtmlElement element, const std::string& attribute);
  bool IsScriptFile(const std::string& path) const;
  void ScanScriptFile(const std::string& path);

  const std::set<ResourceEntry>& Resources() const { return m_resources; }
  const std::map<std::string, std::string>& ResourceTags() const { return m_resourceTags; }
  const std::map<std::string, std::string>& ScriptExtensions() const { return m_scriptExtensions; }
  const CConvertLog& Log() const { return m_log; }
  const std::string& BaseFolder() const { return m_baseFolder; }
  HtmlDocument* Document() const { return m_document.get(); }

 private:
  std::string RewrittenReference(const std::string& path) const;
  bool IsUnderAllowedRoot(const std::string& path) const;
  // `path` absolute; empty when it could not be made so.
  void SetPagePath(const std::string& path);
  bool IsThePage(const std::string& path) const;

  std::string m_inputLocation;                          // page path, forward slashes
  std::unique_ptr<HtmlDocument> m_document;             // owned; never null
  std::set<ResourceEntry> m_resources;                  // the resource registry
  std::map<std::string, std::string> m_resourceTags;    // tag -> attribute naming a file
  CConvertLog m_log;
  std::map<std::string, std::string> m_scriptExtensions;  // extension -> description
  LinkStyle m_linkStyle = LinkStyle::File;
  ConversionProgress m_progress;                        // told as parts are settled; may be empty
  std::string m_allowedRoot;                            // canonical; empty: every local file is taken
  FileReader m_fileReader;                              // beneath m_allowedRoot when there is one
  // Absolute, without a trailing slash (but "/"); empty until a page is
  // loaded or a folder set, and then no reference is taken.
  std::string m_baseFolder;
  // The base is a remote URL: relative references name remote files.
  bool m_baseIsRemote = false;
  // The page being loaded, absolute, as given and with its links resolved;
  // a reference to it means the main part.
  std::string m_pagePath;
  std::string m_pageCanonicalPath;
};
