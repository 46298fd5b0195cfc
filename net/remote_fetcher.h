#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "net/fetch_limits.h"

class CancellationFlag;

// One http or https file as its server gave it, or why it was left out.
struct FetchedFile {
  std::string url;          // as asked for
  std::string body;         // decoded from the transfer's compression
  std::string contentType;  // the server's Content-Type as sent; empty when it sent none
  std::string failure;      // why the file was not fetched; empty when it was
  bool Fetched() const { return failure.empty(); }
};

// Fetches http and https files for one conversion, within its limits: the
// total size counts every file this fetcher has fetched. Each connection's
// address is checked when the socket is opened, after the name is resolved
// and on every redirect, so a name that resolves to a private address, or a
// redirect to one, is refused as a private address given directly is. Only
// http and https are spoken, also after redirects; certificates are
// verified; the proxy variables of the environment are honoured.
class RemoteFetcher {
 public:
  static constexpr std::size_t kMaxTransfers = 8;
  // Told the bytes fetched so far by this fetcher, as they arrive, on the
  // fetching thread; it must not throw.
  using BytesFetched = std::function<void(std::uint64_t total)>;

  explicit RemoteFetcher(FetchLimits limits);

  // Fetches `urls`, at most kMaxTransfers at once, each distinct URL once.
  // The results follow `urls`, one for each. Never throws for a file that
  // cannot be fetched: its result says why. Once `cancellation` (may be
  // null) is set, every transfer ends within a tenth of a second and the
  // files not fetched say "cancelled".
  std::vector<FetchedFile> FetchAll(const std::vector<std::string>& urls, const BytesFetched& bytesFetched = {},
                                    const CancellationFlag* cancellation = nullptr);

  std::uint64_t TotalBytes() const { return m_totalBytes; }
  const FetchLimits& Limits() const { return m_limits; }

 private:
  struct Transfer;
  static std::size_t ReceiveBody(char* data, std::size_t size, std::size_t count, void* transfer);
  bool SetUp(Transfer& transfer);
  void Finish(Transfer& transfer, int code) const;

  FetchLimits m_limits;
  std::uint64_t m_totalBytes = 0;
  const BytesFetched* m_bytesFetched = nullptr;  // FetchAll's, while it runs
};
