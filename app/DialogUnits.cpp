#include "app/DialogUnits.h"

#include <QFontMetrics>
#include <QString>

namespace {

// a * b / c rounded half up, so a unit count gives the same pixels wherever it is converted.
int MulDiv(int a, int b, int c) {
  return (a * b + c / 2) / c;
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  // The average over the Latin letters, not the font's own average (which many fonts inflate
  // with wide glyphs): the width the layouts' units are measured in.
  static const QString kLetters =
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  m_baseX = (metrics.horizontalAdvance(kLetters) / 26 + 1) / 2;
  m_baseY = metrics.height();
  if (m_baseX < 1) m_baseX = 1;
  if (m_baseY < 1) m_baseY = 1;
}

int DialogUnits::X(int units) const {
  return MulDiv(units, m_baseX, 4);
}

int DialogUnits::Y(int units) const {
  return MulDiv(units, m_baseY, 8);
}

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
  return QRect(X(x), Y(y), X(width), Y(height));
}

QSize DialogUnits::Size(int width, int height) const {
  return QSize(X(width), Y(height));
}
