#include "engine/reference_path.h"

#include <strings.h>

namespace {

constexpr std::string_view kFileScheme = "file:";

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

// RFC 8089 section 2: "file://host/path" and "file:/path" both name /path.
std::string_view StripFileScheme(std::string_view reference) {
  if (reference.size() < kFileScheme.size() ||
      strncasecmp(reference.data(), kFileScheme.data(), kFileScheme.size()) != 0) {
    return reference;
  }
  reference.remove_prefix(kFileScheme.size());
  if (reference.substr(0, 2) == "//") {
    reference.remove_prefix(2);
    const std::size_t pathStart = reference.find('/');
    reference.remove_prefix(pathStart == std::string_view::npos ? reference.size() : pathStart);
  }
  return reference;
}

}  // namespace

std::optional<std::string> ReferenceToPath(std::string_view reference) {
  std::string_view path = StripFileScheme(reference);
  path = path.substr(0, path.find_first_of("?#"));
  if (path.empty() && !reference.empty()) return std::nullopt;
  return PercentDecode(path);
}
