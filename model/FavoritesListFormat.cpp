// The favorites list: writer and reader. Both walk with explicit stacks, as a list from outside
// may describe a tree of any depth.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <utility>
#include <vector>

#include "FavoritesTree.h"
#include "WholeFile.h"

namespace {

// Reads lines as the format ends them: at a CR LF pair. A lone LF or CR is data.
class LineReader {
 public:
  explicit LineReader(std::string_view data) : data_(data) {}
  // False at the end of the data: the line then holds what was left, unterminated.
  bool Next(std::string_view& line) {
    const size_t crlf = data_.find("\r\n", pos_);
    if (crlf == std::string_view::npos) {
      line = data_.substr(pos_);
      pos_ = data_.size();
      return false;
    }
    line = data_.substr(pos_, crlf - pos_);
    pos_ = crlf + 2;
    return true;
  }

 private:
  std::string_view data_;
  size_t pos_ = 0;
};

// A line's leading TAB count and the text after them. A NUL ends the text, as no node text can
// hold one.
std::string_view SplitLine(std::string_view line, size_t& tabs) {
  line = line.substr(0, line.find('\0'));
  tabs = line.find_first_not_of('\t');
  if (tabs == std::string_view::npos) tabs = line.size();
  return line.substr(tabs);
}

}  // namespace

void FavoritesTree::AppendText(const FavoriteNode* node, int depth, std::string& text) {
  if (!node || node->excluded) return;
  auto appendLine = [&text](const FavoriteNode* n, int d) {
    text.append(static_cast<size_t>(d), '\t');
    text += n->text;
    text += "\r\n";
  };
  appendLine(node, depth);
  // Each entry is the next child still to write at one level, with that level's depth.
  std::vector<std::pair<const FavoriteNode*, int>> pending;
  if (node->firstChild) pending.emplace_back(node->firstChild.get(), depth + 1);
  while (!pending.empty()) {
    const FavoriteNode* current = pending.back().first;
    const int currentDepth = pending.back().second;
    if (!current) {
      pending.pop_back();
      continue;
    }
    pending.back().first = current->nextSibling.get();
    if (current->excluded) continue;
    appendLine(current, currentDepth);
    if (current->firstChild) pending.emplace_back(current->firstChild.get(), currentDepth + 1);
  }
}

std::string FavoritesTree::BuildText(const std::string& fileName) const {
  std::string text;
  AppendText(root_.get(), 0, text);
  if (fileName.empty() || platform::ReplaceFileWhole(fileName, text) == 0) return text;
  return {};
}

int FavoritesTree::SaveText(const std::string& fileName) const {
  std::string text;
  AppendText(root_.get(), 0, text);
  return platform::ReplaceFileWhole(fileName, text) == 0 ? 0 : 1;
}

int FavoritesTree::Load(const std::string& fileName) {
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 1;
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      // A list that can't be read to its end (a folder of that name, an I/O error) is not taken
      // for a shorter one: the tree stays as it was, as for a file that can't be opened.
      ::close(fd);
      return 1;
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  LoadText(bytes);
  return 0;
}

void FavoritesTree::LoadText(std::string_view bytes) {
  LineReader reader(bytes);
  std::string_view line;
  size_t tabs = 0;
  // The first line becomes the root (or a child of the root the tree already has), whatever its
  // TABs and even when it is unterminated.
  reader.Next(line);
  FavoriteNode* parent = root_.get();
  FavoriteNode* first = AddNode(parent, std::string(SplitLine(line, tabs)));
  if (!parent) parent = root_.get();

  // One entry per level being read: its parent, its depth and the node last added there.
  struct Level {
    FavoriteNode* parent;
    size_t depth;
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
      level.last = AddNode(level.parent, std::string(text));
    } else if (tabs < level.depth) {
      levels.pop_back();
      givenBack = true;
    } else {
      // Deeper by any amount: one level down, under the node last added here.
      FavoriteNode* deeperParent = level.last;
      const size_t deeperDepth = level.depth + 1;
      FavoriteNode* added = AddNode(deeperParent, std::string(text));
      levels.push_back({deeperParent, deeperDepth, added});
    }
  }
}
