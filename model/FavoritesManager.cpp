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

void FavoritesManager::PlanSynchronise(SyncTarget& target, SyncReport& report) const {
  if (m_serverTree.Empty() || m_localTree.Empty()) return;
  FavoritesTree scratch;
  scratch.AppendCopy(nullptr, m_localTree.Root());
  MergeFavorites(scratch, m_serverTree.Root(), target, &report);
}

int FavoritesManager::Synchronise(SyncTarget& target, const std::string& serverFile,
                                  SyncReport* report) {
  if (!m_serverTree.Empty() && !m_localTree.Empty()) {
    MergeFavorites(m_localTree, m_serverTree.Root(), target, report);
    ++m_localGeneration;
  }
  // The server view is left as it was: it is not told of this reload.
  m_serverTree.Clear();
  return Load(m_serverTree, serverFile);
}

int FavoritesManager::ExportText(std::string& text, bool toFile) const {
  if (toFile) return SaveText(m_localTree, text);
  text = BuildText(m_localTree);
  return 0;
}
