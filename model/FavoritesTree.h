#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "FavoriteNode.h"

// A favorites tree bound to the Favorites folder recorded when it was built.
class FavoritesTree {
 public:
  // Records the current Favorites folder (platform::FavoritesFolder()).
  FavoritesTree();
  // For tests and tools: a tree bound to the given folder.
  explicit FavoritesTree(std::string folder);
  FavoritesTree(const FavoritesTree&) = delete;
  FavoritesTree& operator=(const FavoritesTree&) = delete;

  // Creates a node with the text. In an empty tree it becomes the root (parent not looked at);
  // otherwise it becomes the last child of parent, a node of this tree.
  FavoriteNode* AddNode(FavoriteNode* parent, std::string text);
  FavoriteNode* Root() const { return root_.get(); }
  void Clear() { root_.reset(); }
  const std::string& FolderPath() const { return folderPath_; }

  // Links the node, with its subtree, as the parent's last child.
  static void AppendChild(FavoriteNode* parent, std::unique_ptr<FavoriteNode> node);
  // Unlinks the child that follows prev (the first child when prev is null) and hands it over.
  static std::unique_ptr<FavoriteNode> DetachChild(FavoriteNode* parent, FavoriteNode* prev);
  // The first child of the parent whose text equals the node's text byte for byte, or null.
  static FavoriteNode* FindChild(const FavoriteNode* parent, const FavoriteNode* node);

  // The favorites list: one line per node, depth-first, depth as leading TABs, CR LF after every
  // line, excluded nodes left out with their descendants.
  static void AppendText(const FavoriteNode* node, int depth, std::string& text);
  // The list of the whole tree; with a file name it is also stored there (an empty text when the
  // file can't be written).
  std::string BuildText(const std::string& fileName = {}) const;
  // Stores the list in the file, whole or not at all: 0, or 1 when it can't be written (an
  // earlier file of that name then stays as it was).
  int SaveText(const std::string& fileName) const;
  // Reads a favorites list into the tree: 1 when the file can't be opened, else 0.
  int Load(const std::string& fileName);
  // The same, from bytes already in memory.
  void LoadText(std::string_view bytes);

  // Synchronisation: merges the server node's children into the local node's and writes what
  // was missing under the Favorites folder.
  void Merge(FavoriteNode* local, FavoriteNode* server);
  // The relative path of the node's parent folder below the root: "/" or "/A/B/".
  std::string FindPath(const FavoriteNode* node) const;
  // Creates the node (and below a folder, its whole subtree) on disk under the path.
  void WriteToDisk(const std::string& path, const FavoriteNode* node) const;

 private:
  std::unique_ptr<FavoriteNode> root_;
  std::string folderPath_;
};
