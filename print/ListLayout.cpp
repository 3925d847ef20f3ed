#include "print/ListLayout.h"

#include <QFontDatabase>
#include <QPainter>
#include <algorithm>

ListLayout::ListLayout(const QFont& font, QPaintDevice* device)
    : m_font(font), m_metrics(font, device) {
  m_tab = 8 * std::max(1, m_metrics.horizontalAdvance(QLatin1Char('x')));
}

QFont ListLayout::Font(qreal pointSize) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setStyleHint(QFont::Monospace);
  font.setPointSizeF(pointSize);
  return font;
}

template <typename Piece>
int ListLayout::Walk(const QString& line, int x, Piece piece) const {
  const QStringView shown = QStringView(line).left(kMaxShownChars);
  const int origin = x;
  qsizetype start = 0;
  for (qsizetype at = 0; at <= shown.size(); ++at) {
    if (at < shown.size() && shown[at] != QLatin1Char('\t')) continue;
    const QStringView text = shown.mid(start, at - start);
    if (!text.isEmpty()) {
      piece(x, text);
      x += m_metrics.horizontalAdvance(text.toString());
    }
    if (at < shown.size()) {
      // The column the text reached, rounded: a text that ends on a tab stop within a pixel of
      // rounding goes on to the next stop, as it would on a character grid.
      const int column = (x - origin + m_tab / 16) / (m_tab / 8);
      x = origin + (column / 8 + 1) * m_tab;
    }
    start = at + 1;
  }
  return x - origin;
}

int ListLayout::Width(const QString& line) const {
  return Walk(line, 0, [](int, QStringView) {});
}

void ListLayout::Draw(QPainter& painter, int x, int top, const QString& line) const {
  const int baseline = top + m_metrics.ascent();
  Walk(line, x, [&](int at, QStringView text) { painter.drawText(at, baseline, text.toString()); });
}
