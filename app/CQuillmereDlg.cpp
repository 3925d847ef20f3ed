#include "app/CQuillmereDlg.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include "app/CAboutDlg.h"
#include "app/CHelpWindow.h"
#include "app/CHistoryDlg.h"
#include "app/CommandIds.h"
#include "app/DialogUnits.h"
#include "app/FileDialogs.h"
#include "app/MessageBox.h"
#include "app/ModalDialog.h"
#include "commands/Commands.h"
#include "model/TreeViewOps.h"
#include "platform/Desktop.h"
#include "platform/ProgramFolder.h"
#include "print/CPreview.h"
#include "print/ExportPrint.h"

namespace {

struct MenuItem {
  const char* text;  // null: a separator
  int id;
  const char* shortcut = nullptr;
};
struct Popup {
  const char* text;
  std::initializer_list<MenuItem> items;
};

const Popup kMenu[] = {
    {"&File",
     {{"&Export as text file ...", ID_FILE_EXPORT_TEXT},
      {"&Print exported favorites ...", ID_FILE_PRINT_EXPORTED},
      {"P&rint preview ...", ID_FILE_PRINT_PREVIEW},
      {nullptr, 0},
      {"&Import bookmarks file ...", ID_FILE_IMPORT_BOOKMARKS},
      {"Export as &bookmarks file ...", ID_FILE_EXPORT_BOOKMARKS},
      {nullptr, 0},
      {"E&xit", IDCANCEL}}},
    {"&Action",
     {{"&Upload local", ID_ACTION_UPLOAD_LOCAL},
      {"&Download server", ID_ACTION_DOWNLOAD_SERVER},
      {"&Snychronize", ID_ACTION_SYNCHRONIZE},
      {"D&elte server", ID_ACTION_DELETE_SERVER},
      {"&List server", ID_ACTION_LIST_SERVER},
      {nullptr, 0},
      {"E&xpand tree", ID_ACTION_EXPAND_TREE},
      {"&Refresh local", ID_ACTION_REFRESH_LOCAL, "F5"},
      {nullptr, 0},
      {"Server &history ...", ID_ACTION_SERVER_HISTORY},
      {nullptr, 0},
      {"&Backup", ID_ACTION_BACKUP},
      {"&Restore", ID_ACTION_RESTORE},
      {nullptr, 0},
      {"&Manage favorites folder ...", ID_ACTION_MANAGE_FAVORITES_FOLDER}}},
    {"&Setting",
     {{"&Save method ...", ID_SETTING_SAVE_METHOD},
      {"&Delete link folder ...", ID_SETTING_DELETE_LINK_FOLDER},
      {"&Move favorites folder ...", ID_SETTING_MOVE_FAVORITES_FOLDER}}},
    {"&Help", {{"&Contents...", ID_HELP_CONTENTS}, {nullptr, 0}, {"&About", ID_HELP_ABOUT}}},
};

// The log keeps CR LF line ends as its writers supply them; the edit shows a line break for
// each LF. A CR is dropped for display, so a line end split across two appends shows the same
// as one written whole.
QString ToDisplay(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (char c : text) {
    if (c != '\r') shown += c;
  }
  return QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
}

std::string FromDisplay(QString raw) {
  // Blocks of a text document are separated by U+2029 in its raw text.
  raw.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
  raw.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
  const QByteArray bytes = raw.toUtf8();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

}  // namespace

CQuillmereDlg::CQuillmereDlg(Places places, QWidget* parent)
    : QDialog(parent), m_session(*this, std::move(places)), m_sheet(this) {
  setWindowTitle("Quillmere");
  // Resizable and maximisable: long names and deep trees need the room.
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  setSizeGripEnabled(true);
  BuildMenu();
  BuildControls();
  m_hIcon = QIcon(":/res/Quillmere.png");
}

CQuillmereDlg::~CQuillmereDlg() = default;

void CQuillmereDlg::BuildMenu() {
  m_menuBar = new QMenuBar(this);
  for (const Popup& popup : kMenu) {
    QMenu* menu = m_menuBar->addMenu(popup.text);
    for (const MenuItem& item : popup.items) {
      if (!item.text) {
        menu->addSeparator();
        continue;
      }
      // Parented to the dialog, so an item taken off its menu keeps its command.
      auto* action = new QAction(item.text, this);
      action->setData(item.id);
      if (item.shortcut) action->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut)));
      menu->addAction(action);
      const int id = item.id;
      connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
      m_commands[id] = action;
    }
  }
}

