#include "WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace platform {

int ReplaceFileWhole(const std::string& path, std::string_view bytes) {
  const size_t slash = path.rfind('/');
  std::string temp = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) +
                     ".quillmere-XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return errno;
  // mkostemp makes the file private; a replaced file gets the mode a new one would have.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  int error = 0;
  while (!bytes.empty() && error == 0) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : EIO;
    } else {
      bytes.remove_prefix(static_cast<size_t>(n));
    }
  }
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temp.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) ::unlink(temp.c_str());
  return error;
}

}  // namespace platform
