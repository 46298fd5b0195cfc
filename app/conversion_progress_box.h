#pragma once

#include <QElapsedTimer>
#include <QProgressDialog>
#include <QTimer>

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>

class QWidget;

// Parts written of parts found, in a box over the window while a long
// conversion runs on a thread of its own, with a Cancel button that stops
// it; Escape in the box does the same. The box is not modal: the window
// stays movable and closable, and keeps its own controls disabled meanwhile.
class ConversionProgressBox {
 public:
  static constexpr std::chrono::milliseconds kUpdateInterval{100};

  // Nothing shows until `delay` has passed, so a quick conversion does not
  // flash a box. `cancel` is called, once, when the user cancels.
  ConversionProgressBox(QWidget* owner, std::chrono::milliseconds delay, std::function<void()> cancel);
  ConversionProgressBox(const ConversionProgressBox&) = delete;
  ConversionProgressBox& operator=(const ConversionProgressBox&) = delete;

  void Update(std::size_t written, std::size_t found);
  // What the Cancel button does, for the window's own ways of cancelling.
  void Cancel();

 private:
  // The box, shown on demand once the delay is past rather than when its
  // own estimate of the remaining time says so.
  class Box : public QProgressDialog {
   public:
    using QProgressDialog::forceShow;
    using QProgressDialog::QProgressDialog;
  };

  Box m_box;  // a child of the owner while it lives
  QTimer m_showTimer;
  QElapsedTimer m_sinceStart;
  std::function<void()> m_cancel;
  bool m_cancelled = false;
  std::optional<qint64> m_lastUpdate;  // ms since the start; nothing before the first
};
