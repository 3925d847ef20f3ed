#pragma once

#include <string>

#include "model/FavoriteNode.h"

namespace testsupport {

// A readable picture of a tree for assertions: one line per node, two spaces per level, the URL
// separator shown as " | ", excluded nodes marked with "-".
inline std::string Describe(const FavoriteNode* node, int depth = 0) {
  std::string out;
  for (; node; node = node->nextSibling) {
    out.append(static_cast<size_t>(depth) * 2, ' ');
    if (node->excluded) out += "-";
    for (char c : node->text) {
      if (c == FavoriteNode::kUrlSeparator) {
        out += " | ";
      } else {
        out += c;
      }
    }
    out += "\n";
    out += Describe(node->firstChild, depth + 1);
  }
  return out;
}

}  // namespace testsupport
