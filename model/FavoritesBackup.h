#pragma once

#include <string>

class CommandOwner;

// Backup and restore of the whole Favorites folder. The backup folder is the Favorites folder's
// path with "2" appended, beside it.
//
// Neither command loses data when it fails half-way: Backup copies into a new folder first and
// replaces the previous backup only once the copy is complete; Restore copies the backup in
// beside the Favorites folder first and touches the Favorites folder only once that copy is
// complete. Whatever is replaced goes to the desktop's trash; where the trash can't take it, the
// command stops and says so in the status log rather than delete anything for good.
class FavoritesBackup {
 public:
  // favoritesFolder: the Favorites folder as the shell names it now.
  FavoritesBackup(const std::string& favoritesFolder, CommandOwner& owner);

  // True when the copy is complete and in place.
  bool Backup();
  bool Restore();
  // Whether anything bears the backup folder's name (what enables "&Restore").
  bool Exists() const;
  // Whether that is a folder, which Restore can restore from.
  bool CanRestore() const;

  const std::string& FavoritesPath() const { return m_favorites; }
  static std::string BackupPath(const std::string& favorites) { return favorites + "2"; }

 private:
  void Log(const std::string& line);

  std::string m_favorites;  // without a trailing slash, so the backup stays beside it
  CommandOwner& m_owner;
};
