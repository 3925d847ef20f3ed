#include "model/FavoritesScan.h"

#include <vector>

#include "platform/DirectoryListing.h"
#include "platform/ShortcutFile.h"

int ReadShortcutUrl(const std::string& path, std::string& url) {
  return platform::LoadShortcutUrl(path, url) ? 0 : 1;
}

namespace {

// The name without its last extension: "Tech.News" -> "Tech", ".cache" -> "".
std::string Title(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

// Names that only this file system allows and the favorites list can't carry: a CR LF would end
// the line, a leading TAB would deepen it, a 0x01 would split a name into name and URL. Such an
// entry would arrive on the other machine as other folders and links than it is.
bool ListCanCarry(const std::string& name) {
  return name.find("\r\n") == std::string::npos && name.front() != '\t' &&
         name.find(FavoriteNode::kUrlSeparator) == std::string::npos;
}

}  // namespace

void ScanFavorites(FavoritesTree& tree, const std::string& favoritesFolder) {
  tree.Clear();
  FavoriteNode* root = tree.AddNode(nullptr, "Favorites");
  if (favoritesFolder.empty()) return;
  struct PendingFolder {
    FavoriteNode* node;
    std::string path;
  };
  // Folders are scanned from a work list rather than by recursion: the depth is the disk's. The
  // order in which folders are scanned does not matter, as every node is placed when it is found.
  std::vector<PendingFolder> pending{{root, favoritesFolder}};
  std::vector<platform::DirectoryEntry> entries;
  std::string url;
  while (!pending.empty()) {
    const PendingFolder folder = std::move(pending.back());
    pending.pop_back();
    if (!platform::ListDirectory(folder.path, entries)) continue;
    for (const platform::DirectoryEntry& entry : entries) {
      if (!ListCanCarry(entry.name)) continue;
      const std::string fullPath = folder.path + "/" + entry.name;
      if (entry.isDirectory) {
        pending.push_back({tree.AddNode(folder.node, Title(entry.name)), fullPath});
        continue;
      }
      if (ReadShortcutUrl(fullPath, url) != 0) continue;
      std::string text = Title(entry.name);
      text += FavoriteNode::kUrlSeparator;
      text += url;
      tree.AddNode(folder.node, text);
    }
  }
}
