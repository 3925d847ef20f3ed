#include "platform/Trash.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>

namespace platform {
namespace {

QString ToQt(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}

// Qt picks the home trash below the data directory, or a trash at the top of another file
// system. Anything else means the item went somewhere no trash viewer looks.
bool IsTrashFilesFolder(const QString& folder, const QString& homeTrash) {
  const QFileInfo files(folder);
  if (files.fileName() != QLatin1String("files")) return false;
  const QFileInfo trash(files.absolutePath());
  if (trash.absoluteFilePath() == QFileInfo(homeTrash).absoluteFilePath()) return true;
  const QString uid = QString::number(::getuid());
  if (trash.fileName() == QLatin1String(".Trash-") + uid) return true;
  return trash.fileName() == uid && QFileInfo(trash.absolutePath()).fileName() == ".Trash";
}

}  // namespace

bool CanMoveToTrash(const std::string& path) {
  struct stat st {};
  // Qt looks at the item through a link, so a link to nothing cannot go.
  if (::stat(path.c_str(), &st) != 0) return false;
  return QFile::encodeName(ToQt(path)).toStdString() == path;
}

bool MoveToTrash(const std::string& path) {
  if (!CanMoveToTrash(path)) return false;
  // Without its data directory Qt "trashes" into ./files of the current directory and reports
  // success; give it the directory first.
  const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  if (dataHome.isEmpty() || !QDir().mkpath(dataHome)) return false;
  const QString homeTrash = dataHome + QLatin1String("/Trash");

  QString inTrash;
  if (!QFile::moveToTrash(ToQt(path), &inTrash)) return false;
  const QFileInfo landed(inTrash);
  struct stat st {};
  if (IsTrashFilesFolder(landed.absolutePath(), homeTrash) && ::lstat(path.c_str(), &st) != 0) {
    return true;
  }
  // Put it back, with Qt's note about it, rather than leave it where nobody would find it.
  const QByteArray landedBytes = QFile::encodeName(landed.absoluteFilePath());
  if (::rename(landedBytes.constData(), path.c_str()) == 0) {
    QFile::remove(QFileInfo(landed.absolutePath()).absolutePath() + QLatin1String("/info/") +
                  landed.fileName() + QLatin1String(".trashinfo"));
  }
  return false;
}

}  // namespace platform
