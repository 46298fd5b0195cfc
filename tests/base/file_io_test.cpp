#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>

#include "base/byte_buffer.h"
#include "base/cancellation_flag.h"
#include "base/convert_error.h"
#include "base/file_io.h"
#include "base/file_reader.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// The reason of the ConvertError that `action` throws; nothing when it
// throws nothing.
template <typename Action>
std::optional<ConvertReason> ReasonOf(Action action) {
  try {
    action();
  } catch (const ConvertError& error) {
    return error.Reason();
  }
  return std::nullopt;
}

std::size_t EntriesIn(const fs::path& folder) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// Lowers the file size limit, so that writes come up short as on a full
// disk, and puts the old limit back afterwards.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &m_saved);
    m_savedHandler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = m_saved;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &m_saved);
    ::signal(SIGXFSZ, m_savedHandler);
  }

 private:
  rlimit m_saved{};
  sighandler_t m_savedHandler;
};

TEST(ReadWholeFileTest, ReadsEveryByteUntranslated) {
  TempFolder folder;
  const std::string bytes("a\r\nb\0c\xFF\n", 8);
  PutFile(folder / "f.bin", bytes);
  EXPECT_EQ(ReadWholeFile(folder / "f.bin"), bytes);
}

TEST(ReadWholeFileTest, ReadsAFileBiggerThanOneRead) {
  TempFolder folder;
  std::string bytes(3 * 1024 * 1024 + 7, 'x');
  bytes[bytes.size() - 1] = 'y';
  PutFile(folder / "big", bytes);
  EXPECT_EQ(ReadWholeFile(folder / "big"), bytes);
}

// A cancelled conversion stops a reading, through a reader beneath a folder
// too; until then the flag changes nothing.
TEST(ReadWholeFileTest, CancellationStopsTheReading) {
  TempFolder folder;
  PutFile(folder / "f.bin", "bytes");
  CancellationFlag cancellation;
  FileReader beneath(folder.Path().string());
  beneath.SetCancellation(&cancellation);
  ByteBuffer content;
  ReadWholeFile(folder / "f.bin", content, EmptyFile::kRefused, &cancellation);
  EXPECT_EQ(content.View(), "bytes");
  EXPECT_EQ(beneath.ReadWholeFile(folder / "f.bin"), "bytes");
  cancellation.Cancel();
  EXPECT_EQ(ReasonOf([&] { ReadWholeFile(folder / "f.bin", content, EmptyFile::kRefused, &cancellation); }),
            ConvertReason::kCancelled);
  EXPECT_EQ(ReasonOf([&] { beneath.ReadWholeFile(folder / "f.bin"); }), ConvertReason::kCancelled);
}

TEST(ReadWholeFileTest, FollowsASymbolicLink) {
  TempFolder folder;
  PutFile(folder / "real.gif", "GIF89a");
  fs::create_symlink(folder / "real.gif", folder / "link.gif");
  EXPECT_EQ(ReadWholeFile(folder / "link.gif"), "GIF89a");
}

TEST(ReadWholeFileTest, IntoABufferReplacesItsBytesAndReusesItsMemory) {
  TempFolder folder;
  PutFile(folder / "long", std::string(5000, 'l'));
  PutFile(folder / "short", "short");
  ByteBuffer content;
  ReadWholeFile(folder / "long", content);
  EXPECT_EQ(content.View(), std::string(5000, 'l'));
  const char* memory = content.Data();
  ReadWholeFile(folder / "short", content);
  EXPECT_EQ(content.View(), "short");
  EXPECT_EQ(content.Data(), memory) << "a smaller file fits the memory already there";
  EXPECT_EQ(ReasonOf([&] { ReadWholeFile(folder / "missing", content); }), ConvertReason::kInputOpen);
}

// None of these may block, read forever or crash: each is refused as an
// input that cannot be opened.
TEST(ReadWholeFileTest, RefusesWhatIsNotAReadableRegularFile) {
  TempFolder folder;
  PutFile(folder / "empty", "");
  fs::create_directory(folder / "dir");
  ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
  fs::create_symlink(folder / "missing", folder / "dangling");
  fs::create_symlink(folder / "loop2", folder / "loop1");
  fs::create_symlink(folder / "loop1", folder / "loop2");
  for (const std::string& path :
       {std::string(), folder / "missing", folder / "empty", folder / "dir", folder / "fifo", folder / "dangling",
        folder / "loop1", std::string("/dev/zero"), std::string("/dev/null")}) {
    EXPECT_EQ(ReasonOf([&] { ReadWholeFile(path); }), ConvertReason::kInputOpen) << "path: " << path;
  }
}

TEST(ReadWholeFileTest, EmptyFileIsReadOnlyWhenAccepted) {
  TempFolder folder;
  PutFile(folder / "empty.css", "");
  EXPECT_EQ(ReadWholeFile(folder / "empty.css", EmptyFile::kAccepted), "");
  const FileReader beneath(folder.Path().string());
  EXPECT_EQ(beneath.ReadWholeFile(folder / "empty.css", EmptyFile::kAccepted), "");
  EXPECT_EQ(ReasonOf([&] { beneath.ReadWholeFile(folder / "empty.css"); }), ConvertReason::kInputOpen);
  for (const std::string& path : {folder / "missing.css", std::string("/dev/null"), folder.Path().string()}) {
    EXPECT_EQ(ReasonOf([&] { ReadWholeFile(path, EmptyFile::kAccepted); }), ConvertReason::kInputOpen) << path;
  }
}

