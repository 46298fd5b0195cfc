#include "net/remote_fetcher.h"

#include <curl/curl.h>
#include <sys/socket.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <new>

#include "base/cancellation_flag.h"
#include "base/version.h"
#include "net/address_policy.h"

namespace {

struct EasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;

struct MultiDeleter {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};

// libcurl's one-time set-up, made before the first transfer and kept for
// the process's life, as libcurl asks.
bool CurlReady() {
  static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return ready;
}

std::string Megabytes(std::uint64_t bytes) {
  return bytes % (1u << 20) == 0 ? std::to_string(bytes >> 20) + " MB" : std::to_string(bytes) + " bytes";
}

// What a transfer's sockets are checked against, and the address refused.
struct AddressGuard {
  bool allowPrivate = false;
  std::string refusedAddress;
};

// Every socket libcurl opens, for the server or a redirect's server, comes
// here with the address it will connect to, its name already resolved.
curl_socket_t OpenCheckedSocket(void* user, curlsocktype, curl_sockaddr* address) {
  auto& guard = *static_cast<AddressGuard*>(user);
  if (!guard.allowPrivate && IsNonPublicAddress(&address->addr, address->addrlen)) {
    guard.refusedAddress = AddressText(&address->addr, address->addrlen);
    return CURL_SOCKET_BAD;
  }
  return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

}  // namespace

struct RemoteFetcher::Transfer {
  RemoteFetcher* fetcher = nullptr;
  EasyHandle easy;
  FetchedFile file;
  char error[CURL_ERROR_SIZE] = {};
  AddressGuard addresses;
  bool overFileLimit = false;
  bool overTotalLimit = false;
  bool outOfMemory = false;
  bool finished = false;  // Finish has judged it
};

RemoteFetcher::RemoteFetcher(FetchLimits limits) : m_limits(limits) {}

std::size_t RemoteFetcher::ReceiveBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto& transfer = *static_cast<Transfer*>(user);
  RemoteFetcher& fetcher = *transfer.fetcher;
  const std::size_t length = size * count;
  if (transfer.file.body.size() + length > fetcher.m_limits.maxFileBytes) {
    transfer.overFileLimit = true;
    return 0;  // ends the transfer
  }
  if (fetcher.m_totalBytes + length > fetcher.m_limits.maxTotalBytes) {
    transfer.overTotalLimit = true;
    return 0;
  }
  try {
    transfer.file.body.append(data, length);
  } catch (const std::bad_alloc&) {
    // Nothing may leave a libcurl callback: the file is left out instead.
    transfer.outOfMemory = true;
    return 0;
  }
  fetcher.m_totalBytes += length;
  if (fetcher.m_bytesFetched != nullptr && *fetcher.m_bytesFetched) (*fetcher.m_bytesFetched)(fetcher.m_totalBytes);
  return length;
}

std::vector<FetchedFile> RemoteFetcher::FetchAll(const std::vector<std::string>& urls, const BytesFetched& bytesFetched,
                                                 const CancellationFlag* cancellation) {
  std::map<std::string, std::size_t> byUrl;  // each distinct URL's transfer
  std::vector<std::unique_ptr<Transfer>> transfers;
  for (const std::string& url : urls) {
    if (!byUrl.emplace(url, transfers.size()).second) continue;
    transfers.push_back(std::make_unique<Transfer>());
    transfers.back()->fetcher = this;
    transfers.back()->file.url = url;
    transfers.back()->addresses.allowPrivate = m_limits.allowPrivateAddresses;
  }

  std::unique_ptr<CURLM, MultiDeleter> multi(CurlReady() ? curl_multi_init() : nullptr);
  m_bytesFetched = &bytesFetched;
  std::size_t next = 0;
  std::size_t active = 0;
  const auto startMore = [&] {
    for (; active < kMaxTransfers && next < transfers.size(); ++next) {
      Transfer& transfer = *transfers[next];
      if (multi == nullptr || !SetUp(transfer) || curl_multi_add_handle(multi.get(), transfer.easy.get()) != CURLM_OK) {
        transfer.file.failure = "the transfer could not be set up";
        continue;
      }
      ++active;
    }
  };
  const auto cancelled = [cancellation] { return cancellation != nullptr && cancellation->IsCancelled(); };
  startMore();
  while (active > 0 && !cancelled()) {
    int running = 0;
    curl_multi_perform(multi.get(), &running);
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi.get(), &queued)) {
      if (message->msg != CURLMSG_DONE) continue;
      Transfer* transfer = nullptr;
      curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &transfer);
      Finish(*transfer, message->data.result);
      transfer->finished = true;
      curl_multi_remove_handle(multi.get(), message->easy_handle);
      transfer->easy.reset();
      --active;
    }
    startMore();
    if (active > 0) curl_multi_poll(multi.get(), nullptr, 0, 100, nullptr);
  }
  m_bytesFetched = nullptr;
  for (const auto& transfer : transfers) {
    if (transfer->easy == nullptr) continue;  // finished, or never started
    curl_multi_remove_handle(multi.get(), transfer->easy.get());
    transfer->easy.reset();
  }
  for (const auto& transfer : transfers) {
    if (!transfer->finished && transfer->file.failure.empty()) {
      transfer->file.failure = "cancelled";
      transfer->file.body.clear();
    }
  }

  std::vector<FetchedFile> results;
  results.reserve(urls.size());
  for (const std::string& url : urls) results.push_back(transfers[byUrl.at(url)]->file);
  return results;
}

