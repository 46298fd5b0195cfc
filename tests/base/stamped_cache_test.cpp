#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "base/stamped_cache.h"
#include "tests/support/temp_folder.h"

namespace {

using Cache = StampedCache<std::string>;

std::shared_ptr<const std::string> Get(Cache& cache, const FileStamp& stamp, int kind, std::string made) {
  return cache.FindOrMake(stamp, kind, [&] {
    const std::size_t size = made.size();
    return std::make_pair(std::make_shared<const std::string>(std::move(made)), size);
  });
}

TEST(StampedCache, MakesEachFileOnceWithinItsCapacity) {
  Cache cache(10);
  const FileStamp a{1, 2, 3, 4};
  const FileStamp b{1, 2, 3, 5};  // the same file, modified since
  EXPECT_EQ(*Get(cache, a, 0, "first"), "first");
  EXPECT_EQ(*Get(cache, a, 0, "again"), "first");
  EXPECT_EQ(*Get(cache, a, 1, "kind"), "kind");          // another kind is another value
  EXPECT_EQ(*Get(cache, b, 0, "too big!"), "too big!");  // past the capacity: given, not kept
  EXPECT_EQ(*Get(cache, b, 0, "remade"), "remade");
  EXPECT_EQ(cache.Made(), 4u);
  EXPECT_EQ(cache.Hits(), 1u);
  const auto unreadable = []() -> std::pair<std::shared_ptr<const std::string>, std::size_t> {
    throw std::runtime_error("unreadable");
  };
  EXPECT_THROW(cache.FindOrMake(FileStamp{9, 9, 9, 9}, 0, unreadable), std::runtime_error);
  EXPECT_EQ(*Get(cache, FileStamp{9, 9, 9, 9}, 0, "x"), "x");
}

TEST(StampedCache, ThreadsAskingAtOnceMakeOnce) {
  Cache cache(1000);
  std::vector<std::jthread> threads;
  for (int i = 0; i < 8; ++i) threads.emplace_back([&] { Get(cache, FileStamp{1, 1, 1, 1}, 0, "shared"); });
  threads.clear();
  EXPECT_EQ(cache.Made(), 1u);
  EXPECT_EQ(cache.Hits(), 7u);
}

TEST(StampedCache, StampsTellFilesAndTheirStates) {
  TempFolder folder;
  PutFile(folder / "a", "one");
  const std::optional<FileStamp> first = StampOfFile(folder / "a");
  ASSERT_TRUE(first);
  EXPECT_EQ(first->size, 3u);
  PutFile(folder / "a", "four");
  EXPECT_NE(StampOfFile(folder / "a"), first);
  EXPECT_FALSE(StampOfFile(folder / "missing"));
  EXPECT_FALSE(StampOfFile(folder.Path().string()));
}

}  // namespace
