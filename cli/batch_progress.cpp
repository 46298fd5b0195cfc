#include "cli/batch_progress.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <utility>

#include "cli/batch_report.h"

namespace {

// ECMA-48 EL (erase in line), from the cursor to the end of the line.
constexpr const char* kEraseLine = "\r\x1b[K";

std::string Duration(double seconds) {
  const long long whole = std::llround(seconds);
  if (whole < 60) return std::to_string(whole) + " s";
  return std::to_string(whole / 60) + " min " + std::to_string(whole % 60) + " s";
}

}  // namespace

BatchProgress::BatchProgress(std::ostream& terminal, std::chrono::milliseconds delay, std::size_t pages,
                             std::function<Clock::time_point()> now)
    : m_terminal(terminal), m_now(std::move(now)), m_start(m_now()), m_showFrom(m_start + delay), m_pages(pages) {}

void BatchProgress::PageDone(std::uint64_t archiveBytes) {
  ++m_done;
  m_bytes += archiveBytes;
  if (m_finished) return;
  const Clock::time_point now = m_now();
  if (now < m_showFrom) return;
  if (m_lastDrawn && now - *m_lastDrawn < kRedrawInterval && m_done < m_pages) return;
  Draw(now);
}

void BatchProgress::Draw(Clock::time_point now) {
  m_lastDrawn = now;
  m_shown = true;
  const std::size_t filled = m_pages == 0 ? kWidth : m_done * kWidth / m_pages;
  const double seconds = std::chrono::duration<double>(now - m_start).count();
  const double rate = seconds > 0 ? static_cast<double>(m_done) / seconds : 0;
  char rateText[32];
  std::snprintf(rateText, sizeof rateText, "%.1f", rate);
  m_terminal << '\r' << '[' << std::string(filled, '#') << std::string(kWidth - filled, '-') << "] " << m_done << '/'
             << m_pages << " pages, " << ByteCount(m_bytes) << ", " << rateText << " pages/s";
  if (rate > 0 && m_done < m_pages) {
    m_terminal << ", " << Duration(static_cast<double>(m_pages - m_done) / rate) << " left";
  }
  m_terminal << "\x1b[K" << std::flush;
}

void BatchProgress::Clear() {
  if (!m_shown) return;
  m_shown = false;
  m_lastDrawn.reset();
  m_terminal << kEraseLine << std::flush;
}

void BatchProgress::Finish() {
  if (m_finished) return;
  Clear();
  m_finished = true;
}
