#include "platform/Desktop.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace platform {
namespace {

// A path as a program argument: one starting with '-' would be read as an option.
QString Argument(const std::string& path) {
  const std::string safe = !path.empty() && path[0] == '-' ? "./" + path : path;
  return QFile::decodeName(QByteArray::fromStdString(safe));
}

// Started on its own, so the caller carries on at once; false when the program isn't there.
bool Start(const char* program, const QStringList& arguments) {
  const QString found = QStandardPaths::findExecutable(QLatin1String(program));
  return !found.isEmpty() && QProcess::startDetached(found, arguments);
}

}  // namespace

bool OpenFolderWindow(const std::string& path) {
  return Start("xdg-open", {Argument(path)});
}

}  // namespace platform
