#include "CQuillmereApp.h"

#include <QApplication>
#include <QIcon>

#include "CQuillmereDlg.h"
#include "ProgramFolder.h"
#include "SettingsStore.h"

struct CQuillmereApp::Platform {
  QApplication application;
  Platform(int& argc, char** argv) : application(argc, argv) {}
};

CQuillmereApp::CQuillmereApp(int& argc, char** argv)
    : platform_(std::make_unique<Platform>(argc, argv)) {
  QApplication::setApplicationName(AppName());
  QApplication::setOrganizationName("Orlesk software");
}

CQuillmereApp::~CQuillmereApp() = default;

bool CQuillmereApp::InitInstance() {
  // The toolkit's start-up (the QApplication above) stands for the platform's initialisation.
  CQuillmereDlg dialog;
  dialog.DoModal();
  return false;
}

int CQuillmereApp::GetSettingInt(const std::string& key) {
  return platform::GetSettingInt(key);
}

std::string CQuillmereApp::GetSettingString(const std::string& key) {
  return platform::GetSettingString(key);
}

void CQuillmereApp::WriteSettingInt(const std::string& key, int value) {
  platform::WriteSettingInt(key, value);
}

void CQuillmereApp::WriteSettingString(const std::string& key, const std::string& value) {
  platform::WriteSettingString(key, value);
}

int ChangeToFolderOf(const std::string& executablePath) {
  const size_t slash = executablePath.rfind('/');
  if (slash == std::string::npos) return 0;
  platform::ChangeDirectory(slash == 0 ? "/" : executablePath.substr(0, slash));
  return 1;
}

int ChangeToProgramFolder() {
  return ChangeToFolderOf(platform::ExecutablePath());
}
