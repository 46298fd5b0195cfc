#include "app/conversion_progress_box.h"

#include <QPushButton>

#include <algorithm>
#include <limits>

namespace {

int ProgressValue(std::size_t count) {
  return static_cast<int>(std::min<std::size_t>(count, std::numeric_limits<int>::max()));
}

}  // namespace

ConversionProgressBox::ConversionProgressBox(QWidget* owner, std::chrono::milliseconds delay,
                                             std::function<void()> cancel)
    : m_box(QStringLiteral("Writing the web archive..."), QStringLiteral("&Cancel"), 0, 0, owner),
      m_cancel(std::move(cancel)) {
  m_box.setObjectName(QStringLiteral("conversionProgress"));
  m_box.setWindowTitle(owner->windowTitle());
  m_box.setWindowModality(Qt::NonModal);
  // The box stays at the full count until the conversion's end removes it.
  m_box.setAutoReset(false);
  m_box.setAutoClose(false);
  // Shown by the timer alone, however long the box's estimate says is left.
  m_box.setMinimumDuration(std::numeric_limits<int>::max());
  // The button's click, Escape and the box's close box all emit this.
  QObject::connect(&m_box, &QProgressDialog::canceled, &m_box, [this] { Cancel(); });
  m_showTimer.setSingleShot(true);
  QObject::connect(&m_showTimer, &QTimer::timeout, &m_box, [this] { m_box.forceShow(); });
  m_showTimer.start(delay);
  m_sinceStart.start();
}

void ConversionProgressBox::Update(std::size_t written, std::size_t found) {
  if (m_cancelled) return;
  const qint64 now = m_sinceStart.elapsed();
  // The full count is always shown, however soon after the update before.
  if (m_lastUpdate && now - *m_lastUpdate < kUpdateInterval.count() && written < found) return;
  m_lastUpdate = now;
  m_box.setMaximum(ProgressValue(found));
  m_box.setValue(ProgressValue(written));
}

// The conversion ends within moments; until then the box says why it is
// still there, and a box not yet shown stays hidden.
void ConversionProgressBox::Cancel() {
  if (m_cancelled) return;
  m_cancelled = true;
  m_showTimer.stop();
  m_box.setLabelText(QStringLiteral("Cancelling..."));
  if (auto* button = m_box.findChild<QPushButton*>()) button->setEnabled(false);
  m_cancel();
}