void CQuillmereDlg::BuildControls() {
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  outer->setMenuBar(m_menuBar);

  // The layout in dialog units (311 x 305): two trees side by side over the status log. The
  // trees start 206 units high to the log's 59, and both grow with the window.
  const DialogUnits du(font());
  auto* grid = new QGridLayout;
  grid->setContentsMargins(du.X(7), du.Y(6), du.X(7), du.Y(7));
  grid->setHorizontalSpacing(du.X(3));
  grid->setVerticalSpacing(du.Y(3));
  outer->addLayout(grid);

  grid->addWidget(new QLabel("Local favorites:", this), 0, 0);
  grid->addWidget(new QLabel("Server favorites:", this), 0, 1);
  m_treeLocal.setParent(this);
  m_treeLocal.setObjectName("1000");
  m_treeServer.setParent(this);
  m_treeServer.setObjectName("1001");
  grid->addWidget(&m_treeLocal, 1, 0);
  grid->addWidget(&m_treeServer, 1, 1);

  auto* statusRow = new QHBoxLayout;
  statusRow->addWidget(new QLabel("Action Status:", this));
  statusRow->addStretch(1);
  m_progress = new QLabel(this);
  statusRow->addWidget(m_progress);
  m_stop = new QPushButton("Cancel", this);
  m_stop->setAutoDefault(false);
  m_stop->setEnabled(false);
  statusRow->addWidget(m_stop);
  grid->addLayout(statusRow, 2, 0, 1, 2);
  connect(m_stop, &QPushButton::clicked, this, &CQuillmereDlg::OnStop);

  m_editStatus = new QPlainTextEdit(this);
  m_editStatus->setObjectName("1005");
  m_editStatus->setLineWrapMode(QPlainTextEdit::NoWrap);
  m_editStatus->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m_editStatus->setTabChangesFocus(true);
  grid->addWidget(m_editStatus, 3, 0, 1, 2);

  grid->setRowStretch(1, 206);
  grid->setRowStretch(3, 59);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);
  for (QWidget* view : {static_cast<QWidget*>(&m_treeLocal), static_cast<QWidget*>(&m_treeServer),
                        static_cast<QWidget*>(m_editStatus)}) {
    view->setMinimumSize(du.Size(60, 30));
  }
  resize(du.Size(311, 305) + QSize(0, m_menuBar->sizeHint().height()));

  connect(&m_treeLocal, &CTreeCtrl::keyDown, this, &CQuillmereDlg::OnKeydownLocalTree);
  connect(&m_treeServer, &CTreeCtrl::keyDown, this, &CQuillmereDlg::OnKeydownServerTree);
  setTabOrder(&m_treeLocal, &m_treeServer);
  setTabOrder(&m_treeServer, m_editStatus);
}

int CQuillmereDlg::DoModal() {
  OnInitDialog();
  return exec();
}

bool CQuillmereDlg::OnInitDialog() {
  // The About entry of the window's system menu has no counterpart on this desktop; "&About"
  // in the Help menu opens the same box.
  setWindowIcon(m_hIcon);

  QMenu* action = m_menuBar->actions().at(1)->menu();
  action->removeAction(m_commands[ID_ACTION_DELETE_SERVER]);
  action->removeAction(m_commands[ID_ACTION_LIST_SERVER]);

  m_imageList = {QIcon(), QIcon(":/res/checkbox-empty.png"), QIcon(":/res/checkbox-checked.png"),
                 QIcon(":/res/checkbox-partial.png")};
  m_treeLocal.SetStateImageList(&m_imageList);
  m_treeServer.SetStateImageList(&m_imageList);

  commands::RefreshLocal(m_session);
  ShowLocalTree();
  UpdateRestoreItem();

  m_sheet.AddPage(&m_pageSaveMethod);
  m_sheet.AddPage(&m_pageDeleteLink);
  m_sheet.AddPage(&m_pageMoveFolder);
  m_sheet.SetTitle("Setting");
  return true;
}

QAction* CQuillmereDlg::MenuCommand(int commandId) const {
  const auto found = m_commands.find(commandId);
  return found == m_commands.end() ? nullptr : found->second;
}

