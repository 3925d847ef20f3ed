#include "commands/Commands.h"
#include "model/DiskTarget.h"
#include "model/DryRunTarget.h"
#include "platform/CommandOwner.h"
#include "platform/Counted.h"

namespace commands {
namespace {

// A link is a file of its name with ".url" on disk; that is the name the user finds.
std::string FileOf(const SyncChange& change) {
  return change.isLink ? change.path + ".url" : change.path;
}

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
      case SyncChange::Kind::kLeftAlone:
        owner.LogStatus("would leave " + FileOf(change) + " alone: " + change.why + "\r\n");
        break;
      case SyncChange::Kind::kNotWritten:
        owner.LogStatus("would not write " + change.path + ": " + change.why + "\r\n");
        break;
    }
  }
}

// What the merge changed or could not change, one line each, then one line of counts.
void LogDone(CommandOwner& owner, const SyncReport& report) {
  for (const SyncChange& change : report.changes) {
    switch (change.kind) {
      case SyncChange::Kind::kAddressReplaced:
        owner.LogStatus("Address of " + change.path + " replaced: " + change.oldUrl + " -> " +
                        change.url + " (the old shortcut is in the trash)\r\n");
        break;
      case SyncChange::Kind::kLeftAlone:
        owner.LogStatus("Left " + FileOf(change) + " alone: " + change.why + "\r\n");
        break;
      case SyncChange::Kind::kNotWritten:
        owner.LogStatus("Not written: " + change.path + ": " + change.why + "\r\n");
        break;
      case SyncChange::Kind::kFolderAdded:
      case SyncChange::Kind::kLinkAdded:
        break;
    }
  }
  std::string counts =
      "Favorites folder: " +
      platform::Counted(report.Count(SyncChange::Kind::kFolderAdded), "folder", "folders") +
      " and " + platform::Counted(report.Count(SyncChange::Kind::kLinkAdded), "link", "links") +
      " added, " +
      platform::Counted(report.Count(SyncChange::Kind::kAddressReplaced), "address", "addresses") +
      " replaced";
  if (const int alone = report.Count(SyncChange::Kind::kLeftAlone)) {
    counts += ", " + platform::Counted(alone, "file", "files") + " left alone";
  }
  if (const int failed = report.Count(SyncChange::Kind::kNotWritten)) {
    counts += ", " + std::to_string(failed) + " not written";
  }
  owner.LogStatus(counts + (report.stopped ? "; stopped before the end." : ".") + "\r\n");
}

}  // namespace

Outcome MergeIntoFavorites(Session& session, const FavoritesTree& source, SyncOptions options) {
  FavoritesManager& manager = session.Manager();
  CommandOwner& owner = session.Owner();
  const std::string favorites = session.GetPlaces().FavoritesFolder();
  SyncReport report;
  if (options.dryRun) {
    DryRunTarget target(favorites);
    manager.PlanMerge(source, target, report);
    LogPlan(owner, report);
    return Outcome::kDone;
  }
  const long long total = static_cast<long long>(source.NodeCount());
  DiskTarget target(favorites);
  manager.MergeIntoLocal(source, target, &report, [&](std::size_t visited) {
    owner.Progress("favorites", static_cast<long long>(visited), total);
    return owner.Interrupted();
  });
  LogDone(owner, report);
  return report.stopped ? Outcome::kFailed : Outcome::kDone;
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
  // The check boxes belong to the copy the view showed: they are never paired with another one.
  if (manager.TakeChangedServerCopy()) {
    owner.LogStatus(
        "The server copy has changed since it was shown, so nothing was synchronized. The server "
        "view now shows the new copy: check its boxes again, then synchronize.\r\n");
    return Outcome::kFailed;
  }
  const Outcome merged = MergeIntoFavorites(session, manager.ServerTree(), options);
  // The local tree is what is on disk now, whatever the merge managed to write.
  if (!options.dryRun) RefreshLocal(session);
  return merged;
}

}  // namespace commands
