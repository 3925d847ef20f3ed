#include "platform/DirectoryWalker.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/DirectoryListing.h"

namespace platform {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
// Folders kept open along the current path; the ones above are opened again when needed, so a
// tree of any depth stays far inside the process's descriptor limit.
constexpr std::size_t kOpenLevels = 32;
constexpr std::size_t kListBuffer = 32 * 1024;
// Most shortcut files fit with room to spare: one read tells the whole file.
constexpr std::size_t kFileBuffer = 64 * 1024;

bool IsReadFailure(int error) {
  return error == EACCES || error == EPERM || error == EIO;
}

}  // namespace

struct DirectoryWalker::Level {
  struct Entry {
    std::size_t name;  // offset in names
    unsigned length;
    unsigned char type;
  };
  int fd = -1;  // -1 while closed to spare descriptors
  void* handle = nullptr;
  std::size_t nameInParent = 0;  // where this folder's name lies in the level above's names
  std::string names;             // the entries' names, each ended by a NUL
  std::vector<Entry> entries;
  std::vector<std::pair<std::size_t, void*>> subfolders;  // name offset, handle
  std::size_t next = 0;                                   // the next subfolder to walk
};

DirectoryWalker::DirectoryWalker(std::size_t maxFileSize)
    : m_maxFileSize(maxFileSize), m_listBuffer(kListBuffer), m_fileBuffer(kFileBuffer) {}

DirectoryWalker::~DirectoryWalker() {
  for (std::size_t i = 0; i < m_depth; ++i) {
    if (m_levels[i].fd >= 0) ::close(m_levels[i].fd);
  }
}

bool DirectoryWalker::List(Level& level) {
  level.names.clear();
  level.entries.clear();
  level.subfolders.clear();
  level.next = 0;
  bool ok = true;
  for (;;) {
    const ssize_t n = ::getdents64(level.fd, m_listBuffer.data(), m_listBuffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    for (ssize_t at = 0; at < n;) {
      const auto* entry = reinterpret_cast<const struct dirent64*>(m_listBuffer.data() + at);
      at += entry->d_reclen;
      const char* name = entry->d_name;
      if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
      const std::size_t length = std::strlen(name);
      level.entries.push_back({level.names.size(), static_cast<unsigned>(length), entry->d_type});
      level.names.append(name, length + 1);
    }
  }
  const char* names = level.names.data();
  std::sort(level.entries.begin(), level.entries.end(),
            [names](const Level::Entry& a, const Level::Entry& b) {
              return NameBefore({names + a.name, a.length}, {names + b.name, b.length});
            });
  return ok;
}

int DirectoryWalker::FdAt(std::size_t depth) {
  if (m_levels[depth].fd >= 0) return m_levels[depth].fd;
  std::size_t open = depth;
  while (m_levels[open].fd < 0) --open;  // the top folder stays open
  int fd = m_levels[open].fd;
  for (std::size_t i = open + 1; i <= depth; ++i) {
    const char* name = m_levels[i - 1].names.data() + m_levels[i].nameInParent;
    const int next = ::openat(fd, name, kFolderFlags);
    if (i - 1 != open) ::close(fd);
    if (next < 0) return -1;
    fd = next;
  }
  m_levels[depth].fd = fd;
  return fd;
}

bool DirectoryWalker::ReadFile(int folderFd, const char* name, std::string_view& content) {
  const int fd = ::openat(folderFd, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    if (IsReadFailure(errno)) ++m_trouble.files;
    return false;  // gone meanwhile, or a link to nothing: not a file
  }
  ssize_t n;
  do {
    n = ::read(fd, m_fileBuffer.data(), m_fileBuffer.size());
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    if (errno != EISDIR && errno != EAGAIN) ++m_trouble.files;
    ::close(fd);
    return false;
  }
  // A regular file gives less than asked only at its end.
  if (static_cast<std::size_t>(n) < m_fileBuffer.size()) {
    ::close(fd);
    content = std::string_view(m_fileBuffer.data(), static_cast<std::size_t>(n));
    return true;
  }
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (ok && static_cast<std::size_t>(st.st_size) > m_maxFileSize) {
    ++m_trouble.tooLarge;
    ok = false;
  }
  if (ok) {
    m_largeFile.assign(m_fileBuffer.data(), static_cast<std::size_t>(n));
    std::size_t done = m_largeFile.size();
    m_largeFile.resize(std::min(m_maxFileSize, static_cast<std::size_t>(st.st_size)) + 1);
    for (;;) {
      if (done == m_largeFile.size()) {  // grew past the limit meanwhile
        ++m_trouble.tooLarge;
        ok = false;
        break;
      }
      n = ::read(fd, m_largeFile.data() + done, m_largeFile.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        ++m_trouble.files;
        ok = false;
      }
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    m_largeFile.resize(done);
    content = m_largeFile;
  }
  ::close(fd);
  return ok;
}

bool DirectoryWalker::Walk(const std::string& folder, void* top, Visitor& visitor) {
  m_trouble = {};
  const int topFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (topFd < 0) {
    if (errno != ENOENT && errno != ENOTDIR) ++m_trouble.folders;
    return false;
  }
  auto push = [this](int fd, void* handle, std::size_t nameInParent) {
    if (m_depth == m_levels.size()) m_levels.emplace_back();
    Level& level = m_levels[m_depth++];
    level.fd = fd;
    level.handle = handle;
    level.nameInParent = nameInParent;
    if (m_depth > kOpenLevels + 1) {
      Level& far = m_levels[m_depth - 1 - kOpenLevels];
      if (far.fd >= 0) ::close(far.fd);
      far.fd = -1;
    }
    return m_depth - 1;
  };
  // Lists a folder and hands its entries over in order; its subfolders are walked after it.
  auto visit = [&](std::size_t depth) {
    Level& level = m_levels[depth];
    if (!List(level)) ++m_trouble.folders;
    for (const Level::Entry& entry : level.entries) {
      const char* name = level.names.data() + entry.name;
      unsigned char type = entry.type;
      if (type == DT_UNKNOWN) {
        struct stat st {};
        if (::fstatat(level.fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        type = S_ISDIR(st.st_mode)   ? DT_DIR
               : S_ISREG(st.st_mode) ? DT_REG
               : S_ISLNK(st.st_mode) ? DT_LNK
                                     : DT_UNKNOWN;
      }
      if (type == DT_DIR) {
        if (void* handle = visitor.Folder(level.handle, name)) {
          level.subfolders.emplace_back(entry.name, handle);
        }
      } else if (type == DT_REG || type == DT_LNK) {
        std::string_view content;
        if (visitor.WantsFile(level.handle, name) && ReadFile(level.fd, name, content)) {
          visitor.File(level.handle, name, content);
        }
      }
    }
  };

  visit(push(topFd, top, 0));
  while (m_depth > 0) {
    const std::size_t depth = m_depth - 1;
    Level& level = m_levels[depth];
    if (level.next == level.subfolders.size()) {
      if (level.fd >= 0) ::close(level.fd);
      level.fd = -1;
      --m_depth;
      continue;
    }
    const auto [nameAt, handle] = level.subfolders[level.next++];
    const int parent = FdAt(depth);
    const int fd =
        parent < 0 ? -1 : ::openat(parent, m_levels[depth].names.data() + nameAt, kFolderFlags);
    if (fd < 0) {
      ++m_trouble.folders;
      continue;
    }
    visit(push(fd, handle, nameAt));
  }
  return true;
}

}  // namespace platform
