#pragma once

#include <QWidget>

class CPropertySheet;

// One page of the settings sheet. The sheet "creates" a page when it is first shown in an
// opening: its controls start empty, then OnInitDialog loads them, so every opening starts from
// the stored values. OnApply writes them when the sheet is confirmed.
class CPropertyPage : public QWidget {
  Q_OBJECT
 public:
  explicit CPropertyPage(const char* caption);

  const char* Caption() const { return m_caption; }

  // Moves values between the controls and the fields: into the fields when saving, else out.
  virtual void DoDataExchange(bool saveAndValidate) = 0;
  virtual bool OnInitDialog();
  // Checks the fields before the sheet applies any page: false (having told the user why) keeps
  // the sheet open on this page and nothing is written.
  virtual bool Validate() { return true; }
  virtual bool OnApply();
  void UpdateData(bool saveAndValidate) { DoDataExchange(saveAndValidate); }

  // Marks the page changed, which enables the sheet's Apply button.
  void SetModified(bool modified = true);
  bool IsModified() const { return m_modified; }
  bool IsCreated() const { return m_created; }

 protected:
  // Empties the controls (without counting as a change), as a newly made page shows them.
  virtual void ResetControls() = 0;

 private:
  friend class CPropertySheet;
  void Create();
  void Destroy();

  const char* m_caption;
  CPropertySheet* m_sheet = nullptr;
  bool m_created = false;
  bool m_modified = false;
};
