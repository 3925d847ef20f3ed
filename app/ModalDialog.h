#pragma once

#include <functional>

class QDialog;

// Runs a dialog modally and returns its result (QDialog::Accepted or QDialog::Rejected).
int RunModal(QDialog& dialog);

// Tests drive modal dialogs through this instead of a nested event loop: the handler acts on the
// dialog as the user would (setting fields, clicking its buttons); RunModal then returns the
// result those clicks left (Rejected when none ended the dialog). Empty: the real modal loop.
using ModalHandler = std::function<void(QDialog& dialog)>;
void SetModalHandler(ModalHandler handler);
