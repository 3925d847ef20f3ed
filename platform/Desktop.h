#pragma once

#include <string>

// The desktop's own programs: the file manager.
namespace platform {

// Opens the folder in the desktop's file manager and returns at once. False when none started.
bool OpenFolderWindow(const std::string& path);

}  // namespace platform
