#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>

// One line for a whole batch: pages done out of all, the archives' bytes,
// pages a second and the time left at that rate, drawn over itself on a
// terminal. Like the single page's bar, it waits `delay` before it first
// shows, redraws a few times a second at most and leaves the line empty
// when finished. Not thread-safe: the batch tells it under its own lock.
class BatchProgress {
 public:
  using Clock = std::chrono::steady_clock;

  BatchProgress(std::ostream& terminal, std::chrono::milliseconds delay, std::size_t pages,
                std::function<Clock::time_point()> now = &Clock::now);
  ~BatchProgress() { Finish(); }
  BatchProgress(const BatchProgress&) = delete;
  BatchProgress& operator=(const BatchProgress&) = delete;

  void PageDone(std::uint64_t archiveBytes);
  // Erases the line so that a message can be written; the next page draws it again.
  void Clear();
  void Finish();

  static constexpr std::chrono::milliseconds kRedrawInterval{200};
  static constexpr std::size_t kWidth = 20;

 private:
  void Draw(Clock::time_point now);

  std::ostream& m_terminal;  // not owned
  std::function<Clock::time_point()> m_now;
  Clock::time_point m_start;
  Clock::time_point m_showFrom;
  std::optional<Clock::time_point> m_lastDrawn;
  bool m_shown = false;
  bool m_finished = false;
  std::size_t m_pages;
  std::size_t m_done = 0;
  std::uint64_t m_bytes = 0;
};
