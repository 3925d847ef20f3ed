#include "FavoriteNode.h"

#include <vector>

FavoriteNode::~FavoriteNode() {
  std::vector<std::unique_ptr<FavoriteNode>> pending;
  if (firstChild) pending.push_back(std::move(firstChild));
  if (nextSibling) pending.push_back(std::move(nextSibling));
  while (!pending.empty()) {
    std::unique_ptr<FavoriteNode> node = std::move(pending.back());
    pending.pop_back();
    if (node->firstChild) pending.push_back(std::move(node->firstChild));
    if (node->nextSibling) pending.push_back(std::move(node->nextSibling));
  }
}
