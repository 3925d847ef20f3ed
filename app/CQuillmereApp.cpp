#include "app/CQuillmereApp.h"

#include <QApplication>

#include "app/CQuillmereDlg.h"

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

