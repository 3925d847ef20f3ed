#pragma once

#include <string>

#include "settings/CPropertyPage.h"

class QButtonGroup;
class QLineEdit;
class QRadioButton;

// Page 0 of the settings sheet: how the favorites list is stored on a server, and the account.
class CPageSaveMethod : public CPropertyPage {
  Q_OBJECT
 public:
  CPageSaveMethod();

  void DoDataExchange(bool saveAndValidate) override;
  bool OnInitDialog() override;
  bool OnApply() override;

  void OnThroughEmail();
  void OnThroughFtp();
  void OnTestAccount();
  void OnFieldChanged();

  int m_nMethod = 0;  // 0 e-mail, 1 the user's FTP server, 2 the test account; -1 none chosen
  std::string m_strPop3;
  std::string m_strSmtp;
  std::string m_strFtp;
  std::string m_strUser;
  std::string m_strPass;

 protected:
  void ResetControls() override;

 private:
  QLineEdit* AddField(const char* label, int id, int labelX, int labelY, int labelWidth, int x,
                      int y, int width);

  QButtonGroup* m_methods;
  QLineEdit* m_editPop3;
  QLineEdit* m_editSmtp;
  QLineEdit* m_editFtp;
  QLineEdit* m_editUser;
  QLineEdit* m_editPass;
};
