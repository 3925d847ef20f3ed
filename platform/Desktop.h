#pragma once

#include <string>

// The desktop's own programs: the file manager, the text editor and the print spooler.
namespace platform {

// Opens the folder in the desktop's file manager and returns at once. False when none started.
bool OpenFolderWindow(const std::string& path);
// Opens the file in the desktop's text editor and returns at once. False when none started.
bool OpenInTextEditor(const std::string& path);
// Hands the text file to the system's print spooler. False when there is none.
bool PrintTextFile(const std::string& path);

}  // namespace platform
