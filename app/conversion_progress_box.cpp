#include "app/conversion_progress_box.h"

#include <QCoreApplication>

#include <algorithm>
#include <limits>

namespace {

int ProgressValue(std::size_t count) {
  return static_cast<int>(std::min<std::size_t>(count, std::numeric_limits<int>::max()));
}

}  // namespace

ConversionProgressBox::ConversionProgressBox(QWidget* owner, std::chrono::milliseconds delay)
    : m_box(QStringLiteral("Writing the web archive..."), QString(), 0, 0, owner), m_delay(delay) {
  m_box.setObjectName(QStringLiteral("conversionProgress"));
  m_box.setWindowTitle(owner->windowTitle());
  m_box.setWindowModality(Qt::WindowModal);
  m_box.setCancelButton(nullptr);
  // The box stays at the full count until the conversion's end removes it.
  m_box.setAutoReset(false);
  m_box.setAutoClose(false);
  m_box.setMinimumDuration(static_cast<int>(delay.count()));
  m_sinceStart.start();
}

void ConversionProgressBox::Update(std::size_t written, std::size_t found) {
  const qint64 now = m_sinceStart.elapsed();
  // The full count is always shown, however soon after the update before.
  if (m_lastUpdate && now - *m_lastUpdate < kUpdateInterval.count() && written < found) return;
  m_lastUpdate = now;
  m_box.setMaximum(ProgressValue(found));
  // Once the box shows, setting the value also handles the window's events.
  m_box.setValue(ProgressValue(written));
  if (!m_box.isVisible() && now >= m_delay.count()) {
    m_box.forceShow();
    QCoreApplication::processEvents();
  }
}
