#include "model/FavoritesManager.h"

#include "model/FavoritesList.h"
#include "model/FavoritesScan.h"

void FavoritesManager::ScanLocal(const std::string& favoritesFolder) {
  ScanFavorites(m_localTree, favoritesFolder);
  ++m_localGeneration;
}

int FavoritesManager::PrepareUpload(const std::string& localFile) const {
  return SaveText(m_localTree, localFile);
}

int FavoritesManager::LoadServerCopy(const std::string& serverFile) {
  // Read aside: a copy that can't be read leaves the tree the view shows.
  FavoritesTree copy;
  if (Load(copy, serverFile) != 0) return 1;
  m_serverTree = std::move(copy);
  ++m_serverGeneration;
  return 0;
}

void FavoritesManager::MergeIntoLocal(const FavoritesTree& source, SyncTarget& target,
                                      SyncReport* report) {
  if (source.Empty() || m_localTree.Empty()) return;
  MergeFavorites(m_localTree, source.Root(), target, report);
  ++m_localGeneration;
}

void FavoritesManager::PlanMerge(const FavoritesTree& source, SyncTarget& target,
                                 SyncReport& report) const {
  if (source.Empty() || m_localTree.Empty()) return;
  FavoritesTree scratch;
  scratch.AppendCopy(nullptr, m_localTree.Root());
  MergeFavorites(scratch, source.Root(), target, &report);
}

int FavoritesManager::Synchronise(SyncTarget& target, const std::string& serverFile,
                                  SyncReport* report) {
  MergeIntoLocal(m_serverTree, target, report);
  return ReloadServerTree(serverFile);
}

int FavoritesManager::ReloadServerTree(const std::string& serverFile) {
  // The server view is left as it was: it is not told of this reload.
  m_serverTree.Clear();
  return Load(m_serverTree, serverFile);
}

int FavoritesManager::ExportText(std::string& text, bool toFile) const {
  if (toFile) return SaveText(m_localTree, text);
  text = BuildText(m_localTree);
  return 0;
}
