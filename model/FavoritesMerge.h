#pragma once

#include <string>
#include <vector>

#include "model/FavoriteNode.h"
#include "model/FavoritesTree.h"
#include "model/SyncTarget.h"

// One thing a synchronisation did (or, in a dry run, would do), by the path below the root.
struct SyncChange {
  enum class Kind { kFolderAdded, kLinkAdded, kAddressReplaced, kNotWritten };
  Kind kind;
  std::string path;    // "News/Daily" for the link Daily in the folder News
  std::string url;     // the address written (links)
  std::string oldUrl;  // kAddressReplaced: the address the shortcut held before
  std::string why;     // kNotWritten: the reason
};

// What a synchronisation did, for its status lines.
struct SyncReport {
  std::vector<SyncChange> changes;
  int Count(SyncChange::Kind kind) const;
};

// The path of the node below the root, names joined by "/" ("News/Daily"); empty for the root.
std::string NodePath(const FavoriteNode* node);

// Synchronisation: the checked children of the server root that the local tree's root lacks are
// copied into the local tree and put into the target, which stands at the Favorites folder;
// matching ones are merged level by level. Nothing is ever deleted, renamed or moved. The server
// tree is left as it was.
void MergeFavorites(FavoritesTree& local, const FavoriteNode* serverRoot, SyncTarget& target,
                    SyncReport* report = nullptr);
