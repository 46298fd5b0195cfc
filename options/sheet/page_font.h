#pragma once

#include <QFont>
#include <QSize>

// The font every dialog is laid out in: the desktop's own (the application
// font, which Qt takes from the desktop's settings).
QFont TemplateFont();

// The sheet and its pages: the template face at 11/10 of the template size,
// so a template of 8 points gives 8.8 points.
QFont PageFont();

// Dialog-template units in pixels for one font: a horizontal unit is a
// quarter of the font's average letter width, a vertical unit an eighth of
// its height, so sizes given in these units keep their proportions whatever
// face fontconfig substitutes.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);

  int X(int units) const;
  int Y(int units) const;
  QSize Size(int width, int height) const;

 private:
  int m_letterWidth;  // average advance of the 52 Latin letters, rounded
  int m_lineHeight;
};
