#include "cli/archive_reading.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "archive/mime_reader.h"
#include "base/file_descriptor.h"
#include "base/path_text.h"

namespace {

constexpr std::size_t kReadSize = std::size_t{256} * 1024;

}  // namespace

bool ReadArchiveFile(const std::string& path, MimeReader& reader, const std::function<bool()>& keepGoing,
                     std::string& error) {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat status {};
  if (!file.IsOpen() || ::fstat(file.Get(), &status) != 0) {
    error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  if (S_ISDIR(status.st_mode)) {
    error = "cannot read " + path + ": it is a folder";
    return false;
  }
  std::vector<char> buffer(kReadSize);
  while (keepGoing()) {
    const ssize_t got = ::read(file.Get(), buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      error = "cannot read " + path + ": " + std::strerror(errno);
      return false;
    }
    if (got == 0) return reader.Finish();
    if (!reader.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(got)))) return false;
  }
  return true;
}

std::optional<PageKind> PageKindOf(std::string_view type) {
  if (type == "text/html" || type == "application/xhtml+xml" || type == "image/svg+xml") return PageKind::kHtml;
  if (type == "text/css") return PageKind::kCss;
  return std::nullopt;
}

std::string Printable(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7F || c == '\\') {
      char escape[4];
      std::snprintf(escape, sizeof escape, "%%%02X", byte);
      out += escape;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::string PartName(const MimePart& part) {
  std::string name = "part " + std::to_string(part.number);
  if (!part.location.empty()) name += " (" + Printable(part.location) + ")";
  return name;
}

std::string UrlKey(std::string_view url) {
  url = url.substr(0, std::min(url.find('#'), url.size()));
  if (ToLower(url.substr(0, 4)) == "cid:") return ContentIdKey(PercentDecoded(url.substr(4)));
  return PercentDecoded(url);
}

std::string ContentIdKey(std::string_view contentId) { return "cid:" + std::string(contentId); }

std::string RequiredPartKey(const PageUrl& url, std::string_view location) {
  if (ToLower(std::string_view(url.url).substr(0, 4)) == "cid:") return UrlKey(url.url);
  if (!url.embedded || ToLower(std::string_view(url.url).substr(0, 5)) != "file:") return {};
  return UrlKey(ResolveUrl(location, url.url));
}
