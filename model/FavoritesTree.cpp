#include "model/FavoritesTree.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <type_traits>
#include <utility>

namespace {

static_assert(std::is_trivially_destructible_v<FavoriteNode>);
static_assert(alignof(FavoriteNode) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);

constexpr std::size_t kFirstNodeBlock = 64;
constexpr std::size_t kLargestNodeBlock = 64 * 1024;
constexpr std::size_t kTextBlock = 64 * 1024;
// A text this long gets a block of its own rather than wasting the rest of a shared one.
constexpr std::size_t kOwnBlockText = kTextBlock / 4;

}  // namespace

FavoritesTree::FavoritesTree() = default;
FavoritesTree::~FavoritesTree() = default;

FavoritesTree::FavoritesTree(FavoritesTree&& other) noexcept {
  *this = std::move(other);
}

FavoritesTree& FavoritesTree::operator=(FavoritesTree&& other) noexcept {
  if (this == &other) return *this;
  m_root = std::exchange(other.m_root, nullptr);
  m_nodeCount = std::exchange(other.m_nodeCount, 0);
  m_textBytes = std::exchange(other.m_textBytes, 0);
  m_memoryBytes = std::exchange(other.m_memoryBytes, 0);
  m_nodeBlocks = std::move(other.m_nodeBlocks);
  m_lastBlockSize = std::exchange(other.m_lastBlockSize, 0);
  m_nodesLeft = std::exchange(other.m_nodesLeft, 0);
  m_textBlocks = std::move(other.m_textBlocks);
  m_textLeft = std::exchange(other.m_textLeft, 0);
  m_longTexts = std::move(other.m_longTexts);
  m_kept = std::move(other.m_kept);
  m_source = std::exchange(other.m_source, {});
  other.m_nodeBlocks.clear();
  other.m_textBlocks.clear();
  other.m_longTexts.clear();
  other.m_kept.clear();
  return *this;
}

void FavoritesTree::Clear() {
  m_root = nullptr;
  m_nodeCount = 0;
  m_textBytes = 0;
  m_memoryBytes = 0;
  m_nodeBlocks.clear();
  m_lastBlockSize = 0;
  m_nodesLeft = 0;
  m_textBlocks.clear();
  m_textLeft = 0;
  m_longTexts.clear();
  m_kept.clear();
  m_source = {};
}

char* FavoritesTree::TextRoom(std::size_t size) {
  if (size >= kOwnBlockText) {
    m_longTexts.push_back(std::make_unique_for_overwrite<char[]>(size));
    m_memoryBytes += size;
    return m_longTexts.back().get();
  }
  if (m_textLeft < size) {
    m_textBlocks.push_back(std::make_unique_for_overwrite<char[]>(kTextBlock));
    m_memoryBytes += kTextBlock;
    m_textLeft = kTextBlock;
  }
  char* at = m_textBlocks.back().get() + (kTextBlock - m_textLeft);
  m_textLeft -= size;
  return at;
}

std::string_view FavoritesTree::CopyText(std::string_view text) {
  if (text.empty()) return {};
  char* at = TextRoom(text.size());
  std::memcpy(at, text.data(), text.size());
  return {at, text.size()};
}

FavoriteNode* FavoritesTree::AddLink(FavoriteNode* parent, std::string_view name,
                                     std::string_view url) {
  const std::size_t size = name.size() + 1 + url.size();
  char* at = TextRoom(size);
  if (!name.empty()) std::memcpy(at, name.data(), name.size());
  at[name.size()] = FavoriteNode::kUrlSeparator;
  if (!url.empty()) std::memcpy(at + name.size() + 1, url.data(), url.size());
  return NewNode(parent, {at, size});
}

FavoriteNode* FavoritesTree::NewNode(FavoriteNode* parent, std::string_view text) {
  if (m_nodesLeft == 0) {
    const std::size_t size =
        m_nodeBlocks.empty() ? kFirstNodeBlock
                             : std::min(kLargestNodeBlock, kFirstNodeBlock << std::min<std::size_t>(
                                                               m_nodeBlocks.size(), 10));
    m_nodeBlocks.push_back(
        std::make_unique_for_overwrite<std::byte[]>(size * sizeof(FavoriteNode)));
    m_memoryBytes += size * sizeof(FavoriteNode);
    m_nodesLeft = size;
    m_lastBlockSize = size;
  }
  FavoriteNode* node = std::construct_at(reinterpret_cast<FavoriteNode*>(
      m_nodeBlocks.back().get() + (m_lastBlockSize - m_nodesLeft) * sizeof(FavoriteNode)));
  --m_nodesLeft;
  ++m_nodeCount;
  m_textBytes += text.size();
  node->text = text;
  if (!m_root) {
    m_root = node;
    return node;
  }
  // A missing parent in a tree that has a root can only mean the root.
  if (!parent) parent = m_root;
  node->parent = parent;
  node->row = parent->childCount++;
  if (parent->lastChild) {
    parent->lastChild->nextSibling = node;
  } else {
    parent->firstChild = node;
  }
  parent->lastChild = node;
  return node;
}

FavoriteNode* FavoritesTree::AddNode(FavoriteNode* parent, std::string_view text) {
  return NewNode(parent, CopyText(text));
}

FavoriteNode* FavoritesTree::AddNodeInPlace(FavoriteNode* parent, std::string_view keptText) {
  return NewNode(parent, keptText);
}

std::string_view FavoritesTree::KeepBytes(std::string bytes) {
  m_kept.push_back(std::make_unique<std::string>(std::move(bytes)));
  m_memoryBytes += m_kept.back()->capacity();
  return *m_kept.back();
}

std::string_view FavoritesTree::KeepBytes(std::unique_ptr<char[]> bytes, std::size_t size) {
  m_longTexts.push_back(std::move(bytes));
  m_memoryBytes += size;
  return {m_longTexts.back().get(), size};
}

FavoriteNode* FavoritesTree::AppendCopy(FavoriteNode* parent, const FavoriteNode* from,
                                        bool leaveOutMarked) {
  FavoriteNode* top = AddNode(parent, from->text);
  top->excluded = from->excluded;
  // Each entry: the next node still to copy at one level, and the copy it goes under.
  std::vector<std::pair<const FavoriteNode*, FavoriteNode*>> pending;
  if (from->firstChild) pending.emplace_back(from->firstChild, top);
  while (!pending.empty()) {
    const FavoriteNode* node = pending.back().first;
    FavoriteNode* under = pending.back().second;
    if (!node) {
      pending.pop_back();
      continue;
    }
    pending.back().first = node->nextSibling;
    if (leaveOutMarked && node->excluded) continue;
    FavoriteNode* copy = AddNode(under, node->text);
    copy->excluded = node->excluded;
    if (node->firstChild) pending.emplace_back(node->firstChild, copy);
  }
  return top;
}
