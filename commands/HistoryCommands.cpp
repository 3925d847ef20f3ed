// The history of server copies: kept in the state folder's "history" folder, one file per copy,
// named by when it was kept and why, so the names sort by time.
#include <algorithm>
#include <cstdio>
#include <ctime>

#include "commands/CommandSupport.h"
#include "platform/DirectoryListing.h"
#include "platform/FileTree.h"
#include "platform/WholeFile.h"

namespace commands {
namespace {

constexpr std::size_t kKept = 20;
constexpr const char* kDownloaded = "downloaded";
constexpr const char* kReplaced = "replaced";

std::string HistoryFolder(const Places& places) {
  return places.WorkingFile("history");
}

// "20261211-140509-001-downloaded.txt", newest first.
std::vector<std::string> EntryNames(const Places& places) {
  std::vector<platform::DirectoryEntry> entries;
  platform::ListDirectory(HistoryFolder(places), entries);
  std::vector<std::string> names;
  for (const platform::DirectoryEntry& entry : entries) {
    const std::string& name = entry.name;
    if (!entry.isDirectory && name.size() > 20 && name[8] == '-' && name[15] == '-' &&
        name.compare(name.size() - 4, 4, ".txt") == 0) {
      names.push_back(name);
    }
  }
  std::sort(names.rbegin(), names.rend());
  return names;
}

HistoryEntry Describe(const Places& places, const std::string& name) {
  HistoryEntry entry;
  entry.file = HistoryFolder(places) + "/" + name;
  entry.time = name.substr(0, 4) + "-" + name.substr(4, 2) + "-" + name.substr(6, 2) + " " +
               name.substr(9, 2) + ":" + name.substr(11, 2) + ":" + name.substr(13, 2);
  const bool replaced = name.find(std::string("-") + kReplaced + ".") != std::string::npos;
  entry.origin = replaced ? "replaced by an upload" : "downloaded";
  return entry;
}

}  // namespace

bool KeepInHistory(const Places& places, std::string_view copy, bool replacedByUpload) {
  const std::string folder = HistoryFolder(places);
  if (!platform::IsFolder(folder) && !platform::MakeFolders(folder)) return false;
  const std::vector<std::string> names = EntryNames(places);
  // The same copy downloaded again adds nothing: it would only push older ones out.
  if (!replacedByUpload && !names.empty()) {
    std::string newest;
    if (platform::ReadWholeFile(folder + "/" + names.front(), newest) && newest == copy) {
      return true;
    }
  }
  const std::time_t now = std::time(nullptr);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::localtime(&now));
  int sequence = 1;
  for (const std::string& name : names) {
    if (name.compare(0, 15, stamp) == 0) sequence = std::max(sequence, std::atoi(&name[16]) + 1);
  }
  char name[96];
  std::snprintf(name, sizeof name, "%s-%03d-%s.txt", stamp, sequence,
                replacedByUpload ? kReplaced : kDownloaded);
  if (platform::ReplaceFileWhole(folder + "/" + name, copy) != 0) return false;
  // The oldest beyond the last kKept go; they are the program's own copies.
  const std::vector<std::string> all = EntryNames(places);
  for (std::size_t i = kKept; i < all.size(); ++i) platform::RemoveTree(folder + "/" + all[i]);
  return true;
}

std::vector<HistoryEntry> History(const Session& session) {
  std::vector<HistoryEntry> entries;
  for (const std::string& name : EntryNames(session.GetPlaces())) {
    entries.push_back(Describe(session.GetPlaces(), name));
  }
  return entries;
}

Outcome RestoreHistory(Session& session, std::size_t index) {
  CommandOwner& owner = session.Owner();
  const std::vector<HistoryEntry> entries = History(session);
  if (index >= entries.size()) {
    owner.Tell("There is no server copy number " + std::to_string(index + 1) + " in the history.",
               CommandOwner::Notice::kError);
    return Outcome::kFailed;
  }
  const std::unique_ptr<platform::FileLock> lock = LockStateFolder(session);
  if (!lock) return Outcome::kFailed;
  const HistoryEntry& entry = entries[index];
  std::string bytes;
  const std::string serverFile = session.GetPlaces().WorkingFile(Places::kServerFile);
  if (!platform::ReadWholeFile(entry.file, bytes) ||
      platform::ReplaceFileWhole(serverFile, bytes) != 0 ||
      session.Manager().LoadServerCopy(serverFile) != 0) {
    owner.LogStatus("The server copy of " + entry.time + " can't be read.\r\n");
    return Outcome::kFailed;
  }
  owner.LogStatus("The server copy of " + entry.time + " (" + entry.origin +
                  ") is shown; synchronise from it as usual.\r\n");
  return Outcome::kDone;
}

}  // namespace commands
