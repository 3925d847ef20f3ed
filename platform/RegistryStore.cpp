#include "platform/RegistryStore.h"

#include <QByteArray>
#include <QFile>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <cstdlib>

namespace platform {
namespace {

QString Group(const std::string& keyPath) {
  QString group = QString::fromUtf8(keyPath.data(), static_cast<qsizetype>(keyPath.size()));
  group.replace(QLatin1Char('\\'), QLatin1Char('/'));
  return group;
}

// The stored spelling of a value name, found without regard to case; the name itself when absent.
QString StoredName(QSettings& settings, const std::string& name) {
  const QString wanted = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
  const QStringList keys = settings.childKeys();
  for (const QString& key : keys) {
    if (key.compare(wanted, Qt::CaseInsensitive) == 0) return key;
  }
  return wanted;
}

bool Finish(QSettings& settings) {
  settings.endGroup();
  settings.sync();
  QFile::setPermissions(settings.fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  return settings.status() == QSettings::NoError;
}

}  // namespace

std::string RegistryStoreFile() {
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::string(home) + "/.config";
  } else {
    base = ".config";
  }
  return base + "/Orlesk software/Quillmere.ini";
}

int RegGetInt(const std::string& keyPath, const std::string& name, int defaultValue) {
  QSettings settings(QString::fromStdString(RegistryStoreFile()), QSettings::IniFormat);
  settings.beginGroup(Group(keyPath));
  const QVariant value = settings.value(StoredName(settings, name));
  if (!value.isValid()) return defaultValue;
  bool ok = false;
  const int result = value.toInt(&ok);
  return ok ? result : defaultValue;
}

std::string RegGetString(const std::string& keyPath, const std::string& name) {
  QSettings settings(QString::fromStdString(RegistryStoreFile()), QSettings::IniFormat);
  settings.beginGroup(Group(keyPath));
  const QVariant value = settings.value(StoredName(settings, name));
  if (!value.isValid()) return {};
  // Text that is not valid UTF-8 is kept as a byte array so that it comes back unchanged.
  const QByteArray bytes =
      value.typeId() == QMetaType::QByteArray ? value.toByteArray() : value.toString().toUtf8();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

bool RegSetInt(const std::string& keyPath, const std::string& name, int value) {
  QSettings settings(QString::fromStdString(RegistryStoreFile()), QSettings::IniFormat);
  settings.beginGroup(Group(keyPath));
  settings.setValue(StoredName(settings, name), value);
  return Finish(settings);
}

bool RegSetString(const std::string& keyPath, const std::string& name, const std::string& value) {
  QSettings settings(QString::fromStdString(RegistryStoreFile()), QSettings::IniFormat);
  settings.beginGroup(Group(keyPath));
  const QByteArray bytes(value.data(), static_cast<qsizetype>(value.size()));
  const QString text = QString::fromUtf8(bytes);
  if (text.toUtf8() == bytes) {
    settings.setValue(StoredName(settings, name), text);
  } else {
    settings.setValue(StoredName(settings, name), bytes);
  }
  return Finish(settings);
}

}  // namespace platform
