#pragma once

#include <memory>
#include <optional>
#include <string>

#include "base/file_reader.h"
#include "net/fetch_limits.h"

struct CConvertLog;
class RemoteFiles;
struct FetchedFile;

// What relative references are read against, given to each resolution as a
// URL parser is given its base: the page's, a frame page's, a stylesheet's.
// A plain value: whoever walks a page or a file holds its own.
struct ReferenceBase {
  // Absolute, without a trailing slash (but "/"); empty: no reference is
  // taken.
  std::string folder;
  // The base is a remote URL: relative references name remote files.
  bool remote = false;
  std::string url;  // that URL, when remote files are fetched

  // The base of the references written in the file at `path` (a local path
  // or a fetched file's URL): its own folder, or its own URL.
  static ReferenceBase OfFile(const std::string& path);
  // `folder` absolute, its trailing slashes dropped.
  void SetFolder(const std::string& absoluteFolder);
  // What references are read against: the local folder, or the remote base
  // URL when remote files are fetched.
  const std::string& Location() const { return remote && !url.empty() ? url : folder; }
};

// The file a path leads to, its links followed; nothing when they cannot be
// followed to the end (a loop, a result longer than PATH_MAX).
std::optional<std::string> CanonicalForm(const std::string& path);

// Turns references into the files they name, against an explicit base.
// Ownership: the resolver owns the allowed folder, the reader beneath it, and
// the remote files of the conversion running (made and forgotten by
// CConverter::Convert); it holds no page and no base. The log is the
// converter's, which outlives it.
class ReferenceResolver {
 public:
  explicit ReferenceResolver(CConvertLog& log);
  ~ReferenceResolver();
  ReferenceResolver(const ReferenceResolver&) = delete;
  ReferenceResolver& operator=(const ReferenceResolver&) = delete;

  // Only files under `root` are taken, and they are read through a
  // descriptor of it; empty means no restriction.
  void SetAllowedRoot(const std::string& root);
  bool IsUnderAllowedRoot(const std::string& path) const;
  // Reads the local files the conversion takes, beneath the allowed folder.
  FileReader& Reader() { return m_fileReader; }
  const FileReader& Reader() const { return m_fileReader; }
  // False for a page given by URL: then nothing is read from the local disk.
  void SetLocalFilesAllowed(bool allowed) { m_localFilesAllowed = allowed; }

  // A conversion's remote files, fetched within `limits`; nothing: none.
  void StartRemoteFiles(const std::optional<FetchLimits>& limits);
  void ForgetRemoteFiles();
  RemoteFiles* Remote() const { return m_remoteFiles.get(); }
  // The fetched file at `path` (a URL), when its fetch succeeded.
  const FetchedFile* FetchedRemoteFile(const std::string& path) const;

  // The absolute path of the local file `reference` names against `base` (a
  // remote base keeps relative references remote), or the URL of the remote
  // file it names when remote files are fetched; nothing when it names none,
  // one outside the allowed folder, or a remote file whose fetch failed (each
  // told as left out).
  std::optional<std::string> LocalFilePath(const std::string& reference, const ReferenceBase& base);
  // The local path before the allowed folder is asked.
  std::optional<std::string> AbsoluteFilePath(const std::string& reference, const ReferenceBase& base) const;
  void LogOutsideAllowedFolder(const std::string& path);
  // The file `path` leads to, its links followed: one key however the path
  // is spelt, so that a folder linked into itself cannot make one stylesheet
  // or frame page many.
  std::string FileIdentity(const std::string& path) const;

 private:
  // The URL `reference` names against `base` (a URL; empty: absolute
  // references only) when it was fetched or is still to be; nothing when it
  // names no remote file or its fetch failed.
  std::optional<std::string> RemoteFilePath(const std::string& reference, const std::string& base);

  CConvertLog& m_log;
  std::string m_allowedRoot;  // canonical; empty: every local file is taken
  FileReader m_fileReader;    // beneath m_allowedRoot when there is one
  bool m_localFilesAllowed = true;
  std::unique_ptr<RemoteFiles> m_remoteFiles;  // the conversion's, when remote files are fetched
};
