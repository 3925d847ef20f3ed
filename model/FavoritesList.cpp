#include "model/FavoritesList.h"

#include <cstring>
#include <utility>
#include <vector>

#include "platform/WholeFile.h"

namespace {

// Reads lines as the format ends them: at a CR LF pair. A lone LF or CR is data.
class LineReader {
 public:
  explicit LineReader(std::string_view data) : m_data(data) {}
  // False at the end of the data: the line then holds what was left, unterminated.
  bool Next(std::string_view& line) {
    const char* const begin = m_data.data();
    const std::size_t size = m_data.size();
    for (std::size_t from = m_pos; from < size;) {
      const void* lf = std::memchr(begin + from, '\n', size - from);
      if (!lf) break;
      const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(lf) - begin);
      if (at > m_pos && begin[at - 1] == '\r') {
        line = m_data.substr(m_pos, at - 1 - m_pos);
        m_pos = at + 1;
        return true;
      }
      from = at + 1;
    }
    line = m_data.substr(m_pos);
    m_pos = size;
    return false;
  }

 private:
  std::string_view m_data;
  std::size_t m_pos = 0;
};

// A line's leading TAB count and the text after them. A NUL ends the text, as no node text can
// hold one (looked for only in lists that hold a NUL at all).
std::string_view SplitLine(std::string_view line, std::size_t& tabs, bool mayHoldNul) {
  if (const void* nul = mayHoldNul ? std::memchr(line.data(), '\0', line.size()) : nullptr) {
    line = line.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - line.data()));
  }
  tabs = 0;
  while (tabs < line.size() && line[tabs] == '\t') ++tabs;
  return line.substr(tabs);
}

// Visits the written nodes in list order with their depth; stops early when visit returns false.
template <typename Visit>
void ForEachLine(const FavoriteNode* node, int depth, Visit visit) {
  if (!node || node->excluded) return;
  visit(node, depth);
  // Each entry is the next child still to write at one level, with that level's depth.
  std::vector<std::pair<const FavoriteNode*, int>> pending;
  if (node->firstChild) pending.emplace_back(node->firstChild, depth + 1);
  while (!pending.empty()) {
    const FavoriteNode* current = pending.back().first;
    const int currentDepth = pending.back().second;
    if (!current) {
      pending.pop_back();
      continue;
    }
    pending.back().first = current->nextSibling;
    if (current->excluded) continue;
    visit(current, currentDepth);
    if (current->firstChild) pending.emplace_back(current->firstChild, currentDepth + 1);
  }
}

}  // namespace

void AppendText(const FavoriteNode* node, int depth, std::string& text) {
  // Sized first, so the text grows once.
  std::size_t size = text.size();
  ForEachLine(node, depth, [&size](const FavoriteNode* n, int d) {
    size += static_cast<std::size_t>(d) + n->text.size() + 2;
  });
  const std::size_t start = text.size();
  text.resize(size);
  char* out = text.data() + start;
  ForEachLine(node, depth, [&out](const FavoriteNode* n, int d) {
    std::memset(out, '\t', static_cast<std::size_t>(d));
    out += d;
    if (!n->text.empty()) std::memcpy(out, n->text.data(), n->text.size());
    out += n->text.size();
    *out++ = '\r';
    *out++ = '\n';
  });
}

std::string BuildText(const FavoritesTree& tree) {
  std::string text;
  AppendText(tree.Root(), 0, text);
  return text;
}

int SaveText(const FavoritesTree& tree, const std::string& fileName) {
  return platform::ReplaceFileWhole(fileName, BuildText(tree)) == 0 ? 0 : 1;
}

namespace {

void Parse(FavoritesTree& tree, std::string_view kept) {
  if (tree.Empty()) tree.SetSource(kept);
  const bool mayHoldNul = std::memchr(kept.data(), '\0', kept.size()) != nullptr;
  LineReader reader(kept);
  std::string_view line;
  std::size_t tabs = 0;
  // The first line becomes the root (or a child of the root the tree already has), whatever its
  // TABs and even when it is unterminated.
  reader.Next(line);
  FavoriteNode* parent = tree.Root();
  FavoriteNode* first = tree.AddNodeInPlace(parent, SplitLine(line, tabs, mayHoldNul));
  if (!parent) parent = tree.Root();

  // One entry per level being read: its parent, its depth and the node last added there.
  struct Level {
    FavoriteNode* parent;
    std::size_t depth;
    FavoriteNode* last;
  };
  std::vector<Level> levels{{parent, 0, first}};
  bool givenBack = false;  // the current line belongs to a level above and is looked at again
  for (;;) {
    if (!givenBack && !reader.Next(line)) break;  // an unterminated last line is dropped
    givenBack = false;
    const std::string_view text = SplitLine(line, tabs, mayHoldNul);
    Level& level = levels.back();
    if (tabs == level.depth) {
      level.last = tree.AddNodeInPlace(level.parent, text);
    } else if (tabs < level.depth) {
      levels.pop_back();
      givenBack = true;
    } else {
      // Deeper by any amount: one level down, under the node last added here.
      FavoriteNode* deeperParent = level.last;
      const std::size_t deeperDepth = level.depth + 1;
      FavoriteNode* added = tree.AddNodeInPlace(deeperParent, text);
      levels.push_back({deeperParent, deeperDepth, added});
    }
  }
}

}  // namespace

int Load(FavoritesTree& tree, const std::string& fileName) {
  platform::FileBytes bytes;
  // A list that can't be read to its end (a folder of that name, an I/O error) is not taken for a
  // shorter one: the tree stays as it was, as for a file that can't be opened.
  if (!platform::ReadWholeFile(fileName, bytes, kMaxListSize)) return 1;
  const std::size_t size = bytes.size;
  Parse(tree, tree.KeepBytes(std::move(bytes.data), size));
  return 0;
}

void LoadText(FavoritesTree& tree, std::string bytes) {
  Parse(tree, tree.KeepBytes(std::move(bytes)));
}
