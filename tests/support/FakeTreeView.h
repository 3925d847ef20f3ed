#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "model/TreeView.h"

namespace testsupport {

// A tree view in memory, for the model's and the tree-view algorithms' tests.
class FakeTreeView : public TreeView {
 public:
  struct Item {
    std::string text;
    int check = 0;
    bool expanded = false;
    Item* parent = nullptr;
    std::vector<std::unique_ptr<Item>> children;
  };

  TreeItem InsertItem(TreeItem parent, std::string_view text, int checkState) override {
    auto item = std::make_unique<Item>();
    item->text = std::string(text);
    item->check = checkState;
    item->parent = const_cast<Item*>(static_cast<const Item*>(parent));
    Item* raw = item.get();
    Children(parent).push_back(std::move(item));
    ++count_;
    return raw;
  }
  int GetCheck(TreeItem item) const override { return item ? AsItem(item)->check : 0; }
  void SetCheck(TreeItem item, int state) override { AsItem(item)->check = state; }
  int ChildCount(TreeItem item) const override {
    return static_cast<int>(const_cast<FakeTreeView*>(this)->Children(item).size());
  }
  TreeItem ChildAt(TreeItem item, int index) const override {
    return const_cast<FakeTreeView*>(this)->Children(item)[static_cast<size_t>(index)].get();
  }
  TreeItem Parent(TreeItem item) const override { return AsItem(item)->parent; }
  TreeItem Selected() const override { return selected; }
  void Expand(TreeItem item) override { AsItem(item)->expanded = true; }
  void DeleteAllItems() override {
    top_.clear();
    count_ = 0;
  }
  int Count() const override { return count_; }

  static Item* AsItem(TreeItem item) { return const_cast<Item*>(static_cast<const Item*>(item)); }

  TreeItem selected = nullptr;

 private:
  std::vector<std::unique_ptr<Item>>& Children(TreeItem item) {
    return item ? AsItem(item)->children : top_;
  }
  std::vector<std::unique_ptr<Item>> top_;
  int count_ = 0;
};

}  // namespace testsupport
