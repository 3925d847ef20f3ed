#pragma once

#include <QTreeView>
#include <vector>

#include "app/FavoritesModel.h"
#include "model/TreeView.h"

// A favorites tree view: a QTreeView over the favorites tree itself (FavoritesModel), behind the
// TreeView interface. Every item carries a three-state check box, kept in its node and drawn
// from the state images (not Qt's own check boxes, so a mouse click on the box changes nothing).
// Key presses are reported through keyDown before the view's own handling of the key.
class CTreeCtrl : public QTreeView, public TreeView {
  Q_OBJECT
 public:
  static constexpr int kCheckRole = FavoritesModel::kCheckRole;
  // Items nested deeper than this are never expanded (see Expand).
  static constexpr int kMaxExpandedDepth = 1000;
  using StateImages = FavoritesModel::StateImages;

  explicit CTreeCtrl(QWidget* parent = nullptr);
  ~CTreeCtrl() override;

  void SetStateImageList(const StateImages* images);

  bool ShowsNodes() const override { return true; }
  TreeItem ShowNodes(FavoriteNode* top) override;
  int GetCheck(TreeItem item) const override;
  void SetCheck(TreeItem item, int checkState) override;
  int ChildCount(TreeItem item) const override;
  TreeItem ChildAt(TreeItem item, int index) const override;
  TreeItem Parent(TreeItem item) const override;
  TreeItem Selected() const override;
  void Expand(TreeItem item) override;
  void DeleteAllItems() override;
  int Count() const override;

  // What the user made of the view (check boxes, open folders, the selection, the scroll
  // position), by the place of each node in a depth-first walk.
  struct State {
    std::vector<unsigned char> checks;
    std::vector<unsigned> expanded;
    long long current = -1;
    int scrollX = 0;
    int scrollY = 0;
  };
  State SaveState() const;
  // While a command may free or replace the tree: the view keeps its picture, takes no input and
  // looks at no node.
  void Freeze();
  // After it: shows the tree below top again with the state saved before, when top has the same
  // number of nodes (the same copy, maybe read again), else every item checked and top opened.
  void Thaw(FavoriteNode* top, const State& state);

  QModelIndex IndexOf(TreeItem item) const;
  static FavoriteNode* AsNode(TreeItem item) {
    return const_cast<FavoriteNode*>(static_cast<const FavoriteNode*>(item));
  }

 signals:
  void keyDown(int keyCode);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  FavoritesModel m_model;
  mutable int m_count = -1;  // items shown, counted when first asked
};
