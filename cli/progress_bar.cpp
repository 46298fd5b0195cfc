#include "cli/progress_bar.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <utility>

#include "base/removed_on_signal.h"

namespace {

// ECMA-48 EL (erase in line), from the cursor to the end of the line.
constexpr const char* kEraseToEnd = "\x1b[K";
constexpr const char* kEraseLine = "\r\x1b[K";

std::string TimeText(std::uint64_t seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%llu:%02llu", static_cast<unsigned long long>(seconds / 60),
                static_cast<unsigned long long>(seconds % 60));
  return text;
}

}  // namespace

ProgressBar::ProgressBar(std::ostream& terminal, std::chrono::milliseconds delay,
                         std::function<Clock::time_point()> now)
    : m_terminal(terminal), m_now(std::move(now)), m_showFrom(m_now() + delay) {}

std::string ProgressBar::ByteText(std::uint64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + " B";
  const char* const units[] = {"KiB", "MiB", "GiB", "TiB"};
  double value = static_cast<double>(bytes) / 1024;
  std::size_t unit = 0;
  for (; value >= 1024 && unit + 1 < std::size(units); ++unit) value /= 1024;
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
  return text;
}

void ProgressBar::Update(const ConversionProgressReport& report) {
  if (m_finished) return;
  const Clock::time_point now = m_now();
  if (!m_started) m_started = now;
  if (now < m_showFrom) return;
  // The last part is always drawn, however soon after the one before.
  const bool last = report.partsFound > 0 && report.partsWritten >= report.partsFound;
  if (m_lastDrawn && now - *m_lastDrawn < kRedrawInterval && !last) return;
  m_lastDrawn = now;
  Draw(report, now);
}

void ProgressBar::Draw(const ConversionProgressReport& report, Clock::time_point now) {
  // Interrupted now, the program would leave the shell's prompt behind the bar.
  SetSignalFarewell("\n");
  const std::string fetched = report.bytesFetched > 0 ? ByteText(report.bytesFetched) + " fetched" : "";
  if (report.partsFound == 0 && !fetched.empty()) {
    m_terminal << "\rFetching remote files: " << fetched << kEraseToEnd << std::flush;
    return;
  }
  std::size_t filled = kWidth;
  if (report.bytesFound > 0) {
    filled = static_cast<std::size_t>(report.bytesWritten * kWidth / report.bytesFound);
  } else if (report.partsFound > 0) {
    filled = report.partsWritten * kWidth / report.partsFound;
  }
  const double seconds = std::chrono::duration<double>(now - *m_started).count();
  std::string rate = "--";
  std::string left = "--:--";
  if (seconds > 0 && report.bytesWritten > 0) {
    const double bytesPerSecond = static_cast<double>(report.bytesWritten) / seconds;
    rate = ByteText(static_cast<std::uint64_t>(bytesPerSecond));
    left = TimeText(static_cast<std::uint64_t>(
        std::llround(static_cast<double>(report.bytesFound - report.bytesWritten) / bytesPerSecond)));
  }
  m_terminal << '\r' << '[' << std::string(filled, '#') << std::string(kWidth - filled, '-') << "] "
             << ByteText(report.bytesWritten) << " of " << ByteText(report.bytesFound) << ", " << rate << "/s, " << left
             << " left" << (fetched.empty() ? "" : ", " + fetched) << kEraseToEnd << std::flush;
}

void ProgressBar::Finish() {
  if (m_finished) return;
  m_finished = true;
  if (m_lastDrawn) {
    SetSignalFarewell(nullptr);
    m_terminal << kEraseLine << std::flush;
  }
}
