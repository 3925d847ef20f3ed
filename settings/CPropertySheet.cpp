#include "settings/CPropertySheet.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/CommandIds.h"
#include "app/ModalDialog.h"
#include "settings/CPropertyPage.h"

CPropertySheet::CPropertySheet(QWidget* parent)
    : QDialog(parent),
      m_tabs(new QTabWidget(this)),
      m_ok(new QPushButton("OK", this)),
      m_cancel(new QPushButton("Cancel", this)),
      m_apply(new QPushButton("&Apply", this)) {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  auto* layout = new QVBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  layout->addWidget(m_tabs);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_ok);
  buttons->addWidget(m_cancel);
  buttons->addWidget(m_apply);
  layout->addLayout(buttons);
  m_ok->setDefault(true);
  m_apply->setEnabled(false);

  connect(m_tabs, &QTabWidget::currentChanged, this, &CPropertySheet::OnTabChanged);
  connect(m_ok, &QPushButton::clicked, this, &CPropertySheet::OnOk);
  connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(m_apply, &QPushButton::clicked, this, &CPropertySheet::OnApplyNow);
}

CPropertySheet::~CPropertySheet() {
  // The pages belong to their owner, not to the sheet: let go of them before the tab widget
  // would delete them.
  const QSignalBlocker blocker(m_tabs);
  while (m_tabs->count() > 0) {
    QWidget* page = m_tabs->widget(0);
    m_tabs->removeTab(0);
    page->setParent(nullptr);
  }
}

void CPropertySheet::AddPage(CPropertyPage* page) {
  if (std::find(m_pages.begin(), m_pages.end(), page) != m_pages.end()) return;
  page->m_sheet = this;
  m_pages.push_back(page);
  const QSignalBlocker blocker(m_tabs);
  m_tabs->addTab(page, page->Caption());
}

CPropertyPage* CPropertySheet::GetPage(int index) const {
  return index >= 0 && index < GetPageCount() ? m_pages[static_cast<size_t>(index)] : nullptr;
}

void CPropertySheet::SetTitle(const std::string& title) {
  setWindowTitle(QString::fromStdString(title));
}

void CPropertySheet::SetActivePage(int index) {
  if (index < 0 || index >= GetPageCount()) return;
  m_startPage = index;
  if (m_open) m_tabs->setCurrentIndex(index);
}

int CPropertySheet::GetActiveIndex() const {
  return m_open ? m_current : m_startPage;
}

int CPropertySheet::DoModal() {
  if (m_pages.empty()) return IDCANCEL;
  for (CPropertyPage* page : m_pages) page->Destroy();
  m_apply->setEnabled(false);
  m_open = true;
  m_current = -1;
  {
    const QSignalBlocker blocker(m_tabs);
    m_tabs->setCurrentIndex(m_startPage);
  }
  ShowPage(m_startPage);
  const int result = RunModal(*this);
  m_open = false;
  for (CPropertyPage* page : m_pages) page->Destroy();
  return result == QDialog::Accepted ? IDOK : IDCANCEL;
}

void CPropertySheet::ShowPage(int index) {
  CPropertyPage* page = GetPage(index);
  if (!page) return;
  m_current = index;
  if (page->IsCreated()) {
    page->UpdateData(false);
  } else {
    page->Create();
  }
}

void CPropertySheet::OnTabChanged(int index) {
  if (!m_open) return;
  if (CPropertyPage* leaving = GetPage(m_current); leaving && leaving->IsCreated()) {
    leaving->UpdateData(true);
  }
  ShowPage(index);
}

bool CPropertySheet::ApplyShownPages() {
  if (CPropertyPage* current = GetPage(m_current)) current->UpdateData(true);
  for (int index = 0; index < GetPageCount(); ++index) {
    CPropertyPage* page = GetPage(index);
    if (page->IsCreated() && !page->Validate()) {
      m_tabs->setCurrentIndex(index);
      return false;
    }
  }
  for (CPropertyPage* page : m_pages) {
    if (page->IsCreated() && !page->OnApply()) return false;
  }
  for (CPropertyPage* page : m_pages) page->m_modified = false;
  m_apply->setEnabled(false);
  return true;
}

void CPropertySheet::OnOk() {
  if (ApplyShownPages()) accept();
}

void CPropertySheet::OnApplyNow() {
  ApplyShownPages();
}

void CPropertySheet::PageModified() {
  const bool any = std::any_of(m_pages.begin(), m_pages.end(),
                               [](const CPropertyPage* page) { return page->IsModified(); });
  m_apply->setEnabled(any);
}
