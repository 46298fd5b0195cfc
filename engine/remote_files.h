#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "net/remote_fetcher.h"

// True for an absolute http or https URL: what the converter registers in
// place of a path for a file fetched from the network.
bool IsRemoteLocation(std::string_view location);

// The absolute http or https URL that `reference` names, read against
// `base` (itself such a URL, or empty when only absolute references count),
// normalized and without its fragment; nothing for any other reference.
std::optional<std::string> RemoteUrl(std::string_view base, std::string_view reference);

// The remote files of one conversion: asked for while the page is walked,
// fetched together afterwards, each URL once, and kept for the walks after.
class RemoteFiles {
 public:
  explicit RemoteFiles(const FetchLimits& limits) : m_fetcher(limits) {}

  // The fetched file, or nothing; a URL never fetched is noted as wanted.
  const FetchedFile* Want(const std::string& url);
  bool IsWanted(const std::string& url) const { return m_wanted.count(url) != 0; }
  // Fetches every URL wanted since the last call. False when there was none.
  bool FetchWanted(const RemoteFetcher::BytesFetched& bytesFetched, const CancellationFlag* cancellation);
  // The fetched file for `url`, failed or not; nothing before it is fetched.
  const FetchedFile* Find(const std::string& url) const;

 private:
  RemoteFetcher m_fetcher;
  std::map<std::string, FetchedFile> m_files;  // by URL, once fetched
  std::set<std::string> m_wanted;              // asked for and not yet fetched
};
