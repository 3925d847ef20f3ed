#pragma once

#include "model/FavoriteNode.h"
#include "model/TreeView.h"

// The tree-view algorithms, written once against TreeView. All of them walk with explicit stacks.

// Shows the node and its descendants (not its siblings) under the parent item, every item
// checked. 1 when the node is null and nothing was inserted, else 0. A view over the tree itself
// shows whole trees: there the parent must be the top level (null).
int ShowTree(TreeView& view, FavoriteNode* node, TreeItem parent);
// Copies the check boxes into the nodes' exclusion marks, pairing items and nodes by position.
int ReadChecks(const TreeView& view, TreeItem item, FavoriteNode* node);
int SetSubtreeCheck(TreeView& view, TreeItem item, int state);
// 1 when every direct child has the state (also with no children), else 0.
int AllChildrenHaveCheck(const TreeView& view, TreeItem item, int state);
// Each ancestor becomes the state when all its direct children have it, else partial.
int UpdateAncestorChecks(TreeView& view, TreeItem item, int state);
// The space bar on a view: toggles the selected item's subtree and updates its ancestors. Other
// keys change nothing. Always 0, so the view goes on with its own handling of the key.
int ToggleSelectedCheck(TreeView& view, int keyCode);
int ExpandAll(TreeView& view, TreeItem item);

inline constexpr int kSpaceKey = 0x20;
