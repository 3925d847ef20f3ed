// The commands on the Favorites folder as a whole: read it again, back it up, restore it.
#include "commands/Commands.h"
#include "model/FavoritesBackup.h"

namespace commands {

Outcome RefreshLocal(Session& session) {
  session.Manager().ScanLocal(session.GetPlaces().FavoritesFolder());
  return Outcome::kDone;
}

Outcome Backup(Session& session) {
  FavoritesBackup backup(session.GetPlaces().FavoritesFolder(), session.Owner());
  return backup.Backup() ? Outcome::kDone : Outcome::kFailed;
}

Outcome Restore(Session& session) {
  FavoritesBackup backup(session.GetPlaces().FavoritesFolder(), session.Owner());
  const bool restored = backup.Restore();
  RefreshLocal(session);
  return restored ? Outcome::kDone : Outcome::kFailed;
}

bool BackupExists(const Session& session) {
  return FavoritesBackup(session.GetPlaces().FavoritesFolder(), session.Owner()).Exists();
}

bool CanRestore(const Session& session) {
  return FavoritesBackup(session.GetPlaces().FavoritesFolder(), session.Owner()).CanRestore();
}

}  // namespace commands
