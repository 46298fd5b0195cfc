#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <sstream>
#include <stdexcept>

#include "archive/mime_archive.h"
#include "converter_test_support.h"

namespace {

using ::testing::ElementsAreArray;
using Files = std::set<ResourceEntry>;

// How often the kernel saw one file opened. Closes are watched too, so that
// two opens are never merged into one event.
class OpenCounter {
 public:
  explicit OpenCounter(const std::string& path) : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (m_fd < 0 || inotify_add_watch(m_fd, path.c_str(), IN_OPEN | IN_CLOSE_NOWRITE) < 0) {
      throw std::runtime_error("cannot watch " + path);
    }
  }
  OpenCounter(const OpenCounter&) = delete;
  OpenCounter& operator=(const OpenCounter&) = delete;
  ~OpenCounter() { close(m_fd); }

  int Opens() {
    alignas(inotify_event) char buffer[4096];
    for (ssize_t length; (length = read(m_fd, buffer, sizeof buffer)) > 0;) {
      for (ssize_t at = 0; at < length;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        if ((event->mask & IN_OPEN) != 0) ++m_opens;
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      }
    }
    return m_opens;
  }

 private:
  int m_fd;
  int m_opens = 0;
};

class RepeatedReferenceTest : public ::testing::Test, public ConverterFixture {
 protected:
  std::string In(const std::string& relative) const { return folder / relative; }
};

TEST_F(RepeatedReferenceTest, AScriptNamedManyWaysIsReadOnceForItsScanAndOnceForItsPart) {
  PutFile(In("menu.js"), "a.src='on.gif'; b.src=\"http://example.com/off.gif\";");
  const std::string page = Page("index.html",
                                "<script src=\"menu.js?1\"></script><script src=\"menu.js?2\"></script>"
                                "<script src=\"menu.js\"></script><script src=\"menu.js\"></script>");
  OpenCounter menu(In("menu.js"));
  CMimeArchive archive(1);
  std::ostringstream out;
  converter.Convert(page, archive, out);

  EXPECT_EQ(menu.Opens(), 2);
  std::vector<std::string> expected = {"[INFO]\t\tProcessing: " + page + "...",
                                       "[INFO]\t\tChecking for preloaded images...",
                                       "[INFO]\t\tNo preloaded images found", "[INFO]\t\tNo images found"};
  for (int reference = 0; reference < 4; ++reference) {
    expected.push_back("[INFO]\t\tChecking for preloaded images...");
    expected.push_back("[INFO]\t\t2 preloaded images found");
  }
  for (const std::string& line : std::initializer_list<std::string>{
           "[INFO]\t\tFound 4 scripts", "[INFO]\t\tFound 1 custom resources", "[INFO]\t\tAdd main body part: " + page,
           "[INFO]\t\tAdd resource body part: " + In("menu.js"), "[INFO]\t\tAdd resource body part: " + In("menu.js"),
           "[INFO]\t\tAdd resource body part: " + In("menu.js"),
           "[WARNING]\tFailed to add resource body part: " + In("on.gif"),
           "[INFO]\t\tFinished - 1 warning(s), 0 error(s).", ""}) {
    expected.push_back(line);
  }
  EXPECT_THAT(LogLines(), ElementsAreArray(expected));
  std::size_t parts = 0;
  for (std::size_t at = 0; (at = out.str().find("\nContent-Location: ", at)) != std::string::npos; ++at) ++parts;
  EXPECT_EQ(parts, 2u);  // the page and the script
}

// The kept scan of a file met again must write the lines and leave the
// registry exactly as scanning it again would: a name it cannot take logs
// again, and an entry changed in between by a reference differing only in
// case takes the scanned path again.
TEST_F(RepeatedReferenceTest, AKeptScanWritesTheSameLinesAndRegistrationsAsANewOne) {
  std::filesystem::create_directory(In("site"));
  PutFile(In("site/s.js"), "x.src='A.gif'; y.src='../outside.gif';");
  converter.SetAllowedRoot(In("site"));
  const std::string page = Page("site/index.html",
                                "<script src=\"s.js?1\"></script><script src=\"a.gif\"></script>"
                                "<script src=\"s.js?2\"></script><script src=\"s.js?2\"></script>");
  ASSERT_TRUE(converter.LoadDocument(page));
  ASSERT_TRUE(converter.DiscoverResources());

  EXPECT_EQ(converter.Resources(), Files({{"a.gif", In("site/A.gif")},
                                          {"a.gif", In("site/a.gif")},
                                          {"s.js?1", In("site/s.js")},
                                          {"s.js?2", In("site/s.js")}}));
  const std::vector<std::string> lines = LogLines();
  std::vector<std::string> expected = {"[INFO]\t\tNo images found"};
  for (int scan = 0; scan < 3; ++scan) {
    expected.push_back("[INFO]\t\tChecking for preloaded images...");
    expected.push_back("[WARNING]\tOutside the allowed folder: " + In("outside.gif"));
    expected.push_back("[INFO]\t\t2 preloaded images found");
  }
  expected.push_back("[INFO]\t\tFound 4 scripts");
  EXPECT_THAT(std::vector<std::string>(lines.begin() + 2, lines.end() - 1), ElementsAreArray(expected));
}

}  // namespace
