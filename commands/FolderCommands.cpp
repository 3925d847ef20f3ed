// The commands on the Favorites folder as a whole: read it again, back it up, restore it.
#include "commands/Commands.h"
#include "model/FavoritesBackup.h"
#include "platform/CommandOwner.h"
#include "platform/Counted.h"

namespace commands {
namespace {

void AddPart(std::string& parts, std::size_t n, const char* one, const char* many) {
  if (n == 0) return;
  if (!parts.empty()) parts += ", ";
  parts += platform::Counted(n, one, many);
}

}  // namespace

Outcome RefreshLocal(Session& session) {
  const ScanReport report = session.Manager().ScanLocal(session.GetPlaces().FavoritesFolder());
  if (report.Complete()) return Outcome::kDone;
  std::string parts;
  AddPart(parts, report.unreadableFolders, "folder that can't be read",
          "folders that can't be read");
  AddPart(parts, report.unreadableFiles, "file that can't be read", "files that can't be read");
  AddPart(parts, report.tooLarge, "file too large to be a shortcut",
          "files too large to be shortcuts");
  AddPart(parts, report.unlistableNames, "name that holds a line break, a 0x01 or a leading TAB",
          "names that hold a line break, a 0x01 or a leading TAB");
  session.Owner().LogStatus("Left out of the local favorites: " + parts +
                            ". They stay as they are in the Favorites folder; fix or rename them "
                            "there to take them in.\r\n");
  return Outcome::kDone;
}

Outcome Backup(Session& session) {
  FavoritesBackup backup(session.GetPlaces().FavoritesFolder(), session.Owner());
  return backup.Backup() ? Outcome::kDone : Outcome::kFailed;
}

Outcome Restore(Session& session) {
  FavoritesBackup backup(session.GetPlaces().FavoritesFolder(), session.Owner());
  // Without a backup folder nothing is asked: Restore says why it can't.
  if (backup.CanRestore() &&
      !session.Owner().Ask("Restore the Favorites folder " + backup.FavoritesPath() +
                               " from its backup " +
                               FavoritesBackup::BackupPath(backup.FavoritesPath()) +
                               "? Everything the Favorites folder holds now goes to the trash.",
                           false)) {
    session.Owner().LogStatus("Restore cancelled: the Favorites folder is unchanged.\r\n");
    return Outcome::kDeclined;
  }
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
