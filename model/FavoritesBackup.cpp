#include "FavoritesBackup.h"

#include "FavoritesOwner.h"

void FavoritesBackup::Backup() {}

void FavoritesBackup::Restore() {}

void FavoritesBackup::UpdateRestoreItem() {}
