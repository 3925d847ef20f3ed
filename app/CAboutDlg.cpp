#include "app/CAboutDlg.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

#include "app/DialogUnits.h"

CAboutDlg::CAboutDlg(const QIcon& icon, QWidget* parent) : QDialog(parent) {
  setWindowTitle("About Quillmere");
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  const DialogUnits du(font());
  setFixedSize(du.Size(235, 64));

  auto* picture = new QLabel(this);
  picture->setPixmap(icon.pixmap(32, 32));
  picture->setGeometry(du.Rect(11, 17, 21, 20));

  const struct {
    const char* text;
    int y;
  } lines[] = {
      {"Quillmere Version 1.0", 10},
      {"Keeps your browser favorites in step between machines.", 24},
      {"Copyright (C) 2026 Orlesk software", 38},
  };
  for (const auto& line : lines) {
    auto* label = new QLabel(line.text, this);
    label->setGeometry(du.Rect(40, line.y, 130, 10));
  }
  auto* ok = new QPushButton("OK", this);
  ok->setDefault(true);
  ok->setGeometry(du.Rect(178, 7, 50, 14));
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
