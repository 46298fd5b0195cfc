#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One page of a batch and the archive it becomes.
struct BatchPage {
  std::string input;     // the page as it is opened
  std::string relative;  // what names it: its path under the folder given, or its file name
  std::string output;    // the archive, under the output folder
  std::string problem;   // why it cannot be converted at all; empty when it can
};

// Shard `index` (from 1) of `count`.
struct Shard {
  std::size_t index = 1;
  std::size_t count = 1;
};

// "K/N" with 1 <= K <= N; nothing for anything else.
std::optional<Shard> ParseShard(std::string_view text);
// The shard (from 1) of `count` that the page named `relative` belongs to:
// FNV-1a of its bytes, the same on every machine and in every build, so that
// separate runs agree on which of them takes which page.
std::size_t ShardOfPage(std::string_view relative, std::size_t count);
// .html, .htm and .xhtml, in any case.
bool IsPageName(std::string_view name);
// The page's relative path with its extension replaced by ".mht".
std::string ArchiveNameFor(std::string_view relative);

// The pages of `given` (pages, and with `recursive` folders of pages, taken
// in name order under each folder), each with its archive under
// `outputFolder`; only those of `shard` when there is one. A page whose
// archive another page already takes, or a folder given without
// `recursive`, keeps a problem instead of being dropped, so that it is
// reported.
std::vector<BatchPage> PlanBatch(const std::vector<std::string>& given, bool recursive, const std::string& outputFolder,
                                 std::optional<Shard> shard);
