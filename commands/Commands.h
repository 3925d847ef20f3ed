#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "commands/Session.h"
#include "transfer/TransferSettings.h"

// The user's commands, each the whole sequence it runs, reporting through the session's owner.
// The window routes its menu here; the command line parses its arguments into the same calls.
namespace commands {

enum class Outcome {
  kDone,
  kFailed,    // said why in the status log or in a message
  kDeclined,  // the user (or a default answer) said no, or left the settings unfilled
};

// Returns once the settings the chosen way needs are there (true), asking the owner to fill them
// in as often as it confirms; false when it doesn't.
bool CheckTransferSettings(Session& session);

// "&Upload local": the local tree, without the unchecked nodes, replaces the server copy. The
// old favorites message is deleted from the mailbox first.
Outcome Upload(Session& session);
// "&Download server" (kRetrieve): fetches the server copy into the server tree. kDelete deletes
// the favorites message; kList only signs in. The trees are not touched by those two.
Outcome Download(Session& session, DownloadMode mode = DownloadMode::kRetrieve);

struct SyncOptions {
  bool dryRun = false;  // say what would be written, write nothing
};
// "&Snychronize": the checked server folders and links that the local tree lacks are created in
// the Favorites folder, then the local tree is read again from it. When the server copy changed
// since the view showed it, the new copy is shown instead and nothing is written.
Outcome Synchronize(Session& session, SyncOptions options = {});
// The merge behind Synchronize and the bookmarks import: the checked nodes of the source tree
// that the local tree lacks are created in the Favorites folder (or, in a dry run, listed). The
// status log gets a line for each replaced address, each file left alone and each node not
// written, then one line of counts.
Outcome MergeIntoFavorites(Session& session, const FavoritesTree& source, SyncOptions options);

// The history of server copies: every copy an upload replaced and every copy downloaded, the
// newest first, the last 20 kept in the state folder.
struct HistoryEntry {
  std::string file;    // the copy itself
  std::string time;    // when it was kept, local time, "2026-12-11 14:05:09"
  std::string origin;  // "downloaded" or "replaced by an upload"
};
std::vector<HistoryEntry> History(const Session& session);
// Shows the copy at that place of History() as the server copy, to synchronise from as usual.
Outcome RestoreHistory(Session& session, std::size_t index);

// "&Import bookmarks file ...": a browser's bookmarks file (the Netscape format) merged into the
// Favorites folder as Synchronize merges a server copy. "Export as &bookmarks file ...": the
// local tree written in that format.
Outcome ImportBookmarks(Session& session, const std::string& file, SyncOptions options = {});
Outcome ExportBookmarks(Session& session, const std::string& file);

// Reads the local tree from the Favorites folder again; one status line says what it left out.
Outcome RefreshLocal(Session& session);

// "&Backup" and "&Restore" of the whole Favorites folder; each says what it copied. Restore asks
// first (default No).
Outcome Backup(Session& session);
Outcome Restore(Session& session);
// Whether anything bears the backup folder's name (which enables "&Restore"), and whether it is a
// folder that Restore can restore from.
bool BackupExists(const Session& session);
bool CanRestore(const Session& session);

// "&Export as text file ...": the local tree's favorites list, unchecked nodes left out, into
// the file. Says so when it can't be written.
Outcome Export(Session& session, const std::string& file);
// The same list as text (the print preview draws it).
std::string LocalListText(const Session& session);

}  // namespace commands
