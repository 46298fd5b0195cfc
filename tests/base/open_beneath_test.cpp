#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "base/convert_error.h"
#include "base/file_descriptor.h"
#include "base/file_io.h"
#include "base/file_reader.h"
#include "base/open_beneath.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// outside.txt
// root/a.txt, root/sub/b.txt
// root/sub/up -> ../a.txt          stays inside
// root/sub/climb -> ../../outside.txt
// root/absolute -> <folder>/outside.txt
// root/loop -> loop, root/dir -> sub
class OpenBeneathTest : public ::testing::TestWithParam<bool> {
 protected:
  OpenBeneathTest() {
    PutFile(folder / "outside.txt", "OUT");
    fs::create_directories(Root() / "sub");
    PutFile(Root() / "a.txt", "A");
    PutFile(Root() / "sub/b.txt", "B");
    fs::create_symlink("../a.txt", Root() / "sub/up");
    fs::create_symlink("../../outside.txt", Root() / "sub/climb");
    fs::create_symlink(folder / "outside.txt", Root() / "absolute");
    fs::create_symlink("loop", Root() / "loop");
    fs::create_directory_symlink("sub", Root() / "dir");
    rootFd = FileDescriptor(::open(Root().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  }

  fs::path Root() const { return folder.Path() / "root"; }

  // The file's content, or "errno N" when it cannot be opened.
  std::string Open(const std::string& path) const {
    const FileDescriptor fd(GetParam() ? OpenBeneathByWalking(rootFd.Get(), path, O_RDONLY)
                                       : OpenBeneath(rootFd.Get(), path, O_RDONLY));
    if (!fd.IsOpen()) return "errno " + std::to_string(errno);
    char buffer[16];
    const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
    return got < 0 ? "a folder" : std::string(buffer, static_cast<std::size_t>(got));
  }

  TempFolder folder;
  FileDescriptor rootFd{-1};
};

TEST_P(OpenBeneathTest, FollowsWhatStaysInside) {
  EXPECT_EQ(Open("a.txt"), "A");
  EXPECT_EQ(Open("sub/b.txt"), "B");
  EXPECT_EQ(Open("sub/../a.txt"), "A");
  EXPECT_EQ(Open("./sub//b.txt"), "B");
  EXPECT_EQ(Open("sub/up"), "A");
  EXPECT_EQ(Open("dir/up"), "A");
  EXPECT_EQ(Open("dir/../dir/b.txt"), "B");
  EXPECT_EQ(Open("sub/"), "a folder");
}

TEST_P(OpenBeneathTest, RefusesEveryWayOut) {
  const std::string escape = "errno " + std::to_string(EXDEV);
  for (const std::string& path :
       std::vector<std::string>{"../outside.txt", "sub/../../outside.txt", "sub/climb", "dir/climb", "absolute",
                                (folder.Path() / "outside.txt").string()}) {
    EXPECT_EQ(Open(path), escape) << path;
  }
}

TEST_P(OpenBeneathTest, FailsWhereTheKernelWould) {
  EXPECT_EQ(Open("loop"), "errno " + std::to_string(ELOOP));
  EXPECT_EQ(Open("missing"), "errno " + std::to_string(ENOENT));
  EXPECT_EQ(Open(""), "errno " + std::to_string(ENOENT));
  EXPECT_EQ(Open("a.txt/"), "errno " + std::to_string(ENOTDIR));
  EXPECT_EQ(Open("a.txt/b"), "errno " + std::to_string(ENOTDIR));
}

INSTANTIATE_TEST_SUITE_P(Ways, OpenBeneathTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Walking" : "Kernel"; });

TEST(FileReaderTest, BeneathAFolderReadsOnlyWhatItsPathAndTheKernelKeepInside) {
  TempFolder folder;
  fs::create_directories(folder.Path() / "site");
  fs::create_directories(folder.Path() / "site2");
  PutFile(folder / "site/a.gif", "GIF");
  PutFile(folder / "site2/b.gif", "OTHER");
  fs::create_symlink(folder / "site2/b.gif", folder / "site/link.gif");
  ASSERT_EQ(::mkfifo((folder / "site/pipe.gif").c_str(), 0600), 0);

  const FileReader reader(folder / "site");
  EXPECT_EQ(reader.ReadWholeFile(folder / "site/a.gif"), "GIF");
  EXPECT_EQ(FileReader(reader).ReadWholeFile(folder / "site/a.gif"), "GIF") << "copies share the folder";
  for (const std::string& path : {folder / "site2/b.gif", folder / "site/link.gif", folder / "site/pipe.gif",
                                  folder / "site", folder / "site/", std::string("site/a.gif")}) {
    try {
      reader.ReadWholeFile(path);
      ADD_FAILURE() << "read " << path;
    } catch (const ConvertError& error) {
      EXPECT_EQ(error.Reason(), ConvertReason::kInputOpen) << path;
    }
  }
  EXPECT_EQ(FileReader().ReadWholeFile(folder / "site/link.gif"), "OTHER") << "without a folder, any file";
  EXPECT_EQ(FileReader("/").ReadWholeFile(folder / "site/a.gif"), "GIF");
  EXPECT_THROW(FileReader(folder / "missing").ReadWholeFile(folder / "missing/a.gif"), ConvertError);
}

}  // namespace
