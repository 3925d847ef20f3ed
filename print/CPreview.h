#pragma once

#include <QAbstractScrollArea>
#include <QDialog>
#include <QStringList>
#include <functional>
#include <string>

#include "print/ListLayout.h"

// The page of the print preview: the list drawn as it prints, scrolled by the wheel, the scroll
// bars and the keys (arrows, Page Up/Down, Home/End) and zoomed with Ctrl+plus/minus (Ctrl+0 or
// Ctrl+wheel too). The text is built from the tree anew at every paint.
class CPreviewPage : public QAbstractScrollArea {
  Q_OBJECT
 public:
  CPreviewPage(std::function<std::string()> listText, QWidget* parent);

  QStringList PaintedLines() const;
  qreal PointSize() const { return m_pointSize; }
  void ZoomIn();
  void ZoomOut();
  void ResetZoom();
  ListLayout Layout() const { return ListLayout(ListLayout::Font(m_pointSize), viewport()); }
  // The first line of the list at the top of the page.
  int FirstShownLine() const;

  static constexpr qreal kMinPointSize = 4;
  static constexpr qreal kMaxPointSize = 72;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void Zoom(qreal pointSize);
  void UpdateRanges(const QStringList& lines, const ListLayout& layout);

  std::function<std::string()> m_listText;
  qreal m_startSize;
  qreal m_pointSize;
};

// The print preview window: the local tree's favorites list as it prints.
class CPreview : public QDialog {
  Q_OBJECT
 public:
  // listText gives the favorites list as it is at the moment of each paint.
  CPreview(std::function<std::string()> listText, QWidget* parent);

  CPreviewPage* Page() const { return m_page; }
  // The lines the next paint draws, from the tree as it is now; tabs still as tabs.
  QStringList PaintedLines() const { return m_page->PaintedLines(); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  CPreviewPage* m_page;
};

// The favorites list as lines to draw: each line end (CR LF, or a lone CR or LF) ends a line, and
// the byte between a link's name and its URL is shown as kPreviewSeparator.
QStringList PreviewLines(const std::string& list);
extern const QString kPreviewSeparator;
