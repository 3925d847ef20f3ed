#include "FavoritesBackup.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "CommandIds.h"
#include "DirectoryListing.h"
#include "FavoritesOwner.h"
#include "FileTree.h"
#include "ShellFolders.h"
#include "Trash.h"

namespace {

// A new, empty, hidden folder beside the given path, on the same file system, so that what is
// copied into it can later be renamed into place. Empty when none can be made.
std::string MakeFolderBeside(const std::string& path, const char* purpose) {
  const std::filesystem::path p(path);
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

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

bool IsLink(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string FavoritesBackup::FavoritesPath() {
  std::string path = platform::FavoritesFolder();
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path == "/" ? std::string() : path;
}

void FavoritesBackup::Log(const std::string& line) {
  if (owner_) owner_->LogStatus(line + "\r\n");
}

void FavoritesBackup::Backup() {
  {
    WaitCursor wait(owner_);
    const std::string favorites = FavoritesPath();
    if (favorites.empty()) {
      Log("Backup failed: the Favorites folder is not known.");
      return;
    }
    const std::string backup = BackupPath(favorites);
    const std::string fresh = MakeFolderBeside(backup, "new");
    std::string error;
    if (fresh.empty()) {
      Log("Backup failed: no folder can be made beside " + backup + ".");
    } else if (!platform::CopyFolderContents(favorites, fresh, error)) {
      platform::RemoveTree(fresh);
      Log("Backup failed, the previous backup is kept: " + error);
    } else if (Exists(backup) && !platform::MoveToTrash(backup)) {
      platform::RemoveTree(fresh);
      Log("Backup failed, the previous backup is kept: it can't be moved to the trash: " + backup);
    } else {
      platform::CopyFolderAttributes(favorites, fresh);
      if (::rename(fresh.c_str(), backup.c_str()) != 0) {
        platform::RemoveTree(fresh);
        Log("Backup failed: the copy can't be named " + backup +
            "; the previous backup is in the trash.");
      }
    }
  }
  UpdateRestoreItem();
}

void FavoritesBackup::Restore() {
  WaitCursor wait(owner_);
  const std::string favorites = FavoritesPath();
  const std::string backup = favorites.empty() ? std::string() : BackupPath(favorites);
  if (backup.empty() || !IsFolder(backup)) {
    if (owner_) owner_->EnableMenuCommand(ID_ACTION_RESTORE, false);
    Log("Restore failed: there is no backup folder " + backup + ".");
    return;
  }
  if (!IsFolder(favorites) && ::mkdir(favorites.c_str(), 0700) != 0) {
    Log("Restore failed: the Favorites folder can't be made: " + favorites);
    return;
  }

  std::vector<platform::DirectoryEntry> current;
  platform::ListDirectory(favorites, current);
  // Links go first: the trash takes a link only while its target is there, and the target may be
  // one of the other items.
  std::stable_partition(current.begin(), current.end(), [&](const platform::DirectoryEntry& entry) {
    return IsLink(favorites + "/" + entry.name);
  });
  for (const platform::DirectoryEntry& entry : current) {
    const std::string item = favorites + "/" + entry.name;
    if (!platform::CanMoveToTrash(item)) {
      Log("Restore failed, the Favorites folder is unchanged: this can't be moved to the trash: " +
          item);
      return;
    }
  }

  const std::string staged = MakeFolderBeside(favorites, "restore");
  std::string error;
  if (staged.empty()) {
    Log("Restore failed: no folder can be made beside " + favorites + ".");
    return;
  }
  if (!platform::CopyFolderContents(backup, staged, error)) {
    platform::RemoveTree(staged);
    Log("Restore failed, the Favorites folder is unchanged: " + error);
    return;
  }

  for (size_t i = 0; i < current.size(); ++i) {
    const std::string item = favorites + "/" + current[i].name;
    if (!platform::MoveToTrash(item)) {
      platform::RemoveTree(staged);
      Log(i == 0 ? "Restore failed, the Favorites folder is unchanged: the trash can't take " + item
                 : "Restore stopped: the trash can't take " + item +
                       "; what came before it is in the trash.");
      return;
    }
  }

  std::vector<platform::DirectoryEntry> restored;
  platform::ListDirectory(staged, restored);
  for (const platform::DirectoryEntry& entry : restored) {
    const std::string from = staged + "/" + entry.name;
    const std::string to = favorites + "/" + entry.name;
    if (::rename(from.c_str(), to.c_str()) != 0) {
      Log("Restore incomplete: the rest of the backup is in " + staged);
      return;
    }
  }
  ::rmdir(staged.c_str());
}

void FavoritesBackup::UpdateRestoreItem() {
  const std::string favorites = FavoritesPath();
  // Anything by that name counts, as the menu has always shown it.
  const bool exists = !favorites.empty() && Exists(BackupPath(favorites));
  if (owner_) owner_->EnableMenuCommand(ID_ACTION_RESTORE, exists);
}
