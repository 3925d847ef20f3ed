#include "model/FavoritesList.h"

#include <algorithm>
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

// Copies a short text inline, in a few wide moves that may overlap: a call into the library for
// each of a million texts of fifty bytes costs more than the bytes, and so do loops whose length
// the processor can't foresee.
inline void CopyText(char* to, const char* from, std::size_t n) {
  if (n > 64) {
    std::memcpy(to, from, n);
  } else if (n > 32) {
    std::memcpy(to, from, 16);
    std::memcpy(to + 16, from + 16, 16);
    std::memcpy(to + n - 32, from + n - 32, 16);
    std::memcpy(to + n - 16, from + n - 16, 16);
  } else if (n > 16) {
    std::memcpy(to, from, 16);
    std::memcpy(to + n - 16, from + n - 16, 16);
  } else if (n >= 8) {
    std::memcpy(to, from, 8);
    std::memcpy(to + n - 8, from + n - 8, 8);
  } else {
    for (std::size_t i = 0; i < n; ++i) to[i] = from[i];
  }
}

// The lines of a subtree in list order, handed out in pieces of any size: the node being written,
// its depth and how much of its line is out. The walk follows the parent links, so it needs no
// stack, and it can stop at any byte and go on later.
class ListWriter {
 public:
  ListWriter(const FavoriteNode* top, int depth)
      : m_top(top), m_node(top && !top->excluded ? top : nullptr), m_depth(depth) {}

  bool Done() const { return m_node == nullptr; }

  // The size of all lines still to write.
  std::size_t Remaining() const {
    ListWriter copy = *this;
    std::size_t size = 0;
    for (; copy.m_node; copy.Advance()) size += copy.LineSize();
    return size - m_offset;
  }

  // Fills up to room bytes; returns how many.
  std::size_t Fill(char* out, std::size_t room) {
    char* const start = out;
    char* const end = out + room;
    while (m_node) {
      if (m_offset == 0) out = WholeLines(out, end);
      if (!m_node || !PartOfLine(out, end)) break;
    }
    return static_cast<std::size_t>(out - start);
  }

 private:
  std::size_t LineSize() const {
    return static_cast<std::size_t>(m_depth) + m_node->text.size() + 2;
  }

  // Every whole line that fits, the common case. The walk is kept in locals: a store through the
  // char pointer may alias anything, which would make the compiler reload every member.
  char* WholeLines(char* out, char* end) {
    const FavoriteNode* node = m_node;
    int depth = m_depth;
    while (node) {
      const std::size_t tabs = static_cast<std::size_t>(depth);
      const std::string_view text = node->text;
      if (tabs + text.size() + 10 > static_cast<std::size_t>(end - out)) break;
      // Up to eight TABs go in one move; what is too many is written over by the text.
      if (tabs <= 8) {
        std::memcpy(out, "\t\t\t\t\t\t\t\t", 8);
      } else {
        std::memset(out, '\t', tabs);
      }
      out += tabs;
      CopyText(out, text.data(), text.size());
      out += text.size();
      out[0] = '\r';
      out[1] = '\n';
      out += 2;
      node = Next(node, depth, m_top);
    }
    m_node = node;
    m_depth = depth;
    return out;
  }

  // As much of the current line as fits, from where it stopped: a line longer than the room, or
  // the last one before it ends. False when the room ran out first.
  bool PartOfLine(char*& out, char* end) {
    const std::size_t tabs = static_cast<std::size_t>(m_depth);
    const std::string_view text = m_node->text;
    const std::size_t line = tabs + text.size() + 2;
    while (m_offset < line && out < end) {
      if (m_offset < tabs) {
        *out++ = '\t';
        ++m_offset;
      } else if (m_offset < tabs + text.size()) {
        const std::size_t n =
            std::min(tabs + text.size() - m_offset, static_cast<std::size_t>(end - out));
        std::memcpy(out, text.data() + (m_offset - tabs), n);
        out += n;
        m_offset += n;
      } else {
        *out++ = m_offset == line - 2 ? '\r' : '\n';
        ++m_offset;
      }
    }
    if (m_offset < line) return false;
    m_offset = 0;
    m_node = Next(m_node, m_depth, m_top);
    return true;
  }

  void Advance() { m_node = Next(m_node, m_depth, m_top); }

  // The next written node in pre-order below top, or null; depth follows it.
  static const FavoriteNode* Next(const FavoriteNode* node, int& depth, const FavoriteNode* top) {
    const FavoriteNode* next = node->nextSibling;
    if (!node->firstChild && next && !next->excluded && node != top) {
      return next;  // the common case: a link followed by another
    }
    for (const FavoriteNode* c = node->firstChild; c; c = c->nextSibling) {
      if (!c->excluded) {
        ++depth;
        return c;
      }
    }
    for (const FavoriteNode* n = node; n != top; n = n->parent, --depth) {
      for (const FavoriteNode* s = n->nextSibling; s; s = s->nextSibling) {
        if (!s->excluded) return s;
      }
    }
    return nullptr;
  }

  const FavoriteNode* m_top;
  const FavoriteNode* m_node;
  int m_depth;
  std::size_t m_offset = 0;  // bytes of m_node's line already out
};

// Pieces of the list go out through a buffer that stays in the processor's cache.
constexpr std::size_t kPiece = 64 * 1024;

}  // namespace

namespace {

// Fills the text through a small buffer, so each byte of it is written into the text once.
void AppendAll(ListWriter& writer, std::string& text) {
  char piece[kPiece];
  while (!writer.Done()) text.append(piece, writer.Fill(piece, sizeof piece));
}

}  // namespace

void AppendText(const FavoriteNode* node, int depth, std::string& text) {
  ListWriter writer(node, depth);
  text.reserve(text.size() + writer.Remaining());
  AppendAll(writer, text);
}

std::string BuildText(const FavoritesTree& tree) {
  ListWriter writer(tree.Root(), 0);
  // Room for every text with its line end and a few TABs, known without a walk; a deeper tree
  // grows the text once more.
  std::string text;
  text.reserve(tree.TextBytes() + tree.NodeCount() * 6);
  AppendAll(writer, text);
  return text;
}

int SaveText(const FavoritesTree& tree, const std::string& fileName) {
  // Written piece by piece: a list of any size costs one buffer, not a copy of itself.
  ListWriter writer(tree.Root(), 0);
  std::vector<char> piece(16 * kPiece);
  return platform::ReplaceFileWhole(
             fileName,
             [&]() -> std::string_view {
               return {piece.data(), writer.Fill(piece.data(), piece.size())};
             }) == 0
             ? 0
             : 1;
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
