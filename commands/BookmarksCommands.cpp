// Browsers' bookmarks files: imported into the Favorites folder as a server copy is
// synchronised, and the local tree exported for a browser to import.
#include <chrono>

#include "commands/Commands.h"
#include "model/BookmarksFile.h"
#include "platform/CommandOwner.h"
#include "platform/Counted.h"

namespace commands {
namespace {

// Why a file gave no bookmarks; empty when it did.
std::string Refusal(const std::string& file, BookmarksRead::Status status) {
  switch (status) {
    case BookmarksRead::Status::kRead:
      return {};
    case BookmarksRead::Status::kCantRead:
      return file + " can't be read.";
    case BookmarksRead::Status::kTooLarge:
      return file + " is larger than " + std::to_string(kMaxBookmarksFile >> 20) +
             " MiB, more than a bookmarks file holds.";
    case BookmarksRead::Status::kTooMany:
      return file + " holds more than " + std::to_string(kMaxBookmarks) +
             " folders and links, more than one import takes.";
    case BookmarksRead::Status::kNotBookmarks:
    case BookmarksRead::Status::kInterrupted:
      break;
  }
  return file + " is not a bookmarks file. Export the bookmarks from the browser as an HTML " +
         "file and import that file.";
}

void LogRead(CommandOwner& owner, const std::string& file, const BookmarksRead& read) {
  owner.LogStatus("read " + platform::Counted(read.folders, "folder", "folders") + " and " +
                  platform::Counted(read.links, "link", "links") + " from " + file + "\r\n");
  const std::string tooLong = std::to_string(kMaxBookmarkUrl >> 10) + " KiB";
  const struct {
    std::size_t count;
    std::string one;
    std::string many;
  } leftOut[] = {
      {read.withoutAddress, "bookmark without an address", "bookmarks without an address"},
      {read.scripts, "script bookmark (javascript:)", "script bookmarks (javascript:)"},
      {read.queries, "browser query (place:)", "browser queries (place:)"},
      {read.tooLong, "bookmark whose address is longer than " + tooLong,
       "bookmarks whose addresses are longer than " + tooLong},
  };
  for (const auto& left : leftOut) {
    if (left.count)
      owner.LogStatus("left out " + platform::Counted(left.count, left.one, left.many) + "\r\n");
  }
  for (const BookmarksRead::Renamed& renamed : read.renamed) {
    owner.LogStatus("named " + renamed.path + ": " + renamed.why + "\r\n");
  }
}

}  // namespace

Outcome ImportBookmarks(Session& session, const std::string& file, SyncOptions options) {
  CommandOwner& owner = session.Owner();
  FavoritesTree bookmarks;
  const BookmarksRead read = LoadBookmarks(file, bookmarks, &owner);
  if (read.status == BookmarksRead::Status::kInterrupted) {
    owner.LogStatus("import stopped: nothing was changed\r\n");
    return Outcome::kFailed;
  }
  if (read.status != BookmarksRead::Status::kRead) {
    owner.Tell(Refusal(file, read.status), CommandOwner::Notice::kError);
    return Outcome::kFailed;
  }
  LogRead(owner, file, read);
  // The merge adds to the local tree as it is; one never read would take nothing.
  if (session.Manager().LocalTree().Empty()) RefreshLocal(session);
  const Outcome merged = MergeIntoFavorites(session, bookmarks, options);
  if (!options.dryRun) RefreshLocal(session);
  return merged;
}

Outcome ExportBookmarks(Session& session, const std::string& file) {
  const auto now = std::chrono::duration_cast<std::chrono::seconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                       .count();
  if (SaveBookmarks(session.Manager().LocalTree(), file, now) == 0) return Outcome::kDone;
  session.Owner().Tell("The favorites can't be written to " + file + ".",
                       CommandOwner::Notice::kError);
  return Outcome::kFailed;
}

}  // namespace commands
