#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "model/FavoriteNode.h"
#include "model/FavoritesTree.h"

// The favorites list, the one text form of a tree: one line per node, depth-first, depth as
// leading TABs, CR LF after every line, excluded nodes left out with their descendants. Writer and
// reader walk with explicit stacks, as a list from outside may describe a tree of any depth.

// The list of the whole tree.
std::string BuildText(const FavoritesTree& tree);
// Stores the list in the file, whole or not at all: 0, or 1 when it can't be written (an earlier
// file of that name then stays as it was).
int SaveText(const FavoritesTree& tree, const std::string& fileName);
// The largest list Load reads: far above what any transfer accepts, and small enough that the
// tree of any list of that size fits in memory (a node costs 64 bytes beside its text).
constexpr std::size_t kMaxListSize = 256 * 1024 * 1024;
// Reads a favorites list file into the tree: 1 when it can't be read to its end or is larger than
// kMaxListSize (the tree then stays as it was), else 0. The tree keeps the file's bytes: the node
// texts lie in them.
int Load(FavoritesTree& tree, const std::string& fileName);
// The same from bytes in memory: a tree that was empty gets the first line as its root; lines
// that go on from there are read as the reader always has (see the rules in the source).
void LoadText(FavoritesTree& tree, std::string bytes);