bool RemoteFetcher::SetUp(Transfer& transfer) {
  transfer.easy.reset(curl_easy_init());
  CURL* easy = transfer.easy.get();
  if (easy == nullptr) return false;
  // The certificates OpenSSL's own programs would trust instead of the
  // system's, as they are told: libcurl is built with the system's bundle,
  // which would otherwise win.
  if (const char* bundle = std::getenv("SSL_CERT_FILE"); bundle != nullptr && *bundle != '\0') {
    if (curl_easy_setopt(easy, CURLOPT_CAINFO, bundle) != CURLE_OK) return false;
  }
  const auto set = [&](CURLoption option, auto value) { return curl_easy_setopt(easy, option, value) == CURLE_OK; };
  return set(CURLOPT_URL, transfer.file.url.c_str()) && set(CURLOPT_PRIVATE, &transfer) &&
         set(CURLOPT_PROTOCOLS_STR, "http,https") && set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https") &&
         set(CURLOPT_FOLLOWLOCATION, 1L) && set(CURLOPT_MAXREDIRS, static_cast<long>(m_limits.maxRedirects)) &&
         set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(m_limits.connectTimeoutMs)) &&
         set(CURLOPT_TIMEOUT_MS, static_cast<long>(m_limits.transferTimeoutMs)) &&
         set(CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(m_limits.maxFileBytes)) &&
         set(CURLOPT_ACCEPT_ENCODING, "") &&  // every compression libcurl can decode
         set(CURLOPT_SSL_VERIFYPEER, 1L) && set(CURLOPT_SSL_VERIFYHOST, 2L) && set(CURLOPT_NOSIGNAL, 1L) &&
         set(CURLOPT_FAILONERROR, 1L) && set(CURLOPT_USERAGENT, SCRIVANE_CLI_PROGRAM "/" SCRIVANE_VERSION) &&
         set(CURLOPT_ERRORBUFFER, transfer.error) && set(CURLOPT_WRITEFUNCTION, &RemoteFetcher::ReceiveBody) &&
         set(CURLOPT_WRITEDATA, &transfer) && set(CURLOPT_OPENSOCKETDATA, &transfer.addresses) &&
         set(CURLOPT_OPENSOCKETFUNCTION, &OpenCheckedSocket);
}

void RemoteFetcher::Finish(Transfer& transfer, int code) const {
  CURL* easy = transfer.easy.get();
  long status = 0;
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
  FetchedFile& file = transfer.file;
  const auto fail = [&](std::string why) {
    file.failure = std::move(why);
    file.body.clear();
    file.body.shrink_to_fit();
  };
  if (!transfer.addresses.refusedAddress.empty()) {
    fail("refused to connect to " + transfer.addresses.refusedAddress + ", a private address");
  } else if (transfer.overFileLimit || code == CURLE_FILESIZE_EXCEEDED) {
    fail("larger than the limit of " + Megabytes(m_limits.maxFileBytes) + " per file");
  } else if (transfer.outOfMemory) {
    fail("too big to hold in memory");
  } else if (transfer.overTotalLimit) {
    fail("over the limit of " + Megabytes(m_limits.maxTotalBytes) + " for all files");
  } else if (code == CURLE_OPERATION_TIMEDOUT) {
    fail("timed out");
  } else if (code == CURLE_UNSUPPORTED_PROTOCOL) {
    fail("redirected to neither http nor https");
  } else if (code == CURLE_TOO_MANY_REDIRECTS) {
    fail("more than " + std::to_string(m_limits.maxRedirects) + " redirects");
  } else if (code == CURLE_HTTP_RETURNED_ERROR || (code == CURLE_OK && (status < 200 || status >= 300))) {
    fail("the server answered " + std::to_string(status));
  } else if (code != CURLE_OK) {
    fail(transfer.error[0] != '\0' ? transfer.error : curl_easy_strerror(static_cast<CURLcode>(code)));
  } else {
    char* type = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type != nullptr) file.contentType = type;
  }
}
