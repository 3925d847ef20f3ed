#pragma once

#include <string>

namespace platform {

// Full path of the running executable; empty when it can't be had.
std::string ExecutablePath();
std::string CurrentDirectory();
bool ChangeDirectory(const std::string& path);

}  // namespace platform
