// Synchronisation: the merge of a server tree into the local tree, and the writing of what it
// adds under the Favorites folder. Both walk with explicit stacks: a server list may describe a
// tree of any depth.
#include "model/FavoritesMerge.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <vector>

std::string NodePath(const FavoriteNode* node) {
  std::vector<std::string_view> names;
  for (const FavoriteNode* n = node; n && n->parent; n = n->parent) names.push_back(n->Name());
  std::string path;
  for (auto it = names.rbegin(); it != names.rend(); ++it) {
    if (!path.empty()) path += '/';
    path += *it;
  }
  return path;
}

int SyncReport::Count(SyncChange::Kind kind) const {
  int n = 0;
  for (const SyncChange& change : changes) n += change.kind == kind ? 1 : 0;
  return n;
}

namespace {

using Result = SyncTarget::Result;

// Puts the copied nodes into the target and records what happened to each.
class Writer {
 public:
  Writer(SyncTarget& target, SyncReport& report) : m_target(target), m_report(report) {}

  bool Enter(const FavoriteNode* folder, bool create) {
    std::string why;
    switch (m_target.EnterFolder(folder->text, create, why)) {
      case Result::kCreated:
        Record(SyncChange::Kind::kFolderAdded, folder);
        return true;
      case Result::kExisted:
        return true;
      default:
        if (create) Record(SyncChange::Kind::kNotWritten, folder, {}, {}, why);
        return false;
    }
  }
  void Leave() { m_target.LeaveFolder(); }

  void Save(const FavoriteNode* link) {
    std::string oldUrl, why;
    const std::string_view url = link->Url();
    switch (m_target.SaveLink(link->Name(), url, oldUrl, why)) {
      case Result::kCreated:
        Record(SyncChange::Kind::kLinkAdded, link, url);
        break;
      case Result::kReplaced:
        Record(SyncChange::Kind::kAddressReplaced, link, url, oldUrl);
        break;
      case Result::kExisted:
        break;
      case Result::kLeftAlone:
        Record(SyncChange::Kind::kLeftAlone, link, url, oldUrl, why);
        break;
      case Result::kFailed:
        Record(SyncChange::Kind::kNotWritten, link, url, {}, why);
        break;
    }
  }

  // Puts the node in the current folder, and below a folder its subtree without the nodes the
  // user unchecked. A folder that can't be made (or whose name is refused) takes its subtree with
  // it. A link's children are never written: a link is a file, not a folder.
  void Subtree(const FavoriteNode* top) {
    if (top->IsLink()) {
      Save(top);
      return;
    }
    if (!Enter(top, true)) return;
    // The next child still to write at each entered level.
    std::vector<const FavoriteNode*> pending{top->firstChild};
    while (!pending.empty()) {
      const FavoriteNode* node = pending.back();
      if (!node) {
        pending.pop_back();
        Leave();
        continue;
      }
      pending.back() = node->nextSibling;
      if (node->excluded) continue;
      if (node->IsLink()) {
        Save(node);
      } else if (Enter(node, true)) {
        pending.push_back(node->firstChild);
      }
    }
  }

 private:
  void Record(SyncChange::Kind kind, const FavoriteNode* node, std::string_view url = {},
              std::string_view oldUrl = {}, std::string why = {}) {
    m_report.changes.push_back({kind, NodePath(node), std::string(url), std::string(oldUrl),
                                std::move(why), node->IsLink()});
  }

  SyncTarget& m_target;
  SyncReport& m_report;
};

class Merger {
 public:
  Merger(FavoritesTree& local, SyncTarget& target, SyncReport& report, const SyncProgress& progress)
      : m_local(local), m_writer(target, report), m_report(report), m_progress(progress) {}

  void Run(const FavoriteNode* server) {
    m_frames.push_back({m_local.Root(), server->firstChild, true});
    std::size_t visited = 0;
    while (!m_frames.empty()) {
      Frame& frame = m_frames.back();
      const FavoriteNode* child = frame.next;
      if (child && m_progress && ++visited % kProgressEvery == 0 && m_progress(visited)) {
        m_report.stopped = true;
        break;
      }
      if (!child) {
        if (m_entered > 0 && m_entered == m_frames.size() - 1) {
          m_writer.Leave();
          --m_entered;
        }
        m_frames.pop_back();
        continue;
      }
      frame.next = child->nextSibling;
      if (child->excluded) continue;
      if (FavoriteNode* match = Find(frame.local, child)) {
        const bool writable = frame.writable && !match->IsLink();
        m_frames.push_back({match, child->firstChild, writable});
        continue;
      }
      // Missing here: a copy of the server node with its checked subtree is added and written.
      FavoriteNode* copy = m_local.AppendCopy(frame.local, child, true);
      Appended(frame.local, copy);
      if (ReachFolder()) m_writer.Subtree(copy);
    }
  }

 private:
  // One local folder whose children are being compared with a server node's.
  struct Frame {
    FavoriteNode* local;
    const FavoriteNode* next;  // the server child to look at next
    bool writable;             // false once a folder on the way can't be reached or is a link
  };
  using ChildIndex = std::unordered_map<std::string_view, FavoriteNode*>;

  // Short child lists are searched; a longer one gets an index by text that lives for the rest
  // of this merge (first occurrence wins, as in a search in list order), so a folder that many
  // server nodes are compared with costs its length once.
  static constexpr size_t kSearchLimit = 16;

  FavoriteNode* Find(FavoriteNode* parent, const FavoriteNode* node) {
    auto index = m_indexes.find(parent);
    if (index == m_indexes.end()) {
      size_t seen = 0;
      for (FavoriteNode* c = parent->firstChild; c; c = c->nextSibling) {
        if (c->text == node->text) return c;
        if (++seen > kSearchLimit) break;
      }
      if (seen <= kSearchLimit) return nullptr;
      index = m_indexes.emplace(parent, ChildIndex()).first;
      for (FavoriteNode* c = parent->firstChild; c; c = c->nextSibling) {
        index->second.try_emplace(c->text, c);
      }
    }
    const auto hit = index->second.find(node->text);
    return hit == index->second.end() ? nullptr : hit->second;
  }

  void Appended(FavoriteNode* parent, FavoriteNode* node) {
    const auto index = m_indexes.find(parent);
    if (index != m_indexes.end()) index->second.try_emplace(node->text, node);
  }

  // Brings the writer down to the innermost frame's folder. Folders on the way are entered only
  // now, when something is to be written in them, and never created: a local folder known by
  // its title alone has no folder of that name on disk.
  bool ReachFolder() {
    if (!m_frames.back().writable) return false;
    while (m_entered < m_frames.size() - 1) {
      if (!m_writer.Enter(m_frames[m_entered + 1].local, false)) {
        for (size_t i = m_entered + 1; i < m_frames.size(); ++i) m_frames[i].writable = false;
        return false;
      }
      ++m_entered;
    }
    return true;
  }

  static constexpr std::size_t kProgressEvery = 256;

  FavoritesTree& m_local;
  Writer m_writer;
  SyncReport& m_report;
  const SyncProgress& m_progress;
  std::vector<Frame> m_frames;
  size_t m_entered = 0;  // m_frames[1..m_entered] are the folders the writer has gone down into
  std::unordered_map<const FavoriteNode*, ChildIndex> m_indexes;
};

}  // namespace

void MergeFavorites(FavoritesTree& local, const FavoriteNode* serverRoot, SyncTarget& target,
                    SyncReport* report, const SyncProgress& progress) {
  if (local.Empty() || !serverRoot) return;
  SyncReport ignored;
  Merger(local, target, report ? *report : ignored, progress).Run(serverRoot);
}
