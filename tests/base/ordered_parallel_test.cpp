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
#include <utility>
#include <vector>

#include "base/ordered_parallel.h"

namespace {

TEST(ProduceInOrderTest, ConsumesEveryResultInOrderOnTheCallingThread) {
  for (const auto& [count, window] : std::vector<std::pair<std::size_t, std::size_t>>{
           {0, 4}, {1, 4}, {2, 4}, {3, 4}, {1000, 4}, {1000, 1}, {1000, 2}, {5, 100}, {1000, 0}}) {
    SCOPED_TRACE(testing::Message() << count << " results, window " << window);
    std::vector<std::size_t> consumed;
    std::set<std::thread::id> producers;
    std::mutex producersMutex;
    const std::thread::id caller = std::this_thread::get_id();
    bool consumedElsewhere = false;
    ProduceInOrder(
        count, window,
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
                   100000, 4,
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

// Counts the results alive at once, wherever they are: being made, waiting,
// or in the consumer's hands.
class Tracked {
 public:
  explicit Tracked(std::atomic<int>& alive, std::atomic<int>& most) : m_alive(&alive), m_most(&most) { Enter(); }
  Tracked(Tracked&& other) noexcept : m_alive(std::exchange(other.m_alive, nullptr)), m_most(other.m_most) {}
  Tracked& operator=(Tracked&&) = delete;
  ~Tracked() {
    if (m_alive != nullptr) --*m_alive;
  }

 private:
  void Enter() {
    const int now = ++*m_alive;
    for (int most = m_most->load(); now > most && !m_most->compare_exchange_weak(most, now);) {
    }
  }

  std::atomic<int>* m_alive;  // not owned; null once moved from
  std::atomic<int>* m_most;   // not owned
};

TEST(ProduceInOrderTest, NeverHoldsMoreResultsThanTheWindow) {
  for (const std::size_t window : {1u, 2u, 4u}) {
    SCOPED_TRACE(window);
    std::atomic<int> alive{0};
    std::atomic<int> most{0};
    std::size_t consumed = 0;
    ProduceInOrder(
        200, window, [&](std::size_t) { return Tracked(alive, most); },
        [&](std::size_t i, Tracked) {
          // A slow consumer, which producers would otherwise outrun.
          if (i % 10 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
          ++consumed;
        });
    EXPECT_EQ(consumed, 200u);
    EXPECT_EQ(alive.load(), 0);
    EXPECT_LE(most.load(), static_cast<int>(window));
    EXPECT_GE(most.load(), 1);
  }
}

}  // namespace
