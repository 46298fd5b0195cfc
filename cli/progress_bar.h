#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "engine/conversion_progress.h"

// A one-line bar of the bytes written out of the bytes found, with the rate
// and the time left, drawn on a terminal over itself with carriage returns.
// It stays away from quick conversions (nothing until `delay` has passed
// since it was made), redraws at most a few times a second so the terminal
// never slows the conversion, and leaves the line empty when it is finished,
// so that what follows starts clean. While it is on the screen, a signal
// that ends the program ends its line first.
class ProgressBar {
 public:
  using Clock = std::chrono::steady_clock;

  ProgressBar(std::ostream& terminal, std::chrono::milliseconds delay,
              std::function<Clock::time_point()> now = &Clock::now);
  ~ProgressBar() { Finish(); }
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void Update(const ConversionProgressReport& report);
  // Erases the bar, if it was ever drawn; later updates draw nothing.
  void Finish();

  // "512 B", "4.0 KiB", "1.2 MiB"...
  static std::string ByteText(std::uint64_t bytes);

  static constexpr std::chrono::milliseconds kRedrawInterval{200};
  static constexpr std::size_t kWidth = 30;  // the bar itself, in characters

 private:
  void Draw(const ConversionProgressReport& report, Clock::time_point now);

  std::ostream& m_terminal;  // not owned
  std::function<Clock::time_point()> m_now;
  Clock::time_point m_showFrom;                  // the first moment the bar may appear
  std::optional<Clock::time_point> m_started;    // the first report; the rate is measured from it
  std::optional<Clock::time_point> m_lastDrawn;  // nothing until drawn
  bool m_finished = false;
};
