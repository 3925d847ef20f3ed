#pragma once

#include "settings/CPropertyPage.h"

class QCheckBox;

// Page 1 of the settings sheet: clears the browser's Links toolbar folder name when applied with
// its box checked.
class CPageDeleteLink : public CPropertyPage {
  Q_OBJECT
 public:
  CPageDeleteLink();

  void DoDataExchange(bool saveAndValidate) override;
  bool OnInitDialog() override;
  bool OnApply() override;
  void OnFieldChanged();

  int m_bDeleteLink = 0;

 protected:
  void ResetControls() override;

 private:
  QCheckBox* m_check;
};
