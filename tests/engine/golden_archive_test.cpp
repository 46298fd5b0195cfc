#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>

#include "archive/mime_archive.h"
#include "engine/converter.h"
#include "options/conversion_run.h"
#include "options/convert_options.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

// Locations are part of the archive, and their length decides where
// quoted-printable lines break, so the site is converted at one fixed path.
constexpr const char* kSiteFolder = "/tmp/scrivane-golden-site";

// Serializes test runs from several build folders that share the fixed path.
class FolderLock {
 public:
  FolderLock() : m_fd(open("/tmp/scrivane-golden-site.lock", O_CREAT | O_RDWR | O_CLOEXEC, 0600)) {
    if (m_fd >= 0) flock(m_fd, LOCK_EX);
  }
  ~FolderLock() {
    if (m_fd >= 0) close(m_fd);
  }

 private:
  int m_fd;
};

std::string ConvertSample(LinkStyle linkStyle) {
  fs::remove_all(kSiteFolder);
  fs::copy(SCRIVANE_SOURCE_DIR "/examples/site", kSiteFolder, fs::copy_options::recursive);
  ConvertOptions& options = ConvertOptions::Instance();
  options.ResetToDefaults();
  // The worked example's choices: the archive of what the page itself names.
  options.linkStyle = linkStyle;
  options.completeArchive = false;
  CConverter converter;
  CMimeArchive archive(47);
  CConvertLog logSettings;
  TempFolder folder;
  const ConversionResult result =
      RunConversion(options, {.inputPath = std::string(kSiteFolder) + "/index.html", .outputPath = folder / "site.mht"},
                    converter, archive, logSettings);
  EXPECT_TRUE(result.Converted()) << result.message;
  options.ResetToDefaults();
  fs::remove_all(kSiteFolder);
  return FileBytes(folder / "site.mht");
}

TEST(GoldenArchive, SampleSiteIsByteForByteTheKnownArchive) {
  const FolderLock lock;
  for (const auto& [style, name] :
       {std::pair{LinkStyle::File, "example-file.mht"}, {LinkStyle::Cid, "example-cid.mht"}}) {
    const std::string golden = std::string(SCRIVANE_SOURCE_DIR "/tests/engine/golden/") + name;
    const std::string archive = ConvertSample(style);
    // After a deliberate format change: SCRIVANE_UPDATE_GOLDEN=1, then review the diff.
    if (getenv("SCRIVANE_UPDATE_GOLDEN")) PutFile(golden, archive);
    EXPECT_EQ(archive, FileBytes(golden)) << name;
  }
}

}  // namespace
