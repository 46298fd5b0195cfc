#include "cli/batch_options.h"

#include <charconv>
#include <filesystem>

namespace {

bool BatchOnlyOptionGiven(const BatchOptions& batch) {
  return batch.recursive || batch.jobs || batch.reportPath || batch.shard;
}

bool NamesArchive(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return extension == ".mht" || extension == ".mhtml";
}

bool NamesFolder(const std::string& path) {
  std::error_code error;
  return path.ends_with('/') || std::filesystem::is_directory(path, error);
}

}  // namespace

void TakeBatchSwitch(OptionId id, BatchOptions& batch) {
  if (id == OptionId::Recursive) batch.recursive = true;
}

std::string TakeBatchValue(OptionId id, const std::string& name, const std::string& value, BatchOptions& batch) {
  if (id == OptionId::Report) {
    if (value.empty()) return name + " needs a file";
    batch.reportPath = value;
  } else if (id == OptionId::Shard) {
    batch.shard = ParseShard(value);
    if (!batch.shard) return name + " takes K/N, with K from 1 to N";
  } else if (id == OptionId::Jobs) {
    std::size_t jobs = 0;
    const auto [stop, error] = std::from_chars(value.data(), value.data() + value.size(), jobs);
    if (value.empty() || error != std::errc() || stop != value.data() + value.size() || jobs == 0) {
      return name + " takes a number of pages converted at once, at least 1";
    }
    batch.jobs = jobs;
  } else {
    return "unknown option " + name;
  }
  return {};
}

std::string SettleBatch(const std::vector<std::string>& positional, const std::string& outputOption,
                        BatchOptions& batch) {
  // Several pages with an archive's name after -o are one page and its
  // archive named twice, which the single conversion refuses.
  const bool outputIsFolder =
      !outputOption.empty() && (NamesFolder(outputOption) || (positional.size() > 1 && !NamesArchive(outputOption)));
  batch.wanted = BatchOnlyOptionGiven(batch) || outputIsFolder;
  if (!batch.wanted) return {};
  if (positional.empty()) return "expected PAGE... -o FOLDER";
  if (outputOption.empty()) return "converting many pages needs -o FOLDER";
  if (outputOption == "-") return "the archives of many pages cannot go to the standard output";
  batch.pages = positional;
  batch.outputFolder = outputOption;
  return {};
}
