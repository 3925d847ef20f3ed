#pragma once

#include <memory>
#include <string>

// One node of a favorites tree. A link's text is its name, the byte 0x01 and its URL; a folder's
// text is its name. Children form a singly linked list in insertion order.
struct FavoriteNode {
  static constexpr char kUrlSeparator = '\x01';

  std::unique_ptr<FavoriteNode> firstChild;
  std::unique_ptr<FavoriteNode> nextSibling;
  std::string text;
  int excluded = 0;                   // non-zero: the user cleared this node's check box
  FavoriteNode* lastChild = nullptr;  // end of the child list, so appending costs nothing

  FavoriteNode() = default;
  explicit FavoriteNode(std::string nodeText) : text(std::move(nodeText)) {}
  FavoriteNode(const FavoriteNode&) = delete;
  FavoriteNode& operator=(const FavoriteNode&) = delete;
  // Frees the whole subtree and the sibling chain without recursion: lists and trees read from
  // outside may be arbitrarily deep or wide.
  ~FavoriteNode();

  bool IsLink() const { return text.find(kUrlSeparator) != std::string::npos; }
  // The part before the first 0x01 (the whole text for a folder).
  std::string_view Name() const {
    return std::string_view(text).substr(0, text.find(kUrlSeparator));
  }
  // The part after the first 0x01; empty for a folder.
  std::string_view Url() const {
    const size_t sep = text.find(kUrlSeparator);
    return sep == std::string::npos ? std::string_view() : std::string_view(text).substr(sep + 1);
  }
};
