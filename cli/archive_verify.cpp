#include "cli/archive_verify.h"

#include <map>
#include <set>
#include <vector>

#include "archive/mime_reader.h"
#include "base/version.h"
#include "cli/archive_reading.h"

namespace {

class ArchiveVerifier : public MimePartSink {
 public:
  void PartBegins(const MimePart& part) override {
    m_part = part;
    m_kind = PageKindOf(part.type);
    m_text.clear();
    m_tooLarge = false;
    if (!part.location.empty()) {
      const auto [first, added] = m_locations.emplace(UrlKey(part.location), part.number);
      if (!added) {
        Problem("parts " + std::to_string(first->second) + " and " + std::to_string(part.number) +
                " share the location " + Printable(part.location));
      }
    }
    if (!part.contentId.empty()) m_contentIds.insert(ContentIdKey(part.contentId));
  }

  void PartBytes(std::string_view decoded) override {
    if (!m_kind || m_tooLarge) return;
    if (m_text.size() + decoded.size() > kLargestPageText) {
      m_tooLarge = true;
      m_text = std::string();
      return;
    }
    m_text.append(decoded);
  }

  void PartEnds(std::uint64_t, const std::string& fault) override {
    if (!fault.empty()) Problem(PartName(m_part) + ": " + fault);
    if (m_tooLarge) {
      Problem(PartName(m_part) + ": larger than " + std::to_string(kLargestPageText) +
              " bytes, too large for its references to be checked");
    }
    if (!m_kind || m_tooLarge) return;
    std::set<std::string> named;
    for (const PageUrl& url : FindPageUrls(m_text, *m_kind)) {
      std::string key = RequiredPartKey(url, m_part.location);
      if (!key.empty() && named.insert(key).second) m_required.push_back({PartName(m_part), url.url, std::move(key)});
    }
    m_text = std::string();
  }

  // The problems with what every part needs, now that every part is known.
  void CheckRequired() {
    for (const Requirement& required : m_required) {
      if (m_locations.contains(required.key) || m_contentIds.contains(required.key)) continue;
      Problem(required.part + " embeds " + Printable(required.url) + ", which no part holds");
    }
  }

  void Problem(std::string problem) { m_problems.push_back(std::move(problem)); }
  const std::vector<std::string>& Problems() const { return m_problems; }
  std::size_t PartCount() const { return m_part.number; }

 private:
  struct Requirement {
    std::string part;  // its name in a problem
    std::string url;
    std::string key;
  };

  MimePart m_part;
  std::optional<PageKind> m_kind;
  std::string m_text;  // of a page part, up to kLargestPageText
  bool m_tooLarge = false;
  std::map<std::string, std::size_t> m_locations;  // key to the first part there
  std::set<std::string> m_contentIds;
  std::vector<Requirement> m_required;
  std::vector<std::string> m_problems;
};

}  // namespace

bool VerifyArchive(const std::string& path, std::ostream& out, std::ostream& err) {
  ArchiveVerifier verifier;
  MimeReader reader(verifier);
  std::string error;
  if (!ReadArchiveFile(
          path, reader, [] { return true; }, error)) {
    if (!error.empty()) {
      err << SCRIVANE_CLI_PROGRAM ": " << error << '\n';
      return false;
    }
    verifier.Problem(reader.Error());
  }
  verifier.CheckRequired();
  for (const std::string& problem : verifier.Problems()) out << path << ": " << problem << '\n';
  if (!verifier.Problems().empty()) return false;
  out << path << ": whole, " << verifier.PartCount() << " parts\n";
  return true;
}
