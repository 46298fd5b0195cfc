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

#include "base/ordered_parallel.h"

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

}  // namespace
