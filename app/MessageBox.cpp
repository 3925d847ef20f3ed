#include "app/MessageBox.h"

#include <QMessageBox>
#include <QString>

#include "app/CQuillmereApp.h"
#include "app/CommandIds.h"

namespace {

MessageBoxHandler& Handler() {
  static MessageBoxHandler handler;
  return handler;
}

}  // namespace

void SetMessageBoxHandler(MessageBoxHandler handler) {
  Handler() = std::move(handler);
}

int ShowMessageBox(QWidget* parent, const std::string& text, int style) {
  const std::string caption = CQuillmereApp::AppName();
  if (Handler()) return Handler()(caption, text, style);

  QMessageBox box(parent);
  box.setWindowTitle(QString::fromStdString(caption));
  box.setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  switch (style & 0xF0) {
    case MB_ICONSTOP:
      box.setIcon(QMessageBox::Critical);
      break;
    case MB_ICONQUESTION:
      box.setIcon(QMessageBox::Question);
      break;
    case MB_ICONINFORMATION:
      box.setIcon(QMessageBox::Information);
      break;
    default:
      break;
  }
  if ((style & 0x0F) == MB_YESNO) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton((style & MB_DEFBUTTON2) ? QMessageBox::No : QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? IDYES : IDNO;
  }
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
  return IDOK;
}
