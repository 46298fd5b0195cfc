#include "cli/batch_plan.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace {

std::optional<std::size_t> ParseCount(std::string_view text) {
  std::size_t value = 0;
  const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || stop != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  return lower;
}

bool InShard(const std::string& relative, std::optional<Shard> shard) {
  return !shard || ShardOfPage(relative, shard->count) == shard->index;
}

// The pages under `folder`, by relative path. Links to folders are not
// followed, so a folder linked into itself cannot make the walk endless; an
// unreadable folder becomes a page with a problem.
void AddFolderPages(const std::string& folder, std::vector<BatchPage>& pages) {
  std::vector<BatchPage> found;
  std::error_code error;
  fs::recursive_directory_iterator walk(folder, error), end;
  for (; !error && walk != end; walk.increment(error)) {
    std::error_code typeError;
    if (!walk->is_regular_file(typeError) || !IsPageName(walk->path().filename().string())) continue;
    found.push_back({walk->path().string(), walk->path().lexically_relative(folder).generic_string(), {}, {}});
  }
  if (error) found.push_back({folder, folder, {}, "cannot read the folder: " + error.message()});
  std::sort(found.begin(), found.end(), [](const BatchPage& a, const BatchPage& b) { return a.relative < b.relative; });
  pages.insert(pages.end(), std::make_move_iterator(found.begin()), std::make_move_iterator(found.end()));
}

}  // namespace

std::optional<Shard> ParseShard(std::string_view text) {
  const std::size_t slash = text.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  const auto index = ParseCount(text.substr(0, slash));
  const auto count = ParseCount(text.substr(slash + 1));
  if (!index || !count || *index < 1 || *index > *count) return std::nullopt;
  return Shard{*index, *count};
}

std::size_t ShardOfPage(std::string_view relative, std::size_t count) {
  std::uint64_t hash = 14695981039346656037ULL;
  for (const char c : relative) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ULL;
  }
  return static_cast<std::size_t>(hash % count) + 1;
}

bool IsPageName(std::string_view name) {
  const std::string extension = Lower(fs::path(name).extension().string());
  return extension == ".html" || extension == ".htm" || extension == ".xhtml";
}

std::string ArchiveNameFor(std::string_view relative) {
  return fs::path(relative).replace_extension(".mht").generic_string();
}

std::vector<BatchPage> PlanBatch(const std::vector<std::string>& given, bool recursive, const std::string& outputFolder,
                                 std::optional<Shard> shard) {
  std::vector<BatchPage> pages;
  for (const std::string& path : given) {
    std::error_code error;
    if (!fs::is_directory(path, error)) {
      pages.push_back({path, fs::path(path).filename().string(), {}, {}});
    } else if (recursive) {
      AddFolderPages(path, pages);
    } else {
      pages.push_back({path, path, {}, "is a folder; -r converts the pages under it"});
    }
  }
  std::erase_if(pages, [&](const BatchPage& page) { return !InShard(page.relative, shard); });
  std::set<std::string> outputs;
  for (BatchPage& page : pages) {
    page.output = (fs::path(outputFolder) / ArchiveNameFor(page.relative)).string();
    if (page.problem.empty() && !outputs.insert(page.output).second) {
      page.problem = "another page is converted to " + page.output;
    }
  }
  return pages;
}
