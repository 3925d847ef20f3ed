#pragma once

#include <QDialog>
#include <string>
#include <vector>

class CPropertyPage;
class QPushButton;
class QTabWidget;

// The settings sheet: tabbed pages with OK, Cancel and Apply. OK and Apply apply every page
// shown during the opening, in page order; Cancel writes nothing.
class CPropertySheet : public QDialog {
  Q_OBJECT
 public:
  explicit CPropertySheet(QWidget* parent);
  ~CPropertySheet() override;

  void AddPage(CPropertyPage* page);  // a page already added is not added again
  int GetPageCount() const { return static_cast<int>(m_pages.size()); }
  CPropertyPage* GetPage(int index) const;
  void SetTitle(const std::string& title);
  // Before an opening: the page shown first; while open: switches to it.
  void SetActivePage(int index);
  int GetActiveIndex() const;
  // Runs the sheet modally: IDOK when it ended with OK, else IDCANCEL.
  int DoModal();

  QPushButton* OkButton() const { return m_ok; }
  QPushButton* CancelButton() const { return m_cancel; }
  QPushButton* ApplyButton() const { return m_apply; }
  QTabWidget* Tabs() const { return m_tabs; }

  void PageModified();  // a page marked itself modified (or clean)

 private:
  void OnTabChanged(int index);
  void OnOk();
  void OnApplyNow();
  bool ApplyShownPages();
  void ShowPage(int index);

  QTabWidget* m_tabs;
  QPushButton* m_ok;
  QPushButton* m_cancel;
  QPushButton* m_apply;
  std::vector<CPropertyPage*> m_pages;
  int m_startPage = 0;
  int m_current = -1;  // the page shown now, while the sheet is open
  bool m_open = false;
};
