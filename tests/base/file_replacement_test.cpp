#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "base/convert_error.h"
#include "base/file_replacement.h"
#include "base/file_replacement_stream.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

std::optional<ConvertReason> CommitReason(FileReplacement& file) {
  try {
    file.Commit();
  } catch (const ConvertError& error) {
    return error.Reason();
  }
  return std::nullopt;
}

void LimitFileSize(rlim_t bytes) {
  const struct rlimit limit { bytes, bytes };
  ::setrlimit(RLIMIT_FSIZE, &limit);
}

std::size_t EntriesIn(const fs::path& folder) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(FileReplacementTest, TheTargetChangesOnlyAtCommit) {
  TempFolder folder;
  const std::string path = folder / "out.mht";
  PutFile(path, "earlier archive");
  FileReplacement file(path);
  ASSERT_TRUE(file.Write("first\r\nsec"));
  ASSERT_TRUE(file.Write("ond\r\n\r\nthird"));
  EXPECT_EQ(FileBytes(path), "earlier archive") << "written pieces wait in the temporary file";
  file.Commit();
  EXPECT_EQ(FileBytes(path), "first\r\nsecond\r\n\r\nthird");
  EXPECT_EQ(EntriesIn(folder.Path()), 1u);
}

TEST(FileReplacementTest, AnUncommittedReplacementLeavesNoTrace) {
  TempFolder folder;
  const std::string path = folder / "out.mht";
  PutFile(path, "earlier archive");
  {
    FileReplacement file(path);
    ASSERT_TRUE(file.Write(std::string(200000, 'x')));
    EXPECT_EQ(EntriesIn(folder.Path()), 2u);
  }
  EXPECT_EQ(FileBytes(path), "earlier archive");
  EXPECT_EQ(EntriesIn(folder.Path()), 1u);
}

// Each signal ends the process in the middle of a replacement: the
// temporary file goes, the earlier archive stays, the status is 128 + signal.
TEST(FileReplacementDeathTest, AnInterruptingSignalRemovesTheTemporaryFile) {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2}) {
    TempFolder folder;
    const std::string path = folder / "out.mht";
    PutFile(path, "earlier archive");
    EXPECT_EXIT(
        {
          FileReplacement file(path);
          if (file.Write("half an archive") && EntriesIn(folder.Path()) == 2) ::raise(signal);
        },
        ::testing::ExitedWithCode(128 + signal), "")
        << signal;
    EXPECT_EQ(FileBytes(path), "earlier archive");
    EXPECT_EQ(EntriesIn(folder.Path()), 1u);
  }
}

// A file-size limit fails the write instead of ending the process with the
// temporary file left behind.
TEST(FileReplacementDeathTest, AFileSizeLimitIsAWriteError) {
  TempFolder folder;
  const std::string path = folder / "out.mht";
  PutFile(path, "earlier archive");
  EXPECT_EXIT(
      {
        LimitFileSize(1 << 20);
        std::optional<ConvertReason> reason;
        {
          FileReplacement file(path);
          file.Write(std::string(3 << 20, 'x'));
          reason = CommitReason(file);
        }
        std::_Exit(reason ? static_cast<int>(*reason) : -1);
      },
      ::testing::ExitedWithCode(static_cast<int>(ConvertReason::kOutputWrite)), "");
  EXPECT_EQ(FileBytes(path), "earlier archive");
  EXPECT_EQ(EntriesIn(folder.Path()), 1u);
}

TEST(FileReplacementDeathTest, EarlierHandlersAreBackOnceNoFileIsPending) {
  TempFolder folder;
  EXPECT_EXIT(
      {
        FileReplacement file(folder / "out.mht");
        file.Write("archive");
        file.Commit();
        ::raise(SIGTERM);
      },
      ::testing::KilledBySignal(SIGTERM), "");
  EXPECT_EQ(FileBytes(folder / "out.mht"), "archive");
}

