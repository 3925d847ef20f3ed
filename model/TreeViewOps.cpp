#include "model/TreeViewOps.h"

#include <utility>
#include <vector>

TreeItem TreeView::InsertItem(TreeItem, std::string_view, int) {
  return nullptr;
}

TreeItem TreeView::ShowNodes(FavoriteNode*) {
  return nullptr;
}

int ShowTree(TreeView& view, FavoriteNode* node, TreeItem parent) {
  if (!node) return 1;
  if (view.ShowsNodes()) {
    // The items are the nodes: every one starts checked, then the view takes the subtree whole.
    // A tree no view has shown yet holds 0 in every node, which reads as checked: a new tree (a
    // million nodes at start-up) needs no walk. Its top is marked, so the next fill walks.
    std::vector<FavoriteNode*> pending;
    if (node->check != 0) pending.push_back(node);
    node->check = kChecked;
    while (!pending.empty()) {
      FavoriteNode* current = pending.back();
      pending.pop_back();
      current->check = kChecked;
      for (FavoriteNode* child = current->firstChild; child; child = child->nextSibling) {
        pending.push_back(child);
      }
    }
    if (!parent) view.ShowNodes(node);
    return 0;
  }
  const TreeItem top = view.InsertItem(parent, node->Name(), kChecked);
  // Each entry: the next node still to show at one level, and the item it goes under.
  std::vector<std::pair<const FavoriteNode*, TreeItem>> pending;
  if (node->firstChild) pending.emplace_back(node->firstChild, top);
  while (!pending.empty()) {
    const FavoriteNode* current = pending.back().first;
    const TreeItem under = pending.back().second;
    if (!current) {
      pending.pop_back();
      continue;
    }
    pending.back().first = current->nextSibling;
    const TreeItem item = view.InsertItem(under, current->Name(), kChecked);
    if (current->firstChild) pending.emplace_back(current->firstChild, item);
  }
  return 0;
}

int ReadChecks(const TreeView& view, TreeItem item, FavoriteNode* node) {
  if (!item || !node) return 0;
  struct Level {
    TreeItem item;       // the item whose children are being paired
    int index;           // the next child item
    FavoriteNode* node;  // the next child node
  };
  node->excluded = view.GetCheck(item) == kUnchecked ? 1 : 0;
  std::vector<Level> pending{{item, 0, node->firstChild}};
  while (!pending.empty()) {
    Level& level = pending.back();
    if (!level.node || level.index >= view.ChildCount(level.item)) {
      pending.pop_back();
      continue;
    }
    const TreeItem childItem = view.ChildAt(level.item, level.index++);
    FavoriteNode* childNode = level.node;
    level.node = childNode->nextSibling;
    childNode->excluded = view.GetCheck(childItem) == kUnchecked ? 1 : 0;
    pending.push_back({childItem, 0, childNode->firstChild});
  }
  return 0;
}

int SetSubtreeCheck(TreeView& view, TreeItem item, int state) {
  std::vector<TreeItem> pending{item};
  while (!pending.empty()) {
    const TreeItem current = pending.back();
    pending.pop_back();
    view.SetCheck(current, state);
    const int count = view.ChildCount(current);
    for (int i = count - 1; i >= 0; --i) pending.push_back(view.ChildAt(current, i));
  }
  return 0;
}

int AllChildrenHaveCheck(const TreeView& view, TreeItem item, int state) {
  const int count = view.ChildCount(item);
  for (int i = 0; i < count; ++i) {
    if (view.GetCheck(view.ChildAt(item, i)) != state) return 0;
  }
  return 1;
}

int UpdateAncestorChecks(TreeView& view, TreeItem item, int state) {
  for (TreeItem parent = view.Parent(item); parent; parent = view.Parent(parent)) {
    view.SetCheck(parent, AllChildrenHaveCheck(view, parent, state) ? state : kPartial);
  }
  return 0;
}

int ToggleSelectedCheck(TreeView& view, int keyCode) {
  if (keyCode != kSpaceKey) return 0;
  const TreeItem selected = view.Selected();
  if (!selected) return 0;
  const int state = view.GetCheck(selected) == kChecked ? kUnchecked : kChecked;
  SetSubtreeCheck(view, selected, state);
  UpdateAncestorChecks(view, selected, state);
  return 0;
}

int ExpandAll(TreeView& view, TreeItem item) {
  if (!item) return 0;
  std::vector<TreeItem> pending{item};
  while (!pending.empty()) {
    const TreeItem current = pending.back();
    pending.pop_back();
    view.Expand(current);
    const int count = view.ChildCount(current);
    for (int i = count - 1; i >= 0; --i) {
      const TreeItem child = view.ChildAt(current, i);
      if (view.ChildCount(child) > 0) pending.push_back(child);
    }
  }
  return 0;
}
