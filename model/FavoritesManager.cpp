#include "model/FavoritesManager.h"

#include <string>

#include "model/FavoritesList.h"
#include "model/FavoritesScan.h"
#include "platform/WholeFile.h"

ScanReport FavoritesManager::ScanLocal(const std::string& favoritesFolder) {
  const ScanReport report = ScanFavorites(m_localTree, favoritesFolder);
  ++m_localGeneration;
  return report;
}

int FavoritesManager::PrepareUpload(const std::string& localFile) const {
  return SaveText(m_localTree, localFile);
}

int FavoritesManager::LoadServerCopy(const std::string& serverFile) {
  // Read aside: a copy that can't be read leaves the tree the view shows.
  FavoritesTree copy;
  if (Load(copy, serverFile) != 0) return 1;
  m_serverTree = std::move(copy);
  m_serverFile = serverFile;
  ++m_serverGeneration;
  return 0;
}

bool FavoritesManager::TakeChangedServerCopy() {
  if (m_serverFile.empty() || m_serverTree.Empty() || m_serverTree.Source().data() == nullptr) {
    return false;
  }
  // The bytes are compared first: the copy is read into a tree only when it did change.
  std::string bytes;
  if (!platform::ReadWholeFile(m_serverFile, bytes, kMaxListSize) ||
      bytes == m_serverTree.Source()) {
    return false;
  }
  FavoritesTree now;
  LoadText(now, std::move(bytes));
  m_serverTree = std::move(now);
  ++m_serverGeneration;
  return true;
}

void FavoritesManager::MergeIntoLocal(const FavoritesTree& source, SyncTarget& target,
                                      SyncReport* report, const SyncProgress& progress) {
  if (source.Empty() || m_localTree.Empty()) return;
  MergeFavorites(m_localTree, source.Root(), target, report, progress);
  ++m_localGeneration;
}

void FavoritesManager::PlanMerge(const FavoritesTree& source, SyncTarget& target,
                                 SyncReport& report) const {
  if (source.Empty() || m_localTree.Empty()) return;
  FavoritesTree scratch;
  scratch.AppendCopy(nullptr, m_localTree.Root());
  MergeFavorites(scratch, source.Root(), target, &report);
}

int FavoritesManager::ExportText(std::string& text, bool toFile) const {
  if (toFile) return SaveText(m_localTree, text);
  text = BuildText(m_localTree);
  return 0;
}
