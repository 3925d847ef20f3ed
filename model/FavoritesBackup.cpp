#include "model/FavoritesBackup.h"

#include <algorithm>
#include <vector>

#include "platform/CommandOwner.h"
#include "platform/Counted.h"
#include "platform/DirectoryListing.h"
#include "platform/FileTree.h"
#include "platform/Trash.h"

FavoritesBackup::FavoritesBackup(const std::string& favoritesFolder, CommandOwner& owner)
    : m_favorites(favoritesFolder), m_owner(owner) {
  while (m_favorites.size() > 1 && m_favorites.back() == '/') m_favorites.pop_back();
  if (m_favorites == "/") m_favorites.clear();
}

void FavoritesBackup::Log(const std::string& line) {
  m_owner.LogStatus(line + "\r\n");
}

namespace {

// "12 files and 3 folders", with the symbolic links when there are any.
std::string Copied(const platform::CopyCounts& counts) {
  std::string text = platform::Counted(counts.files, "file", "files");
  text += counts.links > 0 ? ", " : " and ";
  text += platform::Counted(counts.folders, "folder", "folders");
  if (counts.links > 0)
    text += " and " + platform::Counted(counts.links, "symbolic link", "symbolic links");
  return text;
}

}  // namespace

bool FavoritesBackup::Backup() {
  const std::string& favorites = m_favorites;
  if (favorites.empty()) {
    Log("Backup failed: the Favorites folder is not known.");
    return false;
  }
  const std::string backup = BackupPath(favorites);
  const std::string fresh = platform::MakeFolderBeside(backup, "new");
  std::string error;
  if (fresh.empty()) {
    Log("Backup failed: no folder can be made beside " + backup + ".");
    return false;
  }
  platform::CopyCounts counts;
  if (!platform::CopyFolderContents(favorites, fresh, error, &counts)) {
    platform::RemoveTree(fresh);
    Log("Backup failed, the previous backup is kept: " + error);
    return false;
  }
  const bool replacing = platform::PathExists(backup);
  if (replacing && !platform::MoveToTrash(backup)) {
    platform::RemoveTree(fresh);
    Log("Backup failed, the previous backup is kept: it can't be moved to the trash: " + backup);
    return false;
  }
  platform::CopyFolderAttributes(favorites, fresh);
  if (!platform::RenamePath(fresh, backup)) {
    platform::RemoveTree(fresh);
    Log("Backup failed: the copy can't be named " + backup +
        "; the previous backup is in the trash.");
    return false;
  }
  Log("Backup: " + Copied(counts) + " copied to " + backup + "." +
      (replacing ? " The previous backup is in the trash." : ""));
  return true;
}

bool FavoritesBackup::Restore() {
  const std::string& favorites = m_favorites;
  const std::string backup = favorites.empty() ? std::string() : BackupPath(favorites);
  if (backup.empty() || !platform::IsFolder(backup)) {
    Log("Restore failed: there is no backup folder " + backup + ".");
    return false;
  }
  if (!platform::IsFolder(favorites) && !platform::MakeFolder(favorites)) {
    Log("Restore failed: the Favorites folder can't be made: " + favorites);
    return false;
  }

  std::vector<platform::DirectoryEntry> current;
  platform::ListDirectory(favorites, current);
  // Links go first: the trash takes a link only while its target is there, and the target may be
  // one of the other items.
  std::stable_partition(current.begin(), current.end(), [&](const platform::DirectoryEntry& entry) {
    return platform::IsSymbolicLink(favorites + "/" + entry.name);
  });
  for (const platform::DirectoryEntry& entry : current) {
    const std::string item = favorites + "/" + entry.name;
    if (!platform::CanMoveToTrash(item)) {
      Log("Restore failed, the Favorites folder is unchanged: this can't be moved to the trash: " +
          item);
      return false;
    }
  }

  const std::string staged = platform::MakeFolderBeside(favorites, "restore");
  std::string error;
  if (staged.empty()) {
    Log("Restore failed: no folder can be made beside " + favorites + ".");
    return false;
  }
  platform::CopyCounts counts;
  if (!platform::CopyFolderContents(backup, staged, error, &counts)) {
    platform::RemoveTree(staged);
    Log("Restore failed, the Favorites folder is unchanged: " + error);
    return false;
  }

  for (size_t i = 0; i < current.size(); ++i) {
    const std::string item = favorites + "/" + current[i].name;
    if (!platform::MoveToTrash(item)) {
      platform::RemoveTree(staged);
      Log(i == 0 ? "Restore failed, the Favorites folder is unchanged: the trash can't take " + item
                 : "Restore stopped: the trash can't take " + item +
                       "; what came before it is in the trash.");
      return false;
    }
  }

  std::vector<platform::DirectoryEntry> restored;
  platform::ListDirectory(staged, restored);
  for (const platform::DirectoryEntry& entry : restored) {
    const std::string from = staged + "/" + entry.name;
    const std::string to = favorites + "/" + entry.name;
    if (!platform::RenamePath(from, to)) {
      Log("Restore incomplete: the rest of the backup is in " + staged);
      return false;
    }
  }
  platform::RemoveEmptyFolder(staged);
  Log("Restore: " + Copied(counts) + " copied from " + backup + "." +
      (current.empty() ? "" : " What the Favorites folder held before is in the trash."));
  return true;
}

bool FavoritesBackup::Exists() const {
  // Anything by that name counts, as the menu has always shown it.
  return !m_favorites.empty() && platform::PathExists(BackupPath(m_favorites));
}

bool FavoritesBackup::CanRestore() const {
  return !m_favorites.empty() && platform::IsFolder(BackupPath(m_favorites));
}
