#include "commands/TreePaths.h"

#include <vector>

namespace commands {
namespace {

// Visits every node below the root, depth-first in list order, with its path.
template <typename Node, typename Visit>
void ForEachBelowRoot(Node* root, Visit visit) {
  if (!root) return;
  struct Level {
    Node* next;
    std::size_t pathLength;  // the parent's path, without the separator
  };
  std::string path;
  std::vector<Level> pending{{root->firstChild, 0}};
  while (!pending.empty()) {
    Level& level = pending.back();
    Node* node = level.next;
    if (!node) {
      pending.pop_back();
      continue;
    }
    level.next = node->nextSibling;
    path.resize(level.pathLength);
    if (!path.empty()) path += '/';
    path += node->Name();
    visit(node, path);
    if (node->firstChild) pending.push_back({node->firstChild, path.size()});
  }
}

}  // namespace

std::string TreeLines(const FavoritesTree& tree) {
  std::string lines;
  ForEachBelowRoot(static_cast<const FavoriteNode*>(tree.Root()),
                   [&lines](const FavoriteNode* node, const std::string& path) {
                     lines += path;
                     if (node->IsLink()) {
                       lines += '\t';
                       lines += node->Url();
                     }
                     lines += '\n';
                   });
  return lines;
}

bool ExcludePath(FavoritesTree& tree, std::string_view path) {
  bool found = false;
  ForEachBelowRoot(tree.Root(), [&](FavoriteNode* node, const std::string& nodePath) {
    if (nodePath == path) {
      node->excluded = 1;
      found = true;
    }
  });
  return found;
}

}  // namespace commands
