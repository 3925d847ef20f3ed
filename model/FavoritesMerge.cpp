#include "FavoritesTree.h"

void FavoritesTree::Merge(FavoriteNode*, FavoriteNode*) {}

std::string FavoritesTree::FindPath(const FavoriteNode*) const { return "/"; }

void FavoritesTree::WriteToDisk(const std::string&, const FavoriteNode*) const {}
