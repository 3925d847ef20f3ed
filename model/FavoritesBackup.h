#pragma once

#include <string>

class FavoritesOwner;

// Backup and restore of the whole Favorites folder, and the state of the "&Restore" item. The
// backup folder is the Favorites folder's path with "2" appended, beside it.
//
// Neither command loses data when it fails half-way: Backup copies into a new folder first and
// replaces the previous backup only once the copy is complete; Restore copies the backup in
// beside the Favorites folder first and touches the Favorites folder only once that copy is
// complete. Whatever is replaced goes to the desktop's trash; where the trash can't take it, the
// command stops and says so in the status log rather than delete anything for good.
class FavoritesBackup {
 public:
  void SetOwner(FavoritesOwner* dialog) { owner_ = dialog; }

  void Backup();
  void Restore();
  // Enables "&Restore" while anything bears the backup folder's name, greys it otherwise.
  void UpdateRestoreItem();

  // The Favorites folder as the shell names it now, without a trailing slash, so that the
  // backup stays beside it and never lands inside it; empty when unknown.
  static std::string FavoritesPath();
  static std::string BackupPath(const std::string& favorites) { return favorites + "2"; }

 private:
  void Log(const std::string& line);

  FavoritesOwner* owner_ = nullptr;
};
