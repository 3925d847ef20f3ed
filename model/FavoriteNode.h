#pragma once

#include <string_view>

// One node of a favorites tree. A link's text is its name, the byte 0x01 and its URL; a folder's
// text is its name. Children form a singly linked list in insertion order.
//
// Nodes and their texts belong to the FavoritesTree that made them and live as long as it holds
// them: a node is never freed on its own, so freeing a tree of any depth or width costs no
// recursion and no walk.
struct FavoriteNode {
  static constexpr char kUrlSeparator = '\x01';

  FavoriteNode* firstChild = nullptr;
  FavoriteNode* nextSibling = nullptr;
  FavoriteNode* lastChild = nullptr;  // end of the child list, so appending costs nothing
  FavoriteNode* parent = nullptr;     // null for the root
  std::string_view text;              // bytes held by the tree
  int excluded = 0;                   // non-zero: the user cleared this node's check box
  unsigned row = 0;                   // its place among its parent's children, from 0
  unsigned childCount = 0;
  // The check box a view over this tree shows for the node (CheckState in model/TreeView.h); 0,
  // for a node no view has shown yet, reads as checked. It sits in the padding after the
  // counters: a node stays 64 bytes.
  unsigned char check = 0;

  int Check() const { return check == 0 ? 2 : check; }  // 2: checked
  bool IsLink() const { return text.find(kUrlSeparator) != std::string_view::npos; }
  // The part before the first 0x01 (the whole text for a folder).
  std::string_view Name() const { return text.substr(0, text.find(kUrlSeparator)); }
  // The part after the first 0x01; empty for a folder.
  std::string_view Url() const {
    const size_t sep = text.find(kUrlSeparator);
    return sep == std::string_view::npos ? std::string_view() : text.substr(sep + 1);
  }
};

static_assert(sizeof(void*) != 8 || sizeof(FavoriteNode) == 64, "a node is 64 bytes");
