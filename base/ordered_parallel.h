#pragma once

#include <algorithm>
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
// as in a plain loop. At most `window` results (at least one) exist at once,
// the one being consumed included: production waits for consumption instead
// of running ahead, so however many results there are, memory holds a few.
// produce must be safe to run on two threads at once and must not throw.
// Without a helper thread everything runs on the caller's.
template <typename Produce, typename Consume>
void ProduceInOrder(std::size_t count, std::size_t window, Produce produce, Consume consume) {
  using Result = decltype(produce(std::size_t{}));
  window = std::max<std::size_t>(window, 1);
  std::mutex mutex;
  std::condition_variable_any changed;  // a result was made, or one was consumed
  // Result i waits in slot i % window: the indices claimed and not yet
  // consumed are fewer than `window`, so no two share a slot.
  std::vector<std::optional<Result>> slots(std::min(count, window));  // guarded by mutex
  std::size_t next = 0;      // the first index nobody has claimed; guarded by mutex
  std::size_t consumed = 0;  // how many results consume has finished with; guarded by mutex
  const auto mayClaim = [&] { return next < count && next - consumed < window; };

  // Produces one claimed index; called and returns with `lock` held.
  const auto produceClaimed = [&](std::unique_lock<std::mutex>& lock) {
    const std::size_t index = next++;
    lock.unlock();
    Result result = produce(index);
    lock.lock();
    slots[index % window].emplace(std::move(result));
    changed.notify_all();
  };

  std::optional<std::jthread> helper;
  if (count > 1) {
    try {
      helper.emplace([&](std::stop_token stop) {
        std::unique_lock lock(mutex);
        for (;;) {
          changed.wait(lock, stop, [&] { return next == count || mayClaim(); });
          if (stop.stop_requested() || next == count) return;
          produceClaimed(lock);
        }
      });
    } catch (const std::system_error&) {
      // No second thread to be had: the loop below does all the work.
    }
  }
  for (std::size_t i = 0; i < count; ++i) {
    std::unique_lock lock(mutex);
    std::optional<Result>& slot = slots[i % window];
    // While the result due is still being made elsewhere, make a later one
    // if the window has room for it.
    while (!slot) {
      if (mayClaim()) {
        produceClaimed(lock);
      } else {
        changed.wait(lock);
      }
    }
    Result result = std::move(*slot);
    slot.reset();
    lock.unlock();
    consume(i, std::move(result));
    lock.lock();
    ++consumed;
    changed.notify_all();
  }
}
