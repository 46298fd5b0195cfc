#pragma once

#include <QApplication>
#include <QFont>

// Makes `font` the desktop's font, the one the dialogs take, for as long as
// the guard lives.
class DesktopFontGuard {
 public:
  explicit DesktopFontGuard(const QFont& font) : m_previous(QApplication::font()) { QApplication::setFont(font); }
  ~DesktopFontGuard() { QApplication::setFont(m_previous); }
  DesktopFontGuard(const DesktopFontGuard&) = delete;
  DesktopFontGuard& operator=(const DesktopFontGuard&) = delete;

 private:
  QFont m_previous;
};
