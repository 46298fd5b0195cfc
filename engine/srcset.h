#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The image candidates of a srcset attribute by the HTML standard's "parse a
// srcset attribute" (the attribute's value, after the markup's character
// references are decoded), and the value with their URLs replaced and every
// descriptor and separator kept as written.

struct SrcsetCandidate {
  std::string url;                       // owned; as written, trailing commas removed
  std::vector<std::string> descriptors;  // owned; as written, e.g. "2x", "100w", "calc(1 + 2)x"
  std::size_t urlBegin = 0;              // the URL's bytes in the value
  std::size_t urlEnd = 0;
};

// The candidates a browser keeps, in the order of the value. A candidate
// whose descriptors the standard rejects ("2y", "0w", "1x 2x", "-1x", a lone
// "h") is dropped, as the browser drops it.
std::vector<SrcsetCandidate> ParseSrcset(std::string_view value);

// The URL to write instead of a candidate's, or nothing to keep it as written.
using SrcsetReplacement = std::function<std::optional<std::string>(std::string_view url)>;

// `value` with each candidate URL that `replace` answers for replaced by its
// answer. ASCII whitespace in an answer, and a comma at its start or end,
// are percent-encoded, or they would split the answer or be taken as a
// separator; an empty answer cannot be written and keeps the URL as written.
// Called once per candidate, in order.
std::string RewriteSrcset(std::string_view value, const SrcsetReplacement& replace);
