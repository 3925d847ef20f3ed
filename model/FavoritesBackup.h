#pragma once

class FavoritesOwner;

// Backup and restore of the whole Favorites folder, and the state of the "&Restore" item.
class FavoritesBackup {
 public:
  void SetOwner(FavoritesOwner* dialog) { owner_ = dialog; }

  void Backup();
  void Restore();
  void UpdateRestoreItem();

 private:
  FavoritesOwner* owner_ = nullptr;
};
