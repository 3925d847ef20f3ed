#pragma once

#include <stdexcept>
#include <string>

namespace platform {

// Raised when an FTP connection can't be made or its login is refused. It ends the whole menu
// command; the main dialog shows what() in a message box ("Command failed." when it is empty).
// The only exception in the program.
class FtpError : public std::runtime_error {
 public:
  explicit FtpError(const std::string& description) : std::runtime_error(description) {}
};

}  // namespace platform
