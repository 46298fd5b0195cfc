#include "app/dialog_units.h"

#include <QFont>
#include <QFontMetrics>
#include <QString>

namespace {

// The average width is taken over the 52 Latin letters, rounded to nearest.
int AverageCharWidth(const QFontMetrics& metrics) {
  const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  return (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font)
    : m_charWidth(AverageCharWidth(QFontMetrics(font))), m_charHeight(QFontMetrics(font).height()) {}

int DialogUnits::X(int units) const { return (units * m_charWidth + 2) / 4; }

int DialogUnits::Y(int units) const { return (units * m_charHeight + 4) / 8; }
