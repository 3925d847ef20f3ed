#pragma once

#include <utility>
#include <vector>

#include "model/FavoriteNode.h"

namespace fuzzcheck {

// True when both trees have the same texts in the same shape (exclusion marks included). Walks
// with a stack: inputs may describe trees of any depth.
inline bool SameTree(const FavoriteNode* a, const FavoriteNode* b) {
  std::vector<std::pair<const FavoriteNode*, const FavoriteNode*>> pending{{a, b}};
  while (!pending.empty()) {
    auto [x, y] = pending.back();
    pending.pop_back();
    if (!x || !y) {
      if (x != y) return false;
      continue;
    }
    if (x->text != y->text || x->excluded != y->excluded) return false;
    pending.emplace_back(x->nextSibling, y->nextSibling);
    pending.emplace_back(x->firstChild, y->firstChild);
  }
  return true;
}

// Calls visit(node) for every node below and including the root, siblings of the root included.
template <typename Visit>
void ForEachNode(const FavoriteNode* root, Visit visit) {
  std::vector<const FavoriteNode*> pending{root};
  while (!pending.empty()) {
    const FavoriteNode* node = pending.back();
    pending.pop_back();
    if (!node) continue;
    visit(*node);
    pending.push_back(node->nextSibling);
    pending.push_back(node->firstChild);
  }
}

}  // namespace fuzzcheck
