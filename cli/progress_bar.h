#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <ostream>

// A one-line bar of parts written out of parts found, drawn on a terminal
// over itself with carriage returns. It stays away from quick conversions
// (nothing until `delay` has passed since it was made), redraws at most a
// few times a second so the terminal never slows the conversion, and leaves
// the line empty when it is finished, so that what follows starts clean.
class ProgressBar {
 public:
  using Clock = std::chrono::steady_clock;

  ProgressBar(std::ostream& terminal, std::chrono::milliseconds delay,
              std::function<Clock::time_point()> now = &Clock::now);
  ~ProgressBar() { Finish(); }
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void Update(std::size_t written, std::size_t found);
  // Erases the bar, if it was ever drawn; later updates draw nothing.
  void Finish();

  static constexpr std::chrono::milliseconds kRedrawInterval{200};
  static constexpr std::size_t kWidth = 30;  // the bar itself, in characters

 private:
  void Draw(std::size_t written, std::size_t found);

  std::ostream& m_terminal;  // not owned
  std::function<Clock::time_point()> m_now;
  Clock::time_point m_showFrom;            // the first moment the bar may appear
  std::optional<Clock::time_point> m_lastDrawn;  // nothing until drawn
  bool m_finished = false;
};
