#include "settings/CPropertyPage.h"

#include "settings/CPropertySheet.h"

CPropertyPage::CPropertyPage(const char* caption) : m_caption(caption) {}

bool CPropertyPage::OnInitDialog() {
  return true;
}

bool CPropertyPage::OnApply() {
  return true;
}

void CPropertyPage::SetModified(bool modified) {
  m_modified = modified;
  if (m_sheet) m_sheet->PageModified();
}

void CPropertyPage::Create() {
  ResetControls();
  m_modified = false;
  m_created = true;
  OnInitDialog();
}

void CPropertyPage::Destroy() {
  m_created = false;
  m_modified = false;
}
