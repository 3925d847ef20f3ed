#pragma once

#include <string>
#include <vector>

#include "FavoritesBackup.h"
#include "FavoritesOwner.h"
#include "FavoritesTransfer.h"
#include "FavoritesTree.h"

// Reads a shortcut file's URL: 0 when a URL was copied, 1 when the file holds none.
int ReadShortcutUrl(const std::string& path, std::string& url);

// The model object of the main dialog: both trees, the backup object and the transfer engine.
class FavoritesManager {
 public:
  FavoritesManager() = default;

  void SetOwner(FavoritesOwner* dialog) { owner = dialog; }

  // Rebuilds the local tree from the Favorites folder, as the shell names it now.
  void ScanLocal();
  // One folder level of the scan; subfolders found are scanned after it.
  void ScanFolder(FavoriteNode* parent, const std::string& folderPath);

  // Writes the local tree, without the unchecked nodes, to "favorites-local.txt": 0, or 1 when
  // it can't be written (an earlier file then stays whole).
  int PrepareUpload();
  // Reads "favorites-server.txt" into the emptied server tree: 0, or 1 when it can't be opened.
  int LoadServerCopy();
  // Merges the checked server nodes that the local tree lacks into it and onto disk, then reads
  // the server copy again. Returns what that read returns.
  int Synchronise();
  // The favorites list of the local tree: into the file named by text (toFile; 1 when it can't
  // be written) or into text.
  int ExportText(std::string& text, bool toFile);

  FavoritesOwner* owner = nullptr;
  FavoritesTree localTree;
  FavoritesTree serverTree;
  FavoritesBackup backup;
  FavoritesTransfer transfer;

  static constexpr const char* kLocalFile = "favorites-local.txt";
  static constexpr const char* kServerFile = "favorites-server.txt";

 private:
  struct PendingFolder {
    FavoriteNode* node;
    std::string path;
  };
  // One entry of a folder: a subfolder becomes a node (and is queued), a shortcut a link node.
  void AddEntry(FavoriteNode* parent, const std::string& folderPath, const std::string& name,
                bool isDirectory);
  std::vector<PendingFolder>* pendingFolders_ = nullptr;
};
