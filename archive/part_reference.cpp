#include "archive/part_reference.h"

#include <uriparser/Uri.h>

#include <cstdint>

#include "archive/path_text.h"

namespace {

// What a browser ignores around and inside a URL (WHATWG URL standard):
// leading and trailing C0 controls and spaces, and every tab and newline.
std::string CleanedReference(std::string_view reference) {
  const auto isOuter = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  while (!reference.empty() && isOuter(reference.front())) {
    reference.remove_prefix(1);
  }
  while (!reference.empty() && isOuter(reference.back())) {
    reference.remove_suffix(1);
  }
  std::string cleaned;
  cleaned.reserve(reference.size());
  for (const char c : reference) {
    if (c != '\t' && c != '\n' && c != '\r') {
      cleaned.push_back(c);
    }
  }
  return cleaned;
}

bool IsAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// RFC 3986 section 3.1: scheme = ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ).
// Used when the whole reference is not a valid URI (backslashes, spaces),
// which must not hide a scheme such as "http:" at its start.
std::string_view LeadingScheme(std::string_view reference) {
  const std::size_t colon = reference.find(':');
  if (colon == std::string_view::npos || colon == 0 || !IsAsciiAlpha(reference[0])) {
    return {};
  }
  for (std::size_t i = 1; i < colon; ++i) {
    const char c = reference[i];
    if (!IsAsciiAlpha(c) && !IsAsciiDigit(c) && c != '+' && c != '-' && c != '.') {
      return {};
    }
  }
  return reference.substr(0, colon);
}

std::string SchemeOf(const std::string& reference) {
  UriUriA uri;
  const char* errorPos = nullptr;
  if (uriParseSingleUriExA(&uri, reference.data(), reference.data() + reference.size(), &errorPos) !=
      URI_SUCCESS) {
    return ToLower(LeadingScheme(reference));
  }
  std::string scheme;
  if (uri.scheme.first != nullptr) {
    scheme = ToLower(std::string_view(uri.scheme.first, uri.scheme.afterLast - uri.scheme.first));
  }
  uriFreeUriMembersA(&uri);
  return scheme;
}

bool IsSlash(char c) { return c == '/' || c == '\\'; }

// "//host/share" (or its backslash form) names a file on another machine.
bool IsNetworkPath(std::string_view reference) {
  return reference.size() >= 2 && IsSlash(reference[0]) && IsSlash(reference[1]);
}

}  // namespace

bool IsLocalUrl(const char* reference, std::size_t length) {
  const std::string cleaned = CleanedReference(std::string_view(reference, length));
  if (IsNetworkPath(cleaned)) {
    return false;
  }
  const std::string scheme = SchemeOf(cleaned);
  // A one-letter scheme is a Windows drive letter: C:/site/a.gif.
  return scheme.empty() || scheme.size() == 1 || scheme == "file";
}

std::string FileUrlFromPath(std::string_view path) {
  std::string slashed(path);
  ToForwardSlashes(slashed);
  return (slashed.starts_with('/') ? "file://" : "file:///") + slashed;
}

std::string ContentIdFromLocation(std::string_view location) {
  // FNV-1a, 64 bits.
  std::uint64_t hash = 14695981039346656037ULL;
  for (const char c : location) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ULL;
  }
  constexpr char kHex[] = "0123456789abcdef";
  std::string id(16, '0');
  for (int i = 15; i >= 0; --i, hash >>= 4) {
    id[static_cast<std::size_t>(i)] = kHex[hash & 15];
  }
  return id + "@scrivane";
}
