#include "app/CHelpWindow.h"

#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

CHelpWindow::CHelpWindow(QWidget* parent) : QDialog(parent), m_browser(new QTextBrowser(this)) {
  setWindowTitle("Quillmere Help");
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_browser);
  m_browser->setOpenExternalLinks(true);
  resize(640, 560);
}

void CHelpWindow::ShowContents(const std::string& helpFolder) {
  const QString page = QDir(QString::fromStdString(helpFolder)).filePath("index.html");
  if (QFileInfo(page).isFile()) {
    m_browser->setSearchPaths({QFileInfo(page).absolutePath()});
    m_browser->setSource(QUrl::fromLocalFile(page));
  } else {
    m_browser->setHtml("<h3>Help is not available</h3><p>The help file <code>" +
                       page.toHtmlEscaped() + "</code> cannot be found.</p>");
    qWarning("Quillmere: the help file %s cannot be found", qUtf8Printable(page));
  }
  show();
  raise();
  activateWindow();
}

std::string CHelpWindow::HelpFolder(const std::string& executable) {
  const QFileInfo program(QString::fromStdString(executable));
  const QDir folder = program.absoluteDir();
  if (QFileInfo(folder.filePath("help/index.html")).isFile())
    return folder.filePath("help").toStdString();
  return QDir::cleanPath(folder.filePath(QStringLiteral(QUILLMERE_HELP_FROM_BIN))).toStdString();
}
