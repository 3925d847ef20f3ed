#pragma once

#include <string>

namespace platform {

// Full path of the running executable; empty when it can't be had.
std::string ExecutablePath();

}  // namespace platform
