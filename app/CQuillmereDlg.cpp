#include "app/CQuillmereDlg.h"

#include <QAction>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include "app/CAboutDlg.h"
#include "app/CHelpWindow.h"
#include "app/CommandIds.h"
#include "app/DialogUnits.h"
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
      {"E&xit", IDCANCEL}}},
    {"&Action",
     {{"&Upload local", ID_ACTION_UPLOAD_LOCAL},
      {"&Download server", ID_ACTION_DOWNLOAD_SERVER},
      {"&Snychronize", ID_ACTION_SYNCHRONIZE},
      {"D&elte server", ID_ACTION_DELETE_SERVER},
      {"&List server", ID_ACTION_LIST_SERVER},
      {nullptr, 0},
      {"E&xpand tree", ID_ACTION_EXPAND_TREE},
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
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
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
      menu->addAction(action);
      const int id = item.id;
      connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
      m_commands[id] = action;
    }
  }
}

void CQuillmereDlg::BuildControls() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setMenuBar(m_menuBar);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  // The client area, laid out in template units: 311 x 305.
  auto* client = new QWidget(this);
  const DialogUnits du(font());
  client->setFixedSize(du.Size(311, 305));
  layout->addWidget(client);

  auto label = [&](const char* text, QRect rect) {
    auto* l = new QLabel(text, client);
    l->setGeometry(rect);
    return l;
  };
  // Labels get a little more room than the template gives them: the font's letters may be wider
  // than the ones the template was measured with.
  label("Local favorites:", du.Rect(7, 6, 70, 9));
  m_treeLocal.setParent(client);
  m_treeLocal.setObjectName("1000");
  m_treeLocal.setGeometry(du.Rect(7, 18, 147, 206));
  label("Server favorites:", du.Rect(157, 6, 70, 9));
  m_treeServer.setParent(client);
  m_treeServer.setObjectName("1001");
  m_treeServer.setGeometry(du.Rect(157, 17, 147, 206));
  label("Action Status:", du.Rect(7, 228, 70, 9));
  m_editStatus = new QPlainTextEdit(client);
  m_editStatus->setObjectName("1005");
  m_editStatus->setGeometry(du.Rect(7, 239, 297, 59));
  m_editStatus->setLineWrapMode(QPlainTextEdit::NoWrap);
  m_editStatus->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m_editStatus->setTabChangesFocus(true);

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

  commands::RefreshLocal(m_session);
  ShowLocalTree();
  UpdateRestoreItem();

  m_imageList = {QIcon(), QIcon(":/res/checkbox-empty.png"), QIcon(":/res/checkbox-checked.png"),
                 QIcon(":/res/checkbox-partial.png")};
  m_treeLocal.SetStateImageList(&m_imageList);
  m_treeServer.SetStateImageList(&m_imageList);

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
    case ID_SETTING_SAVE_METHOD:
    case ID_ACTION_BACKUP:
    case ID_ACTION_RESTORE:
    case ID_FILE_EXPORT_TEXT:
    case ID_FILE_PRINT_EXPORTED:
    case ID_FILE_PRINT_PREVIEW:
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

void CQuillmereDlg::Progress(std::string_view, long long, long long) {
  Interrupted();
}

bool CQuillmereDlg::Interrupted() {
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  return false;
}

void CQuillmereDlg::EnableMenuCommand(int commandId, bool enabled) {
  if (QAction* action = MenuCommand(commandId)) action->setEnabled(enabled);
}

template <typename Command>
void CQuillmereDlg::Run(Command command) {
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  command();
  QGuiApplication::restoreOverrideCursor();
  const FavoritesManager& manager = m_session.Manager();
  if (manager.LocalGeneration() != m_shownLocal) ShowLocalTree();
  if (manager.ServerGeneration() != m_shownServer) ShowServerTree();
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

void CQuillmereDlg::OnAbout() {
  OnSysCommand(IDM_ABOUTBOX);
}

void CQuillmereDlg::OnSysCommand(int commandId) {
  if ((commandId & 0xFFF0) != IDM_ABOUTBOX) return;
  CAboutDlg about(m_hIcon, this);
  RunModal(about);
}

void CQuillmereDlg::OnSaveMethod() {
  m_sheet.SetActivePage(0);
  m_sheet.DoModal();
}

void CQuillmereDlg::OnDeleteLinkFolder() {
  m_sheet.SetActivePage(1);
  m_sheet.DoModal();
}

void CQuillmereDlg::OnMoveFavoritesFolder() {
  m_sheet.SetActivePage(2);
  m_sheet.DoModal();
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
  PrintExported(m_session);
}

void CQuillmereDlg::OnPrintPreview() {
  CPreview preview([this] { return commands::LocalListText(m_session); }, this);
  RunModal(preview);
}

void CQuillmereDlg::OnHelpContents() {
  const std::string executable = platform::ExecutablePath();
  const size_t slash = executable.rfind('/');
  if (slash == std::string::npos) return;
  if (!m_help) m_help = new CHelpWindow(this);
  m_help->ShowContents(executable.substr(0, slash) + "/help");
}

void CQuillmereDlg::OnManageFavoritesFolder() {
  platform::OpenFolderWindow(m_session.GetPlaces().FavoritesFolder());
}

void CQuillmereDlg::OnExpandTree() {
  ExpandAll(m_treeLocal, m_treeLocal.FirstRoot());
  ExpandAll(m_treeServer, m_treeServer.FirstRoot());
}

void CQuillmereDlg::OnCancel() {
  if (ShowMessageBox(this, "Are you sure want to exit?", MB_YESNO | MB_ICONQUESTION) == IDYES) {
    QDialog::reject();
  }
}

void CQuillmereDlg::OnOK() {}

void CQuillmereDlg::accept() {
  OnOK();
}

void CQuillmereDlg::reject() {
  OnCancel();
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
  m_shownLocal = m_session.Manager().LocalGeneration();
}

void CQuillmereDlg::ShowServerTree() {
  m_treeServer.DeleteAllItems();
  ShowTree(m_treeServer, m_session.Manager().ServerTree().Root(), nullptr);
  m_treeServer.Expand(m_treeServer.FirstRoot());
  m_shownServer = m_session.Manager().ServerGeneration();
}

void CQuillmereDlg::UpdateRestoreItem() {
  EnableMenuCommand(ID_ACTION_RESTORE, commands::BackupExists(m_session));
}
