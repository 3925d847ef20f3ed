#include "commands/Commands.h"
#include "model/DiskTarget.h"
#include "model/DryRunTarget.h"
#include "platform/CommandOwner.h"

namespace commands {
namespace {

void LogPlan(CommandOwner& owner, const SyncReport& report) {
  for (const SyncChange& change : report.changes) {
    switch (change.kind) {
      case SyncChange::Kind::kFolderAdded:
        owner.LogStatus("would create folder " + change.path + "\r\n");
        break;
      case SyncChange::Kind::kLinkAdded:
        owner.LogStatus("would create link " + change.path + "\t" + change.url + "\r\n");
        break;
      case SyncChange::Kind::kAddressReplaced:
        owner.LogStatus("would replace the address of " + change.path + ": " + change.oldUrl +
                        " -> " + change.url + "\r\n");
        break;
      case SyncChange::Kind::kNotWritten:
        owner.LogStatus("would not write " + change.path + ": " + change.why + "\r\n");
        break;
    }
  }
}

}  // namespace

Outcome MergeIntoFavorites(Session& session, const FavoritesTree& source, SyncOptions options) {
  FavoritesManager& manager = session.Manager();
  const std::string favorites = session.GetPlaces().FavoritesFolder();
  SyncReport report;
  if (options.dryRun) {
    DryRunTarget target(favorites);
    manager.PlanMerge(source, target, report);
    LogPlan(session.Owner(), report);
    return Outcome::kDone;
  }
  DiskTarget target(favorites);
  manager.MergeIntoLocal(source, target, &report);
  return Outcome::kDone;
}

Outcome Synchronize(Session& session, SyncOptions options) {
  CommandOwner& owner = session.Owner();
  FavoritesManager& manager = session.Manager();
  if (manager.ServerTree().Empty()) {
    owner.Tell("Please download favorites from server first.", CommandOwner::Notice::kInformation);
    return Outcome::kFailed;
  }
  // Synchronize transfers nothing, but asks for complete settings all the same.
  if (!CheckTransferSettings(session)) return Outcome::kDeclined;
  const Outcome merged = MergeIntoFavorites(session, manager.ServerTree(), options);
  if (!options.dryRun) {
    manager.ReloadServerTree(session.GetPlaces().WorkingFile(Places::kServerFile));
  }
  return merged;
}

}  // namespace commands
