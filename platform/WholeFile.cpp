#include "platform/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>

namespace platform {
namespace {

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// A short name no other program uses: ".quillmere-" and six random letters.
std::string TemporaryName() {
  static std::minstd_rand random(static_cast<unsigned>(std::random_device()()) ^
                                 static_cast<unsigned>(::getpid()));
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::string name = ".quillmere-";
  for (int i = 0; i < 6; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
  return name;
}

using Pieces = std::function<std::string_view()>;

// Writes the bytes (or the pieces) into a new file of a temporary name in the folder (folderFd,
// or the folder that prefix names); its name on success.
int WriteTemporary(int folderFd, const std::string& prefix, std::string_view bytes,
                   const Pieces& pieces, std::string& name) {
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    name = prefix + TemporaryName();
    fd = ::openat(folderFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return errno;
  }
  if (fd < 0) return EEXIST;
  int error = WriteAll(fd, bytes) ? 0 : errno;
  if (pieces) {
    for (std::string_view piece; error == 0 && !(piece = pieces()).empty();) {
      if (!WriteAll(fd, piece)) error = errno;
    }
  }
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) ::unlinkat(folderFd, name.c_str(), 0);
  return error;
}

// Reads an open regular file to its end into room that grows as needed, within maxSize.
template <typename Room>
ReadAt ReadOpenFile(int fd, std::size_t maxSize, Room& room, std::size_t& done) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return ReadAt::kFailed;
  if (!S_ISREG(st.st_mode)) return ReadAt::kNotRegular;
  if (static_cast<std::size_t>(st.st_size) > maxSize) return ReadAt::kTooLarge;
  // Room for one byte more than the size: a read that does not fill it has met the end.
  const std::size_t limit = maxSize == static_cast<std::size_t>(-1) ? maxSize : maxSize + 1;
  room.Resize(std::min(limit, static_cast<std::size_t>(st.st_size) + 1), 0);
  done = 0;
  for (;;) {
    if (done == room.Size()) {
      if (room.Size() >= limit) return ReadAt::kTooLarge;  // grew meanwhile
      room.Resize(std::min(limit, room.Size() * 2), done);
    }
    const ssize_t n = ::read(fd, room.Data() + done, room.Size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ReadAt::kFailed;
    done += static_cast<std::size_t>(n);
    // A regular file gives less than asked only at its end.
    if (n == 0 || done < room.Size()) return ReadAt::kRead;
  }
}

struct StringRoom {
  std::string& s;
  void Resize(std::size_t size, std::size_t) { s.resize(size); }
  std::size_t Size() const { return s.size(); }
  char* Data() { return s.data(); }
};

struct BufferRoom {
  FileBytes& b;
  std::size_t size = 0;
  void Resize(std::size_t newSize, std::size_t keep) {
    auto fresh = std::make_unique_for_overwrite<char[]>(newSize);
    if (keep > 0) std::memcpy(fresh.get(), b.data.get(), keep);
    b.data = std::move(fresh);
    size = newSize;
  }
  std::size_t Size() const { return size; }
  char* Data() { return b.data.get(); }
};

int OpenForReading(int folderFd, const char* name, bool followLinks) {
  return ::openat(folderFd, name,
                  O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (followLinks ? 0 : O_NOFOLLOW));
}

// Replaces name (relative to folderFd) by a new file written beside it, prefix naming the folder
// for a folderFd of AT_FDCWD.
int Replace(int folderFd, const std::string& prefix, const std::string& name,
            std::string_view bytes, const Pieces& pieces, const std::function<bool()>& before) {
  std::string temporary;
  int error = WriteTemporary(folderFd, prefix, bytes, pieces, temporary);
  if (error != 0) return error;
  errno = 0;
  if (before && !before()) {
    error = errno != 0 ? errno : EIO;
  } else if (::renameat(folderFd, temporary.c_str(), folderFd, name.c_str()) != 0) {
    error = errno;
  }
  if (error != 0) ::unlinkat(folderFd, temporary.c_str(), 0);
  return error;
}

}  // namespace

// Opens and reads the file whole: the errors of the open told apart as ReadAt says them.
template <typename Room>
ReadAt ReadNamed(int folderFd, const char* name, bool followLinks, std::size_t maxSize, Room& room,
                 std::size_t& done) {
  const int fd = OpenForReading(folderFd, name, followLinks);
  if (fd < 0) {
    return errno == ENOENT  ? ReadAt::kMissing
           : errno == ELOOP ? ReadAt::kNotRegular
                            : ReadAt::kFailed;
  }
  const ReadAt result = ReadOpenFile(fd, maxSize, room, done);
  ::close(fd);
  return result;
}

ReadAt ReadFileAt(int folderFd, const std::string& name, std::string& bytes, std::size_t maxSize) {
  StringRoom room{bytes};
  std::size_t done = 0;
  const ReadAt result = ReadNamed(folderFd, name.c_str(), false, maxSize, room, done);
  bytes.resize(result == ReadAt::kRead ? done : 0);
  return result;
}

ReadAt ReadRegularFile(const std::string& path, std::string& bytes, std::size_t maxSize) {
  return ReadFileAt(AT_FDCWD, path, bytes, maxSize);
}

bool ReadWholeFile(const std::string& path, std::string& bytes, std::size_t maxSize,
                   bool followLinks) {
  StringRoom room{bytes};
  std::size_t done = 0;
  const bool ok =
      ReadNamed(AT_FDCWD, path.c_str(), followLinks, maxSize, room, done) == ReadAt::kRead;
  bytes.resize(ok ? done : 0);
  return ok;
}

bool ReadWholeFile(const std::string& path, FileBytes& bytes, std::size_t maxSize) {
  BufferRoom room{bytes};
  std::size_t done = 0;
  const bool ok = ReadNamed(AT_FDCWD, path.c_str(), true, maxSize, room, done) == ReadAt::kRead;
  if (!ok) bytes = {};
  bytes.size = ok ? done : 0;
  return ok;
}

int CreateFileAt(int folderFd, const std::string& name, std::string_view bytes) {
  const int fd =
      ::openat(folderFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  int error = WriteAll(fd, bytes) ? 0 : errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  // Half a shortcut is worse than none: a later synchronisation writes it again.
  if (error != 0) ::unlinkat(folderFd, name.c_str(), 0);
  return error;
}

int ReplaceFileAt(int folderFd, const std::string& name, std::string_view bytes,
                  const std::function<bool()>& before) {
  return Replace(folderFd, {}, name, bytes, {}, before);
}

namespace {

std::string FolderPrefix(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

int ReplaceFileWhole(const std::string& path, std::string_view bytes) {
  return Replace(AT_FDCWD, FolderPrefix(path), path, bytes, {}, {});
}

int ReplaceFileWhole(const std::string& path, const Pieces& next) {
  return Replace(AT_FDCWD, FolderPrefix(path), path, {}, next, {});
}

}  // namespace platform
