#include "app/CQuillmereApp.h"

#include <QApplication>
#include <QStringList>

#include "app/CQuillmereDlg.h"
#include "app/CommandIds.h"
#include "app/SingleInstance.h"

struct CQuillmereApp::Platform {
  QApplication application;
  Platform(int& argc, char** argv) : application(argc, argv) {}
};

CQuillmereApp::CQuillmereApp(int& argc, char** argv)
    : platform_(std::make_unique<Platform>(argc, argv)) {
  QApplication::setApplicationName(AppName());
  QApplication::setOrganizationName("Orlesk software");
  QApplication::setDesktopFileName(kDesktopId);
}

CQuillmereApp::~CQuillmereApp() = default;

bool CQuillmereApp::InitInstance() {
  // The toolkit's start-up (the QApplication above) stands for the platform's initialisation.
  const bool showHelp = QApplication::arguments().contains(QStringLiteral("--show-help"));
  const Places places = Places::ForUser();
  SingleInstance instance(places.StateFolder());
  if (!instance.IsFirst()) {
    // Another window works on the same files: bring that one to the front instead.
    instance.Forward(showHelp ? SingleInstance::kShowHelp : SingleInstance::kShow);
    return false;
  }
  CQuillmereDlg dialog(places);
  QObject::connect(
      &instance, &SingleInstance::requested, &dialog, [&dialog](const QByteArray& request) {
        dialog.setWindowState((dialog.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        dialog.show();
        dialog.raise();
        dialog.activateWindow();
        if (request == SingleInstance::kShowHelp) dialog.OnCommand(ID_HELP_CONTENTS);
      });
  dialog.OnInitDialog();
  if (showHelp) dialog.OnCommand(ID_HELP_CONTENTS);
  dialog.exec();
  return false;
}
