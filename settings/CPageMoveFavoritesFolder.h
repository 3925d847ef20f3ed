#pragma once

#include <string>

#include "settings/CPropertyPage.h"

class QLineEdit;
class QPushButton;

// Page 2 of the settings sheet: points the shell's Favorites location at another folder. No file
// is moved; the next scan reads the new location.
class CPageMoveFavoritesFolder : public CPropertyPage {
  Q_OBJECT
 public:
  CPageMoveFavoritesFolder();

  void DoDataExchange(bool saveAndValidate) override;
  bool OnInitDialog() override;
  bool OnApply() override;
  void OnFieldChanged();
  void OnBrowse();

  std::string m_strFolder;

 protected:
  void ResetControls() override;

 private:
  QLineEdit* m_editFolder;
  QPushButton* m_browse;
};
