#include "model/FavoritesList.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/WholeFile.h"

namespace {

// The first LF from `from` on, or null; the first NUL before it goes to nul unless one is there
// already. Sixteen bytes at a time where the processor has the instructions: a call to memchr
// for each line of seventy bytes costs more than looking at them.
inline const char* FindLineFeed(const char* from, const char* end, const char*& nul) {
#if defined(__SSE2__)
  const __m128i lineFeed = _mm_set1_epi8('\n');
  const __m128i zero = _mm_setzero_si128();
  for (; end - from >= 16; from += 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    const auto lineFeeds =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, lineFeed)));
    const auto nuls = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, zero)));
    if ((lineFeeds | nuls) == 0) continue;
    if (nuls != 0 && !nul) {
      // The NULs before the first LF of the chunk (all of them when it holds none).
      const unsigned before = lineFeeds != 0 ? nuls & ((lineFeeds & (0u - lineFeeds)) - 1) : nuls;
      if (before != 0) nul = from + __builtin_ctz(before);
    }
    if (lineFeeds != 0) return from + __builtin_ctz(lineFeeds);
  }
#endif
  for (; from < end; ++from) {
    if (*from == '\n') return from;
    if (*from == '\0' && !nul) nul = from;
  }
  return nullptr;
}

// Reads lines as the format ends them: at a CR LF pair. A lone LF or CR is data. A NUL ends a
// line's text, as no node text can hold one: each line comes cut there.
class LineReader {
 public:
  explicit LineReader(std::string_view data)
      : m_at(data.data()), m_end(data.data() + data.size()) {}
  // False at the end of the data: the line then holds what was left, unterminated.
  bool Next(std::string_view& line) {
    const char* const start = m_at;
    const char* nul = nullptr;
    for (const char* from = start; from < m_end;) {
      const char* lineFeed = FindLineFeed(from, m_end, nul);
      if (!lineFeed) break;
      if (lineFeed > start && lineFeed[-1] == '\r') {
        line = {start, static_cast<std::size_t>((nul ? nul : lineFeed - 1) - start)};
        m_at = lineFeed + 1;
        return true;
      }
      from = lineFeed + 1;
    }
    line = {start, static_cast<std::size_t>((nul ? nul : m_end) - start)};
    m_at = m_end;
    return false;
  }

 private:
  const char* m_at;
  const char* m_end;
};

// A line's leading TAB count and the text after them.
std::string_view SplitLine(std::string_view line, std::size_t& tabs) {
  tabs = 0;
  while (tabs < line.size() && line[tabs] == '\t') ++tabs;
  return line.substr(tabs);
}

// Copies a short text inline, in a few wide moves that may overlap: a call into the library for
// each of a million texts of fifty bytes costs more than the bytes, and so do loops whose length
// the processor can't foresee.
inline void CopyText(char* to, const char* from, std::size_t n) {
  if (n > 128) {
    std::memcpy(to, from, n);
  } else if (n > 64) {
    std::memcpy(to, from, 32);
    std::memcpy(to + 32, from + 32, 32);
    std::memcpy(to + n - 64, from + n - 64, 32);
    std::memcpy(to + n - 32, from + n - 32, 32);
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

// Fills the text in place: the lines go straight into its free capacity, which is neither
// cleared first nor copied from a buffer. When the capacity runs out the text doubles.
void AppendAll(ListWriter& writer, std::string& text) {
  while (!writer.Done()) {
    const std::size_t used = text.size();
    // What is left of the capacity, or as much again as the text holds when none is.
    const std::size_t room =
        text.capacity() > used ? text.capacity() - used : std::max<std::size_t>(used, 256);
    text.resize_and_overwrite(used + room, [&](char* data, std::size_t size) {
      return used + writer.Fill(data + used, size - used);
    });
  }
}

}  // namespace

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
  constexpr std::size_t kSize = 16 * kPiece;
  const auto piece = std::make_unique_for_overwrite<char[]>(kSize);
  return platform::ReplaceFileWhole(fileName,
                                    [&]() -> std::string_view {
                                      return {piece.get(), writer.Fill(piece.get(), kSize)};
                                    }) == 0
             ? 0
             : 1;
}

namespace {

void Parse(FavoritesTree& tree, std::string_view kept) {
  if (tree.Empty()) tree.SetSource(kept);
  LineReader reader(kept);
  std::string_view line;
  std::size_t tabs = 0;
  // The first line becomes the root (or a child of the root the tree already has), whatever its
  // TABs and even when it is unterminated.
  reader.Next(line);
  FavoriteNode* parent = tree.Root();
  FavoriteNode* first = tree.AddNodeInPlace(parent, SplitLine(line, tabs));
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
    const std::string_view text = SplitLine(line, tabs);
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
