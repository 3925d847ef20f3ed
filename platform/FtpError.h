#pragma once

#include <stdexcept>
#include <string>

namespace platform {

// Raised when an FTP connection can't be made or its login is refused. It ends the whole menu
// command. Most are shown in a message box ("Command failed." when the text is empty); those the
// user caused or already knows of (a cancelled transfer, a certificate not trusted) go into the
// status log as a line. The only exception in the program.
class FtpError : public std::runtime_error {
 public:
  enum class Shown { kInABox, kInTheStatusLog };
  explicit FtpError(const std::string& description, Shown shown = Shown::kInABox)
      : std::runtime_error(description), m_shown(shown) {}
  Shown HowShown() const { return m_shown; }

 private:
  Shown m_shown;
};

}  // namespace platform
