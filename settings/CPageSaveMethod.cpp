#include "settings/CPageSaveMethod.h"

#include <QButtonGroup>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <algorithm>

#include "app/DialogUnits.h"
#include "commands/Settings.h"

namespace {

QString ToQString(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string FromQString(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

}  // namespace

CPageSaveMethod::CPageSaveMethod()
    : CPropertyPage("Save method"), m_methods(new QButtonGroup(this)) {
  const DialogUnits du(font());
  setFixedSize(du.Size(210, 158));

  const struct {
    const char* text;
    int id, y, width;
  } radios[] = {
      {"Through &email", 1010, 7, 61},
      {"Through &ftp", 1011, 57, 54},
      {"&Get a temporary test account", 1012, 96, 111},
  };
  for (int index = 0; index < 3; ++index) {
    // Wider than the units the page is laid out in: this font's letters may be wider.
    auto* radio = new QRadioButton(radios[index].text, this);
    radio->setObjectName(QString::number(radios[index].id));
    radio->setGeometry(du.Rect(7, radios[index].y, radios[index].width + 30, 10));
    m_methods->addButton(radio, index);
  }
  connect(m_methods->button(0), &QAbstractButton::clicked, this, &CPageSaveMethod::OnThroughEmail);
  connect(m_methods->button(1), &QAbstractButton::clicked, this, &CPageSaveMethod::OnThroughFtp);
  connect(m_methods->button(2), &QAbstractButton::clicked, this, &CPageSaveMethod::OnTestAccount);

  m_editPop3 = AddField("&pop3 address:", 1005, 20, 21, 47, 83, 17, 120);
  m_editSmtp = AddField("&smtp address:", 1006, 20, 38, 46, 83, 35, 120);
  m_editFtp = AddField("ftp &address:", 1009, 20, 75, 40, 83, 71, 120);
  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Plain);
  // The line is drawn in the middle of its frame: a frame of one pixel loses it to rounding on a
  // screen that scales by one and a half.
  const int lineHeight = std::max(3, du.Y(2));
  line->setGeometry(du.X(7), du.Y(114) - lineHeight / 2, du.X(196), lineHeight);
  m_editUser = AddField("&User name:", 1007, 20, 121, 38, 84, 119, 119);
  m_editPass = AddField("Pass&word:", 1008, 20, 138, 34, 84, 137, 119);
  m_editPass->setEchoMode(QLineEdit::Password);

  // Tab order: the radio group, then the fields top to bottom.
  setTabOrder(m_methods->button(2), m_editPop3);
  setTabOrder(m_editPop3, m_editSmtp);
  setTabOrder(m_editSmtp, m_editFtp);
  setTabOrder(m_editFtp, m_editUser);
  setTabOrder(m_editUser, m_editPass);
}

QLineEdit* CPageSaveMethod::AddField(const char* label, int id, int labelX, int labelY,
                                     int labelWidth, int x, int y, int width) {
  const DialogUnits du(font());
  auto* edit = new QLineEdit(this);
  edit->setObjectName(QString::number(id));
  edit->setGeometry(du.Rect(x, y, width, 14));
  auto* text = new QLabel(label, this);
  text->setBuddy(edit);
  text->setGeometry(du.Rect(labelX, labelY, labelWidth + 16, 9));
  connect(edit, &QLineEdit::textChanged, this, &CPageSaveMethod::OnFieldChanged);
  return edit;
}

void CPageSaveMethod::ResetControls() {
  QLineEdit* edits[] = {m_editPop3, m_editSmtp, m_editFtp, m_editUser, m_editPass};
  for (QLineEdit* edit : edits) {
    const QSignalBlocker blocker(edit);
    edit->clear();
  }
  m_methods->setExclusive(false);
  for (QAbstractButton* radio : m_methods->buttons()) radio->setChecked(false);
  m_methods->setExclusive(true);
}

void CPageSaveMethod::DoDataExchange(bool saveAndValidate) {
  if (saveAndValidate) {
    m_nMethod = m_methods->checkedId();  // -1 with no button chosen
    m_strPop3 = FromQString(m_editPop3->text());
    m_strSmtp = FromQString(m_editSmtp->text());
    m_strFtp = FromQString(m_editFtp->text());
    m_strUser = FromQString(m_editUser->text());
    m_strPass = FromQString(m_editPass->text());
    return;
  }
  if (QAbstractButton* radio = m_methods->button(m_nMethod)) {
    radio->setChecked(true);
  } else {
    // A method outside 0..2 selects no button.
    m_methods->setExclusive(false);
    for (QAbstractButton* button : m_methods->buttons()) button->setChecked(false);
    m_methods->setExclusive(true);
  }
  m_editPop3->setText(ToQString(m_strPop3));
  m_editSmtp->setText(ToQString(m_strSmtp));
  m_editFtp->setText(ToQString(m_strFtp));
  m_editUser->setText(ToQString(m_strUser));
  m_editPass->setText(ToQString(m_strPass));
}

bool CPageSaveMethod::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  m_nMethod = ReadSetting(keys::kSaveMethod);
  // Addresses of the other methods start empty in a new page, as its edits do.
  m_strPop3.clear();
  m_strSmtp.clear();
  m_strFtp.clear();
  if (m_nMethod == 0) {
    m_strPop3 = ReadSetting(keys::kPop3);
    m_strSmtp = ReadSetting(keys::kSmtp);
  } else if (m_nMethod == 1) {
    m_strFtp = ReadSetting(keys::kFtp);
  }
  m_strUser = ReadSetting(keys::kUser);
  m_strPass = ReadSetting(keys::kPass);
  UpdateData(false);
  return true;
}

bool CPageSaveMethod::OnApply() {
  UpdateData(true);
  WriteSetting(keys::kSaveMethod, m_nMethod);
  if (m_nMethod == 0) {
    WriteSetting(keys::kPop3, m_strPop3);
    WriteSetting(keys::kSmtp, m_strSmtp);
  } else if (m_nMethod == 1) {
    WriteSetting(keys::kFtp, m_strFtp);
  }
  WriteSetting(keys::kUser, m_strUser);
  WriteSetting(keys::kPass, m_strPass);
  return CPropertyPage::OnApply();
}

void CPageSaveMethod::OnThroughEmail() {
  UpdateData(true);
  m_strPop3 = ReadSetting(keys::kPop3);
  m_strSmtp = ReadSetting(keys::kSmtp);
  m_strFtp.clear();
  UpdateData(false);
  SetModified(true);
}

void CPageSaveMethod::OnThroughFtp() {
  UpdateData(true);
  m_strPop3.clear();
  m_strSmtp.clear();
  m_strFtp = ReadSetting(keys::kFtp);
  UpdateData(false);
  SetModified(true);
}

void CPageSaveMethod::OnTestAccount() {
  UpdateData(true);
  m_strPop3.clear();
  m_strSmtp.clear();
  m_strFtp.clear();
  UpdateData(false);
  SetModified(true);
}

void CPageSaveMethod::OnFieldChanged() {
  if (IsCreated()) SetModified(true);
}
