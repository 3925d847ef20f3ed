#include "model/FavoritesManager.h"

#include <string>

#include "model/FavoritesList.h"
#include "model/FavoritesScan.h"
#include "platform/WholeFile.h"

namespace {

// The node after this one in pre-order below top, checked or not; null after the last.
const FavoriteNode* NextInOrder(const FavoriteNode* node, const FavoriteNode* top) {
  if (node->firstChild) return node->firstChild;
  for (; node != top; node = node->parent) {
    if (node->nextSibling) return node->nextSibling;
  }
  return nullptr;
}

// Whether two trees hold the same texts in the same shape, marks aside: in pre-order, the text
// and the child count of each node tell the whole tree.
bool SameNodes(const FavoritesTree& a, const FavoritesTree& b) {
  const FavoriteNode* x = a.Root();
  const FavoriteNode* y = b.Root();
  for (; x && y; x = NextInOrder(x, a.Root()), y = NextInOrder(y, b.Root())) {
    if (x->text != y->text || x->childCount != y->childCount) return false;
  }
  return x == y;
}

}  // namespace

ScanReport FavoritesManager::ScanLocal(const std::string& favoritesFolder) {
  const ScanReport report = ScanFavorites(m_localTree, favoritesFolder);
  ++m_localGeneration;
  return report;
}

bool FavoritesManager::TakeChangedLocalTree(const std::string& favoritesFolder) {
  FavoritesTree onDisk;
  ScanFavorites(onDisk, favoritesFolder);
  if (SameNodes(onDisk, m_localTree)) return false;
  m_localTree = std::move(onDisk);
  ++m_localGeneration;
  return true;
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
