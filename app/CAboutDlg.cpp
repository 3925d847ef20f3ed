#include "app/CAboutDlg.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <vector>

#include "app/DialogUnits.h"

CAboutDlg::CAboutDlg(const QIcon& icon, QWidget* parent) : QDialog(parent) {
  setWindowTitle("About Quillmere");
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  const DialogUnits du(font());

  const struct {
    const char* text;
    int y;
  } lines[] = {
      {"Quillmere Version 1.0", 10},
      {"Keeps your browser favorites in step between machines.", 24},
      {"Copyright (C) 2026 Orlesk software", 38},
  };
  // The lines get the room their text takes in this font (the box widens for it), never less
  // than the 130 units the box is laid out with.
  int textWidth = du.X(130);
  std::vector<QLabel*> labels;
  for (const auto& line : lines) {
    auto* label = new QLabel(line.text, this);
    textWidth = std::max(textWidth, label->sizeHint().width());
    labels.push_back(label);
  }
  for (size_t i = 0; i < labels.size(); ++i) {
    labels[i]->setGeometry(du.X(40), du.Y(lines[i].y), textWidth,
                           std::max(du.Y(10), labels[i]->sizeHint().height()));
  }
  const int extra = textWidth - du.X(130);

  auto* picture = new QLabel(this);
  const QRect iconRect = du.Rect(11, 17, 21, 20);
  const int side = std::min(iconRect.width(), iconRect.height());
  picture->setPixmap(icon.pixmap(side, side));
  picture->setGeometry(iconRect);

  auto* ok = new QPushButton("OK", this);
  ok->setDefault(true);
  ok->setGeometry(du.Rect(178, 7, 50, 14).translated(extra, 0));
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  setFixedSize(du.Size(235, 64) + QSize(extra, 0));
}
