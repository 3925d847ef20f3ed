#pragma once

#include <cstddef>
#include <string>

#include "model/FavoriteNode.h"
#include "model/FavoritesTree.h"

// What a scan left out because it could not read it, or because the favorites list could not
// carry it. Files that are simply not shortcuts are not counted: they never were favorites.
struct ScanReport {
  std::size_t unreadableFolders = 0;  // folders that can't be opened or listed
  std::size_t unreadableFiles = 0;    // files that can't be opened or read
  std::size_t tooLarge = 0;           // files too large to be shortcuts
  std::size_t unlistableNames = 0;    // names holding CR, LF or 0x01, or starting with a TAB
  bool Complete() const {
    return unreadableFolders + unreadableFiles + tooLarge + unlistableNames == 0;
  }
};

// Rebuilds the tree from the Favorites folder: a root "Favorites" holding the folder's folders
// (by their whole names) and the links of its shortcut files (named by the file name without its
// last extension), in the listing's order. The root stays alone when the folder is missing or
// not known (empty path).
ScanReport ScanFavorites(FavoritesTree& tree, const std::string& favoritesFolder);
