#include "cli/progress_bar.h"

#include <string>
#include <utility>

namespace {

// ECMA-48 EL (erase in line), from the cursor to the end of the line.
constexpr const char* kEraseLine = "\r\x1b[K";

}  // namespace

ProgressBar::ProgressBar(std::ostream& terminal, std::chrono::milliseconds delay,
                         std::function<Clock::time_point()> now)
    : m_terminal(terminal), m_now(std::move(now)), m_showFrom(m_now() + delay) {}

void ProgressBar::Update(std::size_t written, std::size_t found) {
  if (m_finished) return;
  const Clock::time_point now = m_now();
  if (now < m_showFrom) return;
  // The last part is always drawn, however soon after the one before.
  if (m_lastDrawn && now - *m_lastDrawn < kRedrawInterval && written < found) return;
  m_lastDrawn = now;
  Draw(written, found);
}

void ProgressBar::Draw(std::size_t written, std::size_t found) {
  const std::size_t filled = found == 0 ? kWidth : written * kWidth / found;
  m_terminal << '\r' << '[' << std::string(filled, '#') << std::string(kWidth - filled, '-') << "] " << written
             << '/' << found << " parts" << std::flush;
}

void ProgressBar::Finish() {
  if (m_finished) return;
  m_finished = true;
  if (m_lastDrawn) m_terminal << kEraseLine << std::flush;
}
