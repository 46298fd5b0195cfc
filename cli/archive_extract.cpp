#include "cli/archive_extract.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

#include "archive/mime_reader.h"
#include "base/buffered_writer.h"
#include "base/file_descriptor.h"
#include "base/open_beneath.h"
#include "base/path_text.h"
#include "base/version.h"
#include "cli/archive_reading.h"
#include "cli/part_file_names.h"

namespace {

// How many numbered names are tried before a name is given up.
constexpr int kMostNumberedNames = 100;

std::string SystemReason() { return std::strerror(errno); }

// Makes the file `name` new beneath `folderFd`, and the folders on its way
// that are missing. -1 with errno when a component is taken by a file, a
// link or anything else, or cannot be made.
int CreateBeneath(int folderFd, const std::string& name) {
  std::optional<FileDescriptor> entered;
  std::size_t at = 0;
  for (std::size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', at)) {
    const std::string component = name.substr(at, slash - at);
    const int current = entered ? entered->Get() : folderFd;
    if (::mkdirat(current, component.c_str(), 0755) != 0 && errno != EEXIST) return -1;
    FileDescriptor next(::openat(current, component.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!next.IsOpen()) return -1;
    entered.emplace(std::move(next));
    at = slash + 1;
  }
  return ::openat(entered ? entered->Get() : folderFd, name.substr(at).c_str(),
                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
}

bool NameTaken(int error) { return error == EEXIST || error == ELOOP || error == ENOTDIR || error == EISDIR; }

// `to` as a relative URL from the folder of `from`, both names beneath the
// extraction folder: "../" for each folder to climb, then the path, escaped.
std::string RelativeUrl(std::string_view from, std::string_view to) {
  std::size_t common = 0;
  for (std::size_t i = 0; i < from.size() && i < to.size() && from[i] == to[i]; ++i) {
    if (from[i] == '/') common = i + 1;
  }
  std::string url;
  for (std::size_t i = common; i < from.size(); ++i) {
    if (from[i] == '/') url += "../";
  }
  static constexpr std::string_view kKept = "-._~/!$&'()*+,;=@";
  for (const char c : to.substr(common)) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x80 && std::isalnum(byte)) || kKept.find(c) != std::string_view::npos) {
      url.push_back(c);
    } else {
      static constexpr char kHex[] = "0123456789ABCDEF";
      url += {'%', kHex[byte >> 4], kHex[byte & 0xF]};
    }
  }
  return url;
}

struct ExtractedPart {
  std::string name;
  std::string base;  // the URL its relative URLs are resolved against
  std::optional<PageKind> kind;
  std::string charset;  // from the header of an HTML part; empty for any other
  std::uint64_t size = 0;
};

// A page whose charset only the archive's header told, with a declaration of
// it, so that the page reads the same from the folder. It goes after the
// doctype, which must stay first for the page to keep its mode.
std::string WithCharsetDeclared(std::string page, const std::string& charset) {
  constexpr std::size_t kPrescan = 1024;  // as far as a browser looks for one
  if (charset.empty() || ToLower(std::string_view(page).substr(0, kPrescan)).find("charset") != std::string::npos) {
    return page;
  }
  for (const char c : charset) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_' && c != '.' && c != ':') return page;
  }
  std::size_t at = 0;
  if (ToLower(std::string_view(page).substr(0, 9)) == "<!doctype") {
    const std::size_t end = page.find('>');
    if (end != std::string::npos) at = end + 1;
  }
  return page.insert(at, "<meta charset=\"" + charset + "\">");
}

class ArchiveExtractor : public MimePartSink {
 public:
  ArchiveExtractor(int folderFd, std::ostream& out, std::ostream& err) : m_folderFd(folderFd), m_out(out), m_err(err) {}

  void PartBegins(const MimePart& part) override {
    m_part = part;
    if (part.number == 1) {
      const std::size_t slash = part.location.rfind('/');
      if (part.location.find("://") != std::string::npos && slash != std::string::npos) {
        m_mainFolderUrl = part.location.substr(0, slash + 1);
        m_mainUrl = part.location;
      }
    }
    m_name = Create(PartFileName(part, m_mainFolderUrl));
  }

  void PartBytes(std::string_view decoded) override {
    if (m_file && !WriteAll(m_file->Get(), decoded)) Fail("cannot write " + m_name + ": " + SystemReason());
  }

  void PartEnds(std::uint64_t decodedSize, const std::string& fault) override {
    if (!m_file) return;
    const bool closed = m_file->Close();
    m_file.reset();
    if (!closed) {
      Fail("cannot write " + m_name + ": " + SystemReason());
    } else if (!fault.empty()) {
      // What a broken part decoded to is not the part: no file for it.
      ::unlinkat(m_folderFd, m_name.c_str(), 0);
      Broken(PartName(m_part) + ": " + fault + " (not extracted)");
      return;
    }
    if (m_failed) return;
    m_out << Printable(m_name) << '\t' << Printable(m_part.location) << '\n';
    if (!m_part.location.empty()) m_names.emplace(UrlKey(m_part.location), m_name);
    if (!m_part.contentId.empty()) m_names.emplace(ContentIdKey(m_part.contentId), m_name);
    // A part whose location is no URL to resolve against (Chromium's "cid:"
    // style sheets of style elements) was the main page's, and is read as such.
    const bool hierarchical = m_part.location.find("://") != std::string::npos;
    m_extracted.push_back({m_name, hierarchical ? m_part.location : m_mainUrl, PageKindOf(m_part.type),
                           m_part.type == "text/html" ? m_part.charset : std::string(), decodedSize});
  }

