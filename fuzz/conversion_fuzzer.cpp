// A whole conversion of the fuzzed bytes as a page beside the sample site
// (complete for inputs of odd length),
// whose folder also holds the awkward resources a page may name: a FIFO, a
// folder, a dangling link and a link loop. The conversion either succeeds or
// throws code 1 or 3; it never crashes, hangs or throws anything else.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "archive/mime_archive.h"
#include "base/convert_error.h"
#include "engine/converter.h"
#include "fuzz/fuzz_check.h"

namespace {

namespace fs = std::filesystem;

fs::path MakeWorkFolder() {
  std::string pattern = (fs::temp_directory_path() / "scrivane-fuzz-XXXXXX").string();
  Require(::mkdtemp(pattern.data()) != nullptr, "a temporary folder can be made");
  const fs::path folder = pattern;
  fs::copy(fs::path(SCRIVANE_SOURCE_DIR) / "examples" / "site", folder, fs::copy_options::recursive);
  const fs::path images = folder / "images";
  Require(::mkfifo((images / "pipe.gif").c_str(), 0600) == 0, "a FIFO can be made");
  fs::create_directory(images / "folder.gif");
  fs::create_symlink("missing.gif", images / "dangling.gif");
  fs::create_symlink("loop.gif", images / "loop.gif");
  return folder;
}

const fs::path& WorkFolder() {
  static const fs::path folder = MakeWorkFolder();
  return folder;
}

void RemoveWorkFolder() {
  std::error_code ignored;
  fs::remove_all(WorkFolder(), ignored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  WorkFolder();
  std::atexit(RemoveWorkFolder);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string page = (WorkFolder() / "page.html").string();
  {
    std::ofstream file(page, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  CConverter converter;
  converter.SetLog(CConvertLog{"/dev/null", LogLevel::INFO, 0, 0});
  converter.SetAllowedRoot(WorkFolder().string());
  // Half the inputs also take what stylesheets, media and frames need.
  converter.SetCompleteArchive(size % 2 == 1);
  CMimeArchive archive(0);
  std::ostringstream out;
  try {
    converter.Convert(page, archive, out);
    Require(out.str().ends_with("\r\n------=KORVATH_SCRIVANEBUILDER_0--\r\n"), "the archive is complete");
  } catch (const ConvertError& error) {
    Require(error.Reason() == ConvertReason::kInputOpen || error.Reason() == ConvertReason::kMalformedInput,
            "only codes 1 and 3 leave Convert");
    Require(size == 0 || error.Reason() != ConvertReason::kInputOpen, "a page with bytes loads");
  }
  return 0;
}
