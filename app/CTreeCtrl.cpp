#include "app/CTreeCtrl.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <algorithm>

namespace {

// Calls visit(node, place) for every node below top, top included, depth-first in the order the
// view shows them.
template <typename Visit>
void Walk(FavoriteNode* top, Visit visit) {
  std::vector<FavoriteNode*> pending;
  if (top) pending.push_back(top);
  unsigned place = 0;
  while (!pending.empty()) {
    FavoriteNode* node = pending.back();
    pending.pop_back();
    visit(node, place++);
    const size_t at = pending.size();
    for (FavoriteNode* child = node->firstChild; child; child = child->nextSibling) {
      pending.push_back(child);
    }
    std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(at), pending.end());
  }
}

}  // namespace

CTreeCtrl::CTreeCtrl(QWidget* parent) : QTreeView(parent) {
  setModel(&m_model);
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
  setModel(nullptr);
}

void CTreeCtrl::SetStateImageList(const StateImages* images) {
  m_model.SetStateImages(images);
  viewport()->update();
}

QModelIndex CTreeCtrl::IndexOf(TreeItem item) const {
  return m_model.IndexOf(static_cast<const FavoriteNode*>(item));
}

TreeItem CTreeCtrl::ShowNodes(FavoriteNode* top) {
  m_model.SetTop(top);
  m_count = -1;
  return top;
}

int CTreeCtrl::GetCheck(TreeItem item) const {
  return item ? AsNode(item)->Check() : 0;
}

void CTreeCtrl::SetCheck(TreeItem item, int checkState) {
  if (!item) return;
  // The view reads the state at its next paint; a signal per item would cost more than a
  // toggled subtree of thousands.
  AsNode(item)->check = static_cast<unsigned char>(checkState);
  viewport()->update();
}

int CTreeCtrl::ChildCount(TreeItem item) const {
  if (!item) return m_model.Top() ? 1 : 0;
  return static_cast<int>(AsNode(item)->childCount);
}

TreeItem CTreeCtrl::ChildAt(TreeItem item, int index) const {
  if (!item) return index == 0 ? m_model.Top() : nullptr;
  return m_model.ChildAt(AsNode(item), index);
}

TreeItem CTreeCtrl::Parent(TreeItem item) const {
  if (!item || item == m_model.Top()) return nullptr;
  return AsNode(item)->parent;
}

TreeItem CTreeCtrl::Selected() const {
  return FavoritesModel::NodeOf(currentIndex());
}

void CTreeCtrl::Expand(TreeItem item) {
  if (!item) return;
  // Qt lays out the expanded items recursively, a stack frame per level: a list nested tens of
  // thousands deep (a damaged or hostile server copy) would overflow the stack. Items that deep
  // stay closed; nobody reads an item indented that far anyway.
  int depth = 0;
  for (TreeItem up = Parent(item); up; up = Parent(up)) {
    if (++depth >= kMaxExpandedDepth) return;
  }
  // With a full layout already pending, each expand only records the item; one layout then
  // serves a whole walk of expands instead of one per item.
  scheduleDelayedItemsLayout();
  expand(IndexOf(item));
}

void CTreeCtrl::DeleteAllItems() {
  m_model.SetTop(nullptr);
  m_count = 0;
}

int CTreeCtrl::Count() const {
  if (m_count < 0) {
    int count = 0;
    Walk(m_model.Top(), [&](FavoriteNode*, unsigned) { ++count; });
    m_count = count;
  }
  return m_count;
}

CTreeCtrl::State CTreeCtrl::SaveState() const {
  State state;
  if (m_model.Frozen()) return state;
  const FavoriteNode* current = FavoritesModel::NodeOf(currentIndex());
  Walk(m_model.Top(), [&](FavoriteNode* node, unsigned place) {
    state.checks.push_back(node->check);
    if (node->firstChild && isExpanded(IndexOf(node))) state.expanded.push_back(place);
    if (node == current) state.current = place;
  });
  state.scrollX = horizontalScrollBar()->value();
  state.scrollY = verticalScrollBar()->value();
  return state;
}

void CTreeCtrl::Freeze() {
  m_model.SetFrozen(true);
  setUpdatesEnabled(false);
  setEnabled(false);
}

void CTreeCtrl::Thaw(FavoriteNode* top, const State& state) {
  std::vector<FavoriteNode*> nodes;
  Walk(top, [&](FavoriteNode* node, unsigned) { nodes.push_back(node); });
  m_model.SetTop(top);
  m_count = static_cast<int>(nodes.size());
  if (nodes.size() == state.checks.size()) {
    for (size_t i = 0; i < nodes.size(); ++i) nodes[i]->check = state.checks[i];
    for (unsigned place : state.expanded) Expand(nodes[place]);
    if (state.current >= 0) {
      setCurrentIndex(IndexOf(nodes[static_cast<size_t>(state.current)]));
    }
    executeDelayedItemsLayout();
    horizontalScrollBar()->setValue(state.scrollX);
    verticalScrollBar()->setValue(state.scrollY);
  } else {
    for (FavoriteNode* node : nodes) node->check = kChecked;
    if (top) Expand(top);
  }
  setEnabled(true);
  setUpdatesEnabled(true);
}

void CTreeCtrl::keyPressEvent(QKeyEvent* event) {
  emit keyDown(event->key());
  QTreeView::keyPressEvent(event);
}
