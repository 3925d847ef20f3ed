// Any bytes read as a favorites list give a tree that the writer writes and the reader reads back
// unchanged: the server copy survives a second round trip through the format.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/FavoritesList.h"
#include "model/FavoritesTree.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/FuzzTree.h"

using fuzzcheck::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  FavoritesTree first;
  LoadText(first, std::string(bytes));
  Require(first.Root() != nullptr, "a read always gives a root");
  Require(first.Root()->nextSibling == nullptr, "the root has no siblings");
  size_t nodes = 0;
  fuzzcheck::ForEachNode(first.Root(), [&nodes](const FavoriteNode& node) {
    ++nodes;
    Require(node.text.find("\r\n") == std::string::npos, "a node text holds no CR LF");
    Require(node.text.find('\0') == std::string::npos, "a node text holds no NUL");
    Require(node.text.empty() || node.text.front() != '\t', "a node text begins with no TAB");
    Require(node.excluded == 0, "a read node is not excluded");
  });
  Require(nodes <= size / 2 + 1, "every node but an unterminated first one costs a CR LF");

  const std::string text = BuildText(first);
  Require(text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0,
          "the written list ends with CR LF");
  FavoritesTree second;
  LoadText(second, text);
  Require(fuzzcheck::SameTree(first.Root(), second.Root()), "the second read gives the same tree");
  Require(BuildText(second) == text, "the second write gives the same bytes");
  return 0;
}
