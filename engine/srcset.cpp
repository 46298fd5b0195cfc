#include "engine/srcset.h"

// The steps follow the WHATWG HTML standard, section "parse a srcset
// attribute" in the chapter on embedded content (images).

namespace {

bool IsAsciiWhitespace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t SkipDigits(std::string_view text, std::size_t pos) {
  while (pos < text.size() && IsDigit(text[pos])) ++pos;
  return pos;
}

// "Valid non-negative integer" whose value is above zero.
bool IsPositiveInteger(std::string_view text) {
  return !text.empty() && SkipDigits(text, 0) == text.size() && text.find_first_not_of('0') != std::string_view::npos;
}

// "Valid floating-point number" whose value is not below zero.
bool IsNonNegativeFloat(std::string_view text) {
  const bool negative = text.starts_with('-');
  if (negative) text.remove_prefix(1);
  const std::size_t integerEnd = SkipDigits(text, 0);
  std::size_t mantissaEnd = integerEnd;
  if (mantissaEnd < text.size() && text[mantissaEnd] == '.') {
    mantissaEnd = SkipDigits(text, integerEnd + 1);
    if (mantissaEnd == integerEnd + 1) return false;  // "1." has no fraction digits
  }
  if (mantissaEnd == 0) return false;
  std::size_t pos = mantissaEnd;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    ++pos;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) ++pos;
    const std::size_t exponentEnd = SkipDigits(text, pos);
    if (exponentEnd == pos) return false;
    pos = exponentEnd;
  }
  if (pos != text.size()) return false;
  // "-0" and "-0.0" are zero, not below it.
  return !negative || text.substr(0, mantissaEnd).find_first_not_of("0.") == std::string_view::npos;
}

// Step 13: whether the browser keeps a candidate with these descriptors.
bool AreValidDescriptors(const std::vector<std::string>& descriptors) {
  bool width = false;
  bool density = false;
  bool height = false;
  for (const std::string& descriptor : descriptors) {
    const std::string_view number = std::string_view(descriptor).substr(0, descriptor.size() - 1);
    switch (descriptor.back()) {
      case 'w':
        if (width || density || !IsPositiveInteger(number)) return false;
        width = true;
        break;
      case 'x':
        if (width || density || height || !IsNonNegativeFloat(number)) return false;
        density = true;
        break;
      case 'h':
        if (height || density || !IsPositiveInteger(number)) return false;
        height = true;
        break;
      default: return false;
    }
  }
  return !height || width;
}

// Step 8, the descriptor tokenizer, from just after the URL. Leaves `pos`
// after the comma that ends the candidate, or at the end of the value.
std::vector<std::string> TokenizeDescriptors(std::string_view value, std::size_t& pos) {
  enum class State { InDescriptor, InParens, AfterDescriptor };
  std::vector<std::string> descriptors;
  std::string current;
  State state = State::InDescriptor;
  while (pos < value.size() && IsAsciiWhitespace(value[pos])) ++pos;
  for (; pos < value.size(); ++pos) {
    const char c = value[pos];
    switch (state) {
      case State::InDescriptor:
        if (IsAsciiWhitespace(c)) {
          if (!current.empty()) {
            descriptors.push_back(std::move(current));
            current.clear();
            state = State::AfterDescriptor;
          }
        } else if (c == ',') {
          ++pos;
          if (!current.empty()) descriptors.push_back(std::move(current));
          return descriptors;
        } else {
          current.push_back(c);
          if (c == '(') state = State::InParens;
        }
        break;
      case State::InParens:
        current.push_back(c);
        if (c == ')') state = State::InDescriptor;
        break;
      case State::AfterDescriptor:
        if (!IsAsciiWhitespace(c)) {
          state = State::InDescriptor;
          --pos;  // reconsume in the descriptor state
        }
        break;
    }
  }
  if (!current.empty()) descriptors.push_back(std::move(current));
  return descriptors;
}

// An answer written where a URL stood, so that parsing the value again finds
// exactly one URL that a browser resolves to the same place.
std::string SrcsetSafeUrl(std::string_view url) {
  const std::size_t lastKept = url.find_last_not_of(',');
  std::string safe;
  safe.reserve(url.size());
  for (std::size_t i = 0; i < url.size(); ++i) {
    const char c = url[i];
    const bool separatorComma = c == ',' && (i == 0 || lastKept == std::string_view::npos || i > lastKept);
    if (IsAsciiWhitespace(c) || separatorComma) {
      static constexpr char kHexDigits[] = "0123456789ABCDEF";
      safe.push_back('%');
      safe.push_back(kHexDigits[static_cast<unsigned char>(c) >> 4]);
      safe.push_back(kHexDigits[c & 0x0F]);
    } else {
      safe.push_back(c);
    }
  }
  return safe;
}

}  // namespace

std::vector<SrcsetCandidate> ParseSrcset(std::string_view value) {
  std::vector<SrcsetCandidate> candidates;
  std::size_t pos = 0;
  for (;;) {
    // Step 4, the splitting loop: whitespace and commas before a candidate.
    while (pos < value.size() && (IsAsciiWhitespace(value[pos]) || value[pos] == ',')) ++pos;
    if (pos == value.size()) return candidates;
    SrcsetCandidate candidate;
    candidate.urlBegin = pos;
    while (pos < value.size() && !IsAsciiWhitespace(value[pos])) ++pos;
    candidate.urlEnd = pos;
    if (value[pos - 1] == ',') {
      // Step 7: a URL ending in commas ends the candidate there, without descriptors.
      while (value[candidate.urlEnd - 1] == ',') --candidate.urlEnd;
    } else {
      candidate.descriptors = TokenizeDescriptors(value, pos);
    }
    if (AreValidDescriptors(candidate.descriptors)) {
      candidate.url = value.substr(candidate.urlBegin, candidate.urlEnd - candidate.urlBegin);
      candidates.push_back(std::move(candidate));
    }
  }
}

std::string RewriteSrcset(std::string_view value, const SrcsetReplacement& replace) {
  std::string rewritten;
  rewritten.reserve(value.size());
  std::size_t copied = 0;
  for (const SrcsetCandidate& candidate : ParseSrcset(value)) {
    const std::optional<std::string> replacement = replace(candidate.url);
    if (!replacement || replacement->empty()) continue;
    rewritten.append(value.substr(copied, candidate.urlBegin - copied));
    rewritten.append(SrcsetSafeUrl(*replacement));
    copied = candidate.urlEnd;
  }
  rewritten.append(value.substr(copied));
  return rewritten;
}
