#include "options/path_check.h"

#include <strings.h>

#include <filesystem>
#include <string_view>

#include "options/string_table.h"

namespace {

bool EndsWithCaseless(const std::string& text, std::string_view ending) {
  return text.size() >= ending.size() && strcasecmp(text.c_str() + text.size() - ending.size(), ending.data()) == 0;
}

}  // namespace

std::optional<StringId> CheckConversionPaths(const std::string& inputPath, const std::string& outputPath) {
  if (inputPath.empty()) return StringId::kInputEmpty;
  if (outputPath.empty()) return StringId::kOutputEmpty;
  if (!EndsWithCaseless(outputPath, ".mht") && !EndsWithCaseless(outputPath, ".mhtml")) {
    return StringId::kOutputExtension;
  }
  return std::nullopt;
}

std::string DefaultArchivePath(const std::string& pagePath) {
  if (pagePath.empty()) return {};
  return std::filesystem::path(pagePath).replace_extension(".mht").string();
}
