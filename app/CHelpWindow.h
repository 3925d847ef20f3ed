#pragma once

#include <QDialog>
#include <string>

class QTextBrowser;

// The program's own help window: shows the HTML pages shipped with the program.
class CHelpWindow : public QDialog {
  Q_OBJECT
 public:
  explicit CHelpWindow(QWidget* parent);

  // Shows the start page of the help folder; a missing page is reported in the window itself
  // and on standard error.
  void ShowContents(const std::string& helpFolder);
  // Where the help pages of the program at that path are: "help" beside it in a build folder,
  // else "share/quillmere/help" of the prefix it was installed into.
  static std::string HelpFolder(const std::string& executable);
  QTextBrowser* Browser() const { return m_browser; }

 private:
  QTextBrowser* m_browser;
};
