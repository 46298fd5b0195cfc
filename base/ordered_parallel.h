#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <stop_token>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

// Calls produce(i) for every i below `count`, spread over the calling thread
// and one helper thread, and consume(i, result) for every i in ascending
// order on the calling thread only, so that what consume does happens exactly
// as in a plain loop. produce must be safe to run on two threads at once and
// must not throw. Without a helper thread everything runs on the caller's.
template <typename Produce, typename Consume>
void ProduceInOrder(std::size_t count, Produce produce, Consume consume) {
  using Result = decltype(produce(std::size_t{}));
  std::mutex mutex;
  std::condition_variable done;
  std::vector<std::optional<Result>> results(count);  // guarded by mutex
  std::size_t next = 0;                               // the first index nobody has claimed; guarded by mutex

  // Produces one claimed index; called and returns with `lock` held.
  const auto produceClaimed = [&](std::unique_lock<std::mutex>& lock) {
    const std::size_t index = next++;
    lock.unlock();
    Result result = produce(index);
    lock.lock();
    results[index].emplace(std::move(result));
    done.notify_all();
  };

  std::optional<std::jthread> helper;
  if (count > 1) {
    try {
      helper.emplace([&](std::stop_token stop) {
        std::unique_lock lock(mutex);
        while (next < count && !stop.stop_requested()) produceClaimed(lock);
      });
    } catch (const std::system_error&) {
      // No second thread to be had: the loop below does all the work.
    }
  }
  for (std::size_t i = 0; i < count; ++i) {
    std::unique_lock lock(mutex);
    // While the result due is still being made elsewhere, make a later one.
    while (!results[i]) {
      if (next < count) {
        produceClaimed(lock);
      } else {
        done.wait(lock);
      }
    }
    Result result = std::move(*results[i]);
    results[i].reset();
    lock.unlock();
    consume(i, std::move(result));
  }
}
