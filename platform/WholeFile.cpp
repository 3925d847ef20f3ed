#include "platform/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
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

namespace platform {

bool ReadWholeFile(const std::string& path, std::string& bytes, std::size_t maxSize) {
  bytes.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) ||
      static_cast<std::size_t>(st.st_size) > maxSize) {
    ::close(fd);
    return false;
  }
  // Room for the size the file has and one byte more, in which the end of the file shows; a file
  // that grows meanwhile is read on to its end, within the limit.
  const std::size_t limit = maxSize == static_cast<std::size_t>(-1) ? maxSize : maxSize + 1;
  bytes.resize(std::min(limit, static_cast<std::size_t>(st.st_size) + 1));
  std::size_t done = 0;
  bool ok = true;
  for (;;) {
    if (done == bytes.size()) {
      if (bytes.size() >= limit) {
        ok = false;  // larger than allowed
        break;
      }
      bytes.resize(std::min(limit, bytes.size() * 2));
    }
    const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ok = false;
      break;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (!ok) {
    bytes.clear();
    return false;
  }
  bytes.resize(done);
  return true;
}

}  // namespace platform
