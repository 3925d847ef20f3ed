#pragma once

#include <QDialog>
#include <string>

class QTextBrowser;

// The program's own help window: shows the HTML pages shipped in help/ beside the executable.
class CHelpWindow : public QDialog {
  Q_OBJECT
 public:
  explicit CHelpWindow(QWidget* parent);

  // Shows the start page of the help folder; a missing page is reported in the window itself.
  void ShowContents(const std::string& helpFolder);
  QTextBrowser* Browser() const { return m_browser; }

 private:
  QTextBrowser* m_browser;
};
