#include "settings/FolderBrowser.h"

#include <QFileDialog>
#include <QString>

namespace {

FolderBrowserHandler& Handler() {
  static FolderBrowserHandler handler;
  return handler;
}

}  // namespace

void SetFolderBrowserHandler(FolderBrowserHandler handler) {
  Handler() = std::move(handler);
}

bool BrowseForFolder(QWidget* parent, const std::string& title, std::string& path) {
  if (Handler()) return Handler()(title, path);
  const QString chosen = QFileDialog::getExistingDirectory(parent, QString::fromStdString(title));
  if (chosen.isEmpty()) return false;
  const QByteArray bytes = chosen.toUtf8();
  path.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
  return true;
}