bool CQuillmereDlg::OnCommand(int commandId) {
  switch (commandId) {
    case IDOK:
    case IDCANCEL:
    case ID_HELP_CONTENTS:
    case ID_HELP_ABOUT:
    case ID_ACTION_SYNCHRONIZE:
    case ID_ACTION_UPLOAD_LOCAL:
    case ID_ACTION_DOWNLOAD_SERVER:
    case ID_ACTION_REFRESH_LOCAL:
    case ID_ACTION_SERVER_HISTORY:
    case ID_SETTING_SAVE_METHOD:
    case ID_ACTION_BACKUP:
    case ID_ACTION_RESTORE:
    case ID_FILE_EXPORT_TEXT:
    case ID_FILE_PRINT_EXPORTED:
    case ID_FILE_PRINT_PREVIEW:
    case ID_FILE_IMPORT_BOOKMARKS:
    case ID_FILE_EXPORT_BOOKMARKS:
    case ID_SETTING_DELETE_LINK_FOLDER:
    case ID_SETTING_MOVE_FAVORITES_FOLDER:
    case ID_ACTION_MANAGE_FAVORITES_FOLDER:
    case ID_ACTION_EXPAND_TREE:
    case ID_ACTION_DELETE_SERVER:
    case ID_ACTION_LIST_SERVER:
      break;
    default:
      return false;
  }
  // One command at a time: during one, only the way out is open.
  if (m_busy && commandId != IDCANCEL) return true;
  Dispatch(commandId);
  return true;
}

void CQuillmereDlg::Dispatch(int commandId) {
  switch (commandId) {
    case IDOK:
      return OnOK();
    case IDCANCEL:
      return OnCancel();
    case ID_HELP_CONTENTS:
      return OnHelpContents();
    case ID_HELP_ABOUT:
      return OnAbout();
    case ID_ACTION_SYNCHRONIZE:
      return OnSynchronize();
    case ID_ACTION_UPLOAD_LOCAL:
      return OnUploadLocal();
    case ID_ACTION_DOWNLOAD_SERVER:
      return OnDownloadServer();
    case ID_ACTION_REFRESH_LOCAL:
      return OnRefreshLocal();
    case ID_ACTION_SERVER_HISTORY:
      return OnServerHistory();
    case ID_SETTING_SAVE_METHOD:
      return OnSaveMethod();
    case ID_ACTION_BACKUP:
      return OnBackup();
    case ID_ACTION_RESTORE:
      return OnRestore();
    case ID_FILE_EXPORT_TEXT:
      return OnExportText();
    case ID_FILE_PRINT_EXPORTED:
      return OnPrintExported();
    case ID_FILE_PRINT_PREVIEW:
      return OnPrintPreview();
    case ID_FILE_IMPORT_BOOKMARKS:
      return OnImportBookmarks();
    case ID_FILE_EXPORT_BOOKMARKS:
      return OnExportBookmarks();
    case ID_SETTING_DELETE_LINK_FOLDER:
      return OnDeleteLinkFolder();
    case ID_SETTING_MOVE_FAVORITES_FOLDER:
      return OnMoveFavoritesFolder();
    case ID_ACTION_MANAGE_FAVORITES_FOLDER:
      return OnManageFavoritesFolder();
    case ID_ACTION_EXPAND_TREE:
      return OnExpandTree();
    case ID_ACTION_DELETE_SERVER:
      return OnDeleteServer();
    case ID_ACTION_LIST_SERVER:
      return OnListServer();
    default:
      return;
  }
}

void CQuillmereDlg::LogStatus(const char* text) {
  if (text) LogStatus(std::string_view(text));
}

void CQuillmereDlg::LogStatus(std::string_view text) {
  QTextDocument* document = m_editStatus->document();
  if (document->isModified()) {
    // The user typed into the log: that text is the log now.
    m_strStatus = FromDisplay(document->toRawText());
    m_strStatus.append(text);
    m_editStatus->setPlainText(ToDisplay(m_strStatus));
  } else {
    // The edit still shows exactly m_strStatus: appending gives what rewriting it would.
    m_strStatus.append(text);
    QTextCursor end(document);
    end.movePosition(QTextCursor::End);
    end.insertText(ToDisplay(text));
  }
  document->setModified(false);
  QScrollBar* bar = m_editStatus->verticalScrollBar();
  bar->setValue(bar->maximum());
  repaint();
}

void CQuillmereDlg::ClearStatus() {
  m_strStatus.clear();
  m_editStatus->clear();
  m_editStatus->document()->setModified(false);
  repaint();
}

void CQuillmereDlg::Tell(std::string_view text, Notice kind) {
  ShowMessageBox(this, std::string(text),
                 MB_OK | (kind == Notice::kError ? MB_ICONSTOP : MB_ICONINFORMATION));
}

bool CQuillmereDlg::Ask(std::string_view question, bool defaultAnswer) {
  return ShowMessageBox(this, std::string(question),
                        MB_YESNO | MB_ICONQUESTION | (defaultAnswer ? 0 : MB_DEFBUTTON2)) == IDYES;
}

bool CQuillmereDlg::FillInSettings() {
  m_sheet.SetActivePage(0);
  return m_sheet.DoModal() == IDOK;
}

