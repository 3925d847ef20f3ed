#include "platform/FileTree.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace platform {
namespace fs = std::filesystem;
namespace {

std::string Describe(const fs::path& path, int err) {
  return path.string() + ": " + std::strerror(err);
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Copies the bytes between two open files; the kernel does it when it can.
bool CopyBytes(int in, int out, off_t size) {
  off_t copied = 0;
  while (copied < size) {
    const ssize_t n = ::sendfile(out, in, nullptr, static_cast<size_t>(size - copied));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EINVAL || errno == ENOSYS)) break;
    if (n < 0) return false;
    if (n == 0) return true;  // the file shrank meanwhile
    copied += n;
  }
  if (copied == size) return true;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (!WriteAll(out, buffer, static_cast<size_t>(n))) return false;
  }
}

// A regular file, with its permissions and times. O_NOFOLLOW: a file swapped for a link while we
// walk is not followed out of the tree.
bool CopyFile(const fs::path& from, const fs::path& to, std::string& error) {
  const int in = ::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (in < 0) {
    error = Describe(from, errno);
    return false;
  }
  struct stat st {};
  if (::fstat(in, &st) != 0) {
    error = Describe(from, errno);
    ::close(in);
    return false;
  }
  const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777);
  if (out < 0) {
    error = Describe(to, errno);
    ::close(in);
    return false;
  }
  bool ok = CopyBytes(in, out, st.st_size);
  if (!ok) error = Describe(to, errno);
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  ::fchmod(out, st.st_mode & 07777);  // the umask narrowed what open gave
  ::futimens(out, times);
  if (::close(out) != 0 && ok) {
    error = Describe(to, errno);
    ok = false;
  }
  ::close(in);
  return ok;
}

bool CopyLink(const fs::path& from, const fs::path& to, std::string& error) {
  std::error_code ec;
  const fs::path target = fs::read_symlink(from, ec);
  if (!ec) fs::create_symlink(target, to, ec);
  if (ec) {
    error = Describe(from, ec.value());
    return false;
  }
  struct stat st {};
  if (::lstat(from.c_str(), &st) == 0) {
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::utimensat(AT_FDCWD, to.c_str(), times, AT_SYMLINK_NOFOLLOW);
  }
  return true;
}

struct FolderPair {
  fs::path from, to;
};

}  // namespace

bool PathExists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

bool IsSymbolicLink(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeFolder(const std::string& path) {
  return ::mkdir(path.c_str(), 0700) == 0;
}

bool MakeFolders(const std::string& path) {
  // Each missing folder on the way is made private, as the state folders of the desktop are.
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string prefix = path.substr(0, slash);
    if (!prefix.empty() && !IsFolder(prefix) && ::mkdir(prefix.c_str(), 0700) != 0 &&
        errno != EEXIST) {
      return false;
    }
    if (slash == std::string::npos) break;
  }
  return IsFolder(path);
}

std::string MakeFolderBeside(const std::string& path, const char* purpose) {
  const fs::path p(path);
  // Appended piece by piece: GCC 12 at -O3 sees a false overlap in "." + std::string&&.
  std::string name = ".";
  name += p.filename().string();
  name += '.';
  name += purpose;
  name += "-XXXXXX";
  std::string pattern = (p.parent_path() / name).string();
  if (!::mkdtemp(pattern.data())) return {};
  return pattern;
}

bool RenamePath(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveEmptyFolder(const std::string& path) {
  return ::rmdir(path.c_str()) == 0;
}

bool CopyFolderAttributes(const std::string& from, const std::string& to) {
  struct stat st {};
  if (::stat(from.c_str(), &st) != 0) return false;
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  return ::chmod(to.c_str(), st.st_mode & 07777) == 0 &&
         ::utimensat(AT_FDCWD, to.c_str(), times, 0) == 0;
}

bool CopyFolderContents(const std::string& from, const std::string& to, std::string& error,
                        CopyCounts* counts) {
  CopyCounts ignored;
  CopyCounts& copied = counts ? *counts : ignored;
  copied = {};
  std::vector<FolderPair> pending{{from, to}};
  // Folders are made writable for the copy and given their own attributes at the end, innermost
  // first, so filling a folder does not change its time again.
  std::vector<FolderPair> made;
  bool ok = true;
  while (ok && !pending.empty()) {
    const FolderPair folder = std::move(pending.back());
    pending.pop_back();
    std::error_code ec;
    fs::directory_iterator it(folder.from, ec);
    if (ec) {
      error = Describe(folder.from, ec.value());
      ok = false;
      break;
    }
    for (; ok && it != fs::directory_iterator(); it.increment(ec)) {
      const fs::path source = it->path();
      const fs::path target = folder.to / source.filename();
      const fs::file_type type = it->symlink_status(ec).type();
      if (ec) break;
      if (type == fs::file_type::symlink) {
        ok = CopyLink(source, target, error);
        copied.links += ok ? 1 : 0;
      } else if (type == fs::file_type::directory) {
        if (::mkdir(target.c_str(), 0700) != 0) {
          error = Describe(target, errno);
          ok = false;
        } else {
          made.push_back({source, target});
          pending.push_back({source, target});
          ++copied.folders;
        }
      } else if (type == fs::file_type::regular) {
        ok = CopyFile(source, target, error);
        copied.files += ok ? 1 : 0;
      }
    }
    if (ok && ec) {
      error = Describe(folder.from, ec.value());
      ok = false;
    }
  }
  for (auto it = made.rbegin(); it != made.rend(); ++it) {
    CopyFolderAttributes(it->from.string(), it->to.string());
  }
  return ok;
}

bool RemoveTree(const std::string& path) {
  struct Entry {
    fs::path path;
    bool listed;
  };
  std::vector<Entry> pending{{path, false}};
  bool ok = true;
  while (!pending.empty()) {
    Entry& top = pending.back();
    if (top.listed) {
      // Everything below has been handled: the folder is as empty as it will get.
      if (::rmdir(top.path.c_str()) != 0) ok = false;
      pending.pop_back();
      continue;
    }
    top.listed = true;
    const fs::path folder = top.path;
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0) {
      pending.pop_back();
      if (errno != ENOENT) ok = false;
      continue;
    }
    if (!S_ISDIR(st.st_mode)) {
      if (::unlink(folder.c_str()) != 0) ok = false;
      pending.pop_back();
      continue;
    }
    ::chmod(folder.c_str(), (st.st_mode & 07777) | S_IRWXU);  // a read-only folder can't be emptied
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
      const fs::file_type type = it->symlink_status(ec).type();
      if (ec) break;
      if (type == fs::file_type::directory) {
        pending.push_back({it->path(), false});
      } else if (::unlink(it->path().c_str()) != 0) {
        ok = false;
      }
    }
    if (ec) ok = false;
  }
  return ok;
}

}  // namespace platform
