#include "app/CTreeCtrl.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QString>
#include <vector>

namespace {

// The check state lives in the item; its picture is looked up in the view's state images each
// time the item is drawn, so changing a state costs no model signal.
class CheckItem : public QTreeWidgetItem {
 public:
  CheckItem(std::string_view text, int checkState) : m_check(checkState) {
    setText(0, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  }
  QVariant data(int column, int role) const override {
    if (column == 0 && role == CTreeCtrl::kCheckRole) return m_check;
    if (column == 0 && role == Qt::DecorationRole) {
      if (const auto* view = static_cast<const CTreeCtrl*>(treeWidget())) {
        if (const QIcon* icon = view->StateImage(m_check)) return *icon;
      }
      return {};
    }
    return QTreeWidgetItem::data(column, role);
  }
  void setData(int column, int role, const QVariant& value) override {
    if (column == 0 && role == CTreeCtrl::kCheckRole) {
      m_check = value.toInt();
      return;
    }
    QTreeWidgetItem::setData(column, role, value);
  }
  int m_check;
};

}  // namespace

CTreeCtrl::CTreeCtrl(QWidget* parent) : QTreeWidget(parent) {
  setColumnCount(1);
  setHeaderHidden(true);
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setIconSize(QSize(16, 16));
  setFrameShape(QFrame::StyledPanel);
  // A long name scrolls the view sideways instead of being cut off.
  header()->setStretchLastSection(false);
  header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
}

CTreeCtrl::~CTreeCtrl() {
  DeleteAllItems();
}

void CTreeCtrl::SetStateImageList(const StateImages* images) {
  m_images = images;
  viewport()->update();
}

const QIcon* CTreeCtrl::StateImage(int checkState) const {
  if (!m_images || checkState <= 0 || checkState >= static_cast<int>(m_images->size())) {
    return nullptr;
  }
  return &(*m_images)[static_cast<size_t>(checkState)];
}

TreeItem CTreeCtrl::InsertItem(TreeItem parent, std::string_view text, int checkState) {
  auto item = std::make_unique<CheckItem>(text, checkState);
  QTreeWidgetItem* raw = item.get();
  QTreeWidgetItem* under = AsItem(parent);
  if (!under) {
    AttachPending();
    m_pending = std::move(item);
    if (!m_attachQueued) {
      // Shown at the next turn of the event loop at the latest, even if nothing asks for it.
      m_attachQueued = true;
      QMetaObject::invokeMethod(
          this,
          [this] {
            m_attachQueued = false;
            AttachPending();
          },
          Qt::QueuedConnection);
    }
  } else {
    if (under->treeWidget()) AttachPending();
    under->addChild(item.release());
  }
  ++m_count;
  return raw;
}

void CTreeCtrl::AttachPending() const {
  if (!m_pending) return;
  auto* self = const_cast<CTreeCtrl*>(this);
  self->addTopLevelItem(m_pending.release());
}

int CTreeCtrl::GetCheck(TreeItem item) const {
  return item ? AsItem(item)->data(0, kCheckRole).toInt() : 0;
}

void CTreeCtrl::SetCheck(TreeItem item, int checkState) {
  if (!item) return;
  AsItem(item)->setData(0, kCheckRole, checkState);
  viewport()->update();
}

int CTreeCtrl::ChildCount(TreeItem item) const {
  if (item) return AsItem(item)->childCount();
  AttachPending();
  return topLevelItemCount();
}

TreeItem CTreeCtrl::ChildAt(TreeItem item, int index) const {
  if (item) return AsItem(item)->child(index);
  AttachPending();
  return topLevelItem(index);
}

TreeItem CTreeCtrl::Parent(TreeItem item) const {
  return item ? AsItem(item)->parent() : nullptr;
}

TreeItem CTreeCtrl::Selected() const {
  AttachPending();
  return currentItem();
}

void CTreeCtrl::Expand(TreeItem item) {
  if (!item) return;
  // Qt lays out the expanded items recursively, a stack frame per level: a list nested tens of
  // thousands deep (a damaged or hostile server copy) would overflow the stack. Items that deep
  // stay closed; nobody reads an item indented that far anyway.
  int depth = 0;
  for (const QTreeWidgetItem* up = AsItem(item)->parent(); up; up = up->parent()) {
    if (++depth >= kMaxExpandedDepth) return;
  }
  AttachPending();
  // With a full layout already pending, each expand only records the item; one layout then
  // serves a whole walk of expands instead of one per item.
  scheduleDelayedItemsLayout();
  AsItem(item)->setExpanded(true);
}

void CTreeCtrl::DeleteAllItems() {
  QList<QTreeWidgetItem*> items = invisibleRootItem()->takeChildren();
  if (m_pending) items.append(m_pending.release());
  DeleteBottomUp(std::move(items));
  m_count = 0;
}

void CTreeCtrl::DeleteBottomUp(QList<QTreeWidgetItem*> items) {
  // An item deletes its children recursively, so a deep tree read from a file would exhaust the
  // stack; and taking children away walks their whole subtrees, which is quadratic on a deep
  // chain. So the items are emptied in post-order: by the time an item's children are taken,
  // each of them is a leaf, and every item is walked a bounded number of times.
  struct Frame {
    QTreeWidgetItem* item;
    int next;  // the child to descend into next
  };
  std::vector<Frame> stack;
  for (QTreeWidgetItem* top : items) {
    stack.push_back({top, 0});
    while (!stack.empty()) {
      Frame& frame = stack.back();
      if (frame.next < frame.item->childCount()) {
        QTreeWidgetItem* child = frame.item->child(frame.next++);
        if (child->childCount() > 0) stack.push_back({child, 0});
        continue;
      }
      for (QTreeWidgetItem* leaf : frame.item->takeChildren()) {
        const std::unique_ptr<QTreeWidgetItem> owned(leaf);
      }
      stack.pop_back();
    }
    const std::unique_ptr<QTreeWidgetItem> owned(top);
  }
}

int CTreeCtrl::Count() const {
  return m_count;
}

void CTreeCtrl::keyPressEvent(QKeyEvent* event) {
  emit keyDown(event->key());
  QTreeWidget::keyPressEvent(event);
}
