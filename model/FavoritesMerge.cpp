// Synchronisation: the merge of a server tree into the local tree, and the writing of what it
// adds under the Favorites folder. Both walk with explicit stacks: a server list may describe a
// tree of any depth.
#include "FavoritesMerge.h"

#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "FavoritesTree.h"
#include "ShortcutFile.h"

int WriteShortcut(const std::string& url, const std::string& fileName) {
  return platform::SaveShortcutUrl(fileName, url);
}

namespace {

using platform::FolderWriter;

// "<name>.url" in the writer's current folder. A URL holding a line break is refused by the
// shortcut writer.
void SaveLink(FolderWriter& writer, const FavoriteNode* link) {
  const std::string_view name = link->Name();
  if (!FolderWriter::IsSingleName(name)) return;
  std::string fileName(name);
  fileName += ".url";
  const std::string file = writer.EntryPath(fileName);
  if (!file.empty()) WriteShortcut(std::string(link->Url()), file);
}

// Creates the node in the writer's current folder, and below a folder its whole subtree, marks
// not looked at. A folder that can't be made (or whose name is refused) takes its subtree with
// it. A link's children are never written: a link is a file, not a folder.
void WriteSubtree(FolderWriter& writer, const FavoriteNode* top) {
  if (top->IsLink()) {
    SaveLink(writer, top);
    return;
  }
  if (!writer.Enter(top->text, true)) return;
  // The next child still to write at each entered level.
  std::vector<const FavoriteNode*> pending{top->firstChild.get()};
  while (!pending.empty()) {
    const FavoriteNode* node = pending.back();
    if (!node) {
      pending.pop_back();
      writer.Leave();
      continue;
    }
    pending.back() = node->nextSibling.get();
    if (node->IsLink()) {
      SaveLink(writer, node);
    } else if (writer.Enter(node->text, true)) {
      pending.push_back(node->firstChild.get());
    }
  }
}

// The chain of nodes from the root's child down to the node itself (empty for the root), found
// by identity. False when the node is not in the tree below the root.
bool ChainTo(const FavoriteNode* root, const FavoriteNode* node,
             std::vector<const FavoriteNode*>& chain) {
  chain.clear();
  if (!root || node == root) return node == root;
  // The node being looked at on each level, its ancestors below it.
  chain.push_back(root->firstChild.get());
  while (!chain.empty()) {
    const FavoriteNode* current = chain.back();
    if (!current) {
      chain.pop_back();
      if (!chain.empty()) chain.back() = chain.back()->nextSibling.get();
      continue;
    }
    if (current == node) return true;
    chain.push_back(current->firstChild.get());
  }
  return false;
}

class Merger {
 public:
  explicit Merger(FolderWriter& writer) : writer_(writer) {}

  void Run(FavoriteNode* local, FavoriteNode* server) {
    frames_.push_back({local, server, nullptr, server->firstChild.get(), !local->IsLink()});
    while (!frames_.empty()) {
      Frame& frame = frames_.back();
      FavoriteNode* child = frame.next;
      if (!child) {
        if (entered_ > 0 && entered_ == frames_.size() - 1) {
          writer_.Leave();
          --entered_;
        }
        frames_.pop_back();
        continue;
      }
      frame.next = child->nextSibling.get();
      if (child->excluded) {
        frame.prev = child;
        continue;
      }
      if (FavoriteNode* match = Find(frame.local, child)) {
        frame.prev = child;
        const bool writable = frame.writable && !match->IsLink();
        frames_.push_back({match, child, nullptr, child->firstChild.get(), writable});
        continue;
      }
      // Missing here: the server node moves over with its subtree and is written whole. The rest
      // of the server's children stay where they are.
      FavoritesTree::AppendChild(frame.local, FavoritesTree::DetachChild(frame.server, frame.prev));
      Appended(frame.local, child);
      if (ReachFolder()) WriteSubtree(writer_, child);
    }
  }

 private:
  // One local folder whose children are being compared with a server node's.
  struct Frame {
    FavoriteNode* local;
    FavoriteNode* server;
    FavoriteNode* prev;  // the server child before next, for unlinking next
    FavoriteNode* next;  // the server child to look at next
    bool writable;       // false once a folder on the way can't be reached or is a link
  };
  using ChildIndex = std::unordered_map<std::string_view, FavoriteNode*>;

