#include "settings/CPageMoveFavoritesFolder.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <algorithm>
#include <cstdio>

#include "app/DialogUnits.h"
#include "app/MessageBox.h"
#include "commands/Settings.h"
#include "platform/FileTree.h"
#include "platform/RegistryStore.h"
#include "platform/ShellFolders.h"
#include "settings/FolderBrowser.h"

CPageMoveFavoritesFolder::CPageMoveFavoritesFolder()
    : CPropertyPage("Move favorites folder"),
      m_editFolder(new QLineEdit(this)),
      m_browse(new QPushButton("...", this)) {
  const DialogUnits du(font());
  setFixedSize(du.Size(210, 158));
  auto* label = new QLabel("Move current favorites folder to:", this);
  label->setGeometry(du.Rect(7, 63, 106 + 40, 9));
  m_editFolder->setObjectName("1005");
  // The button gets the room its text needs at any font; the edit ends where it begins.
  const QRect button = du.Rect(185, 74, 18, 14);
  const int buttonWidth = std::max(button.width(), m_browse->sizeHint().width());
  const int right = button.right();
  m_editFolder->setGeometry(
      du.Rect(7, 74, 178, 14).adjusted(0, 0, button.width() - buttonWidth, 0));
  m_browse->setObjectName("1012");
  m_browse->setGeometry(right - buttonWidth + 1, button.y(), buttonWidth, button.height());
  m_browse->setAutoDefault(false);
  connect(m_editFolder, &QLineEdit::textChanged, this, &CPageMoveFavoritesFolder::OnFieldChanged);
  connect(m_browse, &QPushButton::clicked, this, &CPageMoveFavoritesFolder::OnBrowse);
}

void CPageMoveFavoritesFolder::ResetControls() {
  const QSignalBlocker blocker(m_editFolder);
  m_editFolder->clear();
}

void CPageMoveFavoritesFolder::DoDataExchange(bool saveAndValidate) {
  if (saveAndValidate) {
    const QByteArray bytes = m_editFolder->text().toUtf8();
    m_strFolder.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
  } else {
    m_editFolder->setText(
        QString::fromUtf8(m_strFolder.data(), static_cast<qsizetype>(m_strFolder.size())));
  }
}

bool CPageMoveFavoritesFolder::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  m_strFolder = ReadSetting(keys::kFolder);
  UpdateData(false);
  return true;
}

bool CPageMoveFavoritesFolder::Validate() {
  // An empty text or one that names no folder would leave every command without favorites (a
  // Synchronize would even make the folder anew, empty): refused before anything is stored.
  if (m_strFolder.empty()) {
    ShowMessageBox(this,
                   "Type the folder to keep the favorites in, or pick one with the \"...\" "
                   "button.",
                   MB_OK | MB_ICONSTOP);
    return false;
  }
  if (!platform::IsFolder(m_strFolder)) {
    ShowMessageBox(this,
                   "\"" + m_strFolder +
                       "\" is not a folder. Type the path of an existing folder, or pick one "
                       "with the \"...\" button.",
                   MB_OK | MB_ICONSTOP);
    return false;
  }
  return true;
}

bool CPageMoveFavoritesFolder::OnApply() {
  UpdateData(true);
  WriteSetting(keys::kFolder, m_strFolder);
  // As typed: not trimmed or expanded.
  platform::RegSetString(platform::kUserShellFoldersKey, "Favorites", m_strFolder);
  return CPropertyPage::OnApply();
}

void CPageMoveFavoritesFolder::OnFieldChanged() {
  if (IsCreated()) SetModified(true);
}

void CPageMoveFavoritesFolder::OnBrowse() {
  std::string path;
  if (!BrowseForFolder(this, "Pick a Directory", path)) return;
  if (!path.empty()) {
    std::printf("Selected Folder: %s\n", path.c_str());
    std::fflush(stdout);
  }
  m_editFolder->setText(QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())));
}
