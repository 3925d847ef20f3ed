#pragma once

#include <string>

namespace platform {

// An exclusive lock on a file, held for the life of the object: two runs of the program (the
// window and a scheduled command line, say) take turns with the working files instead of mixing
// them. The lock goes with the process, so a run that crashed leaves none behind.
class FileLock {
 public:
  // Tries once, without waiting; Held() tells whether it got the lock.
  explicit FileLock(const std::string& path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool Held() const { return m_fd >= 0; }

 private:
  int m_fd = -1;
};

}  // namespace platform
