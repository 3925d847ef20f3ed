#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <array>
#include <unordered_map>
#include <vector>

#include "model/FavoriteNode.h"

// An item model over a favorites tree as it is: an index points at its node, the text is the
// node's name and the decoration the picture of the node's check state. Nothing is copied per
// node; only folders with many children get an array of them, when the view first asks.
class FavoritesModel : public QAbstractItemModel {
  Q_OBJECT
 public:
  static constexpr int kCheckRole = Qt::UserRole + 1;
  // A name longer than this is shown cut (the node keeps it whole): laying out a line of
  // megabytes would hold the window for a minute.
  static constexpr int kMaxShownBytes = 1024;
  using StateImages = std::array<QIcon, 4>;  // blank, empty box, ticked box, grey ticked box

  explicit FavoritesModel(QObject* parent = nullptr);

  // Shows the tree below top (null: nothing) as its one top-level row.
  void SetTop(FavoriteNode* top);
  FavoriteNode* Top() const { return m_top; }
  void SetStateImages(const StateImages* images) { m_images = images; }
  const QIcon* StateImage(int checkState) const;

  // While a command may free or grow the tree, the model answers as if it were empty and never
  // looks at a node; SetTop afterwards shows the tree again.
  void SetFrozen(bool frozen) { m_frozen = frozen; }
  bool Frozen() const { return m_frozen; }

  QModelIndex IndexOf(const FavoriteNode* node) const;
  static FavoriteNode* NodeOf(const QModelIndex& index) {
    return static_cast<FavoriteNode*>(index.internalPointer());
  }
  // The child at that place: a walk along the siblings for small folders, an array for big ones.
  FavoriteNode* ChildAt(const FavoriteNode* node, int row) const;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  FavoriteNode* m_top = nullptr;
  const StateImages* m_images = nullptr;
  bool m_frozen = false;
  mutable std::unordered_map<const FavoriteNode*, std::vector<FavoriteNode*>> m_children;
};
