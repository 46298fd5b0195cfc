#pragma once

#include <cstddef>
#include <set>
#include <string>

#include "archive/link_style.h"

// One file in the resource registry. Entries are ordered by the normalized
// reference first, so that references keep the order they always had; the
// path, with its case, only parts references that normalize alike but name
// different files ("A.gif" and "a.gif" on this file system).
struct ResourceEntry {
  std::string reference;  // NormalizeReference of the reference as written
  std::string path;       // absolute path of the local file, or a fetched file's URL
  auto operator<=>(const ResourceEntry&) const = default;
};

// The files one conversion archives, in the order their parts are written,
// and the page they belong to, which is the main part and never an entry.
// Ownership: the registry owns its entries, the page's paths and the files
// whose parts could not be written; CConverter owns the registry (as
// m_resources), discovery adds to it, BuildArchive reads it. It holds no
// file's bytes.
class ResourceRegistry {
 public:
  const std::set<ResourceEntry>& Entries() const { return m_entries; }
  // Each walk of the page starts from no entries; the page stays.
  void Clear() { m_entries.clear(); }
  // A reference to the page itself is never registered: it is the main part.
  void Register(const std::string& reference, const std::string& path);

  // `path` absolute (or the page's URL); empty when it could not be made so.
  void SetPagePath(const std::string& path);
  bool IsThePage(const std::string& path) const;
  // The page as it was given, which labels the main part.
  void SetPageLocation(const std::string& location) { m_pageLocation = location; }
  const std::string& PageLocation() const { return m_pageLocation; }

  void SetLinkStyle(LinkStyle style) { m_linkStyle = style; }
  std::string MainPartUrl() const;
  // The URL that points at the part of the file at `path`: the main part's
  // for the page itself.
  std::string PartUrl(const std::string& path) const;

  // The files whose parts failed while the archive was written; forgotten
  // at the start of each conversion.
  void ForgetLeftOut() { m_pathsLeftOut.clear(); }
  void LeaveOut(const std::string& path) { m_pathsLeftOut.insert(path); }
  // The parts written, the page's own included: one for each file taken,
  // however many references name it.
  std::size_t PartsWritten() const;

 private:
  std::string RewrittenReference(const std::string& path) const;

  std::set<ResourceEntry> m_entries;
  std::string m_pageLocation;  // page path or URL, as given
  // The page being converted (not a frame's), absolute, as given and with
  // its links resolved; a reference to it means the main part.
  std::string m_pagePath;
  std::string m_pageCanonicalPath;
  LinkStyle m_linkStyle = LinkStyle::File;
  std::set<std::string> m_pathsLeftOut;  // few: only files that could not be read
};
