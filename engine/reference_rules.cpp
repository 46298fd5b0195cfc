#include "engine/reference_rules.h"

#include <uriparser/Uri.h>

#include <strings.h>

#include <algorithm>

#include "base/path_text.h"

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
  if (uriParseSingleUriExA(&uri, reference.data(), reference.data() + reference.size(), &errorPos) != URI_SUCCESS) {
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

constexpr std::string_view kFileScheme = "file:";
constexpr std::string_view kAboutBlank = "about:blank";

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// RFC 3986 section 2.1; a "%" not followed by two hex digits stays as it is.
std::string PercentDecode(std::string_view text) {
  std::string decoded;
  decoded.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int high = HexValue(text[i + 1]);
      const int low = HexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        decoded.push_back(static_cast<char>(high * 16 + low));
        i += 2;
        continue;
      }
    }
    decoded.push_back(text[i]);
  }
  return decoded;
}

bool IsFileSlash(char c) { return c == '/' || c == '\\'; }

// Only these name this machine; "localhost" in any case, as hosts compare
// without regard to ASCII case (RFC 3986 section 3.2.2).
bool IsThisMachine(std::string_view host) {
  const std::string decoded = ToLower(PercentDecode(host));
  return decoded.empty() || decoded == "localhost";
}

// RFC 8089 section 2: "file://host/path", "file:/path" and "file:path"; as
// browsers do, a backslash counts as a slash. The path of a file URL that
// names this machine, the reference itself when it is no file URL, nothing
// when the URL names a file on another machine.
std::optional<std::string_view> StripFileScheme(std::string_view reference) {
  if (!StartsWithIgnoringCase(reference, kFileScheme)) {
    return reference;
  }
  reference.remove_prefix(kFileScheme.size());
  if (reference.size() >= 2 && IsFileSlash(reference[0]) && IsFileSlash(reference[1])) {
    reference.remove_prefix(2);
    const std::size_t hostEnd = std::min(reference.find_first_of("/\\"), reference.find_first_of("?#"));
    if (!IsThisMachine(reference.substr(0, hostEnd))) return std::nullopt;
    reference.remove_prefix(hostEnd == std::string_view::npos ? reference.size() : hostEnd);
  }
  return reference;
}

// RFC 3986 section 3.3: a path segment keeps its pchar (unreserved,
// sub-delims, ":" and "@") and "/" separates segments.
bool StaysInFileUrl(unsigned char c) {
  return IsAsciiAlpha(static_cast<char>(c)) || IsAsciiDigit(static_cast<char>(c)) ||
         std::string_view("-._~!$&'()*+,;=:@/").find(static_cast<char>(c)) != std::string_view::npos;
}

}  // namespace

bool IsLocalUrl(const char* reference, std::size_t length) {
  const std::string cleaned = CleanedReference(std::string_view(reference, length));
  if (IsNetworkPath(cleaned)) {
    return false;
  }
  const std::string scheme = SchemeOf(cleaned);
  // A one-letter scheme is a Windows drive letter: C:/site/a.gif.
  if (scheme.empty() || scheme.size() == 1) return true;
  return scheme == "file" && StripFileScheme(cleaned).has_value();
}

std::optional<std::string> AttributeReference(std::string_view value) {
  std::string reference = CleanedReference(value);
  if (StartsWithIgnoringCase(reference, kAboutBlank)) {
    const std::string_view rest = std::string_view(reference).substr(kAboutBlank.size());
    if (rest.empty() || rest.front() == '#' || rest.front() == '?') return std::nullopt;
    reference.erase(0, kAboutBlank.size());
  }
  if (reference.empty() || reference.front() == '#') return std::nullopt;
  return reference;
}

bool IsRelativeReference(std::string_view reference) { return SchemeOf(CleanedReference(reference)).empty(); }

// Bytes outside a path's characters are percent-encoded (RFC 3986 section
// 2.1, upper-case digits), so no file name can end a header line, start a
// query or a fragment, or put into a header a byte it may not hold.
std::string FileUrlFromPath(std::string_view path) {
  constexpr char kHex[] = "0123456789ABCDEF";
  std::string url = path.starts_with('/') ? "file://" : "file:///";
  url.reserve(url.size() + path.size());
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (StaysInFileUrl(byte)) {
      url.push_back(static_cast<char>(byte));
    } else {
      url.push_back('%');
      url.push_back(kHex[byte >> 4]);
      url.push_back(kHex[byte & 15]);
    }
  }
  return url;
}

std::optional<std::string> ReferenceToPath(std::string_view reference) {
  std::optional<std::string_view> path = StripFileScheme(reference);
  if (!path) return std::nullopt;
  *path = path->substr(0, path->find_first_of("?#"));
  if (path->empty() && !reference.empty()) return std::nullopt;
  std::string decoded = PercentDecode(*path);
  if (decoded.find('\0') != std::string::npos) return std::nullopt;
  return decoded;
}

std::string FragmentOf(std::string_view reference) {
  const std::size_t hash = reference.find('#');
  return hash == std::string_view::npos ? std::string() : std::string(reference.substr(hash));
}