  // Points the URLs of every page and stylesheet written at the files.
  void RewriteUrls() {
    for (const ExtractedPart& part : m_extracted) {
      if (m_failed) return;
      if (!part.kind) continue;
      if (part.size > kLargestPageText) {
        m_err << SCRIVANE_CLI_PROGRAM ": " << Printable(part.name)
              << " is too large for its references to be rewritten\n";
        continue;
      }
      Rewrite(part);
    }
  }

  bool Failed() const { return m_failed; }
  bool Whole() const { return !m_failed && !m_broken; }
  void Fail(const std::string& why) {
    if (!m_failed) m_err << SCRIVANE_CLI_PROGRAM ": " << why << '\n';
    m_failed = true;
  }
  void Broken(const std::string& why) {
    m_err << SCRIVANE_CLI_PROGRAM ": " << why << '\n';
    m_broken = true;
  }

 private:
  // The name the part's file was made under: `wanted`, or the first free
  // one after it. Empty when none could be made.
  std::string Create(const std::string& wanted) {
    if (m_failed) return {};
    for (const std::string& base : {wanted, FlatName(wanted), "part-" + std::to_string(m_part.number)}) {
      for (int number = 1; number <= kMostNumberedNames; ++number) {
        std::string name = number == 1 ? base : NumberedName(base, number);
        const int fd = CreateBeneath(m_folderFd, name);
        if (fd >= 0) {
          m_file.emplace(fd);
          return name;
        }
        if (errno == ENAMETOOLONG) break;
        if (!NameTaken(errno)) {
          Fail("cannot make " + Printable(name) + ": " + SystemReason());
          return {};
        }
      }
    }
    Fail("no free name for " + Printable(wanted));
    return {};
  }

  void Rewrite(const ExtractedPart& part) {
    FileDescriptor file(OpenBeneath(m_folderFd, part.name, O_RDONLY | O_NOFOLLOW));
    std::string text(part.size, '\0');
    std::size_t got = 0;
    while (file.IsOpen() && got < text.size()) {
      const ssize_t read = ::read(file.Get(), text.data() + got, text.size() - got);
      if (read < 0 && errno == EINTR) continue;
      if (read <= 0) break;
      got += static_cast<std::size_t>(read);
    }
    if (!file.IsOpen() || got != text.size()) {
      Fail("cannot read back " + Printable(part.name) + ": " + SystemReason());
      return;
    }
    file.Close();
    bool changed = false;
    std::string rewritten = RewritePageUrls(text, *part.kind, [&](const PageUrl& url) -> std::optional<std::string> {
      const std::string key = ToLower(std::string_view(url.url).substr(0, 4)) == "cid:"
                                  ? UrlKey(url.url)
                                  : UrlKey(ResolveUrl(part.base, url.url));
      const auto target = m_names.find(key);
      if (target == m_names.end()) return std::nullopt;
      changed = true;
      const std::size_t fragment = url.url.find('#');
      return RelativeUrl(part.name, target->second) + (fragment == std::string::npos ? "" : url.url.substr(fragment));
    });
    const std::size_t rewrittenSize = rewritten.size();
    rewritten = WithCharsetDeclared(std::move(rewritten), part.charset);
    if (!changed && rewritten.size() == rewrittenSize) return;
    FileDescriptor out(OpenBeneath(m_folderFd, part.name, O_WRONLY | O_TRUNC | O_NOFOLLOW));
    if (!out.IsOpen() || !WriteAll(out.Get(), rewritten) || !out.Close()) {
      Fail("cannot write " + Printable(part.name) + ": " + SystemReason());
    }
  }

  int m_folderFd;
  std::ostream& m_out;
  std::ostream& m_err;
  MimePart m_part;
  std::string m_mainFolderUrl;
  std::string m_mainUrl;
  std::string m_name;                          // of the part being written
  std::optional<FileDescriptor> m_file;        // of the part being written
  std::map<std::string, std::string> m_names;  // location or Content-ID key to file name
  std::vector<ExtractedPart> m_extracted;
  bool m_failed = false;  // a file could not be written: the extraction stops
  bool m_broken = false;  // a part could not be decoded: it is left out
};

}  // namespace

bool ExtractArchive(const std::string& path, const std::string& folder, std::ostream& out, std::ostream& err) {
  if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) {
    err << SCRIVANE_CLI_PROGRAM ": cannot make " << folder << ": " << SystemReason() << '\n';
    return false;
  }
  FileDescriptor folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!folderFd.IsOpen()) {
    err << SCRIVANE_CLI_PROGRAM ": cannot open " << folder << ": " << SystemReason() << '\n';
    return false;
  }
  ArchiveExtractor extractor(folderFd.Get(), out, err);
  MimeReader reader(extractor);
  std::string error;
  if (!ReadArchiveFile(
          path, reader, [&extractor] { return !extractor.Failed(); }, error)) {
    extractor.Broken(path + ": " + (error.empty() ? reader.Error() : error));
  }
  extractor.RewriteUrls();
  return extractor.Whole();
}
