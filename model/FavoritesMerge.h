#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "model/FavoriteNode.h"
#include "model/FavoritesTree.h"
#include "model/SyncTarget.h"

// One thing a synchronisation did (or, in a dry run, would do), by the path below the root.
struct SyncChange {
  enum class Kind { kFolderAdded, kLinkAdded, kAddressReplaced, kLeftAlone, kNotWritten };
  Kind kind;
  std::string path;     // "News/Daily" for the link Daily in the folder News
  std::string url;      // the address written (links)
  std::string oldUrl;   // kAddressReplaced: the address the shortcut held before
  std::string why;      // kLeftAlone, kNotWritten: the reason
  bool isLink = false;  // a link, on disk the file "<path>.url"
};

// What a synchronisation did, for its status lines.
struct SyncReport {
  std::vector<SyncChange> changes;
  bool stopped = false;  // the caller asked it to stop before it was through
  int Count(SyncChange::Kind kind) const;
};

// Called now and then with the number of server nodes looked at so far; true stops the merge
// there (what was written stays).
using SyncProgress = std::function<bool(std::size_t visited)>;

// The path of the node below the root, names joined by "/" ("News/Daily"); empty for the root.
std::string NodePath(const FavoriteNode* node);

// Synchronisation: the checked children of the server root that the local tree's root lacks are
// copied into the local tree and put into the target, which stands at the Favorites folder;
// matching ones are merged level by level. An unchecked node is left out wherever it lies, also
// inside a folder that is missing locally. Nothing is ever deleted, renamed or moved; a replaced
// address is the one change to an existing file, and the target keeps the old content
// recoverable. The server tree is left as it was.
void MergeFavorites(FavoritesTree& local, const FavoriteNode* serverRoot, SyncTarget& target,
                    SyncReport* report = nullptr, const SyncProgress& progress = {});
