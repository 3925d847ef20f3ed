#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

// Converts dialog units to pixels with the metrics of the dialog's font, so a layout written in
// dialog units keeps its proportions at any font size.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);

  int X(int units) const;  // horizontal: a quarter of the average character width
  int Y(int units) const;  // vertical: an eighth of the character height
  QRect Rect(int x, int y, int width, int height) const;
  QSize Size(int width, int height) const;

  int BaseX() const { return m_baseX; }
  int BaseY() const { return m_baseY; }

 private:
  int m_baseX;
  int m_baseY;
};
