#pragma once

#include <atomic>
#include <exception>

// Set by whoever may stop a conversion (the window's Cancel), read by the
// converting threads between parts and inside long reads and encodings. A
// check is one relaxed atomic load, cheap enough for every slice of a file;
// setting it is lock-free, so a signal handler may do it too.
class CancellationFlag {
 public:
  void Cancel() noexcept { m_cancelled.store(true, std::memory_order_relaxed); }
  bool IsCancelled() const noexcept { return m_cancelled.load(std::memory_order_relaxed); }

 private:
  static_assert(std::atomic<bool>::is_always_lock_free);
  std::atomic<bool> m_cancelled{false};
};

// Throws ConvertError kCancelled when `flag` (possibly null: nobody can
// cancel) is set.
void ThrowIfCancelled(const CancellationFlag* flag);

// True for the ConvertError a cancelled conversion ends with, which handlers
// that turn other failures into their own must let through.
bool IsCancellation(const std::exception& error) noexcept;
