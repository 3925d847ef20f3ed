#include "settings/CPageDeleteLink.h"

#include <QCheckBox>
#include <QSignalBlocker>

#include "app/DialogUnits.h"
#include "commands/Settings.h"
#include "platform/RegistryStore.h"
#include "platform/ShellFolders.h"

CPageDeleteLink::CPageDeleteLink()
    : CPropertyPage("Delete link"), m_check(new QCheckBox("&Delete link", this)) {
  const DialogUnits du(font());
  setFixedSize(du.Size(210, 158));
  m_check->setObjectName("1011");
  m_check->setGeometry(du.Rect(7, 72, 49 + 30, 10));
  connect(m_check, &QCheckBox::clicked, this, &CPageDeleteLink::OnFieldChanged);
}

void CPageDeleteLink::ResetControls() {
  const QSignalBlocker blocker(m_check);
  m_check->setChecked(false);
}

void CPageDeleteLink::DoDataExchange(bool saveAndValidate) {
  if (saveAndValidate) {
    m_bDeleteLink = m_check->isChecked() ? 1 : 0;
  } else {
    m_check->setChecked(m_bDeleteLink != 0);
  }
}

bool CPageDeleteLink::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  m_bDeleteLink = ReadSetting(keys::kDeleteLink);
  UpdateData(false);
  return true;
}

bool CPageDeleteLink::OnApply() {
  UpdateData(true);
  WriteSetting(keys::kDeleteLink, m_bDeleteLink);
  if (m_bDeleteLink) {
    // Cleared, not removed: the browser then shows no Links folder on its toolbar.
    platform::RegSetString(platform::kBrowserToolbarKey, "LinksFolderName", "");
  }
  return CPropertyPage::OnApply();
}

void CPageDeleteLink::OnFieldChanged() {
  SetModified(true);
}
