#pragma once

#include <QDialog>

// The About box: the icon, the version line, two lines about the program and OK.
class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  CAboutDlg(const QIcon& icon, QWidget* parent);
};
