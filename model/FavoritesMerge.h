#pragma once

#include <string>

#include "FavoriteNode.h"
#include "FolderWriter.h"

// Saves the URL as an Internet shortcut file of that name. Returns 0 or the platform's error
// code; no caller looks at it.
int WriteShortcut(const std::string& url, const std::string& fileName);

// The merge behind FavoritesTree::Merge, with the disk reached through the given writer, which
// stands at the local node's folder: the server node's checked children that the local node
// lacks are moved under it and written.
void MergeFavorites(FavoriteNode* local, FavoriteNode* server, platform::FolderWriter& writer);
