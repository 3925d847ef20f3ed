#include "print/CPreview.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QRegularExpression>

#include "app/DialogUnits.h"
#include "model/FavoriteNode.h"

// The separator drawn as itself would be invisible or an empty box that reads as a broken
// character; an arrow keeps name and URL apart and reads as "goes to".
const QString kPreviewSeparator = QStringLiteral(" \u2192 ");

QStringList PreviewLines(const std::string& list) {
  QString text = QString::fromUtf8(list.data(), static_cast<qsizetype>(list.size()));
  text.replace(QChar(FavoriteNode::kUrlSeparator), kPreviewSeparator);
  static const QRegularExpression kLineEnd(QStringLiteral("\r\n|\r|\n"));
  QStringList lines = text.split(kLineEnd);
  if (lines.back().isEmpty()) lines.removeLast();  // after the last line end comes no line
  return lines;
}

CPreview::CPreview(std::function<std::string()> listText, QWidget* parent)
    : QDialog(parent), m_listText(std::move(listText)) {
  setWindowTitle(QStringLiteral("Preview"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
  resize(DialogUnits(font()).Size(347, 329));
}

QStringList CPreview::PaintedLines() const {
  return PreviewLines(m_listText());
}

QFont CPreview::PreviewFont() {
  QFont font(QStringLiteral("Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(8);
  font.setWeight(QFont::Normal);
  return font;
}

int CPreview::TabStopWidth() {
  return 8 * DialogUnits(PreviewFont()).BaseX();
}

void CPreview::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  const QFont font = PreviewFont();
  const QFontMetrics metrics(font);
  const int tab = TabStopWidth();
  painter.setFont(font);
  painter.setPen(Qt::black);
  int top = 0;
  for (const QString& line : PaintedLines()) {
    if (top >= height()) break;  // the rest is hidden below the window
    int x = 0;
    const QStringList pieces = line.split(QLatin1Char('\t'));
    for (qsizetype i = 0; i < pieces.size() && x < width(); ++i) {
      if (i > 0) x = (x / tab + 1) * tab;
      painter.drawText(x, top + metrics.ascent(), pieces[i]);
      x += metrics.horizontalAdvance(pieces[i]);
    }
    top += metrics.height();
  }
}

void CPreview::keyPressEvent(QKeyEvent* event) {
  // Enter closes the window as OK would; there is no button to be the default.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    accept();
    return;
  }
  QDialog::keyPressEvent(event);
}
