#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "archive/mime_archive.h"
#include "archive/ordered_parallel.h"
#include "tests/support/temp_folder.h"

namespace {

TEST(ProduceInOrderTest, ConsumesEveryResultInOrderOnTheCallingThread) {
  for (const std::size_t count : {0u, 1u, 2u, 3u, 1000u}) {
    SCOPED_TRACE(count);
    std::vector<std::size_t> consumed;
    std::set<std::thread::id> producers;
    std::mutex producersMutex;
    const std::thread::id caller = std::this_thread::get_id();
    bool consumedElsewhere = false;
    ProduceInOrder(
        count,
        [&](std::size_t i) {
          {
            const std::lock_guard lock(producersMutex);
            producers.insert(std::this_thread::get_id());
          }
          // Uneven costs, so that results arrive out of order.
          if (i % 7 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
          return i * i;
        },
        [&](std::size_t i, std::size_t square) {
          consumedElsewhere |= std::this_thread::get_id() != caller;
          EXPECT_EQ(square, i * i);
          consumed.push_back(i);
        });
    std::vector<std::size_t> expected(count);
    for (std::size_t i = 0; i < count; ++i) expected[i] = i;
    EXPECT_EQ(consumed, expected);
    EXPECT_FALSE(consumedElsewhere);
    EXPECT_LE(producers.size(), 2u);
  }
}

TEST(ProduceInOrderTest, AThrowingConsumerStopsTheWorkAndPassesTheErrorOn) {
  std::atomic<std::size_t> produced{0};
  EXPECT_THROW(ProduceInOrder(
                   100000,
                   [&](std::size_t i) {
                     ++produced;
                     // Slow enough after the first few that all of them would take minutes.
                     if (i > 20) std::this_thread::sleep_for(std::chrono::milliseconds(1));
                     return i;
                   },
                   [](std::size_t i, std::size_t) {
                     if (i == 10) throw std::runtime_error("stop");
                   }),
               std::runtime_error);
  EXPECT_LT(produced.load(), 1000u) << "the helper stops once the caller gives up";
}

// Many parts, some unreadable, some named twice and some already present,
// in an order that is not the order of their locations: the archive text and
// the results reported are those of AddResourcePart one by one and Write.
TEST(AddResourcePartsAndWriteTest, MatchesAddingThePartsOneByOneThenWriting) {
  TempFolder folder;
  std::vector<std::string> paths;
  for (int i = 0; i < 300; ++i) {
    const std::string name = folder / ("f" + std::to_string(i) + (i % 3 == 0 ? ".css" : ".gif"));
    if (i % 11 != 0) PutFile(name, std::string(static_cast<std::size_t>(100 + i * 37), static_cast<char>('a' + i % 26)));
    paths.push_back(name);
    if (i % 50 == 0) paths.push_back(paths.front());
  }
  const std::string earlier = folder / "a-earlier.gif";
  PutFile(earlier, "GIF89a");

  CMimeArchive oneByOne(47);
  CMimeArchive together(47);
  for (CMimeArchive* archive : {&oneByOne, &together}) {
    archive->SetMainPart("C:/site/index.htm", "<html>a=b</html>");
    archive->AddResourcePart(earlier);
    archive->AddResourcePart(paths[7]);
  }
  std::vector<std::pair<std::string, bool>> expected;
  for (const std::string& path : paths) expected.emplace_back(path, oneByOne.AddResourcePart(path));
  std::ostringstream expectedText;
  oneByOne.Write(expectedText);

  std::vector<std::pair<std::string, bool>> reported;
  std::ostringstream text;
  together.AddResourcePartsAndWrite(
      paths, [&](const std::string& path, bool added) { reported.emplace_back(path, added); }, text);

  EXPECT_EQ(reported, expected);
  EXPECT_EQ(text.str(), expectedText.str());
  std::ostringstream writtenAgain;
  together.Write(writtenAgain);
  EXPECT_EQ(writtenAgain.str(), expectedText.str());
}

}  // namespace
