#pragma once

#include <string_view>

struct FavoriteNode;

// A tree view as the favorites algorithms see it: items with a text and a check state, reached
// by position. The Qt view and the tests' fake view implement it.
using TreeItem = const void*;  // null means "none" (or, as a parent, the top level)

// Check states, as the state images are numbered.
enum CheckState : int { kUnchecked = 1, kChecked = 2, kPartial = 3 };

class TreeView {
 public:
  virtual ~TreeView() = default;

  // A view of items of its own gets one inserted per node, after the parent's last child (the
  // top level when parent is null).
  virtual TreeItem InsertItem(TreeItem parent, std::string_view text, int checkState);
  // A view over the tree itself: its items are the nodes, and an item's check state is its
  // node's `check`. Such a view shows a whole subtree in one step, at the top level only.
  virtual bool ShowsNodes() const { return false; }
  virtual TreeItem ShowNodes(FavoriteNode* top);

  virtual int GetCheck(TreeItem item) const = 0;
  virtual void SetCheck(TreeItem item, int checkState) = 0;
  // Children of an item (of the top level when item is null), by index.
  virtual int ChildCount(TreeItem item) const = 0;
  virtual TreeItem ChildAt(TreeItem item, int index) const = 0;
  virtual TreeItem Parent(TreeItem item) const = 0;  // null for a top-level item
  virtual TreeItem Selected() const = 0;
  virtual void Expand(TreeItem item) = 0;
  virtual void DeleteAllItems() = 0;
  virtual int Count() const = 0;  // all items at all levels

  TreeItem FirstRoot() const { return ChildCount(nullptr) > 0 ? ChildAt(nullptr, 0) : nullptr; }
};