void CQuillmereDlg::Progress(std::string_view unit, long long done, long long total) {
  const QLocale locale;
  const QString what = QString::fromUtf8(unit.data(), static_cast<qsizetype>(unit.size()));
  m_progress->setText(
      total > 0 ? QString("%1 of %2 %3").arg(locale.toString(done), locale.toString(total), what)
                : QString("%1 %2").arg(locale.toString(done), what));
  Interrupted();
}

bool CQuillmereDlg::Interrupted() {
  // Only Cancel, the close box, the log and the window itself take input now: the menus are
  // grey and the views frozen, so nothing the user does can start or change anything else.
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  return m_busy && m_stopAsked;
}

void CQuillmereDlg::OnStop() {
  if (!m_busy) return;
  m_stopAsked = true;
  m_stop->setEnabled(false);
  m_progress->setText("Stopping ...");
}

void CQuillmereDlg::EnableMenuCommand(int commandId, bool enabled) {
  if (QAction* action = MenuCommand(commandId)) action->setEnabled(enabled);
}

template <typename Command>
void CQuillmereDlg::Run(Command command) {
  if (m_busy) return;
  m_busy = true;
  m_stopAsked = false;
  QWidget* focused = focusWidget();
  const CTreeCtrl::State local = m_treeLocal.SaveState();
  const CTreeCtrl::State server = m_treeServer.SaveState();
  m_treeLocal.Freeze();
  m_treeServer.Freeze();
  for (QAction* popup : m_menuBar->actions()) popup->setEnabled(false);
  m_stop->setEnabled(true);
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const std::string folder = m_session.GetPlaces().FavoritesFolder();

  command();
  // The settings sheet the command may have opened moved the Favorites folder: show that one.
  if (m_session.GetPlaces().FavoritesFolder() != folder) commands::RefreshLocal(m_session);

  QGuiApplication::restoreOverrideCursor();
  m_stop->setEnabled(false);
  m_progress->clear();
  for (QAction* popup : m_menuBar->actions()) popup->setEnabled(true);
  // A tree replaced by the command is shown afresh; any other is shown as the user left it (it
  // may have been read again from the same copy, so its nodes are new).
  FavoritesManager& manager = m_session.Manager();
  if (manager.LocalGeneration() != m_shownLocal) {
    ShowLocalTree();
  } else {
    m_treeLocal.Thaw(manager.LocalTree().Root(), local);
  }
  if (manager.ServerGeneration() != m_shownServer) {
    ShowServerTree();
  } else {
    m_treeServer.Thaw(manager.ServerTree().Root(), server);
  }
  if (focused && focused->isEnabled()) focused->setFocus();
  m_busy = false;
  if (m_exitAsked) QDialog::reject();
}

void CQuillmereDlg::OnUploadLocal() {
  // The upload leaves out what the user unchecked in the local view.
  ReadChecks(m_treeLocal, m_treeLocal.FirstRoot(), m_session.Manager().LocalTree().Root());
  Run([this] { commands::Upload(m_session); });
}

void CQuillmereDlg::OnDownloadServer() {
  Run([this] { commands::Download(m_session); });
}

void CQuillmereDlg::OnSynchronize() {
  // The merge leaves out what the user unchecked in the server view.
  ReadChecks(m_treeServer, m_treeServer.FirstRoot(), m_session.Manager().ServerTree().Root());
  Run([this] { commands::Synchronize(m_session); });
}

void CQuillmereDlg::OnDeleteServer() {
  Run([this] { commands::Download(m_session, DownloadMode::kDelete); });
}

void CQuillmereDlg::OnListServer() {
  Run([this] { commands::Download(m_session, DownloadMode::kList); });
}

void CQuillmereDlg::OnRefreshLocal() {
  Run([this] { commands::RefreshLocal(m_session); });
}

void CQuillmereDlg::OnServerHistory() {
  CHistoryDlg history(commands::History(m_session), this);
  if (RunModal(history) != QDialog::Accepted || history.Chosen() < 0) return;
  const auto chosen = static_cast<std::size_t>(history.Chosen());
  Run([this, chosen] { commands::RestoreHistory(m_session, chosen); });
}

void CQuillmereDlg::OnAbout() {
  OnSysCommand(IDM_ABOUTBOX);
}

void CQuillmereDlg::OnSysCommand(int commandId) {
  if ((commandId & 0xFFF0) != IDM_ABOUTBOX) return;
  CAboutDlg about(m_hIcon, this);
  RunModal(about);
}

