#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QString>

class QPaintDevice;
class QPainter;

// How a favorites list is laid out on the screen and on paper alike: one row per line of the
// list, in a monospaced font, tab stops every eight character widths, nothing wrapped. A line
// longer than kMaxShownChars is shown cut: laying out a line of megabytes would hold the window.
class ListLayout {
 public:
  static constexpr int kMaxShownChars = 4096;

  // The font for that device (the screen when null); its metrics are the device's.
  ListLayout(const QFont& font, QPaintDevice* device = nullptr);

  static QFont Font(qreal pointSize);
  const QFont& GetFont() const { return m_font; }
  int LineHeight() const { return m_metrics.height(); }
  int TabWidth() const { return m_tab; }
  // The width the line takes when drawn.
  int Width(const QString& line) const;
  // Draws the line with its top left corner at (x, top).
  void Draw(QPainter& painter, int x, int top, const QString& line) const;

 private:
  template <typename Piece>
  int Walk(const QString& line, int x, Piece piece) const;

  QFont m_font;
  QFontMetrics m_metrics;
  int m_tab;
};
