#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "cli/batch_plan.h"
#include "cli/option_table.h"

// What the command line asked of a run over many pages.
struct BatchOptions {
  bool wanted = false;             // the command line is a batch: the fields below apply
  std::vector<std::string> pages;  // pages, and with `recursive` folders
  std::string outputFolder;
  bool recursive = false;
  std::optional<std::size_t> jobs;  // nothing: one for each core
  std::optional<std::string> reportPath;
  std::optional<Shard> shard;
};

// -r/--recursive; nothing for any other option.
void TakeBatchSwitch(OptionId id, BatchOptions& batch);
// -j/--jobs, --report and --shard, given as `name`. Empty when the value was
// taken, else why not.
std::string TakeBatchValue(OptionId id, const std::string& name, const std::string& value, BatchOptions& batch);
// Whether the paths make a batch, and then the batch's paths set: when an
// option only a batch has was given, or the archive named by -o is a folder
// (an existing one, or one written with a final slash), or several pages
// come with -o and a name that is not an archive's (.mht, .mhtml). Empty when they do not, or make a usable batch; else
// why not.
std::string SettleBatch(const std::vector<std::string>& positional, const std::string& outputOption,
                        BatchOptions& batch);
