#pragma once

#include <string>
#include <string_view>

#include "model/FavoritesTree.h"

// Nodes named by their path below the root, names joined by "/" ("News/Daily"), as the command
// line shows them and takes them.
namespace commands {

// One line per node below the root, in list order: its path, and for a link a TAB and its
// address; each line ends in "\n".
std::string TreeLines(const FavoritesTree& tree);
// Leaves every node of that path out, as a cleared check box does. False when none has it.
bool ExcludePath(FavoritesTree& tree, std::string_view path);

}  // namespace commands
