#include "app/FavoritesModel.h"

#include <QString>

namespace {

// Folders up to this size are walked: an array would cost more than it saves.
constexpr unsigned kWalkedChildren = 32;

QString ShownName(std::string_view name) {
  if (name.size() <= static_cast<size_t>(FavoritesModel::kMaxShownBytes)) {
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
  }
  size_t cut = FavoritesModel::kMaxShownBytes;
  // Not inside a UTF-8 sequence: back up over continuation bytes.
  while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
  return QString::fromUtf8(name.data(), static_cast<qsizetype>(cut)) + QChar(0x2026);
}

}  // namespace

FavoritesModel::FavoritesModel(QObject* parent) : QAbstractItemModel(parent) {}

void FavoritesModel::SetTop(FavoriteNode* top) {
  beginResetModel();
  m_top = top;
  m_frozen = false;
  m_children.clear();
  endResetModel();
}

const QIcon* FavoritesModel::StateImage(int checkState) const {
  if (!m_images || checkState <= 0 || checkState >= static_cast<int>(m_images->size())) {
    return nullptr;
  }
  return &(*m_images)[static_cast<size_t>(checkState)];
}

QModelIndex FavoritesModel::IndexOf(const FavoriteNode* node) const {
  if (!node || m_frozen) return {};
  return createIndex(node == m_top ? 0 : static_cast<int>(node->row), 0, node);
}

FavoriteNode* FavoritesModel::ChildAt(const FavoriteNode* node, int row) const {
  if (row < 0 || static_cast<unsigned>(row) >= node->childCount) return nullptr;
  if (node->childCount <= kWalkedChildren) {
    FavoriteNode* child = node->firstChild;
    for (int i = 0; i < row && child; ++i) child = child->nextSibling;
    return child;
  }
  std::vector<FavoriteNode*>& children = m_children[node];
  if (children.empty()) {
    children.reserve(node->childCount);
    for (FavoriteNode* child = node->firstChild; child; child = child->nextSibling) {
      children.push_back(child);
    }
  }
  return static_cast<size_t>(row) < children.size() ? children[static_cast<size_t>(row)] : nullptr;
}

QModelIndex FavoritesModel::index(int row, int column, const QModelIndex& parent) const {
  if (m_frozen || column != 0 || !m_top) return {};
  if (!parent.isValid()) return row == 0 ? createIndex(0, 0, m_top) : QModelIndex();
  FavoriteNode* child = ChildAt(NodeOf(parent), row);
  return child ? createIndex(row, 0, child) : QModelIndex();
}

QModelIndex FavoritesModel::parent(const QModelIndex& child) const {
  if (m_frozen || !child.isValid()) return {};
  const FavoriteNode* node = NodeOf(child);
  if (node == m_top || !node->parent) return {};
  return IndexOf(node->parent);
}

int FavoritesModel::rowCount(const QModelIndex& parent) const {
  if (m_frozen || !m_top) return 0;
  if (!parent.isValid()) return 1;
  return static_cast<int>(NodeOf(parent)->childCount);
}

int FavoritesModel::columnCount(const QModelIndex&) const {
  return 1;
}

bool FavoritesModel::hasChildren(const QModelIndex& parent) const {
  if (m_frozen || !m_top) return false;
  return !parent.isValid() || NodeOf(parent)->firstChild != nullptr;
}

QVariant FavoritesModel::data(const QModelIndex& index, int role) const {
  if (m_frozen || !index.isValid()) return {};
  const FavoriteNode* node = NodeOf(index);
  switch (role) {
    case Qt::DisplayRole:
      return ShownName(node->Name());
    case Qt::DecorationRole:
      if (const QIcon* icon = StateImage(node->Check())) return *icon;
      return {};
    case kCheckRole:
      return node->Check();
    default:
      return {};
  }
}

Qt::ItemFlags FavoritesModel::flags(const QModelIndex& index) const {
  if (m_frozen || !index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}
