#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/WholeFile.h"

namespace platform {

// Creates folders and names files below one base folder, one level at a time. Each level is
// opened relative to the one above it and never through a symbolic link, so whatever the names
// and whatever already lies on disk, nothing is reached outside the base. The base itself may be
// a symbolic link (a relocated Favorites folder often is).
//
// Names are taken only when they can name exactly one entry of a folder: not empty, not "." or
// "..", no '/', no '\' (the separator of a Windows peer, which would become part of a name
// here), no NUL, no CR or LF (no list line could carry them), at most 255 bytes; and only while
// the whole path stays shorter than 4096 bytes. Nothing is ever shortened into another name.
// Files in the current folder are made, read and replaced relative to it.
class FolderWriter {
 public:
  explicit FolderWriter(std::string baseFolder);
  ~FolderWriter();
  FolderWriter(const FolderWriter&) = delete;
  FolderWriter& operator=(const FolderWriter&) = delete;

  // Goes down into the named subfolder of the current folder, making it first when create is set
  // and it is missing (made tells whether it was). False, staying where it was, when the name is
  // refused or the folder can't be made or opened as a real folder.
  bool Enter(std::string_view name, bool create, bool* made = nullptr);
  // Back up to the folder the last successful Enter came from.
  void Leave();
  // Whether a file of that name can be had in the current folder: a taken name, within the path
  // limit, the folder open.
  bool CanName(std::string_view fileName);
  // The file operations of platform/WholeFile in the current folder (ENOENT when it can't be
  // reached; EINVAL for a name CanName refuses).
  int CreateFile(std::string_view fileName, std::string_view bytes);
  ReadAt ReadFile(std::string_view fileName, std::string& bytes, std::size_t maxSize);
  int ReplaceFile(std::string_view fileName, std::string_view bytes,
                  const std::function<bool()>& before = {});
  // Moves the file of that name in the current folder to the desktop's trash. False, leaving it
  // where it is, when the trash can't take it or its path by name no longer leads to it.
  bool MoveToTrash(std::string_view fileName);

  // The current folder's path by name ("base/A/B"), for messages and tests.
  std::string CurrentPath() const;
  static bool IsSingleName(std::string_view name);

  static constexpr size_t kMaxName = 255;
  static constexpr size_t kMaxPath = 4095;  // bytes, without the terminating NUL

 private:
  struct Level {
    std::string name;
    int fd;             // -1 while closed to spare descriptors; reopened from above when needed
    size_t pathLength;  // length of the path by name up to and including this level
  };
  int OpenBase();
  int FdAt(size_t level);

  std::string base_;
  bool baseTried_ = false;
  std::vector<Level> levels_;  // levels_[0] is the base once it is open
};

}  // namespace platform
