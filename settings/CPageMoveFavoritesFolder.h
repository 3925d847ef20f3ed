#pragma once

#include <string>

#include "settings/CPropertyPage.h"

class QLineEdit;
class QPushButton;

// Page 2 of the settings sheet: points the shell's Favorites location at another folder. No file
// is moved; the main window reads the new location as soon as the sheet closes.
class CPageMoveFavoritesFolder : public CPropertyPage {
  Q_OBJECT
 public:
  CPageMoveFavoritesFolder();

  void DoDataExchange(bool saveAndValidate) override;
  bool OnInitDialog() override;
  // The text must name an existing folder: the favorites are read from it at once.
  bool Validate() override;
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
