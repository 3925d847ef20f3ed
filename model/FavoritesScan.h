#pragma once

#include <string>

#include "model/FavoriteNode.h"
#include "model/FavoritesTree.h"

// Reads a shortcut file's URL: 0 when a URL was copied, 1 when the file holds none.
int ReadShortcutUrl(const std::string& path, std::string& url);

// Rebuilds the tree from the Favorites folder: a root "Favorites" holding the folder's folders
// and the links of its shortcut files, in the listing's order. A folder that can't be listed
// adds nothing; the root stays alone when the folder is missing or not known (empty path).
void ScanFavorites(FavoritesTree& tree, const std::string& favoritesFolder);
