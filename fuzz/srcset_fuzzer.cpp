// Any text goes through the srcset parser and rewriter:
// - candidates lie in order inside the value, each URL is the text of its
//   span, not empty, without whitespace and without a comma at either end;
// - a rewriter that declines every URL gives the value back byte for byte;
// - replacing every URL and parsing again gives the same candidates with the
//   same descriptors, whose URLs are the replacements (percent-encoded where
//   a space or an edge comma would have split them).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/srcset.h"
#include "fuzz/fuzz_check.h"

namespace {

void CheckCandidates(std::string_view value, const std::vector<SrcsetCandidate>& candidates) {
  std::size_t previousEnd = 0;
  for (const SrcsetCandidate& candidate : candidates) {
    Require(
        previousEnd <= candidate.urlBegin && candidate.urlBegin < candidate.urlEnd && candidate.urlEnd <= value.size(),
        "candidates lie in order inside the value");
    previousEnd = candidate.urlEnd;
    Require(value.substr(candidate.urlBegin, candidate.urlEnd - candidate.urlBegin) == candidate.url,
            "a URL is the text of its span");
    Require(candidate.url.find_first_of(" \t\n\f\r") == std::string::npos, "a URL holds no whitespace");
    Require(candidate.url.front() != ',' && candidate.url.back() != ',', "a URL neither begins nor ends with a comma");
  }
}

// Replaces every URL, and checks what parsing the result gives back.
void CheckReplacement(std::string_view value, const std::vector<SrcsetCandidate>& candidates,
                      const std::string& replacement, const std::string& readBack) {
  std::size_t asked = 0;
  const std::string rewritten = RewriteSrcset(value, [&](std::string_view url) -> std::optional<std::string> {
    Require(asked < candidates.size() && url == candidates[asked].url, "the callback is asked for each URL in order");
    ++asked;
    return replacement;
  });
  Require(asked == candidates.size(), "the callback is asked once per candidate");
  const std::vector<SrcsetCandidate> again = ParseSrcset(rewritten);
  CheckCandidates(rewritten, again);
  Require(again.size() == candidates.size(), "rewriting keeps the candidates");
  for (std::size_t i = 0; i < again.size(); ++i) {
    RequireSameText(readBack, again[i].url, "a replacement reads back");
    Require(again[i].descriptors == candidates[i].descriptors, "rewriting keeps the descriptors");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view value(reinterpret_cast<const char*>(data), size);
  const std::vector<SrcsetCandidate> candidates = ParseSrcset(value);
  CheckCandidates(value, candidates);

  const auto decline = [](std::string_view) -> std::optional<std::string> { return std::nullopt; };
  RequireSameText(value, RewriteSrcset(value, decline), "declining every URL keeps the value");

  CheckReplacement(value, candidates, "cid:a,b(1 2)x", "cid:a,b(1%202)x");
  CheckReplacement(value, candidates, ",file:///a b.png,", "%2Cfile:///a%20b.png%2C");
  return 0;
}
