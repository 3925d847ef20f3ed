// Any bytes read as a browser's bookmarks file give a tree whose every name can be a file name
// and whose every address can be saved in a shortcut; the file written from it reads back as the
// same tree, with nothing more to rename or leave out, and is written again byte for byte.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/BookmarksFile.h"
#include "model/FavoritesTree.h"
#include "platform/ShortcutFile.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/FuzzTree.h"

using fuzzcheck::Require;

namespace {

bool CanBeAName(std::string_view name) {
  if (name.empty() || name == "." || name == ".." || name.size() > kMaxBookmarkName) return false;
  if (name.front() == ' ' || name.back() == ' ') return false;
  for (const char c : name) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == '/' || c == '\\') return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  FavoritesTree first;
  const BookmarksRead read = ReadBookmarks(bytes, first);
  if (read.status != BookmarksRead::Status::kRead) {
    Require(first.Empty(), "a refused file leaves the tree empty");
    return 0;
  }
  Require(first.Root() && first.Root()->text == "Favorites", "the root is the Favorites folder");
  Require(first.Root()->nextSibling == nullptr, "the root has no siblings");
  Require(read.folders + read.links + 1 == first.NodeCount(), "every node is counted");
  fuzzcheck::ForEachNode(first.Root()->firstChild, [](const FavoriteNode& node) {
    Require(CanBeAName(node.Name()), "every name can be a file name");
    if (!node.IsLink()) return;
    Require(node.firstChild == nullptr, "nothing lies below a link");
    const std::string_view url = node.Url();
    Require(platform::IsSavableUrl(url) && url.size() <= kMaxBookmarkUrl,
            "every address can be saved in a shortcut");
    Require(url.find(FavoriteNode::kUrlSeparator) == std::string_view::npos && url.front() != ' ' &&
                url.back() != ' ',
            "an address is one piece without blanks around it");
    Require(url.rfind("javascript:", 0) != 0 && url.rfind("place:", 0) != 0,
            "no script or query is taken");
  });

  const std::string text = BookmarksText(first, 1700000000);
  FavoritesTree second;
  const BookmarksRead again = ReadBookmarks(text, second);
  Require(again.status == BookmarksRead::Status::kRead, "the written file is a bookmarks file");
  Require(fuzzcheck::SameTree(first.Root(), second.Root()), "the written file reads back the same");
  Require(again.renamed.empty() &&
              again.withoutAddress + again.scripts + again.queries + again.tooLong == 0,
          "nothing read back is renamed or left out");
  Require(BookmarksText(second, 1700000000) == text, "the second write gives the same bytes");
  return 0;
}
