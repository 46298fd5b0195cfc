#pragma once

class QFont;

// Dialog-template units in pixels for a font: a horizontal unit is a quarter
// of the font's average character width, a vertical unit an eighth of its
// height, so a layout sized in these units keeps its proportions in any font.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);

  int X(int units) const;
  int Y(int units) const;

 private:
  int m_charWidth;
  int m_charHeight;
};
