#pragma once

#include <QElapsedTimer>
#include <QProgressDialog>

#include <chrono>
#include <cstddef>
#include <optional>

class QWidget;

// Parts written of parts found, in a box over the window while a long
// conversion runs. The conversion runs on the window's own thread, so each
// update the box takes (a few a second) also lets the window repaint and
// move. The box is window-modal and has no cancel button: nothing in the
// window can be started while the conversion is under way.
class ConversionProgressBox {
 public:
  static constexpr std::chrono::milliseconds kUpdateInterval{100};

  // Nothing shows until `delay` has passed, so a quick conversion does not
  // flash a box.
  ConversionProgressBox(QWidget* owner, std::chrono::milliseconds delay);
  ConversionProgressBox(const ConversionProgressBox&) = delete;
  ConversionProgressBox& operator=(const ConversionProgressBox&) = delete;

  void Update(std::size_t written, std::size_t found);

 private:
  // The box, shown on demand once the delay is past rather than when its
  // own estimate of the remaining time says so.
  class Box : public QProgressDialog {
   public:
    using QProgressDialog::forceShow;
    using QProgressDialog::QProgressDialog;
  };

  Box m_box;                         // a child of the owner while it lives
  QElapsedTimer m_sinceStart;
  std::chrono::milliseconds m_delay;
  std::optional<qint64> m_lastUpdate;  // ms since the start; nothing before the first
};
