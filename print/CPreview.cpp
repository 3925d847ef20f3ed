#include "CPreview.h"

#include "FavoritesManager.h"

CPreview::CPreview(FavoritesManager& manager, QWidget* parent)
    : QDialog(parent), m_manager(manager) {
  setWindowTitle("Preview");
}