  // Short child lists are searched; a longer one gets an index by text that lives for the rest
  // of this merge (first occurrence wins, as in a search in list order), so a folder that many
  // server nodes are compared with costs its length once.
  static constexpr size_t kSearchLimit = 16;

  FavoriteNode* Find(FavoriteNode* parent, const FavoriteNode* node) {
    auto index = indexes_.find(parent);
    if (index == indexes_.end()) {
      size_t seen = 0;
      for (FavoriteNode* c = parent->firstChild.get(); c; c = c->nextSibling.get()) {
        if (c->text == node->text) return c;
        if (++seen > kSearchLimit) break;
      }
      if (seen <= kSearchLimit) return nullptr;
      index = indexes_.emplace(parent, ChildIndex()).first;
      for (FavoriteNode* c = parent->firstChild.get(); c; c = c->nextSibling.get()) {
        index->second.try_emplace(c->text, c);
      }
    }
    const auto hit = index->second.find(node->text);
    return hit == index->second.end() ? nullptr : hit->second;
  }

  void Appended(FavoriteNode* parent, FavoriteNode* node) {
    const auto index = indexes_.find(parent);
    if (index != indexes_.end()) index->second.try_emplace(node->text, node);
  }

  // Brings the writer down to the innermost frame's folder. Folders on the way are entered only
  // now, when something is to be written in them, and never created: a local folder known by
  // its title alone has no folder of that name on disk.
  bool ReachFolder() {
    if (!frames_.back().writable) return false;
    while (entered_ < frames_.size() - 1) {
      if (!writer_.Enter(frames_[entered_ + 1].local->text, false)) {
        for (size_t i = entered_ + 1; i < frames_.size(); ++i) frames_[i].writable = false;
        return false;
      }
      ++entered_;
    }
    return true;
  }

  FolderWriter& writer_;
  std::vector<Frame> frames_;
  size_t entered_ = 0;  // frames_[1..entered_] are the folders the writer has gone down into
  std::unordered_map<const FavoriteNode*, ChildIndex> indexes_;
};

}  // namespace

void MergeFavorites(FavoriteNode* local, FavoriteNode* server, FolderWriter& writer) {
  if (!local || !server) return;
  Merger(writer).Run(local, server);
}

void FavoritesTree::Merge(FavoriteNode* local, FavoriteNode* server) {
  if (!local || !server) return;
  FolderWriter writer(folderPath_);
  if (local != root_.get()) {
    // Writes land in the local node's own folder, reached by the names of its ancestors.
    std::vector<const FavoriteNode*> chain;
    bool reached = ChainTo(root_.get(), local, chain);
    for (size_t i = 0; reached && i < chain.size(); ++i) {
      reached = !chain[i]->IsLink() && writer.Enter(chain[i]->text, false);
    }
    if (!reached) {
      FolderWriter nowhere{std::string()};
      MergeFavorites(local, server, nowhere);
      return;
    }
  }
  MergeFavorites(local, server, writer);
}

std::string FavoritesTree::FindPath(const FavoriteNode* node) const {
  std::string path = "/";
  std::vector<const FavoriteNode*> chain;
  if (!ChainTo(root_.get(), node, chain)) return path;
  for (size_t i = 0; i + 1 < chain.size(); ++i) {
    path += chain[i]->text;
    path += '/';
  }
  return path;
}

void FavoritesTree::WriteToDisk(const std::string& path, const FavoriteNode* node) const {
  if (!node || path.compare(0, folderPath_.size(), folderPath_) != 0) return;
  // Below the Favorites folder the path names existing folders, each followed by a '/'.
  std::string_view rest = std::string_view(path).substr(folderPath_.size());
  if (rest.empty() || rest.front() != '/') return;
  rest.remove_prefix(1);
  FolderWriter writer(folderPath_);
  while (!rest.empty()) {
    const size_t slash = rest.find('/');
    if (slash == std::string_view::npos) return;
    const std::string_view name = rest.substr(0, slash);
    if (name.find(FavoriteNode::kUrlSeparator) != std::string_view::npos) return;
    if (!writer.Enter(name, false)) return;
    rest.remove_prefix(slash + 1);
  }
  WriteSubtree(writer, node);
}