// The link stays, and the file it leads to is replaced, also when it does
// not exist yet.
TEST(FileReplacementTest, ALinkedTargetIsWrittenThroughTheLink) {
  TempFolder folder;
  fs::create_directory(folder / "real");
  PutFile(folder / "real/old.mht", "earlier archive");
  fs::create_symlink("real/old.mht", folder / "old.mht");
  fs::create_symlink("real/new.mht", folder / "new.mht");
  for (const char* name : {"old.mht", "new.mht"}) {
    FileReplacement file(folder / name);
    file.Write("archive\r\n");
    file.Commit();
    EXPECT_TRUE(fs::is_symlink(folder / name)) << name;
    EXPECT_EQ(FileBytes(folder / (std::string("real/") + name)), "archive\r\n") << name;
  }
}

// A folder whose path leaves no room for the temporary file's name within
// PATH_MAX: the file is made relative to the folder, not by its full path.
TEST(FileReplacementTest, AFolderNearTheLongestPathStillTakesTheArchive) {
  TempFolder folder;
  fs::path deep = folder.Path();
  while (deep.string().size() < PATH_MAX - 300) deep /= std::string(200, 'd');
  deep /= std::string(PATH_MAX - 20 - deep.string().size(), 'e');
  fs::create_directories(deep);
  const std::string path = (deep / "a.mht").string();
  ASSERT_LT(path.size(), static_cast<std::size_t>(PATH_MAX));
  FileReplacement file(path);
  EXPECT_TRUE(file.Write("archive"));
  file.Commit();
  EXPECT_EQ(FileBytes(path), "archive");
}

TEST(FileReplacementTest, CommittingWithoutAWriteLeavesAnEmptyFile) {
  TempFolder folder;
  const std::string path = folder / "out.mht";
  PutFile(path, "earlier archive");
  FileReplacement file(path);
  file.Commit();
  EXPECT_TRUE(fs::exists(path));
  EXPECT_EQ(FileBytes(path), "");
}

TEST(FileReplacementTest, ATargetThatCannotBeCreatedFailsEveryWriteAndCommitsAsCode2) {
  TempFolder folder;
  fs::create_directory(folder / "dir.mht");
  for (const std::string& path : {std::string(), folder / "missing/out.mht", folder / "dir.mht"}) {
    SCOPED_TRACE(path);
    FileReplacement file(path);
    EXPECT_FALSE(file.Write("text"));
    EXPECT_FALSE(file.Write("more"));
    EXPECT_EQ(CommitReason(file), ConvertReason::kOutputCreate);
  }
  EXPECT_FALSE(fs::exists(folder / "missing"));
  EXPECT_EQ(EntriesIn(folder.Path()), 1u);
}

// Small writes gather in the buffer and bigger ones pass it by, around and
// across its edge: the file holds every byte in order, none changed.
TEST(FileReplacementStreamTest, StreamedBytesReachTheFileUnchanged) {
  TempFolder folder;
  const std::string path = folder / "out.mht";
  FileReplacement file(path);
  FileReplacementStream stream(file);
  std::string expected;
  stream << "header\n" << 'c' << '\r';
  expected += "header\nc\r";
  std::size_t step = 0;
  for (const std::size_t size : {std::size_t{1} << 20, std::size_t{3}, (std::size_t{1} << 20) - 5, std::size_t{3} << 20,
                                 std::size_t{700000}, std::size_t{700000}}) {
    const std::string body(size, static_cast<char>("\n\rab"[step++ % 4]));
    stream.write(body.data(), static_cast<std::streamsize>(body.size()));
    expected += body;
  }
  stream << "\r\n--end--\n";
  expected += "\r\n--end--\n";
  EXPECT_TRUE(stream.good());
  file.Commit();
  EXPECT_EQ(FileBytes(path), expected);
}

TEST(FileReplacementStreamTest, AFailedFileMarksTheStreamBad) {
  TempFolder folder;
  FileReplacement file(folder / "missing/out.mht");
  FileReplacementStream stream(file);
  stream << "text\n";
  EXPECT_TRUE(stream.bad());
  EXPECT_EQ(CommitReason(file), ConvertReason::kOutputCreate);
}

}  // namespace
