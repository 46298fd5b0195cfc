// The reference rules take any bytes, as a path and as a reference. A file
// URL holds only URL characters and gives back its path; a reference never
// yields a path with a zero byte, and a path it yields makes a file URL that
// leads back to the same path.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/reference_rules.h"
#include "fuzz/fuzz_check.h"

namespace {

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

// RFC 3986: unreserved, sub-delims, ":", "@", "/" and whole percent escapes.
bool HoldsOnlyUrlCharacters(std::string_view url) {
  for (std::size_t i = 0; i < url.size(); ++i) {
    const char c = url[i];
    if (c == '%') {
      if (i + 2 >= url.size() || !IsHexDigit(url[i + 1]) || !IsHexDigit(url[i + 2])) return false;
      i += 2;
    } else if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 std::string_view("-._~!$&'()*+,;=:@/").find(c) != std::string_view::npos)) {
      return false;
    }
  }
  return true;
}

void CheckPath(const std::string& text) {
  const std::string path = "/" + text;
  const std::string url = FileUrlFromPath(path);
  Require(url.starts_with("file:///"), "a file URL names this machine");
  Require(HoldsOnlyUrlCharacters(url.substr(5)), "a file URL holds only URL characters");
  Require(IsLocalUrl(url.data(), url.size()), "a file URL is local");
  if (path.find('\0') != std::string::npos) {
    Require(!ReferenceToPath(url).has_value(), "a zero byte names no file");
    return;
  }
  Require(ReferenceToPath(url) == path, "a file URL gives back its path");
}

void CheckReference(const std::string& reference) {
  const bool local = IsLocalUrl(reference.data(), reference.size());
  const std::optional<std::string> path = ReferenceToPath(reference);
  if (!path) return;
  Require(path->find('\0') == std::string::npos, "no path holds a zero byte");
  if (!local || !path->starts_with('/')) return;
  Require(ReferenceToPath(FileUrlFromPath(*path)) == *path, "a path found leads back to itself");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CheckPath(text);
  CheckReference(text);
  return 0;
}
