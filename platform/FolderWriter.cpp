#include "platform/FolderWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Trash.h"

namespace platform {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
// Descriptors kept open along the current path; deeper chains are reopened from above on demand,
// so a folder tree of any depth stays within the process's descriptor limit.
constexpr size_t kOpenLevels = 16;

}  // namespace

FolderWriter::FolderWriter(std::string baseFolder) : base_(std::move(baseFolder)) {}

FolderWriter::~FolderWriter() {
  for (const Level& level : levels_) {
    if (level.fd >= 0) ::close(level.fd);
  }
}

bool FolderWriter::IsSingleName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.size() <= kMaxName &&
         name.find_first_of(std::string_view("/\\\0\r\n", 5)) == std::string_view::npos;
}

int FolderWriter::OpenBase() {
  if (!baseTried_) {
    baseTried_ = true;
    if (!base_.empty() && base_.size() <= kMaxPath) {
      const int fd = ::open(base_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (fd >= 0) levels_.push_back({base_, fd, base_.size()});
    }
  }
  return levels_.empty() ? -1 : levels_[0].fd;
}

int FolderWriter::FdAt(size_t level) {
  if (levels_[level].fd >= 0) return levels_[level].fd;
  size_t open = level;
  while (levels_[open].fd < 0) --open;  // the base is always open
  int fd = levels_[open].fd;
  for (size_t i = open + 1; i <= level; ++i) {
    const int next = ::openat(fd, levels_[i].name.c_str(), kFolderFlags);
    if (i - 1 != open) ::close(fd);
    if (next < 0) return -1;
    fd = next;
  }
  levels_[level].fd = fd;
  return fd;
}

bool FolderWriter::Enter(std::string_view name, bool create, bool* made) {
  if (made) *made = false;
  if (OpenBase() < 0 || !IsSingleName(name)) return false;
  const size_t length = levels_.back().pathLength + 1 + name.size();
  if (length > kMaxPath) return false;
  const int parent = FdAt(levels_.size() - 1);
  if (parent < 0) return false;
  std::string folder(name);
  // An existing folder is simply used; a link or a file of that name makes the open fail.
  const bool created = create && ::mkdirat(parent, folder.c_str(), 0777) == 0;
  const int fd = ::openat(parent, folder.c_str(), kFolderFlags);
  if (fd < 0) return false;
  if (made) *made = created;
  levels_.push_back({std::move(folder), fd, length});
  if (levels_.size() > kOpenLevels + 1) {
    Level& old = levels_[levels_.size() - 1 - kOpenLevels];
    if (old.fd >= 0) {
      ::close(old.fd);
      old.fd = -1;
    }
  }
  return true;
}

void FolderWriter::Leave() {
  if (levels_.size() <= 1) return;
  if (levels_.back().fd >= 0) ::close(levels_.back().fd);
  levels_.pop_back();
}

bool FolderWriter::CanName(std::string_view fileName) {
  return OpenBase() >= 0 && IsSingleName(fileName) &&
         levels_.back().pathLength + 1 + fileName.size() <= kMaxPath &&
         FdAt(levels_.size() - 1) >= 0;
}

int FolderWriter::CreateFile(std::string_view fileName, std::string_view bytes) {
  if (!CanName(fileName)) return IsSingleName(fileName) ? ENOENT : EINVAL;
  return CreateFileAt(levels_.back().fd, std::string(fileName), bytes);
}

ReadAt FolderWriter::ReadFile(std::string_view fileName, std::string& bytes, std::size_t maxSize) {
  if (!CanName(fileName)) return ReadAt::kFailed;
  return ReadFileAt(levels_.back().fd, std::string(fileName), bytes, maxSize);
}

int FolderWriter::ReplaceFile(std::string_view fileName, std::string_view bytes,
                              const std::function<bool()>& before) {
  if (!CanName(fileName)) return IsSingleName(fileName) ? ENOENT : EINVAL;
  return ReplaceFileAt(levels_.back().fd, std::string(fileName), bytes, before);
}

bool FolderWriter::MoveToTrash(std::string_view fileName) {
  if (!CanName(fileName)) return false;
  // The trash takes an item by its path. That path must lead to the very file found through the
  // opened folders, or something on the way was swapped meanwhile.
  const std::string name(fileName);
  const std::string path = CurrentPath() + "/" + name;
  struct stat here {
  }, byName{};
  if (::fstatat(levels_.back().fd, name.c_str(), &here, AT_SYMLINK_NOFOLLOW) != 0 ||
      ::lstat(path.c_str(), &byName) != 0 || here.st_dev != byName.st_dev ||
      here.st_ino != byName.st_ino) {
    return false;
  }
  return platform::MoveToTrash(path);
}

std::string FolderWriter::CurrentPath() const {
  std::string path = base_;
  for (size_t i = 1; i < levels_.size(); ++i) {
    path += '/';
    path += levels_[i].name;
  }
  return path;
}

}  // namespace platform
