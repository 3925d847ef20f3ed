#pragma once

#include <QIcon>
#include <QTreeWidget>
#include <array>
#include <memory>

#include "model/TreeView.h"

// A favorites tree view: a QTreeWidget behind the TreeView interface. Every item carries a
// three-state check box, kept in kCheckRole and drawn from the state images (not Qt's own check
// boxes, so a mouse click on the box changes nothing). Key presses are reported through keyDown
// before the view's own handling of the key.
class CTreeCtrl : public QTreeWidget, public TreeView {
  Q_OBJECT
 public:
  static constexpr int kCheckRole = Qt::UserRole + 1;
  // Items nested deeper than this are never expanded (see Expand).
  static constexpr int kMaxExpandedDepth = 1000;
  using StateImages = std::array<QIcon, 4>;  // blank, empty box, ticked box, grey ticked box

  explicit CTreeCtrl(QWidget* parent = nullptr);
  ~CTreeCtrl() override;

  void SetStateImageList(const StateImages* images);
  const QIcon* StateImage(int checkState) const;

  TreeItem InsertItem(TreeItem parent, std::string_view text, int checkState) override;
  int GetCheck(TreeItem item) const override;
  void SetCheck(TreeItem item, int checkState) override;
  int ChildCount(TreeItem item) const override;
  TreeItem ChildAt(TreeItem item, int index) const override;
  TreeItem Parent(TreeItem item) const override;
  TreeItem Selected() const override;
  void Expand(TreeItem item) override;
  void DeleteAllItems() override;
  int Count() const override;

  static QTreeWidgetItem* AsItem(TreeItem item) {
    return const_cast<QTreeWidgetItem*>(static_cast<const QTreeWidgetItem*>(item));
  }

 signals:
  void keyDown(int keyCode);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // A filled subtree is built detached and attached in one step: inserting items one by one
  // into a live view costs a model signal and a layout update each.
  void AttachPending() const;
  static void DeleteBottomUp(QList<QTreeWidgetItem*> items);

  mutable std::unique_ptr<QTreeWidgetItem> m_pending;
  const StateImages* m_images = nullptr;
  int m_count = 0;
  bool m_attachQueued = false;
};
