#include "FavoritesTree.h"

#include "ShellFolders.h"

FavoritesTree::FavoritesTree() : folderPath_(platform::FavoritesFolder()) {}

FavoritesTree::FavoritesTree(std::string folder) : folderPath_(std::move(folder)) {}

FavoriteNode* FavoritesTree::AddNode(FavoriteNode* parent, std::string text) {
  auto node = std::make_unique<FavoriteNode>(std::move(text));
  FavoriteNode* added = node.get();
  if (!root_) {
    root_ = std::move(node);
  } else {
    // A missing parent in a tree that has a root can only mean the root.
    AppendChild(parent ? parent : root_.get(), std::move(node));
  }
  return added;
}

void FavoritesTree::AppendChild(FavoriteNode* parent, std::unique_ptr<FavoriteNode> node) {
  FavoriteNode* added = node.get();
  if (!parent->firstChild) {
    parent->firstChild = std::move(node);
  } else {
    parent->lastChild->nextSibling = std::move(node);
  }
  parent->lastChild = added;
}

std::unique_ptr<FavoriteNode> FavoritesTree::DetachChild(FavoriteNode* parent, FavoriteNode* prev) {
  std::unique_ptr<FavoriteNode>& link = prev ? prev->nextSibling : parent->firstChild;
  std::unique_ptr<FavoriteNode> node = std::move(link);
  if (!node) return node;
  link = std::move(node->nextSibling);
  if (parent->lastChild == node.get()) parent->lastChild = prev;
  return node;
}

FavoriteNode* FavoritesTree::FindChild(const FavoriteNode* parent, const FavoriteNode* node) {
  for (FavoriteNode* child = parent->firstChild.get(); child; child = child->nextSibling.get()) {
    if (child->text == node->text) return child;
  }
  return nullptr;
}
