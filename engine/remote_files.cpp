#include "engine/remote_files.h"

#include <uriparser/Uri.h>

#include <memory>
#include <vector>

#include "base/path_text.h"

namespace {

struct UriDeleter {
  void operator()(UriUriA* uri) const {
    uriFreeUriMembersA(uri);
    delete uri;
  }
};
using Uri = std::unique_ptr<UriUriA, UriDeleter>;

Uri ParsedUri(std::string_view text) {
  Uri uri(new UriUriA{});
  const char* errorPos = nullptr;
  if (uriParseSingleUriExA(uri.get(), text.data(), text.data() + text.size(), &errorPos) != URI_SUCCESS) {
    delete uri.release();  // nothing was allocated inside it
    return nullptr;
  }
  return uri;
}

std::string Scheme(const UriUriA& uri) {
  if (uri.scheme.first == nullptr) return {};
  return ToLower(std::string_view(uri.scheme.first, uri.scheme.afterLast - uri.scheme.first));
}

std::string Text(const UriUriA& uri) {
  int length = 0;
  if (uriToStringCharsRequiredA(&uri, &length) != URI_SUCCESS) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  if (uriToStringA(text.data(), &uri, length + 1, nullptr) != URI_SUCCESS) return {};
  text.resize(static_cast<std::size_t>(length));
  return text;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

}  // namespace

bool IsRemoteLocation(std::string_view location) {
  const std::string lower = ToLower(location.substr(0, 8));
  return lower.starts_with("http://") || lower.starts_with("https://");
}

std::optional<std::string> RemoteUrl(std::string_view base, std::string_view reference) {
  const Uri relative = ParsedUri(Trimmed(reference));
  if (relative == nullptr) return std::nullopt;
  // The resolved URL points into the texts of both, so both outlive it.
  const Uri baseUri = relative->scheme.first != nullptr || base.empty() ? nullptr : ParsedUri(base);
  Uri absolute;
  if (relative->scheme.first != nullptr) {
    absolute = ParsedUri(Trimmed(reference));
  } else if (baseUri != nullptr) {
    absolute.reset(new UriUriA{});
    if (uriAddBaseUriA(absolute.get(), relative.get(), baseUri.get()) != URI_SUCCESS) {
      delete absolute.release();  // uriparser freed what it had made
      return std::nullopt;
    }
  }
  if (absolute == nullptr) return std::nullopt;
  const std::string scheme = Scheme(*absolute);
  if ((scheme != "http" && scheme != "https") || absolute->hostText.first == absolute->hostText.afterLast) {
    return std::nullopt;  // another scheme, or no host
  }
  absolute->fragment = {nullptr, nullptr};
  uriNormalizeSyntaxA(absolute.get());
  std::string text = Text(*absolute);
  if (text.empty()) return std::nullopt;
  return text;
}

const FetchedFile* RemoteFiles::Want(const std::string& url) {
  if (const FetchedFile* file = Find(url)) return file;
  m_wanted.insert(url);
  return nullptr;
}

bool RemoteFiles::FetchWanted(const RemoteFetcher::BytesFetched& bytesFetched, const CancellationFlag* cancellation) {
  if (m_wanted.empty()) return false;
  const std::vector<std::string> urls(m_wanted.begin(), m_wanted.end());
  m_wanted.clear();
  for (FetchedFile& file : m_fetcher.FetchAll(urls, bytesFetched, cancellation)) {
    std::string url = file.url;
    m_files.insert_or_assign(std::move(url), std::move(file));
  }
  return true;
}

const FetchedFile* RemoteFiles::Find(const std::string& url) const {
  const auto found = m_files.find(url);
  return found == m_files.end() ? nullptr : &found->second;
}
