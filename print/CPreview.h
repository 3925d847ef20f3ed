#pragma once

#include <QDialog>
#include <QFont>
#include <QStringList>
#include <functional>
#include <string>

// The print preview window: paints the local tree's favorites list, built anew at every paint,
// in a small sans-serif font with tabs expanded, unwrapped and clipped to the window.
class CPreview : public QDialog {
  Q_OBJECT
 public:
  // listText gives the favorites list as it is at the moment of each paint.
  CPreview(std::function<std::string()> listText, QWidget* parent);

  // The lines the next paint draws, from the tree as it is now; tabs still as tabs.
  QStringList PaintedLines() const;
  static QFont PreviewFont();
  // The distance between tab stops: eight average character widths of the preview font.
  static int TabStopWidth();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::function<std::string()> m_listText;
};

// The favorites list as lines to draw: each line end (CR LF, or a lone CR or LF) ends a line, and
// the byte between a link's name and its URL is shown as kPreviewSeparator.
QStringList PreviewLines(const std::string& list);
extern const QString kPreviewSeparator;
