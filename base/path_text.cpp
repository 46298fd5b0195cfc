#include "base/path_text.h"

#include <climits>
#include <filesystem>
#include <system_error>

namespace {

// No file name component can be longer, so neither can a real extension.
constexpr std::size_t kMaxExtensionLength = 255;

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string ToLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    c = LowerAscii(c);
  }
  return lower;
}

std::string NormalizeReference(std::string_view reference) {
  std::string normalized;
  normalized.reserve(reference.size());
  for (const char c : reference) {
    if (c == '\\' && !normalized.empty() && normalized.back() == '\\') {
      continue;
    }
    normalized.push_back(LowerAscii(c));
  }
  return normalized;
}

std::string GetExtension(std::string_view path) {
  const std::size_t nameStart = path.find_last_of("/\\");
  const std::string_view name = nameStart == std::string_view::npos ? path : path.substr(nameStart + 1);
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) {
    return {};
  }
  return std::string(name.substr(dot + 1, kMaxExtensionLength));
}

void ToForwardSlashes(std::string& text) {
  for (char& c : text) {
    if (c == '\\') {
      c = '/';
    }
  }
}

std::optional<std::string> MakeFullPath(std::string_view path, std::string_view folder) {
  if (!folder.starts_with('/')) {
    return std::nullopt;
  }
  const std::filesystem::path base(folder);
  std::string result;
  if (path.empty()) {
    result = base.lexically_normal().string();
  } else {
    std::string slashed(path);
    ToForwardSlashes(slashed);
    result = (base / slashed).lexically_normal().string();
  }
  if (result.size() >= PATH_MAX) {
    return std::nullopt;
  }
  return result;
}

std::optional<std::string> MakeFullPath(std::string_view path) {
  std::error_code error;
  const std::filesystem::path current = std::filesystem::current_path(error);
  if (error) {
    return std::nullopt;
  }
  std::string result = (path.empty() ? current : current / path).lexically_normal().string();
  if (result.size() >= PATH_MAX) {
    return std::nullopt;
  }
  return result;
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path.starts_with('/')) {
    return path;
  }
  std::error_code error;
  const std::filesystem::path current = std::filesystem::current_path(error);
  return error ? path : (current / path).string();
}
