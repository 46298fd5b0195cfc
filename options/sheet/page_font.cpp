#include "options/sheet/page_font.h"

#include <QApplication>
#include <QFontMetrics>

namespace {

constexpr const char* kLatinLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int kLatinLetterCount = 52;

}  // namespace

QFont TemplateFont() { return QApplication::font(); }

// A desktop font may be given in pixels rather than points.
QFont PageFont() {
  QFont font = TemplateFont();
  if (font.pointSizeF() > 0) {
    font.setPointSizeF(font.pointSizeF() * 11 / 10.0);
  } else {
    font.setPixelSize(font.pixelSize() * 11 / 10);
  }
  return font;
}

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  m_letterWidth =
      (metrics.horizontalAdvance(QString::fromLatin1(kLatinLetters)) + kLatinLetterCount / 2) / kLatinLetterCount;
  m_lineHeight = metrics.height();
}

int DialogUnits::X(int units) const { return units * m_letterWidth / 4; }

int DialogUnits::Y(int units) const { return units * m_lineHeight / 8; }

QSize DialogUnits::Size(int width, int height) const { return {X(width), Y(height)}; }
