#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/FavoriteNode.h"

// A favorites tree: its root and the storage of all its nodes and texts. Nodes are handed out by
// AddNode and stay valid until Clear or the tree's end; they are allocated in blocks and their
// texts kept in blocks or in the bytes of the list they were read from, so a tree of a million
// favorites costs a few allocations, not millions.
class FavoritesTree {
 public:
  FavoritesTree();
  ~FavoritesTree();
  FavoritesTree(FavoritesTree&& other) noexcept;
  FavoritesTree& operator=(FavoritesTree&& other) noexcept;
  FavoritesTree(const FavoritesTree&) = delete;
  FavoritesTree& operator=(const FavoritesTree&) = delete;

  // Creates a node with a copy of the text. In an empty tree it becomes the root (parent not
  // looked at); otherwise it becomes the last child of parent (the root when parent is null).
  FavoriteNode* AddNode(FavoriteNode* parent, std::string_view text);
  // A link: a copy of the name, the byte 0x01 and the URL as its text.
  FavoriteNode* AddLink(FavoriteNode* parent, std::string_view name, std::string_view url);
  // The same without a copy: the text lies in bytes this tree keeps (see KeepBytes).
  FavoriteNode* AddNodeInPlace(FavoriteNode* parent, std::string_view keptText);
  // Keeps the bytes for the life of the tree's nodes and returns where they now lie.
  std::string_view KeepBytes(std::string bytes);
  std::string_view KeepBytes(std::unique_ptr<char[]> bytes, std::size_t size);
  // The favorites list the whole tree was read from, when it was read from one (else empty).
  std::string_view Source() const { return m_source; }
  void SetSource(std::string_view keptBytes) { m_source = keptBytes; }
  // Appends a copy of the node and everything below it (from any tree) as the parent's last
  // child, marks included, or with the marked nodes below it left out; returns the copy.
  FavoriteNode* AppendCopy(FavoriteNode* parent, const FavoriteNode* from,
                           bool leaveOutMarked = false);

  FavoriteNode* Root() const { return m_root; }
  bool Empty() const { return m_root == nullptr; }
  std::size_t NodeCount() const { return m_nodeCount; }
  // The bytes of all node texts together.
  std::size_t TextBytes() const { return m_textBytes; }
  // The memory the tree holds for its nodes and texts (the bytes kept included).
  std::size_t MemoryBytes() const { return m_memoryBytes; }
  // Frees every node and text at once; the tree is empty afterwards.
  void Clear();

 private:
  FavoriteNode* NewNode(FavoriteNode* parent, std::string_view text);
  char* TextRoom(std::size_t size);
  std::string_view CopyText(std::string_view text);

  FavoriteNode* m_root = nullptr;
  std::size_t m_nodeCount = 0;
  std::size_t m_textBytes = 0;
  std::size_t m_memoryBytes = 0;
  // Raw room for nodes, each made when handed out: a block is not cleared first. Nodes are
  // trivially destructible, so freeing a block ends them all.
  std::vector<std::unique_ptr<std::byte[]>> m_nodeBlocks;
  std::size_t m_lastBlockSize = 0;
  std::size_t m_nodesLeft = 0;  // unused nodes at the end of the last block
  std::vector<std::unique_ptr<char[]>> m_textBlocks;
  std::size_t m_textLeft = 0;  // unused bytes at the end of the last text block
  std::vector<std::unique_ptr<char[]>> m_longTexts;  // one block each
  std::vector<std::unique_ptr<std::string>> m_kept;  // heap objects: their bytes never move
  std::string_view m_source;
};
