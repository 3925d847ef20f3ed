#include "FavoritesManager.h"

#include <vector>

#include "DirectoryListing.h"
#include "ShellFolders.h"
#include "ShortcutFile.h"
#include "TreeViewOps.h"

int ReadShortcutUrl(const std::string& path, std::string& url) {
  return platform::LoadShortcutUrl(path, url) ? 0 : 1;
}

namespace {

// The name without its last extension: "Tech.News" -> "Tech", ".cache" -> "".
std::string Title(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace

void FavoritesManager::ScanLocal() {
  localTree.Clear();
  FavoriteNode* root = localTree.AddNode(nullptr, "Favorites");
  const std::string folder = platform::FavoritesFolder();
  if (folder.empty()) return;
  // Folders are scanned from a work list rather than by recursion: the depth is the disk's. The
  // order in which folders are scanned does not matter, as every node is placed when it is found.
  std::vector<PendingFolder> pending{{root, folder}};
  pendingFolders_ = &pending;
  while (!pending.empty()) {
    PendingFolder next = std::move(pending.back());
    pending.pop_back();
    ScanFolder(next.node, next.path);
  }
  pendingFolders_ = nullptr;
}

void FavoritesManager::ScanFolder(FavoriteNode* parent, const std::string& folderPath) {
  std::vector<platform::DirectoryEntry> entries;
  if (!platform::ListDirectory(folderPath, entries)) return;
  for (const platform::DirectoryEntry& entry : entries) {
    AddEntry(parent, folderPath, entry.name, entry.isDirectory);
  }
}

void FavoritesManager::AddEntry(FavoriteNode* parent, const std::string& folderPath,
                                const std::string& name, bool isDirectory) {
  if (name == "." || name == "..") return;
  // Names that only this file system allows and the favorites list can't carry: a CR LF would
  // end the line, a leading TAB would deepen it, a 0x01 would split a name into name and URL.
  // Such an entry would arrive on the other machine as other folders and links than it is.
  if (name.find("\r\n") != std::string::npos || name.front() == '\t' ||
      name.find(FavoriteNode::kUrlSeparator) != std::string::npos) {
    return;
  }
  const std::string fullPath = folderPath + "/" + name;
  if (isDirectory) {
    FavoriteNode* node = localTree.AddNode(parent, Title(name));
    if (pendingFolders_) {
      pendingFolders_->push_back({node, fullPath});
    } else {
      ScanFolder(node, fullPath);
    }
    return;
  }
  std::string url;
  if (ReadShortcutUrl(fullPath, url) != 0) return;
  std::string text = Title(name);
  text += FavoriteNode::kUrlSeparator;
  text += url;
  localTree.AddNode(parent, std::move(text));
}

int FavoritesManager::PrepareUpload() {
  if (owner) {
    TreeView& view = owner->LocalTreeView();
    ReadChecks(view, view.FirstRoot(), localTree.Root());
  }
  return localTree.SaveText(kLocalFile);
}

int FavoritesManager::LoadServerCopy() {
  serverTree.Clear();
  return serverTree.Load(kServerFile);
}

int FavoritesManager::Synchronise() {
  if (serverTree.Root() && localTree.Root()) {
    if (owner) {
      TreeView& view = owner->ServerTreeView();
      ReadChecks(view, view.FirstRoot(), serverTree.Root());
    }
    localTree.Merge(localTree.Root(), serverTree.Root());
  }
  serverTree.Clear();
  return serverTree.Load(kServerFile);
}

int FavoritesManager::ExportText(std::string& text, bool toFile) {
  if (toFile) return localTree.SaveText(text);
  text = localTree.BuildText();
  return 0;
}
