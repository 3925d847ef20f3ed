#include "Desktop.h"

namespace platform {

bool OpenFolderWindow(const std::string&) { return false; }

bool OpenInTextEditor(const std::string&) { return false; }

bool PrintTextFile(const std::string&) { return false; }

}  // namespace platform
