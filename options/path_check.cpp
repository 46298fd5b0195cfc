#include "options/path_check.h"

#include <strings.h>

#include <filesystem>

#include "options/string_table.h"

std::optional<int> CheckConversionPaths(const std::string& inputPath, const std::string& outputPath) {
  if (inputPath.empty()) return IDS_INPUT_EMPTY;
  if (outputPath.empty()) return IDS_OUTPUT_EMPTY;
  constexpr std::size_t kExtensionLength = 4;
  const std::size_t start = outputPath.size() > kExtensionLength ? outputPath.size() - kExtensionLength : 0;
  if (strcasecmp(outputPath.c_str() + start, ".mht") != 0) return IDS_OUTPUT_EXTENSION;
  return std::nullopt;
}

std::string DefaultArchivePath(const std::string& pagePath) {
  if (pagePath.empty()) return {};
  return std::filesystem::path(pagePath).replace_extension(".mht").string();
}