void CQuillmereDlg::OpenSheet(int page) {
  const std::string folder = m_session.GetPlaces().FavoritesFolder();
  m_sheet.SetActivePage(page);
  m_sheet.DoModal();
  // The Favorites folder moved (OK, or Apply then Cancel): show the new one at once.
  if (m_session.GetPlaces().FavoritesFolder() != folder) OnRefreshLocal();
}

void CQuillmereDlg::OnSaveMethod() {
  OpenSheet(0);
}

void CQuillmereDlg::OnDeleteLinkFolder() {
  OpenSheet(1);
}

void CQuillmereDlg::OnMoveFavoritesFolder() {
  OpenSheet(2);
}

void CQuillmereDlg::OnBackup() {
  Run([this] { commands::Backup(m_session); });
  UpdateRestoreItem();
}

void CQuillmereDlg::OnRestore() {
  Run([this] { commands::Restore(m_session); });
  // A backup name that holds no folder leaves nothing to restore from.
  EnableMenuCommand(ID_ACTION_RESTORE, commands::CanRestore(m_session));
}

void CQuillmereDlg::OnExportText() {
  ExportTextWithDialog(this, m_session);
}

void CQuillmereDlg::OnPrintExported() {
  PrintExported(this, m_session);
}

void CQuillmereDlg::OnPrintPreview() {
  CPreview preview([this] { return commands::LocalListText(m_session); }, this);
  RunModal(preview);
}

void CQuillmereDlg::OnImportBookmarks() {
  const std::unique_ptr<QFileDialog> dialog = MakeImportBookmarksDialog(this);
  const std::optional<std::string> file = ChooseFile(*dialog);
  if (!file) return;
  Run([this, &file] { commands::ImportBookmarks(m_session, *file); });
}

void CQuillmereDlg::OnExportBookmarks() {
  const std::unique_ptr<QFileDialog> dialog = MakeExportBookmarksDialog(this);
  const std::optional<std::string> file = ChooseFile(*dialog);
  if (!file) return;
  Run([this, &file] { commands::ExportBookmarks(m_session, *file); });
}

void CQuillmereDlg::OnHelpContents() {
  if (!m_help) m_help = new CHelpWindow(this);
  m_help->ShowContents(CHelpWindow::HelpFolder(platform::ExecutablePath()));
}

void CQuillmereDlg::OnManageFavoritesFolder() {
  platform::OpenFolderWindow(m_session.GetPlaces().FavoritesFolder());
}

void CQuillmereDlg::OnExpandTree() {
  ExpandAll(m_treeLocal, m_treeLocal.FirstRoot());
  ExpandAll(m_treeServer, m_treeServer.FirstRoot());
}

void CQuillmereDlg::OnCancel() {
  if (ShowMessageBox(this, "Are you sure want to exit?", MB_YESNO | MB_ICONQUESTION) != IDYES) {
    return;
  }
  if (m_busy) {
    // The command ends first (at its next look at Interrupted), then the window closes.
    m_exitAsked = true;
    OnStop();
    return;
  }
  QDialog::reject();
}

void CQuillmereDlg::OnOK() {}

void CQuillmereDlg::accept() {
  OnOK();
}

void CQuillmereDlg::reject() {
  // Esc, the close box and "E&xit" while a command runs: the exit question is asked once.
  if (m_exitAsked) return;
  OnCommand(IDCANCEL);
}

void CQuillmereDlg::OnKeydownLocalTree(int keyCode) {
  ToggleSelectedCheck(m_treeLocal, keyCode);
}

void CQuillmereDlg::OnKeydownServerTree(int keyCode) {
  ToggleSelectedCheck(m_treeServer, keyCode);
}

void CQuillmereDlg::ShowLocalTree() {
  m_treeLocal.DeleteAllItems();
  ShowTree(m_treeLocal, m_session.Manager().LocalTree().Root(), nullptr);
  m_treeLocal.Expand(m_treeLocal.FirstRoot());
  m_treeLocal.setEnabled(true);
  m_treeLocal.setUpdatesEnabled(true);
  m_shownLocal = m_session.Manager().LocalGeneration();
}

void CQuillmereDlg::ShowServerTree() {
  m_treeServer.DeleteAllItems();
  ShowTree(m_treeServer, m_session.Manager().ServerTree().Root(), nullptr);
  m_treeServer.Expand(m_treeServer.FirstRoot());
  m_treeServer.setEnabled(true);
  m_treeServer.setUpdatesEnabled(true);
  m_shownServer = m_session.Manager().ServerGeneration();
}

void CQuillmereDlg::UpdateRestoreItem() {
  EnableMenuCommand(ID_ACTION_RESTORE, commands::BackupExists(m_session));
}