TEST(ReadWholeFileTest, ShortReadIsCode4) {
  // sysfs reports a page-sized file but delivers only its few bytes of text.
  const std::string path = "/sys/devices/system/cpu/online";
  std::error_code error;
  if (fs::file_size(path, error) != 4096) {
    GTEST_SKIP() << "no sysfs file that reads shorter than its size";
  }
  EXPECT_EQ(ReasonOf([&] { ReadWholeFile(path); }), ConvertReason::kInputRead);
}

TEST(WriteWholeFileTest, WritesTheBytesUnchanged) {
  TempFolder folder;
  const std::string text = "one\ntwo\r\n\rthree";
  EXPECT_TRUE(WriteWholeFile(folder / "out.mht", text));
  EXPECT_EQ(FileBytes(folder / "out.mht"), text);
}

TEST(WriteWholeFileTest, ReplacesAnExistingFileCompletely) {
  TempFolder folder;
  const std::string path = folder / "out.mht";
  PutFile(path, std::string(1000, 'o'));
  ::chmod(path.c_str(), 0640);
  ASSERT_TRUE(WriteWholeFile(path, "new"));
  EXPECT_EQ(FileBytes(path), "new");
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read)
      << "the file keeps its permissions";
  EXPECT_EQ(EntriesIn(folder.Path()), 1u) << "no temporary file is left behind";
}

TEST(WriteWholeFileTest, WritesThroughASymbolicLink) {
  TempFolder folder;
  PutFile(folder / "real.mht", "old");
  fs::create_symlink(folder / "real.mht", folder / "link.mht");
  ASSERT_TRUE(WriteWholeFile(folder / "link.mht", "a\r\n"));
  EXPECT_TRUE(fs::is_symlink(folder / "link.mht"));
  EXPECT_EQ(FileBytes(folder / "real.mht"), "a\r\n");
}

TEST(WriteWholeFileTest, CannotCreateIsCode2) {
  TempFolder folder;
  fs::create_directory(folder / "dir.mht");
  PutFile(folder / "dir.mht/inside", "kept");
  EXPECT_EQ(ReasonOf([&] { WriteWholeFile("", "x"); }), ConvertReason::kOutputCreate);
  EXPECT_EQ(ReasonOf([&] { WriteWholeFile(folder / "missing/out.mht", "x"); }), ConvertReason::kOutputCreate);
  EXPECT_FALSE(fs::exists(folder / "missing"));
  EXPECT_EQ(ReasonOf([&] { WriteWholeFile(folder / "dir.mht", "x"); }), ConvertReason::kOutputCreate);
  EXPECT_EQ(FileBytes(folder / "dir.mht/inside"), "kept") << "the folder is left as it was";
  EXPECT_EQ(EntriesIn(folder.Path()), 1u);
}

TEST(WriteWholeFileTest, ShortWriteIsCode5AndKeepsTheEarlierFile) {
  TempFolder folder;
  const std::string path = folder / "out.mht";
  PutFile(path, "earlier archive");
  {
    FileSizeLimit limit(4096);
    EXPECT_EQ(ReasonOf([&] { WriteWholeFile(path, std::string(100000, 'x')); }), ConvertReason::kOutputWrite);
  }
  EXPECT_EQ(FileBytes(path), "earlier archive");
  EXPECT_EQ(EntriesIn(folder.Path()), 1u) << "the temporary file is removed";
}

TEST(AppendToFileTest, KeepsWhatWasThereAndCreatesWhatIsMissing) {
  TempFolder folder;
  const std::string path = folder / "log.txt";
  EXPECT_TRUE(AppendToFile(path, "first\r\n"));
  EXPECT_TRUE(AppendToFile(path, "second\nthird"));
  EXPECT_EQ(FileBytes(path), "first\r\nsecond\nthird") << "the bytes unchanged";
}

TEST(AppendToFileTest, ReportsWhatCannotBeOpened) {
  TempFolder folder;
  fs::create_directory(folder / "dir");
  ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
  EXPECT_FALSE(AppendToFile(folder / "missing/log.txt", "x\n"));
  EXPECT_FALSE(AppendToFile(folder / "dir", "x\n"));
  EXPECT_FALSE(AppendToFile(folder / "fifo", "x\n")) << "a FIFO without a reader must not block";
  EXPECT_EQ(ReasonOf([&] { AppendToFile("", "x"); }), ConvertReason::kOutputCreate);
}

TEST(AppendToFileTest, ShortWriteIsCode5) {
  TempFolder folder;
  const std::string path = folder / "log.txt";
  FileSizeLimit limit(4096);
  EXPECT_EQ(ReasonOf([&] { AppendToFile(path, std::string(100000, 'x')); }), ConvertReason::kOutputWrite);
}

}  // namespace
