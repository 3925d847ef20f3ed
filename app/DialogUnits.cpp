#include "app/DialogUnits.h"

#include <QFontMetrics>
#include <QString>

namespace {

// Rounded a * b / c, as the template conversion has always rounded.
int MulDiv(int a, int b, int c) {
  return (a * b + c / 2) / c;
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  // The average over the Latin letters, not the font's own average (which many fonts inflate
  // with wide glyphs): this is the width the templates were designed against.
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
