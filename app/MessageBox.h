#pragma once

#include <functional>
#include <string>

class QWidget;

// Message box styles, bit flags a caller combines (MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2),
// and the answers a box gives (IDOK is in CommandIds.h).
enum MessageBoxStyle : int {
  MB_OK = 0x00,
  MB_YESNO = 0x04,
  MB_ICONSTOP = 0x10,
  MB_ICONQUESTION = 0x20,
  MB_ICONINFORMATION = 0x40,
  MB_DEFBUTTON2 = 0x100,  // the second button (No) is the default
};
enum MessageBoxAnswer : int { IDYES = 6, IDNO = 7 };

// Shows a modal message box captioned with the application name and returns the button pressed
// (IDOK, IDYES or IDNO; closing a Yes/No box counts as No).
int ShowMessageBox(QWidget* parent, const std::string& text, int style);

// Tests answer message boxes through this instead of a window: the handler gets what the box
// would show and returns the answer. An empty handler brings the real box back.
using MessageBoxHandler =
    std::function<int(const std::string& caption, const std::string& text, int style)>;
void SetMessageBoxHandler(MessageBoxHandler handler);
