#include "print/CPreview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

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

CPreviewPage::CPreviewPage(std::function<std::string()> listText, QWidget* parent)
    : QAbstractScrollArea(parent), m_listText(std::move(listText)) {
  // The size people read their other windows at.
  m_startSize = std::max<qreal>(QFontInfo(QApplication::font()).pointSizeF(), 9);
  m_pointSize = m_startSize;
  setFocusPolicy(Qt::StrongFocus);
  setFrameShape(QFrame::NoFrame);
  viewport()->setAutoFillBackground(false);
}

QStringList CPreviewPage::PaintedLines() const {
  return PreviewLines(m_listText());
}

void CPreviewPage::UpdateRanges(const QStringList& lines, const ListLayout& layout) {
  int widest = 0;
  for (const QString& line : lines) widest = std::max(widest, layout.Width(line));
  const long long height = static_cast<long long>(lines.size()) * layout.LineHeight();
  const QSize page = viewport()->size();
  verticalScrollBar()->setRange(
      0, static_cast<int>(std::clamp<long long>(height - page.height(), 0, INT_MAX)));
  verticalScrollBar()->setPageStep(page.height());
  verticalScrollBar()->setSingleStep(layout.LineHeight());
  horizontalScrollBar()->setRange(0, std::max(0, widest - page.width()));
  horizontalScrollBar()->setPageStep(page.width());
  horizontalScrollBar()->setSingleStep(layout.TabWidth() / 8);
}

int CPreviewPage::FirstShownLine() const {
  return verticalScrollBar()->value() / std::max(1, Layout().LineHeight());
}

void CPreviewPage::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), Qt::white);
  const QStringList lines = PaintedLines();
  // The scroll ranges were set when the page was shown, resized or zoomed: measuring every line
  // at each paint would cost a scroll step as much as opening the window.
  const ListLayout layout = Layout();
  painter.setFont(layout.GetFont());
  painter.setPen(Qt::black);
  const int lineHeight = layout.LineHeight();
  const int scrollY = verticalScrollBar()->value();
  const int x = -horizontalScrollBar()->value();
  const qsizetype first = scrollY / lineHeight;
  for (qsizetype i = first; i < lines.size(); ++i) {
    const long long top = i * static_cast<long long>(lineHeight) - scrollY;
    if (top >= viewport()->height()) break;  // the rest lies below the page
    layout.Draw(painter, x, static_cast<int>(top), lines[i]);
  }
}

void CPreviewPage::Zoom(qreal pointSize) {
  const int line = FirstShownLine();
  m_pointSize = std::clamp(pointSize, kMinPointSize, kMaxPointSize);
  // The line at the top stays at the top.
  const ListLayout layout = Layout();
  UpdateRanges(PaintedLines(), layout);
  verticalScrollBar()->setValue(line * layout.LineHeight());
  viewport()->update();
}

void CPreviewPage::ZoomIn() {
  Zoom(m_pointSize * 1.25);
}

void CPreviewPage::ZoomOut() {
  Zoom(m_pointSize / 1.25);
}

void CPreviewPage::ResetZoom() {
  Zoom(m_startSize);
}

void CPreviewPage::keyPressEvent(QKeyEvent* event) {
  QScrollBar* vertical = verticalScrollBar();
  QScrollBar* horizontal = horizontalScrollBar();
  if (event->modifiers() & Qt::ControlModifier) {
    switch (event->key()) {
      case Qt::Key_Plus:
      case Qt::Key_Equal:
        return ZoomIn();
      case Qt::Key_Minus:
        return ZoomOut();
      case Qt::Key_0:
        return ResetZoom();
      default:
        break;
    }
  }
  switch (event->key()) {
    case Qt::Key_Home:
      vertical->setValue(vertical->minimum());
      if (event->modifiers() & Qt::ControlModifier) horizontal->setValue(horizontal->minimum());
      return;
    case Qt::Key_End:
      vertical->setValue(vertical->maximum());
      return;
    case Qt::Key_PageUp:
      return vertical->triggerAction(QAbstractSlider::SliderPageStepSub);
    case Qt::Key_PageDown:
      return vertical->triggerAction(QAbstractSlider::SliderPageStepAdd);
    case Qt::Key_Up:
      return vertical->triggerAction(QAbstractSlider::SliderSingleStepSub);
    case Qt::Key_Down:
      return vertical->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    case Qt::Key_Left:
      return horizontal->triggerAction(QAbstractSlider::SliderSingleStepSub);
    case Qt::Key_Right:
      return horizontal->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    default:
      event->ignore();  // Enter and Esc close the window
  }
}

void CPreviewPage::wheelEvent(QWheelEvent* event) {
  if (event->modifiers() & Qt::ControlModifier) {
    if (event->angleDelta().y() > 0) ZoomIn();
    if (event->angleDelta().y() < 0) ZoomOut();
    event->accept();
    return;
  }
  QAbstractScrollArea::wheelEvent(event);
}

void CPreviewPage::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateRanges(PaintedLines(), Layout());
}

void CPreviewPage::showEvent(QShowEvent* event) {
  QAbstractScrollArea::showEvent(event);
  UpdateRanges(PaintedLines(), Layout());
}

CPreview::CPreview(std::function<std::string()> listText, QWidget* parent)
    : QDialog(parent), m_page(new CPreviewPage(std::move(listText), this)) {
  setWindowTitle(QStringLiteral("Preview"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_page);
  resize(DialogUnits(font()).Size(347, 329));
  m_page->setFocus();
}

void CPreview::keyPressEvent(QKeyEvent* event) {
  // Enter closes the window as OK would; there is no button to be the default.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    accept();
    return;
  }
  QDialog::keyPressEvent(event);
}
