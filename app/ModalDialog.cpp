#include "app/ModalDialog.h"

#include <QDialog>

namespace {

ModalHandler& Handler() {
  static ModalHandler handler;
  return handler;
}

}  // namespace

void SetModalHandler(ModalHandler handler) {
  Handler() = std::move(handler);
}

int RunModal(QDialog& dialog) {
  if (!Handler()) return dialog.exec();
  dialog.setResult(QDialog::Rejected);
  Handler()(dialog);
  dialog.hide();
  return dialog.result();
}
