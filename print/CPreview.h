#pragma once

#include <QDialog>

class FavoritesManager;

// The print preview window: paints the local tree's favorites list, built anew at every paint.
class CPreview : public QDialog {
  Q_OBJECT
 public:
  CPreview(FavoritesManager& manager, QWidget* parent);

 private:
  FavoritesManager& m_manager;
};
